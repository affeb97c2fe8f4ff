// Finding and examining many source files through one directory listing per folder. An album's
// thumbnails mostly come from a few folders; asking the file system about each file separately
// costs a path lookup per file (two for a name tried against two folders), while one pass over a
// folder brings every entry's long and short name, size, times and attributes at once.
//
// Listings are made for one operation (a load, a search, a refresh, a paste) and dropped when it
// ends: files change, so nothing is kept between operations. Outside an operation, and for every
// path a listing cannot answer exactly as a direct lookup would, the file system is asked
// directly. Only the thread that opened the operation uses its listings.
#pragma once

#include <windows.h>
#include <stdint.h>
#include <memory>
#include <string>
#include "album/DirectoryRecords.h"
#include "album/FileStatus.h"

namespace album {

class FolderListings;

// Opens an operation on this thread: lookups below it go through folder listings made once.
// Scopes nest; the outermost one owns the listings. An operation asks the file system afresh, so
// the names kept for card captions (made from earlier listings) are dropped as it opens, unless
// it is the filling in of those captions itself.
class ListingScope {
public:
    enum Captions { DropKeptCaptions, KeepCaptions };
    explicit ListingScope(Captions captions = DropKeptCaptions);
    ~ListingScope();
    ListingScope(const ListingScope&) = delete;
    ListingScope& operator=(const ListingScope&) = delete;

private:
    std::unique_ptr<FolderListings> own_;
};

// Starts listing path's folder on another thread when this thread runs an operation that has
// not listed it yet: the listing is then ready, or nearly, when the first lookup needs it.
void PrefetchFolderOf(const char* path);

// One folder's entries read in one pass (in batches, or entry by entry where batches cannot be
// had), in the order the file system gives them: Listed; Missing when the folder is not there or
// is a file; Unknown when this way cannot tell (ask the file system as the caller would have).
// Entries the ANSI code page cannot spell exactly are left out and mark the result inexact.
enum class FolderRead { Listed, Missing, Unknown };
FolderRead ReadFolder(const std::string& folder, DirectoryEntries& out);

// Whether path names an existing file or folder (GetFileAttributesA succeeds).
bool PathExists(const char* path);
// QueryFileStatus through the listings: false for a missing file or a folder.
bool QuerySourceStatus(const char* path, FileStatus* out);
// GetShortPathNameA through the listings: the length written, or the size needed, or 0 with the
// thread's last error set as the platform sets it.
DWORD ShortPathOf(const char* path, char* out, DWORD outSize);
// The name a folder stores for the last component of path (what FindFirstFileA finds for it):
// 1 found, 0 not there, -1 the listings cannot say (ask the file system).
int StoredNameOf(const char* path, char* out, size_t outSize);
// The 8.3 name of path's last component as a short path would end (its short name, or its own
// stored name when it has none): 1 found, 0 not there, -1 the listings cannot say.
int ShortNameOf(const char* path, char* out, size_t outSize);

// Whether operations use listings (on by default). Off, every lookup asks the file system
// directly: tests and benchmarks compare the two. Returns the previous setting.
bool SetFolderListings(bool on);
// Whether folders are read in large batches from the file system (on by default) or entry by
// entry through FindFirstFileA; both must list the same. Returns the previous setting.
bool SetFolderReadInBatches(bool on);

// Directory listings made and looked up (for tests and benchmarks).
struct ListingCounters {
    unsigned listings = 0;  // folders listed
    unsigned answered = 0;  // lookups answered from a listing
    unsigned direct = 0;    // lookups that went to the file system
};
ListingCounters GetListingCounters();

} // namespace album
