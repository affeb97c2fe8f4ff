#include "imaging/Marks.h"

#include "win/Handles.h"

namespace {

const WORD kStampFirst = 0x5453;  // "ST"
const WORD kStampSecond = 0x4D41; // "AM"
const WORD kBrushFirst = 0x5242;  // "BR"

// The 14-byte bitmap file header; the mark is its two reserved words at bytes 6-9.
const DWORD kHeaderBytes = 14;

bool ReadHeader(HANDLE file, unsigned char (&header)[kHeaderBytes])
{
    DWORD total = 0;
    while (total < kHeaderBytes) {
        DWORD got = 0;
        if (!ReadFile(file, header + total, kHeaderBytes - total, &got, nullptr) || got == 0)
            return false;
        total += got;
    }
    return true;
}

} // namespace

int WriteFileMark(const char* path, WORD first, WORD second)
{
    if (!path)
        return -1;
    win::UniqueHandle file(CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return -1;
    unsigned char header[kHeaderBytes];
    if (!ReadHeader(file.get(), header))
        return -2;
    header[6] = LOBYTE(first);
    header[7] = HIBYTE(first);
    header[8] = LOBYTE(second);
    header[9] = HIBYTE(second);
    if (SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN) != 0)
        return -3;
    DWORD written = 0;
    if (!WriteFile(file.get(), header, kHeaderBytes, &written, nullptr) || written != kHeaderBytes)
        return -3;
    return file.close() ? 0 : -3;
}

int ReadFileMark(const char* path, WORD* first, WORD* second)
{
    if (!path)
        return -1;
    win::UniqueHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return -1;
    unsigned char header[kHeaderBytes];
    if (!ReadHeader(file.get(), header))
        return -2;
    if (first)
        *first = MAKEWORD(header[6], header[7]);
    if (second)
        *second = MAKEWORD(header[8], header[9]);
    return 0;
}

int SetStampMark(const char* path)
{
    return WriteFileMark(path, kStampFirst, kStampSecond) == 0 ? 1 : 0;
}

int IsStampFile(const char* path)
{
    WORD first = 0, second = 0;
    return ReadFileMark(path, &first, &second) == 0 && first == kStampFirst && second == kStampSecond ? 1 : 0;
}

int SetBrushMark(const char* path, BYTE first, BYTE second)
{
    return WriteFileMark(path, kBrushFirst, MAKEWORD(first, second)) == 0 ? 1 : 0;
}

int GetBrushMark(const char* path, BYTE* first, BYTE* second)
{
    WORD kind = 0, params = 0;
    if (ReadFileMark(path, &kind, &params) != 0 || kind != kBrushFirst)
        return 0;
    if (first)
        *first = LOBYTE(params);
    if (second)
        *second = HIBYTE(params);
    return 1;
}
