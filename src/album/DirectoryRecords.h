// The entries of a folder as the file system hands them over in UTF-16, turned into the names
// the ANSI functions use: the records of a batch read (NtQueryDirectoryFile's
// FileBothDirectoryInformation) or one FindFirstFileW entry at a time.
#pragma once

#include <windows.h>
#include <stddef.h>
#include <stdint.h>
#include <string>
#include <vector>

namespace album {

struct DirectoryEntry {
    std::string name;       // as stored; its short name when the ANSI code page cannot carry it
    std::string shortName;  // empty when it has none
    std::basic_string<WCHAR> realName;  // the stored name when `name` is its short name; else empty
    DWORD attributes = 0;
    uint64_t size = 0;
    FILETIME creation = {};
    FILETIME lastWrite = {};
};

// The entries of one folder; `inexact` when some name is not one the ANSI code page can spell
// exactly and has no short name that it can (such entries are left out: no best fit may pass one
// name off as another).
struct DirectoryEntries {
    std::vector<DirectoryEntry> entries;
    bool inexact = false;
};

// Adds entry under the given UTF-16 names (lengths in bytes): a name that does not convert
// exactly is added under its short name (keeping it as the real name); the folder is marked
// inexact, and the entry left out, when neither converts or a short name is longer than 8.3
// allows. "." and ".." are not added. May throw std::bad_alloc.
void AddDirectoryEntry(DirectoryEntries& to, const WCHAR* name, size_t nameBytes, const WCHAR* shortName,
                       size_t shortBytes, DirectoryEntry&& entry);

// Adds the entries of one batch of FileBothDirectoryInformation records, `bytes` long (the
// buffer 8-byte aligned, as the file system fills it). False when a record is malformed or runs
// past the buffer. May throw std::bad_alloc.
bool AddDirectoryRecords(DirectoryEntries& to, const void* buffer, size_t bytes);

} // namespace album
