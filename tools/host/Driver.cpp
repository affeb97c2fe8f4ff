#include "Driver.h"

#include <algorithm>
#include <string.h>

namespace drive {

namespace {

constexpr DWORD kStep = 40; // pause after an input, for the receiver to take it

void Send(INPUT* inputs, UINT count)
{
    SendInput(count, inputs, sizeof(INPUT));
    Sleep(kStep);
}

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

} // namespace

void MoveTo(POINT screen)
{
    INPUT in = Mouse(screen, 0);
    Send(&in, 1);
}

void Click(POINT screen, WORD modifier)
{
    if (modifier)
        Key(modifier, false);
    INPUT in[3] = {Mouse(screen, 0), Mouse(screen, MOUSEEVENTF_LEFTDOWN), Mouse(screen, MOUSEEVENTF_LEFTUP)};
    Send(in, 3);
    if (modifier)
        Key(modifier, true);
    Sleep(kStep);
}

void DoubleClick(POINT screen)
{
    INPUT in[5] = {Mouse(screen, 0), Mouse(screen, MOUSEEVENTF_LEFTDOWN), Mouse(screen, MOUSEEVENTF_LEFTUP),
                   Mouse(screen, MOUSEEVENTF_LEFTDOWN), Mouse(screen, MOUSEEVENTF_LEFTUP)};
    Send(in, 5);
    Sleep(kStep);
}

void Drag(POINT from, POINT to, WORD modifier, int steps)
{
    MoveTo(from);
    INPUT down = Mouse(from, MOUSEEVENTF_LEFTDOWN);
    Send(&down, 1);
    // A hand first moves a few pixels, within the window it pressed on, then goes the way.
    const int dx = to.x > from.x ? 1 : to.x < from.x ? -1 : 0, dy = to.y > from.y ? 1 : to.y < from.y ? -1 : 0;
    for (int i = 2; i <= 8 && steps > 1; i += 2)
        MoveTo(POINT{from.x + dx * i, from.y + dy * i});
    steps = steps < 1 ? 1 : steps;
    for (int i = 1; i <= steps; ++i)
        MoveTo(POINT{from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
    Sleep(200);
    // The modifier goes down over the target: Wine takes the modifiers' state from the X server
    // each time the pointer enters another window, and the X server never saw this key.
    if (modifier)
        Key(modifier, false);
    MoveTo(to);
    INPUT up = Mouse(to, MOUSEEVENTF_LEFTUP);
    Send(&up, 1);
    // The receiver may read the key's state only when it handles the release, which can come a
    // while after the input: the key stays down a good while, as a hand keeps it.
    Sleep(modifier ? 1500 : 200);
    if (modifier)
        Key(modifier, true);
}

void Press(WORD vk, WORD modifier)
{
    if (modifier)
        Key(modifier, false);
    Key(vk, false);
    Key(vk, true);
    if (modifier)
        Key(modifier, true);
}

void Type(const std::string& text)
{
    for (unsigned char c : text) {
        INPUT in[2] = {};
        for (int i = 0; i < 2; ++i) {
            in[i].type = INPUT_KEYBOARD;
            in[i].ki.wScan = c;
            in[i].ki.dwFlags = KEYEVENTF_UNICODE | (i ? KEYEVENTF_KEYUP : 0);
        }
        SendInput(2, in, sizeof(INPUT));
        Sleep(5);
    }
    Sleep(kStep);
}

void Menu(HWND window, const std::string& keys)
{
    if (keys.empty())
        return;
    RECT r = {};
    GetWindowRect(window, &r);
    Click(POINT{r.left + 60, r.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2});
    Sleep(100);
    Press(WORD(toupper(static_cast<unsigned char>(keys[0]))), VK_MENU);
    Sleep(150);
    for (size_t i = 1; i < keys.size(); ++i) {
        Press(WORD(toupper(static_cast<unsigned char>(keys[i]))));
        Sleep(100);
    }
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
    HWND list = WaitFor([pid] { return TopLevel(pid, "ComboLBox", nullptr); }, 3000);
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
    return WaitUntil([pid] { return TopLevel(pid, "ComboLBox", nullptr) == nullptr; }, 3000);
}

} // namespace drive
