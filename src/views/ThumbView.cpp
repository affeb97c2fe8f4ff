// The thumbnail cell window: painting, captions, marks, tooltip and the mouse and drag messages.
#include "album/ThumbView.h"

#include <commctrl.h>
#include <windowsx.h>
#include <stdio.h>
#include <string.h>
#include <algorithm>
#include "album/AlbumMessages.h"
#include "album/CaptionCache.h"
#include "album/DragRecord.h"
#include "win/Dib.h"
#include "win/Module.h"
#include "imaging/DragDrop.h"
#include "vendor_standins/imgio/imgio.h"
#include "views/CaptionNames.h"
#include "views/CellPaint.h"
#include "views/DropMark.h"
#include "views/ViewResources.h"
#include "win/Gdi.h"
#include "win/Handles.h"
#include "win/WindowObject.h"

namespace {

const char kClassName[] = "ThumbViewClass";
const int kMinCellSize = 16;

const COLORREF kGrey = RGB(0x80, 0x80, 0x80);
const COLORREF kRed = RGB(0xFF, 0x00, 0x00);
const COLORREF kWhite = RGB(0xFF, 0xFF, 0xFF);
const COLORREF kBlack = RGB(0x00, 0x00, 0x00);
const COLORREF kHighlight = 0xFF0000; // fill of the focused name and the selected number
const COLORREF kCardMark = 0xFF0033;  // card selection outline and focused caption

const UINT kCaptionFormat = DT_CENTER | DT_SINGLELINE | DT_NOPREFIX;

// Text widths on the painting DC with its current font.
class DcMeasure final : public cellpaint::TextMeasure {
public:
    explicit DcMeasure(HDC dc) : dc_(dc) {}
    int Width(const char* text, int count) const override
    {
        SIZE size = {0, 0};
        if (count <= 0 || !GetTextExtentPoint32A(dc_, text, count, &size))
            return 0;
        return size.cx;
    }

private:
    HDC dc_;
};

class WideDcMeasure final : public cellpaint::WideTextMeasure {
public:
    explicit WideDcMeasure(HDC dc) : dc_(dc) {}
    int Width(const wchar_t* text, int count) const override
    {
        SIZE size = {0, 0};
        if (count <= 0 || !GetTextExtentPoint32W(dc_, text, count, &size))
            return 0;
        return size.cx;
    }

private:
    HDC dc_;
};

// A line through the points with pen (which is selected only while drawing).
template <size_t N>
void Trace(HDC dc, HGDIOBJ pen, const POINT (&points)[N])
{
    if (!pen)
        return;
    win::SelectGuard select(dc, pen);
    MoveToEx(dc, points[0].x, points[0].y, nullptr);
    for (size_t i = 1; i < N; ++i)
        LineTo(dc, points[i].x, points[i].y);
}

// The closed outline (a, b) - (c, b) - (c, d) - (a, d) - (a, b).
void Outline(HDC dc, HGDIOBJ pen, LONG a, LONG b, LONG c, LONG d)
{
    const POINT points[] = {{a, b}, {c, b}, {c, d}, {a, d}, {a, b}};
    Trace(dc, pen, points);
}

// The caption font of a record; a face name without its NUL is cut rather than over-read.
// Every cell of a grid paints with the same few fonts, and creating one costs more than the rest
// of a cell's paint, so the fonts are shared until the library is unloaded.
class CaptionFontHandle {
public:
    explicit CaptionFontHandle(const tagAlbumViewCreateInfo& aci)
    {
        LOGFONTA lf = aci.lfCaption;
        win::TerminateField(lf.lfFaceName, sizeof lf.lfFaceName);
        font_ = viewres::CaptionFont(lf, &owned_);
    }
    ~CaptionFontHandle()
    {
        if (owned_ && font_)
            DeleteObject(font_);
    }
    CaptionFontHandle(const CaptionFontHandle&) = delete;
    CaptionFontHandle& operator=(const CaptionFontHandle&) = delete;
    HFONT get() const { return font_; }
    explicit operator bool() const { return font_ != nullptr; }

private:
    HFONT font_ = nullptr;
    bool owned_ = false;
};

void DrawCaption(HDC dc, const char* text, RECT box)
{
    DrawTextA(dc, text, -1, &box, kCaptionFormat);
}
void DrawCaption(HDC dc, const wchar_t* text, RECT box)
{
    DrawTextW(dc, text, -1, &box, kCaptionFormat);
}

// A caption line; marked, it sits in a box of the selected brush and is written in white.
template <class Char>
void DrawMarkedCaption(HDC dc, const Char* text, RECT box, bool marked)
{
    if (!marked) {
        DrawCaption(dc, text, box);
        return;
    }
    Rectangle(dc, box.left, box.top, box.right, box.bottom);
    win::TextColorGuard color(dc, kWhite);
    DrawCaption(dc, text, box);
}

HWND ParentOf(const CThumbView2& cell) { return cell.m_hWnd ? GetParent(cell.m_hWnd) : nullptr; }

// ---- the cell's painters and drag handling (free functions: they are not part of the exports) ----

void DrawHoverMark(CThumbView2& cell)
{
    RECT c;
    if (!cell.m_hWnd || !GetClientRect(cell.m_hWnd, &c))
        return;
    win::WindowDC window(cell.m_hWnd);
    HDC dc = window.dc();
    if (!dc)
        return;
    const LONG l = c.left, t = c.top, r = c.right - 1, b = c.bottom;
    win::Pen red(CreatePen(PS_SOLID, 1, kRed));
    Outline(dc, red.get(), l + 4, t + 4, r - 4, b - 20);
    cell.CThumbTextOut_Net(dc, l + 6, b - 16, r - 10, 16, kRed);
}

} // namespace

bool ShowDropMark(CThumbView2& cell)
{
    if (!cell.m_pThumbnail || cell.m_aci.nCellStyle != ACI_CELL_CARD)
        return false;
    DrawHoverMark(cell);
    return true;
}

void RemoveDropMark(CThumbView2& cell)
{
    if (cell.m_hWnd) {
        InvalidateRect(cell.m_hWnd, nullptr, TRUE);
        UpdateWindow(cell.m_hWnd);
    }
}

namespace {

void OnDragRecord(CThumbView2& cell, WPARAM wParam, LPARAM lParam)
{
    // Only the transport's own record, while it is delivering, is answered in: any other lParam
    // could make the cell write wherever a sender of the message chose.
    if (!cell.m_bDragDrop || !IsLiveDragRecord(lParam))
        return;
    tagDRAGRECORD* record = reinterpret_cast<tagDRAGRECORD*>(lParam);
    record->bHandled = 1;
    const bool card = cell.m_aci.nCellStyle == ACI_CELL_CARD;
    switch (record->nCode) {
    case DRAG_CODE_DROP:
        if (cell.m_pThumbnail && cell.m_hWnd) {
            InvalidateRect(cell.m_hWnd, nullptr, TRUE);
            UpdateWindow(cell.m_hWnd);
        }
        if (HWND parent = ParentOf(cell))
            SendMessageA(parent, WM_ALBUM_DROP, reinterpret_cast<WPARAM>(&cell), lParam);
        break;
    case DRAG_CODE_OVER:
        if (record->nKind == DRAG_KIND_THUMBNAILS && ShowDropMark(cell))
            record->nResult = DRAG_RESULT_ACCEPTED;
        break;
    case DRAG_CODE_LEAVE:
        if (cell.m_pThumbnail && card)
            RemoveDropMark(cell);
        break;
    default:
        if (HWND parent = ParentOf(cell))
            SendMessageA(parent, WM_ALBUM_DRAG, wParam, lParam);
        break;
    }
}

void PaintPlain(CThumbView2& cell, HDC dc, const RECT& client)
{
    const LONG l = client.left, t = client.top, r = client.right, b = client.bottom;
    const int style = cell.m_aci.nCellStyle;
    win::SelectGuard basePen(dc, GetStockObject(BLACK_PEN));

    if (cell.m_nBkColor >= 0) {
        HGDIOBJ background = GetStockObject(cell.m_nBkColor);
        if (background && GetObjectType(background) == OBJ_BRUSH) {
            win::SelectGuard fill(dc, background);
            Rectangle(dc, l, t, r, b);
        }
    }

    win::SelectGuard noFill(dc, GetStockObject(NULL_BRUSH));
    const CaptionFontHandle font(cell.m_aci);
    if (!font)
        return;
    win::SelectGuard fontSelect(dc, font.get());
    win::Pen grey(CreatePen(PS_SOLID, 1, kGrey));
    HGDIOBJ white = GetStockObject(WHITE_PEN);

    if (style == ACI_CELL_RAISED) {
        const POINT shade[] = {{l + 1, b - 1}, {r - 1, b - 1}, {r - 1, t + 1}};
        const POINT light[] = {{r - 1, t + 1}, {l + 1, t + 1}, {l + 1, b - 1}};
        Trace(dc, grey.get(), shade);
        Trace(dc, white, light);
    } else if (style == ACI_CELL_BLACK) {
        Rectangle(dc, l, t, r, b);
    }

    if (!cell.m_pThumbnail)
        return;
    HGLOBAL image = cell.m_pThumbnail->GetDib();
    dib::Layout layout;
    if (!image || !dib::IsValidBlock(image, &layout)) // a damaged album paints an empty frame
        return;
    const RECT pic = cellpaint::PictureRect(client, layout.width, layout.height);
    cell.m_rcImage = pic;
    ImgIoDrawDib(dc, &pic, image, 0, 0, 0);

    if (!cell.m_pThumbnail->m_bExist) {
        win::Pen red(CreatePen(PS_SOLID, 1, kRed));
        win::SelectGuard pen(dc, red.get());
        Arc(dc, 4, 4, 12, 12, 12, 8, 12, 8); // equal start and end: the whole ellipse
        const POINT down[] = {{2, 2}, {14, 14}};
        const POINT up[] = {{14, 2}, {2, 14}};
        Trace(dc, red.get(), down);
        Trace(dc, red.get(), up);
    }

    if (style == ACI_CELL_RAISED) {
        const POINT shade[] = {{pic.left - 1, pic.bottom}, {pic.left - 1, pic.top - 1}, {pic.right + 1, pic.top - 1}};
        const POINT light[] = {{pic.right, pic.top}, {pic.right, pic.bottom}, {pic.left - 2, pic.bottom}};
        Trace(dc, grey.get(), shade);
        Trace(dc, white, light);
    }

    if (cell.m_aci.nSelectMode != ACI_SELECT_SINGLE && style != ACI_CELL_RAISED && cell.m_pThumbnail->m_bFocus) {
        win::Pen dotted(CreatePen(PS_DOT, 1, kRed));
        Outline(dc, dotted.get(), pic.left + 1, pic.top + 1, pic.right - 1, pic.bottom - 1);
    }

    if (cell.m_pThumbnail->m_bSelect) {
        if (style == ACI_CELL_RAISED) {
            RECT edge = client;
            InflateRect(&edge, -1, -1);
            DrawEdge(dc, &edge, EDGE_SUNKEN, BF_RECT);
        } else {
            win::Pen black(CreatePen(PS_SOLID, (r - 1 > 50 || b - 1 > 50) ? 2 : 1, kBlack));
            Outline(dc, black.get(), l, t, r - 1, b - 1);
        }
    }

    if (cell.m_aci.nCaption != ACI_CAPTION_NONE) {
        RECT captionArea = client;
        cell.CThumbTextOut(dc, &captionArea);
    }
}

void PaintCard(CThumbView2& cell, HDC dc, const RECT& client)
{
    const LONG l = client.left, t = client.top, r = client.right - 1, b = client.bottom;
    win::Pen grey(CreatePen(PS_SOLID, 1, kGrey));
    HGDIOBJ white = GetStockObject(WHITE_PEN);
    HGDIOBJ black = GetStockObject(BLACK_PEN);

    const POINT light[] = {{l + 2, b - 2}, {r - 2, b - 2}, {r - 2, t + 2}};
    const POINT shade[] = {{r - 2, t + 2}, {l + 2, t + 2}, {l + 2, b - 2}};
    Trace(dc, white, light);
    Trace(dc, grey.get(), shade);
    Outline(dc, black, l + 3, b - 3, r - 3, t + 3);
    const POINT strip[] = {{l + 3, b - 19}, {r - 3, b - 19}};
    Trace(dc, black, strip);

    if (cell.m_pThumbnail && cell.m_pThumbnail->m_bSelect) {
        win::Pen mark(CreatePen(PS_SOLID, 1, kCardMark));
        Outline(dc, mark.get(), l + 4, t + 4, r - 4, b - 20);
    }

    win::SelectGuard noFill(dc, GetStockObject(NULL_BRUSH));
    if (!cell.m_pThumbnail)
        return;
    HGLOBAL image = cell.m_pThumbnail->GetDib();
    dib::Layout layout;
    if (!image || !dib::IsValidBlock(image, &layout))
        return;
    const RECT area = {l + 5, t + 5, r - 5, b - 21};
    const RECT pic = cellpaint::PictureRect(area, layout.width, layout.height);
    cell.m_rcImage = pic;
    ImgIoDrawDib(dc, &pic, image, 0, 0, 0);

    cell.CThumbTextOut_Net(dc, l + 6, b - 16, r - 10, 16, cell.m_pThumbnail->m_bFocus ? kCardMark : 0);
}

} // namespace

// ---- class registration and the class procedure ----

static LRESULT CALLBACK ThumbViewClassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    static const win::WindowBinding<CThumbView2> binding = [] {
        win::WindowBinding<CThumbView2> b;
        b.objectOptional = true;
        // Messages sent before CreateWindow returns already need the handle.
        b.bound = [](CThumbView2& cell, HWND w) { cell.m_hWnd = w; };
        // The window may die before its object (with its parent): the object must not keep a
        // handle that could later name another window, nor the tooltip it owned.
        b.unbound = [](CThumbView2& cell, HWND w) {
            if (cell.m_hWnd == w) {
                cell.m_hWnd = nullptr;
                cell.m_hTip = nullptr;
                cell.m_bCaptured = 0;
            }
        };
        return b;
    }();
    return win::DispatchToObject<CThumbView2, &CThumbView2::CThumbnailWndProc>(hwnd, msg, wParam, lParam, binding);
}

int CThumbviewRegister(HINSTANCE instance)
{
    WNDCLASSA wc;
    if (GetClassInfoA(instance, kClassName, &wc))
        return 1; // registered once per process; a second call is not a failure
    memset(&wc, 0, sizeof wc);
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = ThumbViewClassProc;
    wc.cbWndExtra = sizeof(void*);
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = viewres::ClassBrush(viewres::CellClass);
    wc.lpszClassName = kClassName;
    // Another thread may have registered it meanwhile.
    return RegisterClassA(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS ? 1 : 0;
}

// ---- life cycle ----

CThumbView2::CThumbView2(HWND parent, RECT rect, tagAlbumViewCreateInfo& info)
    : m_hWnd(nullptr), m_pThumbnail(nullptr), m_aci(info), m_rcImage{0, 0, 0, 0}, m_bDragDrop(1),
      m_nBkColor(-1), m_hTip(nullptr), m_bCaptured(0)
{
    const int width = std::max<LONG>(rect.right, kMinCellSize);
    const int height = std::max<LONG>(rect.bottom, kMinCellSize);
    m_hWnd = CreateWindowExA(0, kClassName, "NULL", WS_CHILD | WS_VISIBLE, rect.left, rect.top, width, height,
                             parent, nullptr, AlbumInstance(), this);
    if (!m_hWnd)
        return;
    ShowWindow(m_hWnd, SW_SHOW);
    if (m_aci.bToolTip)
        DoCreateTipWnd();
}

CThumbView2::~CThumbView2()
{
    if (m_hTip && IsWindow(m_hTip))
        DestroyWindow(m_hTip);
    m_hTip = nullptr;
    HWND hwnd = m_hWnd;
    if (hwnd && IsWindow(hwnd)) {
        SendMessageA(hwnd, WM_CLOSE, 0, 0);
        // Should the window survive the close, it must not call into a deleted object.
        if (IsWindow(hwnd) && GetWindowLongPtrA(hwnd, GWLP_USERDATA) == reinterpret_cast<LONG_PTR>(this))
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    }
}

CThumbView2::CThumbView2(const CThumbView2& other) = default;
CThumbView2& CThumbView2::operator=(const CThumbView2& other) = default;

// ---- state ----

CThumbnail2* CThumbView2::GetThumbnail() { return m_pThumbnail; }

int CThumbView2::Attach(CThumbnail2* t)
{
    if (!SetThumbnail(t))
        return 0;
    return UpdateWindow(m_hWnd);
}

int CThumbView2::SetThumbnail(CThumbnail2* t)
{
    m_pThumbnail = t;
    if (!m_hWnd)
        return 0;
    InvalidateRect(m_hWnd, nullptr, TRUE);
    if (m_hTip)
        SendMessageA(m_hTip, TTM_ACTIVATE, t ? TRUE : FALSE, 0);
    return 1;
}

void CThumbView2::SetSelect(int select)
{
    if (!m_pThumbnail)
        return;
    m_pThumbnail->SetSelect(select);
    InvalidateView();
}

int CThumbView2::IsSelect() { return m_pThumbnail ? m_pThumbnail->IsSelect() : 0; }

void CThumbView2::InvalidateView()
{
    RECT c;
    if (!m_hWnd || !GetClientRect(m_hWnd, &c))
        return;
    const RECT& i = m_rcImage;
    const RECT bands[] = {
        {0, 0, c.right, i.top + 2},
        {0, 0, i.left + 2, i.bottom - 2},
        {i.right - 2, 0, c.right, i.bottom - 2},
        {0, i.bottom - 2, c.right, c.bottom},
    };
    for (const RECT& band : bands)
        if (band.right > band.left && band.bottom > band.top) // an inverted band would be flipped, not skipped
            InvalidateRect(m_hWnd, &band, TRUE);
}

int CThumbView2::SetThumbViewBkColor(int stockObject)
{
    const int previous = m_nBkColor;
    m_nBkColor = stockObject;
    if (m_hWnd)
        InvalidateRect(m_hWnd, nullptr, FALSE);
    return previous;
}

void CThumbView2::SetDragDrop(int dragDrop) { m_bDragDrop = dragDrop; }

// ---- messages ----

LRESULT CThumbView2::CThumbnailWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_PAINT:
        OnPaint();
        break;
    case WM_PRINTCLIENT:
        PaintTo(reinterpret_cast<HDC>(wParam));
        break;
    case WM_NOTIFY:
        SetTip(msg, wParam, lParam);
        break;
    case WM_MOUSEMOVE:
        if (m_bDragDrop && CheckDragStart(hwnd, wParam, lParam))
            SetCursor(LoadCursorA(AlbumInstance(), MAKEINTRESOURCEA(IDC_ALBUM_DRAG)));
        OnMouse(msg, wParam, lParam);
        break;
    case WM_LBUTTONDOWN:
        if (m_bDragDrop)
            ArmDrag(hwnd, wParam, lParam, DRAG_KIND_THUMBNAILS);
        OnMouse(msg, wParam, lParam);
        break;
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_ALBUM_CELLDOWN:
        OnMouse(msg, wParam, lParam);
        break;
    case WM_CAPTURECHANGED:
        // Capture taken away (a menu, a dialog, another window): the next press takes it again.
        if (reinterpret_cast<HWND>(lParam) != hwnd)
            m_bCaptured = 0;
        break;
    case WM_ALBUM_DRAG:
        OnDragRecord(*this, wParam, lParam);
        break;
    default:
        break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void CThumbView2::OnMouse(UINT msg, WPARAM wParam, LPARAM lParam)
{
    SetTip(msg, wParam, lParam);
    UINT notify = 0;
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        // Without drag-and-drop nobody else takes the mouse, so the release still reaches us.
        if (!m_bDragDrop && !m_bCaptured && m_hWnd) {
            SetCapture(m_hWnd);
            m_bCaptured = 1;
        }
        notify = msg == WM_LBUTTONDOWN ? WM_ALBUM_CELLDOWN : WM_ALBUM_MENU;
        break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
        if (m_bCaptured && ReleaseCapture())
            m_bCaptured = 0;
        notify = WM_ALBUM_CELLUP;
        break;
    case WM_LBUTTONDBLCLK:
        notify = WM_ALBUM_OPEN;
        break;
    case WM_ALBUM_CELLDOWN:
        notify = WM_ALBUM_CELLDOWN;
        break;
    default:
        break;
    }
    HWND parent = ParentOf(*this);
    if (notify && parent)
        SendMessageA(parent, notify, wParam, reinterpret_cast<LPARAM>(this));
}


// ---- painting ----

void CThumbView2::OnPaint()
{
    win::PaintDC paint(m_hWnd);
    PaintTo(paint.dc());
}

void CThumbView2::OnPaint_Net()
{
    // PaintTo picks the card painter by the cell's style.
    win::PaintDC paint(m_hWnd);
    PaintTo(paint.dc());
}

void CThumbView2::PaintTo(HDC dc)
{
    RECT client;
    if (!dc || !m_hWnd || !GetClientRect(m_hWnd, &client))
        return;
    if (m_aci.nCellStyle == ACI_CELL_CARD)
        PaintCard(*this, dc, client);
    else
        PaintPlain(*this, dc, client);
}


void CThumbView2::CThumbTextOut(HDC dc, RECT* client)
{
    if (!dc || !client || !m_pThumbnail)
        return;
    win::Brush highlight(CreateSolidBrush(kHighlight));
    if (!highlight)
        return;
    win::SelectGuard fill(dc, highlight.get());
    win::BkModeGuard transparent(dc, TRANSPARENT);
    const RECT& area = *client;

    char number[16];
    snprintf(number, sizeof number, "%d", m_pThumbnail->GetID());
    SIZE numberSize = {0, 0};
    GetTextExtentPoint32A(dc, number, int(strlen(number)), &numberSize);
    const int textHeight = numberSize.cy;

    RECT nameBox = {0, 0, 0, 0};
    const bool nameLine = m_aci.nCaption == ACI_CAPTION_NUMBER_NAME;
    if (nameLine) {
        const int limit = area.right - area.right / 10;
        nameBox = cellpaint::NameBox(area, textHeight);
        std::wstring real = album::RealFileNameOf(*m_pThumbnail);
        if (!real.empty()) {
            // Stored by its short name: shown by the name people gave it, lower-cased likewise.
            CharLowerBuffW(&real[0], DWORD(real.size()));
            const std::wstring name = cellpaint::ShortName(real, limit, WideDcMeasure(dc));
            DrawMarkedCaption(dc, name.c_str(), nameBox, m_pThumbnail->m_bFocus != 0);
        } else {
            char path[ALBUM_TEXT_FIELD];
            cellpaint::LowerField(path, sizeof path, m_pThumbnail->m_Info.szFileName,
                                  sizeof m_pThumbnail->m_Info.szFileName);
            char name[cellpaint::kCaptionChars];
            cellpaint::ShortName(path, limit, DcMeasure(dc), name, sizeof name);
            DrawMarkedCaption(dc, name, nameBox, m_pThumbnail->m_bFocus != 0);
        }
    }

    const RECT numberBox = cellpaint::NumberBox(area, numberSize.cx, textHeight, nameLine ? &nameBox : nullptr);
    DrawMarkedCaption(dc, number, numberBox, m_pThumbnail->m_bSelect != 0);
}


void CThumbView2::CThumbTextOut_Net(HDC dc, int x, int y, int width, int height, COLORREF color)
{
    if (!dc || !m_pThumbnail)
        return;
    const CaptionFontHandle font(m_aci);
    if (!font)
        return;
    win::SelectGuard fontSelect(dc, font.get());
    win::BkModeGuard transparent(dc, TRANSPARENT);

    // The short form keeps long paths' names recognisable in a narrow strip. It is found once
    // and kept on the thumbnail (a page of cards is filled from folder listings before it paints).
    char path[MAX_PATH];
    captions::CaptionPath(*m_pThumbnail, path, sizeof path);
    CharLowerBuffA(path, DWORD(strlen(path)));

    char caption[cellpaint::kCaptionChars];
    cellpaint::CardCaption(m_pThumbnail->GetID(), path, width, DcMeasure(dc), caption, sizeof caption);
    const RECT box = {x, y, x + width, y + height};
    if (color) {
        win::TextColorGuard colorGuard(dc, color);
        DrawCaption(dc, caption, box);
    } else {
        DrawCaption(dc, caption, box);
    }
}


// ---- tooltip ----

HWND CThumbView2::DoCreateTipWnd()
{
    if (m_hTip || !m_hWnd)
        return nullptr;
    static const bool commonControls = [] {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_BAR_CLASSES};
        return InitCommonControlsEx(&icc) != FALSE;
    }();
    (void)commonControls; // a failure shows as CreateWindow failing below

    HWND tip = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, nullptr, AlbumInstance(), nullptr);
    if (!tip)
        return nullptr;
    TOOLINFOA ti;
    memset(&ti, 0, sizeof ti);
    ti.cbSize = TTTOOLINFOA_V2_SIZE; // accepted by every comctl32, with or without a manifest
    ti.uFlags = TTF_IDISHWND | TTF_ABSOLUTE;
    ti.hwnd = m_hWnd;
    ti.uId = reinterpret_cast<UINT_PTR>(m_hWnd);
    GetClientRect(m_hWnd, &ti.rect);
    ti.hinst = AlbumInstance();
    ti.lpszText = LPSTR_TEXTCALLBACKA;
    if (!SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti))) {
        DestroyWindow(tip);
        return nullptr;
    }
    m_hTip = tip;
    if (!m_pThumbnail) // an empty cell has nothing to tell
        SendMessageA(tip, TTM_ACTIVATE, FALSE, 0);
    return tip;
}

void CThumbView2::SetTip(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        // Presses are relayed too, so that a click hides the tip as in any other control.
        if (m_hTip) {
            MSG relay;
            memset(&relay, 0, sizeof relay);
            relay.hwnd = m_hWnd;
            relay.message = msg;
            relay.wParam = wParam;
            relay.lParam = lParam;
            relay.time = DWORD(GetMessageTime());
            relay.pt.x = GET_X_LPARAM(lParam);
            relay.pt.y = GET_Y_LPARAM(lParam);
            SendMessageA(m_hTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relay));
        }
        break;
    case WM_NOTIFY: {
        NMHDR* header = reinterpret_cast<NMHDR*>(lParam);
        if (!header || header->code != TTN_NEEDTEXTA || !m_pThumbnail || !m_aci.bToolTip)
            break;
        NMTTDISPINFOA* info = reinterpret_cast<NMTTDISPINFOA*>(lParam);
        snprintf(info->szText, sizeof info->szText, "%dx%d", int(m_pThumbnail->m_Info.wWidth),
                 int(m_pThumbnail->m_Info.wHeight));
        info->lpszText = info->szText;
        break;
    }
    default:
        break;
    }
}
