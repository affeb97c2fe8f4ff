#include "imaging/DibConvert.h"

#include <string.h>

namespace {

using dibconvert::LockedDib;
using dibconvert::NewDib;

bool IsPlainDepth(uint16_t bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 24; }

// A zero-filled block for prefix bytes (header and palette) and height rows of the given width
// and depth; stride receives the row size. Empty when the sizes overflow, when the pixel bytes
// do not fit a 32-bit biSizeImage, or when memory runs out.
win::GlobalBlock AllocateDib(size_t prefix, int32_t width, int32_t height, uint16_t bitCount, size_t* stride)
{
    const size_t total = dib::BlockBytesFor<size_t>(prefix, width, height, bitCount);
    if (total == 0 || total - prefix > 0xFFFFFFFFu)
        return {};
    *stride = dib::Stride(width, bitCount);
    return win::GlobalBlock::Allocate(total, true);
}

} // namespace

namespace dibconvert {

bool IsGrayPalette(const unsigned char* block, const dib::Layout& layout)
{
    if (layout.bitCount != 8 || layout.paletteEntries != 256)
        return false;
    const unsigned char* p = block + layout.bitsOffset - 1024;
    for (int i = 0; i < 256; ++i, p += 4) {
        if (p[0] != i || p[1] != i || p[2] != i)
            return false;
    }
    return true;
}

NewDib::NewDib(const LockedDib& like)
    : stride_(like.layout().stride),
      bitsOffset_(like.layout().bitsOffset),
      block_(win::GlobalBlock::Allocate(like.layout().bitsOffset + like.layout().imageBytes, true)),
      lock_(block_.get())
{
    if (lock_)
        memcpy(lock_.bytes(), like.bytes(), bitsOffset_);
}

NewDib::NewDib(const LockedDib& from, int32_t width, int32_t height, uint16_t bitCount, uint32_t paletteEntries)
    : bitsOffset_(sizeof(BITMAPINFOHEADER) + size_t(paletteEntries) * 4),
      block_(AllocateDib(bitsOffset_, width, height, bitCount, &stride_)),
      lock_(block_.get())
{
    if (!lock_)
        return;
    BITMAPINFOHEADER bih;
    memcpy(&bih, from.bytes(), sizeof bih);
    bih.biSize = sizeof bih;
    bih.biWidth = width;
    bih.biHeight = height;
    bih.biBitCount = bitCount;
    bih.biCompression = BI_RGB;
    bih.biSizeImage = DWORD(stride_ * size_t(height));
    if (paletteEntries == 0)
        bih.biClrUsed = bih.biClrImportant = 0;
    memcpy(lock_.bytes(), &bih, sizeof bih);
}

} // namespace dibconvert

int IsGrayPaletteDib(HGLOBAL image)
{
    LockedDib in(image);
    return in.ok() && in.grayRamp() ? 1 : 0;
}

int GetDibSize(HGLOBAL image, int* width, int* height)
{
    LockedDib in(image);
    if (!in.ok())
        return 0;
    if (width)
        *width = in.layout().width;
    if (height)
        *height = in.layout().height;
    return 1;
}

HGLOBAL DibToGray(HGLOBAL image)
{
    LockedDib in(image);
    if (!in.ok() || !IsPlainDepth(in.layout().bitCount))
        return nullptr;
    const dib::Layout& l = in.layout();
    win::WaitCursor wait;

    NewDib out(in, l.width, l.height, 8, 256);
    if (!out.ok())
        return nullptr;
    out.header()->biClrUsed = 256;
    out.header()->biClrImportant = 0;
    unsigned char* ramp = out.palette();
    for (int i = 0; i < 256; ++i)
        ramp[4 * i] = ramp[4 * i + 1] = ramp[4 * i + 2] = static_cast<unsigned char>(i);

    // Weights 76 + 150 + 29 = 255, so white stays 255 and no sum overflows a byte.
    unsigned char red[256], green[256], blue[256];
    for (int v = 0; v < 256; ++v) {
        red[v] = static_cast<unsigned char>((76 * v + 127) / 255);
        green[v] = static_cast<unsigned char>((150 * v + 127) / 255);
        blue[v] = static_cast<unsigned char>((29 * v + 127) / 255);
    }
    // Every entry the palette holds, 256 included; indexes beyond it are black.
    unsigned char grayOf[256][1] = {};
    const unsigned char* pal = in.palette();
    for (uint32_t i = 0; i < l.paletteEntries && i < 256; ++i)
        grayOf[i][0] = static_cast<unsigned char>(red[pal[4 * i + 2]] + green[pal[4 * i + 1]] + blue[pal[4 * i]]);

    EscAbortCheck(); // a key pressed before the work began does not stop it
    const bool done = dibconvert::ForEachRow(l.height, [&](int32_t y) {
        const unsigned char* s = in.row(y);
        unsigned char* d = out.row(y);
        if (l.bitCount != 24) {
            dibconvert::ExpandRow(s, l.width, l.bitCount, grayOf, d);
            return;
        }
        for (int32_t x = 0; x < l.width; ++x, s += 3)
            d[x] = static_cast<unsigned char>(red[s[2]] + green[s[1]] + blue[s[0]]);
    });
    return done ? out.release() : nullptr;
}

HGLOBAL InvertDib(HGLOBAL image)
{
    LockedDib in(image);
    if (!in.ok() || !IsPlainDepth(in.layout().bitCount))
        return nullptr;
    const dib::Layout& l = in.layout();
    win::WaitCursor wait;

    // Header and palette as they are; the kind of image decides what is inverted.
    NewDib out(in);
    if (!out.ok())
        return nullptr;
    const bool byPixels = l.bitCount == 24 || l.bitCount == 1 || in.grayRamp();
    if (!byPixels) {
        unsigned char* pal = out.bits() - size_t(l.paletteEntries) * 4;
        for (uint32_t i = 0; i < l.paletteEntries; ++i) {
            pal[4 * i] = static_cast<unsigned char>(255 - pal[4 * i]);
            pal[4 * i + 1] = static_cast<unsigned char>(255 - pal[4 * i + 1]);
            pal[4 * i + 2] = static_cast<unsigned char>(255 - pal[4 * i + 2]);
        }
    }

    EscAbortCheck(); // a key pressed before the work began does not stop it
    const bool done = dibconvert::ForEachRow(l.height, [&](int32_t y) {
        const unsigned char* s = in.row(y);
        unsigned char* d = out.row(y);
        if (!byPixels) {
            memcpy(d, s, l.stride);
            return;
        }
        for (size_t i = 0; i < l.stride; ++i)
            d[i] = static_cast<unsigned char>(~s[i]);
    });
    return done ? out.release() : nullptr;
}

HGLOBAL ScaleDibLevels(HGLOBAL image, int k)
{
    // Worked in 64 bits so that no k overflows; results limited to a byte.
    unsigned char level[256];
    for (int64_t v = 0; v < 256; ++v) {
        int64_t m = k > 0 ? (int64_t(k / 2) + 255 * v) / k : (127 + -int64_t(k) * v) / 255;
        level[v] = static_cast<unsigned char>(m < 0 ? 0 : m > 255 ? 255 : m);
    }

    LockedDib in(image);
    if (!in.ok())
        return nullptr;
    const dib::Layout& l = in.layout();
    if (l.bitCount != 24 && !in.grayRamp())
        return nullptr;

    NewDib out(in);
    if (!out.ok())
        return nullptr;
    // No discarded poll here: an Esc pressed before the scaling began stops it.
    const size_t used = size_t(l.width) * (l.bitCount / 8);
    const bool done = dibconvert::ForEachRow(l.height, [&](int32_t y) {
        const unsigned char* s = in.row(y);
        unsigned char* d = out.row(y);
        for (size_t i = 0; i < used; ++i)
            d[i] = level[s[i]];
    });
    return done ? out.release() : nullptr;
}
