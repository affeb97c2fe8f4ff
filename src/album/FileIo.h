// File access for album files: a positioned reader that avoids needless seeks, a buffered writer,
// and the replace-when-complete step of saving. The Win32 calls that can fail while a file is
// read or written go through one table of functions so tests can make any of them fail.
#pragma once

#include <windows.h>
#include <stdint.h>
#include <stddef.h>
#include <string>
#include <vector>
#include "win/Handles.h"

namespace fileio {

struct FileCalls {
    BOOL (WINAPI* read)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
    BOOL (WINAPI* write)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
    BOOL (WINAPI* flush)(HANDLE);
    BOOL (WINAPI* move)(LPCSTR, LPCSTR, DWORD);
};
// The calls in use; the platform's own unless a test replaced them.
FileCalls& Calls();
void ResetCalls();

class Reader {
public:
    explicit Reader(HANDLE h) : h_(h) {}
    // Reads up to size bytes at offset; got receives how many arrived (fewer at the end of file).
    bool ReadAt(uint64_t offset, void* dst, size_t size, size_t* got);

private:
    HANDLE h_;
    uint64_t pos_ = UINT64_MAX;
};

class BufferedWriter {
public:
    explicit BufferedWriter(HANDLE h, size_t bufferSize = 1 << 20);
    bool Write(const void* data, size_t size);
    bool Flush();           // writes what is buffered
    bool failed() const { return failed_; }

private:
    bool WriteThrough(const unsigned char* p, size_t size);
    HANDLE h_;
    std::vector<unsigned char> buf_;
    size_t used_ = 0;
    bool failed_ = false;
};

// A new file next to target, written in place of target once complete. Whatever happens before
// Commit, the destructor removes the temporary file and target stays as it was.
class ReplacementFile {
public:
    explicit ReplacementFile(const char* target);
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    bool valid() const { return file_.valid(); }
    HANDLE handle() const { return file_.get(); }
    const std::string& tempPath() const { return temp_; }
    // Flushes and closes the file, then moves it over the target.
    bool Commit();

private:
    std::string target_;
    std::string temp_;
    win::UniqueHandle file_;
    bool committed_ = false;
};

// The folder part of a path ("" when it has none), without the trailing separator unless it is a
// root such as "C:\" or "\".
std::string FolderOf(const char* path);

} // namespace fileio
