#include "search/SearchScan.h"

#include <stdint.h>
#include <string.h>
#include <new>
#include "album/AlbumDoc.h"
#include "album/AlbumMessages.h"
#include "album/AlbumSearch.h"
#include "album/ThumbBuild.h"
#include "control/ManagerState.h"
#include "album/TextKeys.h"
#include "win/AbortCheck.h"
#include "win/AnsiNames.h"
#include "win/ComScope.h"
#include "resource.h"
#include "win/Handles.h"

namespace {

// Year, month (1-12) and day of a calendar limit against a date: negative, 0 or positive.
int CompareDay(const SYSTEMTIME& day, const tm& limit)
{
    const int64_t y = day.wYear, ly = int64_t(limit.tm_year) + 1900;
    const int m = day.wMonth, lm = limit.tm_mon + 1;
    if (y != ly)
        return y < ly ? -1 : 1;
    if (m != lm)
        return m < lm ? -1 : 1;
    if (day.wDay != limit.tm_mday)
        return day.wDay < limit.tm_mday ? -1 : 1;
    return 0;
}

uint64_t Ticks(const FILETIME& ft) { return (uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime; }

// A thumbnail made from a file keeps only the last two parts of its path, which name the file
// only relative to the album it came from. Results gather files from anywhere into an album of
// their own, so they keep the whole path (its short form when the whole one does not fit the
// record), and open, delete and save the file they stand for.
void KeepFullName(CThumbnail2* t, const char* fullPath)
{
    char* field = t->m_Info.szFileName;
    const size_t room = sizeof t->m_Info.szFileName;
    if (strlen(fullPath) < room) {
        win::CopyText(field, room, fullPath);
        return;
    }
    char shortForm[MAX_PATH];
    const DWORD n = GetShortPathNameA(fullPath, shortForm, sizeof shortForm);
    if (n > 0 && n < room)
        win::CopyText(field, room, shortForm);
}

// Names stored relative to an album are resolved against that album while it is at hand.
void KeepFullNames(CAlbumDoc2& album, CThumbTable2& found)
{
    for (CThumbnail2* t = found.m_pEnd->m_pNext; t != found.m_pEnd; t = t->m_pNext) {
        char full[MAX_PATH];
        if (album.GetThumbnailFullPath(t->m_Info.szFileName, full) && strcmp(full, t->m_Info.szFileName) != 0)
            KeepFullName(t, full);
    }
}

void BuildLists(CSearchDlg& s, SearchReport& report)
{
    s.ResetScan();
    tagAlbumSearchCreteria& c = s.m_Criteria;
    win::TerminateField(c.szFolderPath, sizeof c.szFolderPath);
    win::TerminateField(c.szAlbumPath, sizeof c.szAlbumPath);
    const size_t n = strlen(c.szFolderPath);
    if (n > 0 && c.szFolderPath[n - 1] == '\\')
        c.szFolderPath[n - 1] = '\0';

    if (!AppendPath(&s.m_pFolders, &s.m_nFolderCount, c.szFolderPath))
        return s.ResetScan();
    if (c.bSubFolder && CollectSubfolders(c.szFolderPath, &s.m_pFolders, &s.m_nFolderCount) != 0)
        return s.ResetScan();

    std::vector<std::string> names;
    if (strcmp(c.szAlbumPath, manager::LoadText(IDS_ALL_ALBUMS).c_str()) == 0)
        names = report.AlbumNames();
    else
        names.push_back(c.szAlbumPath);
    for (const std::string& name : names) {
        char path[MAX_PATH];
        if (!manager::JoinPath(path, s.m_szAlbumFolder, name.c_str(), ""))
            continue; // a name that makes no path names no album
        if (!AppendPath(&s.m_pAlbums, &s.m_nAlbumCount, path))
            return s.ResetScan();
    }
}

// True when Esc stopped the run.
bool ScanFolders(CSearchDlg& s, SearchReport& report, const album::RealNameWanted& realName)
{
    const WORD width = static_cast<WORD>(s.m_nThumbWidth), height = static_cast<WORD>(s.m_nThumbHeight);
    if (s.m_nFolderIndex < 0)
        s.m_nFolderIndex = 0;
    if (s.m_nFileIndex < 0)
        s.m_nFileIndex = 0;
    for (; s.m_nFolderIndex < s.m_nFolderCount; ++s.m_nFolderIndex, s.m_nFileIndex = 0) {
        std::vector<ImageFileEntry> files;
        ListImageFileEntries(s.m_pFolders[s.m_nFolderIndex], files);
        for (; s.m_nFileIndex < static_cast<int>(files.size()); ++s.m_nFileIndex) {
            if (EscAbortCheck())
                return true;
            const ImageFileEntry& file = files[static_cast<size_t>(s.m_nFileIndex)];
            report.Examining(file.path);
            // Only a file whose name, type, date and size match is opened, to build its thumbnail.
            if (!MatchFileEntry(file, s.m_Criteria, &realName))
                continue;
            CThumbnail2* t = BuildThumbnailFromFile(file.path, width, height, nullptr);
            if (!t)
                continue;
            KeepFullName(t, file.path);
            CThumbTable2 found;
            found.Insert(t, nullptr);
            report.Found(&found);
        }
    }
    return false;
}

bool ScanAlbums(CSearchDlg& s, SearchReport& report, const CAlbumDoc2& settings)
{
    if (s.m_nAlbumIndex < 0)
        s.m_nAlbumIndex = 0;
    for (; s.m_nAlbumIndex < s.m_nAlbumCount; ++s.m_nAlbumIndex) {
        if (EscAbortCheck())
            return true;
        const char* path = s.m_pAlbums[s.m_nAlbumIndex];
        report.Examining(path);
        SetCursor(LoadCursor(nullptr, IDC_WAIT));
        // Each album is read into a document of its own: nothing of one is held during the next.
        CAlbumDoc2 work;
        work.SetExePath(settings.m_szExePath);
        work.SetAutoCheck(settings.m_bAutoCheck);
        // A search stopped inside an album hands over nothing of that album, so the next run
        // starts again where this one began in it: what it had found is not lost.
        const int start = s.m_nAlbumPosition;
        CThumbTable2* found = nullptr;
        const int searched =
            album::SearchAlbumFile(work, path, s.m_Criteria, s.m_nAlbumPosition, &found, s.m_szTypedName);
        SetCursor(LoadCursor(nullptr, IDC_WAIT));
        if (!searched)
            continue;
        if (!found) {
            s.m_nAlbumPosition = start;
            return true;
        }
        KeepFullNames(work, *found);
        report.Found(found);
        delete found;
        s.m_nAlbumPosition = 1;
    }
    return false;
}

// Reports to the Find dialog's window.
class WindowReport : public SearchReport {
public:
    explicit WindowReport(HWND dlg) : dlg_(dlg) {}
    void Examining(const char* path) override
    {
        SendMessageA(dlg_, WM_ALBUM_SEARCH, 2, reinterpret_cast<LPARAM>(path));
    }
    void Found(CThumbTable2* table) override { SendMessageA(dlg_, WM_ALBUM_SEARCH, 1, reinterpret_cast<LPARAM>(table)); }
    void Ended() override { SendMessageA(dlg_, WM_ALBUM_SEARCH, 0, 0); }
    std::vector<std::string> AlbumNames() override
    {
        std::vector<std::string> names;
        HWND list = GetDlgItem(dlg_, finddlg::kAlbum);
        const std::string all = manager::LoadText(IDS_ALL_ALBUMS);
        const int n = static_cast<int>(SendMessageA(list, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            char text[MAX_PATH];
            const LRESULT length = SendMessageA(list, CB_GETLBTEXTLEN, i, 0);
            if (length == CB_ERR || length >= MAX_PATH ||
                SendMessageA(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text)) == CB_ERR)
                continue;
            if (all != text)
                names.push_back(text);
        }
        return names;
    }

private:
    HWND dlg_;
};

// Whether the real name of a file listed by its short name holds the name wanted (the name
// without its folder and extension, as for the stored name).
bool RealBaseNameMatches(const char* path, const album::RealNameWanted& realName)
{
    std::wstring real;
    if (realName.Empty() || !win::MayHoldShortNames(textkeys::FileNameInPath(path)))
        return false;
    try {
        if (!win::RealPathOf(path, real))
            return false;
        real.erase(0, real.find_last_of(L"\\/") + 1);
        const size_t dot = real.rfind(L'.');
        if (dot != std::wstring::npos)
            real.erase(dot);
        return realName.In(real);
    } catch (...) {
        return false;
    }
}

} // namespace

bool MatchFileEntry(const ImageFileEntry& entry, const tagAlbumSearchCreteria& criteria,
                    const album::RealNameWanted* realName)
{
    char wanted[ALBUM_SEARCH_TEXT];
    win::CopyText(wanted, sizeof wanted, criteria.szName);
    char type[ALBUM_SEARCH_TYPE];
    win::CopyText(type, sizeof type, criteria.szType);

    char name[MAX_PATH];
    win::CopyText(name, sizeof name, textkeys::FileNameInPath(entry.path));
    char* dot = strrchr(name, '.');
    const char* extension = dot ? dot : name + strlen(name);
    bool nameFound = true;
    if (*wanted) {
        char base[MAX_PATH];
        win::CopyText(base, sizeof base, name);
        base[extension - name] = '\0';
        CharUpperBuffA(base, static_cast<DWORD>(strlen(base)));
        nameFound = strstr(base, wanted) != nullptr;
    }
    if (*type && _stricmp(extension, type) != 0)
        return false;
    if (criteria.bDateFilter) {
        const FILETIME& later = Ticks(entry.created) > Ticks(entry.written) ? entry.created : entry.written;
        SYSTEMTIME day;
        if (!FileTimeToSystemTime(&later, &day))
            return false;
        if (CompareDay(day, criteria.tmFrom) < 0 || CompareDay(day, criteria.tmTo) > 0)
            return false;
    }
    if (criteria.nSize > 0 && entry.size < static_cast<uint64_t>(criteria.nSize))
        return false;
    if (criteria.nSize < 0 && entry.size > static_cast<uint64_t>(-static_cast<int64_t>(criteria.nSize)))
        return false;
    // Last, as it may ask the file system: the real name of a file listed by its short name.
    if (!nameFound)
        return realName ? RealBaseNameMatches(entry.path, *realName)
                        : RealBaseNameMatches(entry.path, album::RealNameWanted(criteria));
    return true;
}

int MatchFileCriteria(const char* path, const tagAlbumSearchCreteria* criteria)
{
    if (!path || !criteria || strlen(path) >= MAX_PATH)
        return 0;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data) || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return 0;
    ImageFileEntry entry;
    win::CopyText(entry.path, sizeof entry.path, path);
    entry.size = (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    entry.created = data.ftCreationTime;
    entry.written = data.ftLastWriteTime;
    return MatchFileEntry(entry, *criteria) ? 1 : 0;
}

int RunSearch(CSearchDlg& s, SearchReport& report)
{
    if (s.m_nSearchState == kSearchFinished) {
        MessageBeep(0);
        return 0;
    }
    win::WaitCursor wait;
    EscAbortCheck(); // a key pressed before the search began does not stop it
    KeptFolderReads kept; // a new search reads each folder once, for its subfolders and its files
    win::ComScope com;     // the imaging component stays loaded from one found file to the next
    CAlbumDoc2 work;
    if (CAlbum* results = s.Results())
        work.SetExePath(results->m_Doc.GetExePath());

    if (s.m_nSearchState == kSearchNew)
        BuildLists(s, report);

    enum { kNone, kFolders, kAlbums } last = kNone;
    bool stopped = false;
    const tagAlbumSearchCreteria& c = s.m_Criteria;
    if (c.nLookIn != ALBUM_LOOK_IN_ALBUM && c.szFolderPath[0] && s.m_nFolderIndex < s.m_nFolderCount) {
        last = kFolders;
        stopped = ScanFolders(s, report, album::RealNameWanted(c, s.m_szTypedName));
    }
    if (!stopped && c.nLookIn != ALBUM_LOOK_IN_FOLDER && s.m_nAlbumCount > 0 && s.m_nAlbumIndex < s.m_nAlbumCount) {
        last = kAlbums;
        stopped = ScanAlbums(s, report, work);
    }

    if (last == kFolders)
        s.m_nSearchState = s.m_nFolderIndex < s.m_nFolderCount ? kSearchStopped : kSearchFinished;
    else if (last == kAlbums)
        s.m_nSearchState = s.m_nAlbumIndex < s.m_nAlbumCount ? kSearchStopped : kSearchFinished;
    else
        s.m_nSearchState = kSearchFinished;
    if (s.m_nFolderCount == 0 || s.m_nAlbumCount == 0)
        s.ResetScan();
    report.Ended();
    return 1;
}

int ScanForSearchDlg(CSearchDlg* s)
{
    if (!s || !s->m_hDlg || !IsWindow(s->m_hDlg)) {
        MessageBeep(0);
        return 0;
    }
    WindowReport report(s->m_hDlg);
    return RunSearch(*s, report);
}
