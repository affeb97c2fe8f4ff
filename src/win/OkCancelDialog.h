// The procedure of a small modal dialog that is filled when it opens and ends with OK or Cancel.
#pragma once

#include <windows.h>

namespace win {

// fill(dialog, lParam) at WM_INITDIALOG; OK ends the dialog with 1 when accept(dialog) agrees
// (it may keep the dialog open, e.g. after telling the user what is wrong); Cancel ends it with
// 0. Returns what a dialog procedure returns.
template <class Fill, class Accept>
INT_PTR OkCancelDialog(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam, Fill fill, Accept accept)
{
    switch (msg) {
    case WM_INITDIALOG:
        fill(dialog, lParam);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            if (accept(dialog))
                EndDialog(dialog, 1);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace win
