// The thumbnail cell: layout, pixels per style, captions, messages to its parent, repaints, tooltip.
#include "support/TestSupport.h"
#include <commctrl.h>
#include <memory>
#include "album/AlbumDoc.h"
#include "album/AlbumMessages.h"
#include "album/ThumbView.h"
#include "imaging/DragDrop.h"
#include "support/MemoryCanvas.h"
#include "support/MessageLog.h"
#include "views/CellPaint.h"
#include "views/ViewCreateInfo.h"
#include "views/ViewResources.h"
#include "win/Module.h"

using namespace testsupport;
using Rect = std::vector<LONG>;
using Pixels = std::vector<std::vector<LONG>>; // {x, y, colour} each

namespace {

const COLORREF kPicture = RGB(0x20, 0xA0, 0x60), kGrey = RGB(0xC0, 0xC0, 0xC0), kShade = RGB(0x80, 0x80, 0x80);
const COLORREF kRed = RGB(0xFF, 0, 0), kBlue = RGB(0, 0, 0xFF), kWhite = 0xFFFFFF, kBlack = 0, kCardMark = 0xFF0033;

struct FixedMeasure : cellpaint::TextMeasure { // six pixels per character
    int Width(const char*, int count) const override { return count * 6; }
};

TEST(CellLayout, NamesAndHugePictures)
{
    const char* path = "c:\\photos\\holiday.jpg";
    char s[cellpaint::kCaptionChars];
    auto name = [&](int w) { return cellpaint::ShortName(path, w, FixedMeasure(), s, sizeof s), std::string(s); };
    auto card = [&](int w) { return cellpaint::CardCaption(7, path, w, FixedMeasure(), s, sizeof s), std::string(s); };
    EXPECT_EQ(name(66), "holiday.jpg"); // 66 px: fits whole
    EXPECT_EQ(name(60), "holid~.jpg");
    EXPECT_EQ(name(10), "~.jpg"); // nothing fits
    EXPECT_EQ(card(83), "7. liday.jpg"); // the tail is kept
    EXPECT_EQ(card(1), "7. .jpg");
    const RECT huge = cellpaint::PictureRect({0, 0, 60, 60}, 0x7FFFFFFF, 0x7FFFFFFF);
    EXPECT_EQ((Rect{huge.left, huge.top, huge.right, huge.bottom}), (Rect{0, 0, 60, 60}));
}

// A thumbnail of a 1024 x 768 image whose w x h picture is all kPicture (one palette entry).
std::unique_ptr<CThumbnail2> Thumb(int w, int h, const char* name = "c:\\photos\\holiday.jpg", int id = 7)
{
    tagALBUMINFOHEADER rec = MakeRecord(name);
    rec.wWidth = 1024, rec.wHeight = 768;
    return std::make_unique<CThumbnail2>(&rec, MakePackedDib(w, h, 8, {0x60, 0xA0, 0x20, 0}), id, 1);
}

tagAlbumViewCreateInfo Info(int style, int caption = ACI_CAPTION_NONE, int select = ACI_SELECT_MULTI, int tip = 0)
{
    tagAlbumViewCreateInfo aci = style == ACI_CELL_CARD ? ManagerCtrlViewInfo(1, 1) : DefaultListViewInfo();
    aci.nCellStyle = style, aci.nCaption = caption, aci.nSelectMode = select, aci.bToolTip = tip;
    return aci;
}

// The cell painted through WM_PRINT into a memory DC, which also measures caption text.
struct Canvas : MemoryCanvas {
    explicit Canvas(CThumbView2& cell) : MemoryCanvas(cell.m_hWnd, 0xFF00FF)
    {
        SendMessageA(cell.m_hWnd, WM_PRINT, WPARAM(dc), PRF_CLIENT | PRF_ERASEBKGND);
        GdiFlush();
    }
    // The pixels of colour c in r (default: all): how many, and their bounding box.
    std::pair<int, Rect> Find(COLORREF c, RECT r) const
    {
        r = r.right ? r : rc;
        std::pair<int, Rect> ink = {0, {r.right, r.bottom, r.left, r.top}};
        for (LONG y = r.top; y < r.bottom; ++y)
            for (LONG x = r.left; x < r.right; ++x)
                if (At(x, y) == c && ++ink.first)
                    ink.second = {std::min(ink.second[0], x), std::min(ink.second[1], y),
                                  std::max(ink.second[2], x + 1), std::max(ink.second[3], y + 1)};
        return ink;
    }
    int Count(COLORREF c, RECT r = {}) const { return Find(c, r).first; }
    Rect Box(COLORREF c, RECT r = {}) const { return Find(c, r).second; }
    void Expect(const Pixels& pixels) const
    {
        for (const auto& p : pixels)
            EXPECT_EQ(At(p[0], p[1]), COLORREF(p[2])) << p[0] << "," << p[1];
    }
};

struct Cell : ::testing::Test {
    static inline MessageLog* log = nullptr; // one parent: top-level windows are slow to come and go
    static void SetUpTestSuite() { ASSERT_EQ(CThumbviewRegister(AlbumInstance()), 1); log = new MessageLog(400, 300); }
    static void TearDownTestSuite() { delete log; }
    void SetUp() override { log->Clear(), log->onMessage = nullptr; }
    MessageLog& parent = *log;
    std::unique_ptr<CThumbView2> Make(int w, int h, tagAlbumViewCreateInfo aci, int x = 10)
    {
        return std::make_unique<CThumbView2>(parent.hwnd(), RECT{x, 10, w, h}, aci);
    }
};

TEST_F(Cell, CardGeometryMarksRepaintAndTooltip)
{
    // The tooltip has a text only over a thumbnail.
    auto cell = Make(70, 108, Info(ACI_CELL_CARD, ACI_CAPTION_NONE, ACI_SELECT_MULTI, 1));
    auto t = Thumb(48, 48);
    NMTTDISPINFOA tip = {{cell->m_hTip, UINT_PTR(cell->m_hWnd), UINT(TTN_NEEDTEXTA)}, nullptr, {}, nullptr, 0, 0};
    SendMessageA(cell->m_hWnd, WM_NOTIFY, 0, LPARAM(&tip));
    cell->Attach(t.get());
    EXPECT_STREQ(tip.szText, "");
    SendMessageA(cell->m_hWnd, WM_NOTIFY, 0, LPARAM(&tip));
    EXPECT_STREQ(tip.szText, "1024x768");
    const Canvas c(*cell);
    EXPECT_EQ(c.Box(kPicture), (Rect{10, 22, 58, 70}));
    c.Expect({{30, 106, kWhite}, {2, 50, kShade}, {3, 50, kBlack}, {66, 50, kBlack}}); // sunken, black inside
    EXPECT_EQ(c.Count(kCardMark), 0);
    EXPECT_GT(c.Count(kBlack, {6, 92, 63, 105}), 0); // caption text in the strip
    // Selecting repaints only the bands around the picture, leaving its interior valid.
    ValidateRect(cell->m_hWnd, nullptr);
    cell->SetSelect(1);
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    GetUpdateRgn(cell->m_hWnd, rgn, FALSE);
    for (const auto& p : Pixels{{30, 23, 1}, {11, 40, 1}, {56, 40, 1}, {30, 68, 1}, {2, 100, 1}, // {x, y, invalid}
                                {12, 24, 0}, {55, 67, 0}, {30, 40, 0}})
        EXPECT_EQ(PtInRegion(rgn, p[0], p[1]) != 0, p[2] != 0) << p[0] << "," << p[1];
    DeleteObject(rgn);
    // A new background repaints the whole cell.
    ValidateRect(cell->m_hWnd, nullptr);
    cell->SetThumbViewBkColor(WHITE_BRUSH);
    RECT update = {};
    EXPECT_TRUE(GetUpdateRect(cell->m_hWnd, &update, FALSE) && update.right == 70 && update.bottom == 108);

    t->m_bFocus = 1, t->m_bExist = 0; // no struck-through circle on cards
    const Canvas marked(*cell);
    EXPECT_EQ(marked.Count(kCardMark, {4, 4, 66, 5}), 62); // selection outline
    EXPECT_GT(marked.Count(kCardMark, {6, 92, 63, 105}), 0); // focused caption
    EXPECT_EQ(marked.Count(kRed), 0);
}

TEST_F(Cell, FramesAndMarksPerStyle)
{
    // Plain (frame), then missing its source, focused (dotted inside the picture) and selected (mark).
    struct Row { int style, select, size, w, h, background; Rect pic; Pixels frame, selected; bool focusMark; };
    const Row rows[] = {
        {ACI_CELL_BLACK, ACI_SELECT_MULTI, 60, 20, 20, -1, {20, 20, 40, 40}, // over 50 pixels: 2 pixels wide
         {{0, 30, kBlack}, {30, 0, kBlack}, {59, 30, kBlack}, {58, 30, kGrey}}, {{58, 30, kBlack}}, true},
        {ACI_CELL_PLAIN, ACI_SELECT_SINGLE, 40, 20, 20, WHITE_BRUSH, {10, 10, 30, 30},
         {{5, 20, kWhite}}, {{39, 20, kBlack}, {38, 20, kWhite}}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.style * 10 + row.select);
        auto cell = Make(row.size, row.size, Info(row.style, ACI_CAPTION_NONE, row.select));
        auto t = Thumb(row.w, row.h);
        cell->SetThumbViewBkColor(row.background), cell->Attach(t.get());
        const Canvas plain(*cell);
        EXPECT_EQ(plain.Box(kPicture), row.pic);
        plain.Expect(row.frame);
        EXPECT_EQ(plain.Count(kRed), 0);
        t->m_bExist = 0, t->m_bFocus = t->m_bSelect = 1;
        const Canvas c(*cell);
        c.Expect({{3, 3, kRed}, {13, 3, kRed}, {8, 8, kRed}}); // missing source: struck-through circle
        c.Expect(row.selected);
        EXPECT_EQ(c.Count(kRed, {row.pic[0] + 1, row.pic[3] - 1, row.pic[2] - 1, row.pic[3]}) > 3, row.focusMark);
    }
}

TEST_F(Cell, CaptionPlacement)
{
    const tagAlbumViewCreateInfo aci = Info(ACI_CELL_PLAIN, ACI_CAPTION_NUMBER_NAME);
    auto cell = Make(120, 100, aci);
    auto t = Thumb(8, 8, "c:\\photos\\a_rather_long_holiday_picture.jpg");
    t->m_bSelect = t->m_bFocus = 1; // both boxes filled, their text in white
    cell->Attach(t.get());
    Canvas c(*cell);
    SIZE n = {}, whole = {}; // in the caption font, on the DC the cell painted
    HGDIOBJ font = SelectObject(c.dc, CreateFontIndirectA(&aci.lfCaption));
    GetTextExtentPoint32A(c.dc, "7", 1, &n);
    GetTextExtentPoint32A(c.dc, "a_rather_long_holiday_picture.jpg", 33, &whole);
    DeleteObject(SelectObject(c.dc, font));
    const RECT name = {6, 96 - n.cy, 114, 96};
    const LONG left = (120 - (n.cx + 4)) / 2;
    // Rectangle outlines the box on its edge and fills inside; the number sits right above.
    EXPECT_EQ(c.Box(kBlue, {0, name.top, 120, 100}), (Rect{7, name.top + 1, 113, 95}));
    EXPECT_EQ(c.Box(kBlue, {0, 0, 120, name.top}), (Rect{left + 1, name.top - n.cy, 119 - left, name.top - 2}));
    // The long name is shortened to fit: centred in its box, not cut at its edges.
    ASSERT_GT(whole.cx, 108);
    const Rect ink = c.Box(kWhite, name);
    EXPECT_TRUE(ink[0] > name.left + 2 && ink[2] < name.right - 2) << ink[0] << ".." << ink[2];
}

// A source stored by its short name is captioned by its real name, drawn with the wide functions.
TEST_F(Cell, RealNamesOfShortStoredSources)
{
    testsupport::ScratchDir dir;
    const tagAlbumViewCreateInfo aci = Info(ACI_CELL_PLAIN, ACI_CAPTION_NUMBER_NAME);
    const wchar_t* real = L"写真.bmp";
    const std::string stored = testsupport::WriteBmpNamedInOtherScripts(dir.path(), 8, 8);
    auto cell = Make(160, 100, aci);
    auto t = Thumb(8, 8, stored.c_str());
    t->m_bFocus = 1; // the name in white on blue
    cell->Attach(t.get());
    Canvas c(*cell), direct(*cell);
    HGDIOBJ font = SelectObject(direct.dc, CreateFontIndirectA(&aci.lfCaption));
    SIZE n = {};
    GetTextExtentPoint32A(direct.dc, "7", 1, &n);
    RECT name = {6, 96 - n.cy, 154, 96};
    FillRect(direct.dc, &name, HBRUSH(GetStockObject(BLACK_BRUSH)));
    SetTextColor(direct.dc, RGB(255, 255, 255)), SetBkMode(direct.dc, TRANSPARENT);
    DrawTextW(direct.dc, real, -1, &name, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
    DeleteObject(SelectObject(direct.dc, font));
    EXPECT_EQ(c.Box(kWhite, name), direct.Box(kWhite, name));
}

TEST_F(Cell, DamagedThumbnailsPaintSafely)
{
    auto cell = Make(16, 16, Info(ACI_CELL_BLACK, ACI_CAPTION_NUMBER_NAME));
    auto card = Make(70, 108, Info(ACI_CELL_CARD));
    tagALBUMINFOHEADER rec = MakeRecord("x");
    std::fill_n(rec.szFileName, sizeof rec.szFileName, 'a'); // no NUL
    CThumbnail2 garbage(&rec, MakeBlock(300, 5), -2147483647 - 1, 0), none(&rec, nullptr, 1, 1);
    auto valid = Thumb(4, 4, "", 2147483647);
    valid->m_Info = rec;
    for (CThumbnail2* t : {&garbage, &none, valid.get()}) {
        cell->Attach(t), card->Attach(t);
        Canvas c(*cell), k(*card);
        EXPECT_TRUE(c.At(0, 8) == kBlack && k.At(3, 50) == kBlack); // frames still drawn, pictures only if valid
        const std::vector<bool> drawn = {c.Count(kPicture) > 0, k.Count(kPicture) > 0, cell->m_rcImage.right > 0};
        EXPECT_EQ(drawn, std::vector<bool>(3, t == valid.get()));
    }
}

TEST_F(Cell, AnswersOnlyTheLiveDragRecord)
{
    // Cards with and without a thumbnail, a plain cell; the parent accepts code 3, hands a table on 1.
    auto card = Make(70, 108, Info(ACI_CELL_CARD)), empty = Make(70, 108, Info(ACI_CELL_CARD), 100),
         plain = Make(70, 108, Info(ACI_CELL_PLAIN), 190);
    auto t = Thumb(48, 48), u = Thumb(48, 48);
    card->Attach(t.get()), plain->Attach(u.get());
    CAlbumDoc2 table;
    std::string codes;
    parent.onMessage = [&](UINT msg, WPARAM, LPARAM lParam) {
        auto* r = reinterpret_cast<tagDRAGRECORD*>(lParam);
        codes += msg == WM_ALBUM_DROP ? "drop " : msg == WM_ALBUM_DRAG ? std::to_string(r->nCode) + " " : "";
        if (msg == WM_ALBUM_DRAG && r->nCode == DRAG_CODE_ACCEPT)
            r->nResult = DRAG_RESULT_ACCEPTED;
        if (msg == WM_ALBUM_DRAG && r->nCode == DRAG_CODE_FETCH)
            r->pTable = &table;
    };
    auto mouse = [](UINT msg, const CThumbView2& over) { // to the drag window, 20 pixels into the cell
        RECT r;
        GetWindowRect(over.m_hWnd, &r);
        POINT at = {r.left + 20, r.top + 20};
        HWND drag = FindWindowA("DDWDNCLASS", nullptr);
        ScreenToClient(drag, &at);
        SendMessageA(drag, msg, msg == WM_MOUSEMOVE ? MK_LBUTTON : 0, MAKELPARAM(at.x, at.y));
    };
    auto hoverMark = [&] { // red on the screen where the hover outline goes
        HDC dc = GetDC(card->m_hWnd);
        const bool red = GetPixel(dc, 30, 4) == kRed && GetPixel(dc, 4, 50) == kRed;
        return ReleaseDC(card->m_hWnd, dc), red;
    };
    tagDRAGRECORD* const record = DragRecord();
    UpdateWindow(parent.hwnd());

    ArmDrag(card->m_hWnd, MK_LBUTTON, MAKELPARAM(5, 5), DRAG_KIND_THUMBNAILS);
    ASSERT_TRUE(CheckDragStart(card->m_hWnd, MK_LBUTTON, MAKELPARAM(5 + GetSystemMetrics(SM_CXDRAG), 5)));
    mouse(WM_MOUSEMOVE, *card); // claimed by the card: the walk stops there
    EXPECT_TRUE(hoverMark() && record->bHandled && record->nResult == DRAG_RESULT_ACCEPTED);
    mouse(WM_MOUSEMOVE, *empty); // code 6 removes the mark; the empty card takes part, claims nothing
    EXPECT_TRUE(!hoverMark() && record->nResult == DRAG_RESULT_REFUSED);
    mouse(WM_MOUSEMOVE, *plain);
    mouse(WM_LBUTTONUP, *card); // 3 and 1 and 2 pass through the source cell; 4 becomes 0x506
    EXPECT_EQ(codes, "5 5 3 1 drop 2 ");

    // Any other record, or the transport's own while no drag is under way, is left alone.
    codes.clear();
    for (int code : {DRAG_CODE_FETCH, DRAG_CODE_ACCEPT, DRAG_CODE_DROP, DRAG_CODE_OVER, DRAG_CODE_LEAVE}) {
        tagDRAGRECORD foreign = {code, DRAG_KIND_THUMBNAILS, 0, 0, 0, 0, nullptr, 0, {}, DRAG_RESULT_REFUSED};
        for (tagDRAGRECORD* r : {&foreign, record}) {
            r->nCode = code, r->bHandled = 0, r->nResult = DRAG_RESULT_REFUSED;
            SendMessageA(card->m_hWnd, WM_ALBUM_DRAG, 0, LPARAM(r));
            EXPECT_TRUE(!r->bHandled && r->nResult == DRAG_RESULT_REFUSED) << code;
        }
    }
    EXPECT_EQ(codes, "");
    parent.onMessage = nullptr;
}

TEST_F(Cell, MouseMessagesAndCapture)
{
    auto cell = Make(60, 60, Info(ACI_CELL_PLAIN));
    const HWND w = cell->m_hWnd, other = parent.hwnd();
    auto send = [w](UINT msg, WPARAM keys) { return SendMessageA(w, msg, keys, MAKELPARAM(5, 5)), GetCapture(); };
    const LPARAM self = LPARAM(cell.get());
    const WPARAM keys = MK_LBUTTON | MK_CONTROL;
    cell->SetDragDrop(0); // the cell holds the mouse from a press to the release
    EXPECT_EQ(send(WM_LBUTTONDOWN, keys), w);
    EXPECT_EQ(send(WM_LBUTTONUP, MK_CONTROL), nullptr);
    EXPECT_EQ(send(WM_RBUTTONDOWN, MK_RBUTTON), w);
    SetCapture(other); // taken away: the release leaves it alone
    EXPECT_EQ(send(WM_RBUTTONUP, 0), other);
    ReleaseCapture();
    send(WM_LBUTTONDBLCLK, keys), send(WM_ALBUM_CELLDOWN, MK_SHIFT), send(WM_MOUSEMOVE, 0);
    EXPECT_EQ(parent.messages,
              (std::vector<LoggedMessage>{{WM_ALBUM_CELLDOWN, keys, self}, {WM_ALBUM_CELLUP, MK_CONTROL, self},
                                          {WM_ALBUM_MENU, MK_RBUTTON, self}, {WM_ALBUM_CELLUP, 0, self},
                                          {WM_ALBUM_OPEN, keys, self}, {WM_ALBUM_CELLDOWN, MK_SHIFT, self}}));
    cell->SetDragDrop(1); // the drag transport takes the mouse, never the cell
    parent.Clear();
    EXPECT_NE(send(WM_LBUTTONDOWN, MK_LBUTTON), w);
    send(WM_MOUSEMOVE, 0), send(WM_LBUTTONUP, 0); // the move without a button disarms
    EXPECT_EQ(parent.Codes(), (std::vector<UINT>{WM_ALBUM_CELLDOWN, WM_ALBUM_CELLUP}));
}

DWORD WINAPI MakeFont(void* call)
{
    auto* c = static_cast<std::pair<HFONT, bool>*>(call);
    LOGFONTA lf = DefaultListCaptionFont();
    lf.lfHeight = -37; // a font no cell asks for
    c->first = viewres::CaptionFont(lf, &c->second);
    return 0;
}

HANDLE g_inside, g_go;

TEST(CaptionFonts, MadeOnceAcrossThreadsAndFreedOnUnload)
{
    // The first thread is held just after its lookup missed; the second waits, then shares its font.
    g_inside = CreateEventA(nullptr, TRUE, FALSE, nullptr), g_go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    viewres::SetCaptionFontMissHook([] { SetEvent(g_inside), WaitForSingleObject(g_go, 5000); });
    std::pair<HFONT, bool> a = {}, b = {};
    HANDLE first = CreateThread(nullptr, 0, MakeFont, &a, 0, nullptr);
    ASSERT_EQ(WaitForSingleObject(g_inside, 5000), WAIT_OBJECT_0);
    HANDLE second = CreateThread(nullptr, 0, MakeFont, &b, 0, nullptr);
    EXPECT_EQ(WaitForSingleObject(second, 300), DWORD(WAIT_TIMEOUT));
    SetEvent(g_go);
    WaitForSingleObject(first, 5000), WaitForSingleObject(second, 5000);
    viewres::SetCaptionFontMissHook(nullptr);
    for (HANDLE h : {first, second, g_inside, g_go})
        CloseHandle(h);
    EXPECT_TRUE(a.first && a.first == b.first && !a.second && !b.second);

    // Unloading frees the cached fonts; later paints make them again.
    viewres::ReleaseViewResources(nullptr);
    EXPECT_EQ(GetObjectType(a.first), 0u);
    MakeFont(&b);
    EXPECT_EQ(GetObjectType(b.first), DWORD(OBJ_FONT));
}

TEST(LibraryUnload, UnregistersTheViewClassesAndFreesTheirBrushes)
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    strcpy(strrchr(path, '\\') + 1, "album.dll"); // built next to the test programs
    HMODULE dll = LoadLibraryA(path);
    ASSERT_NE(dll, nullptr) << path;
    auto cells = reinterpret_cast<int (*)(HINSTANCE)>(GetProcAddress(dll, "_Z18CThumbviewRegisterP11HINSTANCE__"));
    auto lists = reinterpret_cast<int (*)(HINSTANCE)>(GetProcAddress(dll, "_Z22CThumbListViewRegisterP11HINSTANCE__"));
    ASSERT_TRUE(cells && lists && cells(dll) + lists(dll) == 2);
    WNDCLASSA cell, list;
    ASSERT_TRUE(GetClassInfoA(dll, "ThumbViewClass", &cell) && GetClassInfoA(dll, "CThumbListView2", &list));
    ASSERT_TRUE(FreeLibrary(dll));
    EXPECT_FALSE(GetClassInfoA(dll, "ThumbViewClass", &cell) || GetClassInfoA(dll, "CThumbListView2", &list));
    EXPECT_EQ(GetObjectType(cell.hbrBackground) + GetObjectType(list.hbrBackground), 0u);
}

} // namespace
