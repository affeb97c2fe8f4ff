#include "Driver.h"

#include <algorithm>
#include <stdlib.h>
#include <string.h>
#include "Raii.h"

namespace drive {

namespace {

// The system takes an input at once; these are only time-outs for what the driver waits for.
constexpr DWORD kTaken = 10000;  // the system shows the input taken (cursor, button or key state)
constexpr DWORD kHandled = 30000; // the program has handled it (a menu opened, the mouse let go)

bool KeyIsDown(int vk) { return (GetAsyncKeyState(vk) & 0x8000) != 0; }

// A mouse input at screen point p, in the absolute units SendInput takes.
INPUT Mouse(POINT p, DWORD flags)
{
    const int sx = GetSystemMetrics(SM_CXSCREEN), sy = GetSystemMetrics(SM_CYSCREEN);
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dx = LONG((p.x * 65535LL + sx / 2) / (sx > 1 ? sx - 1 : 1));
    in.mi.dy = LONG((p.y * 65535LL + sy / 2) / (sy > 1 ? sy - 1 : 1));
    in.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return in;
}

// The cursor stands at p (within a pixel: the absolute units round), or as near to it as the
// system lets it while the cursor is confined (a window being sized keeps it within its limits).
bool CursorNear(POINT p)
{
    POINT c;
    RECT clip;
    if (GetClipCursor(&clip)) {
        p.x = std::max(clip.left, std::min(p.x, clip.right - 1));
        p.y = std::max(clip.top, std::min(p.y, clip.bottom - 1));
    }
    return GetCursorPos(&c) && abs(c.x - p.x) <= 1 && abs(c.y - p.y) <= 1;
}

// Whether the system shows an input taken: the cursor where a mouse input put it, a button or a
// key in the state the input left it in.
bool Taken(const INPUT& in, POINT at)
{
    if (in.type == INPUT_MOUSE) {
        if ((in.mi.dwFlags & MOUSEEVENTF_LEFTDOWN) && !KeyIsDown(VK_LBUTTON))
            return false;
        if ((in.mi.dwFlags & MOUSEEVENTF_LEFTUP) && KeyIsDown(VK_LBUTTON))
            return false;
        return CursorNear(at);
    }
    if (in.type == INPUT_KEYBOARD && !(in.ki.dwFlags & KEYEVENTF_UNICODE))
        return KeyIsDown(in.ki.wVk) == !(in.ki.dwFlags & KEYEVENTF_KEYUP);
    return true;
}

// Sends inputs (mouse inputs all at one point) and waits until the system has taken the last.
void Send(INPUT* inputs, UINT count, POINT at = POINT{})
{
    SendInput(count, inputs, sizeof(INPUT));
    WaitUntil([&] { return Taken(inputs[count - 1], at); }, kTaken);
}

INPUT KeyInput(WORD vk, bool up)
{
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = WORD(MapVirtualKeyA(vk, 0 /* MAPVK_VK_TO_VSC */));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return in;
}

void Key(WORD vk, bool up)
{
    INPUT in = KeyInput(vk, up);
    Send(&in, 1);
}

DWORD ThreadOf(HWND w) { return w ? GetWindowThreadProcessId(w, nullptr) : 0; }

// A window of the thread holds the mouse: it has the capture, or moves or sizes a window, or
// tracks a menu.
bool HoldsMouse(DWORD thread)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    return thread && GetGUIThreadInfo(thread, &info) &&
           (info.hwndCapture || (info.flags & (GUI_INMOVESIZE | GUI_INMENUMODE)));
}

// A round trip through the window's thread: it answers once it has finished the message it was
// handling and has read the window system's news (pointer crossings, key states) that came
// before.
void RoundTrip(HWND w)
{
    DWORD_PTR answer = 0;
    if (w && IsWindow(w))
        SendMessageTimeoutA(w, WM_NULL, 0, 0, SMTO_NORMAL, kHandled, &answer);
}

// The window system's news reaches the program. Wine hears of focus changes and pointer
// crossings from the X server some time after they were asked for, and acts on them then: it may
// move the focus again, cancel a menu or a press, or set a held modifier back to up. So: the
// receiver hands the X server what it asked for (it does so when it waits: two round trips), the
// X server carries that out and the moves made here (it answers a read of one screen pixel only
// after them), and the receiver reads the news that came of it (two round trips again).
void LetNewsThrough(HWND receiver)
{
    RoundTrip(receiver);
    RoundTrip(receiver);
    WindowDc screen(nullptr);
    MemoryDc memory(CreateCompatibleDC(screen.get()));
    GdiObject pixel(CreateCompatibleBitmap(screen.get(), 1, 1));
    if (memory && pixel) {
        Selected into(memory.get(), pixel.get());
        BitBlt(memory.get(), 0, 0, 1, 1, screen.get(), 0, 0, SRCCOPY);
    }
    RoundTrip(receiver);
    RoundTrip(receiver);
}

// The news of what came before has settled: a window just opened or activated may move the focus
// again a few exchanges with the X server later, and a move or press made meanwhile is cancelled.
void Settle(HWND receiver)
{
    for (int exchange = 0; exchange < 3; ++exchange)
        LetNewsThrough(receiver);
}

HWND RootAt(POINT screen)
{
    HWND under = WindowFromPoint(screen);
    return under ? GetAncestor(under, GA_ROOT) : nullptr;
}

// Presses a modifier and holds it for the receiver. Wine takes the modifiers' state from the X
// server, which never saw this key, each time the pointer crosses into another window and each
// time a window takes the focus: the key goes down once that news is through, and again should
// some still reset it.
void HoldModifier(WORD vk, HWND receiver)
{
    for (int tries = 0; tries < 10; ++tries) {
        LetNewsThrough(receiver);
        if (KeyIsDown(vk))
            return;
        Key(vk, false);
    }
}

struct Found {
    DWORD pid;
    const char* cls;
    const char* text;
    std::vector<HWND> windows;
};

bool Matches(HWND w, const char* cls, const char* text)
{
    if (!IsWindowVisible(w))
        return false;
    char name[256] = "";
    if (cls && (!GetClassNameA(w, name, sizeof name) || lstrcmpiA(name, cls) != 0))
        return false;
    return !text || Text(w) == text;
}

BOOL CALLBACK CountPopupMenus(HWND w, LPARAM l)
{
    auto* f = reinterpret_cast<Found*>(l);
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner == f->pid && Matches(w, "#32768", nullptr))
        f->windows.push_back(w);
    return TRUE;
}

// The popup menus open in process pid.
size_t PopupMenus(DWORD pid)
{
    Found f = {pid, nullptr, nullptr, {}};
    EnumWindows(CountPopupMenus, reinterpret_cast<LPARAM>(&f));
    return f.windows.size();
}

} // namespace

void MoveTo(POINT screen)
{
    INPUT in = Mouse(screen, 0);
    Send(&in, 1, screen);
}

void Click(POINT screen, WORD modifier)
{
    Settle(RootAt(screen));
    // In one go, the modifier around the click: Wine may set a modifier the X server never saw
    // back to up when it next hears from the X server, which would leave one held here released.
    std::vector<INPUT> in;
    if (modifier)
        in.push_back(KeyInput(modifier, false));
    for (DWORD flags : {DWORD(0), DWORD(MOUSEEVENTF_LEFTDOWN), DWORD(MOUSEEVENTF_LEFTUP)})
        in.push_back(Mouse(screen, flags));
    if (modifier)
        in.push_back(KeyInput(modifier, true));
    Send(in.data(), UINT(in.size()), screen);
}

void DoubleClick(POINT screen)
{
    Settle(RootAt(screen));
    INPUT in[5] = {Mouse(screen, 0), Mouse(screen, MOUSEEVENTF_LEFTDOWN), Mouse(screen, MOUSEEVENTF_LEFTUP),
                   Mouse(screen, MOUSEEVENTF_LEFTDOWN), Mouse(screen, MOUSEEVENTF_LEFTUP)};
    Send(in, 5, screen);
}

void Drag(POINT from, POINT to, WORD modifier, int steps)
{
    HWND pressed = WindowFromPoint(from);
    const DWORD thread = ThreadOf(pressed);
    HWND receiver = pressed ? GetAncestor(pressed, GA_ROOT) : nullptr;
    Settle(receiver);
    MoveTo(from);
    INPUT down = Mouse(from, MOUSEEVENTF_LEFTDOWN);
    Send(&down, 1, from);
    // A hand first moves a few pixels, within the window it pressed on, then goes the way.
    const int dx = to.x > from.x ? 1 : to.x < from.x ? -1 : 0, dy = to.y > from.y ? 1 : to.y < from.y ? -1 : 0;
    for (int i = 2; i <= 8 && steps > 1; i += 2)
        MoveTo(POINT{from.x + dx * i, from.y + dy * i});
    // Only once the program has the mouse (a drag, a move or a sizing has begun) does the hand
    // leave the window: moves made sooner would go to the windows under them.
    WaitUntil([thread] { return HoldsMouse(thread); }, kHandled);
    steps = steps < 1 ? 1 : steps;
    for (int i = 1; i <= steps; ++i)
        MoveTo(POINT{from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
    // The program has taken in the pointer's arrival over the target; the modifier goes down there.
    if (modifier)
        HoldModifier(modifier, receiver);
    else
        RoundTrip(receiver);
    INPUT up = Mouse(to, MOUSEEVENTF_LEFTUP);
    Send(&up, 1, to);
    // The program reads the modifier when it handles the release: the key stays down until the
    // drop, move or sizing is over and the program has finished with the release.
    WaitUntil([thread] { return !HoldsMouse(thread); }, kHandled);
    RoundTrip(receiver);
    if (modifier)
        Key(modifier, true);
}

void Press(WORD vk, WORD modifier)
{
    // In one go, for the same reason as a click with a modifier.
    std::vector<INPUT> in;
    if (modifier)
        in.push_back(KeyInput(modifier, false));
    in.push_back(KeyInput(vk, false));
    in.push_back(KeyInput(vk, true));
    if (modifier)
        in.push_back(KeyInput(modifier, true));
    Send(in.data(), UINT(in.size()));
}

void Type(const std::string& text)
{
    std::wstring wide;
    for (unsigned char c : text)
        wide += wchar_t(c);
    Type(wide);
}

void Type(const std::wstring& text)
{
    std::vector<INPUT> in;
    for (wchar_t c : text)
        for (int i = 0; i < 2; ++i) {
            INPUT key = {};
            key.type = INPUT_KEYBOARD;
            key.ki.wScan = c;
            key.ki.dwFlags = KEYEVENTF_UNICODE | (i ? KEYEVENTF_KEYUP : 0);
            in.push_back(key);
        }
    if (!in.empty())
        Send(in.data(), UINT(in.size()));
}

bool HasFocus(HWND w)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    return w && GetGUIThreadInfo(ThreadOf(w), &info) && info.hwndFocus &&
           (info.hwndFocus == w || IsChild(w, info.hwndFocus));
}

bool Focus(HWND w)
{
    Click(Center(w));
    return WaitUntil([w] { return HasFocus(w); }, kHandled);
}

bool Menu(HWND window, const std::string& keys)
{
    if (keys.empty())
        return false;
    DWORD pid = 0;
    const DWORD thread = GetWindowThreadProcessId(window, &pid);
    // Activated by a click on its status line (one on the caption would start moving the window,
    // and a move takes the keys typed meanwhile), or on the caption when it has none.
    HWND status = Descendant(window, "msctls_statusbar32", nullptr);
    RECT r = {};
    GetWindowRect(window, &r);
    const POINT activate = status ? Center(status)
                                  : POINT{r.left + 60, r.top + GetSystemMetrics(SM_CYFRAME) +
                                                           GetSystemMetrics(SM_CYCAPTION) / 2};
    // The keys go where the keyboard focus is when they are typed: in the window, once it is active
    // and stays so while the news of earlier focus changes comes through (a window just opened may
    // take the focus back a few exchanges with the X server later: then it is clicked again).
    auto active = [&] { return GetForegroundWindow() == window && HasFocus(window) && !HoldsMouse(thread); };
    for (int clicks = 1;; ++clicks) {
        Click(activate);
        if (WaitUntil(active, kHandled) && (Settle(window), active()))
            break;
        if (clicks == 3)
            return false;
    }
    // Alt with the first access key opens its menu, each further key one more; the last one
    // chooses the command and closes them all.
    Press(WORD(toupper(static_cast<unsigned char>(keys[0]))), VK_MENU);
    for (size_t i = 1; i <= keys.size(); ++i) {
        if (!WaitUntil([&] { return PopupMenus(pid) == i; }, kHandled))
            return false;
        if (i == keys.size())
            return true;
        Press(WORD(toupper(static_cast<unsigned char>(keys[i]))));
        if (i + 1 == keys.size())
            return WaitUntil([&] { return PopupMenus(pid) == 0 && !HoldsMouse(thread); }, kHandled);
    }
    return true;
}

POINT Center(HWND w)
{
    RECT r = {};
    GetWindowRect(w, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

POINT ClientPoint(HWND w, int x, int y)
{
    POINT p = {x, y};
    ClientToScreen(w, &p);
    return p;
}

bool WaitUntil(const std::function<bool()>& done, DWORD ms)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (done())
            return true;
        if (GetTickCount() - start > ms)
            return false;
        Sleep(50);
    }
}

HWND WaitFor(const std::function<HWND()>& find, DWORD ms)
{
    HWND found = nullptr;
    WaitUntil([&] { return (found = find()) != nullptr; }, ms);
    return found;
}

namespace {

// Enumeration callbacks have the platform's calling convention (not a lambda's on i686).
BOOL CALLBACK FirstTopLevel(HWND w, LPARAM l)
{
    auto* f = reinterpret_cast<Found*>(l);
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if ((!f->pid || owner == f->pid) && Matches(w, f->cls, f->text)) {
        f->windows.push_back(w);
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK EveryChild(HWND w, LPARAM l)
{
    auto* f = reinterpret_cast<Found*>(l);
    if (Matches(w, f->cls, nullptr))
        f->windows.push_back(w);
    return TRUE;
}

} // namespace

HWND TopLevel(DWORD pid, const char* cls, const char* title)
{
    Found f = {pid, cls, title, {}};
    EnumWindows(FirstTopLevel, reinterpret_cast<LPARAM>(&f));
    return f.windows.empty() ? nullptr : f.windows.front();
}

std::vector<HWND> Descendants(HWND parent, const char* cls)
{
    Found f = {0, cls, nullptr, {}};
    EnumChildWindows(parent, EveryChild, reinterpret_cast<LPARAM>(&f));
    std::stable_sort(f.windows.begin(), f.windows.end(), [](HWND a, HWND b) {
        RECT ra, rb;
        GetWindowRect(a, &ra);
        GetWindowRect(b, &rb);
        return ra.top != rb.top ? ra.top < rb.top : ra.left < rb.left;
    });
    return f.windows;
}

HWND Descendant(HWND parent, const char* cls, const char* text)
{
    for (HWND w : Descendants(parent, cls))
        if (!text || Text(w) == text)
            return w;
    return nullptr;
}

std::string Text(HWND w)
{
    char text[1024] = "";
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(w, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 3000,
                             &copied))
        return std::string();
    text[sizeof text - 1] = '\0';
    return text;
}

std::vector<std::string> ComboItems(HWND combo)
{
    std::vector<std::string> items;
    DWORD_PTR count = 0;
    if (!SendMessageTimeoutA(combo, CB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 3000, &count))
        return items;
    for (int i = 0; i < int(count) && i < 1000; ++i) {
        // The wide form: Wine hands the ANSI form's text across processes unconverted.
        WCHAR wide[512] = L"";
        char text[1024] = "";
        DWORD_PTR length = 0;
        if (SendMessageTimeoutW(combo, CB_GETLBTEXTLEN, i, 0, SMTO_ABORTIFHUNG, 3000, &length) &&
            length < sizeof wide / sizeof wide[0] &&
            SendMessageTimeoutW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(wide), SMTO_ABORTIFHUNG, 3000, &length))
            WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
        items.push_back(text);
    }
    return items;
}

bool ChooseInCombo(HWND combo, const std::string& item)
{
    const std::vector<std::string> items = ComboItems(combo);
    const auto at = std::find(items.begin(), items.end(), item);
    if (at == items.end())
        return false;
    RECT r = {};
    GetWindowRect(combo, &r);
    Click(POINT{r.right - 8, (r.top + r.bottom) / 2}); // the arrow
    DWORD pid = 0;
    GetWindowThreadProcessId(combo, &pid);
    HWND list = WaitFor([pid] { return TopLevel(pid, "ComboLBox", nullptr); }, kHandled);
    if (!list)
        return false;
    DWORD_PTR itemHeight = 0;
    SendMessageTimeoutA(combo, CB_GETITEMHEIGHT, 0, 0, SMTO_ABORTIFHUNG, 3000, &itemHeight);
    RECT inside = {};
    GetClientRect(list, &inside);
    const int y = int(at - items.begin()) * int(itemHeight) + int(itemHeight) / 2;
    if (itemHeight == 0 || y >= inside.bottom)
        return false;
    Click(ClientPoint(list, inside.right / 2, y));
    return WaitUntil([pid] { return TopLevel(pid, "ComboLBox", nullptr) == nullptr; }, kHandled);
}

} // namespace drive
