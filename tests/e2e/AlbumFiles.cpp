#include "AlbumFiles.h"

#include <stdio.h>
#include <string.h>
#include "album.h"

namespace e2e {

Folder::Folder(const std::string& name)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    path_ = std::string(temp) + "e2e_" + name + "_" + std::to_string(GetCurrentProcessId());
    RemoveTree(path_);
    CreateDirectoryA(path_.c_str(), nullptr);
}

Folder::~Folder() { RemoveTree(path_); }

namespace {

// Wide, so that names in any script go too.
void RemoveWideTree(const std::wstring& path)
{
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((path + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring child = path + L"\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveWideTree(child);
            } else {
                SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(path.c_str());
}

} // namespace

void RemoveTree(const std::string& path)
{
    WCHAR wide[MAX_PATH] = L"";
    if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH))
        RemoveWideTree(wide);
}

void WriteImage(const std::string& path, int width, int height, unsigned seed, uint32_t time)
{
    const int stride = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER fh = {};
    BITMAPINFOHEADER ih = {};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof ih;
    fh.bfSize = DWORD(fh.bfOffBits + stride * height);
    ih.biSize = sizeof ih;
    ih.biWidth = width;
    ih.biHeight = height;
    ih.biPlanes = 1;
    ih.biBitCount = 24;
    ih.biSizeImage = DWORD(stride * height);
    std::vector<unsigned char> rows(size_t(stride) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            unsigned char* p = &rows[size_t(y) * stride + size_t(x) * 3];
            p[0] = static_cast<unsigned char>(seed * 40 + x * 2);
            p[1] = static_cast<unsigned char>(seed * 90 + y * 3);
            p[2] = static_cast<unsigned char>(seed * 150 + (x ^ y));
        }
    if (FILE* f = fopen(path.c_str(), "wb")) {
        fwrite(&fh, sizeof fh, 1, f);
        fwrite(&ih, sizeof ih, 1, f);
        fwrite(rows.data(), 1, rows.size(), f);
        fclose(f);
    }
    if (time) {
        ULARGE_INTEGER t;
        t.QuadPart = (uint64_t(time) + 11644473600ULL) * 10000000ULL;
        FILETIME ft = {t.LowPart, t.HighPart};
        HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            SetFileTime(h, &ft, nullptr, &ft);
            CloseHandle(h);
        }
    }
}

std::vector<unsigned char> Bytes(const std::string& path)
{
    std::vector<unsigned char> bytes;
    if (FILE* f = fopen(path.c_str(), "rb")) {
        unsigned char chunk[4096];
        size_t n;
        while ((n = fread(chunk, 1, sizeof chunk, f)) > 0)
            bytes.insert(bytes.end(), chunk, chunk + n);
        fclose(f);
    }
    return bytes;
}

void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    if (FILE* f = fopen(path.c_str(), "wb")) {
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
    }
}

bool MakeAlbum(const std::string& album, const std::vector<std::string>& images, int thumbSide)
{
    CAlbumDoc2 doc;
    doc.SetThumbnailSize(WORD(thumbSide), WORD(thumbSide));
    for (const std::string& image : images) {
        CThumbnail2* t = BuildThumbnailFromFile(image.c_str(), WORD(thumbSide), WORD(thumbSide), nullptr);
        if (!t)
            return false;
        doc.Insert(t, nullptr);
    }
    doc.SetPath(album.c_str());
    return doc.Save(album.c_str()) != 0;
}

AlbumContents ReadAlbum(const std::string& album)
{
    AlbumContents c;
    CAlbumDoc2 doc;
    doc.SetAutoCheck(0);
    c.loaded = doc.Load(album.c_str()) == 1;
    if (!c.loaded)
        return c;
    c.description = doc.GetDescription();
    for (int i = 1; i <= doc.GetCount(); ++i) {
        const tagALBUMINFOHEADER* info = doc.GetThumbnail(i)->GetInfo();
        char name[sizeof info->szFileName + 1] = "";
        memcpy(name, info->szFileName, sizeof info->szFileName);
        c.names.push_back(BaseName(name));
        c.times.push_back(info->dwFileTime);
        c.sizes.emplace_back(info->wWidth, info->wHeight);
    }
    return c;
}

std::string BaseName(const std::string& path)
{
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace e2e
