// PENDING: replaced by the command bar and dock trigger being written.
#include "ctrlkit.h"
static LRESULT CALLBACK BarProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }
int CtrlKitRegisterBarClass(HINSTANCE instance)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = BarProc;
    wc.hInstance = instance;
    wc.lpszClassName = "MiniToolbarCtrl";
    wc.style = CS_GLOBALCLASS;
    return RegisterClassA(&wc) ? 1 : 0;
}
int CtrlKitInitToolbar(HWND, HWND, int, const UINT*, HINSTANCE, const UINT*, const UINT*) { return 1; }
HWND CtrlKitCreateDockTrigger(RECT r, HWND dialog, int, HWND*)
{
    return CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE, r.left, r.top, r.right, r.bottom, dialog, nullptr, nullptr, nullptr);
}
void CtrlKitFreeDockTrigger(HWND trigger) { DestroyWindow(trigger); }
