// PENDING
#include "batchui.h"
int BatchUiOpenDialog(HWND, const char (*)[MAX_PATH], int) { return 0; }
