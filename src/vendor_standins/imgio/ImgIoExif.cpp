// The headers at the start of a JPEG file that decide how it is decoded: the frame header (size,
// components, progressive or not) and the EXIF block of cameras (orientation tag, embedded
// thumbnail). Only markers up to the first start of scan are read; every offset taken from the
// file is checked against what was actually read.
#include "ImgIoInternal.h"

#include <string.h>
#include <vector>

namespace imgio {
namespace {

uint16_t Be16(const uint8_t* p) { return uint16_t((p[0] << 8) | p[1]); }

// A TIFF structure (the body of an EXIF block) in memory, in its own byte order.
class Tiff {
public:
    Tiff(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool Open()
    {
        if (size_ < 8)
            return false;
        if (data_[0] == 'I' && data_[1] == 'I')
            little_ = true;
        else if (data_[0] == 'M' && data_[1] == 'M')
            little_ = false;
        else
            return false;
        return U16(2) == 42;
    }
    uint32_t FirstIfd() const { return U32(4); }

    // The entries of the directory at offset, and the offset of the next directory (0: none).
    // False when the directory does not lie inside the block.
    bool Directory(uint32_t offset, uint32_t* entries, uint32_t* next) const
    {
        if (offset < 8 || offset > size_ - 2)
            return false;
        const uint32_t n = U16(offset);
        if (uint64_t(offset) + 2 + uint64_t(n) * 12 + 4 > size_)
            return false;
        *entries = n;
        *next = U32(offset + 2 + n * 12);
        return true;
    }
    // Entry i of the directory at offset: tag, type, count and the value field's first value
    // (SHORT or LONG, stored in the entry itself).
    void Entry(uint32_t offset, uint32_t i, uint16_t* tag, uint16_t* type, uint32_t* count, uint32_t* value) const
    {
        const uint32_t at = offset + 2 + i * 12;
        *tag = U16(at);
        *type = U16(at + 2);
        *count = U32(at + 4);
        *value = *type == 3 ? U16(at + 8) : U32(at + 8);
    }

private:
    uint16_t U16(uint32_t at) const
    {
        const uint8_t* p = data_ + at;
        return little_ ? uint16_t(p[0] | (p[1] << 8)) : uint16_t((p[0] << 8) | p[1]);
    }
    uint32_t U32(uint32_t at) const
    {
        const uint8_t* p = data_ + at;
        return little_ ? ReadU32(p)
                       : (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
    }

    const uint8_t* data_;
    size_t size_;
    bool little_ = true;
};

constexpr uint16_t kTagOrientation = 0x0112;
constexpr uint16_t kTagThumbnailOffset = 0x0201; // JPEGInterchangeFormat
constexpr uint16_t kTagThumbnailLength = 0x0202; // JPEGInterchangeFormatLength
// Directories a well-formed block has: IFD0 and IFD1. More means a loop or junk.
constexpr int kMaxDirectories = 2;

// The orientation and the embedded thumbnail of an EXIF block (the bytes after "Exif\0\0"),
// whose first byte lies at fileOffset in the file.
void ParseExif(const uint8_t* block, size_t size, uint64_t fileOffset, JpegHeaders* out)
{
    Tiff tiff(block, size);
    if (!tiff.Open())
        return;
    uint32_t ifd = tiff.FirstIfd();
    uint32_t thumbOffset = 0, thumbLength = 0;
    bool haveOffset = false, haveLength = false;
    for (int d = 0; d < kMaxDirectories && ifd != 0; ++d) {
        uint32_t entries = 0, next = 0;
        if (!tiff.Directory(ifd, &entries, &next))
            break;
        for (uint32_t i = 0; i < entries; ++i) {
            uint16_t tag, type;
            uint32_t count, value;
            tiff.Entry(ifd, i, &tag, &type, &count, &value);
            if (d == 0 && tag == kTagOrientation && type == 3 && count == 1 && value >= 1 && value <= 8)
                out->orientation = int(value);
            if (d == 1 && tag == kTagThumbnailOffset && (type == 4 || type == 3) && count == 1) {
                thumbOffset = value;
                haveOffset = true;
            }
            if (d == 1 && tag == kTagThumbnailLength && (type == 4 || type == 3) && count == 1) {
                thumbLength = value;
                haveLength = true;
            }
        }
        // The next directory must lie further on: a pointer back would loop.
        if (next <= ifd)
            break;
        ifd = next;
    }
    // The thumbnail must lie inside the block, past the TIFF header.
    if (haveOffset && haveLength && thumbOffset >= 8 && thumbLength >= 4 && thumbOffset <= size &&
        thumbLength <= size - thumbOffset) {
        out->thumbnailOffset = fileOffset + thumbOffset;
        out->thumbnailLength = thumbLength;
    }
}

bool IsFrameHeader(uint8_t m) { return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC; }

} // namespace

bool ReadJpegHeaders(ByteSource& file, JpegHeaders* out)
{
    *out = JpegHeaders();
    uint8_t b[4];
    if (!file.ReadAt(0, b, 2) || b[0] != 0xFF || b[1] != 0xD8)
        return false;
    uint64_t at = 2;
    bool exifSeen = false;
    // Markers before the first scan; a file with hundreds of them is not a photograph.
    for (int markers = 0; markers < 1024; ++markers) {
        // A marker: 0xFF, any 0xFF fill, then its code.
        if (!file.ReadAt(at, b, 1) || b[0] != 0xFF)
            return false;
        uint8_t code = 0xFF;
        while (code == 0xFF) {
            if (!file.ReadAt(++at, &code, 1))
                return false;
        }
        ++at;
        if (code == 0xD8 || code == 0x01 || (code >= 0xD0 && code <= 0xD7))
            continue; // markers without a length
        if (code == 0xD9 || code == 0xDA)
            return out->width != 0; // end of image, or the scan data begins
        if (!file.ReadAt(at, b, 2))
            return false;
        const unsigned length = Be16(b);
        if (length < 2)
            return false;
        const uint64_t body = at + 2, bodyLength = length - 2u;
        if (IsFrameHeader(code)) {
            uint8_t sof[6];
            if (out->width != 0 || bodyLength < 6 || !file.ReadAt(body, sof, 6))
                return false;
            out->height = Be16(sof + 1);
            out->width = Be16(sof + 3);
            out->components = sof[5];
            out->progressive = code == 0xC2 || code == 0xC6 || code == 0xCA || code == 0xCE;
            out->lossless = code == 0xC3 || code == 0xC7 || code == 0xCB || code == 0xCF;
            if (out->width == 0 || out->height == 0)
                return false;
        } else if (code == 0xE1 && !exifSeen && bodyLength >= 6 + 8) {
            uint8_t id[6];
            if (!file.ReadAt(body, id, 6))
                return false;
            if (memcmp(id, "Exif\0\0", 6) == 0) {
                exifSeen = true;
                std::vector<uint8_t> block;
                try {
                    block.resize(size_t(bodyLength - 6));
                } catch (...) {
                    return false;
                }
                if (!file.ReadAt(body + 6, block.data(), block.size()))
                    return false;
                ParseExif(block.data(), block.size(), body + 6, out);
            }
        }
        at = body + bodyLength;
    }
    return false;
}

} // namespace imgio
