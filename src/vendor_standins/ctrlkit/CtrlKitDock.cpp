// The dock trigger: a drop-down button on a docked window that lends the window's hidden
// children to a pop-up panel while the user needs them, and puts them back afterwards.
#include "ctrlkit.h"
#include "CtrlKitInternal.h"

#include <commctrl.h>
#include <new>
#include <vector>
#include "win/Gdi.h"

namespace {

const char kTriggerClass[] = "CtrlKitDockTrigger";
const char kPanelClass[] = "CtrlKitDockPanel";
const UINT kClosePanel = WM_APP + 0x4B1; // posted to the trigger: close the panel (wParam 1: focus the trigger)
const int kMargin = 4, kGap = 4;

struct Lent {
    HWND hwnd;
    HWND parent;  // where it goes back to
    POINT pos;    // its position there, in the parent's client area
    bool visible; // its visibility there
};

struct TriggerState {
    HWND dialog = nullptr;
    std::vector<HWND> windows;
    std::vector<Lent> lent; // while the panel is open
    HWND panel = nullptr;
    HWND tooltip = nullptr;
    bool pressed = false, over = false, keyDown = false;
    bool closing = false;
    DWORD swallowClickUntil = 0; // the panel closed because this very click activated the dialog
};

LRESULT CALLBACK TriggerProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK PanelProc(HWND, UINT, WPARAM, LPARAM);

// The one open panel of this thread (opening another closes it), and the message hook that gives
// it Esc and Tab although no dialog loop runs for it.
thread_local HWND t_openTrigger = nullptr;
thread_local HHOOK t_hook = nullptr;

TriggerState* StateOf(HWND trigger)
{
    return ctrlkit::IsOurWindow(trigger, kTriggerClass, TriggerProc)
               ? reinterpret_cast<TriggerState*>(GetWindowLongPtrA(trigger, GWLP_USERDATA))
               : nullptr;
}

bool InPanel(HWND panel, HWND hwnd) { return panel && hwnd && (hwnd == panel || IsChild(panel, hwnd)); }

// The panel's own child that holds hwnd.
HWND TopChild(HWND panel, HWND hwnd)
{
    while (hwnd && GetParent(hwnd) != panel)
        hwnd = GetParent(hwnd);
    return hwnd;
}

bool ListDroppedDown(const TriggerState& s)
{
    for (const Lent& l : s.lent) {
        char name[16];
        if (GetClassNameA(l.hwnd, name, sizeof name) && lstrcmpiA(name, "COMBOBOX") == 0 &&
            SendMessageA(l.hwnd, CB_GETDROPPEDSTATE, 0, 0))
            return true;
    }
    return false;
}

LRESULT CALLBACK KeyHook(int code, WPARAM wParam, LPARAM lParam)
{
    auto* m = reinterpret_cast<MSG*>(lParam);
    TriggerState* s = code == HC_ACTION && wParam == PM_REMOVE ? StateOf(t_openTrigger) : nullptr;
    if (s && s->panel && m->message == WM_KEYDOWN && InPanel(s->panel, m->hwnd)) {
        if (m->wParam == VK_ESCAPE && !ListDroppedDown(*s)) {
            PostMessageA(t_openTrigger, kClosePanel, 1, 0);
            m->message = WM_NULL;
        } else if (m->wParam == VK_TAB) {
            const bool back = GetKeyState(VK_SHIFT) < 0;
            HWND next = GetNextDlgTabItem(s->panel, TopChild(s->panel, m->hwnd), back);
            if (next)
                SetFocus(next);
            m->message = WM_NULL;
        }
    }
    return CallNextHookEx(t_hook, code, wParam, lParam);
}

// Puts the lent windows back and destroys the panel (unless it is being destroyed already).
void ClosePanel(HWND trigger, TriggerState& s, bool focusTrigger, bool destroyPanel = true)
{
    if (!s.panel || s.closing)
        return;
    s.closing = true;
    const bool wasActive = GetActiveWindow() == s.panel;
    // Back onto the dialog, where and as they were; never resized.
    for (const Lent& l : s.lent) {
        if (!IsWindow(l.hwnd) || GetParent(l.hwnd) != s.panel)
            continue;
        HWND parent = IsWindow(l.parent) ? l.parent : s.dialog;
        if (!IsWindow(parent))
            continue;
        SetParent(l.hwnd, parent);
        SetWindowPos(l.hwnd, nullptr, l.pos.x, l.pos.y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | (l.visible ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
    }
    s.lent.clear();
    HWND panel = s.panel;
    s.panel = nullptr;
    if (t_openTrigger == trigger) {
        t_openTrigger = nullptr;
        if (t_hook)
            UnhookWindowsHookEx(t_hook);
        t_hook = nullptr;
    }
    if (destroyPanel)
        DestroyWindow(panel);
    if (IsWindow(trigger)) {
        InvalidateRect(trigger, nullptr, FALSE);
        if (focusTrigger && wasActive && IsWindowVisible(trigger) && IsWindowEnabled(trigger))
            SetFocus(trigger);
    }
    s.closing = false;
}

// The panel's client size for the windows side by side (wrapping rows at maxWidth), and where
// each one goes.
SIZE LayOut(const std::vector<Lent>& lent, LONG maxWidth, std::vector<POINT>& at)
{
    LONG x = kMargin, y = kMargin, rowHeight = 0, width = 0;
    at.clear();
    for (const Lent& l : lent) {
        RECT r;
        GetWindowRect(l.hwnd, &r);
        const LONG w = r.right - r.left, h = r.bottom - r.top;
        if (x > kMargin && x + w + kMargin > maxWidth) {
            x = kMargin;
            y += rowHeight + kGap;
            rowHeight = 0;
        }
        at.push_back(POINT{x, y});
        x += w + kGap;
        rowHeight = h > rowHeight ? h : rowHeight;
        width = x - kGap + kMargin > width ? x - kGap + kMargin : width;
    }
    // Windows of one row share its middle line.
    for (size_t i = 0; i < lent.size(); ++i) {
        RECT r;
        GetWindowRect(lent[i].hwnd, &r);
        LONG rowTop = at[i].y, rowBottom = at[i].y;
        for (size_t j = 0; j < lent.size(); ++j) {
            if (at[j].y == at[i].y) {
                RECT o;
                GetWindowRect(lent[j].hwnd, &o);
                rowBottom = at[j].y + (o.bottom - o.top) > rowBottom ? at[j].y + (o.bottom - o.top) : rowBottom;
            }
        }
        at[i].y = rowTop + (rowBottom - rowTop - (r.bottom - r.top)) / 2;
    }
    return SIZE{width > 2 * kMargin ? width : 2 * kMargin + 60, y + rowHeight + kMargin};
}

bool OpenPanel(HWND trigger, TriggerState& s)
{
    if (s.panel)
        return true;
    if (t_openTrigger && t_openTrigger != trigger)
        if (TriggerState* other = StateOf(t_openTrigger))
            ClosePanel(t_openTrigger, *other, false);
    s.lent.clear();
    for (HWND w : s.windows) {
        if (IsWindow(w) && GetParent(w) == s.dialog) {
            RECT r;
            GetWindowRect(w, &r);
            MapWindowPoints(HWND_DESKTOP, s.dialog, reinterpret_cast<POINT*>(&r), 2);
            s.lent.push_back(Lent{w, s.dialog, POINT{r.left, r.top}, (GetWindowLongPtrA(w, GWL_STYLE) & WS_VISIBLE) != 0});
        }
    }
    RECT anchor;
    GetWindowRect(trigger, &anchor);
    MONITORINFO mi = {};
    mi.cbSize = sizeof mi;
    GetMonitorInfoA(MonitorFromWindow(trigger, MONITOR_DEFAULTTONEAREST), &mi);
    const RECT& work = mi.rcWork;
    std::vector<POINT> at;
    const DWORD style = WS_POPUP | WS_BORDER | WS_CLIPCHILDREN, exStyle = WS_EX_TOOLWINDOW;
    RECT frame = {0, 0, 0, 0};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const SIZE client = LayOut(s.lent, (work.right - work.left) - (frame.right - frame.left), at);
    const LONG w = client.cx + frame.right - frame.left, h = client.cy + frame.bottom - frame.top;
    LONG x = anchor.left, y = anchor.bottom;
    if (x + w > work.right)
        x = work.right - w;
    if (x < work.left)
        x = work.left;
    if (y + h > work.bottom && anchor.top - h >= work.top)
        y = anchor.top - h;
    HWND root = GetAncestor(s.dialog, GA_ROOT);
    s.panel = CreateWindowExA(exStyle, kPanelClass, "", style, x, y, w, h, root, nullptr, ctrlkit::Module(),
                              reinterpret_cast<LPVOID>(trigger));
    if (!s.panel) {
        s.lent.clear();
        return false;
    }
    for (size_t i = 0; i < s.lent.size(); ++i) {
        SetParent(s.lent[i].hwnd, s.panel);
        SetWindowPos(s.lent[i].hwnd, nullptr, at[i].x, at[i].y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    }
    t_openTrigger = trigger;
    if (!t_hook)
        t_hook = SetWindowsHookExA(WH_GETMESSAGE, KeyHook, nullptr, GetCurrentThreadId());
    ShowWindow(s.panel, SW_SHOW);
    HWND first = GetNextDlgTabItem(s.panel, nullptr, FALSE);
    SetFocus(first && IsChild(s.panel, first) ? first : s.panel);
    InvalidateRect(trigger, nullptr, FALSE);
    return true;
}

void TogglePanel(HWND trigger, TriggerState& s)
{
    if (s.panel)
        ClosePanel(trigger, s, true);
    else
        OpenPanel(trigger, s);
}

void PaintTrigger(HWND trigger, const TriggerState& s, HDC dc)
{
    RECT r;
    GetClientRect(trigger, &r);
    const bool enabled = IsWindowEnabled(trigger) != FALSE;
    const bool down = s.panel || (s.pressed && s.over) || s.keyDown;
    DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (down ? DFCS_PUSHED : 0) | (enabled ? 0 : DFCS_INACTIVE));
    // A little list (the albums) and a drop-down arrow.
    const int shift = down ? 1 : 0;
    const int cx = (r.right - r.left) / 2 + shift, cy = (r.bottom - r.top) / 2 + shift;
    win::Brush ink(CreateSolidBrush(GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT)));
    for (int line = 0; line < 3; ++line) {
        RECT bar = {cx - 9, cy - 5 + 4 * line, cx + 1, cy - 5 + 4 * line + 2};
        FillRect(dc, &bar, ink.get());
    }
    for (int row = 0; row < 4; ++row) {
        RECT step = {cx + 3 + row, cy - 1 + row, cx + 10 - row, cy + row};
        FillRect(dc, &step, ink.get());
    }
    if (GetFocus() == trigger) {
        RECT focus = r;
        InflateRect(&focus, -3, -3);
        DrawFocusRect(dc, &focus);
    }
}

void Repaint(HWND trigger) { InvalidateRect(trigger, nullptr, FALSE); }

LRESULT CALLBACK TriggerProc(HWND trigger, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NCCREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(trigger, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
        return DefWindowProcA(trigger, msg, wParam, lParam);
    }
    auto* s = reinterpret_cast<TriggerState*>(GetWindowLongPtrA(trigger, GWLP_USERDATA));
    if (!s)
        return DefWindowProcA(trigger, msg, wParam, lParam);
    switch (msg) {
    case WM_PAINT: {
        win::PaintDC paint(trigger);
        if (paint.dc())
            PaintTrigger(trigger, *s, paint.dc());
        return 0;
    }
    case WM_PRINTCLIENT:
        PaintTrigger(trigger, *s, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        s->keyDown = false;
        Repaint(trigger);
        return 0;
    case WM_ENABLE:
        if (!wParam)
            ClosePanel(trigger, *s, false);
        Repaint(trigger);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (s->swallowClickUntil && LONG(s->swallowClickUntil - GetTickCount()) > 0) {
            s->swallowClickUntil = 0; // this click already closed the panel by activating the dialog
            return 0;
        }
        s->swallowClickUntil = 0;
        SetFocus(trigger);
        s->pressed = s->over = true;
        SetCapture(trigger);
        Repaint(trigger);
        return 0;
    case WM_MOUSEMOVE:
        if (s->pressed) {
            RECT r;
            GetClientRect(trigger, &r);
            const POINT p = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            const bool over = PtInRect(&r, p) != FALSE;
            if (over != s->over) {
                s->over = over;
                Repaint(trigger);
            }
        }
        return 0;
    case WM_LBUTTONUP: {
        if (!s->pressed)
            return 0;
        RECT r;
        GetClientRect(trigger, &r);
        const POINT p = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        s->pressed = false;
        if (GetCapture() == trigger)
            ReleaseCapture();
        Repaint(trigger);
        if (PtInRect(&r, p))
            TogglePanel(trigger, *s);
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lParam) != trigger && s->pressed) {
            s->pressed = false;
            Repaint(trigger);
        }
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_SPACE) {
            s->keyDown = true;
            Repaint(trigger);
        } else if (wParam == VK_DOWN || wParam == VK_F4) {
            OpenPanel(trigger, *s);
        }
        return 0;
    case WM_KEYUP:
        if (wParam == VK_SPACE && s->keyDown) {
            s->keyDown = false;
            Repaint(trigger);
            TogglePanel(trigger, *s);
        }
        return 0;
    case WM_SYSKEYDOWN:
        if (wParam == VK_DOWN) {
            OpenPanel(trigger, *s);
            return 0;
        }
        break;
    case kClosePanel:
        ClosePanel(trigger, *s, wParam != 0);
        return 0;
    case WM_DESTROY:
        ClosePanel(trigger, *s, false);
        if (s->tooltip)
            DestroyWindow(s->tooltip);
        s->tooltip = nullptr;
        break;
    case WM_NCDESTROY:
        SetWindowLongPtrA(trigger, GWLP_USERDATA, 0);
        delete s;
        break;
    default:
        break;
    }
    return DefWindowProcA(trigger, msg, wParam, lParam);
}

bool OwnedBy(HWND hwnd, HWND owner)
{
    for (; hwnd; hwnd = GetWindow(hwnd, GW_OWNER))
        if (hwnd == owner)
            return true;
    return false;
}

LRESULT CALLBACK PanelProc(HWND panel, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NCCREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(panel, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
        return DefWindowProcA(panel, msg, wParam, lParam);
    }
    HWND trigger = reinterpret_cast<HWND>(GetWindowLongPtrA(panel, GWLP_USERDATA));
    TriggerState* s = StateOf(trigger);
    if (!s || s->panel != panel)
        return DefWindowProcA(panel, msg, wParam, lParam);
    switch (msg) {
    case WM_ERASEBKGND: {
        RECT r;
        GetClientRect(panel, &r);
        auto brush = reinterpret_cast<HBRUSH>(SendMessageA(s->dialog, WM_CTLCOLORDLG, wParam, reinterpret_cast<LPARAM>(s->dialog)));
        FillRect(reinterpret_cast<HDC>(wParam), &r, brush ? brush : GetSysColorBrush(COLOR_BTNFACE));
        return 1;
    }
    // The lent windows are the dialog's: what they tell their parent goes to it.
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_COMPAREITEM:
    case WM_DELETEITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
        return IsWindow(s->dialog) ? SendMessageA(s->dialog, msg, wParam, lParam) : 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE && !OwnedBy(reinterpret_cast<HWND>(lParam), panel)) {
            // A click on the trigger that activates the dialog must not open the panel again.
            POINT p;
            RECT r;
            GetCursorPos(&p);
            GetWindowRect(trigger, &r);
            if ((GetAsyncKeyState(VK_LBUTTON) & 0x8000) && PtInRect(&r, p))
                s->swallowClickUntil = (GetTickCount() + 500) | 1;
            PostMessageA(trigger, kClosePanel, 0, 0);
        }
        break;
    case WM_ACTIVATEAPP:
        if (!wParam)
            PostMessageA(trigger, kClosePanel, 0, 0);
        break;
    case WM_CLOSE:
        PostMessageA(trigger, kClosePanel, 1, 0);
        return 0;
    case WM_DESTROY:
        // Destroyed with its owner: the lent windows go home first, so the dialog still has them.
        ClosePanel(trigger, *s, false, false);
        break;
    default:
        break;
    }
    return DefWindowProcA(panel, msg, wParam, lParam);
}

} // namespace

HWND CtrlKitCreateDockTrigger(RECT rect, HWND dialog, int count, HWND* windows)
{
    if (!dialog || !IsWindow(dialog) || count < 0 || count > CTRLKIT_DOCK_MAX_WINDOWS || (count > 0 && !windows))
        return nullptr;
    if (!ctrlkit::RegisterOwnClass(kTriggerClass, TriggerProc, LoadCursor(nullptr, IDC_ARROW)) ||
        !ctrlkit::RegisterOwnClass(kPanelClass, PanelProc, LoadCursor(nullptr, IDC_ARROW)))
        return nullptr;
    auto* s = new (std::nothrow) TriggerState;
    if (!s)
        return nullptr;
    try {
        s->dialog = dialog;
        for (int i = 0; i < count; ++i)
            if (windows[i] && IsWindow(windows[i]) && GetParent(windows[i]) == dialog)
                s->windows.push_back(windows[i]);
        s->lent.reserve(s->windows.size());
    } catch (...) {
        delete s;
        return nullptr;
    }
    const int w = rect.right > 0 ? rect.right : 30, h = rect.bottom > 0 ? rect.bottom : 25;
    HWND trigger = CreateWindowExA(0, kTriggerClass, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS, rect.left,
                                   rect.top, w, h, dialog, reinterpret_cast<HMENU>(UINT_PTR(CTRLKIT_DOCK_TRIGGER_ID)),
                                   ctrlkit::Module(), s);
    if (!trigger) {
        delete s;
        return nullptr;
    }
    SetWindowPos(trigger, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ctrlkit::InitCommonControlsOnce();
    s->tooltip = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, trigger, nullptr,
                                 ctrlkit::Module(), nullptr);
    if (s->tooltip) {
        TTTOOLINFOA ti = {};
        ti.cbSize = TTTOOLINFOA_V2_SIZE;
        ti.uFlags = TTF_SUBCLASS | TTF_IDISHWND;
        ti.hwnd = trigger;
        ti.uId = reinterpret_cast<UINT_PTR>(trigger);
        ti.lpszText = const_cast<char*>("Albums and commands");
        SendMessageA(s->tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    }
    return trigger;
}

int CtrlKitFreeDockTrigger(HWND trigger)
{
    TriggerState* s = StateOf(trigger);
    if (!s)
        return 0;
    ClosePanel(trigger, *s, false);
    DestroyWindow(trigger);
    return 1;
}
