// Album controls in a real parent window: class table, geometry, docking, keys, real-mouse drags.
#include <stdlib.h>
#include <new>
#include "album/AlbumCtrl.h"
#include "album/AlbumMessages.h"
#include "control/AlbumCtrlLayout.h"
#include "control/MiniAlbums.h"
#include "imaging/DragDrop.h"
#include "support/MessageLog.h"
#include "support/TestSupport.h"
#include "vendor_standins/ctrlkit/ctrlkit.h"
#include "win/Module.h"

using namespace testsupport;

int AlbumCtrlDroppedFlag();

namespace {

void Pump(DWORD ms = 30)
{
    DWORD end = GetTickCount() + ms;
    do {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
        Sleep(5);
    } while (GetTickCount() < end);
}

RECT ChildRect(HWND child)
{
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Stored names of an album in order.
std::string Names(CAlbum* album)
{
    std::string s;
    for (int i = 1; i <= album->GetThumbNailCount(); ++i)
        s += std::string(i > 1 ? " " : "") + album->m_Doc.GetThumbnail(i)->m_Info.szFileName;
    return s;
}

struct AlbumCtrlTest : ::testing::Test {
    static inline MessageLog* parent = nullptr;
    static void SetUpTestSuite()
    {
        ResetMiniAlbumsForTest();
        ASSERT_EQ(CAlbumCtrl::Register(AlbumInstance()), 1);
        parent = new MessageLog(660, 300);
        SetWindowPos(parent->hwnd(), HWND_TOPMOST, 20, 20, 0, 0, SWP_NOSIZE);
    }
    static void TearDownTestSuite()
    {
        delete parent;
        parent = nullptr;
    }
    std::vector<HWND> made;
    void TearDown() override
    {
        for (HWND w : made)
            DestroyWindow(w);
        HoldKeys();
        parent->Clear();
    }

    // A control of the class with the given client size, and its object.
    HWND Make(const char* cls, int x, int y, int width, int height)
    {
        HWND w = CreateWindowExA(0, cls, "", WS_CHILD | WS_VISIBLE, x, y, width, height, parent->hwnd(), nullptr,
                                 AlbumInstance(), nullptr);
        if (w)
            made.push_back(w);
        return w;
    }
    static CAlbumCtrl* Object(HWND w) { return reinterpret_cast<CAlbumCtrl*>(GetWindowLongPtrA(w, GWLP_USERDATA)); }
    // Gives the control an album of count thumbnails named C:\pics\<prefix><n>.bmp, loaded from a file.
    void Fill(CAlbumCtrl* c, const std::string& prefix, int count)
    {
        std::vector<std::string> names;
        for (int i = 1; i <= count; ++i)
            names.push_back("C:\\pics\\" + prefix + std::to_string(i) + ".bmp");
        const std::string path = files.File(prefix + ".abm");
        SaveAlbum(path, names);
        c->GetAlbum()->m_Doc.SetAutoCheck(0);
        ASSERT_EQ(c->GetAlbum()->Load(path.c_str()), 1);
    }
    // Two manager controls side by side, of 3 and 2 thumbnails, shown.
    void SideBySide(CAlbumCtrl*& a, CAlbumCtrl*& b)
    {
        SetForegroundWindow(parent->hwnd());
        a = Object(Make("ManDlgAlbumCtrl", 0, 0, 300, 250)), b = Object(Make("ManDlgAlbumCtrl", 330, 0, 300, 250));
        Fill(a, "a", 3);
        Fill(b, "b", 2);
        UpdateWindow(parent->hwnd());
        Pump();
    }
    ScratchDir files;
};

} // namespace

TEST_F(AlbumCtrlTest, ClassTableTakesNamesFromTheFront)
{
    tagAlbumViewCreateInfo info;
    EXPECT_TRUE(GetAlbumCtrlACI(&info, "WizDlgAlbumCtrl") == 2 && info.nRows * info.nCols == 4);
    // Names are case-sensitive; one never registered gets the first free entry and an all-zero record.
    memset(&info, 0x5A, sizeof info);
    EXPECT_EQ(GetAlbumCtrlACI(&info, "wizdlgalbumctrl"), 3);
    const tagAlbumViewCreateInfo zero = {};
    EXPECT_EQ(memcmp(&info, &zero, sizeof info), 0);

    tagAlbumViewCreateInfo mine = {};
    mine.nRows = 7;
    EXPECT_EQ(RegisterMiniAlbum("ManDlgAlbumCtrl", mine), 0);
    GetAlbumCtrlACI(&info, "ManDlgAlbumCtrl");
    EXPECT_NE(info.nRows, 7) << "a duplicate changes nothing";
    for (int i = 3; i < 16; ++i)
        EXPECT_EQ(RegisterMiniAlbum(("Mine" + std::to_string(i)).c_str(), mine), 1);
    EXPECT_TRUE(GetAlbumCtrlACI(&info, "Mine3") == 3 && info.nRows == 7);
    EXPECT_EQ(RegisterMiniAlbum("Seventeenth", mine) + RegisterMiniAlbum(std::string(256, 'x').c_str(), mine), 0);
    EXPECT_EQ(GetAlbumCtrlACI(&info, "Seventeenth"), -1);

    ResetMiniAlbumsForTest();
    ASSERT_EQ(CAlbumCtrl::Register(AlbumInstance()), 1) << "classes already there, records again";
    EXPECT_EQ(GetAlbumCtrlACI(&info, "Mine3"), 3);
}

TEST_F(AlbumCtrlTest, ManagerControlSnapsItsGridAndKeepsTheScrollBarInStep)
{
    HWND w = Make("ManDlgAlbumCtrl", 0, 0, 300, 250);
    CAlbumCtrl* c = Object(w);
    ASSERT_TRUE(c && c->GetAlbum() && c->m_hScrollBar);
    CAlbum* a = c->GetAlbum();
    RECT bar = ChildRect(c->m_hScrollBar);
    EXPECT_EQ(std::vector<LONG>({c->m_bOwnedByWindow, bar.left, bar.right - bar.left, a->m_aci.nCols, a->m_aci.nRows}),
              std::vector<LONG>({1, 284, 16, 4, 2}));
    // Created on 4 x 2 cells; the size that follows gives the list the room beside the bar.
    RECT list = ChildRect(a->m_hWnd);
    EXPECT_EQ((list.right - list.left) * 1000 + list.bottom - list.top, 284250);
    tagAlbumViewCreateInfo entry;
    GetAlbumCtrlACI(&entry, "ManDlgAlbumCtrl");
    EXPECT_EQ(entry.nCols * 10 + entry.nRows, 42) << "the entry holds the latest grid";

    // 20 thumbnails in 4 columns: 5 lines, 2 visible. Scrolling follows the first shown one.
    Fill(c, "p", 20);
    auto position = [c] { return GetScrollPos(c->m_hScrollBar, SB_CTL); };
    SendMessageA(w, WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(a->GetFirstViewNailID() * 1000 + position(), 5033); // (5 + 2) / 4 * 100 / 3
    SendMessageA(w, WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_EQ(position(), 100);
    SendMessageA(a->m_hWnd, WM_KEYDOWN, VK_HOME, 0); // the list reports its change with 0x504
    EXPECT_EQ(position(), 0);

    // Smaller than one cell: no rows, no columns, an empty list window, nothing breaks.
    HWND tiny = Make("ManDlgAlbumCtrl", 0, 0, 50, 60);
    CAlbumCtrl* t = Object(tiny);
    ASSERT_TRUE(t && t->GetAlbum());
    EXPECT_EQ(t->GetAlbum()->m_aci.nRows * t->GetAlbum()->m_aci.nCols + t->GetAlbum()->m_nCount, 0);
    Fill(t, "q", 3);
    SendMessageA(tiny, WM_VSCROLL, SB_LINEDOWN, 0);
    SendMessageA(tiny, WM_KEYDOWN, VK_NEXT, 0);
    UpdateWindow(parent->hwnd());
}

TEST(AlbumCtrlLayout, ScrollPositionFollowsTheFirstShownThumbnail)
{
    // 3 x 2 cells: lines of 3, or sideways of 2; everything fits in 6; no grid.
    tagAlbumViewCreateInfo info = {}, zero = {};
    info.nScrollDir = ACI_SCROLL_VERTICAL, info.nCols = 3, info.nRows = 2;
    std::vector<int> got;
    for (const auto& c : {std::make_pair(10, 1), {10, 4}, {10, 7}, {6, 4}})
        got.push_back(ctrllayout::ScrollPosition(info, c.first, c.second));
    info.nScrollDir = ACI_SCROLL_HORIZONTAL;
    got.push_back(ctrllayout::ScrollPosition(info, 10, 3));
    got.push_back(ctrllayout::ScrollPosition(zero, 10, 3));
    EXPECT_EQ(got, std::vector<int>({0, 50, 100, 0, 50, 0}));
}

TEST_F(AlbumCtrlTest, DeleteKeysAskTheParent)
{
    HWND w = Make("ManDlgAlbumCtrl", 0, 0, 300, 250);
    CAlbumCtrl* c = Object(w);
    const LoggedMessage ask = {WM_ALBUM_DELETE, reinterpret_cast<WPARAM>(c), 0};
    struct Case { std::vector<int> held; int key; bool asks; } cases[] = {
        {{VK_SHIFT}, VK_DELETE, true}, {{VK_CONTROL}, 'D', true}, {{}, VK_DECIMAL, true},
        {{}, VK_DELETE, false},        {{}, 'D', false},          {{VK_SHIFT}, 'D', false}};
    for (const Case& k : cases) {
        parent->Clear();
        HoldKeys(k.held);
        SendMessageA(w, WM_KEYDOWN, WPARAM(k.key), 0);
        EXPECT_EQ(parent->messages, k.asks ? std::vector<LoggedMessage>{ask} : std::vector<LoggedMessage>{})
            << "key " << k.key;
    }
    EXPECT_EQ(SendMessageA(w, WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS | DLGC_WANTCHARS);
}

TEST_F(AlbumCtrlTest, DockModesPlaceTheListBetweenArrowButtons)
{
    HWND w = Make("ManDlgAlbumCtrl", 0, 0, 300, 250);
    CAlbumCtrl* c = Object(w);
    CAlbum* a = c->GetAlbum();
    // {bar's left, width, height; list's left, top, width, height; scrolling} in each mode.
    auto layout = [&](int dock) {
        c->SetDock(dock);
        SendMessageA(w, WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 250));
        const RECT bar = ChildRect(c->m_hScrollBar), list = ChildRect(a->m_hWnd);
        return std::vector<LONG>({bar.left, bar.right - bar.left, bar.bottom - bar.top, list.left, list.top,
                                  list.right - list.left, list.bottom - list.top, c->m_pAlbum->m_aci.nScrollDir});
    };
    EXPECT_EQ(layout(ALBUM_DOCK_VERTICAL), std::vector<LONG>({0, 300, 250, 0, 22, 300, 206, ACI_SCROLL_VERTICAL}));
    EXPECT_EQ(layout(ALBUM_DOCK_HORIZONTAL), std::vector<LONG>({0, 300, 250, 22, 0, 256, 250, ACI_SCROLL_HORIZONTAL}));
    EXPECT_EQ(layout(ALBUM_DOCK_NONE)[0], 284);
    EXPECT_EQ(CtrlKitUnhookScroll(c->m_hScrollBar), 0) << "a fresh bar is not hooked";

    // Sizing snaps to whole cells and the two arrows the docked bar takes, from the dragged edge.
    layout(ALBUM_DOCK_VERTICAL);
    RECT cell;
    GetWindowRect(a->m_ppCells[0]->m_hWnd, &cell);
    const int cw = cell.right - cell.left, ch = cell.bottom - cell.top;
    RECT r = {100, 100, 100 + 215, 100 + 300};
    SendMessageA(w, WM_SIZING, WMSZ_TOPLEFT, reinterpret_cast<LPARAM>(&r));
    EXPECT_EQ(std::vector<LONG>({r.left, r.top, r.right, r.bottom}),
              std::vector<LONG>({315 - 215 / cw * cw, 400 - (256 / ch * ch + 44), 315, 400}));
}

TEST_F(AlbumCtrlTest, CallerOwnedControlAndForeignParameters)
{
    CAlbumCtrl* mine = new CAlbumCtrl;
    HWND w = static_cast<HWND>(LongToHandle(mine->CALbumCtrl(parent->hwnd(), "OptionDlgAlbumCtrl", RECT{0, 0, 200, 100})));
    ASSERT_TRUE(w);
    EXPECT_EQ(mine->m_bOwnedByWindow, 0);
    ASSERT_TRUE(mine->GetAlbum());
    EXPECT_EQ(mine->GetAlbum()->m_aci.nRows, (100 - 16) / 36);
    Fill(mine, "o", 2);

    // Cells and records come in message parameters: only the control's own are used.
    alignas(CThumbView2) unsigned char stranger[sizeof(CThumbView2)];
    memcpy(stranger, static_cast<void*>(mine->GetAlbum()->m_ppCells[0]), sizeof stranger);
    parent->Clear();
    SendMessageA(w, WM_ALBUM_OPEN, 0, reinterpret_cast<LPARAM>(stranger));
    tagDRAGRECORD forged = {};
    forged.nCode = DRAG_CODE_FETCH;
    SendMessageA(w, WM_ALBUM_DRAG, 0, reinterpret_cast<LPARAM>(&forged));
    EXPECT_EQ(forged.bHandled, 0);
    EXPECT_TRUE(parent->messages.empty());

    CThumbView2* shown = mine->GetAlbum()->m_ppCells[0];
    ASSERT_TRUE(shown->GetThumbnail());
    SendMessageA(w, WM_ALBUM_OPEN, 0, reinterpret_cast<LPARAM>(shown));
    ASSERT_EQ(parent->messages.size(), 1u);
    EXPECT_EQ(parent->messages[0].msg, UINT(WM_ALBUM_OPEN));

    DestroyWindow(w); // the caller's object survives its window
    EXPECT_EQ(mine->GetAlbum()->GetThumbNailCount(), 2);
    delete mine;

    // A table without the class name gives no window.
    CAlbumCtrl other;
    EXPECT_EQ(other.CALbumCtrl(parent->hwnd(), "NeverRegistered", RECT{0, 0, 10, 10}), 0);
}

// ---- dragging with real mouse input ----

namespace {

// Mouse input through the system's queue, then a moment for the windows to act on it.
void Input(DWORD mouseFlags, POINT screen = {})
{
    INPUT in = {};
    in.type = INPUT_MOUSE;
    if (mouseFlags & MOUSEEVENTF_MOVE)
        SetCursorPos(screen.x, screen.y), in.mi.dx = screen.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1),
            in.mi.dy = screen.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1), in.mi.dwFlags = mouseFlags | MOUSEEVENTF_ABSOLUTE;
    else
        in.mi.dwFlags = mouseFlags;
    SendInput(1, &in, sizeof in);
    Pump(50);
}
void MouseTo(POINT screen) { Input(MOUSEEVENTF_MOVE, screen); }

POINT CellCentre(CAlbumCtrl* c, int cell)
{
    RECT r;
    GetWindowRect(c->GetAlbum()->m_ppCells[cell]->m_hWnd, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// Presses on a cell, moves past the drag threshold, then in steps to the point: dragging?
bool DragOver(CAlbumCtrl* from, POINT to, int cell = 0)
{
    POINT start = CellCentre(from, cell);
    MouseTo(start);
    Input(MOUSEEVENTF_LEFTDOWN);
    MouseTo({start.x + 8, start.y + 8}); // past the drag threshold, still on the cell
    for (int step = 1; step <= 4; ++step)
        MouseTo({start.x + (to.x - start.x) * step / 4, start.y + (to.y - start.y) * step / 4});
    return IsDragging();
}

// A whole drag, released at the point.
void Drag(CAlbumCtrl* from, int cell, POINT to)
{
    DragOver(from, to, cell);
    Input(MOUSEEVENTF_LEFTUP);
    for (int i = 0; i < 20 && IsDragging(); ++i)
        Pump(20);
}

} // namespace

TEST_F(AlbumCtrlTest, DraggingMovesAndReordersThumbnailsAndLeavesNothingDangling)
{
    CAlbumCtrl *a = nullptr, *b = nullptr;
    SideBySide(a, b);

    // Onto a thumbnail of the other album: in front of it, and gone from the source.
    parent->Clear();
    Drag(a, 0, CellCentre(b, 1));
    EXPECT_EQ(Names(a->GetAlbum()), "C:\\pics\\a2.bmp C:\\pics\\a3.bmp");
    EXPECT_EQ(Names(b->GetAlbum()), "C:\\pics\\b1.bmp C:\\pics\\a1.bmp C:\\pics\\b2.bmp");
    const LoggedMessage changed = {WM_ALBUM_DROP, 0, 0};
    EXPECT_EQ(std::count(parent->messages.begin(), parent->messages.end(), changed), 2)
        << "target and source tell their parent";
    EXPECT_EQ(AlbumCtrlDroppedFlag(), 0);

    // Within one album one thumbnail moves to the place it is dropped on.
    Drag(b, 0, CellCentre(b, 2));
    ASSERT_EQ(b->GetAlbum()->GetThumbNailCount(), 3);
    EXPECT_EQ(b->GetAlbum()->m_Doc.GetThumbnail(3)->m_Info.szFileName, std::string("C:\\pics\\b1.bmp"));
    for (CAlbumCtrl* c : {a, b})
        for (int i = 1; i <= c->GetAlbum()->GetThumbNailCount(); ++i)
            EXPECT_EQ(c->GetAlbum()->m_Doc.GetThumbnail(i)->m_nID, i);
    EXPECT_EQ(b->m_pDragTable, nullptr);

    // The dragged thumbnail is removed before the release: nothing is left to drop.
    ASSERT_TRUE(DragOver(a, CellCentre(b, 5)));
    a->GetAlbum()->RemoveSelected(0);
    Input(MOUSEEVENTF_LEFTUP);
    Pump();
    EXPECT_FALSE(IsDragging());
    // What is dropped is what is selected at the release (the next thumbnail became current).
    EXPECT_EQ(a->GetAlbum()->GetThumbNailCount() + b->GetAlbum()->GetThumbNailCount(), 4);
    EXPECT_EQ(DragRecord()->pTable, nullptr);
    EXPECT_EQ(a->m_pDragTable, nullptr);
    EXPECT_EQ(GetCapture(), nullptr);

    // A control that goes while a drag from it is under way leaves the drag no freed table.
    MouseTo(CellCentre(b, 0)), Input(MOUSEEVENTF_LEFTDOWN), Input(MOUSEEVENTF_LEFTUP), Pump(); // selected
    tagDRAGRECORD& record = *DragRecord();
    record.nCode = DRAG_CODE_FETCH;
    SendMessageA(b->m_hWnd, WM_ALBUM_DRAG, 0, reinterpret_cast<LPARAM>(&record));
    ASSERT_TRUE(record.pTable != nullptr && record.nCount > 0);
    DestroyWindow(b->m_hWnd);
    EXPECT_TRUE(record.pTable == nullptr && record.nCount == 0);
}

namespace {
size_t g_failAllocationsOf = 0; // allocations of exactly this size fail while set
}

// The replacement pair allocates with malloc and frees with free.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(size_t size)
{
    if (g_failAllocationsOf != 0 && size == g_failAllocationsOf)
        throw std::bad_alloc();
    if (void* p = malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { free(p); }
void operator delete(void* p, size_t) noexcept { free(p); }

TEST_F(AlbumCtrlTest, AControlWithoutMemoryForItsObjectIsNotCreated)
{
    g_failAllocationsOf = sizeof(CAlbumCtrl);
    HWND w = Make("WizDlgAlbumCtrl", 0, 0, 100, 100);
    g_failAllocationsOf = 0;
    EXPECT_EQ(w, nullptr);
    EXPECT_NE(Make("WizDlgAlbumCtrl", 0, 0, 100, 100), nullptr);
}
