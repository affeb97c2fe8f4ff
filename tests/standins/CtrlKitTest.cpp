// The control kit's mini tool bar and dock trigger, driven with real mouse and key messages in real
// windows: commands reaching the owner, cancelled clicks, the pictures painted for each state, and
// the windows a docked dialog lends to the trigger's panel coming back.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <string>
#include <vector>
#include "ctrlkit.h"
#include "support/MessageLog.h"

namespace {

const UINT kCommands[9] = {1003, 1008, 1005, 1002, 1004, 1001, 1007, 1011, 1012};
const UINT kStrips[4] = {104, 106, 105, 106};
const UINT kCaptions[9] = {31, 37, 32, 33, 34, 35, 36, 38, 39};
const int kWidth = 298, kHeight = 20;

int Left(int i) { return i * kWidth / 9; }
int Right(int i) { return (i + 1) * kWidth / 9; }
LPARAM At(int x, int y) { return MAKELPARAM(x, y); }
LPARAM Centre(int i) { return At((Left(i) + Right(i)) / 2, kHeight / 2); }

void Pump()
{
    MSG m;
    for (int round = 0; round < 3; ++round) {
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
        Sleep(20);
    }
}

HWND MakeBar(HWND parent, int x, int y)
{
    EXPECT_EQ(CtrlKitRegisterBarClass(GetModuleHandleA(nullptr)), 1);
    HWND bar = CreateWindowExA(0, CTRLKIT_TOOLBAR_CLASS, "", WS_CHILD | WS_VISIBLE, x, y, kWidth, kHeight, parent,
                               reinterpret_cast<HMENU>(206), GetModuleHandleA(nullptr), nullptr);
    EXPECT_EQ(CtrlKitInitToolbar(bar, parent, 9, kCommands, GetModuleHandleA(nullptr), kStrips, kCaptions), 9);
    return bar;
}

testsupport::LoggedMessage Command(UINT id, HWND from) { return {WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(from)}; }

// Pixels (0x00RRGGBB) of a bitmap, top row first.
struct Pixels {
    int width = 0, height = 0;
    std::vector<DWORD> px;
    DWORD at(int x, int y) const { return px[size_t(y) * width + x] & 0xFFFFFF; }
};

Pixels Read(HBITMAP bitmap, int width, int height)
{
    Pixels p;
    p.width = width;
    p.height = height;
    p.px.resize(size_t(width) * height);
    BITMAPINFO bi = {};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, UINT(height), p.px.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return p;
}

Pixels Strip(UINT id)
{
    HBITMAP b = static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0,
                                                LR_CREATEDIBSECTION));
    EXPECT_TRUE(b) << id;
    Pixels p = Read(b, kWidth, kHeight);
    DeleteObject(b);
    return p;
}

// What the bar paints, through its WM_PRINTCLIENT path.
Pixels Painted(HWND bar)
{
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP b = CreateCompatibleBitmap(screen, kWidth, kHeight);
    HGDIOBJ old = SelectObject(dc, b);
    SendMessageA(bar, WM_PRINTCLIENT, WPARAM(dc), PRF_CLIENT);
    SelectObject(dc, old);
    Pixels p = Read(b, kWidth, kHeight);
    DeleteObject(b);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return p;
}

// Pixels of button i (without its one-pixel edge) that differ from the strip shifted by shift.
int Mismatches(const Pixels& bar, const Pixels& strip, int i, int shift)
{
    int bad = 0;
    for (int y = 1; y < kHeight - 1; ++y)
        for (int x = Left(i) + 1; x < Right(i) - 1; ++x)
            bad += bar.at(x, y) != strip.at(x - shift, y - shift);
    return bad;
}

// Pixels outside button i that differ from the normal strip.
int OthersChanged(const Pixels& bar, const Pixels& normal, int i)
{
    int bad = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            bad += (x < Left(i) || x >= Right(i)) && bar.at(x, y) != normal.at(x, y);
    return bad;
}

struct FindTip {
    HWND bar, found;
};

// (A named function: a lambda would lack the platform's calling convention on 32-bit builds.)
BOOL CALLBACK MatchTip(HWND w, LPARAM p)
{
    auto* f = reinterpret_cast<FindTip*>(p);
    char name[64] = {};
    GetClassNameA(w, name, sizeof name);
    TTTOOLINFOA ti = {};
    ti.cbSize = TTTOOLINFOA_V2_SIZE;
    if (lstrcmpiA(name, TOOLTIPS_CLASSA) == 0 && SendMessageA(w, TTM_ENUMTOOLSA, 0, LPARAM(&ti)) && ti.hwnd == f->bar)
        f->found = w;
    return !f->found;
}

HWND TooltipOf(HWND bar)
{
    FindTip f = {bar, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), MatchTip, LPARAM(&f));
    return f.found;
}

} // namespace

TEST(MiniToolbar, ClicksReachTheOwnerAndAReleaseElsewhereCancels)
{
    testsupport::MessageLog owner(520, 100, WM_COMMAND, WM_COMMAND);
    HWND bar = MakeBar(owner.hwnd(), 10, 10);
    auto click = [&](LPARAM down, std::vector<LPARAM> moves, LPARAM up) {
        SendMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, down);
        for (LPARAM m : moves)
            SendMessageA(bar, WM_MOUSEMOVE, MK_LBUTTON, m);
        SendMessageA(bar, WM_LBUTTONUP, 0, up);
    };
    // Every button, at its middle and at its first and last columns.
    std::vector<testsupport::LoggedMessage> expected;
    for (int i = 0; i < 9; ++i) {
        for (LPARAM p : {Centre(i), At(Left(i), 0), At(Right(i) - 1, kHeight - 1)}) {
            click(p, {}, p);
            expected.push_back(Command(kCommands[i], bar));
        }
    }
    EXPECT_EQ(owner.messages, expected);
    owner.Clear();

    // Released on another button, outside the bar, or after the capture was lost: no command.
    click(Centre(2), {Centre(3)}, Centre(3));
    SendMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, Centre(2));
    EXPECT_EQ(GetCapture(), bar) << "the bar follows the mouse outside itself while a button is held";
    SendMessageA(bar, WM_MOUSEMOVE, MK_LBUTTON, At(100, 60));
    SendMessageA(bar, WM_LBUTTONUP, 0, At(100, 60));
    SendMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, Centre(2));
    ReleaseCapture();
    SendMessageA(bar, WM_LBUTTONUP, 0, Centre(2));
    EXPECT_TRUE(owner.messages.empty()) << owner.messages.size() << " commands from cancelled clicks";
    // Leaving and coming back before the release still clicks.
    click(Centre(2), {At(100, 60), Centre(2)}, Centre(2));
    EXPECT_EQ(owner.messages, std::vector<testsupport::LoggedMessage>{Command(kCommands[2], bar)});
    owner.Clear();

    // A disabled button, or a disabled bar, sends nothing; enabled again it does.
    EXPECT_EQ(CtrlKitEnableButton(bar, 1004, FALSE), 1);
    click(Centre(4), {}, Centre(4));
    EnableWindow(bar, FALSE);
    click(Centre(0), {}, Centre(0));
    EnableWindow(bar, TRUE);
    EXPECT_TRUE(owner.messages.empty());
    CtrlKitEnableButton(bar, 1004, TRUE);
    click(Centre(4), {}, Centre(4));
    EXPECT_EQ(owner.messages, std::vector<testsupport::LoggedMessage>{Command(1004, bar)});

    // Only bars are filled, with a real owner and a sane count.
    EXPECT_EQ(CtrlKitInitToolbar(owner.hwnd(), owner.hwnd(), 9, kCommands, nullptr, kStrips, kCaptions), 0);
    EXPECT_EQ(CtrlKitInitToolbar(bar, nullptr, 9, kCommands, nullptr, kStrips, kCaptions), 0);
    EXPECT_EQ(CtrlKitInitToolbar(bar, owner.hwnd(), 0, kCommands, nullptr, kStrips, kCaptions), 0);
    EXPECT_EQ(CtrlKitInitToolbar(bar, owner.hwnd(), CTRLKIT_TOOLBAR_MAX_BUTTONS + 1, kCommands, nullptr, kStrips, kCaptions), 0);
    EXPECT_EQ(CtrlKitEnableButton(owner.hwnd(), 1004, FALSE), 0);
    DestroyWindow(bar);
}

TEST(MiniToolbar, PaintsEachStateFromItsStripAndNamesButtonsInTooltips)
{
    testsupport::MessageLog owner(520, 100, WM_COMMAND, WM_COMMAND);
    HWND bar = MakeBar(owner.hwnd(), 10, 10);
    const Pixels normal = Strip(104), hot = Strip(106), disabled = Strip(105);
    ASSERT_NE(normal.at(10, 10), disabled.at(10, 10)) << "strips that differ";

    Pixels p = Painted(bar);
    EXPECT_EQ(OthersChanged(p, normal, -1), 0) << "at rest the bar is the normal strip";
    // Under the mouse: the hot picture in that button only; held down: the hot picture one pixel
    // down-right; moved away while held: normal again.
    SendMessageA(bar, WM_MOUSEMOVE, 0, Centre(3));
    p = Painted(bar);
    EXPECT_EQ(Mismatches(p, hot, 3, 0), 0);
    EXPECT_EQ(OthersChanged(p, normal, 3), 0);
    SendMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, Centre(3));
    p = Painted(bar);
    EXPECT_EQ(Mismatches(p, hot, 3, 1), 0);
    EXPECT_NE(Mismatches(p, hot, 3, 0), 0);
    SendMessageA(bar, WM_MOUSEMOVE, MK_LBUTTON, Centre(6));
    p = Painted(bar);
    EXPECT_EQ(OthersChanged(p, normal, -1), 0) << "held away from its button, nothing is lit";
    SendMessageA(bar, WM_LBUTTONUP, 0, Centre(6));
    // Disabled: the disabled picture.
    CtrlKitEnableButton(bar, kCommands[5], FALSE);
    SendMessageA(bar, WM_MOUSEMOVE, 0, At(300, 300));
    p = Painted(bar);
    EXPECT_EQ(Mismatches(p, disabled, 5, 0), 0);
    EXPECT_EQ(OthersChanged(p, normal, 5), 0);

    HWND tip = TooltipOf(bar);
    ASSERT_TRUE(tip);
    std::vector<std::string> texts;
    for (int i = 0; i < int(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0)); ++i) {
        char text[80] = {};
        TTTOOLINFOA ti = {};
        ti.cbSize = TTTOOLINFOA_V2_SIZE;
        ti.lpszText = text;
        SendMessageA(tip, TTM_ENUMTOOLSA, WPARAM(i), LPARAM(&ti));
        texts.push_back(text);
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"Add", "Find", "Acquire", "Sort", "Delete", "Save", "Print", "Batch", "Help"}));
    DestroyWindow(bar);
    EXPECT_FALSE(IsWindow(tip)) << "the tooltip goes with its bar";
}

namespace {

// A docked dialog's header row: label, album list, tool bar, hidden as a docked window hides them.
struct Docked {
    testsupport::MessageLog dialog{520, 300, WM_COMMAND, WM_COMMAND};
    HWND label, list, bar;
    std::vector<RECT> home;
    LONG droppedHeight = 0;

    Docked()
    {
        label = CreateWindowExA(0, "STATIC", "Album:", WS_CHILD | WS_VISIBLE, 4, 6, 40, 20, dialog.hwnd(),
                                reinterpret_cast<HMENU>(202), nullptr, nullptr);
        list = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN, 48, 6,
                               140, 120, dialog.hwnd(), reinterpret_cast<HMENU>(101), nullptr, nullptr);
        for (const char* name : {"a", "b", "New Album"})
            SendMessageA(list, CB_ADDSTRING, 0, LPARAM(name));
        SendMessageA(list, CB_SETCURSEL, 0, 0);
        bar = MakeBar(dialog.hwnd(), 196, 6);
        droppedHeight = DroppedHeight();
        for (HWND w : {label, list, bar}) {
            ShowWindow(w, SW_HIDE);
            home.push_back(RectIn(w, dialog.hwnd()));
        }
    }
    HWND* Windows() { static HWND w[3]; w[0] = label, w[1] = list, w[2] = bar; return w; }
    static RECT RectIn(HWND w, HWND parent)
    {
        RECT r;
        GetWindowRect(w, &r);
        MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    LONG DroppedHeight() const
    {
        RECT r = {};
        SendMessageA(list, CB_GETDROPPEDCONTROLRECT, 0, LPARAM(&r));
        return r.bottom - r.top;
    }
    // The three windows are back on the dialog, hidden, where they were, at their sizes.
    void ExpectHome(const char* when) const
    {
        int i = 0;
        for (HWND w : {label, list, bar}) {
            const RECT r = RectIn(w, dialog.hwnd());
            EXPECT_EQ(GetParent(w), dialog.hwnd()) << when << " " << i;
            EXPECT_FALSE(IsWindowVisible(w)) << when << " " << i;
            EXPECT_TRUE(EqualRect(&r, &home[size_t(i)])) << when << " " << i << ": " << r.left << "," << r.top;
            ++i;
        }
        EXPECT_EQ(DroppedHeight(), droppedHeight) << when << ": the list keeps its drop-down height";
    }
    // The panel the three windows are shown in, or null when they are not all in one.
    HWND Panel() const
    {
        HWND panel = GetParent(list);
        if (panel == dialog.hwnd() || GetParent(label) != panel || GetParent(bar) != panel)
            return nullptr;
        for (HWND w : {label, list, bar})
            if (!IsWindowVisible(w))
                return nullptr;
        return panel;
    }
};

void ClickTrigger(HWND trigger)
{
    SendMessageA(trigger, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(15, 12));
    SendMessageA(trigger, WM_LBUTTONUP, 0, MAKELPARAM(15, 12));
    Pump();
}

// The dialog's colours: labels on red, its own background green.
HBRUSH g_red = CreateSolidBrush(RGB(255, 0, 0)), g_green = CreateSolidBrush(RGB(0, 255, 0));
LRESULT CALLBACK Colours(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    if (msg == WM_CTLCOLORSTATIC)
        return LRESULT(g_red);
    if (msg == WM_CTLCOLORDLG)
        return LRESULT(g_green);
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

// The colour at (x, y) of what a window prints of itself (background first).
COLORREF PrintedPixel(HWND w, int x, int y)
{
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP b = CreateCompatibleBitmap(screen, 100, 50);
    HGDIOBJ old = SelectObject(dc, b);
    SendMessageA(w, WM_PRINT, WPARAM(dc), PRF_CLIENT | PRF_ERASEBKGND);
    const COLORREF c = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteObject(b);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return c;
}

bool g_listAtDestroy = false;
LRESULT CALLBACK WatchDestroy(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR list)
{
    if (msg == WM_DESTROY)
        g_listAtDestroy = IsWindow(HWND(list)) && GetParent(HWND(list)) == hwnd;
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

} // namespace

TEST(DockTrigger, LendsTheHiddenWindowsToAPanelAndTakesThemBack)
{
    Docked d;
    HWND trigger = CtrlKitCreateDockTrigger(RECT{60, 6, 30, 25}, d.dialog.hwnd(), 3, d.Windows());
    ASSERT_TRUE(trigger);
    const RECT at = Docked::RectIn(trigger, d.dialog.hwnd());
    EXPECT_TRUE(at.left == 60 && at.top == 6 && at.right == 90 && at.bottom == 31) << at.left << "," << at.top << " " << at.right << "," << at.bottom;
    EXPECT_TRUE(IsWindowVisible(trigger));
    SetFocus(trigger);
    EXPECT_EQ(GetFocus(), trigger) << "the trigger takes the keyboard focus";

    SetWindowSubclass(d.dialog.hwnd(), Colours, 2, 0);
    ClickTrigger(trigger);
    HWND panel = d.Panel();
    ASSERT_TRUE(panel) << "the click shows the three windows together";
    EXPECT_EQ(PrintedPixel(panel, 1, 1), RGB(0, 255, 0)) << "the panel has the dialog's background";
    EXPECT_EQ(PrintedPixel(d.label, 38, 18), RGB(255, 0, 0)) << "and its label the dialog's colours";
    RECT tr, pr, lr, sr, br;
    GetWindowRect(trigger, &tr);
    GetWindowRect(panel, &pr);
    GetWindowRect(d.label, &lr);
    GetWindowRect(d.list, &sr);
    GetWindowRect(d.bar, &br);
    EXPECT_TRUE(pr.top >= tr.bottom || pr.bottom <= tr.top) << "the panel does not cover its trigger";
    EXPECT_TRUE(lr.right <= sr.left && sr.right <= br.left) << "side by side in the given order";
    EXPECT_EQ(br.right - br.left, kWidth);
    EXPECT_EQ(d.DroppedHeight(), d.droppedHeight);
    EXPECT_TRUE(GetFocus() == d.list || IsChild(d.list, GetFocus())) << "the album list has the focus";

    // In the panel they still work for the dialog: a command button and a new album picked by key.
    d.dialog.Clear();
    SendMessageA(d.bar, WM_LBUTTONDOWN, MK_LBUTTON, Centre(5));
    SendMessageA(d.bar, WM_LBUTTONUP, 0, Centre(5));
    PostMessageA(GetFocus(), WM_KEYDOWN, VK_DOWN, 0);
    Pump();
    EXPECT_EQ(SendMessageA(d.list, CB_GETCURSEL, 0, 0), 1);
    bool selChange = false;
    for (const auto& m : d.dialog.messages)
        selChange |= m.wParam == MAKEWPARAM(101, CBN_SELCHANGE) && m.lParam == LPARAM(d.list);
    ASSERT_FALSE(d.dialog.messages.empty());
    EXPECT_EQ(d.dialog.messages[0], Command(1001, d.bar));
    EXPECT_TRUE(selChange) << "the dialog hears of the album switch";

    // Closed by the trigger, by Esc, by activating another window, and by freeing the trigger.
    ClickTrigger(trigger);
    EXPECT_FALSE(IsWindow(panel));
    d.ExpectHome("trigger clicked again");
    ClickTrigger(trigger);
    ASSERT_TRUE(d.Panel());
    PostMessageA(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
    Pump();
    d.ExpectHome("Esc");
    SendMessageA(trigger, WM_KEYDOWN, VK_SPACE, 0);
    SendMessageA(trigger, WM_KEYUP, VK_SPACE, 0);
    ASSERT_TRUE(d.Panel()) << "Space on the trigger opens it";
    testsupport::MessageLog other(100, 100);
    SetActiveWindow(other.hwnd());
    Pump();
    d.ExpectHome("another window activated");
    ClickTrigger(trigger);
    ASSERT_TRUE(d.Panel());
    EXPECT_EQ(CtrlKitFreeDockTrigger(trigger), 1);
    EXPECT_FALSE(IsWindow(trigger));
    d.ExpectHome("freed");
    EXPECT_EQ(CtrlKitFreeDockTrigger(trigger), 0);
    EXPECT_EQ(CtrlKitFreeDockTrigger(d.dialog.hwnd()), 0);

    // Bad arguments make no trigger.
    EXPECT_FALSE(CtrlKitCreateDockTrigger(RECT{0, 0, 30, 25}, nullptr, 3, d.Windows()));
    EXPECT_FALSE(CtrlKitCreateDockTrigger(RECT{0, 0, 30, 25}, d.dialog.hwnd(), CTRLKIT_DOCK_MAX_WINDOWS + 1, d.Windows()));
    EXPECT_FALSE(CtrlKitCreateDockTrigger(RECT{0, 0, 30, 25}, d.dialog.hwnd(), 3, nullptr));

    // The dialog destroyed with the panel open still finds its list while it goes.
    trigger = CtrlKitCreateDockTrigger(RECT{4, 86, 30, 25}, d.dialog.hwnd(), 3, d.Windows());
    ClickTrigger(trigger);
    ASSERT_TRUE(d.Panel());
    SetWindowSubclass(d.dialog.hwnd(), WatchDestroy, 1, DWORD_PTR(d.list));
    DestroyWindow(d.dialog.hwnd());
    EXPECT_TRUE(g_listAtDestroy);
    EXPECT_FALSE(IsWindow(d.list));
}
