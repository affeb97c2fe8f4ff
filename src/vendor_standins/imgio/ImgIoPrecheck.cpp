// Checks made on a file before the platform's decoder sees it.
// - JPEG, PNG and GIF must reach their end marker. The decoders show what they have of a cut-off
//   file (a JPEG's missing rows come out gray); we refuse such a file outright, so that a
//   half-copied or half-downloaded image never becomes a thumbnail.
// - An icon's directory and image headers must be sound: the decoder decodes an icon image as
//   soon as it is asked for it, whatever size its header claims, before we could look at it.
#include "ImgIoInternal.h"

#include <wincodec.h>
#include <new>
#include <memory>
#include <string.h>

namespace imgio {
namespace {

// Sequential reading through a buffer, with long skips done by seeking.
class FileReader {
public:
    explicit FileReader(HANDLE file) : file_(file)
    {
        LARGE_INTEGER zero = {};
        ok_ = SetFilePointerEx(file_, zero, nullptr, FILE_BEGIN) != FALSE;
    }

    bool Byte(uint8_t* b)
    {
        if (pos_ == len_ && !Refill())
            return false;
        *b = buf_[pos_++];
        return true;
    }

    bool Read(uint8_t* dst, size_t n)
    {
        for (size_t i = 0; i < n; ++i)
            if (!Byte(dst + i))
                return false;
        return true;
    }

    bool Seek(uint64_t offset)
    {
        LARGE_INTEGER to;
        to.QuadPart = LONGLONG(offset);
        pos_ = len_ = 0;
        return ok_ && SetFilePointerEx(file_, to, nullptr, FILE_BEGIN) != FALSE;
    }

    bool Skip(uint64_t n)
    {
        uint64_t buffered = len_ - pos_;
        if (n <= buffered) {
            pos_ += size_t(n);
            return true;
        }
        n -= buffered;
        pos_ = len_ = 0;
        LARGE_INTEGER here = {}, size = {};
        LARGE_INTEGER move;
        move.QuadPart = 0;
        if (!ok_ || !SetFilePointerEx(file_, move, &here, FILE_CURRENT) || !GetFileSizeEx(file_, &size))
            return false;
        if (n > uint64_t(size.QuadPart - here.QuadPart))
            return false; // past the end: the file is cut short
        move.QuadPart = LONGLONG(n);
        return SetFilePointerEx(file_, move, nullptr, FILE_CURRENT) != FALSE;
    }

private:
    bool Refill()
    {
        DWORD got = 0;
        if (!ok_ || !ReadFile(file_, buf_, sizeof buf_, &got, nullptr) || got == 0)
            return false;
        pos_ = 0;
        len_ = got;
        return true;
    }

    HANDLE file_;
    bool ok_ = false;
    uint8_t buf_[32768];
    size_t pos_ = 0;
    size_t len_ = 0;
};

uint32_t BigEndian32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

// Chunk by chunk to IEND.
bool PngComplete(FileReader& r)
{
    if (!r.Skip(8))
        return false;
    uint8_t head[8];
    while (r.Read(head, sizeof head)) {
        uint32_t length = BigEndian32(head);
        if (length > 0x7FFFFFFFu)
            return false;
        if (memcmp(head + 4, "IEND", 4) == 0)
            return r.Skip(length + 4u);
        if (!r.Skip(uint64_t(length) + 4))
            return false;
    }
    return false;
}

// Marker segments, and the entropy-coded data after each start of scan, to EOI.
bool JpegComplete(FileReader& r)
{
    uint8_t b[2];
    if (!r.Read(b, 2) || b[0] != 0xFF || b[1] != 0xD8)
        return false;
    uint8_t marker = 0;
    bool haveMarker = false;
    for (;;) {
        if (!haveMarker) {
            uint8_t c;
            if (!r.Byte(&c) || c != 0xFF)
                return false;
            do {
                if (!r.Byte(&marker))
                    return false;
            } while (marker == 0xFF);
        }
        haveMarker = false;
        if (marker == 0xD9)
            return true;
        if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01)
            continue;
        uint8_t len[2];
        if (!r.Read(len, 2))
            return false;
        unsigned length = (unsigned(len[0]) << 8) | len[1];
        if (length < 2 || !r.Skip(length - 2))
            return false;
        if (marker != 0xDA)
            continue;
        // Scan data: 0xFF is followed by 0 (a stuffed byte), a restart marker, more 0xFF fill,
        // or the next marker.
        uint8_t c;
        for (;;) {
            if (!r.Byte(&c))
                return false;
            if (c != 0xFF)
                continue;
            do {
                if (!r.Byte(&c))
                    return false;
            } while (c == 0xFF);
            if (c == 0 || (c >= 0xD0 && c <= 0xD7))
                continue;
            marker = c;
            haveMarker = true;
            break;
        }
    }
}

bool SkipSubBlocks(FileReader& r)
{
    uint8_t n;
    for (;;) {
        if (!r.Byte(&n))
            return false;
        if (n == 0)
            return true;
        if (!r.Skip(n))
            return false;
    }
}

// Extensions and images to the trailer.
bool GifComplete(FileReader& r)
{
    uint8_t screen[13];
    if (!r.Read(screen, sizeof screen))
        return false;
    if ((screen[10] & 0x80) && !r.Skip(3u << ((screen[10] & 7) + 1)))
        return false;
    for (;;) {
        uint8_t kind;
        if (!r.Byte(&kind))
            return false;
        if (kind == 0x3B)
            return true;
        if (kind == 0x21) {
            uint8_t label;
            if (!r.Byte(&label) || !SkipSubBlocks(r))
                return false;
        } else if (kind == 0x2C) {
            uint8_t desc[9];
            if (!r.Read(desc, sizeof desc))
                return false;
            // The decoder holds every frame in memory at once.
            if (uint64_t(ReadU16(desc + 4)) * ReadU16(desc + 6) > kMaxImageBytes / 4)
                return false;
            if ((desc[8] & 0x80) && !r.Skip(3u << ((desc[8] & 7) + 1)))
                return false;
            uint8_t codeSize;
            if (!r.Byte(&codeSize) || !SkipSubBlocks(r))
                return false;
        } else {
            return false;
        }
    }
}

// The largest icon image with a sound header; -1 when any entry is unsound.
int LargestIconImage(FileReader& r, uint64_t size)
{
    constexpr uint32_t kMaxIconSide = 4096;
    uint8_t dir[6];
    if (!r.Read(dir, sizeof dir))
        return -1;
    const unsigned count = ReadU16(dir + 4);
    if (count == 0 || size < 6 + 16ull * count)
        return -1;
    // The directory first (it is contiguous), then each image's header.
    struct Entry { uint32_t bytes, offset; };
    std::unique_ptr<Entry[]> list(new (std::nothrow) Entry[count]);
    if (!list)
        return -1;
    for (unsigned i = 0; i < count; ++i) {
        uint8_t entry[16];
        if (!r.Read(entry, sizeof entry))
            return -1;
        list[i] = Entry{ReadU32(entry + 8), ReadU32(entry + 12)};
    }
    int best = -1;
    uint64_t bestArea = 0;
    for (unsigned i = 0; i < count; ++i) {
        const Entry& e = list[i];
        if (e.bytes < 40 || e.offset < 6 + 16ull * count || uint64_t(e.offset) + e.bytes > size)
            return -1;
        uint8_t head[40];
        if (!r.Seek(e.offset) || !r.Read(head, sizeof head))
            return -1;
        uint32_t w = 0, h = 0;
        static const uint8_t png[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
        if (memcmp(head, png, 8) == 0) {
            w = BigEndian32(head + 16);
            h = BigEndian32(head + 20);
        } else {
            // A bitmap header: colour rows and mask rows, so twice the image's height.
            uint32_t headerSize = ReadU32(head);
            int32_t bw = int32_t(ReadU32(head + 4)), bh = int32_t(ReadU32(head + 8));
            uint16_t bits = ReadU16(head + 14);
            uint32_t colours = ReadU32(head + 32);
            if (headerSize < 40 || headerSize > e.bytes || bw <= 0 || bh < 2)
                return -1;
            if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
                return -1;
            w = uint32_t(bw);
            h = uint32_t(bh) / 2;
            uint64_t palette = bits <= 8 ? uint64_t(colours && colours < (1u << bits) ? colours : 1u << bits) * 4 : 0;
            uint64_t colourRows = ((uint64_t(w) * bits + 31) / 32) * 4 * h;
            if (headerSize + palette + colourRows > e.bytes)
                return -1;
        }
        if (w == 0 || h == 0 || w > kMaxIconSide || h > kMaxIconSide)
            return -1;
        if (uint64_t(w) * h > bestArea) {
            bestArea = uint64_t(w) * h;
            best = int(i);
        }
    }
    return best;
}

} // namespace

bool PrecheckFile(HANDLE file, const GUID& container, int* frame)
{
    *frame = 0;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size))
        return false;
    FileReader r(file);
    if (container == GUID_ContainerFormatJpeg)
        return JpegComplete(r);
    if (container == GUID_ContainerFormatPng)
        return PngComplete(r);
    if (container == GUID_ContainerFormatGif)
        return GifComplete(r);
    if (container == GUID_ContainerFormatIco) {
        *frame = LargestIconImage(r, uint64_t(size.QuadPart));
        return *frame >= 0;
    }
    return true;
}

} // namespace imgio
