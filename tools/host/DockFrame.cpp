// Dock frames: each album manager window gets one, a thin tool window standing along the main
// window's right edge with a button on top. "Dock" takes the manager window into the frame (a
// single column of thumbnails as tall as the main window); "Float" lets it go again. The frame
// talks to the manager window only through the dock messages:
//   0x1105  the manager's preferred size in its dock mode (the narrowest the frame may be)
//   0x1107  dock (1) or float (0) with a proposed size; the manager answers with its new size
//   0x110B  may the manager close? (-1 yes, 1 it must stay)
// and hears from it:
//   0x1106  the manager was resized
//   0x1109  the manager was shown (5) or hidden (0)
//   WM_CLOSE  the manager's close button while it has a frame
#include <algorithm>
#include "Host.h"

namespace {

enum : UINT { kPreferredSize = 0x1105, kResized = 0x1106, kMoveSize = 0x1107, kShow = 0x1109, kMayClose = 0x110B };
enum : UINT { kDockRequestFloat = 0, kDockRequestColumn = 1 };
constexpr UINT kDestroyFrame = WM_APP + 1;
constexpr int kStripWidth = 36; // client width of an empty frame
constexpr int kBarHeight = 26;  // the button row
constexpr int kButtonId = 1;
constexpr int kFloatWidth = 552, kFloatHeight = 298;

struct DockFrame {
    HWND frame = nullptr;
    HWND manager = nullptr;
    HWND button = nullptr;
    bool docked = false;
    bool shown = false;
    LONG_PTR floatingStyle = 0; // the manager's style while it floats
};
std::vector<DockFrame*> g_frames;
bool g_layingOut = false;

DockFrame* FrameObject(HWND frame)
{
    for (DockFrame* f : g_frames)
        if (f->frame == frame)
            return f;
    return nullptr;
}

DockFrame* ManagerFrame(HWND manager)
{
    for (DockFrame* f : g_frames)
        if (f->manager == manager)
            return f;
    return nullptr;
}

SIZE WindowSize(HWND w)
{
    RECT r;
    GetWindowRect(w, &r);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

// The frame's window size for a client of the given size.
SIZE FrameSizeFor(HWND frame, int clientWidth, int clientHeight)
{
    RECT r = {0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&r, DWORD(GetWindowLongPtrA(frame, GWL_STYLE)), FALSE,
                       DWORD(GetWindowLongPtrA(frame, GWL_EXSTYLE)));
    return SIZE{r.right - r.left, r.bottom - r.top};
}

int FrameWidth(const DockFrame& f)
{
    int client = kStripWidth;
    if (f.docked && IsWindow(f.manager)) {
        DWORD preferred = 0;
        SendMessageA(f.manager, kPreferredSize, 0, reinterpret_cast<LPARAM>(&preferred));
        client = std::max<int>({client, LOWORD(preferred), int(WindowSize(f.manager).cx)});
    }
    return FrameSizeFor(f.frame, client, 0).cx;
}

// Asks the manager to take the form of a dock request within the proposed size.
SIZE Request(HWND manager, UINT request, int width, int height)
{
    DWORD size = MAKELONG(std::clamp(width, 0, 0xFFFF), std::clamp(height, 0, 0xFFFF));
    SendMessageA(manager, kMoveSize, request, reinterpret_cast<LPARAM>(&size));
    return SIZE{LOWORD(size), HIWORD(size)};
}

// Fits a docked manager to the frame's height.
void FitDocked(DockFrame& f)
{
    RECT client;
    GetClientRect(f.frame, &client);
    Request(f.manager, kDockRequestColumn, client.right, client.bottom - kBarHeight);
    SetWindowPos(f.manager, nullptr, 0, kBarHeight, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool Dock(DockFrame& f)
{
    if (f.docked)
        return true;
    // Docked, the window is a plain child of the frame: the frame gives it its caption and
    // border (with its own, the system would not let it be as narrow as a docked column).
    f.floatingStyle = GetWindowLongPtrA(f.manager, GWL_STYLE);
    const LONG_PTR frameBits = WS_POPUP | WS_CAPTION | WS_THICKFRAME | WS_SYSMENU;
    SetWindowLongPtrA(f.manager, GWL_STYLE, (f.floatingStyle & ~frameBits) | WS_CHILD);
    SetParent(f.manager, f.frame);
    SetWindowPos(f.manager, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    f.docked = true;
    SetWindowTextA(f.button, "Float");
    FitDocked(f);
    LayOutDockFrames();
    SetStatus("Album window docked.");
    return true;
}

bool Float(DockFrame& f)
{
    if (!f.docked)
        return true;
    f.docked = false; // before the manager resizes: its resize notice must not dock it again
    RECT frame;
    GetWindowRect(f.frame, &frame);
    SetParent(f.manager, nullptr);
    SetWindowLongPtrA(f.manager, GWL_STYLE, f.floatingStyle | (GetWindowLongPtrA(f.manager, GWL_STYLE) & WS_VISIBLE));
    SetWindowLongPtrA(f.manager, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(g_host.main));
    SetWindowTextA(f.button, "Dock");
    Request(f.manager, kDockRequestFloat, kFloatWidth, kFloatHeight);
    const SIZE size = WindowSize(f.manager);
    const int x = std::max(0, int(frame.left) - int(size.cx) - 8);
    SetWindowPos(f.manager, HWND_TOP, x, frame.top + 40, 0, 0, SWP_NOSIZE | SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    LayOutDockFrames();
    SetStatus("Album window floating.");
    return true;
}

// The frame's close button, or the manager's while it has a frame: the manager decides.
void CloseFrame(DockFrame& f)
{
    if (!IsWindow(f.manager))
        return;
    int answer = 1;
    SendMessageA(f.manager, kMayClose, 0, reinterpret_cast<LPARAM>(&answer));
    if (answer == -1)
        DestroyWindow(f.manager); // its destruction releases this frame through DockDestroy
}

LRESULT CALLBACK FrameProc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam)
{
    DockFrame* f = FrameObject(w);
    switch (msg) {
    case WM_CREATE:
        CreateWindowExA(0, "BUTTON", "Dock", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 2, 2, kStripWidth - 4,
                        kBarHeight - 4, w, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonId)), g_host.instance,
                        nullptr);
        return 0;
    case WM_COMMAND:
        if (f && LOWORD(wParam) == kButtonId)
            f->docked ? Float(*f) : Dock(*f);
        return 0;
    case WM_SIZE:
        if (f && f->docked && !g_layingOut)
            FitDocked(*f);
        return 0;
    case kResized:
        if (f && f->docked && !g_layingOut)
            LayOutDockFrames();
        return 0;
    case kShow:
        if (f) {
            f->shown = wParam != 0;
            ShowWindow(w, f->shown ? SW_SHOWNOACTIVATE : SW_HIDE);
            LayOutDockFrames();
        }
        return 0;
    case WM_CLOSE:
        if (f)
            CloseFrame(*f);
        return 0;
    case kDestroyFrame:
        if (!f)
            DestroyWindow(w);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(w, msg, wParam, lParam);
}

// The host's dock callbacks.

HWND DockCreate(HWND manager, int, int, bool)
{
    auto* f = new DockFrame;
    f->manager = manager;
    g_frames.push_back(f);
    f->frame = CreateWindowExA(WS_EX_TOOLWINDOW, HOST_DOCK_CLASS, "Album", WS_POPUP | WS_CAPTION | WS_SYSMENU |
                               WS_CLIPCHILDREN, 0, 0, 60, 200, g_host.main, nullptr, g_host.instance, nullptr);
    if (!f->frame) {
        g_frames.pop_back();
        delete f;
        return nullptr;
    }
    f->button = GetDlgItem(f->frame, kButtonId);
    return f->frame;
}

int DockQuery(HWND frame)
{
    // Placed along the main window before the manager window shows it.
    LayOutDockFrames();
    return FrameObject(frame) != nullptr;
}

int DockDestroy(HWND manager, HWND frame)
{
    DockFrame* f = FrameObject(frame);
    if (!f || f->manager != manager)
        return 0;
    g_frames.erase(std::find(g_frames.begin(), g_frames.end(), f));
    delete f;
    // A docked manager is the frame's child and is being destroyed right now: the frame goes
    // once that has finished.
    ShowWindow(frame, SW_HIDE);
    PostMessageA(frame, kDestroyFrame, 0, 0);
    LayOutDockFrames();
    return 1;
}

} // namespace

bool RegisterDockClass(HINSTANCE instance)
{
    return RegisterHostClass(instance, HOST_DOCK_CLASS, FrameProc, reinterpret_cast<HBRUSH>(COLOR_BTNSHADOW + 1));
}

void InstallDockCallbacks() { g_host.album.SetDockFunction(DockCreate, DockQuery, DockDestroy); }

void LayOutDockFrames()
{
    if (g_layingOut || !g_host.main || IsIconic(g_host.main))
        return;
    g_layingOut = true;
    RECT main;
    GetWindowRect(g_host.main, &main);
    std::vector<std::pair<DockFrame*, int>> shown;
    int total = 0;
    for (DockFrame* f : g_frames)
        if (f->shown && IsWindow(f->frame)) {
            const int width = FrameWidth(*f);
            shown.emplace_back(f, width);
            total += width;
        }
    // Outside the main window's right edge when the screen has room, else just inside it.
    int x = main.right;
    if (x + total > GetSystemMetrics(SM_CXSCREEN))
        x = std::max(0, int(main.right) - total);
    const int height = main.bottom - main.top;
    for (auto& [f, width] : shown) {
        SetWindowPos(f->frame, nullptr, x, main.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        x += width;
    }
    g_layingOut = false;
    for (auto& [f, width] : shown)
        if (f->docked)
            FitDocked(*f);
}

HWND DockFrameOf(HWND manager)
{
    DockFrame* f = ManagerFrame(manager);
    return f ? f->frame : nullptr;
}

bool DockManager(HWND manager, bool dock)
{
    DockFrame* f = ManagerFrame(manager);
    if (!f)
        return false;
    return dock ? Dock(*f) : Float(*f);
}

bool IsManagerDocked(HWND manager)
{
    DockFrame* f = ManagerFrame(manager);
    return f && f->docked;
}

bool CloseAllManagers()
{
    for (HWND manager : ManagerWindows()) {
        if (DockFrame* f = ManagerFrame(manager))
            CloseFrame(*f);
        else
            SendMessageA(manager, WM_CLOSE, 0, 0);
        if (IsWindow(manager))
            return false;
    }
    return true;
}
