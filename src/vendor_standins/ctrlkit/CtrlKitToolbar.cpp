// The mini tool bar: a row of picture buttons cut from bitmap strips, with tooltips, that send
// WM_COMMAND to their owner like push buttons do.
#include "ctrlkit.h"
#include "CtrlKitInternal.h"

#include <commctrl.h>
#include <new>
#include <vector>
#include "win/Gdi.h"

namespace {

enum Strip { kNormal = 0, kHot = 1, kDisabled = 2, kPressed = 3 };

struct Button {
    UINT command = 0;
    bool enabled = true;
    char caption[CTRLKIT_TOOLBAR_CAPTION_MAX] = {};
};

struct BarState {
    HWND owner = nullptr;
    std::vector<Button> buttons;
    win::Bitmap strips[CTRLKIT_TOOLBAR_STRIPS];
    SIZE stripSize[CTRLKIT_TOOLBAR_STRIPS] = {};
    HWND tooltip = nullptr;
    HFONT font = nullptr; // the parent's, for captions drawn as text; not owned
    int hot = -1;         // button under the mouse
    int pressed = -1;     // button the left button went down on, while it is held
    bool tracking = false; // a WM_MOUSELEAVE is asked for
};

LRESULT CALLBACK BarProc(HWND, UINT, WPARAM, LPARAM);

BarState* StateOf(HWND bar)
{
    return ctrlkit::IsOurWindow(bar, CTRLKIT_TOOLBAR_CLASS, BarProc)
               ? reinterpret_cast<BarState*>(GetWindowLongPtrA(bar, GWLP_USERDATA))
               : nullptr;
}

// Column range [from, to) of cell i when width is shared by n cells.
LONG CellEdge(LONG width, int i, int n) { return n > 0 ? LONG((long long)width * i / n) : 0; }

RECT ButtonRect(HWND bar, const BarState& s, int i)
{
    RECT client;
    GetClientRect(bar, &client);
    const int n = int(s.buttons.size());
    return RECT{CellEdge(client.right, i, n), 0, CellEdge(client.right, i + 1, n), client.bottom};
}

int ButtonAt(HWND bar, const BarState& s, LPARAM lParam)
{
    const POINT p = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    for (int i = 0; i < int(s.buttons.size()); ++i) {
        RECT r = ButtonRect(bar, s, i);
        if (PtInRect(&r, p))
            return i;
    }
    return -1;
}

bool Enabled(HWND bar, const BarState& s, int i)
{
    return i >= 0 && i < int(s.buttons.size()) && s.buttons[i].enabled && IsWindowEnabled(bar);
}

void InvalidateButton(HWND bar, const BarState& s, int i)
{
    if (i >= 0 && i < int(s.buttons.size())) {
        RECT r = ButtonRect(bar, s, i);
        InvalidateRect(bar, &r, FALSE);
    }
}

void SetHot(HWND bar, BarState& s, int hot)
{
    if (hot == s.hot)
        return;
    InvalidateButton(bar, s, s.hot);
    s.hot = hot;
    InvalidateButton(bar, s, s.hot);
}

// Ends a press without a click (release elsewhere, capture lost, disabled meanwhile).
void CancelPress(HWND bar, BarState& s)
{
    if (s.pressed < 0)
        return;
    const int was = s.pressed;
    s.pressed = -1;
    InvalidateButton(bar, s, was);
    if (GetCapture() == bar)
        ReleaseCapture();
}

HBRUSH FaceBrush(HWND bar, HDC dc)
{
    // As push buttons do, the parent chooses the face (the album dialog answers with its grey).
    HWND parent = GetParent(bar);
    HBRUSH brush = parent ? reinterpret_cast<HBRUSH>(SendMessageA(parent, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc),
                                                                  reinterpret_cast<LPARAM>(bar)))
                          : nullptr;
    return brush ? brush : GetSysColorBrush(COLOR_BTNFACE);
}

void DrawCaption(HDC dc, const BarState& s, const Button& b, RECT r, bool enabled)
{
    win::SelectGuard font(dc, s.font ? static_cast<HGDIOBJ>(s.font) : GetStockObject(DEFAULT_GUI_FONT));
    win::BkModeGuard mode(dc, TRANSPARENT);
    win::TextColorGuard color(dc, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    DrawTextA(dc, b.caption, -1, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
}

// Draws cell i of a strip into dest (clipped to clip).
void DrawCell(HDC dc, HDC source, const BarState& s, int strip, int i, RECT dest, const RECT& clip)
{
    const int n = int(s.buttons.size());
    const SIZE size = s.stripSize[strip];
    const LONG from = CellEdge(size.cx, i, n), to = CellEdge(size.cx, i + 1, n);
    win::SelectGuard bitmap(source, s.strips[strip].get());
    if (!bitmap.ok())
        return;
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
    const int w = dest.right - dest.left, h = dest.bottom - dest.top;
    if (w == to - from && h == size.cy) {
        BitBlt(dc, dest.left, dest.top, w, h, source, from, 0, SRCCOPY);
    } else {
        SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, nullptr);
        StretchBlt(dc, dest.left, dest.top, w, h, source, from, 0, to - from, size.cy, SRCCOPY);
    }
    RestoreDC(dc, saved);
}

// The one painting path: WM_PAINT draws through a memory bitmap, WM_PRINTCLIENT directly.
void Paint(HWND bar, const BarState& s, HDC dc)
{
    RECT client;
    GetClientRect(bar, &client);
    FillRect(dc, &client, FaceBrush(bar, dc));
    win::MemoryDC source(dc);
    for (int i = 0; i < int(s.buttons.size()); ++i) {
        const RECT r = ButtonRect(bar, s, i);
        const bool enabled = Enabled(bar, s, i);
        const bool down = enabled && s.pressed == i && s.hot == i;
        const bool hot = enabled && !down && s.hot == i && (s.pressed < 0 || s.pressed == i);
        const int strip = !enabled ? kDisabled : down ? kPressed : hot ? kHot : kNormal;
        const int use = s.strips[strip] ? strip : kNormal;
        if (s.strips[use]) {
            RECT dest = r;
            if (down)
                OffsetRect(&dest, 1, 1);
            DrawCell(dc, source.dc(), s, use, i, dest, r);
        } else {
            RECT text = r;
            if (down)
                OffsetRect(&text, 1, 1);
            DrawCaption(dc, s, s.buttons[i], text, enabled);
        }
        RECT edge = r;
        if (down)
            DrawEdge(dc, &edge, BDR_SUNKENOUTER, BF_RECT);
        else if (hot)
            DrawEdge(dc, &edge, BDR_RAISEDINNER, BF_RECT);
    }
}

void PaintWindow(HWND bar, const BarState& s)
{
    win::PaintDC paint(bar);
    if (!paint.dc())
        return;
    RECT client;
    GetClientRect(bar, &client);
    // Drawn off screen first, so hovering never flickers.
    win::MemoryDC memory(paint.dc());
    win::Bitmap buffer(CreateCompatibleBitmap(paint.dc(), client.right, client.bottom));
    win::SelectGuard select(memory.dc(), buffer.get());
    if (!select.ok()) {
        Paint(bar, s, paint.dc());
        return;
    }
    Paint(bar, s, memory.dc());
    BitBlt(paint.dc(), 0, 0, client.right, client.bottom, memory.dc(), 0, 0, SRCCOPY);
}

void UpdateToolRects(HWND bar, const BarState& s)
{
    if (!s.tooltip)
        return;
    for (int i = 0; i < int(s.buttons.size()); ++i) {
        TTTOOLINFOA ti = {};
        ti.cbSize = TTTOOLINFOA_V2_SIZE;
        ti.hwnd = bar;
        ti.uId = UINT_PTR(i + 1);
        ti.rect = ButtonRect(bar, s, i);
        SendMessageA(s.tooltip, TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&ti));
    }
}

HWND MakeTooltip(HWND bar, const BarState& s)
{
    ctrlkit::InitCommonControlsOnce();
    HWND tip = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, TOOLTIPS_CLASSA, nullptr,
                               WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, bar, nullptr, ctrlkit::Module(), nullptr);
    if (!tip)
        return nullptr;
    for (int i = 0; i < int(s.buttons.size()); ++i) {
        if (!s.buttons[i].caption[0])
            continue;
        TTTOOLINFOA ti = {};
        ti.cbSize = TTTOOLINFOA_V2_SIZE;
        ti.uFlags = TTF_SUBCLASS;
        ti.hwnd = bar;
        ti.uId = UINT_PTR(i + 1);
        ti.rect = ButtonRect(bar, s, i);
        ti.lpszText = const_cast<char*>(s.buttons[i].caption);
        SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    }
    return tip;
}

void DropTooltip(BarState& s)
{
    if (s.tooltip)
        DestroyWindow(s.tooltip); // owned by the bar's top-level window, not by the bar
    s.tooltip = nullptr;
}

LRESULT CALLBACK BarProc(HWND bar, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NCCREATE) {
        auto* state = new (std::nothrow) BarState;
        if (!state)
            return FALSE;
        SetWindowLongPtrA(bar, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
        return DefWindowProcA(bar, msg, wParam, lParam);
    }
    auto* s = reinterpret_cast<BarState*>(GetWindowLongPtrA(bar, GWLP_USERDATA));
    if (!s)
        return DefWindowProcA(bar, msg, wParam, lParam);
    switch (msg) {
    case WM_PAINT:
        PaintWindow(bar, *s);
        return 0;
    case WM_PRINTCLIENT:
        Paint(bar, *s, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_SETFONT:
        s->font = reinterpret_cast<HFONT>(wParam);
        if (LOWORD(lParam))
            InvalidateRect(bar, nullptr, FALSE);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(s->font);
    case WM_SIZE:
        UpdateToolRects(bar, *s);
        InvalidateRect(bar, nullptr, FALSE);
        return 0;
    case WM_MOUSEMOVE: {
        if (!s->tracking) {
            TRACKMOUSEEVENT tme = {sizeof tme, TME_LEAVE, bar, 0};
            s->tracking = TrackMouseEvent(&tme) != FALSE;
        }
        const int at = ButtonAt(bar, *s, lParam);
        // While a button is held, it alone lights up, and only with the mouse over it.
        SetHot(bar, *s, s->pressed >= 0 ? (at == s->pressed ? at : -1) : (Enabled(bar, *s, at) ? at : -1));
        return 0;
    }
    case WM_MOUSELEAVE:
        s->tracking = false;
        if (s->pressed < 0)
            SetHot(bar, *s, -1);
        return 0;
    case WM_LBUTTONDOWN: {
        const int at = ButtonAt(bar, *s, lParam);
        if (!Enabled(bar, *s, at))
            return 0;
        s->pressed = at;
        SetHot(bar, *s, at);
        InvalidateButton(bar, *s, at);
        SetCapture(bar);
        return 0;
    }
    case WM_LBUTTONUP: {
        if (s->pressed < 0)
            return 0;
        const int was = s->pressed, at = ButtonAt(bar, *s, lParam);
        const bool click = at == was && Enabled(bar, *s, was);
        const UINT command = s->buttons[was].command;
        HWND owner = s->owner;
        s->pressed = -1;
        SetHot(bar, *s, Enabled(bar, *s, at) ? at : -1);
        InvalidateButton(bar, *s, was);
        if (GetCapture() == bar)
            ReleaseCapture(); // its WM_CAPTURECHANGED finds nothing pressed
        // Last: the command may close the window the bar is on.
        if (click && IsWindow(owner))
            SendMessageA(owner, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), reinterpret_cast<LPARAM>(bar));
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lParam) != bar && s->pressed >= 0) {
            const int was = s->pressed;
            s->pressed = -1;
            SetHot(bar, *s, -1);
            InvalidateButton(bar, *s, was);
        }
        return 0;
    case WM_CANCELMODE:
        CancelPress(bar, *s);
        break;
    case WM_ENABLE:
        if (!wParam) {
            CancelPress(bar, *s);
            SetHot(bar, *s, -1);
        }
        InvalidateRect(bar, nullptr, FALSE);
        return 0;
    case WM_DESTROY:
        DropTooltip(*s);
        break;
    case WM_NCDESTROY:
        SetWindowLongPtrA(bar, GWLP_USERDATA, 0);
        delete s;
        break;
    default:
        break;
    }
    return DefWindowProcA(bar, msg, wParam, lParam);
}

} // namespace

int CtrlKitRegisterBarClass(HINSTANCE instance)
{
    if (!instance)
        instance = ctrlkit::Module();
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExA(instance, CTRLKIT_TOOLBAR_CLASS, &wc))
        return wc.lpfnWndProc == BarProc ? 1 : 0;
    wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = BarProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = CTRLKIT_TOOLBAR_CLASS;
    ctrlkit::InitCommonControlsOnce();
    return RegisterClassExA(&wc) ? 1 : 0;
}

int CtrlKitInitToolbar(HWND bar, HWND owner, int count, const UINT* commandIds, HINSTANCE resources,
                       const UINT* bitmapIds, const UINT* captionStringIds)
{
    BarState* s = StateOf(bar);
    if (!s || !owner || !IsWindow(owner) || count < 1 || count > CTRLKIT_TOOLBAR_MAX_BUTTONS || !commandIds)
        return 0;
    std::vector<Button> buttons;
    try {
        buttons.resize(size_t(count));
    } catch (...) {
        return 0;
    }
    for (int i = 0; i < count; ++i) {
        buttons[i].command = commandIds[i];
        if (captionStringIds && captionStringIds[i])
            LoadStringA(resources, captionStringIds[i], buttons[i].caption, sizeof buttons[i].caption);
    }
    CancelPress(bar, *s);
    DropTooltip(*s);
    for (int k = 0; k < CTRLKIT_TOOLBAR_STRIPS; ++k) {
        s->strips[k].reset();
        s->stripSize[k] = SIZE{0, 0};
        if (!bitmapIds || !bitmapIds[k])
            continue;
        s->strips[k].reset(static_cast<HBITMAP>(
            LoadImageA(resources, MAKEINTRESOURCEA(bitmapIds[k]), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
        BITMAP info;
        if (s->strips[k] && GetObjectA(s->strips[k].get(), sizeof info, &info) == sizeof info)
            s->stripSize[k] = SIZE{info.bmWidth, info.bmHeight};
        else
            s->strips[k].reset();
    }
    s->owner = owner;
    s->buttons.swap(buttons);
    s->hot = -1;
    s->tooltip = MakeTooltip(bar, *s);
    InvalidateRect(bar, nullptr, FALSE);
    return count;
}

int CtrlKitEnableButton(HWND bar, UINT commandId, BOOL enable)
{
    BarState* s = StateOf(bar);
    if (!s)
        return 0;
    int found = 0;
    for (int i = 0; i < int(s->buttons.size()); ++i) {
        if (s->buttons[i].command != commandId)
            continue;
        found = 1;
        s->buttons[i].enabled = enable != FALSE;
        if (!enable && s->pressed == i)
            CancelPress(bar, *s);
        if (!enable && s->hot == i)
            SetHot(bar, *s, -1);
        InvalidateButton(bar, *s, i);
    }
    return found;
}
