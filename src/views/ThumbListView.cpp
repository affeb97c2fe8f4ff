// "CThumbListView2": the grid of cells, its layout and sizing, and the hub for the cells'
// messages.
#include "album/ThumbListView.h"

#include "album/Album.h"

#include <stdlib.h>
#include <string.h>
#include <new>
#include "album/AlbumMessages.h"
#include "host/Instance.h"
#include "imaging/DragDrop.h"
#include "views/GridLayout.h"
#include "views/ViewCreateInfo.h"
#include "win/WindowObject.h"
#include "views/ViewResources.h"

namespace {

const char kClassName[] = "CThumbListView2";

CThumbListView2* FromWindow(HWND hwnd)
{
    return reinterpret_cast<CThumbListView2*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

grid::Size WindowSize(HWND hwnd)
{
    RECT r = {};
    GetWindowRect(hwnd, &r);
    return {r.right - r.left, r.bottom - r.top};
}

grid::Size ClientSize(HWND hwnd)
{
    RECT r = {};
    GetClientRect(hwnd, &r);
    return {r.right, r.bottom};
}

LRESULT CALLBACK ListClassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    static const win::WindowBinding<CThumbListView2> binding = [] {
        win::WindowBinding<CThumbListView2> b;
        // A window made without an object gets a default album that dies with it.
        b.makeDefault = [](HWND w) -> CThumbListView2* {
            tagAlbumViewCreateInfo info = DefaultListViewInfo();
            return new (std::nothrow) CAlbum(w, info);
        };
        b.ownedByWindow = [](const CThumbListView2& v) { return v.m_bOwnedByWindow != 0; };
        return b;
    }();
    return win::DispatchToObject<CThumbListView2, &CThumbListView2::ThumbListWndProc>(hwnd, msg, wParam, lParam,
                                                                                     binding);
}

} // namespace

int CThumbListViewRegister(HINSTANCE instance)
{
    return win::RegisterObjectClass(instance, kClassName, ListClassProc, viewres::ClassBrush(viewres::ListClass));
}

CThumbListView2::CThumbListView2(HWND hwnd, tagAlbumViewCreateInfo& info)
    : m_hWnd(hwnd), m_bOwnedByWindow(1), m_nCount(0), m_ppCells(nullptr), m_aci(info), m_bDragDrop(1),
      m_nBkColor(-1)
{
}

CThumbListView2::CThumbListView2(HWND parent, RECT rect, tagAlbumViewCreateInfo& info)
    : m_hWnd(nullptr), m_bOwnedByWindow(0), m_nCount(0), m_ppCells(nullptr), m_aci(info), m_bDragDrop(1),
      m_nBkColor(-1)
{
    HWND hwnd = CreateWindowExA(0, kClassName, "", WS_CHILD | WS_VISIBLE, rect.left, rect.top, rect.right,
                                rect.bottom, parent, nullptr, AlbumInstance(), this);
    if (hwnd)
        ShowWindow(hwnd, SW_SHOW);
}

CThumbListView2::~CThumbListView2()
{
    OnDestroy(0, 0, 0);
    // A window that outlives its caller-owned object must not reach it any more.
    if (m_hWnd && IsWindow(m_hWnd) && FromWindow(m_hWnd) == this)
        SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, 0);
}

CThumbListView2::CThumbListView2(const CThumbListView2& other) = default;
CThumbListView2& CThumbListView2::operator=(const CThumbListView2& other) = default;

tagAlbumViewCreateInfo* CThumbListView2::GetACI() { return &m_aci; }

void CThumbListView2::SetThumbViewBkColor(int stockObject)
{
    m_nBkColor = stockObject;
    for (int i = 0; i < m_nCount; ++i)
        if (m_ppCells[i])
            m_ppCells[i]->SetThumbViewBkColor(stockObject);
}

void CThumbListView2::SetDragDrop(int dragDrop)
{
    m_bDragDrop = dragDrop;
    for (int i = 0; i < m_nCount; ++i)
        if (m_ppCells[i])
            m_ppCells[i]->SetDragDrop(dragDrop);
}

int CThumbListView2::AdjustWindowSize(int& width, int& height)
{
    RECT r = {0, 0, width, height};
    SendMessageA(m_hWnd, WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&r));
    width = abs(r.right - r.left);
    height = abs(r.bottom - r.top);
    return 1;
}

int CThumbListView2::ResetLayout(tagAlbumViewCreateInfo info)
{
    m_aci = info;
    if (m_nCount < 1 || !m_ppCells || !m_ppCells[0])
        return 0; // no cell to take the size from

    grid::Size cell = WindowSize(m_ppCells[0]->m_hWnd);
    const grid::Size client = ClientSize(m_hWnd);
    UINT flags = SWP_SHOWWINDOW;
    if (m_aci.nSizeMode != ACI_SIZE_STRETCH && grid::IsWholePitches(client.w, client.h, cell, m_aci)) {
        flags |= SWP_NOSIZE;
        const int n = grid::CellCount(m_aci);
        if (n == 0) {
            EmptyCellsOutsideGrid();
            return 0;
        }
        if (n != m_nCount) {
            CThumbView2** cells = new (std::nothrow) CThumbView2*[n];
            if (!cells) {
                EmptyCellsOutsideGrid();
                return m_nCount;
            }
            for (int i = 0; i < n; ++i) {
                if (i < m_nCount) {
                    cells[i] = m_ppCells[i];
                    continue;
                }
                RECT r = {0, 0, cell.w, cell.h};
                cells[i] = new (std::nothrow) CThumbView2(m_hWnd, r, m_aci);
                if (cells[i]) {
                    cells[i]->SetDragDrop(m_bDragDrop);
                    if (m_nBkColor >= 0)
                        cells[i]->SetThumbViewBkColor(m_nBkColor);
                }
            }
            for (int i = n; i < m_nCount; ++i)
                delete m_ppCells[i];
            delete[] m_ppCells;
            m_ppCells = cells;
            m_nCount = n;
        }
    } else {
        cell = grid::StretchedCell(client.w, client.h, m_aci);
    }

    // Row by row; only the cells that exist are placed.
    for (int i = 0; i < m_nCount && i < grid::CellCount(m_aci); ++i) {
        if (!m_ppCells[i])
            continue;
        const POINT at = grid::CellOrigin(i, cell, m_aci);
        SetWindowPos(m_ppCells[i]->m_hWnd, nullptr, at.x, at.y, cell.w, cell.h, flags | SWP_NOZORDER);
    }
    EmptyCellsOutsideGrid();
    return m_nCount;
}

void CThumbListView2::EmptyCellsOutsideGrid()
{
    // Cells the record's grid does not count are never given thumbnails again; left as they are,
    // they would keep pointing at thumbnails the album may destroy. Nor are they placed: they are
    // hidden, or they would stand over the grid where the old layout left them.
    for (int i = grid::CellCount(m_aci); i < m_nCount; ++i) {
        if (!m_ppCells[i])
            continue;
        if (m_ppCells[i]->GetThumbnail())
            m_ppCells[i]->Attach(nullptr);
        if (m_ppCells[i]->m_hWnd)
            ShowWindow(m_ppCells[i]->m_hWnd, SW_HIDE);
    }
}

LRESULT CThumbListView2::ThumbListWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:
        m_hWnd = hwnd;
        OnCreate(msg, wParam, lParam);
        break;
    case WM_SIZE:
        OnSize(msg, wParam, lParam);
        break;
    case WM_SIZING:
        OnSizing(msg, wParam, lParam);
        break;
    case WM_KEYDOWN:
        OnKeyDown(msg, wParam, lParam);
        break;
    case WM_KEYUP:
        OnKeyUp(msg, wParam, lParam);
        break;
    case WM_DESTROY:
        break;
    case WM_HSCROLL:
    case WM_VSCROLL:
        OnScroll(msg, wParam, lParam);
        return 0;
    case WM_ALBUM_HSCROLL:
        OnScroll(WM_HSCROLL, wParam, lParam);
        return 0;
    case WM_ALBUM_VSCROLL:
        OnScroll(WM_VSCROLL, wParam, lParam);
        return 0;
    case WM_LBUTTONDOWN:
        if (m_bDragDrop)
            ArmDrag(hwnd, wParam, lParam, DRAG_KIND_THUMBNAILS);
        break;
    case WM_MOUSEMOVE:
        if (m_bDragDrop && CheckDragStart(hwnd, wParam, lParam))
            SetCursor(LoadCursorA(AlbumInstance(), MAKEINTRESOURCEA(IDC_ALBUM_DRAG)));
        break;
    case WM_ALBUM_OPEN:
    case WM_ALBUM_CELLDOWN:
    case WM_ALBUM_CELLUP:
    case WM_ALBUM_MENU:
        OnMouse(msg, wParam, lParam);
        break;
    case WM_ALBUM_DROP:
    case WM_ALBUM_DRAG:
        if (m_bDragDrop)
            SendMessageA(GetParent(hwnd), msg, wParam, lParam);
        break;
    default:
        break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void CThumbListView2::OnCreate(UINT, WPARAM, LPARAM)
{
    const int count = grid::CellCount(m_aci);
    const grid::Size client = ClientSize(m_hWnd);
    const grid::Size cell = grid::StretchedCell(client.w, client.h, m_aci);
    if (m_aci.nBkMode == ACI_BK_TRANSPARENT)
        SetClassLongPtrA(m_hWnd, GCLP_HBRBACKGROUND, reinterpret_cast<LONG_PTR>(GetStockObject(NULL_BRUSH)));
    InvalidateRect(m_hWnd, nullptr, TRUE);
    if (count < 1)
        return;
    m_ppCells = new (std::nothrow) CThumbView2*[count];
    if (!m_ppCells)
        return;
    m_nCount = count;
    for (int i = 0; i < count; ++i) {
        // Placed for real by the WM_SIZE that follows creation.
        RECT r = {100, 100, cell.w, cell.h};
        m_ppCells[i] = new (std::nothrow) CThumbView2(m_hWnd, r, m_aci);
    }
}

void CThumbListView2::OnMouse(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_ALBUM_OPEN:
    case WM_ALBUM_CELLDOWN:
    case WM_ALBUM_CELLUP:
    case WM_ALBUM_MENU:
        SendMessageA(GetParent(m_hWnd), msg, wParam, lParam);
        break;
    default:
        break;
    }
}

void CThumbListView2::OnSizing(UINT, WPARAM wParam, LPARAM lParam)
{
    RECT* proposed = reinterpret_cast<RECT*>(lParam);
    if (!proposed || m_nCount < 1 || !m_ppCells[0])
        return;
    const grid::Size window = WindowSize(m_hWnd), client = ClientSize(m_hWnd);
    const grid::Size nonClient{window.w - client.w, window.h - client.h};
    grid::AdjustSizingRect(proposed, static_cast<int>(wParam), WindowSize(m_ppCells[0]->m_hWnd), nonClient, m_aci);
}

void CThumbListView2::OnSize(UINT, WPARAM, LPARAM lParam)
{
    if (m_nCount < 1 || !m_ppCells[0])
        return;
    const int width = LOWORD(lParam), height = HIWORD(lParam);
    const grid::Size cell = ClientSize(m_ppCells[0]->m_hWnd);
    // A window sized down to nothing keeps its grid rather than forgetting it, and so does one
    // sized to more cells than a grid may have.
    int cols = 0, rows = 0;
    if (m_aci.nSizeMode == ACI_SIZE_SNAP && width > 0 && height > 0 &&
        grid::SnappedGrid(width, height, cell, m_aci, &cols, &rows)) {
        m_aci.nCols = cols;
        m_aci.nRows = rows;
    }
    ResetLayout(m_aci);
    SendMessageA(GetParent(m_hWnd), WM_ALBUM_LAYOUT, reinterpret_cast<WPARAM>(m_hWnd), 0);
}

void CThumbListView2::OnScroll(UINT, WPARAM, LPARAM) {}
void CThumbListView2::OnKeyDown(UINT, WPARAM, LPARAM) {}
void CThumbListView2::OnKeyUp(UINT, WPARAM, LPARAM) {}

void CThumbListView2::OnDestroy(UINT, WPARAM, LPARAM)
{
    for (int i = 0; i < m_nCount; ++i)
        delete m_ppCells[i];
    delete[] m_ppCells;
    m_ppCells = nullptr;
    m_nCount = 0;
}
