#include "host/AlbumLog.h"

#include <windows.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

namespace {

const char kLogFile[] = "c:\\lc2000_LOG.TXT";
const char* g_path = kLogFile;

} // namespace

const char* AlbumLogPath() { return g_path; }
void SetAlbumLogPath(const char* path) { g_path = path ? path : kLogFile; }

// Called from the library's entry point: only kernel calls that neither wait on other threads
// nor load libraries. The file only ever grows, a line per attachment, as the editor's support
// staff expect of it.
int WriteAlbumLog(const char* message)
{
    HANDLE file = CreateFileA(g_path, FILE_APPEND_DATA | GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    LARGE_INTEGER zero = {}, end;
    if (SetFilePointerEx(file, zero, &end, FILE_END)) {
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        const uint64_t ticks = (uint64_t(now.dwHighDateTime) << 32) | now.dwLowDateTime;
        const long long seconds = static_cast<long long>(ticks / 10000000ull) - 11644473600ll;
        char line[512];
        int n = snprintf(line, sizeof line, "%d : %s\n", static_cast<int>(seconds), message ? message : "");
        if (n > 0) {
            DWORD written = 0;
            WriteFile(file, line, static_cast<DWORD>(n < int(sizeof line) ? n : int(sizeof line) - 1), &written, nullptr);
        }
    }
    CloseHandle(file);
    return 1;
}
