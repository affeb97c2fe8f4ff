// A real list window holding a real album: clicks on its cells, keys to the list window, what the
// cells show and what the parent is told.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "album/Album.h"
#include "album/AlbumMessages.h"
#include "host/Instance.h"
#include "support/MessageLog.h"
#include "support/TestSupport.h"
#include "views/ViewCreateInfo.h"

using namespace testsupport;
using Log = std::vector<LoggedMessage>;

namespace {

void SetKeys(bool shift)
{
    BYTE keys[256] = {};
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
}

// Numbers shown by the cells, by index ("-": empty).
std::string Shown(CThumbListView2& list)
{
    std::string s;
    for (int i = 0; i < list.m_nCount; ++i) {
        CThumbnail2* t = list.m_ppCells[i]->GetThumbnail();
        s += (i ? " " : "") + (t ? std::to_string(t->m_nID) : std::string("-"));
    }
    return s;
}

// A caller-owned album of a 2 x 3 card grid whose window goes with it.
struct WindowAlbum : CAlbum {
    WindowAlbum(HWND parent, tagAlbumViewCreateInfo aci, int count) : CAlbum(parent, RECT{0, 0, 300, 200}, aci)
    {
        for (int i = 1; i <= count; ++i) {
            auto rec = MakeRecord(("C:\\pics\\" + std::to_string(i) + ".bmp").c_str());
            m_Doc.Insert(new CThumbnail2(&rec, MakeDib(32, 32, unsigned(i)), 0, 1), nullptr);
        }
        UpDataThumbListView(-1);
    }
    ~WindowAlbum() override { DestroyWindow(m_hWnd); }
    void Click(int cell, WPARAM keys)
    {
        SendMessageA(m_ppCells[cell]->m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON | keys, MAKELPARAM(5, 5));
        SendMessageA(m_ppCells[cell]->m_hWnd, WM_LBUTTONUP, keys, MAKELPARAM(5, 5));
    }
    void Key(int vk) { SendMessageA(m_hWnd, WM_KEYDOWN, WPARAM(vk), 1); }
    LoggedMessage Focus(int n) { return {WM_ALBUM_FOCUS, WPARAM(m_hWnd), LPARAM(m_Doc.GetThumbnail(n))}; }
    LoggedMessage Layout() { return {WM_ALBUM_LAYOUT, WPARAM(m_hWnd), 0}; }
};

struct AlbumWindow : ::testing::Test {
    static inline MessageLog* shared = nullptr; // one parent: top-level windows are slow under Wine
    static void SetUpTestSuite()
    {
        ASSERT_EQ(CThumbviewRegister(AlbumInstance()) + CThumbListViewRegister(AlbumInstance()), 2);
        shared = new MessageLog(400, 300);
    }
    static void TearDownTestSuite() { delete shared, shared = nullptr; }
    MessageLog& parent = *shared;
    void SetUp() override { SetKeys(false), parent.Clear(); }
    void TearDown() override { SetKeys(false); }
};

} // namespace

TEST_F(AlbumWindow, ClicksAndKeysDriveTheCellsAndTellTheParent)
{
    WindowAlbum a(parent.hwnd(), ManagerCtrlViewInfo(2, 3), 10);
    ASSERT_EQ(Shown(a), "1 2 3 4 5 6");
    parent.Clear();
    a.Click(3, 0);
    const LPARAM cell = LPARAM(a.m_ppCells[3]);
    EXPECT_EQ(parent.messages, (Log{a.Focus(4), {WM_ALBUM_CELLDOWN, MK_LBUTTON, cell}, {WM_ALBUM_CELLUP, 0, cell}}));
    a.Click(5, MK_CONTROL);
    EXPECT_EQ(a.GetCurrentFocus() * 10 + a.m_Doc.GetThumbnail(6)->m_bSelect, 41);

    // Page Down scrolls whole lines; every key ends with a layout notice.
    parent.Clear();
    a.Key(VK_NEXT);
    EXPECT_EQ(Shown(a), "7 8 9 10 - -");
    a.Key(VK_RIGHT); // from 4 to 5, above the shown lines: its line comes in first
    EXPECT_EQ(Shown(a), "4 5 6 7 8 9");
    EXPECT_EQ(parent.messages, (Log{a.Layout(), a.Focus(5), a.Layout()}));

    // Making 10 current scrolls to it and reports a click on its cell.
    parent.Clear();
    EXPECT_EQ(a.SetCurrentFocus(10), 1);
    EXPECT_EQ(Shown(a), "7 8 9 10 - -");
    EXPECT_EQ(parent.messages, (Log{a.Focus(10), {WM_ALBUM_CELLDOWN, 0, LPARAM(a.m_ppCells[3])}}));

    // Shift+Home selects back to the first; removing them all empties the cells, which repaint.
    SetKeys(true);
    a.Key(VK_SHIFT), a.Key(VK_HOME);
    EXPECT_EQ(Shown(a) + " / " + std::to_string(a.HaveSel()), "1 2 3 4 5 6 / 1");
    EXPECT_EQ(a.RemoveSelected(0), 1);
    EXPECT_EQ(Shown(a), "- - - - - -");
    EXPECT_TRUE(RedrawWindow(a.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN));
}

TEST_F(AlbumWindow, ReorderingByDragTakesOnlyItsOwnCells)
{
    WindowAlbum a(parent.hwnd(), ManagerCtrlViewInfo(2, 3), 8), other(parent.hwnd(), ManagerCtrlViewInfo(2, 3), 8);
    a.Click(1, 0);
    EXPECT_EQ(a.DoExchange(other.m_ppCells[4]), 0) << "a cell of another album";
    EXPECT_EQ(a.DoExchange(a.m_ppCells[4]), 1);
    EXPECT_EQ(a.m_ppCells[4]->GetThumbnail()->m_Info.szFileName, std::string("C:\\pics\\2.bmp"));
    EXPECT_EQ(Shown(a) + " / " + Shown(other), "1 2 3 4 5 6 / 1 2 3 4 5 6");
}
