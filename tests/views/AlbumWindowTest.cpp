// Real list windows, alone and holding a real album: layout, clicks, keys, and what the parent is told.
#include <limits.h>
#include "album/Album.h"
#include "album/AlbumMessages.h"
#include "imaging/DragDrop.h"
#include "support/MemoryCanvas.h"
#include "support/MessageLog.h"
#include "support/TestSupport.h"
#include "views/CaptionNames.h"
#include "views/GridLayout.h"
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

// The rules are the model's (AlbumTest); here real cells and the list window carry them.
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
    // Cells left outside a record changed in place are emptied with the album too.
    WindowAlbum c(parent.hwnd(), ManagerCtrlViewInfo(2, 3), 10);
    c.GetACI()->nCols = 2;
    c.FreeAlbumData();
    EXPECT_EQ(Shown(c), "- - - - - -");

    // A snapping list sized to more than 10,000 cells keeps its grid and stays usable.
    WindowAlbum b(parent.hwnd(), ManagerCtrlViewInfo(2, 2), 10, RECT{0, 0, 32, 32});
    SetWindowPos(b.m_hWnd, nullptr, 0, 0, 16 * 101, 16 * 100, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(std::vector<int>({b.m_nCount, b.GetACI()->nRows, b.GetACI()->nCols}), std::vector<int>({4, 2, 2}));
    b.Key(VK_RIGHT);
    EXPECT_EQ(b.GetCurrentFocus(), 2);
}

TEST_F(AlbumWindow, ReorderingByDragTakesOnlyItsOwnCells)
{
    WindowAlbum a(parent.hwnd(), ManagerCtrlViewInfo(2, 3), 8), other(parent.hwnd(), ManagerCtrlViewInfo(2, 3), 8);
    a.Click(1, 0);
    EXPECT_EQ(a.DoExchange(other.m_ppCells[4]), 0) << "a cell of another album";
    EXPECT_EQ(a.DoExchange(a.m_ppCells[4]), 1);
    EXPECT_EQ(Shown(a) + " / " + Shown(other), "1 2 3 4 5 6 / 1 2 3 4 5 6");
}

namespace {

// The pixels a window shows now, children included, read back from the screen.
std::vector<COLORREF> ScreenPixels(HWND w)
{
    MemoryCanvas canvas(w);
    HDC dc = GetDCEx(w, nullptr, DCX_CACHE); // children not clipped: their pixels are read too
    BitBlt(canvas.dc, 0, 0, canvas.rc.right, canvas.rc.bottom, dc, 0, 0, SRCCOPY);
    ReleaseDC(w, dc);
    GdiFlush();
    return std::vector<COLORREF>(canvas.bits, canvas.bits + size_t(canvas.rc.right) * size_t(canvas.rc.bottom));
}

} // namespace

// A page is painted in one pass once attached, exactly as the cells' own paint messages paint it;
// the cards' captions, made first, name the files by their short names.
TEST_F(AlbumWindow, APagePaintedAtOnceLooksAsPaintMessagesPaintIt)
{
    WindowAlbum a(parent.hwnd(), ManagerCtrlViewInfo(2, 3), 10);
    ScratchDir dir;
    const std::string file = dir.File("Beach at sunset number 11.bmp");
    WriteBmpFile(file, 8, 8, 11);
    auto rec = MakeRecord(file.c_str());
    a.m_Doc.Insert(new CThumbnail2(&rec, MakeDib(32, 32, 11), 0, 1), nullptr);
    a.Key(VK_NEXT);
    a.Click(0, 0); // a selected and focused thumbnail on the page
    a.Key(VK_PRIOR);
    a.Key(VK_NEXT); // the page comes back painted at once
    for (int i = 0; i < a.m_nCount; ++i)
        EXPECT_FALSE(GetUpdateRect(a.m_ppCells[i]->m_hWnd, nullptr, FALSE)) << "cell " << i;
    const std::vector<COLORREF> atOnce = ScreenPixels(a.m_hWnd);
    RedrawWindow(a.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    const std::vector<COLORREF> byMessages = ScreenPixels(a.m_hWnd);
    std::vector<COLORREF> colours(byMessages);
    std::sort(colours.begin(), colours.end());
    EXPECT_GT(std::unique(colours.begin(), colours.end()) - colours.begin(), 8) << "nothing drawn";
    EXPECT_TRUE(atOnce == byMessages);
    char kept[MAX_PATH], direct[MAX_PATH];
    captions::CaptionPath(*a.m_Doc.GetThumbnail(11), kept, sizeof kept);
    ASSERT_NE(GetShortPathNameA(file.c_str(), direct, sizeof direct), 0u);
    EXPECT_EQ(std::string(kept), std::string(direct).substr(std::string(direct).find_last_of('\\') + 1));
    // A new stored name is not shown with the old one's short name; a source deleted while the
    // album is open is shown by its stored name once the listings are renewed (Refresh).
    CThumbnail2* t = a.m_Doc.GetThumbnail(11);
    const std::string other = dir.File("Beach at sunset number 12.bmp");
    WriteBmpFile(other, 8, 8, 12);
    win::CopyText(t->m_Info.szFileName, sizeof t->m_Info.szFileName, other.c_str());
    captions::CaptionPath(*t, kept, sizeof kept);
    ASSERT_NE(GetShortPathNameA(other.c_str(), direct, sizeof direct), 0u);
    EXPECT_EQ(std::string(kept), std::string(direct).substr(std::string(direct).find_last_of('\\') + 1));
    ASSERT_TRUE(DeleteFileA(other.c_str()));
    a.RefreshAlbum();
    captions::CaptionPath(*t, kept, sizeof kept);
    EXPECT_EQ(std::string(kept), other);
}

namespace {

tagAlbumViewCreateInfo Grid(int rows, int cols, int space, int sizeMode)
{
    tagAlbumViewCreateInfo aci = DefaultListViewInfo();
    aci.nRows = rows, aci.nCols = cols, aci.nHSpace = aci.nVSpace = space, aci.nSizeMode = sizeMode;
    aci.nBkMode = ACI_BK_OPAQUE;
    return aci;
}

// A list window whose window goes with it (a caller-owned object leaves its window to the parent).
struct List : CThumbListView2 {
    List(HWND parent, RECT r, tagAlbumViewCreateInfo& aci) : CThumbListView2(parent, r, aci) {}
    ~List() override { DestroyWindow(m_hWnd); }
};

struct ListWindow : AlbumWindow {
    // Cell i's place and size in the list: {x, y, w, h}.
    static std::vector<LONG> Cell(CThumbListView2& list, int i)
    {
        RECT r;
        GetWindowRect(list.m_ppCells[i]->m_hWnd, &r);
        MapWindowPoints(nullptr, list.m_hWnd, reinterpret_cast<POINT*>(&r), 2);
        return {r.left, r.top, r.right - r.left, r.bottom - r.top};
    }
    static void Resize(CThumbListView2& list, int w, int h)
    {
        SetWindowPos(list.m_hWnd, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER);
    }
};

} // namespace

TEST_F(ListWindow, LaysCellsOutRowByRowAndSnapsToTheDraggedEdge)
{
    tagAlbumViewCreateInfo aci = Grid(2, 4, 0, ACI_SIZE_SNAP);
    List list(parent.hwnd(), RECT{0, 0, 280, 216}, aci);
    ASSERT_EQ(list.m_nCount, 8);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(Cell(list, i), (std::vector<LONG>{70 * (i % 4), 108 * (i / 4), 70, 108})) << i;

    int w = 250, h = 250;
    list.AdjustWindowSize(w, h);
    EXPECT_EQ(w * 1000 + h, 210216);

    parent.Clear();
    Resize(list, w, h);
    EXPECT_EQ(std::vector<int>({list.GetACI()->nCols, list.GetACI()->nRows, list.m_nCount}), std::vector<int>({3, 2, 6}));
    EXPECT_EQ(parent.messages, (std::vector<LoggedMessage>{{WM_ALBUM_LAYOUT, WPARAM(list.m_hWnd), 0}}));

    // Growing back adds cells of the same size.
    Resize(list, 350, 216);
    EXPECT_EQ(list.m_nCount, 10);
    EXPECT_EQ(Cell(list, 9), (std::vector<LONG>{280, 108, 70, 108}));

    // Dragging the left edge to less than a cell keeps one column, one pitch wide.
    RECT r = {100, 0, 130, 216};
    SendMessageA(list.m_hWnd, WM_SIZING, WMSZ_LEFT, reinterpret_cast<LPARAM>(&r));
    EXPECT_EQ(r.left * 1000 + r.right, 60130);
}

TEST_F(ListWindow, StretchingKeepsTheCountWithAMinimum)
{
    tagAlbumViewCreateInfo aci = Grid(2, 3, 4, ACI_SIZE_STRETCH);
    List list(parent.hwnd(), RECT{0, 0, 300, 200}, aci);
    EXPECT_EQ(Cell(list, 0), (std::vector<LONG>{2, 2, 96, 96}));
    Resize(list, 390, 100);
    EXPECT_EQ(list.m_nCount, 6);
    EXPECT_EQ(Cell(list, 4), (std::vector<LONG>{2 + 130, 2 + 50, 126, 46}));

    // Sizing stops at 16 pixels per cell plus spacing; any mode other than snapping behaves the same.
    int w = 10, h = 10;
    list.AdjustWindowSize(w, h);
    EXPECT_EQ(w * 1000 + h, 3 * (16 + 4) * 1000 + 2 * (16 + 4));
    RECT r = {0, 50, 5, 60};
    aci.nSizeMode = 0;
    grid::AdjustSizingRect(&r, WMSZ_TOPLEFT, {96, 96}, {0, 0}, aci);
    EXPECT_EQ((std::vector<LONG>{r.left, r.top}), (std::vector<LONG>{5 - 60, 60 - 40}));
}

TEST_F(ListWindow, RecordsWithoutCellsShowNothingAndIgnoreSizing)
{
    tagAlbumViewCreateInfo aci = Grid(0, 4, 0, ACI_SIZE_SNAP);
    List list(parent.hwnd(), RECT{0, 0, 200, 100}, aci);
    EXPECT_EQ(list.m_nCount, 0);
    int w = 123, h = 45;
    list.AdjustWindowSize(w, h);
    EXPECT_EQ(w * 1000 + h, 123045);
    EXPECT_EQ(list.ResetLayout(Grid(3, 3, 0, ACI_SIZE_SNAP)), 0);

    // Absurd records create nothing instead of thousands of windows.
    EXPECT_EQ(grid::CellCount(Grid(100000, 100000, 0, ACI_SIZE_SNAP)) + grid::CellCount(Grid(2, -3, 0, ACI_SIZE_SNAP)), 0);
    // Spacing that cancels the cell leaves nothing to snap to (and nothing to divide by).
    aci = Grid(2, 2, -10, ACI_SIZE_SNAP);
    EXPECT_FALSE(grid::IsWholePitches(100, 100, {10, 10}, aci));
    // Spacing at the ends of the int range gives clamped sizes and places, never wrapped ones.
    for (int mode : {ACI_SIZE_SNAP, ACI_SIZE_STRETCH}) {
        aci = Grid(2, 3, INT_MAX - 5, mode);
        RECT r = {0, 0, 100, 100};
        grid::AdjustSizingRect(&r, WMSZ_BOTTOMRIGHT, {16, 16}, {0, 0}, aci);
        EXPECT_EQ(std::vector<LONG>({r.right, r.bottom}), std::vector<LONG>({INT_MAX, INT_MAX})) << mode;
    }
    EXPECT_GT(grid::CellOrigin(1, {16, 16}, aci).x, grid::CellOrigin(0, {16, 16}, aci).x);
    aci.nHSpace = INT_MIN + 1;
    EXPECT_EQ(grid::StretchedCell(300, 200, aci).w, INT_MAX);
}

TEST_F(ListWindow, PassesCellMessagesAndDragRecordsToItsParent)
{
    tagAlbumViewCreateInfo aci = Grid(1, 2, 0, ACI_SIZE_SNAP);
    List list(parent.hwnd(), RECT{0, 0, 200, 100}, aci);
    CThumbView2* cell = list.m_ppCells[1];
    parent.Clear();
    SendMessageA(cell->m_hWnd, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    std::vector<LoggedMessage> expected = {{WM_ALBUM_OPEN, MK_LBUTTON, reinterpret_cast<LPARAM>(cell)}};
    EXPECT_EQ(parent.messages, expected);

    // Drag-and-drop off (for its cells too): nothing passed on, and a press and long move start no drag.
    parent.Clear();
    for (int on : {1, 0}) {
        list.SetDragDrop(on);
        SendMessageA(list.m_hWnd, WM_ALBUM_DROP, 1, 2);
        SendMessageA(list.m_hWnd, WM_ALBUM_DRAG, 0, 3);
    }
    EXPECT_EQ(cell->m_bDragDrop, 0);
    expected = {{WM_ALBUM_DROP, 1, 2}, {WM_ALBUM_DRAG, 0, 3}};
    EXPECT_EQ(parent.messages, expected) << "nothing passed on with drag-and-drop off";
    for (int on : {0, 1}) {
        list.SetDragDrop(on);
        SendMessageA(list.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        SendMessageA(list.m_hWnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(60, 5));
        EXPECT_EQ(IsDragging(), on != 0);
        CancelDrag(nullptr), SendMessageA(list.m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(60, 5));
    }
}

TEST_F(ListWindow, WindowsWithoutAnObjectGetTheDefaultGrid)
{
    HWND hwnd = CreateWindowExA(0, "CThumbListView2", "", WS_CHILD | WS_VISIBLE, 0, 0, 300, 200, parent.hwnd(),
                                nullptr, AlbumInstance(), nullptr);
    ASSERT_NE(hwnd, nullptr);
    auto* view = reinterpret_cast<CThumbListView2*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->m_bOwnedByWindow, 1);
    EXPECT_EQ(view->m_nCount, 25);
    DestroyWindow(hwnd); // deletes the object with it
}

TEST_F(ListWindow, TransparentRecordsClearTheClassBackground)
{
    WNDCLASSA opaque;
    ASSERT_TRUE(GetClassInfoA(AlbumInstance(), "CThumbListView2", &opaque));
    ASSERT_NE(opaque.hbrBackground, GetStockObject(NULL_BRUSH));
    tagAlbumViewCreateInfo clear = Grid(1, 1, 0, ACI_SIZE_SNAP);
    clear.nBkMode = ACI_BK_TRANSPARENT;
    List list(parent.hwnd(), RECT{0, 0, 50, 50}, clear);
    EXPECT_EQ(GetClassLongPtrA(list.m_hWnd, GCLP_HBRBACKGROUND), reinterpret_cast<LONG_PTR>(GetStockObject(NULL_BRUSH)));
    SetClassLongPtrA(list.m_hWnd, GCLP_HBRBACKGROUND, LONG_PTR(opaque.hbrBackground)); // as other tests expect
}
