// Truevision TGA: colour-mapped, true-colour (15/16/24/32 bits) and gray (8 bits, or 16 with
// alpha) images, uncompressed or run-length encoded, with either origin and either direction.
#include "ImgIoInternal.h"

#include <string.h>

namespace imgio {
namespace {

constexpr size_t kHeaderBytes = 18;
constexpr size_t kFooterBytes = 26;
constexpr size_t kExtensionBytes = 495;
const char kFooterSignature[] = "TRUEVISION-XFILE."; // with its NUL: the last 18 bytes

struct TgaHeader {
    uint8_t idLength;
    uint8_t mapType;
    uint8_t imageType;
    uint16_t mapFirst;
    uint16_t mapLength;
    uint8_t mapBits;
    uint16_t width;
    uint16_t height;
    uint8_t depth;
    uint8_t descriptor;

    int Kind() const { return imageType & 7; } // 1 colour-mapped, 2 true-colour, 3 gray
    bool Rle() const { return (imageType & 8) != 0; }
    bool TopDown() const { return (descriptor & 0x20) != 0; }
    bool RightToLeft() const { return (descriptor & 0x10) != 0; }
};

bool IsMapDepth(uint8_t bits) { return bits == 15 || bits == 16 || bits == 24 || bits == 32; }

bool ParseHeader(const uint8_t* p, size_t size, TgaHeader* h)
{
    if (!p || size < kHeaderBytes)
        return false;
    h->idLength = p[0];
    h->mapType = p[1];
    h->imageType = p[2];
    h->mapFirst = ReadU16(p + 3);
    h->mapLength = ReadU16(p + 5);
    h->mapBits = p[7];
    h->width = ReadU16(p + 12);
    h->height = ReadU16(p + 14);
    h->depth = p[16];
    h->descriptor = p[17];

    if (h->imageType != 1 && h->imageType != 2 && h->imageType != 3 && h->imageType != 9 &&
        h->imageType != 10 && h->imageType != 11)
        return false;
    if (h->mapType > 1 || h->width == 0 || h->height == 0)
        return false;
    // Interleaved rows (bits 6-7) belong to hardware long gone; we would only draw them wrong.
    if (h->descriptor & 0xC0)
        return false;
    if (h->mapType == 1 && !IsMapDepth(h->mapBits))
        return false;
    switch (h->Kind()) {
    case 1: return h->mapType == 1 && h->mapLength > 0 && h->depth == 8;
    case 2: return h->depth == 15 || h->depth == 16 || h->depth == 24 || h->depth == 32;
    case 3: return h->depth == 8 || h->depth == 16;
    }
    return false;
}

// What the file says about its alpha channel.
struct AlphaUse {
    bool use = false;
    bool premultiplied = false;
};

AlphaUse AlphaOf(const TgaHeader& h, const uint8_t* data, size_t size)
{
    AlphaUse a;
    a.use = (h.descriptor & 0x0F) != 0;
    // A TGA 2.0 extension area states the alpha's meaning outright; it overrides the header.
    if (HasTgaFooter(data, size)) {
        uint32_t ext = ReadU32(data + size - kFooterBytes);
        size_t footer = size - kFooterBytes;
        if (ext >= kHeaderBytes && ext <= footer && footer - ext >= kExtensionBytes &&
            ReadU16(data + ext) >= kExtensionBytes) {
            uint8_t type = data[ext + kExtensionBytes - 1];
            a.use = type == 3 || type == 4;
            a.premultiplied = type == 4;
        }
    }
    return a;
}

uint8_t Expand5(unsigned v) { return uint8_t((v << 3) | (v >> 2)); }

// A colour of the given depth as blue, green, red; alpha laid over white when it counts.
// 16-bit colours carry one attribute bit that writers rarely mean as transparency: ignored.
void ToBgr(const uint8_t* px, unsigned depth, const AlphaUse& alpha, uint8_t* out)
{
    if (depth == 15 || depth == 16) {
        unsigned v = ReadU16(px);
        out[0] = Expand5(v & 31);
        out[1] = Expand5((v >> 5) & 31);
        out[2] = Expand5((v >> 10) & 31);
        return;
    }
    out[0] = px[0];
    out[1] = px[1];
    out[2] = px[2];
    if (depth == 32 && alpha.use) {
        uint8_t a = px[3];
        for (int i = 0; i < 3; ++i) {
            if (alpha.premultiplied) {
                unsigned c = unsigned(out[i]) + 255u - a;
                out[i] = uint8_t(c > 255 ? 255 : c);
            } else {
                out[i] = OverWhite(out[i], a);
            }
        }
    }
}

// Hands out the pixels of the image data one by one, raw or run-length decoded; null once the
// data runs out.
class PixelReader {
public:
    PixelReader(const uint8_t* p, const uint8_t* end, size_t bytes, bool rle)
        : p_(p), end_(end), bytes_(bytes), rle_(rle) {}

    const uint8_t* Next()
    {
        if (rle_ && left_ == 0) {
            if (p_ >= end_)
                return nullptr;
            uint8_t packet = *p_++;
            left_ = (packet & 0x7Fu) + 1u;
            repeat_ = (packet & 0x80) != 0;
            if (repeat_) {
                run_ = Take();
                if (!run_)
                    return nullptr;
            }
        }
        if (rle_) {
            --left_;
            if (repeat_)
                return run_;
        }
        return Take();
    }

private:
    const uint8_t* Take()
    {
        if (size_t(end_ - p_) < bytes_)
            return nullptr;
        const uint8_t* px = p_;
        p_ += bytes_;
        return px;
    }

    const uint8_t* p_;
    const uint8_t* end_;
    size_t bytes_;
    bool rle_;
    unsigned left_ = 0;
    bool repeat_ = false;
    const uint8_t* run_ = nullptr;
};

// Our decoder's output: 8 bits for mapped and gray images, 24 for true colour.
FrameCost CostOf(const TgaHeader& h)
{
    FrameCost c;
    c.width = h.width;
    c.height = h.height;
    c.decodedBits = h.Kind() == 2 ? 24 : 8;
    return c;
}

} // namespace

bool LooksLikeTga(const uint8_t* header, size_t size, FrameCost* cost)
{
    TgaHeader h;
    if (!ParseHeader(header, size, &h))
        return false;
    if (cost)
        *cost = CostOf(h);
    return true;
}

bool HasTgaFooter(const uint8_t* data, size_t size)
{
    return data && size >= kHeaderBytes + kFooterBytes &&
           memcmp(data + size - sizeof kFooterSignature, kFooterSignature, sizeof kFooterSignature) == 0;
}

HGLOBAL DecodeTga(const uint8_t* data, size_t size)
{
    TgaHeader h;
    if (!ParseHeader(data, size, &h) || !WithinBudget(CostOf(h)))
        return nullptr;
    const AlphaUse alpha = AlphaOf(h, data, size);

    size_t pos = kHeaderBytes + h.idLength;
    const uint8_t* map = nullptr;
    if (h.mapType == 1) {
        size_t mapBytes = size_t(h.mapLength) * ((h.mapBits + 7u) / 8u);
        if (pos > size || size - pos < mapBytes)
            return nullptr;
        map = data + pos;
        pos += mapBytes;
    }
    if (pos > size)
        return nullptr;

    const size_t pixelBytes = (h.depth + 7u) / 8u;
    const uint64_t pixels = uint64_t(h.width) * h.height;
    const uint64_t available = size - pos;
    // The fewest bytes that can hold this many pixels: refuse before allocating for a tiny file
    // that claims a huge image.
    const uint64_t needed = h.Rle() ? (pixels + 127) / 128 * (1 + pixelBytes) : pixels * pixelBytes;
    if (available < needed)
        return nullptr;

    const int kind = h.Kind();
    DibWriter out;
    uint32_t entries = 0;
    if (kind == 1) {
        entries = uint32_t(h.mapFirst) + h.mapLength;
        if (entries > 256)
            entries = 256;
        if (!out.Create(h.width, h.height, 8, entries))
            return nullptr;
        const size_t entryBytes = (h.mapBits + 7u) / 8u;
        for (uint32_t i = h.mapFirst; i < entries; ++i) {
            uint8_t bgr[3];
            ToBgr(map + size_t(i - h.mapFirst) * entryBytes, h.mapBits, alpha, bgr);
            out.Palette()[i] = RGBQUAD{bgr[0], bgr[1], bgr[2], 0};
        }
    } else if (kind == 3) {
        if (!out.Create(h.width, h.height, 8, 256))
            return nullptr;
        for (unsigned i = 0; i < 256; ++i)
            out.Palette()[i] = RGBQUAD{uint8_t(i), uint8_t(i), uint8_t(i), 0};
    } else if (!out.Create(h.width, h.height, 24, 0)) {
        return nullptr;
    }

    PixelReader reader(data + pos, data + size, pixelBytes, h.Rle());
    for (uint32_t fileRow = 0; fileRow < h.height; ++fileRow) {
        if (ReadCancelled())
            return nullptr;
        uint8_t* row = out.Row(h.TopDown() ? fileRow : h.height - 1u - fileRow);
        for (uint32_t i = 0; i < h.width; ++i) {
            const uint8_t* px = reader.Next();
            if (!px)
                return nullptr;
            uint32_t x = h.RightToLeft() ? h.width - 1u - i : i;
            if (kind == 1) {
                // An index past the colour map has no colour; the first entry stands in.
                row[x] = px[0] < entries ? px[0] : 0;
            } else if (kind == 3) {
                row[x] = (h.depth == 16 && alpha.use) ? OverWhite(px[0], px[1]) : px[0];
            } else {
                ToBgr(px, h.depth, alpha, row + size_t(x) * 3);
            }
        }
    }
    return out.Finish();
}

} // namespace imgio
