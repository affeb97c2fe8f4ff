// The Find dialog's results album: results arriving from the scanner, the information line and
// the description of the focused result, the "search album" menu with the thumbnail clipboard
// and "Delete Options", and saving the results as a new album.
#include "search/SearchDlg.h"

#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <new>
#include "album/AlbumMessages.h"
#include "album/CaptionCache.h"
#include "control/AlbumManOps.h"
#include "control/ManagerFace.h"
#include "control/ManagerState.h"
#include "imaging/ModalGuard.h"
#include "resource.h"
#include "win/AnsiNames.h"
#include "win/Handles.h"
#include "win/Module.h"

using namespace finddlg;

namespace {

// Repainting the progress costs more than a file's test: the information line and the results are
// brought on screen at most this often while a search runs.
const DWORD kProgressPaintMs = 100;

// The focused result is forgotten once it is no longer among the results.
CThumbnail2* FocusedResult(CSearchDlg& s)
{
    if (s.m_pFocused && !IsThumbnailOf(s.Results(), s.m_pFocused))
        s.m_pFocused = nullptr;
    return s.m_pFocused;
}

void SetInfo(CSearchDlg& s, const char* text) { SetDlgItemTextA(s.m_hDlg, kInfo, text); }

void ShowProgress(CSearchDlg& s, bool now)
{
    static DWORD lastPaint = 0;
    const DWORD tick = GetTickCount();
    if (!now && tick - lastPaint < kProgressPaintMs)
        return;
    lastPaint = tick;
    UpdateWindow(GetDlgItem(s.m_hDlg, kInfo));
    UpdateWindow(GetDlgItem(s.m_hDlg, kResults));
    // Lets the platform see the keyboard (Esc) and know the window is alive; nothing is removed
    // from the queue, so no input is handled while the search runs.
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
}

bool ResultCellHasThumbnail(CAlbum* results, LPARAM cell)
{
    if (!results || !cell)
        return false;
    for (int i = 0; i < results->m_nCount; ++i)
        if (reinterpret_cast<LPARAM>(results->m_ppCells[i]) == cell)
            return results->m_ppCells[i] && results->m_ppCells[i]->m_pThumbnail;
    return false;
}

bool ClipboardHasThumbnails()
{
    CAlbumDoc2* clipboard = manager::Clipboard();
    return clipboard && clipboard->GetCount() > 0;
}

void CopyResults(CAlbum& results)
{
    CAlbumDoc2* copies = new (std::nothrow) CAlbumDoc2;
    if (!copies)
        return;
    results.GetDragDate(copies);
    manager::SetClipboard(copies);
}

void PasteResults(CAlbum& results)
{
    if (!ClipboardHasThumbnails())
        return;
    CAlbumDoc2* clipboard = manager::Clipboard();
    CAlbumDoc2 clones;
    for (CThumbnail2* t = clipboard->m_pEnd->m_pNext; t != clipboard->m_pEnd; t = t->m_pNext)
        if (CThumbnail2* c = t->Clone())
            clones.Insert(c, nullptr);
    results.InsertFromTable(&clones, nullptr);
}

} // namespace

void OnSearchProgress(CSearchDlg& s, WPARAM code, LPARAM data)
{
    CAlbum* results = s.Results();
    char text[MAX_PATH + 64];
    switch (code) {
    case 0: {
        const int count = results ? results->GetThumbNailCount() : 0;
        snprintf(text, sizeof text, manager::LoadText(IDS_FOUND).c_str(), count);
        SetInfo(s, text);
        if (count > 0)
            EnableWindow(GetDlgItem(s.m_hDlg, kSave), TRUE);
        EnableWindow(GetDlgItem(s.m_hDlg, kFind), TRUE);
        ShowProgress(s, true);
        break;
    }
    case 1: {
        CThumbTable2* found = reinterpret_cast<CThumbTable2*>(data);
        if (results && found && results->InsertFromTable(found, nullptr))
            s.m_bUnsaved = 1;
        ShowProgress(s, false);
        break;
    }
    case 2:
        if (data) {
            char path[MAX_PATH];
            win::CopyText(path, sizeof path, reinterpret_cast<const char*>(data));
            snprintf(text, sizeof text, manager::LoadText(IDS_SCANNING).c_str(), path);
            SetInfo(s, text);
        }
        ShowProgress(s, false);
        break;
    default:
        break;
    }
}

void StoreResultDescription(CSearchDlg& s)
{
    CAlbum* results = s.Results();
    if (!results)
        return;
    char text[128] = "";
    GetDlgItemTextA(s.m_hDlg, kResultDesc, text, sizeof text);
    if (CThumbnail2* t = FocusedResult(s))
        win::CopyText(t->m_Info.szDescription, sizeof t->m_Info.szDescription, text);
    else
        results->SetDescription(text);
}

void OnResultFocus(CSearchDlg& s, LPARAM thumbnail)
{
    CAlbum* results = s.Results();
    if (!results)
        return;
    StoreResultDescription(s);
    CThumbnail2* t = reinterpret_cast<CThumbnail2*>(thumbnail);
    s.m_pFocused = IsThumbnailOf(results, t) ? t : nullptr;
    char text[256];
    if (!s.m_pFocused) {
        snprintf(text, sizeof text, manager::LoadText(IDS_ALBUM_COUNT).c_str(), results->GetThumbNailCount());
        SetInfo(s, text);
        SetDlgItemTextA(s.m_hDlg, kResultDesc, results->GetDescription());
        return;
    }
    // The source file's day as a calendar date in UTC.
    const tagALBUMINFOHEADER& info = s.m_pFocused->m_Info;
    const uint64_t ticks = (uint64_t(info.dwFileTime) + 11644473600ull) * 10000000ull;
    const FILETIME ft = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME day = {};
    FileTimeToSystemTime(&ft, &day);
    const int kilobytes = static_cast<int>((uint64_t(info.dwFileSize) + 518) / 1024);
    snprintf(text, sizeof text, manager::LoadText(IDS_THUMB_INFO).c_str(), day.wMonth, day.wDay, day.wYear, kilobytes,
             info.wWidth, info.wHeight);
    // A source stored by its short name is named by its real name, which the cells show too.
    const std::wstring real = album::RealFileNameOf(*s.m_pFocused);
    if (real.empty())
        SetInfo(s, text);
    else
        SetDlgItemTextW(s.m_hDlg, kInfo, (real + L"  " + win::WideOfAnsi(text)).c_str());
    char description[ALBUM_TEXT_FIELD];
    win::CopyText(description, sizeof description, info.szDescription);
    SetDlgItemTextA(s.m_hDlg, kResultDesc, description);
}

void ShowResultsMenu(CSearchDlg& s, LPARAM cell)
{
    HMENU menu = LoadMenuA(AlbumInstance(), MAKEINTRESOURCEA(140));
    if (!menu)
        return;
    HMENU popup = GetSubMenu(menu, 1);
    if (popup) {
        const UINT onThumbnail = MF_BYCOMMAND | (ResultCellHasThumbnail(s.Results(), cell) ? MF_ENABLED : MF_GRAYED);
        EnableMenuItem(popup, kPaste, MF_BYCOMMAND | (ClipboardHasThumbnails() ? MF_ENABLED : MF_GRAYED));
        for (int id : {kCut, kCopy, kDelete})
            EnableMenuItem(popup, static_cast<UINT>(id), onThumbnail);
        POINT at;
        GetCursorPos(&at);
        TrackPopupMenu(popup, TPM_RIGHTBUTTON, at.x, at.y, 0, s.m_hDlg, nullptr);
    }
    DestroyMenu(menu);
}

void OnResultsCommand(CSearchDlg& s, int id)
{
    CAlbum* results = s.Results();
    if (!results)
        return;
    switch (id) {
    case kCopy:
        CopyResults(*results);
        break;
    case kCut:
        CopyResults(*results);
        results->RemoveSelected(0);
        break;
    case kPaste:
        PasteResults(*results);
        break;
    case kDelete:
        if (results->GetThumbNailCount() == 0)
            break;
        if (ModalDialogBox(AlbumInstance(), MAKEINTRESOURCEA(124), s.m_hDlg, DeleteOptionsProc, 0) != 1)
            break;
        results->RemoveSelected(manager::Kept().deleteThumbnailsOnly ? 0 : 1);
        break;
    default:
        break;
    }
    FocusedResult(s);
}

bool SaveResults(CSearchDlg& s)
{
    CAlbum* results = s.Results();
    if (!results)
        return false;
    StoreResultDescription(s);
    char path[MAX_PATH], name[MAX_PATH];
    if (!AskNewAlbumName(s.m_hDlg, s.m_szAlbumFolder, name))
        return false;
    if (!manager::JoinPath(path, s.m_szAlbumFolder, name, "") || !results->Save(path)) {
        // The results stay, still marked unsaved, for another try.
        ModalMessageBoxIds(s.m_hDlg, IDS_RESULTS_NOT_SAVED, IDS_CAPTION_FIND, MB_ICONEXCLAMATION);
        return false;
    }
    SendMessageA(s.m_hHost, WM_ALBUM_RESULTS, reinterpret_cast<WPARAM>(s.m_hDlg), reinterpret_cast<LPARAM>(path));
    s.m_bUnsaved = 0;
    return true;
}
