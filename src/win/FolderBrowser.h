// The platform's folder browser for file-system folders.
#pragma once

#include <windows.h>

namespace win {

// Lets the user pick a folder (title " ", file-system folders only) into out (MAX_PATH bytes).
// False when cancelled or when the choice has no file-system path.
bool BrowseForFolder(HWND owner, char* out);

} // namespace win
