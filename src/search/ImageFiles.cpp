#include "search/ImageFiles.h"

#include <malloc.h>
#include <stdlib.h>
#include <string.h>
#include <atomic>
#include <new>
#include <string>
#include <unordered_map>
#include "album/FolderListing.h"
#include "win/AbortCheck.h"
#include "win/AnsiNames.h"
#include "win/Handles.h"
#include "win/Realloc.h"

namespace {

const char* const kImagePatterns[] = {
    "*.lcf", "*.JPG", "*.BMP", "*.TIF", "*.GIF", "*.png", "*.PCX", "*.TGA", "*.fpx", "*.psd", "*.PCD",
};

std::atomic<bool> g_oneRead{true};
std::atomic<unsigned> g_reads{0}, g_searched{0};

// The folder reads the subfolder walk keeps for the listings that follow it on this thread.
thread_local std::unordered_map<std::string, album::DirectoryEntries>* t_kept = nullptr;
thread_local UnstorableNames* t_unstorable = nullptr;

inline char Upper(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

// Whether name ends in the pattern's ".ext" (the pattern is "*" and that), ignoring ASCII case:
// what the platform's search makes of these patterns.
bool EndsLike(const std::string& name, const char* pattern)
{
    const size_t n = strlen(pattern) - 1; // without the "*"
    if (name.size() < n)
        return false;
    const char* tail = name.data() + name.size() - n;
    for (size_t i = 0; i < n; ++i)
        if (Upper(tail[i]) != Upper(pattern[1 + i]))
            return false;
    return true;
}

// Whether the real (UTF-16) name ends in the pattern's ".ext", ignoring ASCII case.
bool EndsLike(const std::wstring& name, const char* pattern)
{
    const size_t n = strlen(pattern) - 1;
    if (name.size() < n)
        return false;
    const wchar_t* tail = name.data() + name.size() - n;
    for (size_t i = 0; i < n; ++i)
        if (tail[i] >= 0x80 || Upper(char(tail[i])) != Upper(pattern[1 + i]))
            return false;
    return true;
}

// The file system's search matches a pattern against the long name and against the 8.3 name
// (so "x.tiff", whose short name ends in ".TIF", is a *.TIF file).
bool Matches(const album::DirectoryEntry& e, const char* pattern)
{
    return EndsLike(e.name, pattern) || (!e.shortName.empty() && EndsLike(e.shortName, pattern)) ||
           (!e.realName.empty() && EndsLike(e.realName, pattern));
}

// A name without an extension (what "*." finds): judged by its real name.
bool HasExtension(const album::DirectoryEntry& e)
{
    return e.realName.empty() ? e.name.find('.') != std::string::npos
                              : e.realName.find(L'.') != std::wstring::npos;
}

// Whether comparing the name's last characters as ASCII decides as the platform's search does:
// not when a character beyond ASCII is among them (the search folds case through Unicode, where
// some letters fold to ASCII ones), nor, under a code page of several bytes a character, when one
// is anywhere in the name (a trailing byte may look like an ASCII letter).
bool AsciiDecides(const std::string& name, bool multiByte)
{
    const size_t from = multiByte || name.size() < 4 ? 0 : name.size() - 4;
    for (size_t i = from; i < name.size(); ++i)
        if (static_cast<unsigned char>(name[i]) >= 0x80)
            return false;
    return true;
}
bool AsciiDecides(const std::wstring& realName)
{
    for (size_t i = realName.size() < 4 ? 0 : realName.size() - 4; i < realName.size(); ++i)
        if (realName[i] >= 0x80)
            return false;
    return true;
}

// Reads folder once for the listing functions: true with its entries in the file system's order,
// false when only the platform's own searches can say what they would find (the setting is off,
// the read failed, a name is not one the ANSI code page spells, or matching it needs more than
// ASCII, or the folder's name ends in a dot or space, which a search would keep and an open strips).
bool ReadOnce(const char* folder, album::DirectoryEntries& read)
{
    const size_t n = strlen(folder);
    if (!g_oneRead || n == 0 || folder[n - 1] == '.' || folder[n - 1] == ' ' || !AreFileApisANSI())
        return false;
    try {
        if (album::ReadFolder(folder, read) != album::FolderRead::Listed || read.inexact)
            return false;
        CPINFO cp;
        const bool multiByte = !GetCPInfo(CP_ACP, &cp) || cp.MaxCharSize > 1;
        for (const album::DirectoryEntry& e : read.entries)
            if (!AsciiDecides(e.name, multiByte) || !AsciiDecides(e.shortName, multiByte) ||
                !AsciiDecides(e.realName))
                return false;
        ++g_reads;
        return true;
    } catch (...) {
        return false;
    }
}

// Takes the read the walk kept for folder, if any.
bool TakeKept(const char* folder, album::DirectoryEntries& read)
{
    if (!t_kept)
        return false;
    try {
        auto it = t_kept->find(folder);
        if (it == t_kept->end())
            return false;
        read = std::move(it->second);
        t_kept->erase(it);
        return true;
    } catch (...) {
        return false; // read again
    }
}

void Keep(const char* folder, album::DirectoryEntries&& read)
{
    if (!t_kept)
        return;
    try {
        (*t_kept)[folder] = std::move(read);
    } catch (...) {
        // Not kept: the listing reads the folder again.
    }
}

bool IsValidList(PathSlot** list, int* count)
{
    if (!list || !count || *count < 0)
        return false;
    return (*list == nullptr) == (*count == 0);
}

// folder + "\" + name into out; false when it does not fit (a cut path would name another file).
// No second backslash after a folder that already ends in one ("C:\").
bool JoinPath(char (&out)[MAX_PATH], const char* folder, const char* name)
{
    size_t f = strlen(folder), n = strlen(name);
    bool separator = f == 0 || (folder[f - 1] != '\\' && folder[f - 1] != '/');
    size_t total = f + (separator ? 1 : 0) + n;
    if (total >= MAX_PATH)
        return false;
    memcpy(out, folder, f);
    if (separator)
        out[f++] = '\\';
    memcpy(out + f, name, n);
    out[total] = '\0';
    return true;
}

// The platform's search in UTF-16, each entry's name as the ANSI functions take it.
class FindHandle {
public:
    FindHandle(const char* pattern, WIN32_FIND_DATAW* data)
        : h_(FindFirstFileW(win::WideOfAnsi(pattern).c_str(), data))
    {
    }
    ~FindHandle()
    {
        if (h_ != INVALID_HANDLE_VALUE)
            FindClose(h_);
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    bool Next(WIN32_FIND_DATAW* data) { return FindNextFileW(h_, data) != 0; }

private:
    HANDLE h_;
};

// The entry's name as the ANSI functions open it (its short name when the code page cannot carry
// its name); false when it has none such.
bool EntryName(const WIN32_FIND_DATAW& fd, char (&out)[MAX_PATH], const char* folder)
{
    WCHAR longName[MAX_PATH], shortName[14];
    memcpy(longName, fd.cFileName, sizeof longName);
    memcpy(shortName, fd.cAlternateFileName, sizeof shortName);
    longName[MAX_PATH - 1] = L'\0';
    shortName[13] = L'\0';
    if (win::AnsiEntryName(longName, shortName, out, sizeof out))
        return true;
    if (t_unstorable) {
        std::wstring path = win::WideOfAnsi(folder);
        if (!path.empty() && path.back() != L'\\')
            path += L'\\';
        t_unstorable->Note(path + longName);
    }
    return false;
}

// What identifies a folder however it is reached.
struct FolderId {
    DWORD volume, high, low;
    bool operator==(const FolderId& o) const { return volume == o.volume && high == o.high && low == o.low; }
};

bool ReadFolderId(const char* path, FolderId* id)
{
    win::UniqueHandle h(CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!h || !GetFileInformationByHandle(h.get(), &info))
        return false;
    *id = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
    return true;
}

// One folder of the walk and the folders above it, their identities read only when a link
// turns up.
struct WalkFolder {
    const char* path;
    const WalkFolder* parent;
    mutable int idState = 0; // 0 unread, 1 read, -1 unreadable
    mutable FolderId id = {};

    bool Is(const FolderId& other) const
    {
        if (idState == 0)
            idState = ReadFolderId(path, &id) ? 1 : -1;
        return idState == 1 && id == other;
    }
    bool IsOrIsBelow(const FolderId& other) const
    {
        for (const WalkFolder* f = this; f; f = f->parent)
            if (f->Is(other))
                return true;
        return false;
    }
};

// Enters a subfolder found in the walk: false when it is a link back to a folder of this walk,
// which would be walked again and again.
bool Enter(const WalkFolder& here, const char* path, DWORD attributes)
{
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return true;
    FolderId target;
    return !(ReadFolderId(path, &target) && here.IsOrIsBelow(target));
}

int Collect(const WalkFolder& here, PathSlot** list, int* count);

// Lists the subfolder `name` of `here` and the folders below it; a name that cannot be joined
// or a link back into the walk is passed over (0).
int CollectSubfolder(const WalkFolder& here, const char* name, DWORD attributes, PathSlot** list, int* count)
{
    char path[MAX_PATH];
    if (!JoinPath(path, here.path, name) || !Enter(here, path, attributes))
        return 0;
    if (!AppendPath(list, count, path))
        return kListNoMemory;
    WalkFolder inner{path, &here};
    return Collect(inner, list, count);
}

// The walk through the platform's search for names without an extension.
int CollectBySearch(const WalkFolder& here, PathSlot** list, int* count)
{
    ++g_searched;
    char pattern[MAX_PATH];
    if (!JoinPath(pattern, here.path, "*."))
        return kListUnreadable;
    WIN32_FIND_DATAW fd;
    FindHandle find(pattern, &fd);
    if (!find.valid())
        return kListUnreadable;
    do {
        if (EscAbortCheck())
            return kListStopped;
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        // "*." asks for names without an extension; not every file system honours that, so
        // the name is checked here too. This also passes over "." and "..".
        char name[MAX_PATH];
        if (wcschr(fd.cFileName, L'.') || !EntryName(fd, name, here.path))
            continue;
        int result = CollectSubfolder(here, name, fd.dwFileAttributes, list, count);
        if (result == kListStopped || result == kListNoMemory)
            return result;
    } while (find.Next(&fd));
    return 0;
}

// The walk from one read of each folder: the names without an extension that the search for
// them gives, in the file system's order; the Esc check before the first and after each.
int Collect(const WalkFolder& here, PathSlot** list, int* count)
{
    album::DirectoryEntries read;
    if (!ReadOnce(here.path, read))
        return CollectBySearch(here, list, count);
    if (EscAbortCheck())
        return kListStopped;
    for (const album::DirectoryEntry& e : read.entries) {
        if (HasExtension(e))
            continue;
        if (EscAbortCheck())
            return kListStopped;
        if (!(e.attributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        int result = CollectSubfolder(here, e.name.c_str(), e.attributes, list, count);
        if (result == kListStopped || result == kListNoMemory)
            return result;
    }
    Keep(here.path, std::move(read));
    return 0;
}

// Calls take(path, size, created, written) for the folder's image files, pattern by pattern in
// the fixed order, each pattern's files in the order the file system returns them. When take
// answers false the current pattern ends and the next goes on.
template <class Take>
void ForEachImageFileBySearches(const char* folder, Take take)
{
    ++g_searched;
    for (const char* image : kImagePatterns) {
        char pattern[MAX_PATH];
        if (!JoinPath(pattern, folder, image))
            break; // the folder itself is too long for any pattern
        WIN32_FIND_DATAW fd;
        FindHandle find(pattern, &fd);
        if (!find.valid())
            continue;
        do {
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                continue; // a folder named "x.jpg" is not an image
            char name[MAX_PATH], path[MAX_PATH];
            if (!EntryName(fd, name, folder) || !JoinPath(path, folder, name))
                continue;
            if (!take(static_cast<const char*>(path), (uint64_t(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow,
                      fd.ftCreationTime, fd.ftLastWriteTime))
                break;
        } while (find.Next(&fd));
    }
}

// The same from one read of the folder (kept by the walk, or made now), the eleven patterns
// matched in memory.
template <class Take>
void ForEachImageFile(const char* folder, Take take)
{
    if (!folder)
        return;
    char longest[MAX_PATH];
    if (!JoinPath(longest, folder, kImagePatterns[0]))
        return; // the folder itself is too long for any pattern
    album::DirectoryEntries read;
    if (!TakeKept(folder, read) && !ReadOnce(folder, read))
        return ForEachImageFileBySearches(folder, take);
    for (const char* pattern : kImagePatterns) {
        for (const album::DirectoryEntry& e : read.entries) {
            if ((e.attributes & FILE_ATTRIBUTE_DIRECTORY) || !Matches(e, pattern))
                continue;
            char path[MAX_PATH];
            if (!JoinPath(path, folder, e.name.c_str()))
                continue;
            if (!take(static_cast<const char*>(path), e.size, e.creation, e.lastWrite))
                break;
        }
    }
}

} // namespace

bool IsImageFileName(const char* path)
{
    const std::string name = path ? path : "";
    for (const char* pattern : kImagePatterns)
        if (EndsLike(name, pattern))
            return true;
    return false;
}

bool AppendPath(PathSlot** list, int* count, const char* path)
{
    if (!list || !count || !path)
        return false;
    size_t length = strnlen(path, MAX_PATH);
    if (length >= MAX_PATH)
        return false;
    char copy[MAX_PATH]; // the path may lie in the list that is about to move
    memcpy(copy, path, length);
    // The list grows to count + 1 slots as far as its owner can tell; underneath, room is made
    // in steps, so a list of many thousand paths is not copied once per path.
    size_t capacity = *list ? _msize(*list) / sizeof(PathSlot) : 0;
    size_t needed = static_cast<size_t>(*count) + 1;
    if (needed > capacity) {
        size_t room = needed < 8 ? 8 : needed + needed / 2;
        void* grown = win::Realloc(*list, room * sizeof(PathSlot));
        if (!grown)
            return false;
        *list = static_cast<PathSlot*>(grown);
    }
    memcpy((*list)[*count], copy, length);
    (*list)[*count][length] = '\0';
    ++*count;
    return true;
}

void FreePathList(PathSlot** list, int* count)
{
    if (list) {
        free(*list);
        *list = nullptr;
    }
    if (count)
        *count = 0;
}

int CollectSubfolders(const char* folder, PathSlot** list, int* count)
{
    if (!IsValidList(list, count))
        return kListRefused;
    if (!folder)
        return kListUnreadable;
    return Collect(WalkFolder{folder, nullptr}, list, count);
}

int ListImageFiles(const char* folder, PathSlot** list, int* count)
{
    if (!IsValidList(list, count))
        return kListRefused;
    ForEachImageFile(folder, [&](const char* path, uint64_t, const FILETIME&, const FILETIME&) {
        if (AppendPath(list, count, path))
            return true;
        FreePathList(list, count);
        return false;
    });
    return *count;
}

int ListImageFileEntries(const char* folder, std::vector<ImageFileEntry>& entries)
{
    ForEachImageFile(folder, [&](const char* path, uint64_t size, const FILETIME& created, const FILETIME& written) {
        ImageFileEntry e;
        memcpy(e.path, path, strlen(path) + 1);
        e.size = size;
        e.created = created;
        e.written = written;
        try {
            entries.push_back(e);
            return true;
        } catch (const std::bad_alloc&) {
            entries.clear();
            return false;
        }
    });
    return static_cast<int>(entries.size());
}

int ScanFolderFiles(const char* folder, PathSlot** list, int* count, int includeSubfolders)
{
    if (!IsValidList(list, count))
        return kListRefused;
    win::WaitCursor wait;
    if (!includeSubfolders)
        return ListImageFiles(folder, list, count);
    KeptFolderReads kept; // each folder of the tree read once

    PathSlot* folders = nullptr;
    int folderCount = 0;
    int result = CollectSubfolders(folder, &folders, &folderCount);
    // The folder's own files come after those of all its subfolders.
    if (result == 0 && !AppendPath(&folders, &folderCount, folder))
        result = kListNoMemory;
    if (result == 0)
        for (int i = 0; i < folderCount; ++i)
            ListImageFiles(folders[i], list, count);
    FreePathList(&folders, &folderCount);
    return result == 0 ? *count : result;
}

UnstorableNames::UnstorableNames() : outer_(t_unstorable) { t_unstorable = this; }
UnstorableNames::~UnstorableNames() { t_unstorable = outer_; }

void UnstorableNames::Note(const std::wstring& path)
{
    try {
        names_.push_back(path);
    } catch (...) {
        // Without memory the name goes unsaid; the file is still passed over.
    }
}

bool SetImageListingInOneRead(bool on) { return g_oneRead.exchange(on); }

ImageListingCounters GetImageListingCounters()
{
    ImageListingCounters c;
    c.reads = g_reads;
    c.searched = g_searched;
    return c;
}

KeptFolderReads::KeptFolderReads()
{
    if (!t_kept) {
        own_.reset(new (std::nothrow) std::unordered_map<std::string, album::DirectoryEntries>);
        t_kept = own_.get();
    }
}

KeptFolderReads::~KeptFolderReads()
{
    if (own_ && t_kept == own_.get())
        t_kept = nullptr;
}
