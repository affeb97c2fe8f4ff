// PENDING: BatchUI, being written.
#pragma once
#include <windows.h>
int BatchUiOpenDialog(HWND owner, const char (*paths)[MAX_PATH], int count);
