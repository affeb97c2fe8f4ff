// Modal dialogs and message boxes inside the editor's process: while one is up, the calling
// thread's other top-level windows are disabled, and enabled again when it ends.
#pragma once

#include <windows.h>

// The active guard: the windows it disabled, in enumeration order. Opaque to callers.
struct ThreadWindowsGuard;
typedef ThreadWindowsGuard* HTHREADGUARD;

// Disables the enabled top-level windows of the calling thread, except those of the classes
// "Template Window class" and "Lumicraft 2000" (any letter case), and returns the guard that
// records them. Null, with a beep, when a guard is already active (guards do not nest); null too
// when no memory is left for the record, and then no window is disabled.
HTHREADGUARD DisableThreadWindows();
// Enables again the windows the active guard disabled and ends it: 1. With null while no guard
// is active: 1. With any handle that is not the active guard: a beep and 0, the guard stays.
int EnableThreadWindows(HTHREADGUARD guard);

// DialogBoxParamA between DisableThreadWindows and EnableThreadWindows; the dialog's end value.
INT_PTR ModalDialogBox(HINSTANCE instance, LPCSTR dialogTemplate, HWND owner, DLGPROC proc, LPARAM param);
// MessageBoxA likewise. Inside a guarded dialog the guard is already active: the box takes none
// and releases none, so the dialog's guard stays until the dialog ends.
int ModalMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT flags);
// MessageBoxW likewise, for texts that name files in any script.
int ModalMessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT flags);
// ModalMessageBox with the text (at most 299 characters) and caption (at most 39) loaded from
// the library's string table.
int ModalMessageBoxIds(HWND owner, UINT textId, UINT captionId, UINT flags);
