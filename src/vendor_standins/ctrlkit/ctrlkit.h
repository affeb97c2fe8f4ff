// CtrlKit: the small controls the album windows borrow: the docked scroll bar (a bar whose only
// visible parts are an arrow button at each end), and later the mini tool bar and dock trigger.
#pragma once

#include <windows.h>

#if defined(CTRLKIT_BUILD)
#define CTRLKIT_API __declspec(dllexport)
#else
#define CTRLKIT_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Side of the arrow buttons of a hooked scroll bar, along the bar.
#define CTRLKIT_ARROW_SIZE 22

// Turns a "SCROLLBAR" control (SBS_VERT: arrows at the top and bottom, else at the left and
// right) into two arrow buttons of CTRLKIT_ARROW_SIZE pixels at its ends; what lies between them
// is left to the windows above it. Pressing a button sends the bar's parent WM_VSCROLL or
// WM_HSCROLL with SB_LINEUP / SB_LINEDOWN (repeated while it is held, SB_ENDSCROLL at the
// release), lParam the bar. arrows and notify are 1 (0 is accepted and treated alike). Hooking a
// hooked bar again only repaints it. Returns 1, or 0 for a window that is no scroll bar.
CTRLKIT_API int CtrlKitHookScroll(HWND bar, int arrows, int notify);
// Gives the bar back its own drawing and input. 1 when it was hooked.
CTRLKIT_API int CtrlKitUnhookScroll(HWND bar);

// The command bar (pending: being written).
CTRLKIT_API int CtrlKitRegisterBarClass(HINSTANCE instance);
CTRLKIT_API int CtrlKitInitToolbar(HWND bar, HWND owner, int count, const UINT* commandIds, HINSTANCE resources,
                                   const UINT* bitmapIds, const UINT* captionStringIds);
CTRLKIT_API HWND CtrlKitCreateDockTrigger(RECT rect, HWND dialog, int count, HWND* windows);
CTRLKIT_API void CtrlKitFreeDockTrigger(HWND trigger);

#ifdef __cplusplus
}
#endif
