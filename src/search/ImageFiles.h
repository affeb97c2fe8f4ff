// Listing the image files of a folder, or of a whole folder tree, into a path list.
//
// A path list is an array of MAX_PATH-character slots plus a count, handed around as a pair
// (pointer to the array, pointer to the count). The empty list is a null array with count 0; a
// null array with a count, or an array with count 0, is refused. Lists are grown by these
// functions on the C runtime heap and freed with FreePathList.
#pragma once

#include <windows.h>
#include <stdint.h>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>
#include "album/DirectoryRecords.h"

typedef char PathSlot[MAX_PATH];

enum {
    kListRefused = -1,   // inconsistent path list
    kListUnreadable = -2, // the folder cannot be listed
    kListStopped = -3,    // stopped with Esc
    kListNoMemory = -4,
};

// Appends every subfolder of folder, at any depth, depth first: each folder is followed at once
// by its own subfolders. Only names without an extension count as folders to enter. Polls the
// Esc abort check before every entry. Returns 0 or one of the codes above; entries appended
// before a failure stay in the list. A folder reached through a link that leads back to one of
// the folders being walked is not entered again.
int CollectSubfolders(const char* folder, PathSlot** list, int* count);

// Appends the folder's image files, pattern by pattern in the fixed order (*.lcf, *.JPG, *.BMP,
// *.TIF, *.GIF, *.png, *.PCX, *.TGA, *.fpx, *.psd, *.PCD; matched without regard to case), each
// pattern's files in the order the file system returns them. Returns the new count, or -1 for an
// inconsistent list. When the list cannot grow it is emptied and the remaining patterns go on
// into the empty list.
int ListImageFiles(const char* folder, PathSlot** list, int* count);

// One image file of a folder with what its directory entry tells, so that a caller testing many
// files needs no lookup of its own per file.
struct ImageFileEntry {
    char path[MAX_PATH];
    uint64_t size;
    FILETIME created;
    FILETIME written;
};
// The same files as ListImageFiles, in the same order, appended with their entries. Returns the
// new count; when memory runs out the list is emptied and the remaining patterns go on.
int ListImageFileEntries(const char* folder, std::vector<ImageFileEntry>& entries);

// Appends the folder's image files; with includeSubfolders, those of every subfolder first (in
// the order CollectSubfolders gives) and the folder's own last. Shows the wait cursor meanwhile.
// Returns the new count; -1 for an inconsistent list; when the subfolders cannot be collected,
// that negative code, and no file is listed.
int ScanFolderFiles(const char* folder, PathSlot** list, int* count, int includeSubfolders);

// Whether a file's name ends in the extension of one of the image patterns above (ignoring case).
bool IsImageFileName(const char* path);

// Appends one path; false (list unchanged) when it does not fit a slot or memory runs out.
bool AppendPath(PathSlot** list, int* count, const char* path);
// Frees the array and leaves the empty list.
void FreePathList(PathSlot** list, int* count);

// While one lives on a thread, the subfolder walk keeps each folder's entries and the listing of a
// folder's image files takes them, so a tree is read once for both. Scopes nest; the outermost
// keeps the reads, and drops what is left when it ends (files change: nothing outlives it).
class KeptFolderReads {
public:
    KeptFolderReads();
    ~KeptFolderReads();
    KeptFolderReads(const KeptFolderReads&) = delete;
    KeptFolderReads& operator=(const KeptFolderReads&) = delete;

private:
    std::unique_ptr<std::unordered_map<std::string, album::DirectoryEntries>> own_;
};

// While one lives on a thread, the listings note every image file and subfolder they pass over
// because its name cannot be given to the ANSI functions (it needs a short name and its volume
// keeps none), by its full path, so that the caller can say which. Scopes nest; the innermost
// collects.
class UnstorableNames {
public:
    UnstorableNames();
    ~UnstorableNames();
    UnstorableNames(const UnstorableNames&) = delete;
    UnstorableNames& operator=(const UnstorableNames&) = delete;
    const std::vector<std::wstring>& Names() const { return names_; }
    void Note(const std::wstring& path);

private:
    std::vector<std::wstring> names_;
    UnstorableNames* outer_;
};

// Whether a folder is read once and the image patterns matched in memory (on by default), or
// searched once per pattern (and once for its subfolders) by the platform; both list the same.
// Tests and benchmarks compare the two. Returns the previous setting.
bool SetImageListingInOneRead(bool on);

// Folders read once and folders searched pattern by pattern, since the start (tests, benchmarks).
struct ImageListingCounters {
    unsigned reads = 0;
    unsigned searched = 0;
};
ImageListingCounters GetImageListingCounters();
