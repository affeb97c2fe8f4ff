// The drag transport driven with real windows and mouse messages: a source and a chain
// child -> parent -> grandparent log the codes they receive ("C3/2": child, code 3, nResult 2 on
// arrival) and answer as each test says.
#include <gtest/gtest.h>
#include <string.h>
#include <functional>
#include <string>
#include "album/AlbumDoc.h"
#include "album/AlbumMessages.h"
#include "imaging/DragDrop.h"
#include "support/TestSupport.h"

namespace {

std::string g_log;

// Per code (bit 1 << code): takes part (bHandled), accepts or claims (nResult 2), first passes
// the record to its parent as a cell does.
struct Role {
    explicit Role(char w) : who(w) {}
    char who;
    unsigned takesPart = 0, accepts = 0, forwards = 0;
    std::function<void(tagDRAGRECORD*)> hook;
    POINT at = {-1, -1}; // x, y of the last record
};

constexpr unsigned Codes(std::initializer_list<int> codes)
{
    unsigned bits = 0;
    for (int c : codes)
        bits |= 1u << c;
    return bits;
}

LRESULT CALLBACK RoleProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NCCREATE)
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, (LONG_PTR)((CREATESTRUCTA*)lParam)->lpCreateParams);
    auto* role = reinterpret_cast<Role*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (msg != WM_ALBUM_DRAG || !role)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    auto* r = reinterpret_cast<tagDRAGRECORD*>(lParam);
    g_log += (g_log.empty() ? "" : " ") + std::string(1, role->who) + std::to_string(r->nCode) + "/" +
             std::to_string(r->nResult);
    role->at = {r->x, r->y};
    unsigned bit = 1u << r->nCode;
    if (role->forwards & bit)
        SendMessageA(GetParent(hwnd), msg, wParam, lParam);
    r->bHandled |= (role->takesPart & bit) != 0;
    if (role->accepts & bit)
        r->nResult = DRAG_RESULT_ACCEPTED;
    if (role->hook)
        role->hook(r);
    return 0;
}

HWND MakeWindow(Role* role, HWND parent, int x, int y, int size)
{
    static ATOM atom = [] {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = RoleProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "AlbumDragTestRole";
        return RegisterClassA(&wc);
    }();
    (void)atom;
    return CreateWindowExA(parent ? 0 : WS_EX_TOPMOST, "AlbumDragTestRole", "", (parent ? WS_CHILD : WS_POPUP) | WS_VISIBLE,
                           x, y, size, size, parent, nullptr, GetModuleHandleA(nullptr), role);
}

// Thumbnails with the given stored names; a name with a drive resolves to itself.
struct Doc : CAlbumDoc2 {
    explicit Doc(std::initializer_list<const char*> names)
    {
        for (const char* name : names) {
            tagALBUMINFOHEADER rec = testsupport::MakeRecord(name);
            Insert(new CThumbnail2(&rec, nullptr, 0, 1), nullptr);
        }
    }
};

// The block's bytes, freed.
std::string Take(HGLOBAL block)
{
    std::vector<unsigned char> bytes = testsupport::BlockBytes(block);
    GlobalFree(block);
    return std::string(bytes.begin(), bytes.end());
}

// One shown top-level window ('D', taking no part) holds the chain and the source. Made once:
// closing a shown top-level window costs seconds under Wine.
class DragTest : public ::testing::Test {
protected:
    static inline Role desk{'D'}, src{'S'}, grand{'G'}, parent{'P'}, child{'C'};
    static inline HWND top, source, gwnd, pwnd, cwnd;
    // Screen points: child client (10, 10); the grandparent only; the source; none of ours.
    const POINT overChild = {150, 150}, overGrand = {105, 105}, overSource = {650, 150}, overNothing = {1000, 900};

    static void SetUpTestSuite()
    {
        top = MakeWindow(&desk, nullptr, 50, 50, 800);
        gwnd = MakeWindow(&grand, top, 50, 50, 300);
        pwnd = MakeWindow(&parent, gwnd, 20, 20, 200);
        cwnd = MakeWindow(&child, pwnd, 20, 20, 100);
        source = MakeWindow(&src, top, 550, 50, 100);
    }
    static void TearDownTestSuite() { DestroyWindow(top); }
    void SetUp() override
    {
        ASSERT_EQ(WindowFromPoint(overChild), cwnd);
        ASSERT_EQ(WindowFromPoint(overNothing), GetDesktopWindow());
        desk = Role('D'), src = Role('S'), grand = Role('G'), parent = Role('P'), child = Role('C');
    }
    void TearDown() override { CancelDrag(nullptr); }
    bool StartDrag(HWND from = source)
    {
        g_log.clear();
        ArmDrag(from, MK_LBUTTON, MAKELPARAM(10, 10), DRAG_KIND_THUMBNAILS);
        return CheckDragStart(from, MK_LBUTTON, MAKELPARAM(10 + GetSystemMetrics(SM_CXDRAG), 10));
    }
    // A mouse message to the drag window at a screen point, as the captured mouse gives it.
    void Mouse(UINT msg, POINT at)
    {
        HWND drag = FindWindowA("DDWDNCLASS", nullptr);
        ASSERT_NE(drag, nullptr);
        ScreenToClient(drag, &at);
        SendMessageA(drag, msg, msg == WM_MOUSEMOVE ? MK_LBUTTON : 0, MAKELPARAM(at.x, at.y));
    }
    static bool Idle() { return !IsDragging() && !FindWindowA("DDWDNCLASS", nullptr) && !GetCapture(); }
};

TEST_F(DragTest, StartsOnlyPastTheThresholdFromTheArmedWindow)
{
    const int cx = GetSystemMetrics(SM_CXDRAG), cy = GetSystemMetrics(SM_CYDRAG);
    ArmDrag(source, MK_LBUTTON, MAKELPARAM(10, 10), DRAG_KIND_THUMBNAILS);
    EXPECT_FALSE(CheckDragStart(source, MK_LBUTTON, MAKELPARAM(10 + cx - 1, 10 - cy + 1)));
    EXPECT_FALSE(CheckDragStart(cwnd, MK_LBUTTON, MAKELPARAM(90, 90)));  // not the armed window
    EXPECT_FALSE(CheckDragStart(source, 0, MAKELPARAM(11, 11)));         // button up: disarms
    EXPECT_FALSE(CheckDragStart(source, MK_LBUTTON, MAKELPARAM(90, 90)));
    // Signed: one pixel up-left of (0, 0) is not 65535 pixels away.
    ArmDrag(source, MK_LBUTTON, MAKELPARAM(0, 0), DRAG_KIND_THUMBNAILS);
    EXPECT_FALSE(CheckDragStart(source, MK_LBUTTON, MAKELPARAM(-1, -1)));
    EXPECT_TRUE(Idle());

    ASSERT_TRUE(CheckDragStart(source, MK_LBUTTON, MAKELPARAM(0, -cy)));
    HWND drag = FindWindowA("DDWDNCLASS", "ddwnd");
    EXPECT_TRUE(drag && IsDragging() && !IsWindowVisible(drag) && GetCapture() == drag);
    EXPECT_FALSE(StartDrag()); // one drag at a time
    EXPECT_TRUE(CancelDrag(nullptr));
    EXPECT_TRUE(Idle());
    EXPECT_EQ(g_log, "");
}

TEST_F(DragTest, ReleaseOverNothingTellsOnlyTheSource)
{
    src.takesPart = Codes({1, 2, 3, 5});
    ASSERT_TRUE(StartDrag());
    Mouse(WM_LBUTTONUP, overNothing);
    EXPECT_EQ(g_log, "S2/1");
    EXPECT_TRUE(Idle());
}

TEST_F(DragTest, DropOnCellAcceptedByAncestorGoesToTheCell)
{
    child.takesPart = parent.takesPart = Codes({3, 4});
    child.forwards = parent.forwards = Codes({3});
    grand.takesPart = grand.accepts = Codes({3});
    grand.hook = [](tagDRAGRECORD* r) { r->nKind = 0; }; // the kind comes back for the drop
    Doc doc{"C:\\a\\b.bmp", "C:\\cd\\ef.jpg", "D:\\x.png"}; // 10, 12 and 8 characters
    src.takesPart = Codes({1, 2});
    src.hook = [&](tagDRAGRECORD* r) {
        if (r->nCode == DRAG_CODE_FETCH)
            r->pTable = &doc, r->nCount = doc.GetCount();
    };
    HGLOBAL early = nullptr, dropped = nullptr;
    child.hook = [&](tagDRAGRECORD* r) {
        (r->nCode == DRAG_CODE_ACCEPT ? early : r->nCode == DRAG_CODE_DROP ? dropped : early) =
            GetDropData(reinterpret_cast<LPARAM>(r));
    };
    DragRecord()->pTable = &doc; // as if left over from an earlier drop
    ASSERT_TRUE(StartDrag());
    Mouse(WM_LBUTTONUP, overChild);

    EXPECT_EQ(g_log, "C3/3 P3/3 G3/3 S1/2 C4/2 S2/2");
    EXPECT_TRUE(child.at.x == 10 && child.at.y == 10);
    EXPECT_EQ(early, nullptr); // nothing fetched yet
    ASSERT_NE(dropped, nullptr);
    EXPECT_EQ(GlobalSize(dropped), 780u);
    EXPECT_EQ(Take(dropped), std::string("C:\\a\\b.bmp\0C:\\cd\\ef.jpg\0D:\\x.png", 32) + std::string(748, '\0'));
    EXPECT_EQ(GetDropData(reinterpret_cast<LPARAM>(DragRecord())), nullptr); // the table is gone
    EXPECT_TRUE(Idle());
}

TEST_F(DragTest, MovesWalkUpToTheClaimerWhichIsToldWhenLeft)
{
    child.takesPart = grand.takesPart = src.takesPart = parent.takesPart = Codes({5, 6});
    parent.accepts = grand.accepts = Codes({5});
    ASSERT_TRUE(StartDrag());
    Mouse(WM_MOUSEMOVE, overChild);
    EXPECT_EQ(g_log, "C5/3 P5/3");
    EXPECT_TRUE(parent.at.x == 30 && parent.at.y == 30);
    Mouse(WM_MOUSEMOVE, overSource); // up to the first window taking no part ('D')
    Mouse(WM_MOUSEMOVE, overChild);  // that walk ended on D's parent (none): no code 6
    Mouse(WM_MOUSEMOVE, overGrand);
    Mouse(WM_MOUSEMOVE, overGrand);  // still over the claimer: no code 6
    EXPECT_EQ(g_log, "C5/3 P5/3 P6/3 S5/3 D5/3 C5/3 P5/3 P6/3 G5/3 G5/3");
    EXPECT_TRUE(IsDragging());
}

TEST_F(DragTest, EveryEndingLetsTheSourceFreeItsTable)
{
    src.takesPart = Codes({1, 2});
    child.takesPart = parent.takesPart = parent.accepts = Codes({5});
    grand.takesPart = grand.accepts = Codes({3});
    // Capture taken away (also while the claimer handles the move) or the drag window closed by
    // someone else: the claimer's mark goes, the source hears "nobody".
    for (int ender = 0; ender < 3; ++ender) {
        if (ender == 2)
            parent.hook = [](tagDRAGRECORD* r) { r->nCode == DRAG_CODE_OVER && SetCapture(gwnd); };
        ASSERT_TRUE(StartDrag());
        Mouse(WM_MOUSEMOVE, overChild);
        if (ender == 0)
            SetCapture(gwnd);
        if (ender == 1)
            DestroyWindow(FindWindowA("DDWDNCLASS", nullptr));
        ReleaseCapture();
        EXPECT_EQ(g_log, "C5/3 P5/3 P6/3 S2/1") << ender;
        EXPECT_TRUE(Idle());
    }
    parent.hook = nullptr;

    ASSERT_TRUE(StartDrag()); // the acceptor ignores code 4: the source still gets code 2
    Mouse(WM_LBUTTONUP, overGrand);
    EXPECT_EQ(g_log, "G3/3 S1/2 G4/2 S2/2");

    // The source cancels while fetching (nothing selected): no drop, but code 2 "not accepted".
    src.hook = [](tagDRAGRECORD* r) { r->nCode == DRAG_CODE_FETCH && CancelDrag(nullptr); };
    ASSERT_TRUE(StartDrag());
    Mouse(WM_LBUTTONUP, overGrand);
    EXPECT_EQ(g_log, "G3/3 S1/2 S2/3");
    EXPECT_TRUE(Idle());

    Role gone('X'); // a source destroyed mid-drag hears nothing more and the drag ends
    HWND doomed = MakeWindow(&gone, top, 700, 500, 50);
    ASSERT_TRUE(StartDrag(doomed));
    DestroyWindow(doomed);
    Mouse(WM_MOUSEMOVE, overChild);
    EXPECT_EQ(g_log, "");
    EXPECT_TRUE(Idle());
}

TEST(DropData, GivesPathsOnlyForAThumbnailTable)
{
    Doc doc{"C:\\one.bmp", "no such folder\\two.bmp", "C:\\three.bmp"}, empty{};
    tagDRAGRECORD r = {};
    r.nKind = DRAG_KIND_THUMBNAILS;
    EXPECT_EQ(GetDropData(0), nullptr);
    EXPECT_EQ(GetDropData(1), nullptr);
    EXPECT_EQ(GetDropData(reinterpret_cast<LPARAM>(&r)), nullptr); // no table yet
    r.pTable = &empty;
    EXPECT_EQ(GetDropData(reinterpret_cast<LPARAM>(&r)), nullptr);
    r.pTable = &doc;
    r.nKind = 2;
    EXPECT_EQ(GetDropData(reinterpret_cast<LPARAM>(&r)), nullptr);
    void* freed = VirtualAlloc(nullptr, 4096, MEM_COMMIT, PAGE_READWRITE);
    memcpy(freed, &r, sizeof r);
    VirtualFree(freed, 0, MEM_RELEASE);
    EXPECT_EQ(GetDropData(reinterpret_cast<LPARAM>(freed)), nullptr);

    r.nKind = DRAG_KIND_THUMBNAILS; // an unresolved name keeps its stored form: the list goes on
    std::string expected("C:\\one.bmp\0no such folder\\two.bmp\0C:\\three.bmp", 46);
    EXPECT_EQ(Take(GetDropData(reinterpret_cast<LPARAM>(&r))), expected + std::string(3 * MAX_PATH - 46, '\0'));
}

} // namespace
