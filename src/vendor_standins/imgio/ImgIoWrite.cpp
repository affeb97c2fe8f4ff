// ImgIoWriteFile: Windows bitmap files. The file is written beside the target under a temporary
// name and only then put in its place, so a failed write never leaves a damaged or half-written
// file where the old one was.
#include "ImgIoInternal.h"

#include <string.h>
#include "win/Dib.h"

namespace imgio {
namespace {

constexpr int kWriteOk = IMGIO_WRITE_OK;
constexpr int kWriteBadImage = IMGIO_WRITE_BAD_IMAGE;
constexpr int kWriteUnsupported = IMGIO_WRITE_UNSUPPORTED;
constexpr int kWriteFailed = IMGIO_WRITE_FAILED;

bool WriteAll(HANDLE file, const void* data, size_t bytes)
{
    auto* p = static_cast<const uint8_t*>(data);
    while (bytes > 0) {
        DWORD chunk = bytes > (1u << 24) ? (1u << 24) : DWORD(bytes);
        DWORD written = 0;
        if (!WriteFile(file, p, chunk, &written, nullptr) || written != chunk)
            return false;
        p += written;
        bytes -= written;
    }
    return true;
}

// Folder part of a full path, without the trailing separator (kept for a root such as "C:\").
bool FolderOf(const char* full, char* folder, size_t folderSize)
{
    const char* slash = strrchr(full, '\\');
    const char* fwd = strrchr(full, '/');
    if (fwd && (!slash || fwd > slash))
        slash = fwd;
    if (!slash)
        return false;
    size_t n = size_t(slash - full);
    if (n == 0 || full[n - 1] == ':')
        ++n;
    if (n >= folderSize)
        return false;
    memcpy(folder, full, n);
    folder[n] = '\0';
    return true;
}

int WriteBmp(HGLOBAL block, LPCSTR path)
{
    win::GlobalLockGuard lock(block);
    dib::Layout layout;
    if (!lock || !dib::Parse(lock.data(), lock.size(), &layout))
        return kWriteBadImage;
    const uint64_t dibBytes = uint64_t(layout.bitsOffset) + layout.imageBytes;
    const uint64_t fileBytes = sizeof(BITMAPFILEHEADER) + dibBytes;
    if (fileBytes > 0xFFFFFFFFu)
        return kWriteBadImage;

    BITMAPFILEHEADER fh = {};
    fh.bfType = 0x4D42; // "BM"
    fh.bfSize = DWORD(fileBytes);
    fh.bfOffBits = DWORD(sizeof(BITMAPFILEHEADER) + layout.bitsOffset);

    char full[MAX_PATH];
    char folder[MAX_PATH];
    char temp[MAX_PATH];
    DWORD n = GetFullPathNameA(path, sizeof full, full, nullptr);
    if (n == 0 || n >= sizeof full || !FolderOf(full, folder, sizeof folder))
        return kWriteFailed;
    // A read-only file is the user's "keep this"; replacing it by renaming over it would not ask.
    DWORD attributes = GetFileAttributesA(full);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return kWriteFailed;
    if (GetTempFileNameA(folder, "iio", 0, temp) == 0)
        return kWriteFailed;

    win::UniqueHandle file(CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    bool ok = file && WriteAll(file.get(), &fh, sizeof fh) && WriteAll(file.get(), lock.data(), size_t(dibBytes)) &&
              FlushFileBuffers(file.get());
    // The last buffered bytes may only fail to reach the disk at close.
    ok = file.close() && ok;
    if (ok)
        ok = MoveFileExA(temp, full, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
    if (!ok) {
        DeleteFileA(temp);
        return kWriteFailed;
    }
    return kWriteOk;
}

} // namespace
} // namespace imgio

extern "C" IMGIO_API int WINAPI ImgIoWriteFile(HGLOBAL dib, LPCSTR path, int format, int reserved)
{
    if (!dib || !path || !*path)
        return imgio::kWriteBadImage;
    if (format != IMGIO_FORMAT_BMP)
        return imgio::kWriteUnsupported;
    return imgio::WriteBmp(dib, path);
}
