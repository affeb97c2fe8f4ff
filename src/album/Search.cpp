// Search matching: which thumbnails of a table meet the Find dialog's criteria.
#include "album/ThumbTable.h"

#include <stdint.h>
#include <string.h>
#include <memory>
#include <new>
#include <string>
#include <unordered_map>
#include "album/AlbumFileSource.h"
#include "album/AlbumSearch.h"
#include "album/FolderListing.h"
#include "win/AnsiNames.h"
#include "win/LongPath.h"
#include "win/AbortCheck.h"
#include "win/Handles.h"

namespace {

void UpperCase(char* text) { CharUpperBuffA(text, DWORD(strlen(text))); }

bool IsPathSeparator(char c) { return c == '\\' || c == '/' || c == '\n'; }

// The long forms of the folders looked up, so that the thumbnails of one folder cost one
// directory lookup each instead of one per path component, in whatever order the album holds
// them. Lives for one search only.
struct LongFolder {
    int result;             // LongPathOf's answer for the folder
    std::string longForm;   // when result is 0
};
struct LongFormCache {
    std::unordered_map<std::string, LongFolder> folders; // by folder part exactly as stored
};

LongFormCache* g_longForms = nullptr;

// Installs a cache for the duration of one search (searches do not nest; an inner one simply
// runs without).
class LongFormScope {
public:
    LongFormScope() : installed_(g_longForms == nullptr) { if (installed_) g_longForms = &cache_; }
    ~LongFormScope() { if (installed_) g_longForms = nullptr; }
    LongFormScope(const LongFormScope&) = delete;
    LongFormScope& operator=(const LongFormScope&) = delete;

private:
    LongFormCache cache_;
    bool installed_;
};

// LongPathOf(name, out) == 0, with the folder's long form taken from the cache when the folder
// is the one looked up last. Only names whose folder part converts on its own exactly as inside
// the whole name use the cache: names with a drive, and relative names. Rooted and network
// names keep leading components as written, so they go the plain way.
bool LongForm(const char* name, char* out)
{
    const bool hasDrive = ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z')) &&
                          name[1] == ':';
    const char* sep = nullptr;
    for (const char* p = name; *p; ++p)
        if (IsPathSeparator(*p))
            sep = p;
    LongFormCache* cache = g_longForms;
    const char* file = sep ? sep + 1 : nullptr;
    const bool cacheable = cache && sep && (hasDrive || !IsPathSeparator(name[0])) && *file &&
                           strcmp(file, ".") != 0 && strcmp(file, "..") != 0 && !strpbrk(file, "*?") &&
                           size_t(sep - name) < ALBUM_TEXT_FIELD;
    if (!cacheable)
        return LongPathOf(name, out) == 0;

    out[0] = '\0';
    const LongFolder* folder = nullptr;
    try {
        std::string stored(name, size_t(sep - name));
        auto it = cache->folders.find(stored);
        if (it == cache->folders.end()) {
            char longFolder[MAX_PATH];
            const int result = LongPathOf(stored.c_str(), longFolder);
            it = cache->folders.emplace(std::move(stored), LongFolder{result, result == 0 ? longFolder : ""}).first;
        }
        folder = &it->second;
    } catch (...) {
        return LongPathOf(name, out) == 0; // no memory to keep it: the plain way
    }
    if (folder->result != 0)
        return false;

    char candidate[MAX_PATH];
    const size_t base = folder->longForm.size();
    const size_t fileLength = strlen(file);
    if (base + 1 + fileLength >= sizeof candidate)
        return false;
    memcpy(candidate, folder->longForm.data(), base);
    candidate[base] = '\\';
    memcpy(candidate + base + 1, file, fileLength + 1);

    // The name as the folder stores it: from the operation's listing of the folder (the name's
    // own folder, as stored, is the same folder as its long form), else from the file system.
    char storedName[MAX_PATH];
    int listed = album::StoredNameOf(name, storedName, sizeof storedName);
    if (listed < 0) {
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA(candidate, &fd);
        if (h == INVALID_HANDLE_VALUE)
            return false;
        FindClose(h);
        fd.cFileName[MAX_PATH - 1] = '\0';
        win::CopyText(storedName, sizeof storedName, fd.cFileName);
        listed = 1;
    }
    if (listed == 0)
        return false;
    const size_t stored = strlen(storedName);
    if (base + 1 + stored >= MAX_PATH)
        return false;
    memcpy(out, candidate, base + 1);
    memcpy(out + base + 1, storedName, stored + 1);
    return true;
}

// Days since 1970-01-01 to a proleptic Gregorian date (month 1-12). Our own arithmetic, so that
// every 32-bit time, those from 2038 to 2106 included, converts.
void CivilFromDays(int64_t days, int64_t* year, int* month, int* day)
{
    days += 719468; // from 0000-03-01
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t doe = days - era * 146097;                                  // [0, 146096]
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365; // [0, 399]
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);              // [0, 365]
    const int64_t mp = (5 * doy + 2) / 153;                                   // March = 0
    *day = int(doy - (153 * mp + 2) / 5 + 1);
    *month = int(mp < 10 ? mp + 3 : mp - 9);
    *year = yoe + era * 400 + (*month <= 2 ? 1 : 0);
}

// Compares year, then month, then day: negative, 0 or positive.
int CompareDate(int64_t year, int64_t month, int64_t day, const tm& limit)
{
    const int64_t ly = int64_t(limit.tm_year) + 1900, lm = int64_t(limit.tm_mon) + 1, ld = limit.tm_mday;
    if (year != ly)
        return year < ly ? -1 : 1;
    if (month != lm)
        return month < lm ? -1 : 1;
    if (day != ld)
        return day < ld ? -1 : 1;
    return 0;
}

// The stored time is an unsigned count of seconds: times from 2^31 on (2038 to 2106) are dates
// like any other and are compared as such rather than failing a calendar conversion.
bool DateMatches(DWORD fileTime, const tm& from, const tm& to)
{
    int64_t year;
    int month, day;
    CivilFromDays(int64_t(fileTime / 86400u), &year, &month, &day);
    return CompareDate(year, month, day, from) >= 0 && CompareDate(year, month, day, to) <= 0;
}

// The stored name ends in the type, letter for letter after upper-casing. A name shorter than
// the type cannot end in it and does not match. The whole type is compared (normally four
// characters such as ".BMP"), so a five-character type such as ".JPEG" can match too.
bool TypeMatches(const char* storedName, const char* type)
{
    const size_t typeLength = strlen(type);
    char name[ALBUM_TEXT_FIELD];
    win::CopyText(name, sizeof name, storedName);
    const size_t length = strlen(name);
    if (length < typeLength)
        return false;
    UpperCase(name);
    return memcmp(name + length - typeLength, type, typeLength) == 0;
}

// The bound applies to the file size as the unsigned number it is, so files of 2 GB and more
// are neither "smaller than" a positive bound nor "at most" a negative one.
bool SizeMatches(DWORD fileSize, int bound)
{
    if (bound > 0)
        return fileSize >= DWORD(bound);
    if (bound < 0)
        return uint64_t(fileSize) <= uint64_t(-int64_t(bound));
    return true;
}

bool DescriptionMatches(const CThumbnail2* t, const char* text, int matchCase)
{
    if (!text || !*text)
        return true;
    char description[ALBUM_TEXT_FIELD];
    win::CopyText(description, sizeof description, t->m_Info.szDescription);
    if (!matchCase)
        UpperCase(description);
    return strstr(description, text) != nullptr;
}

bool AnsiNameMatches(const CThumbnail2* t, const tagAlbumSearchCreteria* criteria)
{
    char wanted[ALBUM_SEARCH_TEXT];
    win::CopyText(wanted, sizeof wanted, criteria->szName);
    if (!*wanted)
        return true;

    // The stored name as it stands (relative names resolve against the current directory).
    char name[ALBUM_TEXT_FIELD];
    win::CopyText(name, sizeof name, t->m_Info.szFileName);

    char upper[ALBUM_TEXT_FIELD];
    win::CopyText(upper, sizeof upper, name);
    UpperCase(upper);
    // The common case needs no file system at all.
    if (strstr(upper, wanted))
        return true;
    if (!*name)
        return false;

    char shortForm[MAX_PATH];
    DWORD n = album::ShortPathOf(name, shortForm, sizeof shortForm);
    if (n > 0 && n < sizeof shortForm) {
        if (strstr(shortForm, wanted))
            return true;
    } else if (n == 0) {
        // The same lookups would fail again for the long form. Only "X:name" resolves against
        // the drive's current directory here and against its root there, so it is still tried.
        DWORD error = GetLastError();
        const bool driveRelative = name[0] && name[1] == ':' && !IsPathSeparator(name[2]);
        if ((error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) && !driveRelative)
            return false;
    }

    char longForm[MAX_PATH];
    if (!LongForm(name, longForm))
        return false;
    UpperCase(longForm);
    return strstr(longForm, wanted) != nullptr;
}

// A source stored by its short name is also found by its real name; only stored names that may
// hold one cost a lookup.
bool NameMatches(const CThumbnail2* t, const tagAlbumSearchCreteria* criteria, const album::RealNameWanted& realName)
{
    if (AnsiNameMatches(t, criteria))
        return true;
    char name[ALBUM_TEXT_FIELD];
    win::CopyText(name, sizeof name, t->m_Info.szFileName);
    std::wstring real;
    try {
        return !realName.Empty() && win::MayHoldShortNames(name) && win::RealPathOf(name, real) && realName.In(real);
    } catch (...) {
        return false; // without memory the real name is not looked at
    }
}

} // namespace

album::RealNameWanted::RealNameWanted(const tagAlbumSearchCreteria& criteria, const wchar_t* typed)
{
    try {
        upper_ = win::UpperCaseWide(typed && *typed ? std::wstring(typed)
                                                    : win::WideOfAnsi(criteria.szName,
                                                                      int(win::FieldLength(criteria.szName, sizeof criteria.szName))));
    } catch (...) {
        upper_.clear(); // without memory only the stored names are searched
    }
}

void album::SetNameCriterion(tagAlbumSearchCreteria& criteria, const wchar_t* typed)
{
    char* name = criteria.szName;
    const int room = 128;
    if (!win::NarrowExactly(typed, -1, name, room)) {
        memset(name, 0, room);
        if (typed)
            WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, typed, -1, name, room - 1, "?", nullptr);
    }
    UpperCase(name);
}

bool album::RealNameWanted::In(const std::wstring& realName) const
{
    return !upper_.empty() && win::UpperCaseWide(realName).find(upper_) != std::wstring::npos;
}

int CThumbTable2::DescriptionCmp(CThumbnail2* t, const char* text, int matchCase)
{
    return DescriptionMatches(t, text, matchCase) ? 1 : 0;
}

int CThumbTable2::NameCmp(CThumbnail2* t, tagAlbumSearchCreteria* criteria)
{
    return NameMatches(t, criteria, album::RealNameWanted(*criteria)) ? 1 : 0;
}

void album::TerminateCriteria(tagAlbumSearchCreteria& criteria)
{
    win::TerminateField(criteria.szName, sizeof criteria.szName);
    win::TerminateField(criteria.szDescription, sizeof criteria.szDescription);
    win::TerminateField(criteria.szType, sizeof criteria.szType);
}

bool album::MatchesCriteria(CThumbnail2* t, const tagAlbumSearchCreteria& criteria, const RealNameWanted& realName)
{
    const tagALBUMINFOHEADER& info = t->m_Info;
    return DescriptionMatches(t, criteria.szDescription, criteria.bMatchCase) &&
           (!criteria.szType[0] || TypeMatches(info.szFileName, criteria.szType)) &&
           (!criteria.bDateFilter || DateMatches(info.dwFileTime, criteria.tmFrom, criteria.tmTo)) &&
           SizeMatches(info.dwFileSize, criteria.nSize) && NameMatches(t, &criteria, realName);
}

CThumbTable2* CThumbTable2::Search(tagAlbumSearchCreteria criteria, int& position)
{
    album::TerminateCriteria(criteria);
    return album::SearchTable(*this, criteria, position, album::RealNameWanted(criteria));
}

CThumbTable2* album::SearchTable(CThumbTable2& table, tagAlbumSearchCreteria criteria, int& position,
                                 const RealNameWanted& realName)
{
    album::TerminateCriteria(criteria); // our own copy

    CThumbTable2* result = nullptr;
    try {
        result = new CThumbTable2;
    } catch (...) {
        // Out of memory: nothing found yet, the position stays for a later attempt.
        return nullptr;
    }

    LongFormScope longForms;
    album::ListingScope listings;
    int p = position < 1 ? 1 : position;
    // Walk the list once rather than looking every position up from the start.
    CThumbnail2* t = table.GetThumbnail(p);
    for (; p <= table.m_nCount && t && t != table.m_pEnd; ++p, t = t->m_pNext) {
        if (EscAbortCheck()) {
            delete result;
            position = p;
            return nullptr;
        }
        if (!album::MatchesCriteria(t, criteria, realName))
            continue;
        // A clone that cannot be made is left out; appending renumbers only the new one.
        if (CThumbnail2* clone = t->Clone())
            result->Insert(clone, nullptr);
    }
    position = table.m_nCount + 1 > p ? table.m_nCount + 1 : p;
    return result;
}

int album::SearchAlbumFile(CAlbumDoc2& doc, const char* path, const tagAlbumSearchCreteria& given, int& position,
                           CThumbTable2** found, const wchar_t* typedName)
{
    *found = nullptr;
    tagAlbumSearchCreteria criteria = given;
    TerminateCriteria(criteria);
    const RealNameWanted realName(criteria, typedName);
    // The whole way: what a load changes is written back, and the album in memory is searched.
    auto loadAndSearch = [&]() {
        if (!doc.Load(path))
            return 0;
        *found = SearchTable(doc, criteria, position, realName);
        return 1;
    };
    if (!path || !*path || strlen(path) >= sizeof doc.m_szPath) // as Load refuses them
        return 0;
    std::unique_ptr<CThumbTable2> result(new (std::nothrow) CThumbTable2);
    if (!result || doc.m_nCount != 0)
        return loadAndSearch();
    const bool checkSources = doc.m_bAutoCheck != 0;
    win::UniqueHandle file;
    tagALBUMFILEHEADER header;
    LARGE_INTEGER size;
    if (!albumread::OpenAlbumFile(path, &file, &header))
        return 0;
    if (!GetFileSizeEx(file.get(), &size))
        return loadAndSearch();
    doc.SetPath(path);

    LongFormScope longForms;
    ListingScope listings;
    const int from = position < 1 ? 1 : position;
    int read = 0;
    bool stopped = false, changed = false;
    albumread::FileSource source(file.get());
    albumread::Stop stop = albumread::Stop::Complete;
    try {
        stop = albumread::ReadThumbnails(
            source, uint64_t(size.QuadPart), header.dwCount, [&](tagALBUMINFOHEADER& rec, HGLOBAL image, int id) {
                std::unique_ptr<CThumbnail2> t(new (std::nothrow) CThumbnail2(&rec, image, id, 1));
                if (!t) {
                    GlobalFree(image);
                    return false;
                }
                ++read;
                if (checkSources) {
                    // A load would rebuild a thumbnail whose source changed, and write it back.
                    char full[MAX_PATH];
                    FileStatus status;
                    t->m_bExist = doc.GetThumbnailFullPath(t->m_Info.szFileName, full) &&
                                  QuerySourceStatus(full, &status);
                    if (t->m_bExist && status.lastWriteTime > t->m_Info.dwFileTime) {
                        changed = true;
                        return false;
                    }
                }
                if (id < from)
                    return true;
                if (EscAbortCheck()) {
                    stopped = true;
                    position = id;
                    return false;
                }
                if (MatchesCriteria(t.get(), criteria, realName))
                    result->Insert(t.release(), nullptr);
                return true;
            });
    } catch (...) {
        stop = albumread::Stop::OutOfMemory;
    }
    file.reset();
    if (changed)
        return loadAndSearch();
    if (stopped)
        return 1;
    // A load puts right a file that announced more thumbnails than it holds.
    const bool readToEnd = stop == albumread::Stop::Complete || stop == albumread::Stop::FileEnded;
    if (readToEnd && read > 0 && DWORD(read) != header.dwCount)
        return loadAndSearch();
    position = read + 1 > from ? read + 1 : from;
    *found = result.release();
    return 1;
}
