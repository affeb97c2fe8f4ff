// The control kit as the album manager uses it: the command bar's clicks reaching its owner, and
// the dock trigger lending the docked window's header row to its panel and taking it back.
#include "support/TestSupport.h"
#include <commctrl.h>
#include "ctrlkit.h"
#include "support/MessageLog.h"

namespace {

const UINT kCommands[9] = {1003, 1008, 1005, 1002, 1004, 1001, 1007, 1011, 1012};
const UINT kStrips[4] = {104, 106, 105, 106};
const UINT kCaptions[9] = {31, 37, 32, 33, 34, 35, 36, 38, 39};
const int kWidth = 298, kHeight = 20;

LPARAM Centre(int i) { return MAKELPARAM((2 * i + 1) * kWidth / 18, kHeight / 2); }

void Click(HWND w, LPARAM down, LPARAM up)
{
    SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, down);
    SendMessageA(w, WM_MOUSEMOVE, MK_LBUTTON, up);
    SendMessageA(w, WM_LBUTTONUP, 0, up);
}

HWND Child(HWND parent, const char* cls, int id, int x, int width)
{
    return CreateWindowExA(0, cls, "", WS_CHILD | (id == 101 ? CBS_DROPDOWN | WS_VSCROLL : 0), x, 6, width, 20, parent,
                           reinterpret_cast<HMENU>(INT_PTR(id)), GetModuleHandleA(nullptr), nullptr);
}

// Whether the album list is still on the dialog when the dialog is told it goes (a manager then
// writes the album shown as the last one opened).
bool g_listAtDestroy = false;
LRESULT CALLBACK WatchDestroy(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR list)
{
    if (msg == WM_DESTROY)
        g_listAtDestroy = IsWindow(HWND(list)) && GetParent(HWND(list)) == hwnd;
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

} // namespace

TEST(CtrlKit, TheBarSendsItsCommandsAndTheTriggerGivesTheHeaderRowBack)
{
    testsupport::MessageLog owner(520, 300, WM_COMMAND, WM_COMMAND);
    ASSERT_EQ(CtrlKitRegisterBarClass(GetModuleHandleA(nullptr)), 1);
    HWND bar = Child(owner.hwnd(), CTRLKIT_TOOLBAR_CLASS, 206, 196, kWidth);
    ASSERT_EQ(CtrlKitInitToolbar(bar, owner.hwnd(), 9, kCommands, GetModuleHandleA(nullptr), kStrips, kCaptions), 9);
    // Each button its own command; a release on another button sends none.
    std::vector<testsupport::LoggedMessage> expected;
    for (int i = 0; i < 9; ++i) {
        Click(bar, Centre(i), Centre(i));
        expected.push_back({WM_COMMAND, MAKEWPARAM(kCommands[i], BN_CLICKED), LPARAM(bar)});
    }
    Click(bar, Centre(2), Centre(3));
    EXPECT_EQ(owner.messages, expected);

    // The label, the album list and the bar, hidden as a docked manager hides them, shown in a panel
    // by a click on the trigger; a second click, or freeing it, puts them back, hidden, where they were.
    HWND windows[3] = {Child(owner.hwnd(), "STATIC", 202, 4, 40), Child(owner.hwnd(), "COMBOBOX", 101, 48, 140), bar};
    std::vector<RECT> home;
    for (HWND w : windows) {
        ShowWindow(w, SW_HIDE);
        RECT r;
        GetWindowRect(w, &r);
        home.push_back(r);
    }
    auto atHome = [&] {
        for (int i = 0; i < 3; ++i) {
            RECT r;
            GetWindowRect(windows[i], &r);
            if (GetParent(windows[i]) != owner.hwnd() || IsWindowVisible(windows[i]) || !EqualRect(&r, &home[size_t(i)]))
                return false;
        }
        return true;
    };
    HWND trigger = CtrlKitCreateDockTrigger(RECT{4, 60, 30, 25}, owner.hwnd(), 3, windows);
    ASSERT_TRUE(trigger);
    for (bool freeIt : {false, true}) {
        Click(trigger, MAKELPARAM(15, 12), MAKELPARAM(15, 12));
        HWND panel = GetParent(windows[1]);
        EXPECT_TRUE(panel != owner.hwnd() && GetParent(windows[0]) == panel && GetParent(bar) == panel &&
                    IsWindowVisible(windows[0]) && IsWindowVisible(windows[1]) && IsWindowVisible(bar));
        if (freeIt)
            EXPECT_EQ(CtrlKitFreeDockTrigger(trigger), 1);
        else
            Click(trigger, MAKELPARAM(15, 12), MAKELPARAM(15, 12));
        EXPECT_TRUE(atHome()) << (freeIt ? "freed" : "clicked again");
        EXPECT_FALSE(IsWindow(panel));
    }
    EXPECT_FALSE(IsWindow(trigger));

    // The dialog destroyed with the panel open still has its list while it goes.
    trigger = CtrlKitCreateDockTrigger(RECT{4, 60, 30, 25}, owner.hwnd(), 3, windows);
    Click(trigger, MAKELPARAM(15, 12), MAKELPARAM(15, 12));
    ASSERT_NE(GetParent(windows[1]), owner.hwnd());
    SetWindowSubclass(owner.hwnd(), WatchDestroy, 1, DWORD_PTR(windows[1]));
    DestroyWindow(owner.hwnd());
    EXPECT_TRUE(g_listAtDestroy);
}
