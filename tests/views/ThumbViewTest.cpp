// The thumbnail cell: layout arithmetic, pixels painted per style, caption placement, the
// messages it sends its parent, drag records, partial repaints and the tooltip.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <string.h>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>
#include "album/AlbumMessages.h"
#include "album/DragRecord.h"
#include "album/ThumbView.h"
#include "host/Instance.h"
#include "support/MessageLog.h"
#include "support/TestSupport.h"
#include "views/CellPaint.h"
#include "views/ViewCreateInfo.h"

using namespace testsupport;
using Rect = std::vector<LONG>;

namespace {

const COLORREF kPicture = RGB(0x20, 0xA0, 0x60), kGrey = RGB(0xC0, 0xC0, 0xC0), kShade = RGB(0x80, 0x80, 0x80);
const COLORREF kRed = RGB(0xFF, 0, 0), kBlue = RGB(0, 0, 0xFF), kWhite = RGB(0xFF, 0xFF, 0xFF), kBlack = 0;

Rect R(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

struct FixedMeasure : cellpaint::TextMeasure { // six pixels per character
    int Width(const char*, int count) const override { return count * 6; }
};

std::string Short(const char* path, int limit)
{
    char out[cellpaint::kCaptionChars];
    cellpaint::ShortName(path, limit, FixedMeasure(), out, sizeof out);
    return out;
}

std::string Card(int id, const char* path, int limit)
{
    char out[cellpaint::kCaptionChars];
    cellpaint::CardCaption(id, path, limit, FixedMeasure(), out, sizeof out);
    return out;
}

TEST(CellLayout, PictureRectAndCaptionTexts)
{
    EXPECT_EQ(R(cellpaint::PictureRect({5, 5, 64, 87}, 48, 48)), (Rect{10, 22, 58, 70})); // 70 x 108 card
    EXPECT_EQ(R(cellpaint::PictureRect({0, 0, 60, 60}, 100, 40)), (Rect{0, 10, 60, 50}));
    EXPECT_EQ(R(cellpaint::PictureRect({0, 0, 60, 60}, 0x7FFFFFFF, 0x7FFFFFFF)), (Rect{0, 0, 60, 60}));

    EXPECT_EQ(Short("c:\\photos\\holiday.jpg", 66), "holiday.jpg"); // 66 px: fits whole
    EXPECT_EQ(Short("c:\\photos\\holiday.jpg", 60), "holid~.jpg");
    EXPECT_EQ(Short("c:\\photos\\holiday.jpg", 10), "~.jpg"); // nothing fits
    EXPECT_EQ(Short("a.b", 1), "a.b");
    EXPECT_EQ(Short("c:\\dir\\", 50), "");

    EXPECT_EQ(Card(7, "c:\\photos\\holiday.jpg", 200), "7. holiday.jpg");
    EXPECT_EQ(Card(7, "c:\\photos\\holiday.jpg", 83), "7. liday.jpg"); // the tail is kept
    EXPECT_EQ(Card(7, "c:\\photos\\holiday.jpg", 1), "7. .jpg");
    EXPECT_EQ(Card(12, "noext", 200), "12. noext");
    EXPECT_EQ(Card(3, "", 200), "3. ");
}

HGLOBAL SolidDib(int w, int h)
{
    HGLOBAL block = MakeDib(w, h, 0);
    auto* p = static_cast<unsigned char*>(GlobalLock(block)) + sizeof(BITMAPINFOHEADER);
    const size_t stride = ((size_t(w) * 3 + 3) / 4) * 4;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            memcpy(p + y * stride + x * 3, "\x60\xA0\x20", 3); // kPicture, blue first
    GlobalUnlock(block);
    return block;
}

std::unique_ptr<CThumbnail2> Thumb(int w, int h, const char* name = "c:\\photos\\holiday.jpg")
{
    tagALBUMINFOHEADER rec = MakeRecord(name);
    rec.wWidth = 1024;
    rec.wHeight = 768;
    return std::make_unique<CThumbnail2>(&rec, SolidDib(w, h), 7, 1);
}

tagAlbumViewCreateInfo Info(int style, int caption = ACI_CAPTION_NONE)
{
    tagAlbumViewCreateInfo aci = style == ACI_CELL_CARD ? ManagerCtrlViewInfo(1, 1) : DefaultListViewInfo();
    aci.nCellStyle = style;
    aci.nCaption = caption;
    aci.nSelectMode = ACI_SELECT_MULTI;
    return aci;
}

// The cell painted into a 32-bit memory DC through WM_PRINT (background, then WM_PRINTCLIENT).
struct Canvas {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = nullptr;
    DWORD* bits = nullptr;
    int w, h;
    explicit Canvas(CThumbView2& cell)
    {
        RECT rc;
        GetClientRect(cell.m_hWnd, &rc);
        w = rc.right, h = rc.bottom;
        BITMAPINFO bi = {};
        bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
        SelectObject(dc, bitmap);
        std::fill(bits, bits + w * h, 0xFF00FF);
        SendMessageA(cell.m_hWnd, WM_PRINT, WPARAM(dc), PRF_CLIENT | PRF_ERASEBKGND);
        GdiFlush();
    }
    ~Canvas() { DeleteDC(dc), DeleteObject(bitmap); }
    Canvas(const Canvas&) = delete;
    COLORREF At(int x, int y) const { return RGB(bits[y * w + x] >> 16, bits[y * w + x] >> 8, bits[y * w + x]); }
    // How many pixels of colour c lie in [x0, x1) x [y0, y1), and their bounding box.
    int Count(COLORREF c, int x0, int y0, int x1, int y1, Rect* box = nullptr) const
    {
        int n = 0;
        Rect b = {x1, y1, x0, y0};
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if (At(x, y) == c && ++n)
                    b = {std::min<LONG>(b[0], x), std::min<LONG>(b[1], y), std::max<LONG>(b[2], x + 1),
                         std::max<LONG>(b[3], y + 1)};
        if (box)
            *box = b;
        return n;
    }
    // Every listed pixel {x, y, colour} has its colour.
    void Expect(std::initializer_list<std::vector<LONG>> pixels) const
    {
        for (const auto& p : pixels)
            EXPECT_EQ(At(p[0], p[1]), COLORREF(p[2])) << p[0] << "," << p[1];
    }
    Rect Box(COLORREF c, RECT r) const
    {
        Rect b;
        Count(c, r.left, r.top, r.right, r.bottom, &b);
        return b;
    }
    // Text extent on this DC with the cell's caption font.
    SIZE Extent(const tagAlbumViewCreateInfo& aci, const std::string& text) const
    {
        HFONT font = CreateFontIndirectA(&aci.lfCaption);
        HGDIOBJ old = SelectObject(dc, font);
        SIZE s = {};
        GetTextExtentPoint32A(dc, text.c_str(), int(text.size()), &s);
        DeleteObject(SelectObject(dc, old));
        return s;
    }
};

struct Cell : ::testing::Test {
    static bool registeredHere;
    static MessageLog* log; // one parent for the suite: top-level windows are slow to come and go
    static void SetUpTestSuite()
    {
        WNDCLASSA wc;
        if (!GetClassInfoA(AlbumInstance(), "ThumbViewClass", &wc))
            registeredHere = CThumbviewRegister(AlbumInstance()) == 1;
        log = new MessageLog(400, 300);
    }
    static void TearDownTestSuite() // leave the process as found: other suites register it too
    {
        delete log;
        if (registeredHere)
            UnregisterClassA("ThumbViewClass", AlbumInstance());
        registeredHere = false;
    }
    void SetUp() override { log->Clear(); }
    MessageLog& parent = *log;
    std::unique_ptr<CThumbView2> Make(int w, int h, tagAlbumViewCreateInfo aci, HWND owner = nullptr)
    {
        auto cell = std::make_unique<CThumbView2>(owner ? owner : parent.hwnd(), RECT{10, 10, w, h}, aci);
        EXPECT_TRUE(IsWindow(cell->m_hWnd));
        return cell;
    }
};
bool Cell::registeredHere = false;
MessageLog* Cell::log = nullptr;

TEST_F(Cell, RegistrationAndLifetime)
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    ASSERT_TRUE(GetClassInfoExA(AlbumInstance(), "ThumbViewClass", &wc));
    EXPECT_EQ(wc.style, UINT(CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS));
    EXPECT_EQ(wc.cbWndExtra, int(sizeof(void*)));
    LOGBRUSH lb = {};
    ASSERT_TRUE(GetObjectA(wc.hbrBackground, sizeof lb, &lb));
    EXPECT_EQ(lb.lbColor, kGrey);

    auto cell = Make(5, 5, Info(ACI_CELL_PLAIN));
    RECT rc;
    GetClientRect(cell->m_hWnd, &rc);
    EXPECT_EQ(R(rc), (Rect{0, 0, 16, 16})); // at least 16 x 16
    char text[16] = {};
    GetWindowTextA(cell->m_hWnd, text, sizeof text);
    EXPECT_STREQ(text, "NULL");
    EXPECT_EQ(GetWindowLongPtrA(cell->m_hWnd, GWLP_USERDATA), LONG_PTR(cell.get()));

    // Deleting the object closes the window; a window that died with its parent is let go.
    HWND hwnd = cell->m_hWnd;
    cell.reset();
    EXPECT_FALSE(IsWindow(hwnd));
    HWND frame = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 99, 99, parent.hwnd(), nullptr, nullptr, nullptr);
    auto orphan = Make(40, 40, Info(ACI_CELL_PLAIN), frame);
    DestroyWindow(frame);
    EXPECT_EQ(orphan->m_hWnd, nullptr);
}

TEST_F(Cell, CardGeometryAndMarks)
{
    auto cell = Make(70, 108, Info(ACI_CELL_CARD));
    auto t = Thumb(48, 48);
    cell->Attach(t.get()); // painted
    {
        Canvas c(*cell);
        EXPECT_EQ(c.Box(kPicture, {0, 0, 70, 108}), (Rect{10, 22, 58, 70}));
        EXPECT_EQ(R(cell->m_rcImage), (Rect{10, 22, 58, 70}));
        EXPECT_EQ(c.Count(kBlack, 3, 89, 66, 90), 63); // the caption strip's line at b - 19
        c.Expect({{30, 106, kWhite}, {2, 50, kShade}, {3, 50, kBlack}, {66, 50, kBlack}}); // sunken, black inside
        EXPECT_EQ(c.Count(0xFF0033, 0, 0, 70, 108), 0);
        EXPECT_GT(c.Count(kBlack, 6, 92, 63, 105), 0); // caption text in the strip
    }
    // Selecting repaints only the bands around the picture.
    ValidateRect(cell->m_hWnd, nullptr);
    cell->SetSelect(1);
    EXPECT_EQ(cell->IsSelect(), 1);
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    GetUpdateRgn(cell->m_hWnd, rgn, FALSE);
    for (POINT p : {POINT{30, 23}, POINT{11, 40}, POINT{56, 40}, POINT{30, 68}, POINT{2, 100}})
        EXPECT_TRUE(PtInRegion(rgn, p.x, p.y)) << p.x << "," << p.y;
    for (POINT p : {POINT{12, 24}, POINT{55, 67}, POINT{30, 40}})
        EXPECT_FALSE(PtInRegion(rgn, p.x, p.y)) << p.x << "," << p.y;
    DeleteObject(rgn);

    t->m_bFocus = 1;
    t->m_bExist = 0; // no struck-through circle on cards
    Canvas c(*cell);
    EXPECT_EQ(c.Count(0xFF0033, 4, 4, 66, 5), 62); // selection outline
    EXPECT_EQ(c.At(4, 50), COLORREF(0xFF0033));
    EXPECT_GT(c.Count(0xFF0033, 6, 92, 63, 105), 0); // focused caption
    EXPECT_EQ(c.Count(kRed, 0, 0, 16, 16), 0);
    cell->Attach(nullptr);
    cell->SetSelect(1); // an empty cell has no selection
    EXPECT_EQ(cell->IsSelect(), 0);
}

TEST_F(Cell, FramesAndMarksOfTheOtherStyles)
{
    auto t = Thumb(100, 40);
    t->m_bFocus = 1; // raised cells show no focus mark
    auto raised = Make(60, 60, Info(ACI_CELL_RAISED));
    raised->Attach(t.get());
    {
        Canvas c(*raised);
        EXPECT_EQ(c.Box(kPicture, {0, 0, 60, 60}), (Rect{0, 10, 60, 50}));
        c.Expect({{30, 9, kShade}, {30, 50, kWhite}, {30, 1, kWhite}, {59, 5, kShade}}); // sunken picture, raised cell
        EXPECT_EQ(c.Count(kRed, 0, 0, 60, 60), 0);
    }
    t->m_bSelect = 1;
    EXPECT_EQ(Canvas(*raised).At(30, 1), GetSysColor(COLOR_BTNSHADOW)); // sunken edge inside the cell

    auto small = Thumb(20, 20);
    auto black = Make(60, 60, Info(ACI_CELL_BLACK));
    auto plain = Make(40, 40, Info(ACI_CELL_PLAIN));
    black->Attach(small.get());
    plain->Attach(small.get());
    {
        Canvas b(*black), p(*plain);
        EXPECT_EQ(b.Count(kBlack, 0, 0, 60, 1) + b.Count(kBlack, 59, 0, 60, 60), 120); // black outline
        EXPECT_EQ(p.At(20, 0), kGrey);                                                    // no frame
        EXPECT_EQ(b.Count(kRed, 0, 0, 60, 60), 0);
    }
    small->m_bExist = 0;
    small->m_bFocus = small->m_bSelect = 1;
    {
        Canvas b(*black), p(*plain);
        b.Expect({{3, 3, kRed}, {13, 3, kRed}, {8, 8, kRed}}); // missing source: struck-through circle
        EXPECT_GT(b.Count(kRed, 21, 21, 39, 22), 3);         // dotted focus mark inside the picture
        EXPECT_EQ(b.Count(kBlack, 58, 0, 59, 60), 60);       // selection mark 2 pixels wide (> 50 px)
        EXPECT_EQ(p.Count(kBlack, 38, 1, 39, 39), 0);        // and 1 pixel in small cells
        EXPECT_EQ(p.Count(kBlack, 39, 0, 40, 40), 40);
    }
    // Single selection shows no focus mark; a background fills the cell inside the pen's outline.
    black->m_aci.nSelectMode = ACI_SELECT_SINGLE;
    small->m_bExist = 1;
    EXPECT_EQ(plain->SetThumbViewBkColor(WHITE_BRUSH), -1);
    EXPECT_EQ(Canvas(*black).Count(kRed, 0, 0, 60, 60), 0);
    EXPECT_EQ(Canvas(*plain).At(5, 20), kWhite);
}

TEST_F(Cell, CaptionPlacement)
{
    tagAlbumViewCreateInfo aci = Info(ACI_CELL_PLAIN, ACI_CAPTION_NUMBER_NAME);
    auto cell = Make(120, 100, aci);
    auto t = Thumb(8, 8, "c:\\photos\\a_rather_long_holiday_picture.jpg");
    t->m_bSelect = t->m_bFocus = 1; // both boxes filled, their text in white
    cell->Attach(t.get());
    {
        Canvas c(*cell);
        const SIZE n = c.Extent(aci, "7");
        const RECT name = {6, 100 - n.cy - 4, 114, 100 - 4};
        const LONG left = (120 - (n.cx + 4)) / 2;
        // Rectangle outlines the box on its edge and fills inside; the number sits right above.
        EXPECT_EQ(c.Box(kBlue, {0, name.top, 120, 100}), (Rect{7, name.top + 1, 113, name.bottom - 1}));
        EXPECT_EQ(c.Box(kBlue, {0, 0, 120, name.top}), (Rect{left + 1, name.top - n.cy, 119 - left, name.top - 2}));

        // The long name is shortened to fit: centred in its box, not cut at its edges.
        ASSERT_GT(c.Extent(aci, "a_rather_long_holiday_picture.jpg").cx, 108);
        const Rect ink = c.Box(kWhite, name);
        EXPECT_GT(ink[0], name.left + 2);
        EXPECT_LT(ink[2], name.right - 2);
    }
    // Number only: its box starts 1.2 text heights above the bottom.
    cell->m_aci.nCaption = ACI_CAPTION_NUMBER;
    Canvas c(*cell);
    const int th = c.Extent(aci, "7").cy;
    const Rect box = c.Box(kBlue, {0, 0, 120, 100});
    EXPECT_EQ(box[1], 100 - th * 12 / 10 + 1);
    EXPECT_EQ(box[3], 100 - th * 12 / 10 + th * 11 / 10 - 1);
}

TEST_F(Cell, DamagedThumbnailsPaintSafely)
{
    auto cell = Make(16, 16, Info(ACI_CELL_BLACK, ACI_CAPTION_NUMBER_NAME));
    auto card = Make(70, 108, Info(ACI_CELL_CARD));
    tagALBUMINFOHEADER rec = MakeRecord("x");
    memset(rec.szFileName, 'a', sizeof rec.szFileName); // no NUL
    CThumbnail2 garbage(&rec, MakeBlock(300, 5), -2147483647 - 1, 0), none(&rec, nullptr, 1, 1);
    CThumbnail2 unterminated(&rec, SolidDib(4, 4), 2147483647, 0);
    for (CThumbnail2* t : {&garbage, &none, &unterminated}) {
        cell->Attach(t);
        card->Attach(t);
        Canvas c(*cell), k(*card);
        c.Expect({{0, 8, kBlack}}); // the frames are still drawn
        k.Expect({{3, 50, kBlack}});
        const bool valid = t == &unterminated; // only a valid image is drawn
        EXPECT_EQ(c.Count(kPicture, 0, 0, 16, 16) > 0, valid);
        EXPECT_EQ(k.Count(kPicture, 0, 0, 70, 108) > 0, valid);
        EXPECT_EQ(cell->m_rcImage.right > 0, valid);
    }
}

TEST_F(Cell, MouseMessagesAndCapture)
{
    auto cell = Make(60, 60, Info(ACI_CELL_PLAIN));
    HWND w = cell->m_hWnd;
    const LPARAM self = LPARAM(cell.get());
    const WPARAM keys = MK_LBUTTON | MK_CONTROL;
    cell->SetDragDrop(0); // the cell holds the mouse from a press to the release
    SendMessageA(w, WM_LBUTTONDOWN, keys, MAKELPARAM(5, 5));
    EXPECT_EQ(GetCapture(), w);
    SendMessageA(w, WM_LBUTTONUP, MK_CONTROL, MAKELPARAM(5, 5));
    EXPECT_EQ(GetCapture(), nullptr);
    SendMessageA(w, WM_RBUTTONDOWN, MK_RBUTTON, 0);
    EXPECT_EQ(GetCapture(), w);
    SetCapture(parent.hwnd()); // taken away: the release leaves it alone, the next press retakes it
    SendMessageA(w, WM_RBUTTONUP, 0, 0);
    EXPECT_EQ(GetCapture(), parent.hwnd());
    ReleaseCapture();
    SendMessageA(w, WM_LBUTTONDBLCLK, keys, 0);
    SendMessageA(w, WM_ALBUM_CELLDOWN, MK_SHIFT, 0);
    SendMessageA(w, WM_MOUSEMOVE, 0, 0);
    EXPECT_EQ(parent.messages,
              (std::vector<LoggedMessage>{{WM_ALBUM_CELLDOWN, keys, self}, {WM_ALBUM_CELLUP, MK_CONTROL, self},
                                          {WM_ALBUM_MENU, MK_RBUTTON, self}, {WM_ALBUM_CELLUP, 0, self},
                                          {WM_ALBUM_OPEN, keys, self}, {WM_ALBUM_CELLDOWN, MK_SHIFT, self}}));

    cell->SetDragDrop(1); // the drag transport takes the mouse, never the cell
    parent.Clear();
    SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    EXPECT_NE(GetCapture(), w);
    SendMessageA(w, WM_MOUSEMOVE, 0, 0); // disarms
    SendMessageA(w, WM_LBUTTONUP, 0, 0);
    EXPECT_EQ(parent.Codes(), (std::vector<UINT>{WM_ALBUM_CELLDOWN, WM_ALBUM_CELLUP}));
}

TEST_F(Cell, DragRecords)
{
    auto cell = Make(70, 108, Info(ACI_CELL_CARD));
    auto t = Thumb(48, 48);
    cell->Attach(t.get());
    auto onScreen = [&](int x, int y) { // the cell as the screen shows it
        HDC dc = GetDC(cell->m_hWnd);
        COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(cell->m_hWnd, dc);
        return c;
    };
    tagDRAGRECORD rec = {};
    auto send = [&](int code, int kind) {
        rec.nCode = code, rec.nKind = kind, rec.bHandled = 0, rec.nResult = DRAG_RESULT_REFUSED;
        SendMessageA(cell->m_hWnd, WM_ALBUM_DRAG, 0, LPARAM(&rec));
    };
    send(DRAG_CODE_OVER, 2); // not thumbnails: no claim
    EXPECT_EQ(rec.nResult, DRAG_RESULT_REFUSED);
    EXPECT_EQ(rec.bHandled, 1);
    send(DRAG_CODE_OVER, DRAG_KIND_THUMBNAILS);
    EXPECT_EQ(rec.nResult, DRAG_RESULT_ACCEPTED);
    EXPECT_EQ(onScreen(30, 4), kRed); // hover mark
    send(DRAG_CODE_LEAVE, DRAG_KIND_THUMBNAILS);
    EXPECT_NE(onScreen(30, 4), kRed);
    EXPECT_TRUE(parent.messages.empty());

    send(DRAG_CODE_DROP, DRAG_KIND_THUMBNAILS);
    send(DRAG_CODE_ACCEPT, DRAG_KIND_THUMBNAILS); // passed on unchanged
    EXPECT_EQ(parent.messages, (std::vector<LoggedMessage>{{WM_ALBUM_DROP, WPARAM(cell.get()), LPARAM(&rec)},
                                                           {WM_ALBUM_DRAG, 0, LPARAM(&rec)}}));
    cell->SetDragDrop(0);
    parent.Clear();
    send(DRAG_CODE_DROP, DRAG_KIND_THUMBNAILS);
    EXPECT_EQ(rec.bHandled, 0);
    EXPECT_TRUE(parent.messages.empty());
}

TEST_F(Cell, TooltipShowsImageSize)
{
    tagAlbumViewCreateInfo aci = Info(ACI_CELL_PLAIN);
    EXPECT_EQ(Make(40, 40, aci)->m_hTip, nullptr);
    aci.bToolTip = 1;
    auto cell = Make(40, 40, aci);
    ASSERT_NE(cell->m_hTip, nullptr);
    EXPECT_EQ(SendMessageA(cell->m_hTip, TTM_GETTOOLCOUNT, 0, 0), 1);
    EXPECT_EQ(cell->DoCreateTipWnd(), nullptr); // one tooltip per cell

    auto ask = [&] {
        NMTTDISPINFOA info = {};
        info.hdr = {cell->m_hTip, UINT_PTR(cell->m_hWnd), UINT(TTN_NEEDTEXTA)};
        SendMessageA(cell->m_hWnd, WM_NOTIFY, 0, LPARAM(&info));
        return std::string(info.szText);
    };
    EXPECT_EQ(ask(), ""); // empty cell
    auto t = Thumb(8, 8);
    cell->Attach(t.get());
    EXPECT_EQ(ask(), "1024x768");

    HWND tip = cell->m_hTip;
    cell.reset();
    EXPECT_FALSE(IsWindow(tip));
}

} // namespace
