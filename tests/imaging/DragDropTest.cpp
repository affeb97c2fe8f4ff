// The drag transport with real windows: a source S and a chain C -> P -> G log "C3/2" (who, code, nResult).
#include <map>
#include <string>
#include <thread>
#include <vector>
#include <shlobj.h>
#include "album/AlbumDoc.h"
#include "album/AlbumMessages.h"
#include "imaging/DragDrop.h"
#include "imaging/OleDrag.h"
#include "support/TestSupport.h"

namespace {

// The codes a window takes part in (bHandled), accepts (nResult 2) or first passes to its parent.
struct Role { const char *takesPart = "", *accepts = "", *forwards = ""; };
std::map<char, Role> g_roles;
std::function<void(char who, tagDRAGRECORD*)> g_hook;
std::string g_log;

LRESULT CALLBACK RoleProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg != WM_ALBUM_DRAG)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    auto* r = reinterpret_cast<tagDRAGRECORD*>(lParam);
    const char who = char(GetWindowLongPtrA(hwnd, GWLP_USERDATA)), code = char('0' + r->nCode);
    g_log += (g_log.empty() ? "" : " ") + std::string{who, code, '/'} + std::to_string(r->nResult);
    if (strchr(g_roles[who].forwards, code))
        SendMessageA(GetParent(hwnd), msg, wParam, lParam);
    r->bHandled |= strchr(g_roles[who].takesPart, code) != nullptr;
    r->nResult = strchr(g_roles[who].accepts, code) ? DRAG_RESULT_ACCEPTED : r->nResult;
    if (g_hook)
        g_hook(who, r);
    return 0;
}

HWND MakeWindow(char who, HWND parent, int x, int y, int size)
{
    static const WNDCLASSA wc = {0, RoleProc, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, "AlbumDragTestRole"};
    static const ATOM atom = RegisterClassA(&wc);
    const DWORD style = WS_VISIBLE | (parent ? WS_CHILD : WS_POPUP), ex = parent ? 0 : WS_EX_TOPMOST;
    HWND w = CreateWindowExA(ex, MAKEINTATOM(atom), "", style, x, y, size, size, parent, nullptr, nullptr, nullptr);
    return SetWindowLongPtrA(w, GWLP_USERDATA, who), w;
}

struct Doc : CAlbumDoc2 { // thumbnails with the given stored names; a name with a drive resolves to itself
    Doc(std::initializer_list<const char*> names) { for (const char* name : names) Put(testsupport::MakeRecord(name)); }
    void Put(tagALBUMINFOHEADER rec) { Insert(new CThumbnail2(&rec, nullptr, 0, 1), nullptr); }
};

std::string Drop(const tagDRAGRECORD* record) // the drop data as a string ("" for none), the block freed
{
    HGLOBAL block = GetDropData(reinterpret_cast<LPARAM>(record));
    const std::vector<unsigned char> bytes = testsupport::BlockBytes(block);
    GlobalFree(block);
    return std::string(bytes.begin(), bytes.end());
}

// A shown top-level D (taking no part) holds them all; made once, as closing one costs seconds under Wine.
class DragTest : public ::testing::Test {
protected:
    static inline HWND top, source, grand, child;
    // Screen points: child client (10, 10); the grandparent only; the source; none of ours.
    static constexpr POINT atChild = {150, 150}, atGrand = {105, 105}, atSource = {650, 150}, atNothing = {1000, 900};
    static void SetUpTestSuite()
    {
        grand = MakeWindow('G', top = MakeWindow('D', nullptr, 50, 50, 800), 50, 50, 300);
        child = MakeWindow('C', MakeWindow('P', grand, 20, 20, 200), 20, 20, 100);
        source = MakeWindow('S', top, 550, 50, 100);
        ASSERT_TRUE(WindowFromPoint(atChild) == child && WindowFromPoint(atNothing) == GetDesktopWindow());
    }
    static void TearDownTestSuite() { DestroyWindow(top); }
    void TearDown() override { CancelDrag(nullptr), g_roles.clear(), g_hook = nullptr; }
    static bool StartDrag(HWND from = source)
    {
        g_log.clear();
        ArmDrag(from, MK_LBUTTON, MAKELPARAM(10, 10), DRAG_KIND_THUMBNAILS);
        return CheckDragStart(from, MK_LBUTTON, MAKELPARAM(10 + GetSystemMetrics(SM_CXDRAG), 10));
    }
    // A mouse message to the drag window at a screen point, as the captured mouse gives it.
    static void Mouse(UINT msg, POINT at, WPARAM keys = 0)
    {
        HWND drag = FindWindowA("DDWDNCLASS", nullptr);
        ScreenToClient(drag, &at);
        SendMessageA(drag, msg, keys | (msg == WM_MOUSEMOVE ? MK_LBUTTON : 0), MAKELPARAM(at.x, at.y));
    }
    static void DropAt(POINT at) { ASSERT_TRUE(StartDrag()); Mouse(WM_LBUTTONUP, at); }
    static bool Idle() { return !IsDragging() && !FindWindowA("DDWDNCLASS", nullptr) && !GetCapture(); }
};

TEST_F(DragTest, StartsWalksUpAndEndsWithoutADrop)
{
    ArmDrag(source, MK_LBUTTON, MAKELPARAM(10, 10), DRAG_KIND_THUMBNAILS);
    const int cx = GetSystemMetrics(SM_CXDRAG), cy = GetSystemMetrics(SM_CYDRAG);
    EXPECT_FALSE(CheckDragStart(source, MK_LBUTTON, MAKELPARAM(10 + cx - 1, 10 - cy + 1)));
    EXPECT_FALSE(CheckDragStart(source, 0, MAKELPARAM(11, 11))); // button up: disarms
    EXPECT_FALSE(CheckDragStart(source, MK_LBUTTON, MAKELPARAM(90, 90)));

    // Moves go up to a claimer (P; D takes no part; G), told when left; released over nothing.
    g_roles = {{'C', {"56"}}, {'P', {"56", "5"}}, {'G', {"56", "5"}}, {'S', {"56"}}};
    ASSERT_TRUE(StartDrag());
    for (POINT at : {atChild, atSource, atChild, atGrand, atGrand})
        Mouse(WM_MOUSEMOVE, at);
    Mouse(WM_LBUTTONUP, atNothing);
    EXPECT_EQ(g_log, "C5/3 P5/3 P6/3 S5/3 D5/3 C5/3 P5/3 P6/3 G5/3 G5/3 S2/1");
    EXPECT_TRUE(Idle());

    // Capture taken away, also while the claimer handles the move: the same ending.
    for (bool inMove : {false, true}) {
        g_hook = [inMove](char who, tagDRAGRECORD*) { inMove && who == 'P' && SetCapture(grand); };
        ASSERT_TRUE(StartDrag());
        Mouse(WM_MOUSEMOVE, atChild);
        SetCapture(grand);
        ReleaseCapture();
        EXPECT_EQ(g_log, "C5/3 P5/3 P6/3 S2/1") << inMove;
        EXPECT_TRUE(Idle());
    }
    HWND doomed = MakeWindow('X', top, 700, 500, 50); // a source destroyed mid-drag: the drag just ends
    ASSERT_TRUE(StartDrag(doomed));
    DestroyWindow(doomed);
    Mouse(WM_MOUSEMOVE, atChild);
    EXPECT_TRUE(g_log.empty() && Idle());
}

TEST_F(DragTest, DropsGoToTheCellAndTheSourceAlwaysHearsTheEnd)
{
    // The cells pass code 3 on to their control (G), which accepts: the drop goes to the cell.
    g_roles = {{'C', {"34", "", "3"}}, {'P', {"34", "", "3"}}, {'G', {"3", "3"}}, {'S', {"12"}}};
    Doc doc{"C:\\a\\b.bmp", "no such folder\\ef.jpg", "D:\\x.png"}, other{"C:\\o.bmp"}; // 3 x 260 bytes
    std::vector<std::string> during;
    tagDRAGRECORD copy = {};
    g_hook = [&](char, tagDRAGRECORD* r) {
        if (r->nCode == DRAG_CODE_FETCH)
            r->pTable = &doc, r->nCount = 3;
        if (r->nCode == DRAG_CODE_DONE) // the source frees its table now
            during.push_back(Drop(r));
        if (r->nCode != DRAG_CODE_DROP)
            return;
        copy = *r; // as the editor may keep it
        tagDRAGRECORD otherKind = copy, otherTable = copy;
        otherKind.nKind = 2, otherTable.pTable = &other;
        during = {Drop(r), Drop(&copy), Drop(&otherKind), Drop(&otherTable)};
    };
    DropAt(atChild);
    EXPECT_EQ(g_log, "C3/3 P3/3 G3/3 S1/2 C4/2 S2/2");
    // The record or a copy gives the source's table; a name that does not resolve is left out.
    const std::string paths = std::string("C:\\a\\b.bmp\0D:\\x.png", 19) + std::string(761, '\0');
    EXPECT_EQ(during, (std::vector<std::string>{paths, paths, "", "", ""}));
    // Once the drop is over the source has freed its table: nothing is read any more.
    for (LPARAM stale : {LPARAM(&copy), LPARAM(DragRecord()), LPARAM(0), LPARAM(1)})
        EXPECT_EQ(GetDropData(stale), nullptr) << stale;

    g_hook = nullptr;
    DropAt(atGrand); // the acceptor ignores code 4: the source still gets code 2
    EXPECT_EQ(g_log, "G3/3 S1/2 G4/2 S2/2");
    // The source cancels while fetching (nothing selected): no drop, but code 2 "not accepted".
    g_hook = [](char, tagDRAGRECORD* r) { r->nCode == DRAG_CODE_FETCH && CancelDrag(nullptr); };
    DropAt(atGrand);
    EXPECT_EQ(g_log, "G3/3 S1/2 S2/3");
    // An acceptor that does not take part ends it all: nothing fetched, nothing to free.
    g_roles = {{'C', {"", "3"}}, {'S', {"12"}}};
    DropAt(atChild);
    EXPECT_EQ(g_log, "C3/3");
    EXPECT_TRUE(Idle());
}

TEST_F(DragTest, RecordFields)
{
    // Client positions, the mouse message's keys, and the armed kind given again (1, 2, 4, 6; not 3, 5).
    g_roles = {{'C', {"345"}}, {'P', {"345"}}, {'G', {"345", "3"}}, {'S', {"12"}}};
    std::string fields;
    g_hook = [&](char who, tagDRAGRECORD* r) {
        fields += std::string{who, char('0' + r->nCode), ' '} + std::to_string(r->x) + "," + std::to_string(r->y) + " " +
                  std::to_string(r->nKeys) + " " + std::to_string(r->nKind) + " | ";
        r->nKind = 9;
    };
    ASSERT_TRUE(StartDrag());
    Mouse(WM_MOUSEMOVE, atChild, MK_CONTROL);
    Mouse(WM_LBUTTONUP, atChild, MK_SHIFT);
    EXPECT_EQ(fields, "C5 10,10 9 1 | P5 30,30 9 9 | G5 50,50 9 9 | D5 100,100 9 9 | "
                      "C3 10,10 4 9 | P3 30,30 4 9 | G3 50,50 4 9 | S1 50,50 4 1 | G4 50,50 4 1 | S2 50,50 4 1 | ");
}

} // namespace

// Dragged out to other programs: the existing files, the first picture, and Copy as the preferred effect.
TEST(OleDragData, OffersTheExistingFilesAPictureAndCopy)
{
    testsupport::ScratchDir dir;
    testsupport::WriteBytes(dir.File("a.bmp"), {1});
    testsupport::WriteBytes(dir.File("b c.jpg"), {2});
    const std::vector<std::string> files = {dir.File("a.bmp"), dir.File("b c.jpg")};
    EXPECT_EQ(oledrag::ExistingFiles({dir.File("a.bmp"), dir.File("gone.bmp"), dir.path(), dir.File("b c.jpg")}),
              files);

    HGLOBAL dib = testsupport::MakeDib(4, 3, 7);
    const std::vector<unsigned char> picture = testsupport::BlockBytes(dib), copy = {DROPEFFECT_COPY, 0, 0, 0};
    IDataObject* data = oledrag::CreateFileDataObject(files, dib);
    const CLIPFORMAT preferred = CLIPFORMAT(RegisterClipboardFormatA(CFSTR_PREFERREDDROPEFFECT));
    struct Row { CLIPFORMAT format; DWORD tymed; HRESULT expected; std::vector<unsigned char> bytes; };
    for (const Row& row : {Row{CF_HDROP, TYMED_HGLOBAL, S_OK, {}}, Row{CF_DIB, TYMED_HGLOBAL, S_OK, picture},
                           Row{preferred, TYMED_HGLOBAL, S_OK, copy}, Row{CF_TEXT, TYMED_HGLOBAL, DV_E_FORMATETC, {}},
                           Row{CF_HDROP, TYMED_ISTREAM, DV_E_TYMED, {}}}) {
        SCOPED_TRACE(row.format);
        FORMATETC format = {row.format, nullptr, DVASPECT_CONTENT, -1, row.tymed};
        STGMEDIUM medium = {};
        ASSERT_EQ(data->GetData(&format, &medium), row.expected);
        if (row.expected != S_OK)
            continue;
        EXPECT_TRUE(row.bytes.empty() || testsupport::BlockBytes(medium.hGlobal) == row.bytes);
        ReleaseStgMedium(&medium);
    }
    data->Release();
    // Without a picture there is no CF_DIB; without files nothing to drop.
    data = oledrag::CreateFileDataObject(files, nullptr);
    FORMATETC dibFormat = {CF_DIB, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    EXPECT_EQ(data->QueryGetData(&dibFormat), DV_E_FORMATETC);
    data->Release();
    EXPECT_EQ(oledrag::MakeFileDrop({}), nullptr);
}

// A window of a multithreaded apartment thread gets no drop target (WM_DROPFILES stays alone).
TEST(OleDragData, NoDropTargetWhereTheThreadCannotDoOle)
{
    struct Ignore : oledrag::FileDropHandler {
        bool Over(POINT) override { return true; }
        void Leave() override {}
        void Drop(const std::vector<std::string>&, POINT) override {}
    };
    std::thread([] {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        HWND w = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        EXPECT_FALSE(oledrag::AttachFileDrop(w, std::unique_ptr<Ignore>(new Ignore)));
        EXPECT_NE(RevokeDragDrop(w), S_OK) << "not registered";
        oledrag::DetachFileDrop(w);
        DestroyWindow(w);
        CoUninitialize();
    }).join();
}

// Over another process the existing files go to OLE drag and drop and the source hears "nobody";
// with no file left nothing is handed out and the drag goes on here.
TEST_F(DragTest, LeavingTheProcessHandsOutTheFilesThatExist)
{
    testsupport::ScratchDir dir;
    testsupport::WriteBytes(dir.File("a.bmp"), {1});
    for (bool exists : {false, true}) {
        Doc doc{exists ? dir.File("a.bmp").c_str() : "C:\\no such folder\\a.bmp"};
        g_roles = {{'S', {"12"}}};
        g_hook = [&](char, tagDRAGRECORD* r) {
            if (r->nCode == DRAG_CODE_FETCH)
                r->pTable = &doc, r->nCount = 1;
        };
        ASSERT_TRUE(StartDrag());
        Mouse(WM_MOUSEMOVE, atNothing); // the button is up: the OLE drag ends at once
        EXPECT_EQ(g_log, "S1/3 S2/1") << exists;
        EXPECT_EQ(Idle(), exists);
        CancelDrag(nullptr);
    }
}
