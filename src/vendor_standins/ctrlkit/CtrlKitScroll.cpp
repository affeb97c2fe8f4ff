// The docked scroll bar: a subclass of the platform's scroll bar that shows and handles only the
// two arrow buttons at its ends.
#include "ctrlkit.h"

#include <commctrl.h>
#include <initializer_list>
#include <new>

namespace {

const UINT_PTR kSubclassId = 0xC7C1;
// The hook's state is also kept as a window property, so a hooked bar is recognised.
const char kStateProperty[] = "CtrlKitScrollHook";
const UINT_PTR kRepeatTimer = 1;
const UINT kFirstRepeat = 400;
const UINT kRepeat = 80;

enum Button { kNone = 0, kFirst = 1, kLast = 2 };

struct HookState {
    Button pressed = kNone;
    bool over = false; // the cursor is over the pressed button
};

bool IsVertical(HWND bar) { return (GetWindowLongPtrA(bar, GWL_STYLE) & SBS_VERT) != 0; }

RECT ButtonRect(HWND bar, Button b)
{
    RECT r;
    GetClientRect(bar, &r);
    const bool vertical = IsVertical(bar);
    if (b == kFirst) {
        if (vertical)
            r.bottom = r.top + CTRLKIT_ARROW_SIZE;
        else
            r.right = r.left + CTRLKIT_ARROW_SIZE;
    } else {
        if (vertical)
            r.top = r.bottom - CTRLKIT_ARROW_SIZE;
        else
            r.left = r.right - CTRLKIT_ARROW_SIZE;
    }
    return r;
}

Button ButtonAt(HWND bar, LPARAM lParam)
{
    POINT p = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    for (Button b : {kFirst, kLast}) {
        RECT r = ButtonRect(bar, b);
        if (PtInRect(&r, p))
            return b;
    }
    return kNone;
}

void Notify(HWND bar, WORD code)
{
    HWND parent = GetParent(bar);
    if (parent)
        SendMessageA(parent, IsVertical(bar) ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, 0),
                     reinterpret_cast<LPARAM>(bar));
}

void Paint(HWND bar, const HookState& state)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(bar, &ps);
    if (!dc)
        return;
    const bool vertical = IsVertical(bar);
    const bool enabled = IsWindowEnabled(bar) != FALSE;
    for (Button b : {kFirst, kLast}) {
        RECT r = ButtonRect(bar, b);
        UINT kind = vertical ? (b == kFirst ? DFCS_SCROLLUP : DFCS_SCROLLDOWN)
                             : (b == kFirst ? DFCS_SCROLLLEFT : DFCS_SCROLLRIGHT);
        if (state.pressed == b && state.over)
            kind |= DFCS_PUSHED;
        if (!enabled)
            kind |= DFCS_INACTIVE;
        DrawFrameControl(dc, &r, DFC_SCROLL, kind);
    }
    EndPaint(bar, &ps);
}

void RepaintButtons(HWND bar)
{
    for (Button b : {kFirst, kLast}) {
        RECT r = ButtonRect(bar, b);
        InvalidateRect(bar, &r, FALSE);
    }
}

LRESULT CALLBACK HookProc(HWND bar, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data)
{
    HookState& state = *reinterpret_cast<HookState*>(data);
    switch (msg) {
    case WM_PAINT:
        Paint(bar, state);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        state.pressed = ButtonAt(bar, lParam);
        if (state.pressed != kNone) {
            state.over = true;
            SetCapture(bar);
            RepaintButtons(bar);
            Notify(bar, state.pressed == kFirst ? SB_LINEUP : SB_LINEDOWN);
            SetTimer(bar, kRepeatTimer, kFirstRepeat, nullptr);
        }
        return 0;
    case WM_MOUSEMOVE:
        if (state.pressed != kNone) {
            bool over = ButtonAt(bar, lParam) == state.pressed;
            if (over != state.over) {
                state.over = over;
                RepaintButtons(bar);
            }
        }
        return 0;
    case WM_TIMER:
        if (wParam == kRepeatTimer) {
            if (state.pressed != kNone && state.over) {
                Notify(bar, state.pressed == kFirst ? SB_LINEUP : SB_LINEDOWN);
                SetTimer(bar, kRepeatTimer, kRepeat, nullptr);
            }
            return 0;
        }
        break;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        if (state.pressed != kNone) {
            state.pressed = kNone;
            KillTimer(bar, kRepeatTimer);
            if (msg == WM_LBUTTONUP && GetCapture() == bar)
                ReleaseCapture(); // sends WM_CAPTURECHANGED, which finds nothing pressed
            RepaintButtons(bar);
            Notify(bar, SB_ENDSCROLL);
        }
        return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MOUSEWHEEL:
    case WM_CONTEXTMENU:
    case WM_KEYDOWN:
    case WM_KEYUP:
        return 0; // the platform bar would act on them with its hidden thumb
    // The platform bar draws itself at once when its position or range changes; the owner's
    // position is still kept, but only the buttons are shown.
    case SBM_SETPOS:
        return DefSubclassProc(bar, msg, wParam, FALSE);
    case SBM_SETRANGEREDRAW:
        return DefSubclassProc(bar, SBM_SETRANGE, wParam, lParam);
    case SBM_SETSCROLLINFO:
        return DefSubclassProc(bar, msg, FALSE, lParam);
    case WM_NCDESTROY:
        KillTimer(bar, kRepeatTimer);
        RemoveWindowSubclass(bar, HookProc, kSubclassId);
        RemovePropA(bar, kStateProperty);
        delete &state;
        break;
    default:
        break;
    }
    return DefSubclassProc(bar, msg, wParam, lParam);
}

bool IsScrollBar(HWND bar)
{
    char name[16];
    return bar && IsWindow(bar) && GetClassNameA(bar, name, sizeof name) && lstrcmpiA(name, "SCROLLBAR") == 0;
}

} // namespace

int CtrlKitHookScroll(HWND bar, int, int)
{
    if (!IsScrollBar(bar))
        return 0;
    if (!GetPropA(bar, kStateProperty)) {
        auto* state = new (std::nothrow) HookState;
        if (!state)
            return 0;
        if (!SetPropA(bar, kStateProperty, state) ||
            !SetWindowSubclass(bar, HookProc, kSubclassId, reinterpret_cast<DWORD_PTR>(state))) {
            RemovePropA(bar, kStateProperty);
            delete state;
            return 0;
        }
        // Under the windows it shares the control with, and clipped by them.
        SetWindowLongPtrA(bar, GWL_STYLE, GetWindowLongPtrA(bar, GWL_STYLE) | WS_CLIPSIBLINGS);
        SetWindowPos(bar, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    InvalidateRect(bar, nullptr, TRUE);
    return 1;
}

int CtrlKitUnhookScroll(HWND bar)
{
    void* data = IsScrollBar(bar) ? GetPropA(bar, kStateProperty) : nullptr;
    if (!data)
        return 0;
    RemovePropA(bar, kStateProperty);
    KillTimer(bar, kRepeatTimer);
    if (GetCapture() == bar)
        ReleaseCapture();
    RemoveWindowSubclass(bar, HookProc, kSubclassId);
    delete static_cast<HookState*>(data);
    InvalidateRect(bar, nullptr, TRUE);
    return 1;
}
