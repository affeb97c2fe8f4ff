// The album control: its classes, its scroll bar and docking, the keys and messages it passes to
// its parent, and its part in dragging thumbnails between albums.
#include "album/AlbumCtrl.h"

#include <string.h>
#include <new>
#include "album/AlbumMessages.h"
#include "control/AlbumCtrlLayout.h"
#include "control/FileDrop.h"
#include "control/MiniAlbums.h"
#include "imaging/DragDrop.h"
#include "imaging/OleDrag.h"
#include "vendor_standins/ctrlkit/ctrlkit.h"
#include "views/ViewCreateInfo.h"
#include "win/Module.h"
#include "win/WindowObject.h"

namespace {

const char* const kClassNames[] = {"ManDlgAlbumCtrl", "OptionDlgAlbumCtrl", "WizDlgAlbumCtrl"};
const UINT_PTR kAutoScrollTimer = 1;
const UINT kAutoScrollPeriod = 300;

// Set when an album accepted thumbnails dragged from another album; the source clears it when it
// handles the end of the drag. Shared by every control of the process.
int g_droppedIntoAlbum = 0;

// The classes' background, made at registration and kept while they are registered.
HBRUSH g_background = nullptr;

bool KeyDown(int key) { return (GetAsyncKeyState(key) & 0x8000) != 0; }

LRESULT CALLBACK AlbumCtrlClassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    static const win::WindowBinding<CAlbumCtrl> binding = [] {
        win::WindowBinding<CAlbumCtrl> b;
        // The window constructor marks the object owned by the window.
        b.makeDefault = [](HWND w) -> CAlbumCtrl* { return new (std::nothrow) CAlbumCtrl(w); };
        b.ownedByWindow = [](const CAlbumCtrl& c) { return c.m_bOwnedByWindow != 0; };
        return b;
    }();
    return win::DispatchToObject<CAlbumCtrl, &CAlbumCtrl::CAlbumCtrlWndProc>(hwnd, msg, wParam, lParam, binding);
}

HWND Parent(HWND hwnd) { return hwnd ? GetParent(hwnd) : nullptr; }

LRESULT SendToParent(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    HWND parent = Parent(hwnd);
    return parent ? SendMessageA(parent, msg, wParam, lParam) : 0;
}

HWND CreateScrollBar(HWND parent, DWORD style, int x, int y, int width, int height)
{
    HWND bar = CreateWindowExA(0, "SCROLLBAR", nullptr, style, x, y, width, height, parent, nullptr,
                               AlbumInstance(), nullptr);
    if (bar) {
        SetScrollRange(bar, SB_CTL, 0, 100, FALSE);
        SetScrollPos(bar, SB_CTL, 0, TRUE);
        ShowWindow(bar, SW_SHOW);
    }
    return bar;
}

int NonNegative(int v) { return v < 0 ? 0 : v; }

void MoveChild(HWND child, const RECT& area)
{
    MoveWindow(child, area.left, area.top, NonNegative(area.right), NonNegative(area.bottom), TRUE);
}

} // namespace

// Registration and state that the library's start-up and the tests reach.
int AlbumCtrlDroppedFlag() { return g_droppedIntoAlbum; }

void UnregisterAlbumCtrlClasses(HINSTANCE instance)
{
    for (const char* name : kClassNames)
        UnregisterClassA(name, instance);
    if (g_background) {
        DeleteObject(g_background);
        g_background = nullptr;
    }
}

// ---- registration ----

int CAlbumCtrl::Register(HINSTANCE instance)
{
    CThumbviewRegister(instance);
    CThumbListViewRegister(instance);
    if (!g_background)
        g_background = CreateSolidBrush(RGB(0xC0, 0xC0, 0xC0));
    for (const char* name : kClassNames)
        if (!win::RegisterObjectClass(instance, name, AlbumCtrlClassProc, g_background))
            return 0;
    tagAlbumViewCreateInfo records[] = {ManagerCtrlViewInfo(0, 0), OptionCtrlViewInfo(0, 0), WizardCtrlViewInfo()};
    for (int i = 0; i < 3; ++i) {
        if (RegisterMiniAlbum(kClassNames[i], records[i]))
            continue;
        // Refused: fine only when an earlier start-up of this process put it in its place.
        char held[ALBUM_MINI_NAME_SIZE];
        MiniAlbumName(i, held);
        if (strcmp(held, kClassNames[i]) != 0)
            return 0;
    }
    return 1;
}

// ---- construction ----

CAlbumCtrl::CAlbumCtrl()
    : m_hWnd(nullptr), m_bOwnedByWindow(0), m_hScrollBar(nullptr), m_pAlbum(nullptr), m_pDragTable(nullptr),
      m_nDockMode(0), m_bAutoScroll(0)
{
}

CAlbumCtrl::CAlbumCtrl(HWND)
    : m_hWnd(nullptr), m_bOwnedByWindow(1), m_hScrollBar(nullptr), m_pAlbum(nullptr), m_pDragTable(nullptr),
      m_nDockMode(0), m_bAutoScroll(0)
{
}

CAlbumCtrl::CAlbumCtrl(const CAlbumCtrl& other) = default;
CAlbumCtrl& CAlbumCtrl::operator=(const CAlbumCtrl& other) = default;

CAlbumCtrl::~CAlbumCtrl()
{
    if (m_pDragTable) {
        // A drag from here that has not ended must not hand on a freed table.
        if (DragRecord()->pTable == m_pDragTable) {
            DragRecord()->pTable = nullptr;
            DragRecord()->nCount = 0;
        }
        delete m_pDragTable;
        m_pDragTable = nullptr;
    }
    delete m_pAlbum;
    m_pAlbum = nullptr;
    // A window that outlives its caller-owned object must not reach it any more.
    if (m_hWnd && IsWindow(m_hWnd) && win::UserData(m_hWnd) == this)
        win::SetUserData(m_hWnd, nullptr);
}

CAlbum* CAlbumCtrl::GetAlbum() { return m_pAlbum; }

int CAlbumCtrl::CALbumCtrl(HWND parent, const char* className, RECT rect)
{
    m_pAlbum = nullptr;
    m_bOwnedByWindow = 0;
    m_pDragTable = nullptr;
    m_bAutoScroll = 0;
    m_nDockMode = 0;
    tagAlbumViewCreateInfo info;
    int entry = GetAlbumCtrlACI(&info, className);
    if (entry < 0)
        entry = 0;
    char name[ALBUM_MINI_NAME_SIZE];
    MiniAlbumName(entry, name);
    if (!name[0])
        return 0; // nothing registered there: no class to create
    HWND hwnd = CreateWindowExA(0, name, "NULL", WS_CHILD | WS_VISIBLE, rect.left, rect.top, rect.right,
                                rect.bottom, parent, nullptr, AlbumInstance(), this);
    return HandleToLong(hwnd);
}

// ---- creation and layout ----

int CAlbumCtrl::OnInitCtrl(HWND w)
{
    if (!w || m_pAlbum)
        return 0;
    char className[257];
    if (!GetClassNameA(w, className, sizeof className))
        return 0;
    tagAlbumViewCreateInfo info;
    const int entry = GetAlbumCtrlACI(&info, className);
    if (entry < 0)
        return 0;
    m_hWnd = w;

    RECT client;
    GetClientRect(w, &client);
    const int side = ctrllayout::kScrollBarSide;
    if (info.nScrollDir == ACI_SCROLL_VERTICAL)
        m_hScrollBar = CreateScrollBar(w, WS_CHILD | WS_VISIBLE | SBS_VERT, client.right - side, 0, side, client.bottom);
    else
        m_hScrollBar = CreateScrollBar(w, WS_CHILD | WS_VISIBLE, 0, client.bottom - side, client.right, side);

    int listWidth = client.right, listHeight = client.bottom;
    if (m_hScrollBar) {
        RECT bar;
        GetWindowRect(m_hScrollBar, &bar);
        MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&bar), 2);
        if (bar.left > 0)
            listWidth = bar.left;
        if (bar.top > 0)
            listHeight = bar.top;
    }
    const SIZE pitch = ctrllayout::SnapPitch(entry, info);
    if (pitch.cx != 0 || pitch.cy != 0) {
        ctrllayout::SnapGrid(pitch, info, listWidth, listHeight);
        StoreMiniAlbumGrid(entry, info.nRows, info.nCols);
    }
    RECT area = {0, 0, NonNegative(listWidth), NonNegative(listHeight)};
    m_pAlbum = new (std::nothrow) CAlbum(w, area, info);
    if (!m_pAlbum)
        return 0;

    char text[129];
    if (GetWindowTextA(w, text, sizeof text) > 0)
        m_pAlbum->Load(text);
    return 1;
}

void CAlbumCtrl::OnSize(UINT, WPARAM, LPARAM lParam)
{
    if (!m_pAlbum)
        return;
    const int width = LOWORD(lParam), height = HIWORD(lParam);
    const int scrollDir = m_pAlbum->m_aci.nScrollDir;
    HWND list = m_pAlbum->m_hWnd;
    switch (m_nDockMode) {
    case ALBUM_DOCK_NONE: {
        if (!m_hScrollBar)
            return;
        const int side = ctrllayout::kScrollBarSide;
        if (scrollDir == ACI_SCROLL_VERTICAL)
            MoveWindow(m_hScrollBar, width - side, 0, side, height, TRUE);
        else
            MoveWindow(m_hScrollBar, 0, height - side, width, side, TRUE);
        MoveChild(list, ctrllayout::ListArea(m_nDockMode, scrollDir, width, height));
        break;
    }
    case ALBUM_DOCK_VERTICAL:
    case ALBUM_DOCK_HORIZONTAL:
        if (m_hScrollBar) {
            MoveWindow(m_hScrollBar, 0, 0, width, height, TRUE);
            CtrlKitHookScroll(m_hScrollBar, 1, 1);
        }
        MoveChild(list, ctrllayout::ListArea(m_nDockMode, scrollDir, width, height));
        break;
    default:
        break;
    }
    m_pAlbum->UpDataThumbListView(-1);
    InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CAlbumCtrl::OnSizing(UINT, WPARAM wParam, LPARAM lParam)
{
    if (!m_pAlbum || !lParam)
        return;
    RECT& r = *reinterpret_cast<RECT*>(lParam);
    const SIZE extra = ctrllayout::SizingExtra(m_nDockMode, m_pAlbum->m_aci.nScrollDir);
    RECT inner = {0, 0, (r.right - r.left) - extra.cx, (r.bottom - r.top) - extra.cy};
    SendMessageA(m_pAlbum->m_hWnd, WM_SIZING, wParam, reinterpret_cast<LPARAM>(&inner));
    ctrllayout::ApplyFromEdge(wParam, r, (inner.right - inner.left) + extra.cx, (inner.bottom - inner.top) + extra.cy);
}

void CAlbumCtrl::SetDock(int mode)
{
    if (mode == m_nDockMode)
        return;
    if (m_nDockMode != ALBUM_DOCK_NONE && m_hScrollBar)
        CtrlKitUnhookScroll(m_hScrollBar);
    if (m_hScrollBar) {
        DestroyWindow(m_hScrollBar);
        m_hScrollBar = nullptr;
    }
    DWORD style = WS_CHILD | WS_VISIBLE;
    if (mode == ALBUM_DOCK_NONE || mode == ALBUM_DOCK_VERTICAL) {
        style |= SBS_VERT;
        if (m_pAlbum)
            m_pAlbum->m_aci.nScrollDir = ACI_SCROLL_VERTICAL;
    } else if (mode == ALBUM_DOCK_HORIZONTAL && m_pAlbum) {
        m_pAlbum->m_aci.nScrollDir = ACI_SCROLL_HORIZONTAL;
    }
    if (m_hWnd)
        m_hScrollBar = CreateScrollBar(m_hWnd, style, 0, 0, 100, 100);
    m_nDockMode = mode;
}

LRESULT CAlbumCtrl::UpdateScrollPosition(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (!m_hScrollBar || !m_pAlbum)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    int position = ctrllayout::ScrollPosition(m_pAlbum->m_aci, m_pAlbum->GetThumbNailCount(),
                                              m_pAlbum->GetFirstViewNailID());
    SetScrollPos(m_hScrollBar, SB_CTL, position, TRUE);
    return 0;
}

// ---- keys, mouse and timer ----

void CAlbumCtrl::DoKeydown(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (!m_pAlbum)
        return;
    bool askDelete = false;
    switch (wParam) {
    case VK_SHIFT: case VK_PRIOR: case VK_NEXT: case VK_END: case VK_HOME:
    case VK_LEFT: case VK_UP: case VK_RIGHT: case VK_DOWN:
        SendMessageA(m_pAlbum->m_hWnd, msg, wParam, lParam);
        break;
    case VK_DELETE:
        askDelete = ctrllayout::Held(GetKeyState(VK_SHIFT));
        break;
    case 'D':
        askDelete = ctrllayout::Held(GetKeyState(VK_CONTROL));
        break;
    case VK_DECIMAL:
        askDelete = true;
        break;
    default:
        break;
    }
    if (askDelete)
        SendToParent(m_hWnd, WM_ALBUM_DELETE, reinterpret_cast<WPARAM>(this), 0);
}

int CAlbumCtrl::OnDblClk(const char* fileName)
{
    if (!m_pAlbum)
        return 0;
    char full[MAX_PATH];
    full[0] = '\0';
    m_pAlbum->m_Doc.GetThumbnailFullPath(fileName, full);
    return static_cast<int>(SendToParent(m_hWnd, WM_ALBUM_OPEN, reinterpret_cast<WPARAM>(full), 0));
}

void CAlbumCtrl::OnAutoScrollTimer()
{
    POINT cursor;
    if (!GetCursorPos(&cursor))
        return;
    RECT control = {}, list = {};
    GetWindowRect(m_hWnd, &control);
    if (m_pAlbum)
        GetWindowRect(m_pAlbum->m_hWnd, &list);
    const bool inside = cursor.x >= control.left && cursor.x <= control.right && cursor.y >= control.top &&
                        cursor.y <= control.bottom;
    if (GetCapture() && inside) {
        if (!KeyDown(VK_LBUTTON) && !KeyDown(VK_RBUTTON)) {
            KillTimer(m_hWnd, kAutoScrollTimer);
            m_bAutoScroll = 0;
            return;
        }
        if (cursor.y > list.bottom)
            SendMessageA(m_hWnd, WM_VSCROLL, SB_LINEDOWN, 0);
        if (cursor.y < list.top)
            SendMessageA(m_hWnd, WM_VSCROLL, SB_LINEUP, 0);
    } else {
        KillTimer(m_hWnd, kAutoScrollTimer);
        m_bAutoScroll = 0;
    }
}

// ---- drag and drop ----

CThumbView2* CAlbumCtrl::OwnCell(LPARAM cell) const
{
    if (!m_pAlbum || !cell || !m_pAlbum->m_ppCells)
        return nullptr;
    for (int i = 0; i < m_pAlbum->m_nCount; ++i)
        if (reinterpret_cast<LPARAM>(m_pAlbum->m_ppCells[i]) == cell)
            return m_pAlbum->m_ppCells[i];
    return nullptr;
}

void CAlbumCtrl::OnDragRecord(tagDRAGRECORD& record)
{
    record.bHandled = 1;
    switch (record.nCode) {
    case DRAG_CODE_FETCH: {
        if (m_pDragTable) { // a fetch without its closing code: the old table goes
            if (record.pTable == m_pDragTable)
                record.pTable = nullptr;
            delete m_pDragTable;
        }
        m_pDragTable = new (std::nothrow) CAlbumDoc2;
        int count = m_pDragTable && m_pAlbum ? m_pAlbum->GetDragDate(m_pDragTable) : 0;
        record.nCount = count;
        g_droppedIntoAlbum = 0;
        if (count == 0) {
            CancelDrag(m_hWnd);
            record.pTable = nullptr;
        } else {
            record.pTable = m_pDragTable;
        }
        break;
    }
    case DRAG_CODE_DONE:
        if (record.pTable == m_pDragTable)
            record.pTable = nullptr;
        delete m_pDragTable;
        m_pDragTable = nullptr;
        if (record.nResult == DRAG_RESULT_ACCEPTED && g_droppedIntoAlbum) {
            // Moved into another album, unless Ctrl makes it a copy. Only thumbnails go, never files.
            if (!KeyDown(VK_CONTROL) && m_pAlbum)
                m_pAlbum->RemoveSelected(0);
            g_droppedIntoAlbum = 0;
            SendToParent(m_hWnd, WM_ALBUM_DROP, 0, 0);
        }
        SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
        break;
    case DRAG_CODE_ACCEPT:
        record.nResult = record.nKind == DRAG_KIND_THUMBNAILS ? DRAG_RESULT_ACCEPTED : DRAG_RESULT_REFUSED;
        break;
    case DRAG_CODE_DROP:
        if (record.nKind == DRAG_KIND_THUMBNAILS && record.pTable && record.pTable != m_pDragTable && m_pAlbum) {
            g_droppedIntoAlbum = 1;
            record.nResult = DRAG_RESULT_ACCEPTED;
            m_pAlbum->InsertFromTable(record.pTable, nullptr);
            SendToParent(m_hWnd, WM_ALBUM_DROP, 0, 0);
        } else {
            record.nResult = DRAG_RESULT_REFUSED;
        }
        break;
    case DRAG_CODE_OVER:
        if (!m_bAutoScroll) {
            SetTimer(m_hWnd, kAutoScrollTimer, kAutoScrollPeriod, nullptr);
            m_bAutoScroll = 1;
        }
        break;
    default:
        break;
    }
}

void CAlbumCtrl::OnDropOnCell(CThumbView2* target, tagDRAGRECORD& record)
{
    record.bHandled = 1;
    if (!m_pAlbum)
        return;
    if (record.pTable && record.pTable != m_pDragTable) {
        // Thumbnails from another album go in front of the target.
        record.nResult = DRAG_RESULT_ACCEPTED;
        g_droppedIntoAlbum = 1;
        m_pAlbum->InsertFromTable(record.pTable, target->m_pThumbnail);
        SendMessageA(target->m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, 0);
        SendToParent(m_hWnd, WM_ALBUM_DROP, 0, 0);
        return;
    }
    // One thumbnail of this album dropped on another, no key held: it moves there.
    if (record.nKeys == 0 && record.pTable && target->m_pThumbnail && m_pDragTable &&
        m_pDragTable->GetCount() == 1 && m_pAlbum->DoExchange(target))
        SendToParent(m_hWnd, WM_ALBUM_DROP, 0, 0);
    record.nResult = DRAG_RESULT_REFUSED;
}

// ---- message dispatch ----

LRESULT CAlbumCtrl::CAlbumCtrlWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // Only the process's own drag record is written to, whoever sends the message.
    tagDRAGRECORD* const liveRecord = DragRecord();
    switch (msg) {
    case WM_CREATE:
        OnInitCtrl(hwnd);
        AttachAlbumFileDrop(hwnd, this);
        break;
    case WM_SIZE:
        OnSize(msg, wParam, lParam);
        break;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_KEYDOWN:
        DoKeydown(msg, wParam, lParam);
        break;
    case WM_KEYUP:
        if (m_pAlbum)
            SendMessageA(m_pAlbum->m_hWnd, msg, wParam, lParam);
        break;
    case WM_TIMER:
        if (wParam == kAutoScrollTimer)
            OnAutoScrollTimer();
        break;
    case WM_HSCROLL:
    case WM_VSCROLL:
        if (!m_hScrollBar || !m_pAlbum)
            break;
        SendMessageA(m_pAlbum->m_hWnd, msg == WM_HSCROLL ? WM_ALBUM_HSCROLL : WM_ALBUM_VSCROLL, wParam, 100);
        UpdateScrollPosition(hwnd, msg, wParam, lParam);
        return 0;
    case WM_SIZING:
        OnSizing(msg, wParam, lParam);
        break;
    case WM_ALBUM_OPEN:
        if (CThumbView2* cell = OwnCell(lParam))
            if (cell->m_pThumbnail)
                OnDblClk(cell->m_pThumbnail->m_Info.szFileName);
        break;
    case WM_ALBUM_LAYOUT:
        return UpdateScrollPosition(hwnd, msg, wParam, lParam);
    case WM_ALBUM_FOCUS:
        SendToParent(hwnd, msg, reinterpret_cast<WPARAM>(hwnd), lParam);
        break;
    case WM_ALBUM_DROP:
        if (lParam == reinterpret_cast<LPARAM>(liveRecord))
            if (CThumbView2* target = OwnCell(static_cast<LPARAM>(wParam)))
                OnDropOnCell(target, *liveRecord);
        break;
    case WM_ALBUM_MENU:
        SendToParent(hwnd, msg, wParam, lParam);
        break;
    case WM_ALBUM_DRAG:
        if (lParam == reinterpret_cast<LPARAM>(liveRecord))
            OnDragRecord(*liveRecord);
        break;
    case WM_DESTROY:
        oledrag::DetachFileDrop(hwnd);
        if (m_bAutoScroll) {
            KillTimer(hwnd, kAutoScrollTimer);
            m_bAutoScroll = 0;
        }
        break;
    default:
        break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}
