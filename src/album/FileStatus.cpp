#include "album/FileStatus.h"

uint32_t UnixSecondsFromFileTime(const FILETIME& ft)
{
    const uint64_t ticks = (uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    const uint64_t epoch = 116444736000000000ull; // 1970-01-01 in 100 ns ticks since 1601
    if (ticks <= epoch)
        return 0;
    const uint64_t seconds = (ticks - epoch) / 10000000ull;
    return seconds > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(seconds);
}

FileStatus FileStatusOf(uint64_t size, const FILETIME& creation, const FILETIME& lastWrite)
{
    FileStatus s;
    s.size = size;
    s.lastWriteTime = UnixSecondsFromFileTime(lastWrite);
    const bool noCreation = creation.dwLowDateTime == 0 && creation.dwHighDateTime == 0;
    s.creationTime = noCreation ? s.lastWriteTime : UnixSecondsFromFileTime(creation);
    return s;
}

bool QueryFileStatus(const char* path, FileStatus* out)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!path || !*path || !GetFileAttributesExA(path, GetFileExInfoStandard, &data))
        return false;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return false;
    *out = FileStatusOf((uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow, data.ftCreationTime,
                        data.ftLastWriteTime);
    return true;
}
