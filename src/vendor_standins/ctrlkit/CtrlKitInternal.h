// Pieces the control kit's windows share.
#pragma once

#include <windows.h>

namespace ctrlkit {

// The module this library's code lives in (the DLL, or the program it is linked into): its own
// window classes are registered with it.
HINSTANCE Module();

// True when hwnd is a window of this thread whose class is className and whose class procedure
// is proc, so its user data is one of ours whatever else the window's procedure is subclassed by.
bool IsOurWindow(HWND hwnd, const char* className, WNDPROC proc);

// Registers one of the library's own classes with Module() once. False when it cannot be.
bool RegisterOwnClass(const char* className, WNDPROC proc, HCURSOR cursor);

// Tooltips and progress bars need the common controls initialised once.
void InitCommonControlsOnce();

} // namespace ctrlkit
