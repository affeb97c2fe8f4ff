// The Find dialog: opening it, setting it up, the tabs, the command table, reading the criteria
// from the controls, the search command, and closing with the folder history.
#include "search/SearchDlg.h"

#include <commctrl.h>
#include <shlobj.h>
#include <limits.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <memory>
#include <string>
#include <new>
#include "album/AlbumExports.h"
#include "album/AlbumMessages.h"
#include "album/AlbumSearch.h"
#include "control/ManagerState.h"
#include "win/LongPath.h"
#include "imaging/ModalGuard.h"
#include "resource.h"
#include "search/SearchDates.h"
#include "search/SearchScan.h"
#include "vendor_standins/imgio/imgio.h"
#include "win/FolderBrowser.h"
#include "win/Handles.h"
#include "win/Module.h"
#include "win/WindowObject.h"

using namespace finddlg;

namespace finddlg {
const char kHistorySection[] = "SEARCHFOLDER";
const char kHistoryProfile[] = "ALBUM.INI";
} // namespace finddlg

namespace {

const char kFindNow[] = "Find Now";
const char kContinue[] = "Continue";
const char kNotFound[] = "NOTFIND";
// What the image-file library is asked to list in the type box.
const DWORD kFormatMask = 0xEFF;

// The controls of each tab, in the order they are shown.
const int kTab0[] = {124, 125, 126, 127, 128, 1019, 1018, 1021, 1020, 1022, 1023};
const int kTab1[] = {129, 130, 131, 134, 135, 136, 132, 137, 138, 139, 133, 140, 141, 142};
const int kTab2[] = {144, 143, 145, 146, 147, 148};

// The date edits' own procedure before they were subclassed (both are edits: one value serves).
WNDPROC g_dateEditProc = nullptr;

void Beep() { MessageBeep(0); }

bool Checked(HWND dlg, int id) { return IsDlgButtonChecked(dlg, id) == BST_CHECKED; }

void Enable(HWND dlg, std::initializer_list<int> ids, bool on)
{
    for (int id : ids)
        if (HWND w = GetDlgItem(dlg, id))
            EnableWindow(w, on ? TRUE : FALSE);
}

// Focus to a control the way the dialog manager does it, so the default button follows.
void FocusControl(HWND dlg, int id)
{
    if (HWND w = GetDlgItem(dlg, id))
        SendMessageA(dlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(w), TRUE);
}

void UpperCase(char* text) { CharUpperBuffA(text, static_cast<DWORD>(strlen(text))); }

LRESULT CALLBACK DateEditProc(HWND edit, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_CHAR) {
        const bool allowed = (wParam >= '0' && wParam <= '9') || wParam == '-' || wParam == ' ' || wParam == VK_BACK;
        if (!allowed)
            return 0;
    }
    return CallWindowProcA(g_dateEditProc, edit, msg, wParam, lParam);
}

void ShowTab(CSearchDlg& s, int tab)
{
    struct Page {
        const int* ids;
        size_t count;
    };
    const Page pages[] = {{kTab0, sizeof kTab0 / sizeof *kTab0}, {kTab1, sizeof kTab1 / sizeof *kTab1},
                          {kTab2, sizeof kTab2 / sizeof *kTab2}};
    if (tab < 0 || tab > 2)
        return;
    for (int p = 0; p < 3; ++p)
        if (p != tab)
            for (size_t i = 0; i < pages[p].count; ++i)
                ShowWindow(GetDlgItem(s.m_hDlg, pages[p].ids[i]), SW_HIDE);
    for (size_t i = 0; i < pages[tab].count; ++i)
        ShowWindow(GetDlgItem(s.m_hDlg, pages[tab].ids[i]), SW_SHOW);
    s.m_nTab = tab;
}

void SwitchToTab(CSearchDlg& s, int tab)
{
    SendDlgItemMessageA(s.m_hDlg, kTabs, TCM_SETCURSEL, static_cast<WPARAM>(tab), 0);
    ShowTab(s, tab);
}

void MarkNewSearch(CSearchDlg& s)
{
    s.m_nSearchState = kSearchNew;
    SetDlgItemTextA(s.m_hDlg, kFind, kFindNow);
}

// Whether a notification changes what the next search looks for.
bool ChangesCriteria(int id, int code)
{
    switch (id) {
    case kName: case kDescription: case kFromDate: case kToDate: case kMonths: case kDays: case kSize:
        return code == EN_CHANGE;
    case kMatchCase: case kAllImages: case kModified: case kBetween: case kPrevMonths: case kPrevDays:
    case kLookInAlbum: case kLookInFolder: case kSubfolders:
        return true;
    case kType: case kSizeKind: case kAlbum: case kFolder:
        return code == CBN_SELCHANGE || code == CBN_EDITCHANGE;
    default:
        return false;
    }
}

// The albums of the album folder, by their long names with ".abm", after "All Albums". A folder
// without albums leaves the list as it is.
void FillAlbumList(CSearchDlg& s)
{
    HWND list = GetDlgItem(s.m_hDlg, kAlbum);
    char pattern[MAX_PATH];
    if (!manager::JoinPath(pattern, s.m_szAlbumFolder, "*", ".abm"))
        return;
    const std::string all = manager::LoadText(IDS_ALL_ALBUMS);
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA(pattern, &fd);
    if (find == INVALID_HANDLE_VALUE) {
        // Without albums the list keeps what it shows; an empty one still offers "All Albums",
        // which then finds nothing and leaves a new search.
        if (SendMessageA(list, CB_GETCOUNT, 0, 0) <= 0) {
            SendMessageA(list, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(all.c_str()));
            SendMessageA(list, CB_SETCURSEL, 0, 0);
        }
        return;
    }
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    do {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        char path[MAX_PATH], longPath[MAX_PATH];
        const char* name = fd.cFileName;
        if (manager::JoinPath(path, s.m_szAlbumFolder, fd.cFileName, "") && LongPathOf(path, longPath) == 0) {
            name = longPath;
            for (const char* p = longPath; *p; ++p)
                if (*p == '\\' || *p == '/' || *p == ':')
                    name = p + 1;
        }
        char shown[MAX_PATH];
        win::CopyText(shown, sizeof shown, name);
        char* dot = strrchr(shown, '.');
        if (!dot || _stricmp(dot, ".abm") != 0)
            continue; // only names that really end in ".abm"
        strcpy(dot, ".abm");
        SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(shown));
    } while (FindNextFileA(find, &fd));
    FindClose(find);
    SendMessageA(list, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(all.c_str()));
    SendMessageA(list, CB_SETCURSEL, 0, 0);
}

void LoadFolderHistory(HWND dlg)
{
    char number[16];
    GetPrivateProfileStringA(kHistorySection, "ITEMNUM", "00", number, sizeof number, kHistoryProfile);
    int count = 0;
    for (const char* p = number; *p >= '0' && *p <= '9' && count <= kHistoryLimit; ++p)
        count = count * 10 + (*p - '0');
    // The history never holds more than it writes; a damaged count does not make the dialog read
    // keys by the million.
    if (count > kHistoryLimit)
        count = kHistoryLimit;
    HWND combo = GetDlgItem(dlg, kFolder);
    for (int i = 0; i < count; ++i) {
        char key[16], folder[MAX_PATH];
        snprintf(key, sizeof key, "%d", i);
        GetPrivateProfileStringA(kHistorySection, key, kNotFound, folder, sizeof folder, kHistoryProfile);
        if (strcmp(folder, kNotFound) != 0)
            SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(folder));
    }
}

void WriteFolderHistory(HWND dlg)
{
    HWND combo = GetDlgItem(dlg, kFolder);
    const int items = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    if (items <= 0)
        return;
    WritePrivateProfileStringA(kHistorySection, nullptr, nullptr, kHistoryProfile);
    const int count = items < kHistoryLimit ? items : kHistoryLimit;
    char number[16];
    snprintf(number, sizeof number, "%d", count);
    WritePrivateProfileStringA(kHistorySection, "ITEMNUM", number, kHistoryProfile);
    for (int i = 0; i < count; ++i) {
        char key[16], folder[MAX_PATH] = "";
        const LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, i, 0);
        if (length == CB_ERR || length >= MAX_PATH)
            continue;
        SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(folder));
        snprintf(key, sizeof key, "%d", i);
        WritePrivateProfileStringA(kHistorySection, key, folder, kHistoryProfile);
    }
}

void OnInitDialog(HWND dlg, CSearchDlg* s)
{
    win::SetUserData(dlg, s);
    s->m_hDlg = dlg;

    HWND tabs = GetDlgItem(dlg, kTabs);
    const char* const names[] = {"Name && Location", "Date Modified", "Type && Size"};
    for (int i = 0; i < 3; ++i) {
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(names[i]);
        SendMessageA(tabs, TCM_INSERTITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }
    // The pages' controls lie on the tab control: it goes below them so that it never paints over them.
    SetWindowPos(tabs, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ShowTab(*s, 0);

    const struct {
        int id, limit;
    } limits[] = {{kName, 127}, {kDescription, 127}, {kFromDate, 10}, {kToDate, 10}, {kMonths, 3}, {kDays, 3}, {kSize, 7}};
    for (const auto& l : limits)
        SendDlgItemMessageA(dlg, l.id, EM_LIMITTEXT, static_cast<WPARAM>(l.limit), 0);
    // The name box takes names in any script: as a UTF-16 window its text is not narrowed to the
    // ANSI code page on its way in or out.
    HWND nameBox = GetDlgItem(dlg, kName);
    SetWindowLongPtrW(nameBox, GWLP_WNDPROC, GetWindowLongPtrW(nameBox, GWLP_WNDPROC));

    CheckDlgButton(dlg, kAllImages, BST_CHECKED);
    CheckDlgButton(dlg, kBetween, BST_CHECKED);
    Enable(dlg, {kFromDate, kToDate, kMonths, kMonthsSpin, kDays, kDaysSpin}, false);

    tm today;
    if (search::LocalDate(search::Now(), &today)) {
        char text[32];
        search::FormatDate(today, text, sizeof text);
        SetDlgItemTextA(dlg, kToDate, text);
        search::FormatDate(search::MonthBack(today), text, sizeof text);
        SetDlgItemTextA(dlg, kFromDate, text);
    }
    for (int spin : {kMonthsSpin, kDaysSpin}) {
        SendDlgItemMessageA(dlg, spin, UDM_SETRANGE32, 0, 999);
        SendDlgItemMessageA(dlg, spin, UDM_SETPOS32, 0, 1);
    }

    ImgIoFormatList(GetDlgItem(dlg, kType), kFormatMask, 0);
    SendDlgItemMessageA(dlg, kType, CB_SETCURSEL, 0, 0);
    for (const char* kind : {"", "At least", "At most"})
        SendDlgItemMessageA(dlg, kSizeKind, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kind));
    SendDlgItemMessageA(dlg, kSizeKind, CB_SETCURSEL, 0, 0);

    Enable(dlg, {kFolder, kBrowse, kSubfolders}, false);
    CheckDlgButton(dlg, kLookInAlbum, BST_CHECKED);
    FillAlbumList(*s);
    LoadFolderHistory(dlg);

    for (int id : {kFromDate, kToDate}) {
        HWND edit = GetDlgItem(dlg, id);
        WNDPROC old = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DateEditProc)));
        if (old && old != DateEditProc)
            g_dateEditProc = old;
    }

    if (CAlbum* results = s->Results())
        results->m_Doc.SetThumbnailSize(static_cast<WORD>(s->m_nThumbWidth), static_cast<WORD>(s->m_nThumbHeight));
    InitSearchLayout(*s);
    Enable(dlg, {kSave}, false);
    MarkNewSearch(*s);
}

void OnDestroy(HWND dlg, CSearchDlg* s)
{
    s->ResetScan();
    s->m_pFocused = nullptr;
    s->m_hDlg = nullptr;
    win::SetUserData(dlg, nullptr);
}

// Refuses a date with the time message on the "Date Modified" tab, the focus on the edit.
bool RefuseDate(CSearchDlg& s, int edit, bool beep)
{
    if (beep)
        Beep();
    SwitchToTab(s, 1);
    FocusControl(s.m_hDlg, edit);
    ModalMessageBoxIds(s.m_hDlg, IDS_TIME_INVALID, IDS_CAPTION_FIND, MB_ICONEXCLAMATION);
    FocusControl(s.m_hDlg, edit);
    return false;
}

bool ReadDateEdit(CSearchDlg& s, int edit, tm* out)
{
    char text[11] = "";
    GetDlgItemTextA(s.m_hDlg, edit, text, sizeof text);
    return search::ParseDate(text, out);
}

int NumberOf(HWND dlg, int id)
{
    BOOL ok = FALSE;
    const int n = static_cast<int>(GetDlgItemInt(dlg, id, &ok, TRUE));
    return ok ? n : 0;
}

bool FillCriteria(CSearchDlg& s)
{
    HWND dlg = s.m_hDlg;
    tagAlbumSearchCreteria c;
    memset(&c, 0, sizeof c);

    WCHAR typed[128] = L"";
    GetDlgItemTextW(dlg, kName, typed, 128);
    album::SetNameCriterion(c, typed); // kept as typed too, for the real names
    if (wcspbrk(typed, L"*?")) {
        FocusControl(dlg, kName);
        ModalMessageBoxIds(dlg, IDS_NO_WILDCARDS, IDS_CAPTION_FIND, MB_ICONEXCLAMATION | MB_OK);
        FocusControl(dlg, kName);
        return false;
    }
    GetDlgItemTextA(dlg, kDescription, c.szDescription, 128);
    c.bMatchCase = Checked(dlg, kMatchCase) ? 1 : 0;
    c.bDateFilter = Checked(dlg, kAllImages) ? 0 : 1;

    if (c.bDateFilter) {
        tm from = {}, to = {};
        if (Checked(dlg, kBetween)) {
            if (!ReadDateEdit(s, kFromDate, &from))
                return RefuseDate(s, kFromDate, true);
            if (!ReadDateEdit(s, kToDate, &to))
                return RefuseDate(s, kToDate, true);
            if (search::CompareDates(from, to) > 0)
                return RefuseDate(s, kFromDate, false);
            from.tm_year -= 1900;
            to.tm_year -= 1900;
        } else if (Checked(dlg, kPrevMonths)) {
            int months = NumberOf(dlg, kMonths);
            if (months <= 0)
                months = 1;
            const __time64_t now = search::Now();
            search::LocalDate(now, &to);
            from = search::MonthsBefore(to, months);
        } else if (Checked(dlg, kPrevDays)) {
            int days = NumberOf(dlg, kDays);
            if (days <= 0)
                days = 1;
            const __time64_t now = search::Now();
            search::LocalDate(now, &to);
            search::LocalDate(now - static_cast<__time64_t>(days) * 86400, &from);
        }
        c.tmFrom = from;
        c.tmTo = to;
    }

    if (SendDlgItemMessageA(dlg, kType, CB_GETCURSEL, 0, 0) > 0) {
        char filter[IMGIO_FILTER_MAX] = "";
        if (ImgIoFormatFilter(GetDlgItem(dlg, kType), filter) > 1) {
            win::CopyText(c.szType, sizeof c.szType, filter + 1);
            UpperCase(c.szType);
        }
    }

    const LRESULT sizeKind = SendDlgItemMessageA(dlg, kSizeKind, CB_GETCURSEL, 0, 0);
    if (sizeKind == 1 || sizeKind == 2) {
        const int kilobytes = NumberOf(dlg, kSize);
        if (kilobytes > 0) {
            // Seven digits of kilobytes reach past what the bound holds: the bound stops at its
            // largest value rather than wrapping round to a bound of the other kind.
            const int64_t bytes = int64_t(kilobytes) * 1024;
            const int bound = bytes > INT_MAX ? INT_MAX : static_cast<int>(bytes);
            c.nSize = sizeKind == 2 ? -bound : bound;
        }
    }

    if (Checked(dlg, kLookInAlbum)) {
        GetDlgItemTextA(dlg, kAlbum, c.szAlbumPath, sizeof c.szAlbumPath);
        c.nLookIn = ALBUM_LOOK_IN_ALBUM;
    } else if (Checked(dlg, kLookInFolder)) {
        GetDlgItemTextA(dlg, kFolder, c.szFolderPath, sizeof c.szFolderPath);
        HWND combo = GetDlgItem(dlg, kFolder);
        if (c.szFolderPath[0] &&
            SendMessageA(combo, CB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(c.szFolderPath)) == CB_ERR)
            SendMessageA(combo, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(c.szFolderPath));
        c.bSubFolder = Checked(dlg, kSubfolders) ? 1 : 0;
        c.nLookIn = ALBUM_LOOK_IN_FOLDER;
    }
    if (!c.bMatchCase)
        UpperCase(c.szDescription);
    s.m_Criteria = c;
    memcpy(s.m_szTypedName, typed, sizeof typed);
    return true;
}

void Search(CSearchDlg& s)
{
    HWND dlg = s.m_hDlg;
    if (s.m_nSearchState == kSearchFinished)
        return Beep();
    if (s.m_nSearchState == kSearchNew && !FillCriteria(s))
        return;
    ExpandSearchDialog(s);
    SetDlgItemTextA(dlg, kResultDesc, " ");
    SetDlgItemTextA(dlg, kInfo, manager::LoadText(IDS_SEARCHING).c_str());
    RedrawWindow(dlg, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Enable(dlg, {kFind, kSave}, false);
    if (s.m_nSearchState == kSearchNew) {
        if (CAlbum* results = s.Results())
            results->FreeAlbumData();
        s.m_pFocused = nullptr;
    }
    ScanForSearchDlg(&s);
    if (IsWindow(dlg))
        SetDlgItemTextA(dlg, kFind, s.m_nSearchState == kSearchStopped ? kContinue : kFindNow);
}

void EnableDateChoice(HWND dlg, int choice)
{
    Enable(dlg, {kFromDate, kToDate}, choice == kBetween);
    Enable(dlg, {kMonths, kMonthsSpin}, choice == kPrevMonths);
    Enable(dlg, {kDays, kDaysSpin}, choice == kPrevDays);
}

void BrowseFolder(CSearchDlg& s)
{
    HWND dlg = s.m_hDlg;
    char folder[MAX_PATH];
    if (!win::BrowseForFolder(dlg, folder))
        return;
    HWND combo = GetDlgItem(dlg, kFolder);
    LRESULT at = SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(folder));
    if (at == CB_ERR)
        at = SendMessageA(combo, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(folder));
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
    // Choosing a folder changes where the next search looks, as typing one does.
    MarkNewSearch(s);
}

void OnCommand(CSearchDlg& s, int id, int code)
{
    HWND dlg = s.m_hDlg;
    if (ChangesCriteria(id, code))
        MarkNewSearch(s);
    switch (id) {
    case kFind:
        Search(s);
        break;
    case kExit:
        SendMessageA(dlg, WM_CLOSE, 0, 0);
        break;
    case kSave:
        SaveResults(s);
        break;
    case kAllImages:
        Enable(dlg, {kFromDate, kToDate, kMonths, kMonthsSpin, kDays, kDaysSpin}, false);
        break;
    case kModified:
        for (int choice : {kBetween, kPrevMonths, kPrevDays})
            if (Checked(dlg, choice))
                EnableDateChoice(dlg, choice);
        break;
    case kBetween:
    case kPrevMonths:
    case kPrevDays:
        if (code != BN_CLICKED)
            break;
        CheckDlgButton(dlg, kModified, BST_CHECKED);
        CheckDlgButton(dlg, kAllImages, BST_UNCHECKED);
        EnableDateChoice(dlg, id);
        break;
    case kAlbum:
        if (code == CBN_DROPDOWN)
            FillAlbumList(s);
        break;
    case kLookInAlbum:
        if (Checked(dlg, kLookInAlbum)) {
            Enable(dlg, {kAlbum, kDescription}, true);
            Enable(dlg, {kFolder, kBrowse, kSubfolders}, false);
        }
        break;
    case kLookInFolder:
        if (Checked(dlg, kLookInFolder)) {
            if (!Checked(dlg, kLookInAlbum))
                Enable(dlg, {kDescription, kAlbum}, false);
            Enable(dlg, {kFolder, kBrowse, kSubfolders}, true);
        }
        break;
    case kBrowse:
        BrowseFolder(s);
        break;
    case kCut:
    case kCopy:
    case kPaste:
    case kDelete:
        OnResultsCommand(s, id);
        break;
    default:
        break;
    }
}

void OnClose(CSearchDlg& s)
{
    HWND dlg = s.m_hDlg;
    if (s.m_bUnsaved) {
        const int answer = ModalMessageBoxIds(dlg, IDS_SAVE_RESULTS, IDS_CAPTION_GENERAL, MB_YESNO | MB_ICONQUESTION);
        if (answer == IDYES) {
            // Results that were not saved (the name was cancelled, the disk refused) keep the
            // dialog open: nothing found is thrown away unasked.
            if (!SaveResults(s))
                return;
            WriteFolderHistory(dlg);
        }
    }
    EndDialog(dlg, 0);
}

INT_PTR Dispatch(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_INITDIALOG) {
        if (lParam)
            OnInitDialog(dlg, reinterpret_cast<CSearchDlg*>(lParam));
        return TRUE;
    }
    CSearchDlg* s = static_cast<CSearchDlg*>(win::UserData(dlg));
    if (!s)
        return FALSE;
    switch (msg) {
    case WM_COMMAND:
        OnCommand(*s, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_NOTIFY: {
        const NMHDR* hdr = reinterpret_cast<const NMHDR*>(lParam);
        if (hdr && hdr->idFrom == static_cast<UINT_PTR>(kTabs) && hdr->code == static_cast<UINT>(TCN_SELCHANGE))
            ShowTab(*s, static_cast<int>(SendDlgItemMessageA(dlg, kTabs, TCM_GETCURSEL, 0, 0)));
        return TRUE;
    }
    case WM_CLOSE:
        OnClose(*s);
        return TRUE;
    case WM_DESTROY:
        OnDestroy(dlg, s);
        return TRUE;
    case WM_SIZING:
        if (lParam)
            OnSearchSizing(*s, *reinterpret_cast<RECT*>(lParam), wParam);
        return TRUE;
    case WM_SIZE:
        OnSearchSize(*s);
        return TRUE;
    case WM_ALBUM_OPEN:
        SendMessageA(s->m_hHost, WM_ALBUM_OPEN, wParam, lParam);
        SetWindowLongPtrA(dlg, DWLP_MSGRESULT, 1);
        return TRUE;
    case WM_ALBUM_FOCUS:
        OnResultFocus(*s, lParam);
        return TRUE;
    case WM_ALBUM_MENU:
        ShowResultsMenu(*s, lParam);
        return TRUE;
    case WM_ALBUM_SEARCH:
        OnSearchProgress(*s, wParam, lParam);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

// ---- the object ----

CSearchDlg::CSearchDlg(HWND host, const char* albumFolder, int thumbWidth, int thumbHeight)
    : m_nThumbWidth(thumbWidth), m_nThumbHeight(thumbHeight), m_hHost(host), m_bUnsaved(0), m_pFocused(nullptr),
      m_pFolders(nullptr), m_nFolderCount(0), m_nFolderIndex(-1), m_nFileIndex(-1), m_pAlbums(nullptr),
      m_nAlbumCount(0), m_nAlbumIndex(-1), m_nAlbumPosition(1), m_nTab(0), m_nSearchState(kSearchNew),
      m_hDlg(nullptr)
{
    win::CopyText(m_szAlbumFolder, sizeof m_szAlbumFolder, albumFolder ? albumFolder : " ");
    memset(&m_Criteria, 0, sizeof m_Criteria);
    m_szTypedName[0] = L'\0';
}

CSearchDlg::~CSearchDlg()
{
    FreePathList(&m_pFolders, &m_nFolderCount);
    FreePathList(&m_pAlbums, &m_nAlbumCount);
}

void CSearchDlg::ResetScan()
{
    FreePathList(&m_pFolders, &m_nFolderCount);
    FreePathList(&m_pAlbums, &m_nAlbumCount);
    m_nFolderIndex = m_nFileIndex = m_nAlbumIndex = 0;
    m_nAlbumPosition = 1;
    m_nSearchState = kSearchNew;
    m_bUnsaved = 0;
}

CAlbum* CSearchDlg::Results() const
{
    if (!m_hDlg)
        return nullptr;
    CAlbumCtrl* control =
        win::ObjectOf<CAlbumCtrl>(GetDlgItem(m_hDlg, kResults), "ManDlgAlbumCtrl", AlbumInstance());
    return control ? control->GetAlbum() : nullptr;
}

// ---- the window ----

INT_PTR CALLBACK SearchDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // Nothing thrown in here may cross into the platform's dialog manager.
    try {
        return Dispatch(dlg, msg, wParam, lParam);
    } catch (...) {
        return FALSE;
    }
}

CSearchDlg* SearchDlgOfWindow(HWND window)
{
    return win::DialogObjectOf<CSearchDlg>(window, SearchDlgProc);
}

int OpenSearchDlg(HWND host, char* albumFolder, int thumbWidth, int thumbHeight)
{
    try {
        if (!host || !IsWindow(host))
            return 0;
        // Thumbnails too small to hold a pixel would make every found file fail to show.
        if (thumbWidth < 1 || thumbHeight < 1)
            thumbWidth = thumbHeight = kDefaultThumbnailSide;
        std::unique_ptr<CSearchDlg> s(new (std::nothrow) CSearchDlg(host, albumFolder, thumbWidth, thumbHeight));
        if (!s)
            return 0;
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_TAB_CLASSES | ICC_UPDOWN_CLASS};
        InitCommonControlsEx(&icc);
        const INT_PTR result = ModalDialogBox(AlbumInstance(), MAKEINTRESOURCEA(120), host, SearchDlgProc,
                                              reinterpret_cast<LPARAM>(s.get()));
        SetActiveWindow(host);
        return static_cast<int>(result);
    } catch (...) {
        return 0;
    }
}
