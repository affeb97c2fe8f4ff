#include "support/TestSupport.h"

#include "album/AlbumDoc.h"

#include <psapi.h>
#include <stdio.h>
#include <fstream>
#include <iterator>

namespace testsupport {

ScratchDir::ScratchDir()
{
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    static int serial = 0;
    for (;;) {
        char name[MAX_PATH];
        snprintf(name, sizeof name, "%salbumtest_%lu_%d", base, GetCurrentProcessId(), ++serial);
        if (CreateDirectoryA(name, nullptr)) {
            path_ = name;
            made_ = true;
            break;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            ADD_FAILURE() << "cannot create scratch folder " << name;
            path_ = base;
            break;
        }
    }
}

namespace {

void RemoveWideTree(const std::wstring& folder)
{
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!wcscmp(fd.cFileName, L".") || !wcscmp(fd.cFileName, L".."))
                continue;
            const std::wstring p = folder + L"\\" + fd.cFileName;
            SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_NORMAL);
            if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                RemoveWideTree(p);
            else if (!DeleteFileW(p.c_str()))
                RemoveDirectoryW(p.c_str());
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(folder.c_str());
}

} // namespace

std::wstring LongWidePath(const std::string& path)
{
    const std::string full = "\\\\?\\" + path;
    std::wstring wide(full.size(), L'\0');
    wide.resize(size_t(MultiByteToWideChar(CP_ACP, 0, full.c_str(), int(full.size()), &wide[0], int(wide.size()))));
    return wide;
}

ScratchDir::~ScratchDir()
{
    if (made_)
        RemoveTree(path_);
}

void RemoveTree(const std::string& path) { RemoveWideTree(LongWidePath(path)); }

std::vector<std::string> ScratchDir::List() const { return ListFolder(path_); }

std::vector<std::string> ListFolder(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (strcmp(fd.cFileName, ".") && strcmp(fd.cFileName, ".."))
            names.push_back(fd.cFileName);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return names;
}

std::vector<unsigned char> ReadBytes(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    if (!bytes.empty())
        fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

HGLOBAL MakeDib(int width, int height, unsigned seed, size_t extra)
{
    size_t stride = ((size_t(width) * 3 + 3) / 4) * 4;
    size_t size = sizeof(BITMAPINFOHEADER) + stride * size_t(height) + extra;
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    auto* p = static_cast<unsigned char*>(GlobalLock(h));
    const BITMAPINFOHEADER bih = {sizeof bih, width, height, 1, 24, BI_RGB, DWORD(stride * size_t(height)), 0, 0, 0, 0};
    memcpy(p, &bih, sizeof bih);
    for (size_t i = sizeof bih; i < size - extra; ++i)
        p[i] = static_cast<unsigned char>(seed * 31u + i * 7u);
    GlobalUnlock(h);
    return h;
}

HGLOBAL MakeBlock(size_t size, unsigned seed)
{
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, size);
    auto* p = static_cast<unsigned char*>(GlobalLock(h));
    for (size_t i = 0; i < size; ++i)
        p[i] = static_cast<unsigned char>(seed * 131u + i * 13u + (i >> 8));
    GlobalUnlock(h);
    return h;
}

std::vector<unsigned char> BlockBytes(HGLOBAL block)
{
    std::vector<unsigned char> bytes;
    if (!block)
        return bytes;
    auto* p = static_cast<unsigned char*>(GlobalLock(block));
    if (p) {
        bytes.assign(p, p + GlobalSize(block));
        GlobalUnlock(block);
    }
    return bytes;
}

HGLOBAL MakePackedDib(int width, int height, int bits, const std::vector<unsigned char>& palette,
                      const std::vector<unsigned char>& rows, LONG resolution, long clrUsed)
{
    const BITMAPINFOHEADER bih = {sizeof bih, width, height, 1, WORD(bits), BI_RGB,
                                  DWORD(((size_t(width) * size_t(bits) + 31) / 32) * 4 * size_t(height)), resolution, resolution,
                                  clrUsed < 0 ? DWORD(palette.size() / 4) : DWORD(clrUsed), 0};
    std::vector<unsigned char> bytes(sizeof bih + palette.size() + bih.biSizeImage, 0);
    memcpy(bytes.data(), &bih, sizeof bih);
    std::copy(palette.begin(), palette.end(), bytes.begin() + sizeof bih);
    std::copy_n(rows.begin(), std::min<size_t>(rows.size(), bih.biSizeImage), bytes.begin() + sizeof bih + palette.size());
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    memcpy(GlobalLock(h), bytes.data(), bytes.size());
    GlobalUnlock(h);
    return h;
}

void WriteBmpFile(const std::string& path, int width, int height, unsigned seed)
{
    HGLOBAL dib = MakeDib(width, height, seed);
    std::vector<unsigned char> packed = BlockBytes(dib);
    GlobalFree(dib);
    BITMAPFILEHEADER fh = {};
    fh.bfType = 0x4D42;
    fh.bfSize = DWORD(sizeof fh + packed.size());
    fh.bfOffBits = DWORD(sizeof fh + sizeof(BITMAPINFOHEADER));
    std::vector<unsigned char> bytes(reinterpret_cast<unsigned char*>(&fh), reinterpret_cast<unsigned char*>(&fh) + sizeof fh);
    bytes.insert(bytes.end(), packed.begin(), packed.end());
    WriteBytes(path, bytes);
}

std::string WriteBmpNamedInOtherScripts(const std::string& folder, int width, int height)
{
    const std::wstring wideFolder = LongWidePath(folder) + L"\\Фото 2026", file = wideFolder + L"\\写真.bmp";
    const std::string plain = folder + "\\plain.bmp";
    CreateDirectoryW(wideFolder.c_str(), nullptr);
    WriteBmpFile(plain, width, height, 1);
    if (!MoveFileW(LongWidePath(plain).c_str(), file.c_str()))
        return std::string();
    std::string out = folder;
    for (const std::wstring& part : {wideFolder, file}) {
        WIN32_FIND_DATAW fd;
        HANDLE h = FindFirstFileW(part.c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE)
            return std::string();
        FindClose(h);
        out += "\\" + std::string(fd.cAlternateFileName, fd.cAlternateFileName + wcslen(fd.cAlternateFileName));
    }
    return out;
}

void WriteSlowTgaFile(const std::string& path, int width, int height)
{
    std::vector<unsigned char> bytes = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, uint8_t(width), uint8_t(width >> 8),
                                        uint8_t(height), uint8_t(height >> 8), 24, 0};
    for (size_t run = 0; run < size_t(width) * size_t(height) / 128; ++run)
        bytes.insert(bytes.end(), {0xFF, uint8_t(run), uint8_t(run >> 8), uint8_t(run >> 16)});
    WriteBytes(path, bytes);
}

void HoldKeys(const std::vector<int>& keys)
{
    BYTE state[256] = {};
    for (int k : keys)
        state[k] = 0x80;
    SetKeyboardState(state);
}

size_t WorkingSet()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.WorkingSetSize;
}

FILETIME ToFileTime(uint32_t seconds)
{
    const uint64_t ticks = uint64_t(seconds) * 10000000ull + 116444736000000000ull;
    return FILETIME{DWORD(ticks), DWORD(ticks >> 32)};
}

void SetFileTimes(const std::string& path, uint32_t created, uint32_t written)
{
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    FILETIME c = ToFileTime(created), w = ToFileTime(written);
    EXPECT_TRUE(SetFileTime(h, &c, nullptr, &w));
    CloseHandle(h);
}

tagALBUMINFOHEADER MakeRecord(const char* name, DWORD fileSize, DWORD fileTime, const char* description)
{
    tagALBUMINFOHEADER rec;
    memset(&rec, 0, sizeof rec);
    rec.dwFileSize = fileSize;
    rec.dwFileTime = fileTime;
    strncpy(rec.szFileName, name, sizeof rec.szFileName - 1);
    strncpy(rec.szDescription, description, sizeof rec.szDescription - 1);
    rec.wReserved1 = 1;
    rec.wBitCount = 24;
    return rec;
}

void SaveAlbum(const std::string& path, const std::vector<tagALBUMINFOHEADER>& records)
{
    CAlbumDoc2 doc;
    unsigned seed = 0;
    for (tagALBUMINFOHEADER rec : records) {
        HGLOBAL dib = MakeDib(8, 6, ++seed);
        rec.dwDibSize = DWORD(GlobalSize(dib));
        rec.wThumbWidth = 8;
        rec.wThumbHeight = 6;
        doc.Insert(new CThumbnail2(&rec, dib, 0, 1), nullptr);
    }
    EXPECT_NE(doc.Save(path.c_str()), 0) << path;
}

void SaveAlbum(const std::string& path, const std::vector<std::string>& names)
{
    std::vector<tagALBUMINFOHEADER> records;
    for (const std::string& name : names)
        records.push_back(MakeRecord(name.c_str()));
    SaveAlbum(path, records);
}

int CountInAlbum(const std::string& path)
{
    CAlbumDoc2 doc;
    doc.SetAutoCheck(0);
    return doc.Load(path.c_str()) == 1 ? doc.GetCount() : -1;
}

} // namespace testsupport
