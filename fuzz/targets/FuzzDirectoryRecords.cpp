// The records of a folder read in batches (FileBothDirectoryInformation), as the file system
// hands them over. Input: the buffer.
#include <stdlib.h>
#include <string.h>
#include <vector>
#include "album/DirectoryRecords.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint64_t> buffer((size + 7) / 8); // the file system's buffers are 8-byte aligned
    if (size)
        memcpy(buffer.data(), data, size);
    album::DirectoryEntries found;
    album::AddDirectoryRecords(found, buffer.data(), size);
    // Whatever the bytes: every record takes 8 bytes at least, names fit their fields, and the
    // folder's own entries are not listed.
    if (found.entries.size() > size / 8 + 1)
        abort();
    for (const album::DirectoryEntry& e : found.entries)
        if (e.name.size() >= MAX_PATH || e.shortName.size() > 13 || e.name == "." || e.name == "..")
            abort();
    return 0;
}
