// The platform's folder browser for file-system folders.
#pragma once

#include <windows.h>
#include <string>

namespace win {

// Lets the user pick a folder (title " ", file-system folders only) into out (MAX_PATH bytes),
// as the ANSI functions open it (a component in another script by its short name). False when
// cancelled, when the choice has no file-system path, or when it cannot be given to the ANSI
// functions (no short name): then unstorable, if given, receives the chosen path.
bool BrowseForFolder(HWND owner, char* out, std::wstring* unstorable = nullptr);

} // namespace win
