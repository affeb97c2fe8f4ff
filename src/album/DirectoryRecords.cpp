#include "album/DirectoryRecords.h"

#include "win/AnsiNames.h"

namespace album {

namespace {

// One entry of NtQueryDirectoryFile's FileBothDirectoryInformation class.
struct BothDirectoryEntry {
    ULONG nextEntryOffset;
    ULONG fileIndex;
    LARGE_INTEGER creation, lastAccess, lastWrite, change, endOfFile, allocation;
    ULONG attributes;
    ULONG nameBytes;
    ULONG eaSize;
    CCHAR shortNameBytes;
    WCHAR shortName[12];
    WCHAR name[1];
};
static_assert(offsetof(BothDirectoryEntry, name) == 94, "FILE_BOTH_DIR_INFORMATION layout");

// A UTF-16 name in the ANSI code page, exactly (no best fit: a full-width U+FF21 must not pass
// for an "A", another file's name).
bool NarrowName(const WCHAR* name, size_t bytes, std::string& out)
{
    out.clear();
    if (bytes == 0)
        return true;
    char text[MAX_PATH];
    if (!win::NarrowExactly(name, int(bytes / sizeof(WCHAR)), text, sizeof text))
        return false;
    out = text;
    return true;
}

FILETIME FileTimeOf(const LARGE_INTEGER& t)
{
    FILETIME f;
    f.dwLowDateTime = DWORD(uint64_t(t.QuadPart));
    f.dwHighDateTime = DWORD(uint64_t(t.QuadPart) >> 32);
    return f;
}

} // namespace

void AddDirectoryEntry(DirectoryEntries& to, const WCHAR* name, size_t nameBytes, const WCHAR* shortName,
                       size_t shortBytes, DirectoryEntry&& entry)
{
    if (!NarrowName(shortName, shortBytes, entry.shortName) || entry.shortName.size() > 13) {
        to.inexact = true;
        return;
    }
    if (!NarrowName(name, nameBytes, entry.name)) {
        if (entry.shortName.empty()) {
            to.inexact = true;
            return;
        }
        entry.name = entry.shortName;
        entry.realName.assign(name, nameBytes / sizeof(WCHAR));
    }
    if (entry.name != "." && entry.name != "..")
        to.entries.push_back(std::move(entry));
}

bool AddDirectoryRecords(DirectoryEntries& to, const void* buffer, size_t bytes)
{
    const char* at = static_cast<const char*>(buffer);
    const char* const end = at + bytes;
    constexpr size_t kHead = offsetof(BothDirectoryEntry, name);
    for (;;) {
        const auto* e = reinterpret_cast<const BothDirectoryEntry*>(at);
        if (size_t(end - at) < kHead || e->nameBytes > size_t(end - at) - kHead ||
            e->shortNameBytes < 0 || size_t(e->shortNameBytes) > sizeof e->shortName)
            return false;
        DirectoryEntry entry;
        entry.attributes = e->attributes;
        entry.size = uint64_t(e->endOfFile.QuadPart);
        entry.creation = FileTimeOf(e->creation);
        entry.lastWrite = FileTimeOf(e->lastWrite);
        AddDirectoryEntry(to, e->name, e->nameBytes, e->shortName, size_t(e->shortNameBytes), std::move(entry));
        if (e->nextEntryOffset == 0)
            return true;
        // Records are 8-byte aligned, each after the one before.
        if (e->nextEntryOffset % 8 != 0 || e->nextEntryOffset >= size_t(end - at))
            return false;
        at += e->nextEntryOffset;
    }
}

} // namespace album
