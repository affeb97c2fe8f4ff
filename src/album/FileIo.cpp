#include "album/FileIo.h"

#include <stdio.h>
#include <string.h>
#include <algorithm>

namespace fileio {

namespace {

BOOL WINAPI PlatformRead(HANDLE h, LPVOID p, DWORD n, LPDWORD done, LPOVERLAPPED o)
{
    return ReadFile(h, p, n, done, o);
}
BOOL WINAPI PlatformWrite(HANDLE h, LPCVOID p, DWORD n, LPDWORD done, LPOVERLAPPED o)
{
    return WriteFile(h, p, n, done, o);
}
BOOL WINAPI PlatformFlush(HANDLE h) { return FlushFileBuffers(h); }
BOOL WINAPI PlatformMove(LPCSTR from, LPCSTR to, DWORD flags) { return MoveFileExA(from, to, flags); }

FileCalls g_calls = {PlatformRead, PlatformWrite, PlatformFlush, PlatformMove};

// The largest single ReadFile/WriteFile request we make.
constexpr size_t kMaxChunk = 1u << 30;

} // namespace

FileCalls& Calls() { return g_calls; }
void ResetCalls() { g_calls = {PlatformRead, PlatformWrite, PlatformFlush, PlatformMove}; }

bool Reader::ReadAt(uint64_t offset, void* dst, size_t size, size_t* got)
{
    *got = 0;
    if (offset != pos_) {
        LARGE_INTEGER to;
        to.QuadPart = static_cast<LONGLONG>(offset);
        if (offset > static_cast<uint64_t>(INT64_MAX) || !SetFilePointerEx(h_, to, nullptr, FILE_BEGIN)) {
            pos_ = UINT64_MAX;
            return false;
        }
        pos_ = offset;
    }
    unsigned char* p = static_cast<unsigned char*>(dst);
    while (*got < size) {
        DWORD want = static_cast<DWORD>(std::min(size - *got, kMaxChunk));
        DWORD n = 0;
        if (!g_calls.read(h_, p + *got, want, &n, nullptr)) {
            pos_ = UINT64_MAX;
            return false;
        }
        *got += n;
        pos_ += n;
        if (n == 0)
            break; // end of file
    }
    return true;
}

BufferedWriter::BufferedWriter(HANDLE h, size_t bufferSize) : h_(h), buf_(bufferSize) {}

bool BufferedWriter::WriteThrough(const unsigned char* p, size_t size)
{
    while (size > 0 && !failed_) {
        DWORD want = static_cast<DWORD>(std::min(size, kMaxChunk));
        DWORD done = 0;
        // A write that writes nothing (a full disk) is a failure too.
        if (!g_calls.write(h_, p, want, &done, nullptr) || done == 0 || done > want)
            failed_ = true;
        p += done;
        size -= done;
    }
    return !failed_;
}

bool BufferedWriter::Write(const void* data, size_t size)
{
    if (failed_)
        return false;
    const unsigned char* p = static_cast<const unsigned char*>(data);
    if (used_ + size <= buf_.size()) {
        memcpy(buf_.data() + used_, p, size);
        used_ += size;
        return true;
    }
    if (!Flush())
        return false;
    if (size >= buf_.size())
        return WriteThrough(p, size);
    memcpy(buf_.data(), p, size);
    used_ = size;
    return true;
}

bool BufferedWriter::Flush()
{
    if (used_ > 0 && !failed_)
        WriteThrough(buf_.data(), used_);
    used_ = 0;
    return !failed_;
}

std::string FolderOf(const char* path)
{
    std::string s(path ? path : "");
    size_t cut = s.find_last_of("\\/:");
    if (cut == std::string::npos)
        return "";
    if (s[cut] == ':')
        return s.substr(0, cut + 1);                    // "C:name" -> "C:"
    if (cut == 0 || (cut == 2 && s[1] == ':'))
        return s.substr(0, cut + 1);                    // "\name", "C:\name" keep the root
    return s.substr(0, cut);
}

ReplacementFile::ReplacementFile(const char* target) : target_(target ? target : "")
{
    if (target_.empty())
        return;
    // A read-only album is not replaced (some platforms would let the rename through).
    DWORD attributes = GetFileAttributesA(target_.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return;
    std::string folder = FolderOf(target_.c_str());
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/' && folder.back() != ':')
        folder += '\\';
    static LONG counter = 0;
    for (int attempt = 0; attempt < 64 && !file_.valid(); ++attempt) {
        char name[40];
        snprintf(name, sizeof name, "~abm%04lx%04lx.tmp", GetCurrentProcessId() & 0xFFFFul,
                 static_cast<unsigned long>(InterlockedIncrement(&counter)) & 0xFFFFul);
        std::string candidate = folder + name;
        HANDLE h = CreateFileA(candidate.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            file_.reset(h);
            temp_ = candidate;
        } else if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) {
            break; // the folder is missing or not writable
        }
    }
}

ReplacementFile::~ReplacementFile()
{
    file_.reset();
    if (!committed_ && !temp_.empty())
        DeleteFileA(temp_.c_str());
}

bool ReplacementFile::Commit()
{
    if (!file_.valid())
        return false;
    bool ok = g_calls.flush(file_.get()) != FALSE;
    ok = file_.close() && ok;
    if (!ok)
        return false;
    if (!g_calls.move(temp_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return false;
    committed_ = true;
    return true;
}

} // namespace fileio
