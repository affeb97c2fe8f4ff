#include "album/DirectoryRecords.h"

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

// A UTF-16 name in the ANSI code page, exactly: false when it does not fit or some character has
// no exact counterpart (no best fit: a full-width U+FF21 must not pass for an "A", another
// file's name).
bool NarrowName(const WCHAR* name, size_t bytes, std::string& out)
{
    out.clear();
    if (bytes == 0)
        return true;
    if (bytes / sizeof(WCHAR) >= MAX_PATH)
        return false;
    char text[MAX_PATH];
    BOOL substituted = FALSE;
    const bool utf8 = GetACP() == CP_UTF8; // converts every valid name exactly, and takes no flag
    const int n = WideCharToMultiByte(CP_ACP, utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS, name,
                                      int(bytes / sizeof(WCHAR)), text, MAX_PATH - 1, nullptr,
                                      utf8 ? nullptr : &substituted);
    if (n <= 0 || substituted)
        return false;
    out.assign(text, size_t(n));
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
    if (!NarrowName(name, nameBytes, entry.name) || !NarrowName(shortName, shortBytes, entry.shortName) ||
        entry.shortName.size() > 13) {
        to.inexact = true;
        return;
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
