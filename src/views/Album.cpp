// The album view model: which thumbnails the cells show, the selection ring, the focus, and the
// mouse, keyboard and scroll rules. Everything here works on thumbnail numbers, links and cell
// indices; windows are reached only through AlbumViewOps.
#include "album/Album.h"

#include <string.h>
#include "album/AlbumMessages.h"
#include "views/AlbumViewOps.h"
#include "views/GridLayout.h"
#include "win/Handles.h"

namespace {

// The drive and folder of the host's executable, with its trailing backslash.
void ProgramFolder(char* out, size_t size)
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    if (n == 0 || n >= sizeof path) {
        out[0] = '\0';
        return;
    }
    char* cut = strrchr(path, '\\');
    if (cut)
        cut[1] = '\0';
    win::CopyText(out, size, path);
}

int Min(int a, int b) { return a < b ? a : b; }
int Max(int a, int b) { return a > b ? a : b; }

bool ShiftKeyDown() { return (GetKeyState(VK_SHIFT) & 0xF0) != 0; }

} // namespace

// ---- construction ----

CAlbum::CAlbum(HWND hwnd, tagAlbumViewCreateInfo& info)
    : CThumbListView2(hwnd, info), m_pFirstShown(nullptr), m_nFirstShown(-1), m_pSelHead(nullptr), m_nSelHead(-1),
      m_nSelectMode(info.nSelectMode), m_bPendingSelect(0), m_pFocus(nullptr), m_pShiftAnchor(nullptr),
      m_pOps(WindowViewOps())
{
    char folder[MAX_PATH];
    ProgramFolder(folder, sizeof folder);
    m_Doc.SetExePath(folder);
}

CAlbum::CAlbum(HWND parent, RECT rect, tagAlbumViewCreateInfo& info)
    : CThumbListView2(parent, rect, info), m_pFirstShown(nullptr), m_nFirstShown(-1), m_pSelHead(nullptr),
      m_nSelHead(-1), m_nSelectMode(info.nSelectMode), m_bPendingSelect(0), m_pFocus(nullptr),
      m_pShiftAnchor(nullptr), m_pOps(WindowViewOps())
{
    char folder[MAX_PATH];
    ProgramFolder(folder, sizeof folder);
    m_Doc.SetExePath(folder);
}

CAlbum::CAlbum(const CAlbum& other) : CThumbListView2(other)
{
    *this = other;
}

CAlbum& CAlbum::operator=(const CAlbum& other)
{
    if (this == &other)
        return *this;
    CThumbListView2::operator=(other);
    m_Doc = other.m_Doc;
    m_pFirstShown = other.m_pFirstShown;
    m_nFirstShown = other.m_nFirstShown;
    m_pSelHead = other.m_pSelHead;
    m_nSelHead = other.m_nSelHead;
    m_nSelectMode = other.m_nSelectMode;
    m_bPendingSelect = other.m_bPendingSelect;
    m_pFocus = other.m_pFocus;
    m_pShiftAnchor = other.m_pShiftAnchor;
    m_pOps = other.m_pOps;
    return *this;
}

CAlbum::~CAlbum() = default;

// ---- grid terms ----

int CAlbum::CellTotal() const { return grid::CellCount(m_aci); }
int CAlbum::LineLength() const { return m_aci.nScrollDir == ACI_SCROLL_VERTICAL ? m_aci.nCols : m_aci.nRows; }
int CAlbum::PageLines() const { return m_aci.nScrollDir == ACI_SCROLL_VERTICAL ? m_aci.nRows : m_aci.nCols; }

int CAlbum::CellOfPosition(int k) const
{
    if (m_aci.nScrollDir == ACI_SCROLL_VERTICAL)
        return k;
    // Horizontal albums fill the grid column by column.
    return (k % m_aci.nRows) * m_aci.nCols + k / m_aci.nRows;
}

bool CAlbum::IsShown(int number) const
{
    return m_nFirstShown >= 1 && number >= m_nFirstShown && number < m_nFirstShown + CellTotal();
}

int CAlbum::CellOfNumber(int number) const { return IsShown(number) ? CellOfPosition(number - m_nFirstShown) : -1; }

int CAlbum::IndexOfCell(CThumbView2* cell) const
{
    if (!cell)
        return -1;
    for (int i = 0; i < m_nCount; ++i)
        if (m_ppCells[i] == cell)
            return i;
    return -1;
}

void CAlbum::RepaintNumber(int number, bool whole)
{
    int cell = CellOfNumber(number);
    if (cell >= 0)
        m_pOps->Invalidate(*this, cell, whole ? AlbumViewOps::Whole : AlbumViewOps::Bands);
}

// ---- attaching thumbnails to cells ----

int CAlbum::UpDataThumbListView(int n)
{
    CThumbnail2* const end = m_Doc.m_pEnd;
    if (!m_pFirstShown) {
        m_pFirstShown = end->m_pNext;
        m_nFirstShown = m_pFirstShown->m_nID;
    }
    const int cells = CellTotal(), line = LineLength(), count = m_Doc.GetCount();
    int ok = 1;
    if (cells > 0 && line > 0) {
        const int over = (m_nFirstShown + cells - count - 1) / line;
        int k = 0;
        CThumbnail2* t = m_pFirstShown;
        if (count > 0 && over >= 1) {
            // A whole line would stay empty after the last thumbnail: pull back to the last page.
            int pad = line - count % line;
            if (pad == line)
                pad = 0;
            m_nFirstShown = Max(count + pad - cells + 1, 1);
            m_pFirstShown = m_Doc.GetThumbnail(m_nFirstShown);
            t = m_pFirstShown;
        } else if (count > 0 && IsShown(n)) {
            k = n - m_nFirstShown;
            t = m_Doc.GetThumbnail(n);
        }
        // A cell that cannot be updated is reported, but the cells after it are still given
        // their thumbnails: left alone they could keep one that has since been destroyed.
        for (; k < cells && t && t != end; ++k, t = t->m_pNext)
            if (!m_pOps->AttachLater(*this, CellOfPosition(k), t))
                ok = 0;
        for (; k < cells; ++k)
            m_pOps->AttachLater(*this, CellOfPosition(k), nullptr);
        // The page is painted in one pass, each cell through its own painting.
        if (!m_pOps->UpdateCells(*this))
            ok = 0;
    }
    if (m_pFirstShown)
        m_nFirstShown = m_pFirstShown->m_nID;
    if (m_pSelHead)
        m_nSelHead = m_pSelHead->m_nID;
    return ok;
}

void CAlbum::DetachCells(bool selectedOnly)
{
    // The parent is told of a change while it happens and may repaint at once (UpdateWindow, a
    // message box): no cell may then still point at a destroyed thumbnail. Cells beyond the grid
    // are included, whatever the record now says.
    const int cells = m_nCount > CellTotal() ? m_nCount : CellTotal();
    for (int i = 0; i < cells; ++i)
        if (CThumbnail2* t = m_pOps->Shown(*this, i))
            if (!selectedOnly || t->IsSelect())
                m_pOps->AttachLater(*this, i, nullptr); // painted with the page that follows
}

void CAlbum::ScrollTo(int firstNumber)
{
    m_pFirstShown = m_Doc.GetThumbnail(firstNumber);
    m_nFirstShown = m_pFirstShown ? firstNumber : -1;
    UpDataThumbListView(-1);
}

// ---- album life cycle and getters ----

int CAlbum::Load(const char* path)
{
    // The album shown stays whole until the new one has been read: one that cannot be opened
    // leaves the view, its selection and its focus as they were.
    CAlbumDoc2 shown;
    shown.TakeThumbnails(m_Doc);
    char shownPath[sizeof m_Doc.m_szPath], shownDescription[sizeof m_Doc.m_szDescription];
    memcpy(shownPath, m_Doc.m_szPath, sizeof shownPath);
    memcpy(shownDescription, m_Doc.m_szDescription, sizeof shownDescription);
    if (!m_Doc.Load(path)) {
        m_Doc.TakeThumbnails(shown);
        memcpy(m_Doc.m_szPath, shownPath, sizeof shownPath);
        memcpy(m_Doc.m_szDescription, shownDescription, sizeof shownDescription);
        return 0;
    }
    DetachCells(false);
    m_pFirstShown = m_Doc.m_pEnd->m_pNext;
    m_nFirstShown = m_pFirstShown->m_nID;
    m_pSelHead = nullptr;
    m_nSelHead = -1;
    m_nSelectMode = m_aci.nSelectMode;
    m_bPendingSelect = 0;
    m_pFocus = nullptr;
    m_pShiftAnchor = nullptr;
    m_pOps->SendToParent(*this, WM_ALBUM_LAYOUT, reinterpret_cast<WPARAM>(m_hWnd), 0);
    return UpDataThumbListView(-1);
}

int CAlbum::Save(const char* path) { return m_Doc.Save(path); }

void CAlbum::FreeAlbumData()
{
    DetachCells(false);
    m_Doc.CleanTable();
    m_pFirstShown = nullptr;
    m_nFirstShown = -1;
    m_pSelHead = nullptr;
    m_nSelHead = -1;
    m_pFocus = nullptr;
    m_pShiftAnchor = nullptr;
    m_bPendingSelect = 0;
    UpDataThumbListView(-1);
}

int CAlbum::GetCurrentFocus() { return m_pFocus ? m_pFocus->m_nID : -1; }

int CAlbum::GetCurrentThumbNailFullPath(char* out)
{
    if (!m_pFocus || !out)
        return 0;
    return m_Doc.GetThumbnailFullPath(m_pFocus->m_Info.szFileName, out);
}

int CAlbum::HaveSel() { return m_pSelHead ? 1 : 0; }
char* CAlbum::GetDescription() { return m_Doc.GetDescription(); }
void CAlbum::SetDescription(const char* text) { m_Doc.SetDescription(text); }
int CAlbum::GetThumbNailCount() { return m_Doc.GetCount(); }
int CAlbum::GetFirstViewNailID() { return m_nFirstShown; }

CThumbView2* CAlbum::GetThumbViewByPos(int x, int y)
{
    for (int i = 0; i < m_nCount; ++i) {
        CThumbView2* cell = m_ppCells[i];
        if (!cell || !cell->m_hWnd)
            continue;
        POINT p = {x, y};
        RECT client;
        ScreenToClient(cell->m_hWnd, &p);
        GetClientRect(cell->m_hWnd, &client);
        if (PtInRect(&client, p))
            return cell;
    }
    return nullptr;
}

// ---- selection primitives ----

void CAlbum::Select(CThumbnail2* t)
{
    if (!t)
        return;
    // Callers pass unselected thumbnails; one already in the ring is moved to its head rather
    // than linked in twice.
    if (t->IsSelect() && t->m_pNextSel)
        Deselect(t);
    t->SetSelect(1);
    if (!m_pSelHead) {
        t->m_pNextSel = t->m_pPrevSel = t;
    } else {
        t->m_pNextSel = m_pSelHead;
        t->m_pPrevSel = m_pSelHead->m_pPrevSel;
        m_pSelHead->m_pPrevSel->m_pNextSel = t;
        m_pSelHead->m_pPrevSel = t;
    }
    m_pSelHead = t;
    m_nSelHead = t->m_nID;
}

void CAlbum::SelectAt(int cell, CThumbnail2* t)
{
    if (!t)
        return;
    if (m_nSelectMode == 1) {
        DeselectAll();
        t->m_pNextSel = t->m_pPrevSel = t;
        m_pSelHead = t;
    } else {
        Select(t);
    }
    t->SetSelect(1);
    m_pSelHead = t;
    m_nSelHead = t->m_nID;
    if (cell >= 0)
        m_pOps->Invalidate(*this, cell, AlbumViewOps::Bands);
}

void CAlbum::Select(CThumbView2* cell)
{
    if (cell)
        SelectAt(IndexOfCell(cell), cell->GetThumbnail());
}

void CAlbum::Deselect(CThumbnail2* t)
{
    if (!t)
        return;
    t->SetSelect(0);
    if (!t->m_pNextSel)
        return; // not in the ring: the ring stays as it is
    if (t->m_pNextSel != t) {
        if (t == m_pSelHead) {
            m_pSelHead = t->m_pNextSel;
            m_nSelHead = m_pSelHead->m_nID;
        }
        t->m_pPrevSel->m_pNextSel = t->m_pNextSel;
        t->m_pNextSel->m_pPrevSel = t->m_pPrevSel;
    } else if (t == m_pSelHead) {
        m_pSelHead = nullptr;
        m_nSelHead = -1;
    }
    t->m_pNextSel = t->m_pPrevSel = nullptr;
}

void CAlbum::DeselectAt(int cell, CThumbnail2* t)
{
    Deselect(t);
    if (t && cell >= 0)
        m_pOps->Invalidate(*this, cell, AlbumViewOps::Bands);
}

void CAlbum::Deselect(CThumbView2* cell)
{
    if (cell)
        DeselectAt(IndexOfCell(cell), cell->GetThumbnail());
}

void CAlbum::DeselectAll()
{
    if (!m_pSelHead)
        return;
    CThumbnail2* head = m_pSelHead;
    // In single-selection mode the ring holds only the head, so this walk ends at once; it still
    // runs there, since the mode can be changed in the record while several are selected.
    while (head->m_pNextSel && head->m_pNextSel != head) {
        CThumbnail2* t = head->m_pNextSel;
        head->m_pNextSel = t->m_pNextSel;
        t->m_pNextSel->m_pPrevSel = head;
        t->m_pNextSel = t->m_pPrevSel = nullptr;
        t->SetSelect(0);
        RepaintNumber(t->m_nID, false);
    }
    head->SetSelect(0);
    head->m_pNextSel = head->m_pPrevSel = nullptr;
    RepaintNumber(head->m_nID, false);
    m_pSelHead = nullptr;
    m_nSelHead = -1;
}

void CAlbum::SetThumbviewFocus(CThumbnail2* t)
{
    if (m_pFocus)
        m_pFocus->SetFouse(0);
    m_pFocus = t;
    if (t)
        t->SetFouse(1);
    m_pOps->SendToParent(*this, WM_ALBUM_FOCUS, reinterpret_cast<WPARAM>(m_hWnd), reinterpret_cast<LPARAM>(t));
}

// ---- mouse ----

void CAlbum::OnMouse(UINT msg, WPARAM wParam, LPARAM lParam)
{
    CThumbView2* cell = reinterpret_cast<CThumbView2*>(lParam);
    const int index = IndexOfCell(cell);
    // Only cells of this album are acted on; anything else is merely passed on.
    if (index >= 0)
        HandleClick(msg, wParam, index, cell->GetThumbnail());
    m_pOps->SendToParent(*this, msg, wParam, lParam);
}

void CAlbum::HandleClick(UINT msg, WPARAM keys, int cell, CThumbnail2* t)
{
    switch (msg) {
    case WM_ALBUM_CELLDOWN:
    case WM_ALBUM_MENU:
        // A release completes only its own press: a press whose release went elsewhere (a drag
        // window or a menu took the mouse) leaves no wait behind for the next click.
        m_bPendingSelect = 0;
        if (t && t->IsSelect() && !(keys & MK_SHIFT))
            m_bPendingSelect = 1; // the selection changes at the release
        else
            OnSelectAt(keys, cell, t);
        break;
    case WM_ALBUM_CELLUP:
        if (m_bPendingSelect == 1) {
            OnSelectAt(keys, cell, t);
            m_bPendingSelect = 0;
        }
        break;
    default:
        break;
    }
}

void CAlbum::OnSelect(WPARAM keys, CThumbView2* cell)
{
    if (cell)
        OnSelectAt(keys, IndexOfCell(cell), cell->GetThumbnail());
}

void CAlbum::OnSelectAt(WPARAM keys, int cell, CThumbnail2* t)
{
    if (!t)
        return;
    const bool multiple = m_aci.nSelectMode != ACI_SELECT_SINGLE;
    if ((keys & MK_CONTROL) && multiple) {
        m_nSelectMode = 2;
        if (!t->IsSelect()) {
            if (!m_pFocus) {
                SetThumbviewFocus(t);
                if (cell >= 0)
                    m_pOps->Invalidate(*this, cell, AlbumViewOps::Whole);
            }
            SelectAt(cell, t);
        } else {
            DeselectAt(cell, t);
            if (t == m_pFocus) {
                // The focus goes to the lowest-numbered thumbnail still selected.
                CThumbnail2* lowest = m_pSelHead;
                if (lowest)
                    for (CThumbnail2* s = m_pSelHead->m_pNextSel; s != m_pSelHead; s = s->m_pNextSel)
                        if (s->m_nID < lowest->m_nID)
                            lowest = s;
                SetThumbviewFocus(lowest);
                if (lowest)
                    RepaintNumber(lowest->m_nID, false);
            }
        }
        return;
    }
    if (!(keys & MK_SHIFT) || !multiple) {
        m_nSelectMode = 1;
        SetThumbviewFocus(t);
        SelectAt(cell, t);
        return;
    }
    if (m_pFocus) {
        m_nSelectMode = 2;
        DeselectAll();
        const int from = Min(m_pFocus->m_nID, t->m_nID), to = Max(m_pFocus->m_nID, t->m_nID);
        CThumbnail2* s = m_Doc.GetThumbnail(from);
        for (int n = from; n <= to && s && s != m_Doc.m_pEnd; ++n, s = s->m_pNext) {
            const int c = CellOfNumber(n);
            if (c >= 0)
                SelectAt(c, s);
            else
                Select(s);
        }
        return;
    }
    SelectAt(cell, t);
    SetThumbviewFocus(t);
    if (cell >= 0)
        m_pOps->Invalidate(*this, cell, AlbumViewOps::Whole);
}

// ---- keyboard ----

void CAlbum::OnKeyDown(UINT, WPARAM wParam, LPARAM)
{
    const int key = static_cast<int>(wParam);
    const int shift = ShiftKeyDown() && m_aci.nSelectMode != ACI_SELECT_SINGLE;
    int scroll = -1;
    switch (key) {
    case VK_SHIFT:
        if (!m_pShiftAnchor)
            m_pShiftAnchor = m_pFocus;
        break;
    case VK_PRIOR: scroll = SB_PAGEUP; break;
    case VK_NEXT: scroll = SB_PAGEDOWN; break;
    case VK_END: scroll = SB_BOTTOM; break;
    case VK_HOME: scroll = SB_TOP; break;
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
        DoLRUD(key, shift);
        break;
    default:
        break;
    }
    if (scroll >= 0) {
        if (shift)
            DoLRUD(key, shift);
        else if (m_hWnd && IsWindow(m_hWnd))
            SendMessageA(m_hWnd, WM_VSCROLL, static_cast<WPARAM>(scroll), 0);
        else
            OnScroll(WM_VSCROLL, static_cast<WPARAM>(scroll), 0);
    }
    m_pOps->SendToParent(*this, WM_ALBUM_LAYOUT, reinterpret_cast<WPARAM>(m_hWnd), 0);
}

void CAlbum::OnKeyUp(UINT, WPARAM wParam, LPARAM)
{
    if (wParam == VK_SHIFT)
        m_pShiftAnchor = nullptr;
}

void CAlbum::DoLRUD(int key, int shift)
{
    const int count = m_Doc.GetCount(), cells = CellTotal(), line = LineLength(), lines = PageLines();
    if (cells == 0)
        return; // a grid without cells ignores the keys
    if (count == 0 || !m_pFirstShown || m_pFirstShown == m_Doc.m_pEnd) {
        m_pOps->Beep(*this);
        return;
    }
    if (!m_pFocus) {
        // The first shown thumbnail becomes current without the focus message.
        Select(m_pFirstShown);
        m_pFocus = m_pFirstShown;
    }
    if (m_aci.nScrollDir != ACI_SCROLL_VERTICAL) {
        switch (key) {
        case VK_LEFT: key = VK_UP; break;
        case VK_UP: key = VK_LEFT; break;
        case VK_RIGHT: key = VK_DOWN; break;
        case VK_DOWN: key = VK_RIGHT; break;
        default: break;
        }
    }
    const int f = m_pFocus->m_nID;
    int target;
    switch (key) {
    case VK_PRIOR: target = Max(f - cells, 1); break;
    case VK_NEXT: target = Min(f + cells, count); break;
    case VK_END: target = count; break;
    case VK_HOME: target = 1; break;
    case VK_LEFT: target = f <= 1 ? f : f - 1; break;
    case VK_UP: target = f - line < 1 ? f : f - line; break;
    case VK_RIGHT: target = f >= count ? f : f + 1; break;
    case VK_DOWN: target = f + line > count ? f : f + line; break;
    default: target = f; break;
    }
    if (target == f) {
        m_pOps->Beep(*this);
        return;
    }
    const int a = m_pShiftAnchor ? m_pShiftAnchor->m_nID : f;

    if (shift) {
        const int from = Min(f, a), to = Max(f, a);
        CThumbnail2* t = m_Doc.GetThumbnail(from);
        for (int n = from; n <= to && t && t != m_Doc.m_pEnd; ++n) {
            CThumbnail2* next = t->m_pNext;
            if (t->IsSelect())
                Deselect(t);
            t = next;
        }
        const int lo = Min(target, a), hi = Max(target, a);
        t = m_Doc.GetThumbnail(lo);
        for (int n = lo; n <= hi && t && t != m_Doc.m_pEnd; ++n, t = t->m_pNext)
            if (!t->IsSelect())
                Select(t);
    } else {
        DeselectAll();
        Select(m_Doc.GetThumbnail(target));
    }
    SetThumbviewFocus(m_Doc.GetThumbnail(target));

    if (IsShown(target)) {
        const int hi = Max(Max(target, f), a);
        const int lo = Max(Min(Min(target, f), a), m_nFirstShown);
        for (int n = lo; n <= hi && IsShown(n); ++n)
            m_pOps->Invalidate(*this, CellOfNumber(n), AlbumViewOps::Whole);
        return;
    }
    int first = target - (target - 1) % line;
    if (target >= m_nFirstShown + cells)
        first -= (lines - 1) * line;
    ScrollTo(Max(first, 1));
}

// ---- scrolling ----

void CAlbum::OnScroll(UINT, WPARAM wParam, LPARAM lParam)
{
    const int cells = CellTotal(), line = LineLength(), lines = PageLines(), count = m_Doc.GetCount();
    if (cells == 0 || line <= 0)
        return;
    // A view that has never shown an album has nothing to scroll, and says nothing about it.
    if (!m_pFirstShown)
        return;
    const int code = LOWORD(wParam), pos = HIWORD(wParam);
    if (count == 0) {
        // Nowhere to go in an empty album: every step, page and end beeps.
        if (code <= SB_PAGEDOWN || code == SB_TOP || code == SB_BOTTOM)
            m_pOps->Beep(*this);
        return;
    }
    const int maximum = LOWORD(lParam), minimum = HIWORD(lParam);
    const int F = m_nFirstShown;
    const int lastPage = Max(((count + line - 1) / line) * line - cells + 1, 1);
    int next;
    switch (code) {
    case SB_LINEUP:
        if (F == 1)
            return m_pOps->Beep(*this);
        next = (F - 1) / line >= 1 ? F - line : 1;
        break;
    case SB_LINEDOWN:
        if ((count + line - cells - F) / line <= 0)
            return m_pOps->Beep(*this);
        next = F + line;
        break;
    case SB_PAGEUP: {
        if (F == 1)
            return m_pOps->Beep(*this);
        const int q = (F - 1) / line;
        next = q > lines ? (q - lines) * line + 1 : 1;
        break;
    }
    case SB_PAGEDOWN:
        next = (count + line - cells - F) / line >= lines ? F + cells : lastPage;
        if (F + cells > count || next == F)
            return m_pOps->Beep(*this);
        break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
        if (maximum == minimum)
            return;
        // In 64 bits: a host may send any position with any range.
        const long long total = (count + line - 1) / line;
        const long long first = ((total - lines) * pos / (maximum - minimum)) * line + 1;
        if (first < 1 || first > count || first == F)
            return;
        next = static_cast<int>(first);
        break;
    }
    case SB_TOP:
        if (F == 1)
            return m_pOps->Beep(*this);
        next = 1;
        break;
    case SB_BOTTOM:
        next = lastPage;
        if (F + cells > count || next == F)
            return m_pOps->Beep(*this);
        break;
    default:
        return;
    }
    ScrollTo(next);
}

// ---- making a thumbnail current ----

int CAlbum::SetCurrentFocus(int n)
{
    const int count = m_Doc.GetCount(), cells = CellTotal(), line = LineLength(), lines = PageLines();
    if (count == 0 || n < 1 || n > count || cells == 0)
        return 0;
    if (!IsShown(n)) {
        if (!m_pFirstShown)
            return 0;
        if (!m_pFocus && m_pFirstShown != m_Doc.m_pEnd) {
            Select(m_pFirstShown);
            m_pFocus = m_pFirstShown;
        }
        int first = n - (n - 1) % line;
        if (n >= m_nFirstShown + cells)
            first -= (lines - 1) * line;
        ScrollTo(Max(first, 1));
    }
    // A click without keys on the cell showing n, as the cell itself would report it.
    const int cell = CellOfNumber(n);
    CThumbnail2* t = m_Doc.GetThumbnail(n);
    CThumbView2* view = (cell >= 0 && cell < m_nCount) ? m_ppCells[cell] : nullptr;
    HandleClick(WM_ALBUM_CELLDOWN, 0, cell, t);
    m_pOps->SendToParent(*this, WM_ALBUM_CELLDOWN, 0, reinterpret_cast<LPARAM>(view));
    return 1;
}
