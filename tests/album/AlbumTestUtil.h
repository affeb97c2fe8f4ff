// Building album files byte by byte, independently of the writer, and reading their fields.
#pragma once

#include "TableTestUtil.h"

using Bytes = std::vector<unsigned char>;

inline void PutU32(Bytes& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + size_t(i)] = static_cast<unsigned char>(v >> (8 * i));
}
inline uint32_t GetU32(const Bytes& b, size_t at)
{
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}
inline void PutU16(Bytes& b, size_t at, uint16_t v)
{
    b[at] = static_cast<unsigned char>(v);
    b[at + 1] = static_cast<unsigned char>(v >> 8);
}

// One thumbnail as it lies in a file.
struct FileEntry {
    std::string name;
    std::string description = " ";
    uint32_t fileSize = 0;
    uint32_t fileTime = 0;
    Bytes image;
    int64_t declaredSize = -1; // dwDibSize; the image's size unless set
    int64_t offset = -1;       // dwDibOffset; the running sum unless set
};

// A well-formed album file unless the entries say otherwise.
inline Bytes BuildAlbumFile(const std::string& description, const std::vector<FileEntry>& entries,
                            int64_t announced = -1)
{
    const size_t n = entries.size();
    Bytes b(144 + 288 * n, 0);
    uint32_t sum = 0;
    for (size_t i = 0; i < n; ++i) {
        const FileEntry& e = entries[i];
        size_t r = 144 + 288 * i;
        PutU32(b, r + 0, e.fileSize);
        PutU32(b, r + 4, e.fileTime);
        memcpy(&b[r + 8], e.name.data(), e.name.size());
        memcpy(&b[r + 136], e.description.data(), e.description.size());
        PutU16(b, r + 264, 1);
        PutU16(b, r + 266, 24);
        PutU16(b, r + 268, 640);
        PutU16(b, r + 270, 480);
        PutU32(b, r + 272, e.offset >= 0 ? uint32_t(e.offset) : sum);
        PutU16(b, r + 276, 96);
        PutU16(b, r + 278, 72);
        uint32_t size = e.declaredSize >= 0 ? uint32_t(e.declaredSize) : uint32_t(e.image.size());
        PutU32(b, r + 280, size);
        sum += uint32_t(e.image.size());
    }
    for (const FileEntry& e : entries)
        b.insert(b.end(), e.image.begin(), e.image.end());
    PutU32(b, 0, 0x4D4C4150u);
    PutU32(b, 4, uint32_t(b.size()));
    PutU32(b, 8, announced >= 0 ? uint32_t(announced) : uint32_t(n));
    PutU32(b, 12, uint32_t(144 + 288 * n));
    memcpy(&b[16], description.data(), description.size());
    return b;
}

inline Bytes Pattern(size_t size, unsigned seed)
{
    Bytes v(size);
    for (size_t i = 0; i < size; ++i)
        v[i] = static_cast<unsigned char>(seed * 37u + i * 11u + (i >> 9));
    return v;
}
