// A real list window holding a real album: clicks on its cells, keys to the list window, what the
// cells show and what the parent is told.
#include "album/Album.h"
#include "album/AlbumMessages.h"
#include "album/CaptionCache.h"
#include "support/MessageLog.h"
#include "support/TestSupport.h"
#include "views/CaptionNames.h"
#include "views/ViewCreateInfo.h"
#include "win/Handles.h"
#include "win/Module.h"

using namespace testsupport;
using Log = std::vector<LoggedMessage>;

namespace {

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
    WindowAlbum(HWND parent, tagAlbumViewCreateInfo aci, int count, RECT r = {0, 0, 300, 200}) : CAlbum(parent, r, aci)
    {
        for (int i = 1; i <= count; ++i) {
            auto rec = MakeRecord(("C:\\pics\\" + std::to_string(i) + ".bmp").c_str());
            m_Doc.Insert(new CThumbnail2(&rec, MakeDib(32, 32, unsigned(i)), 0, 1), nullptr);
        }
        UpDataThumbListView(-1);
    }
    ~WindowAlbum() override { DestroyWindow(m_hWnd); }
    using CAlbum::ScrollTo;
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
    void SetUp() override { HoldKeys(), parent.Clear(); }
    void TearDown() override { HoldKeys(); }
};

} // namespace

// The rules of clicks, keys and scrolling are the model's (AlbumTest); here the real cells and
// list window carry them and tell the parent.
TEST_F(AlbumWindow, ClicksKeysScrollMessagesAndHitTesting)
{
    WindowAlbum a(parent.hwnd(), ManagerCtrlViewInfo(2, 3), 20);
    parent.Clear();
    a.Click(3, 0);
    const LPARAM cell = LPARAM(a.m_ppCells[3]);
    EXPECT_EQ(parent.messages, (Log{a.Focus(4), {WM_ALBUM_CELLDOWN, MK_LBUTTON, cell}, {WM_ALBUM_CELLUP, 0, cell}}));
    parent.Clear();
    a.Key(VK_NEXT);
    a.Key(VK_RIGHT); // from 4 to 5, above the shown lines: its line comes in first
    EXPECT_EQ(Shown(a), "4 5 6 7 8 9");
    EXPECT_EQ(parent.messages, (Log{a.Layout(), a.Focus(5), a.Layout()}));
    // Making 10 current scrolls to it and reports a click on its cell.
    parent.Clear();
    EXPECT_EQ(a.SetCurrentFocus(10), 1);
    EXPECT_EQ(Shown(a), "7 8 9 10 11 12");
    EXPECT_EQ(parent.messages, (Log{a.Focus(10), {WM_ALBUM_CELLDOWN, 0, LPARAM(a.m_ppCells[3])}}));

    a.ScrollTo(1);
    SendMessageA(a.m_hWnd, WM_ALBUM_VSCROLL, SB_LINEDOWN, 100); // the album control's scroll bar
    SendMessageA(a.m_hWnd, WM_ALBUM_HSCROLL, SB_PAGEDOWN, 100);
    EXPECT_EQ(Shown(a), "10 11 12 13 14 15");
    // Cells of 100 x 100 from the list's top left; a point belongs to the cell that contains it.
    RECT r;
    GetWindowRect(a.m_ppCells[4]->m_hWnd, &r);
    const std::vector<CThumbView2*> hits = {a.GetThumbViewByPos(r.left, r.top), a.GetThumbViewByPos(r.right, r.top),
                                            a.GetThumbViewByPos(r.left - 1, r.bottom - 1),
                                            a.GetThumbViewByPos(r.right + 150, r.top)};
    EXPECT_EQ(hits, (std::vector<CThumbView2*>{a.m_ppCells[4], a.m_ppCells[5], a.m_ppCells[3], nullptr}));
}

TEST_F(AlbumWindow, GridChangesLeaveNoCellOnAThumbnailOutsideIt)
{
    // Stretching keeps six cells for a 2 x 2 record: the two outside it let go of their thumbnails.
    tagAlbumViewCreateInfo aci = ManagerCtrlViewInfo(2, 3);
    aci.nSizeMode = ACI_SIZE_STRETCH;
    WindowAlbum a(parent.hwnd(), aci, 10);
    aci.nCols = 2;
    EXPECT_EQ(a.ResetLayout(aci), 6);
    EXPECT_EQ(Shown(a), "1 2 3 4 - -");
    EXPECT_FALSE(IsWindowVisible(a.m_ppCells[4]->m_hWnd)) << "nor do they stand over the grid";
    // A record changed in place leaves cells outside the grid until the next layout; emptying the
    // album empties them too.
    WindowAlbum c(parent.hwnd(), ManagerCtrlViewInfo(2, 3), 10);
    c.GetACI()->nCols = 2;
    c.FreeAlbumData();
    EXPECT_EQ(Shown(c), "- - - - - -");

    // A snapping list sized to more than 10,000 cells of 16 x 16 keeps its grid, record included,
    // and stays usable.
    WindowAlbum b(parent.hwnd(), ManagerCtrlViewInfo(2, 2), 10, RECT{0, 0, 32, 32});
    SetWindowPos(b.m_hWnd, nullptr, 0, 0, 16 * 101, 16 * 100, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(std::vector<int>({b.m_nCount, b.GetACI()->nRows, b.GetACI()->nCols}), std::vector<int>({4, 2, 2}));
    b.Key(VK_RIGHT);
    EXPECT_EQ(b.GetCurrentFocus(), 2);
    SetWindowPos(b.m_hWnd, nullptr, 0, 0, 48, 32, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(b.m_nCount, 6);
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

// Card captions name files by their short names, found through one listing of their folder for
// the whole album and kept on the thumbnails until their stored names change.
TEST_F(AlbumWindow, CardsKeepTheirShortNames)
{
    ScratchDir dir;
    const std::string folder = dir.File("Holiday Pictures");
    CreateDirectoryA(folder.c_str(), nullptr);
    WindowAlbum a(parent.hwnd(), ManagerCtrlViewInfo(2, 3), 0);
    for (int i = 1; i <= 20; ++i) {
        const std::string file = folder + "\\Beach at sunset number " + std::to_string(i) + ".bmp";
        WriteBmpFile(file, 8, 8, unsigned(i));
        auto rec = MakeRecord(i == 20 ? (folder + "\\gone.bmp").c_str() : file.c_str());
        a.m_Doc.Insert(new CThumbnail2(&rec, MakeDib(32, 32, unsigned(i)), 0, 1), nullptr);
    }
    a.UpDataThumbListView(-1);
    a.Key(VK_NEXT); // a page painted at once: its captions are made
    // Every thumbnail of the folder has its name kept from the first page on, the one the
    // platform's short path ends in (the stored name for the missing file).
    for (int i = 1; i <= 20; ++i) {
        CThumbnail2* t = a.m_Doc.GetThumbnail(i);
        album::KeptCaption entry;
        EXPECT_TRUE(album::FindKeptCaption(t, entry) && entry.forName != 0) << i;
        char kept[MAX_PATH], direct[MAX_PATH];
        captions::CaptionPath(*t, kept, sizeof kept);
        const DWORD n = GetShortPathNameA(t->m_Info.szFileName, direct, sizeof direct);
        const std::string expected = n ? std::string(direct) : std::string(t->m_Info.szFileName);
        EXPECT_EQ(std::string(kept).substr(std::string(kept).find_last_of('\\') + 1),
                  expected.substr(expected.find_last_of('\\') + 1)) << i;
    }
    // A new stored name is not shown with the old one's short name.
    CThumbnail2* t = a.m_Doc.GetThumbnail(7);
    const std::string other = folder + "\\Beach at sunset number 3.bmp";
    win::CopyText(t->m_Info.szFileName, sizeof t->m_Info.szFileName, other.c_str());
    char kept[MAX_PATH], direct[MAX_PATH];
    captions::CaptionPath(*t, kept, sizeof kept);
    ASSERT_NE(GetShortPathNameA(other.c_str(), direct, sizeof direct), 0u);
    EXPECT_EQ(std::string(kept), std::string(direct).substr(std::string(direct).find_last_of('\\') + 1));

    // A source deleted while the album is open loses its short name as the listings are renewed
    // (here by the album's Refresh): the caption is then its stored name.
    t = a.m_Doc.GetThumbnail(1);
    ASSERT_TRUE(DeleteFileA(t->m_Info.szFileName));
    a.RefreshAlbum();
    captions::CaptionPath(*t, kept, sizeof kept);
    EXPECT_EQ(std::string(kept), std::string(t->m_Info.szFileName));
}

namespace {

// The pixels a window shows now, children included, read back from the screen.
std::vector<COLORREF> ScreenPixels(HWND w)
{
    RECT r;
    GetClientRect(w, &r);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = r.right;
    bi.bmiHeader.biHeight = -r.bottom;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = GetDCEx(w, nullptr, DCX_CACHE); // children not clipped: their pixels are read too
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, r.right, r.bottom, dc, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* p = static_cast<const COLORREF*>(bits);
    std::vector<COLORREF> pixels(p, p + size_t(r.right) * size_t(r.bottom));
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(w, dc);
    return pixels;
}

} // namespace

// A page is painted in one pass once its thumbnails are attached: no cell is left waiting for
// paint, and the cells look exactly as their own paint messages paint them, in every cell style,
// marks and captions included.
TEST_F(AlbumWindow, APagePaintedAtOnceLooksAsPaintMessagesPaintIt)
{
    for (int style : {ACI_CELL_CARD, ACI_CELL_RAISED, ACI_CELL_PLAIN, ACI_CELL_BLACK}) {
        tagAlbumViewCreateInfo aci = ManagerCtrlViewInfo(2, 3);
        aci.nCellStyle = style;
        if (style != ACI_CELL_CARD)
            aci.nCaption = ACI_CAPTION_NUMBER;
        WindowAlbum a(parent.hwnd(), aci, 10);
        a.Key(VK_NEXT);
        a.Click(0, 0); // a selected and focused thumbnail on the page
        a.Key(VK_PRIOR);
        a.Key(VK_NEXT); // the page comes back painted at once
        for (int i = 0; i < a.m_nCount; ++i)
            EXPECT_FALSE(GetUpdateRect(a.m_ppCells[i]->m_hWnd, nullptr, FALSE)) << "style " << style << " cell " << i;
        const std::vector<COLORREF> atOnce = ScreenPixels(a.m_hWnd);
        RedrawWindow(a.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        const std::vector<COLORREF> byMessages = ScreenPixels(a.m_hWnd);
        std::vector<COLORREF> colours(byMessages);
        std::sort(colours.begin(), colours.end());
        EXPECT_GT(std::unique(colours.begin(), colours.end()) - colours.begin(), 8) << "style " << style << ": nothing drawn";
        EXPECT_TRUE(atOnce == byMessages) << "style " << style;
    }
}
