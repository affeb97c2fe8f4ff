#include <gtest/gtest.h>
#include <limits.h>
#include "album/AlbumMessages.h"
#include "album/ThumbListView.h"
#include "imaging/DragDrop.h"
#include "support/MessageLog.h"
#include "views/GridLayout.h"
#include "views/ViewCreateInfo.h"
#include "win/Module.h"

using namespace testsupport;

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

struct ListWindow : ::testing::Test {
    static inline MessageLog* shared = nullptr; // one parent: top-level windows are slow under Wine
    static void SetUpTestSuite()
    {
        ASSERT_EQ(CThumbviewRegister(AlbumInstance()) + CThumbListViewRegister(AlbumInstance()), 2);
        shared = new MessageLog();
    }
    static void TearDownTestSuite() { delete shared; }
    MessageLog& parent = *shared;
    void SetUp() override { parent.Clear(); }

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
    tagAlbumViewCreateInfo def = DefaultListViewInfo();
    List spaced(parent.hwnd(), RECT{0, 0, 300, 200}, def);
    ASSERT_EQ(spaced.m_nCount, 25);
    for (const std::vector<LONG>& c : {std::vector<LONG>{0, 8, 8}, {1, 68, 8}, {5, 8, 48}})
        EXPECT_EQ(Cell(spaced, int(c[0])), (std::vector<LONG>{c[1], c[2], 44, 24})) << c[0];

    int w = 250, h = 250;
    list.AdjustWindowSize(w, h);
    EXPECT_EQ(w * 1000 + h, 210216);

    parent.Clear();
    Resize(list, w, h);
    EXPECT_EQ(std::vector<int>({list.GetACI()->nCols, list.GetACI()->nRows, list.m_nCount}), std::vector<int>({3, 2, 6}));
    EXPECT_EQ(Cell(list, 5), (std::vector<LONG>{140, 108, 70, 108}));
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
    // Spacing at the ends of the int range gives clamped sizes and places, never wrapped ones: the
    // pitch or the minimum cannot be had, so the rectangle grows as far as it can; the second column
    // lies right of the first; cells between negative gaps are as wide as can be.
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
    SendMessageA(cell->m_hWnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
    SendMessageA(cell->m_hWnd, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
    const LPARAM from = reinterpret_cast<LPARAM>(cell);
    std::vector<LoggedMessage> expected = {
        {WM_ALBUM_OPEN, MK_LBUTTON, from}, {WM_ALBUM_MENU, MK_RBUTTON, from}, {WM_ALBUM_CELLUP, 0, from}};
    EXPECT_EQ(parent.messages, expected);

    // Drag-and-drop off (for its cells too): nothing passed on, and a press and a long move on the
    // list start no drag.
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
    EXPECT_STREQ(view->GetACI()->lfCaption.lfFaceName, "Times New Roman");
    DestroyWindow(hwnd); // deletes the object with it
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(ListWindow, TransparentRecordsClearTheClassBackground)
{
    tagAlbumViewCreateInfo opaque = Grid(1, 1, 0, ACI_SIZE_SNAP);
    List first(parent.hwnd(), RECT{0, 0, 50, 50}, opaque);
    const LONG_PTR before = GetClassLongPtrA(first.m_hWnd, GCLP_HBRBACKGROUND);
    EXPECT_NE(before, reinterpret_cast<LONG_PTR>(GetStockObject(NULL_BRUSH)));
    tagAlbumViewCreateInfo clear = opaque;
    clear.nBkMode = ACI_BK_TRANSPARENT;
    List second(parent.hwnd(), RECT{0, 0, 50, 50}, clear);
    EXPECT_EQ(GetClassLongPtrA(first.m_hWnd, GCLP_HBRBACKGROUND), reinterpret_cast<LONG_PTR>(GetStockObject(NULL_BRUSH)))
        << "every list window, the earlier ones too";
    SetClassLongPtrA(first.m_hWnd, GCLP_HBRBACKGROUND, before); // leave the class as other tests expect
}
