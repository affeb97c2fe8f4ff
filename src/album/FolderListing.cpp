#include "album/FolderListing.h"

#include <stddef.h>
#include <string.h>
#include <atomic>
#include <future>
#include <string>
#include <unordered_map>
#include <vector>
#include "album/CaptionCache.h"
#include "album/DirectoryRecords.h"
#include "win/Handles.h"

namespace album {

namespace {

std::atomic<unsigned> g_listings{0}, g_answered{0}, g_direct{0};
std::atomic<bool> g_enabled{true};
std::atomic<bool> g_batches{true}; // folders read in batches; off, by FindFirstFileA

inline char Upper(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

// FNV-1a over the upper-cased characters, so that a name is hashed without copying it.
uint32_t HashUpper(const char* s, size_t n)
{
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < n; ++i)
        h = (h ^ uint8_t(Upper(s[i]))) * 16777619u;
    return h;
}

bool EqualUpper(const std::string& upper, const char* s, size_t n)
{
    if (upper.size() != n)
        return false;
    for (size_t i = 0; i < n; ++i)
        if (upper[i] != Upper(s[i]))
            return false;
    return true;
}

std::string UpperCopy(const std::string& s)
{
    std::string out(s);
    for (char& c : out)
        c = Upper(c);
    return out;
}

using Entry = DirectoryEntry;

} // namespace

// One folder, listed once.
struct Listing {
    enum State { Listed, Missing, Unknown } state = Unknown;
    std::vector<Entry> entries;
    // Open addressing over the upper-cased long and short names: slot = key index + 1, 0 empty.
    std::vector<std::string> keys;
    std::vector<uint32_t> keyEntry;
    std::vector<uint32_t> slots;
    std::string shortFolder;  // the folder's own short form, once asked
    DWORD shortFolderError = 0;
    bool shortFolderAsked = false;
    // Some name is not one the ANSI code page can spell: such entries are not listed, and a name
    // not found may be one of them to the file system (by its short name, say), which then says.
    bool inexact = false;

    void AddKey(const std::string& name, uint32_t entry)
    {
        const std::string upper = UpperCopy(name);
        const size_t mask = slots.size() - 1;
        for (size_t i = HashUpper(upper.data(), upper.size()) & mask;; i = (i + 1) & mask) {
            if (slots[i] == 0) {
                keys.push_back(upper);
                keyEntry.push_back(entry);
                slots[i] = uint32_t(keys.size());
                return;
            }
            if (keys[slots[i] - 1] == upper)
                return; // the first holder of a name keeps it
        }
    }

    void Index()
    {
        size_t capacity = 16;
        while (capacity < 4 * entries.size())
            capacity *= 2;
        slots.assign(capacity, 0);
        // Long names first: a short name never hides another file's long name.
        for (size_t i = 0; i < entries.size(); ++i)
            AddKey(entries[i].name, uint32_t(i));
        for (size_t i = 0; i < entries.size(); ++i)
            if (!entries[i].shortName.empty())
                AddKey(entries[i].shortName, uint32_t(i));
    }

    const Entry* Find(const char* name, size_t length) const
    {
        if (slots.empty())
            return nullptr;
        const size_t mask = slots.size() - 1;
        for (size_t i = HashUpper(name, length) & mask; slots[i]; i = (i + 1) & mask)
            if (EqualUpper(keys[slots[i] - 1], name, length))
                return &entries[keyEntry[slots[i] - 1]];
        return nullptr;
    }
};

namespace {

using QueryDirectoryFile = LONG(NTAPI*)(HANDLE, HANDLE, void*, void*, void* ioStatus, void* buffer, ULONG length,
                                        int infoClass, BOOLEAN single, void* mask, BOOLEAN restart);

QueryDirectoryFile QueryDirectory()
{
    static const QueryDirectoryFile query = [] {
        HMODULE ntdll = GetModuleHandleA("ntdll.dll");
        return ntdll ? reinterpret_cast<QueryDirectoryFile>(
                           reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQueryDirectoryFile")))
                     : nullptr;
    }();
    return query;
}

// Reads the folder's entries in large batches straight from the file system: the entries
// FindFirstFileA gives, with far fewer calls (under Wine a quarter of a big folder's listing
// time). False, with nothing listed, when this way cannot be taken; the caller then lists the
// folder the ordinary way, which also tells a missing folder from an unreadable one.
bool ReadInBatches(const std::string& folder, DirectoryEntries& out)
{
    const QueryDirectoryFile query = QueryDirectory();
    if (!query)
        return false;
    // "C:" alone would open the drive's current folder; "C:\" is the root that "C:\*" lists.
    const std::string open = folder.size() == 2 && folder[1] == ':' ? folder + "\\" : folder;
    win::UniqueHandle dir(CreateFileA(open.c_str(), FILE_LIST_DIRECTORY | SYNCHRONIZE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!dir)
        return false;
    std::vector<LONGLONG> buffer(64 * 1024 / sizeof(LONGLONG));
    struct {
        void* status;
        ULONG_PTR information;
    } io = {};
    const LONG kNoMoreFiles = LONG(0x80000006);
    DirectoryEntries found;
    const int kFileBothDirectoryInformation = 3;
    for (BOOLEAN restart = TRUE;; restart = FALSE) {
        const LONG status = query(dir.get(), nullptr, nullptr, nullptr, &io, buffer.data(),
                                  ULONG(buffer.size() * sizeof(LONGLONG)), kFileBothDirectoryInformation, FALSE,
                                  nullptr, restart);
        if (status == kNoMoreFiles)
            break;
        if (status < 0 || status == 0x103 /* pending */ || io.information == 0 ||
            io.information > buffer.size() * sizeof(LONGLONG))
            return false;
        if (!AddDirectoryRecords(found, buffer.data(), size_t(io.information)))
            return false;
    }
    out = std::move(found);
    return true;
}

// Lists folder (its text as written) in one pass.
void Fill(const std::string& folder, Listing& l)
{
    ++g_listings;
    DirectoryEntries found;
    switch (ReadFolder(folder, found)) {
    case FolderRead::Listed:
        try {
            l.entries = std::move(found.entries);
            l.inexact = found.inexact;
            l.Index();
            l.state = Listing::Listed;
        } catch (...) {
            l = Listing();
        }
        return;
    case FolderRead::Missing:
        l.state = Listing::Missing;
        return;
    case FolderRead::Unknown:
        return;
    }
}

} // namespace

FolderRead ReadFolder(const std::string& folder, DirectoryEntries& out)
{
    out = DirectoryEntries();
    const bool separated = !folder.empty() && (folder.back() == '\\' || folder.back() == '/');
    const std::string pattern = folder + (separated ? "*" : "\\*");
    if (pattern.size() >= MAX_PATH)
        return FolderRead::Unknown; // the platform decides what such a path means
    try {
        if (g_batches && ReadInBatches(folder, out)) {
            if (out.entries.size() < 0x7FFFFFFF)
                return FolderRead::Listed;
            out = DirectoryEntries();
            return FolderRead::Unknown;
        }
    } catch (...) {
        out = DirectoryEntries();
    }
    // The pattern as FindFirstFileA would take it; the names come back in UTF-16 so that they are
    // converted exactly, as in batches.
    WCHAR wide[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, pattern.c_str(), -1, wide, MAX_PATH))
        return FolderRead::Unknown;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(wide, &fd);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD e = GetLastError();
        // A folder that is not there (or is a file) holds nothing: every direct lookup of a name
        // inside it fails the same way. Anything else (access, a network failure) is left to
        // the direct lookups.
        if (e == ERROR_PATH_NOT_FOUND || e == ERROR_FILE_NOT_FOUND || e == ERROR_DIRECTORY)
            return FolderRead::Missing;
        return FolderRead::Unknown;
    }
    try {
        DirectoryEntries found;
        do {
            fd.cFileName[MAX_PATH - 1] = L'\0';
            fd.cAlternateFileName[14 - 1] = L'\0';
            Entry e;
            e.attributes = fd.dwFileAttributes;
            e.size = (uint64_t(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
            e.creation = fd.ftCreationTime;
            e.lastWrite = fd.ftLastWriteTime;
            AddDirectoryEntry(found, fd.cFileName, wcslen(fd.cFileName) * sizeof(WCHAR), fd.cAlternateFileName,
                              wcslen(fd.cAlternateFileName) * sizeof(WCHAR), std::move(e));
        } while (FindNextFileW(h, &fd));
        const bool complete = GetLastError() == ERROR_NO_MORE_FILES;
        FindClose(h);
        if (!complete || found.entries.size() >= 0x7FFFFFFF)
            return FolderRead::Unknown;
        out = std::move(found);
        return FolderRead::Listed;
    } catch (...) {
        FindClose(h);
        out = DirectoryEntries();
        return FolderRead::Unknown;
    }
}

class FolderListings {
public:
    ~FolderListings()
    {
        for (auto& p : pending_)
            if (p.second.valid())
                p.second.wait();
    }

    // The listing of folder, made on first use (or taken from a background listing of it).
    Listing& Of(const char* folder, size_t length)
    {
        // The folders used last (a source is looked for in two folders in turn) are found
        // without building a key.
        for (Recent& r : recent_)
            if (r.listing && r.folder.size() == length && memcmp(r.folder.data(), folder, length) == 0)
                return *r.listing;
        std::string key(folder, length);
        auto it = folders_.find(key);
        if (it == folders_.end()) {
            it = folders_.emplace(key, Listing()).first;
            auto pending = pending_.find(key);
            if (pending != pending_.end()) {
                it->second = pending->second.get();
                pending_.erase(pending);
            } else {
                Fill(key, it->second);
            }
        }
        Recent& slot = recent_[nextRecent_++ % kRecent];
        slot.folder = std::move(key);
        slot.listing = &it->second;
        return it->second;
    }

    // Starts listing folder on another thread, unless it is known or under way.
    void Prefetch(const char* folder, size_t length)
    {
        std::string key(folder, length);
        if (folders_.count(key) || pending_.count(key))
            return;
        pending_.emplace(key, std::async(std::launch::async, [key] {
                             Listing l;
                             Fill(key, l);
                             return l;
                         }));
    }

private:
    std::unordered_map<std::string, Listing> folders_;
    std::unordered_map<std::string, std::future<Listing>> pending_;
    static constexpr size_t kRecent = 4;
    struct Recent {
        std::string folder;
        Listing* listing = nullptr;
    } recent_[kRecent];
    size_t nextRecent_ = 0;
};

namespace {

thread_local FolderListings* t_listings = nullptr;

// path split into its folder (as written, without the separator) and the name after the last
// separator, when a listing of that folder answers for the name exactly as a direct lookup of
// the path would: a plain name of ASCII characters (no wildcard, no "." or "..", no trailing dot
// or space, which the platform would strip) behind a folder part that is not empty (a rooted
// "\x") and not a "\\?\" path; no separator at all ("x", "C:x") is left alone too. "C:\x" gives
// the folder "C:", listed as "C:\*": the root, as the separator says.
struct Split {
    const char* folder = nullptr;
    size_t folderLength = 0;
    const char* name = nullptr;
    size_t nameLength = 0;
    char separator = '\\';

    bool Of(const char* path)
    {
        if (!path || !*path)
            return false;
        const size_t length = strlen(path);
        if (length >= MAX_PATH || !strncmp(path, "\\\\?\\", 4))
            return false;
        const char* sep = nullptr;
        for (const char* p = path; *p; ++p)
            if (*p == '\\' || *p == '/')
                sep = p;
        if (!sep || sep == path)
            return false;
        const char* n = sep + 1;
        const size_t nl = length - size_t(n - path);
        if (nl == 0 || n[nl - 1] == '.' || n[nl - 1] == ' ' || !strcmp(n, ".") || !strcmp(n, ".."))
            return false;
        for (const char* p = n; *p; ++p)
            if (*p == '*' || *p == '?' || static_cast<unsigned char>(*p) >= 0x80 || static_cast<unsigned char>(*p) < 32)
                return false;
        folder = path;
        folderLength = size_t(sep - path);
        name = n;
        nameLength = nl;
        separator = *sep;
        return true;
    }
};

enum class Lookup { Found, Absent, Unknown };

Lookup Find(const char* path, Split* split, Listing** listing, const Entry** entry)
{
    FolderListings* all = t_listings;
    if (!all || !split->Of(path))
        return Lookup::Unknown;
    try {
        Listing& l = all->Of(split->folder, split->folderLength);
        *listing = &l;
        if (l.state == Listing::Unknown)
            return Lookup::Unknown;
        if (l.state == Listing::Missing) {
            ++g_answered;
            return Lookup::Absent;
        }
        *entry = l.Find(split->name, split->nameLength);
        if (!*entry && l.inexact)
            return Lookup::Unknown;
        ++g_answered;
        return *entry ? Lookup::Found : Lookup::Absent;
    } catch (...) {
        return Lookup::Unknown;
    }
}

void CopyOut(const std::string& s, char* out, size_t outSize)
{
    if (outSize)
        win::CopyText(out, outSize, s.c_str());
}

} // namespace

bool SetFolderListings(bool on) { return g_enabled.exchange(on); }
bool SetFolderReadInBatches(bool on) { return g_batches.exchange(on); }

ListingScope::ListingScope(Captions captions)
{
    if (!t_listings && captions == DropKeptCaptions)
        ForgetKeptCaptions();
    if (!t_listings && g_enabled) {
        own_.reset(new (std::nothrow) FolderListings);
        t_listings = own_.get();
    }
}

ListingScope::~ListingScope()
{
    if (own_ && t_listings == own_.get())
        t_listings = nullptr;
}

void PrefetchFolderOf(const char* path)
{
    Split split;
    if (t_listings && split.Of(path)) {
        try {
            t_listings->Prefetch(split.folder, split.folderLength);
        } catch (...) {
            // No thread to spare: the folder is listed when it is first needed.
        }
    }
}

bool PathExists(const char* path)
{
    Split split;
    Listing* l = nullptr;
    const Entry* e = nullptr;
    switch (Find(path, &split, &l, &e)) {
    case Lookup::Found: return true;
    case Lookup::Absent: return false;
    case Lookup::Unknown: break;
    }
    ++g_direct;
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

bool QuerySourceStatus(const char* path, FileStatus* out)
{
    Split split;
    Listing* l = nullptr;
    const Entry* e = nullptr;
    switch (Find(path, &split, &l, &e)) {
    case Lookup::Found:
        if (e->attributes & FILE_ATTRIBUTE_DIRECTORY)
            return false;
        *out = FileStatusOf(e->size, e->creation, e->lastWrite);
        return true;
    case Lookup::Absent:
        return false;
    case Lookup::Unknown:
        break;
    }
    ++g_direct;
    return QueryFileStatus(path, out);
}

DWORD ShortPathOf(const char* path, char* out, DWORD outSize)
{
    Split split;
    Listing* l = nullptr;
    const Entry* e = nullptr;
    const Lookup found = Find(path, &split, &l, &e);
    if (found == Lookup::Unknown) {
        ++g_direct;
        return GetShortPathNameA(path, out, outSize);
    }
    // The folder's part is converted by the platform once per folder; the name's comes from the
    // listing: its short name, or its stored name when it has none (as the platform does).
    if (!l->shortFolderAsked) {
        l->shortFolderAsked = true;
        const std::string folder(split.folder, split.folderLength);
        char buffer[MAX_PATH];
        const DWORD n = GetShortPathNameA(folder.c_str(), buffer, sizeof buffer);
        if (n > 0 && n < sizeof buffer)
            l->shortFolder = buffer;
        else
            l->shortFolderError = n == 0 ? GetLastError() : ERROR_FILENAME_EXCED_RANGE;
    }
    if (l->shortFolderError) {
        SetLastError(l->shortFolderError);
        return 0;
    }
    if (found == Lookup::Absent) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    const std::string& last = e->shortName.empty() ? e->name : e->shortName;
    const std::string whole = l->shortFolder + split.separator + last;
    if (whole.size() + 1 > outSize)
        return DWORD(whole.size() + 1);
    memcpy(out, whole.c_str(), whole.size() + 1);
    return DWORD(whole.size());
}

int StoredNameOf(const char* path, char* out, size_t outSize)
{
    Split split;
    Listing* l = nullptr;
    const Entry* e = nullptr;
    switch (Find(path, &split, &l, &e)) {
    case Lookup::Found: CopyOut(e->name, out, outSize); return 1;
    case Lookup::Absent: return 0;
    case Lookup::Unknown: break;
    }
    return -1;
}

int ShortNameOf(const char* path, char* out, size_t outSize)
{
    Split split;
    Listing* l = nullptr;
    const Entry* e = nullptr;
    switch (Find(path, &split, &l, &e)) {
    case Lookup::Found: CopyOut(e->shortName.empty() ? e->name : e->shortName, out, outSize); return 1;
    case Lookup::Absent: return 0;
    case Lookup::Unknown: break;
    }
    return -1;
}

ListingCounters GetListingCounters()
{
    ListingCounters c;
    c.listings = g_listings;
    c.answered = g_answered;
    c.direct = g_direct;
    return c;
}

} // namespace album
