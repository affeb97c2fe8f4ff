// CtrlKit: the small controls the album windows borrow: the mini tool bar (a row of picture
// buttons that send WM_COMMAND), the docked scroll bar (a bar whose only visible parts are an arrow
// button at each end), and the dock trigger (a button that drops down the windows a docked window
// has no room for).
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

/* ---- Mini tool bar ---------------------------------------------------------------------- */

#define CTRLKIT_TOOLBAR_CLASS "MiniToolbarCtrl"
#define CTRLKIT_TOOLBAR_MAX_BUTTONS 32
#define CTRLKIT_TOOLBAR_CAPTION_MAX 64 // longest caption kept, NUL included
#define CTRLKIT_TOOLBAR_STRIPS 4       // picture strips: normal, hot, disabled, pressed

// Registers the window class "MiniToolbarCtrl" with the given instance, so that dialog templates
// of that module can name it (null: this library's own module). A bar is a plain child window
// (WS_CHILD, WS_VISIBLE; no tab stop) that shows nothing until CtrlKitInitToolbar fills it.
// Returns 1 when the class is registered, also when it already was; 0 when it cannot be, or when
// the instance already has a different class of that name.
CTRLKIT_API int CtrlKitRegisterBarClass(HINSTANCE instance);

// Fills a bar with count buttons (1 to CTRLKIT_TOOLBAR_MAX_BUTTONS), replacing any it had.
// Button i sends owner WM_COMMAND(MAKEWPARAM(commandIds[i], BN_CLICKED), (LPARAM)bar) when the
// left button is pressed and released on it; releasing anywhere else (or losing the mouse
// capture) cancels the click.
// Layout: the buttons share the bar's client width side by side, button i covering the columns
// from i * width / count up to (i + 1) * width / count, each the bar's full height.
// Pictures: bitmapIds names CTRLKIT_TOOLBAR_STRIPS bitmap resources of the module resources,
// in this order: normal, hot (under the mouse), disabled, pressed. Each strip holds every
// button's picture side by side, cut by the same rule over the strip's own width (a 298 x 20
// strip of nine buttons gives them 33 pixels each, the last 34); a button's cell is drawn into
// the button's rectangle (stretched when the sizes differ). The bar adds a raised edge around
// the hot button, and draws the pressed button's picture one pixel down-right in a sunken edge.
// A strip id of 0, or one that does not load, falls back to the normal strip; without a normal
// strip (or with bitmapIds null) the buttons show their captions as text.
// Captions: captionStringIds names a string resource per button (at most
// CTRLKIT_TOOLBAR_CAPTION_MAX - 1 characters are kept), shown as the button's tooltip; null for
// none. The bar keeps its own copies of everything it is given.
// Returns count, or 0 (and the bar unchanged) when bar is no tool bar, owner no window, count out
// of range or commandIds null.
CTRLKIT_API int CtrlKitInitToolbar(HWND bar, HWND owner, int count, const UINT* commandIds, HINSTANCE resources,
                                   const UINT* bitmapIds, const UINT* captionStringIds);

// Enables or disables the button of that command (drawn from the disabled strip, no clicks).
// Disabling the whole bar (EnableWindow) disables every button alike. Returns 1 when the bar has
// such a button, else 0.
CTRLKIT_API int CtrlKitEnableButton(HWND bar, UINT commandId, BOOL enable);

/* ---- Docked scroll bar ------------------------------------------------------------------- */

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

/* ---- Dock trigger ------------------------------------------------------------------------ */

#define CTRLKIT_DOCK_MAX_WINDOWS 16
#define CTRLKIT_DOCK_TRIGGER_ID 0x7C00 // control identifier of the trigger on its dialog

// A docked window too small for some of its children hides them and puts a trigger in their
// place: a small drop-down button, child of the dialog, that takes the keyboard focus (a tab
// stop). Clicking it, or pressing Space, Down or F4 while it has the focus, opens a panel: a
// thin-bordered pop-up just below the trigger (above it when the screen ends) into which the given
// windows move, shown side by side in the given order at their own sizes (never resized, so a
// combo box keeps its drop-down height), the first window that is an enabled tab stop getting the
// focus. They stay the dialog's windows in every other respect: a combo box or tool bar keeps
// notifying the dialog, and whatever the panel itself receives from them (WM_COMMAND, WM_NOTIFY,
// the WM_CTLCOLOR... messages, owner-draw messages) is passed on to the dialog; the panel's
// background is the brush the dialog answers to WM_CTLCOLORDLG.
// The panel closes, and the windows go back onto the dialog at their old positions and with
// their old visibility (hidden, for a docked window), when the trigger is clicked again, on Esc
// (unless a combo box in the panel has its list dropped down), when another window is activated,
// and when the trigger or the dialog's top-level window is destroyed (so the dialog still finds
// its windows while it is destroyed). Tab and Shift+Tab move between the panel's windows.
// rect: left and top are the trigger's position in the dialog's client area; right and bottom
// are its width and height (30 and 25 suit it; 0 or less means those). windows: count (0 to
// CTRLKIT_DOCK_MAX_WINDOWS) children of the dialog; other entries are ignored.
// Returns the trigger, or null when dialog is no window, count is out of range, windows is null
// with count > 0, or the window cannot be created.
CTRLKIT_API HWND CtrlKitCreateDockTrigger(RECT rect, HWND dialog, int count, HWND* windows);
// Closes the trigger's panel if it is open (the windows back on the dialog, as above; show them
// after this call when undocking) and destroys the trigger. 1 for a trigger, else 0.
CTRLKIT_API int CtrlKitFreeDockTrigger(HWND trigger);

#ifdef __cplusplus
}
#endif
