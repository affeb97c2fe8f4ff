// ZSoft PCX: 1-bit (one to four planes), 2- and 4-bit, 8-bit with its trailing palette, and 24-bit
// (three 8-bit planes, a fourth one is alpha), run-length encoded or raw.
#include "ImgIoInternal.h"

#include <new>
#include <memory>
#include <string.h>

namespace imgio {
namespace {

constexpr size_t kHeaderBytes = 128;
constexpr size_t kTrailingPaletteBytes = 769; // 0x0C, then 256 RGB triples

// The colours a 16-colour file without its own palette was drawn with.
const uint8_t kEgaPalette[16][3] = {
    {0, 0, 0},       {0, 0, 170},     {0, 170, 0},     {0, 170, 170},
    {170, 0, 0},     {170, 0, 170},   {170, 85, 0},    {170, 170, 170},
    {85, 85, 85},    {85, 85, 255},   {85, 255, 85},   {85, 255, 255},
    {255, 85, 85},   {255, 85, 255},  {255, 255, 85},  {255, 255, 255},
};

struct PcxHeader {
    uint8_t version;
    uint8_t encoding;
    uint8_t bitsPerPixel;
    uint32_t width;
    uint32_t height;
    uint16_t hDpi;
    uint16_t vDpi;
    const uint8_t* colormap; // 16 RGB triples
    uint8_t planes;
    uint16_t bytesPerLine;
};

bool ParseHeader(const uint8_t* p, size_t size, PcxHeader* h)
{
    if (!p || size < kHeaderBytes || p[0] != 0x0A)
        return false;
    h->version = p[1];
    h->encoding = p[2];
    h->bitsPerPixel = p[3];
    uint16_t xMin = ReadU16(p + 4), yMin = ReadU16(p + 6), xMax = ReadU16(p + 8), yMax = ReadU16(p + 10);
    h->hDpi = ReadU16(p + 12);
    h->vDpi = ReadU16(p + 14);
    h->colormap = p + 16;
    h->planes = p[65];
    h->bytesPerLine = ReadU16(p + 66);

    if (h->version > 5 || h->version == 1 || h->encoding > 1)
        return false;
    if (xMax < xMin || yMax < yMin || h->bytesPerLine == 0)
        return false;
    h->width = uint32_t(xMax - xMin) + 1;
    h->height = uint32_t(yMax - yMin) + 1;
    switch (h->bitsPerPixel) {
    case 1: if (h->planes < 1 || h->planes > 4) return false; break;
    case 2: case 4: if (h->planes != 1) return false; break;
    case 8: if (h->planes != 1 && h->planes != 3 && h->planes != 4) return false; break;
    default: return false;
    }
    // Each plane's line must hold the whole width.
    return uint64_t(h->bytesPerLine) * 8 >= uint64_t(h->width) * h->bitsPerPixel;
}

// Run-length decoding that may carry a run from one line into the next, as some writers do.
class LineDecoder {
public:
    LineDecoder(const uint8_t* p, const uint8_t* end, bool rle) : p_(p), end_(end), rle_(rle) {}

    bool Fill(uint8_t* line, size_t bytes)
    {
        if (!rle_) {
            if (size_t(end_ - p_) < bytes)
                return false;
            memcpy(line, p_, bytes);
            p_ += bytes;
            return true;
        }
        size_t filled = 0;
        while (filled < bytes) {
            if (runLeft_) {
                size_t n = runLeft_ < bytes - filled ? runLeft_ : bytes - filled;
                memset(line + filled, runValue_, n);
                filled += n;
                runLeft_ -= n;
                continue;
            }
            if (p_ >= end_)
                return false;
            uint8_t c = *p_++;
            if ((c & 0xC0) == 0xC0) {
                if (p_ >= end_)
                    return false;
                runLeft_ = c & 0x3Fu;
                runValue_ = *p_++;
            } else {
                line[filled++] = c;
            }
        }
        return true;
    }

    // Where the pixel data ended.
    const uint8_t* Position() const { return p_; }

private:
    const uint8_t* p_;
    const uint8_t* end_;
    bool rle_;
    size_t runLeft_ = 0;
    uint8_t runValue_ = 0;
};

bool IsAllZero(const uint8_t* p, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        if (p[i])
            return false;
    return true;
}

// Our decoder's output: 1, 4 or 8 bits for palette images, 24 for colour planes.
FrameCost CostOf(const PcxHeader& h)
{
    const unsigned indexBits = h.bitsPerPixel * h.planes;
    FrameCost c;
    c.width = h.width;
    c.height = h.height;
    c.decodedBits = indexBits == 1 ? 1 : indexBits <= 4 ? 4 : indexBits == 8 ? 8 : 24;
    return c;
}

} // namespace

bool LooksLikePcx(const uint8_t* header, size_t size, FrameCost* cost)
{
    PcxHeader h;
    if (!ParseHeader(header, size, &h))
        return false;
    if (cost)
        *cost = CostOf(h);
    return true;
}

HGLOBAL DecodePcx(const uint8_t* data, size_t size)
{
    PcxHeader h;
    if (!ParseHeader(data, size, &h) || !WithinBudget(CostOf(h)))
        return nullptr;

    const unsigned indexBits = h.bitsPerPixel * h.planes; // 1..4, 8, 24 or 32
    const uint8_t* end = data + size;
    const uint8_t* trailingPalette = nullptr;
    if (indexBits == 8 && size >= kHeaderBytes + kTrailingPaletteBytes &&
        data[size - kTrailingPaletteBytes] == 0x0C) {
        trailingPalette = data + size - kTrailingPaletteBytes + 1;
        end = data + size - kTrailingPaletteBytes;
    }

    const size_t lineBytes = size_t(h.planes) * h.bytesPerLine;
    const uint64_t totalBytes = uint64_t(lineBytes) * h.height;
    const uint64_t available = uint64_t(end - data) - kHeaderBytes;
    // The fewest bytes that can encode the image (63 bytes per two-byte run); refuse a tiny file
    // that claims a huge image before allocating anything.
    const uint64_t needed = h.encoding ? (totalBytes + 62) / 63 * 2 : totalBytes;
    if (available < needed)
        return nullptr;

    DibWriter out;
    uint16_t outBits = indexBits == 1 ? 1 : indexBits <= 4 ? 4 : indexBits == 8 ? 8 : 24;
    uint32_t entries = indexBits <= 8 ? (1u << indexBits) : 0;
    if (!out.Create(h.width, h.height, outBits, entries))
        return nullptr;
    if (h.hDpi && h.vDpi)
        out.SetResolution(PelsPerMeterFromDpi(h.hDpi), PelsPerMeterFromDpi(h.vDpi));

    RGBQUAD* pal = out.Palette();
    if (indexBits == 8) {
        for (unsigned i = 0; i < 256; ++i) {
            const uint8_t* rgb = trailingPalette ? trailingPalette + i * 3 : nullptr;
            pal[i] = rgb ? RGBQUAD{rgb[2], rgb[1], rgb[0], 0} : RGBQUAD{uint8_t(i), uint8_t(i), uint8_t(i), 0};
        }
    } else if (indexBits == 1 && (h.version == 3 || memcmp(h.colormap, h.colormap + 3, 3) == 0)) {
        // Monochrome: black and white unless the header gives two distinct colours.
        pal[0] = RGBQUAD{0, 0, 0, 0};
        pal[1] = RGBQUAD{255, 255, 255, 0};
    } else if (indexBits <= 4) {
        bool ega = h.version == 3 || IsAllZero(h.colormap, 48);
        for (unsigned i = 0; i < entries; ++i) {
            const uint8_t* rgb = ega ? kEgaPalette[i] : h.colormap + i * 3;
            pal[i] = RGBQUAD{rgb[2], rgb[1], rgb[0], 0};
        }
    }

    std::unique_ptr<uint8_t[]> line(new (std::nothrow) uint8_t[lineBytes]);
    if (!line)
        return nullptr;
    LineDecoder decoder(data + kHeaderBytes, end, h.encoding == 1);
    const uint8_t* plane[4] = {};
    for (unsigned k = 0; k < h.planes; ++k)
        plane[k] = line.get() + size_t(k) * h.bytesPerLine;

    for (uint32_t y = 0; y < h.height; ++y) {
        if (ReadCancelled() || !decoder.Fill(line.get(), lineBytes))
            return nullptr;
        uint8_t* row = out.Row(y);
        const uint32_t w = h.width;
        if (indexBits == 1 || (indexBits == 4 && h.planes == 1) || indexBits == 8) {
            // The file's packing is the bitmap's: copy, clearing the bits past the width.
            size_t bytes = (size_t(w) * outBits + 7) / 8;
            memcpy(row, plane[0], bytes);
            unsigned usedBits = unsigned((size_t(w) * outBits) % 8);
            if (usedBits)
                row[bytes - 1] &= uint8_t(0xFF << (8 - usedBits));
        } else if (indexBits <= 4) {
            for (uint32_t x = 0; x < w; ++x) {
                unsigned v = 0;
                if (h.bitsPerPixel == 2) {
                    v = (plane[0][x / 4] >> (6 - 2 * (x % 4))) & 3u;
                } else {
                    for (unsigned k = 0; k < h.planes; ++k)
                        v |= unsigned((plane[k][x / 8] >> (7 - x % 8)) & 1u) << k;
                }
                row[x / 2] |= uint8_t(x % 2 ? v : v << 4);
            }
        } else {
            for (uint32_t x = 0; x < w; ++x) {
                uint8_t r = plane[0][x], g = plane[1][x], b = plane[2][x];
                if (h.planes == 4) {
                    uint8_t a = plane[3][x];
                    r = OverWhite(r, a);
                    g = OverWhite(g, a);
                    b = OverWhite(b, a);
                }
                row[3 * size_t(x)] = b;
                row[3 * size_t(x) + 1] = g;
                row[3 * size_t(x) + 2] = r;
            }
        }
    }
    // The palette marker right after the pixels, but not a whole palette behind it: the file was
    // cut short.
    if (indexBits == 8 && !trailingPalette && decoder.Position() < end && *decoder.Position() == 0x0C)
        return nullptr;
    return out.Finish();
}

} // namespace imgio
