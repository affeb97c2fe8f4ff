// What the album keeps of a source file: its size and times as 32-bit seconds since 1970 (UTC).
#pragma once

#include <windows.h>
#include <stdint.h>

struct FileStatus {
    uint64_t size;
    uint32_t creationTime;
    uint32_t lastWriteTime;
    // The time a record keeps: the later of creation and last write.
    uint32_t sourceTime() const { return creationTime > lastWriteTime ? creationTime : lastWriteTime; }
};

// Seconds since 1970-01-01 UTC, limited to 0 .. 2^32 - 1 (times are stored unsigned).
uint32_t UnixSecondsFromFileTime(const FILETIME& ft);

// What a record keeps of a file of the given size and times.
FileStatus FileStatusOf(uint64_t size, const FILETIME& creation, const FILETIME& lastWrite);

// False when the file cannot be queried (missing, or a folder). A file system that keeps no
// creation time reports it as zero; the last-write time then stands for both.
bool QueryFileStatus(const char* path, FileStatus* out);
