// The album manager's window: opening it, set-up and tear-down, layout and sizing, the command
// table, the thumbnail clipboard and menu, renaming in the album list, the dock frame protocol
// and the close check. The window procedure drives the manager (AlbumMan.cpp); the manager
// reaches its window only through ManagerFace.
#include "control/ManagerWindow.h"

#include <shellapi.h>
#include <algorithm>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <new>
#include <string>
#include <vector>
#include "album/AlbumExports.h"
#include "album/AlbumMessages.h"
#include "album/CaptionCache.h"
#include "control/AlbumCtrlLayout.h"
#include "control/AlbumManOps.h"
#include "control/FileDrop.h"
#include "control/ManagerFace.h"
#include "control/ManagerState.h"
#include "host/AlbumRegistry.h"
#include "imaging/DragDrop.h"
#include "imaging/ModalGuard.h"
#include "imaging/OleDrag.h"
#include "resource.h"
#include "vendor_standins/batchui/batchui.h"
#include "vendor_standins/ctrlkit/ctrlkit.h"
#include "win/AnsiNames.h"
#include "win/Handles.h"
#include "win/LongPath.h"
#include "win/Module.h"
#include "win/WindowObject.h"

namespace {

const char kProfile[] = "album.ini";
const UINT_PTR kAutoScrollTimer = 1;

enum : int {
    kLabelAlbum = 202, kAlbumList = 101, kLabelDesc = 204, kDescription = 102, kLabelInfo = 205,
    kInfoLine = 207, kControl = 104, kToolbar = 206
};

// Dock frame protocol.
enum : UINT { kDockPreferredSize = 0x1105, kDockResized = 0x1106, kDockMoveSize = 0x1107, kDockShow = 0x1109,
              kDockMayClose = 0x110B };

// The window's grid is made of cells of 88 x 107 pixels: it opens with a grid of them, and its
// docked forms are one column or one row of them.
const int kCellWidth = 88, kCellHeight = 107;
// Docked, the grid the window had while floating (columns low, rows high), for floating again.
const char kFloatingGridProp[] = "AlbumFloatingGrid";

// The floating window's size for a grid of whole cells.
SIZE FloatingSizeFor(int rows, int cols)
{
    return {2 * (GetSystemMetrics(SM_CXFRAME) + kCellWidth / 2 * cols) + 24,
            GetSystemMetrics(SM_CYSMCAPTION) + 2 * GetSystemMetrics(SM_CYFRAME) + 84 + kCellHeight * rows};
}

// Lays the album's grid out as rows x cols in the list window's present size. Cells are added or
// taken away only while the list holds a whole number of them, so the cells first take the size
// the grid gives them in the list, then the grid is laid out. The control's scroll bar follows.
void LayOutGrid(CAlbum& album, int rows, int cols)
{
    tagAlbumViewCreateInfo grid = *album.GetACI();
    grid.nRows = rows;
    grid.nCols = cols;
    tagAlbumViewCreateInfo stretched = grid;
    stretched.nSizeMode = ACI_SIZE_STRETCH;
    album.ResetLayout(stretched);
    album.ResetLayout(grid);
    album.UpDataThumbListView(-1);
    SendMessageA(GetParent(album.m_hWnd), WM_ALBUM_LAYOUT, reinterpret_cast<WPARAM>(album.m_hWnd), 0);
}

CAlbum* AlbumOf(CAlbumMan* m) { return m && m->m_pCtrl ? m->m_pCtrl->GetAlbum() : nullptr; }

bool HasCurrent(CAlbumMan* m) { return m && m->m_nCurrent >= 0; }

bool FolderExists(const char* folder)
{
    DWORD a = GetFileAttributesA(folder);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void Beep() { MessageBeep(0); }

bool BusyEnter() { return AlbumRegistry().EnterBusy(GetCurrentThreadId()) != 0; }
void BusyLeave() { AlbumRegistry().LeaveBusy(GetCurrentThreadId()); }

void Move(HWND dlg, int id, int x, int y, int width, int height)
{
    if (HWND w = GetDlgItem(dlg, id))
        MoveWindow(w, x, y, width < 0 ? 0 : width, height < 0 ? 0 : height, FALSE);
}

// ---- set-up and tear-down ----

void OnInitDialog(HWND dlg, CAlbumMan* m)
{
    SendDlgItemMessageA(dlg, kDescription, EM_LIMITTEXT, 127, 0);
    win::SetUserData(dlg, m);
    AttachAlbumFileDrop(dlg, nullptr);
    m->m_hDlg = dlg;
    m->m_pCtrl = win::ObjectOf<CAlbumCtrl>(GetDlgItem(dlg, kControl), "ManDlgAlbumCtrl", AlbumInstance());
    CAlbum* album = AlbumOf(m);
    if (album)
        album->m_Doc.SetThumbnailSize(static_cast<WORD>(m->m_nThumbWidth), static_cast<WORD>(m->m_nThumbHeight));
    m->m_hAlbumList = GetDlgItem(dlg, kAlbumList);
    SendMessageA(m->m_hAlbumList, CB_LIMITTEXT, 64, 0);

    const SIZE size = FloatingSizeFor(album ? album->m_aci.nRows : 0, album ? album->m_aci.nCols : 0);
    SetWindowPos(dlg, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);

    if (HWND bar = GetDlgItem(dlg, kToolbar)) {
        static const UINT commands[] = {1003, 1008, 1005, 1002, 1004, 1001, 1007, 1011, 1012};
        static const UINT bitmaps[] = {104, 106, 105, 106};
        static const UINT captions[] = {IDS_BTN_ADD, IDS_BTN_FIND, IDS_BTN_ACQUIRE, IDS_BTN_SORT, IDS_BTN_DELETE,
                                        IDS_BTN_SAVE, IDS_BTN_PRINT, IDS_BTN_BATCH, IDS_BTN_HELP};
        CtrlKitInitToolbar(bar, dlg, 9, commands, AlbumInstance(), bitmaps, captions);
    }
    const CHostCallbacks& host = g_HostCallbacks;
    if (host.pfnDockCreate) {
        m->m_hDockFrame = host.pfnDockCreate(dlg, 15, 0, true);
        if (m->m_hDockFrame && host.pfnDockQuery)
            host.pfnDockQuery(m->m_hDockFrame);
        ShowWindow(dlg, SW_SHOW);
        if (m->m_hDockFrame)
            SendMessageA(m->m_hDockFrame, kDockShow, 5, 0);
    }
    AlbumRegistry().AddManager(GetCurrentThreadId(), m);
}

void OnDestroy(HWND dlg, CAlbumMan* m)
{
    oledrag::DetachFileDrop(dlg);
    const LRESULT selected = SendMessageA(m->m_hAlbumList, CB_GETCURSEL, 0, 0);
    char text[MAX_PATH];
    if (selected != CB_ERR && manager::ListText(m->m_hAlbumList, static_cast<int>(selected), text))
        WritePrivateProfileStringA("Context", "LastOpen", text, kProfile);
    AlbumRegistry().RemoveManager(GetCurrentThreadId(), m);
    if (m->m_hDockFrame && g_HostCallbacks.pfnDockDestroy)
        g_HostCallbacks.pfnDockDestroy(dlg, m->m_hDockFrame);
    if (m->m_hDockTrigger)
        CtrlKitFreeDockTrigger(m->m_hDockTrigger);
    RemovePropA(dlg, kFloatingGridProp);
    if (manager::g_activeAlbumWindow == dlg)
        manager::g_activeAlbumWindow = nullptr;
    win::SetUserData(dlg, nullptr);
    delete m;
}

// ---- layout ----

void OnSize(HWND dlg, CAlbumMan* m, WPARAM wParam, LPARAM lParam)
{
    const int W = LOWORD(lParam), H = HIWORD(lParam);
    switch (m->m_nDockMode) {
    case 0:
        Move(dlg, kLabelAlbum, 4, 6, 40, 20);
        Move(dlg, kAlbumList, 48, 6, 140, 20);
        Move(dlg, kToolbar, 196, 6, 298, 20);
        Move(dlg, kLabelInfo, 4, H - 26, 70, 20);
        Move(dlg, kInfoLine, 74, H - 26, W - 78, 20);
        Move(dlg, kLabelDesc, 4, H - 50, 70, 20);
        Move(dlg, kDescription, 74, H - 50, W - 78, 20);
        Move(dlg, kControl, 4, 30, W - 8, H - 84);
        break;
    case 1:
        Move(dlg, kControl, 2, 35, 88, H - 41);
        break;
    case 2:
        Move(dlg, kControl, 38, 4, W - 42, 107);
        break;
    default:
        break;
    }
    InvalidateRect(dlg, nullptr, TRUE);
    if (m->m_hDockFrame)
        SendMessageA(m->m_hDockFrame, kDockResized, wParam, lParam);
}

void OnSizing(HWND dlg, WPARAM edge, RECT& r)
{
    HWND control = GetDlgItem(dlg, kControl);
    if (!control)
        return;
    RECT window, client;
    GetWindowRect(dlg, &window);
    GetClientRect(dlg, &client);
    const int marginX = (window.right - window.left) - client.right + 8;
    const int marginY = (window.bottom - window.top) - client.bottom + 84;
    RECT grid = {0, 0, (r.right - r.left) - marginX, (r.bottom - r.top) - marginY};
    SendMessageA(control, WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&grid));
    const int gw = grid.right - grid.left, gh = grid.bottom - grid.top;
    ctrllayout::ApplyFromEdge(edge, r, gw + marginX, gh + marginY);
    RECT c;
    GetWindowRect(control, &c);
    ctrllayout::ApplyFromEdge(edge, c, gw, gh);
    const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    if (r.right > screenW) {
        r.right -= 88;
        c.right -= 88;
    }
    if (r.bottom > screenH) {
        r.bottom -= 107;
        c.bottom -= 107;
    }
    if (screenW - c.left < 176 || c.right < 176 || screenH - c.top < 214)
        r = window; // the grid would leave the screen: the resize is refused
}

// ---- description and information ----

void OnFocusChanged(HWND dlg, CAlbumMan* m, LPARAM lParam)
{
    char text[129] = "";
    GetDlgItemTextA(dlg, kDescription, text, sizeof text);
    StoreDescription(*m, text);
    // Only a thumbnail of the album is taken as the new target.
    CThumbnail2* t = reinterpret_cast<CThumbnail2*>(lParam);
    m->m_pDescTarget = IsThumbnailOf(AlbumOf(m), t) ? t : nullptr;
    if (!m->m_pDescTarget) {
        ShowAlbumSummary(*m);
        return;
    }
    char info[256];
    if (!ThumbnailInfoText(m->m_pDescTarget->m_Info, info, sizeof info))
        return;
    // A source stored by its short name is named by its real name, which the cells show too.
    const std::wstring real = album::RealFileNameOf(*m->m_pDescTarget);
    if (real.empty())
        SetDlgItemTextA(dlg, kInfoLine, info);
    else
        SetDlgItemTextW(dlg, kInfoLine, (real + L"  " + win::WideOfAnsi(info)).c_str());
    SetDescriptionBox(*m, m->m_pDescTarget->m_Info.szDescription);
}

// ---- commands ----

void TellAlbumNotOpened(HWND dlg, const std::string& name)
{
    char text[512];
    snprintf(text, sizeof text, manager::LoadText(IDS_ALBUM_NOT_OPENED).c_str(), name.c_str());
    ModalMessageBox(dlg, text, manager::LoadText(IDS_CAPTION_MANAGER).c_str(), MB_ICONEXCLAMATION);
}

void SelectAlbum(HWND dlg, CAlbumMan* m)
{
    const int index = static_cast<int>(SendMessageA(m->m_hAlbumList, CB_GETCURSEL, 0, 0));
    if (index == m->m_nCurrent || index < 0)
        return;
    char path[MAX_PATH];
    if (!m->GetAlbumPath(index, path))
        return;
    m->UpdateDescLine();
    const std::string name = BaseNameOf(path);
    const ReloadResult result = ReloadAlbum(*m, path);
    if (result != ReloadResult::Loaded) {
        // The list keeps showing the album that is still current.
        if (m->m_nCurrent >= 0)
            SendMessageA(m->m_hAlbumList, CB_SETCURSEL, m->m_nCurrent, 0);
        if (result == ReloadResult::NotOpened)
            TellAlbumNotOpened(dlg, name);
        return;
    }
    m->m_nCurrent = static_cast<int>(SendMessageA(m->m_hAlbumList, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                  reinterpret_cast<LPARAM>(name.c_str())));
    // Naming a new album on the way renamed and selected its entry: the list shows the album
    // that is current now.
    SendMessageA(m->m_hAlbumList, CB_SETCURSEL, m->m_nCurrent, 0);
    ShowAlbumSummary(*m);
    m->m_bModified = 0;
    m->m_pDescTarget = nullptr;
}

void RenameAlbum(HWND dlg, CAlbumMan* m)
{
    if (!HasCurrent(m))
        return;
    char typed[MAX_PATH] = "", current[MAX_PATH];
    GetWindowTextA(m->m_hAlbumList, typed, sizeof typed);
    if (!manager::ListText(m->m_hAlbumList, m->m_nCurrent, current) || strcmp(typed, current) == 0)
        return;
    char name[MAX_PATH];
    win::CopyText(name, sizeof name, typed);
    auto refuse = [&] {
        SetWindowTextA(m->m_hAlbumList, current);
        Beep();
    };
    if (!manager::CheckAlbumName(dlg, m->m_szFolder, name, false))
        return refuse();
    char oldPath[MAX_PATH], newPath[MAX_PATH];
    if (!m->GetAlbumPath(m->m_nCurrent, oldPath))
        return refuse();
    auto replaceEntry = [&](const char* text) {
        SendMessageA(m->m_hAlbumList, CB_DELETESTRING, m->m_nCurrent, 0);
        SendMessageA(m->m_hAlbumList, CB_INSERTSTRING, m->m_nCurrent, reinterpret_cast<LPARAM>(text));
        SendMessageA(m->m_hAlbumList, CB_SETCURSEL, m->m_nCurrent, 0);
    };
    replaceEntry(typed);
    if (!m->GetAlbumPath(m->m_nCurrent, newPath)) {
        replaceEntry(current);
        return refuse();
    }
    CAlbum* album = AlbumOf(m);
    if (!m->m_bNewAlbum) {
        // The list never shows a name whose file is not there.
        if (!MoveFileA(oldPath, newPath)) {
            replaceEntry(current);
            return refuse();
        }
        if (album)
            album->m_Doc.SetPath(newPath);
    } else if (album && album->GetThumbNailCount() > 0) {
        m->m_bNewAlbum = 0;
        m->m_bModified = 1;
        m->Save();
    }
}

void CopySelection(CAlbumMan* m)
{
    CAlbum* album = AlbumOf(m);
    if (!album)
        return;
    manager::SetClipboard(nullptr);
    CAlbumDoc2* copies = new (std::nothrow) CAlbumDoc2;
    if (!copies)
        return;
    album->GetDragDate(copies);
    manager::SetClipboard(copies);
}

void Paste(CAlbumMan* m)
{
    CAlbum* album = AlbumOf(m);
    CAlbumDoc2* clipboard = manager::Clipboard();
    if (!album || !clipboard)
        return;
    CAlbumDoc2 clones;
    for (CThumbnail2* t = clipboard->m_pEnd->m_pNext; t != clipboard->m_pEnd; t = t->m_pNext)
        if (CThumbnail2* c = t->Clone())
            clones.Insert(c, nullptr);
    album->InsertFromTable(&clones, nullptr);
    m->m_bModified = 1;
}

void OpenSelection(CAlbumMan* m)
{
    CAlbum* album = AlbumOf(m);
    if (!album)
        return;
    CAlbumDoc2 selected;
    album->GetDragDate(&selected);
    for (CThumbnail2* t = selected.m_pEnd->m_pNext; t != selected.m_pEnd; t = t->m_pNext) {
        char path[MAX_PATH] = "";
        album->m_Doc.GetThumbnailFullPath(t->m_Info.szFileName, path);
        SendMessageA(m->m_hHost, WM_ALBUM_OPEN, reinterpret_cast<WPARAM>(path), 0);
    }
}

void Batch(CAlbumMan* m)
{
    if (!BusyEnter()) {
        Beep();
        return;
    }
    CAlbum* album = AlbumOf(m);
    int count = 0;
    char (*paths)[MAX_PATH] = nullptr;
    if (album && album->GetThumbNailCount() > 0 && album->GetImageList(count, paths) && paths) {
        if (BatchUiOpenDialog(m->m_hHost, paths, count) > 0)
            m->RefreshAlbum();
        GlobalFree(paths);
    } else {
        Beep();
    }
    BusyLeave();
}

void OnCommand(HWND dlg, CAlbumMan* m, WPARAM wParam)
{
    const int id = LOWORD(wParam), code = HIWORD(wParam);
    CAlbum* album = AlbumOf(m);
    switch (id) {
    case kAlbumList:
        if (code == CBN_SELCHANGE) {
            SelectAlbum(dlg, m);
        } else if (code == CBN_KILLFOCUS) {
            RenameAlbum(dlg, m);
        } else if (code == CBN_DROPDOWN) {
            SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(kAlbumList, CBN_KILLFOCUS), reinterpret_cast<LPARAM>(m->m_hAlbumList));
            m->LoadAlbumList();
        }
        break;
    case kDescription:
        if (code == EN_CHANGE)
            m->m_bModified = 1;
        break;
    case 1001:
        if (!HasCurrent(m))
            return Beep();
        m->UpdateDescLine();
        SetFocus(m->m_hDockTrigger);
        if (!m->Save())
            Beep();
        break;
    case 1002:
        if (!HasCurrent(m))
            return Beep();
        if (m->Sort())
            m->m_bModified = 1;
        break;
    case 1003:
        if (!HasCurrent(m))
            return Beep();
        m->Add();
        if (!m->m_pDescTarget)
            ShowAlbumSummary(*m);
        break;
    case 1004:
    case 40006:
        if (HasCurrent(m))
            m->Delete();
        else
            Beep();
        break;
    case 1005:
        if (g_HostCallbacks.pfnAcquire)
            g_HostCallbacks.pfnAcquire(dlg);
        else
            Beep();
        break;
    case 1007:
        if (!HasCurrent(m))
            return Beep();
        m->Print();
        break;
    case 1008:
        if (manager::g_searchRunning)
            return Beep();
        manager::g_searchRunning = 1;
        m->Search();
        manager::g_searchRunning = 0;
        break;
    case 1010:
        m->AddFolder();
        break;
    case 1011:
        Batch(m);
        break;
    case 1012:
    case 40009:
        if (g_HostCallbacks.pfnAlbumHelp)
            g_HostCallbacks.pfnAlbumHelp(dlg, 0);
        else
            Beep();
        break;
    case 40003:
        SendMessageA(dlg, WM_COMMAND, 40004, 0);
        if (album && album->RemoveSelected(0))
            m->m_bModified = 1;
        break;
    case 40004:
        CopySelection(m);
        break;
    case 40005:
        Paste(m);
        break;
    case 40007:
        OpenSelection(m);
        break;
    default:
        break;
    }
}

// ---- drag auto-scroll ----

void OnAutoScrollTimer(HWND dlg)
{
    POINT cursor;
    if (!GetCursorPos(&cursor))
        return;
    RECT window;
    GetWindowRect(dlg, &window);
    if (!PtInRect(&window, cursor)) {
        KillTimer(dlg, kAutoScrollTimer);
        return;
    }
    if (!(GetAsyncKeyState(VK_LBUTTON) & 0x8000) && !(GetAsyncKeyState(VK_RBUTTON) & 0x8000)) {
        KillTimer(dlg, kAutoScrollTimer);
        return;
    }
    HWND control = GetDlgItem(dlg, kControl);
    RECT c;
    if (!control || !GetWindowRect(control, &c))
        return;
    if (cursor.y > c.bottom)
        SendMessageA(control, WM_VSCROLL, SB_LINEDOWN, 0);
    if (cursor.y < c.top)
        SendMessageA(control, WM_VSCROLL, SB_LINEUP, 0);
}

// ---- docking ----

// Docking (MoveSize), before the window takes its size: docking keeps the grid the window has
// while floating; floating again brings it back and sets width and height to the size that holds
// it. False when the grid is left to the window's size (floating without a kept grid).
bool PrepareDockGrid(CAlbumMan& m, int mode, int& width, int& height)
{
    CAlbum* album = AlbumOf(&m);
    if (!album || !m.m_hDlg)
        return false;
    const HANDLE kept = GetPropA(m.m_hDlg, kFloatingGridProp);
    if (mode != ALBUM_DOCK_NONE) {
        if (!kept && m.m_nDockMode == ALBUM_DOCK_NONE)
            SetPropA(m.m_hDlg, kFloatingGridProp,
                     reinterpret_cast<HANDLE>(static_cast<INT_PTR>(MAKELONG(album->m_aci.nCols, album->m_aci.nRows))));
        return true;
    }
    if (!kept)
        return false;
    RemovePropA(m.m_hDlg, kFloatingGridProp);
    const DWORD grid = static_cast<DWORD>(reinterpret_cast<INT_PTR>(kept));
    int cols = LOWORD(grid), rows = HIWORD(grid);
    // A grid the screen cannot hold comes back as large as the screen allows.
    const SIZE none = FloatingSizeFor(0, 0);
    cols = std::max(1, std::min(cols, static_cast<int>(GetSystemMetrics(SM_CXSCREEN) - none.cx) / kCellWidth));
    rows = std::max(1, std::min(rows, static_cast<int>(GetSystemMetrics(SM_CYSCREEN) - none.cy) / kCellHeight));
    album->m_aci.nRows = rows;
    album->m_aci.nCols = cols;
    const SIZE size = FloatingSizeFor(rows, cols);
    width = size.cx;
    height = size.cy;
    return true;
}

// After it took its size: one column (docked vertically) or one row (horizontally) of whole cells,
// as many as the window holds, or the grid brought back for floating.
void LayOutDockGrid(CAlbumMan& m, int mode)
{
    CAlbum* album = AlbumOf(&m);
    if (!album || !album->m_hWnd)
        return;
    if (mode == ALBUM_DOCK_NONE)
        return LayOutGrid(*album, album->m_aci.nRows, album->m_aci.nCols);
    // The list keeps only the whole cells its strip holds; a strip shorter than one cell holds one.
    RECT list;
    GetClientRect(album->m_hWnd, &list);
    const bool vertical = mode == ALBUM_DOCK_VERTICAL;
    const int length = vertical ? list.bottom : list.right, cell = vertical ? kCellHeight : kCellWidth;
    const int cells = std::max(1, length / cell);
    if (length > cells * cell)
        SetWindowPos(album->m_hWnd, nullptr, 0, 0, vertical ? list.right : cells * cell,
                     vertical ? cells * cell : list.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    LayOutGrid(*album, vertical ? cells : 1, vertical ? 1 : cells);
}

// Whether lParam is one of the album's cells and shows a thumbnail.
bool CellShowsThumbnail(CAlbumMan& m, LPARAM cell)
{
    CAlbum* album = AlbumOf(&m);
    if (!album || !cell)
        return false;
    for (int i = 0; i < album->m_nCount; ++i)
        if (reinterpret_cast<LPARAM>(album->m_ppCells[i]) == cell)
            return album->m_ppCells[i] && album->m_ppCells[i]->m_pThumbnail;
    return false;
}

} // namespace

// ---- opening a manager window ----

int CAlbumMan::Open(HWND host, const char* folder)
{
    if (!host || !IsWindow(host) || !folder || strlen(folder) >= sizeof m_szFolder || !FolderExists(folder))
        return 0;
    win::CopyText(m_szFolder, sizeof m_szFolder, folder);
    HWND dlg = CreateDialogParamA(AlbumInstance(), MAKEINTRESOURCEA(100), host, AlbumManDlgProc,
                                  reinterpret_cast<LPARAM>(this));
    if (!dlg)
        return 0;
    m_hHost = host;
    ShowWindow(dlg, SW_SHOW);
    UpdateWindow(m_hDockFrame && IsWindow(m_hDockFrame) ? m_hDockFrame : dlg);

    m_nCurrent = -1;
    LoadAlbumList();
    ShowAlbumSummary(*this);
    char last[MAX_PATH] = "";
    GetPrivateProfileStringA("Context", "LastOpen", "", last, sizeof last, kProfile);
    LRESULT found = SendMessageA(m_hAlbumList, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(last));
    m_nCurrent = found == CB_ERR ? 0 : static_cast<int>(found);
    SendMessageA(m_hAlbumList, CB_SETCURSEL, m_nCurrent, 0);
    char path[MAX_PATH];
    if (GetAlbumPath(m_nCurrent, path) && Reload(path)) {
        ShowAlbumSummary(*this);
        m_bModified = 0;
        m_pDescTarget = nullptr;
    }
    return 1;
}

HWND CAlbumMan::NewWindow(HWND parent)
{
    return OpenAlbumManagerEx(parent, m_szFolder, m_nThumbWidth, m_nThumbHeight, 0);
}

// ---- the manager of a window, and the active album window's lists ----

CAlbumMan* ManagerOfWindow(HWND window)
{
    // Only a dialog run by the manager's own procedure carries a manager.
    return win::DialogObjectOf<CAlbumMan>(window, AlbumManDlgProc);
}

int CAlbumMan::GetImageListFromActiveAlbum(int& count, char (*&list)[MAX_PATH])
{
    CAlbumMan* m = ManagerOfWindow(manager::g_activeAlbumWindow);
    CAlbum* album = AlbumOf(m);
    return album ? album->GetImageList(count, list) : 0;
}

int CAlbumMan::GetSelectImageListFromActiveAlbum(int& count, char (*&list)[MAX_PATH])
{
    CAlbumMan* m = ManagerOfWindow(manager::g_activeAlbumWindow);
    CAlbum* album = AlbumOf(m);
    return album ? album->GetSelectImageList(count, list) : 0;
}

// ---- the dock frame protocol and the thumbnail menu ----

DWORD CAlbumMan::MoveSize(int request, DWORD proposed)
{
    int width = LOWORD(proposed), height = HIWORD(proposed);
    int mode;
    POINT origin = {0, 0};
    switch (request) {
    case 0:
        width = 552;
        height = 298;
        mode = ALBUM_DOCK_NONE;
        break;
    case 1:
    case 4: {
        int rows = (height - 85) / 107;
        width = 92;
        height = 107 * (rows < 1 ? 1 : rows) + 85;
        origin = request == 1 ? POINT{60, 6} : POINT{2, 6};
        mode = ALBUM_DOCK_VERTICAL;
        break;
    }
    case 2:
    case 8: {
        int cols = (width - 120) / 88;
        width = 88 * (cols < 1 ? 1 : cols) + 86;
        height = 115;
        origin = request == 2 ? POINT{4, 86} : POINT{4, 4};
        mode = ALBUM_DOCK_HORIZONTAL;
        break;
    }
    default:
        return proposed; // no such request: nothing changes
    }
    if (m_hDlg) {
        const int shown[] = {kLabelAlbum, kAlbumList, kToolbar, kLabelDesc, kDescription, kLabelInfo, kInfoLine};
        for (int id : shown)
            if (HWND w = GetDlgItem(m_hDlg, id))
                ShowWindow(w, mode == ALBUM_DOCK_NONE ? SW_SHOW : SW_HIDE);
        if (mode == ALBUM_DOCK_NONE) {
            if (m_hDockTrigger) {
                CtrlKitFreeDockTrigger(m_hDockTrigger);
                m_hDockTrigger = nullptr;
            }
        } else if (!m_hDockTrigger) {
            HWND windows[] = {GetDlgItem(m_hDlg, kLabelAlbum), m_hAlbumList, GetDlgItem(m_hDlg, kToolbar)};
            m_hDockTrigger = CtrlKitCreateDockTrigger(RECT{origin.x, origin.y, 30, 25}, m_hDlg, 3, windows);
        }
    }
    // Docked, the album shows one column or one row of whole cells; floating again, the grid it had.
    const bool grid = PrepareDockGrid(*this, mode, width, height);
    m_nDockMode = mode;
    if (m_pCtrl)
        m_pCtrl->SetDock(mode);
    if (m_hDlg)
        SetWindowPos(m_hDlg, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (grid)
        LayOutDockGrid(*this, mode);
    return MAKELONG(width, height);
}

void CAlbumMan::ShowPopupMenu(WPARAM, LPARAM lParam)
{
    if (!m_hDlg)
        return;
    HMENU menu = LoadMenuA(AlbumInstance(), MAKEINTRESOURCEA(140));
    if (!menu)
        return;
    HMENU popup = GetSubMenu(menu, 0);
    const bool onThumbnail = CellShowsThumbnail(*this, lParam);
    const UINT thumbState = MF_BYCOMMAND | (onThumbnail ? MF_ENABLED : MF_GRAYED);
    EnableMenuItem(popup, 40005, MF_BYCOMMAND | (manager::Clipboard() ? MF_ENABLED : MF_GRAYED));
    for (UINT id : {40003u, 40004u, 40006u, 40007u})
        EnableMenuItem(popup, id, thumbState);
    EnableMenuItem(popup, 40009, MF_BYCOMMAND | MF_ENABLED);
    POINT at;
    GetCursorPos(&at);
    TrackPopupMenu(popup, TPM_RIGHTBUTTON, at.x, at.y, 0, m_hDlg, nullptr);
    DestroyMenu(menu);
}

DWORD PreferredDockSize(int dockMode)
{
    switch (dockMode) {
    case 0:
        return MAKELONG(2 * GetSystemMetrics(SM_CXFRAME) + 112,
                        GetSystemMetrics(SM_CYSMCAPTION) + 2 * GetSystemMetrics(SM_CYFRAME) + 191);
    case 1:
        return MAKELONG(92, 192);
    case 2:
        return MAKELONG(174, 115);
    default:
        return 0;
    }
}

bool ThumbnailInfoText(const tagALBUMINFOHEADER& record, char* out, size_t size)
{
    // Seconds since 1970 UTC to the local calendar.
    const uint64_t ticks = (uint64_t(record.dwFileTime) + 11644473600ull) * 10000000ull;
    FILETIME utc = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)}, local;
    SYSTEMTIME t;
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &t))
        return false;
    const unsigned long kilobytes = static_cast<unsigned long>((uint64_t(record.dwFileSize) + 518) / 1024);
    snprintf(out, size, manager::LoadText(IDS_THUMB_INFO).c_str(), t.wMonth, t.wDay, t.wYear, static_cast<int>(kilobytes),
             record.wWidth, record.wHeight);
    return true;
}

int CloseCheck(CAlbumMan* m, HWND dlg)
{
    CAlbum* album = AlbumOf(m);
    if (!album || m->m_nCurrent == -1 || m->m_nAlbumCount < 1 || !m->m_bModified)
        return -1;
    if (m->m_bNewAlbum && album->GetThumbNailCount() == 0)
        return -1;
    if (!BusyEnter())
        return 1;
    const int answer = ModalMessageBoxIds(dlg, IDS_SAVE_MODIFIED, IDS_ALBUM_CAPTION, MB_YESNOCANCEL | MB_ICONQUESTION);
    BusyLeave();
    switch (answer) {
    case IDYES:
        // An emptied album is saved empty rather than deleted. A save that did not happen (no
        // name given, the disk refused) keeps the window, so nothing is lost unasked.
        return m->Save() ? -1 : 1;
    case IDNO:
        return -1;
    default:
        return 1;
    }
}

INT_PTR CALLBACK AlbumManDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_INITDIALOG) {
        if (lParam)
            OnInitDialog(dlg, reinterpret_cast<CAlbumMan*>(lParam));
        return TRUE;
    }
    switch (msg) {
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetBkColor(dc, RGB(0xC0, 0xC0, 0xC0));
        SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<INT_PTR>(GetStockObject(LTGRAY_BRUSH));
    }
    default:
        break;
    }
    CAlbumMan* m = static_cast<CAlbumMan*>(win::UserData(dlg));
    if (!m)
        return 0;
    switch (msg) {
    case WM_DESTROY:
        OnDestroy(dlg, m);
        return 0;
    case WM_SIZE:
        OnSize(dlg, m, wParam, lParam);
        return TRUE;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) {
            manager::g_activeAlbumWindow = dlg;
            AlbumRegistry().MakeActive(GetCurrentThreadId(), dlg);
        }
        return TRUE;
    case WM_PAINT: {
        HWND control = GetDlgItem(dlg, kControl);
        RECT update;
        if (control && GetUpdateRect(control, &update, FALSE))
            InvalidateRect(control, &update, TRUE);
        return 0;
    }
    case WM_CLOSE:
        if (m->m_hDockFrame) {
            SendMessageA(m->m_hDockFrame, WM_CLOSE, 0, 0);
            return 0;
        }
        if (CloseCheck(m, dlg) < 0)
            DestroyWindow(dlg);
        return 0;
    case kDockMayClose:
        if (lParam)
            *reinterpret_cast<int*>(lParam) = CloseCheck(m, dlg);
        return 0;
    case WM_SHOWWINDOW:
        if (m->m_hDockFrame)
            SendMessageA(m->m_hDockFrame, kDockShow, wParam ? 5 : 0, 0);
        return 0;
    case WM_KEYDOWN:
        return TRUE;
    case WM_COMMAND:
        OnCommand(dlg, m, wParam);
        return TRUE;
    case WM_TIMER:
        if (wParam == kAutoScrollTimer)
            OnAutoScrollTimer(dlg);
        return 0;
    case WM_SIZING:
        if (lParam)
            OnSizing(dlg, wParam, *reinterpret_cast<RECT*>(lParam));
        return 0;
    case WM_DROPFILES:
        m->OnDropFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_ALBUM_OPEN:
        SendMessageA(m->m_hHost, WM_ALBUM_OPEN, wParam, lParam);
        return TRUE;
    case WM_ALBUM_FOCUS:
        OnFocusChanged(dlg, m, lParam);
        return 0;
    case WM_ALBUM_DROP:
        m->m_bModified = 1;
        return TRUE;
    case WM_ALBUM_MENU:
        m->ShowPopupMenu(wParam, lParam);
        return 0;
    case WM_ALBUM_DELETE:
        m->Delete();
        return TRUE;
    case kDockPreferredSize:
        if (lParam)
            *reinterpret_cast<DWORD*>(lParam) = PreferredDockSize(m->m_nDockMode);
        return 0;
    case kDockMoveSize:
        if (lParam)
            *reinterpret_cast<DWORD*>(lParam) = m->MoveSize(static_cast<int>(wParam), *reinterpret_cast<DWORD*>(lParam));
        return 0;
    case WM_ALBUM_DRAG:
        // Only the process's own drag record is written to.
        if (lParam == reinterpret_cast<LPARAM>(DragRecord())) {
            tagDRAGRECORD* record = DragRecord();
            record->bHandled = 1;
            if (record->nCode == 0 || record->nCode == DRAG_CODE_OVER)
                SetTimer(dlg, kAutoScrollTimer, 500, nullptr);
        }
        return 0;
    default:
        return 0;
    }
}
