#include "imaging/DibConvert.h"

#include <string.h>
#include "imaging/AbortCheck.h"

namespace {

// An input image, locked for the lifetime of the object and checked before anything reads it.
class LockedDib {
public:
    explicit LockedDib(HGLOBAL h) : lock_(h), ok_(lock_ && dib::Parse(lock_.data(), lock_.size(), &layout_)) {}

    bool ok() const { return ok_; }
    const dib::Layout& layout() const { return layout_; }
    const unsigned char* bytes() const { return lock_.bytes(); }
    const unsigned char* palette() const { return bytes() + layout_.bitsOffset - size_t(layout_.paletteEntries) * 4; }
    const unsigned char* row(int32_t y) const { return bytes() + layout_.bitsOffset + size_t(y) * layout_.stride; }

private:
    win::GlobalLockGuard lock_;
    dib::Layout layout_{};
    bool ok_;
};

bool IsPlainDepth(uint16_t bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 24; }

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

win::GlobalBlock AllocateDib(size_t prefix, int32_t width, int32_t height, uint16_t bitCount, size_t* stride)
{
    size_t s = dib::Stride(width, bitCount);
    if (s == 0 || height <= 0)
        return {};
    uint64_t image = uint64_t(s) * uint64_t(height);
    if (image / s != uint64_t(height) || image > 0xFFFFFFFFu)
        return {};
    uint64_t total = uint64_t(prefix) + image;
    if (total > SIZE_MAX)
        return {};
    *stride = s;
    return win::GlobalBlock::Allocate(static_cast<size_t>(total), true);
}

} // namespace dibconvert

int IsGrayPaletteDib(HGLOBAL image)
{
    LockedDib in(image);
    return in.ok() && dibconvert::IsGrayPalette(in.bytes(), in.layout()) ? 1 : 0;
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

    size_t stride = 0;
    win::GlobalBlock out = dibconvert::AllocateDib(sizeof(BITMAPINFOHEADER) + 1024, l.width, l.height, 8, &stride);
    if (!out)
        return nullptr;
    win::GlobalLockGuard dst(out.get());
    if (!dst)
        return nullptr;

    BITMAPINFOHEADER bih;
    memcpy(&bih, in.bytes(), sizeof bih);
    bih.biSize = sizeof bih;
    bih.biBitCount = 8;
    bih.biCompression = BI_RGB;
    bih.biClrUsed = 256;
    bih.biClrImportant = 0;
    bih.biSizeImage = DWORD(stride * size_t(l.height));
    memcpy(dst.bytes(), &bih, sizeof bih);
    unsigned char* ramp = dst.bytes() + sizeof bih;
    for (int i = 0; i < 256; ++i) {
        ramp[4 * i] = ramp[4 * i + 1] = ramp[4 * i + 2] = static_cast<unsigned char>(i);
        ramp[4 * i + 3] = 0;
    }

    // Weights 76 + 150 + 29 = 255, so white stays 255 and no sum overflows a byte.
    unsigned char red[256], green[256], blue[256];
    for (int v = 0; v < 256; ++v) {
        red[v] = static_cast<unsigned char>((76 * v + 127) / 255);
        green[v] = static_cast<unsigned char>((150 * v + 127) / 255);
        blue[v] = static_cast<unsigned char>((29 * v + 127) / 255);
    }
    // Every entry the palette holds, 256 included; indexes beyond it are black.
    unsigned char grayOf[256] = {};
    const unsigned char* pal = in.palette();
    for (uint32_t i = 0; i < l.paletteEntries && i < 256; ++i)
        grayOf[i] = static_cast<unsigned char>(red[pal[4 * i + 2]] + green[pal[4 * i + 1]] + blue[pal[4 * i]]);

    unsigned char* bits = dst.bytes() + sizeof bih + 1024;
    const int32_t w = l.width;
    EscAbortCheck(); // a key pressed before the work began does not stop it
    for (int32_t y = 0; y < l.height; ++y) {
        if (EscAbortCheck())
            return nullptr;
        const unsigned char* s = in.row(y);
        unsigned char* d = bits + size_t(y) * stride;
        switch (l.bitCount) {
        case 24:
            for (int32_t x = 0; x < w; ++x, s += 3)
                d[x] = static_cast<unsigned char>(red[s[2]] + green[s[1]] + blue[s[0]]);
            break;
        case 8:
            for (int32_t x = 0; x < w; ++x)
                d[x] = grayOf[s[x]];
            break;
        case 4:
            for (int32_t x = 0; x < w; ++x)
                d[x] = grayOf[(x & 1) ? (s[x >> 1] & 0x0F) : (s[x >> 1] >> 4)];
            break;
        case 1:
            for (int32_t x = 0; x < w; ++x)
                d[x] = grayOf[(s[x >> 3] >> (7 - (x & 7))) & 1];
            break;
        }
    }
    return out.release();
}

HGLOBAL InvertDib(HGLOBAL image)
{
    LockedDib in(image);
    if (!in.ok() || !IsPlainDepth(in.layout().bitCount))
        return nullptr;
    const dib::Layout& l = in.layout();
    win::WaitCursor wait;

    win::GlobalBlock out = win::GlobalBlock::Allocate(l.bitsOffset + l.imageBytes, true);
    if (!out)
        return nullptr;
    win::GlobalLockGuard dst(out.get());
    if (!dst)
        return nullptr;

    // Header and palette as they are; the kind of image decides what is inverted.
    memcpy(dst.bytes(), in.bytes(), l.bitsOffset);
    const bool byPixels = l.bitCount == 24 || l.bitCount == 1 ||
                          (l.bitCount == 8 && dibconvert::IsGrayPalette(in.bytes(), l));
    if (!byPixels) {
        unsigned char* pal = dst.bytes() + l.bitsOffset - size_t(l.paletteEntries) * 4;
        for (uint32_t i = 0; i < l.paletteEntries; ++i) {
            pal[4 * i] = static_cast<unsigned char>(255 - pal[4 * i]);
            pal[4 * i + 1] = static_cast<unsigned char>(255 - pal[4 * i + 1]);
            pal[4 * i + 2] = static_cast<unsigned char>(255 - pal[4 * i + 2]);
        }
    }

    unsigned char* bits = dst.bytes() + l.bitsOffset;
    EscAbortCheck(); // a key pressed before the work began does not stop it
    for (int32_t y = 0; y < l.height; ++y) {
        if (EscAbortCheck())
            return nullptr;
        const unsigned char* s = in.row(y);
        unsigned char* d = bits + size_t(y) * l.stride;
        if (byPixels) {
            for (size_t i = 0; i < l.stride; ++i)
                d[i] = static_cast<unsigned char>(~s[i]);
        } else {
            memcpy(d, s, l.stride);
        }
    }
    return out.release();
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
    if (l.bitCount != 24 && !(l.bitCount == 8 && dibconvert::IsGrayPalette(in.bytes(), l)))
        return nullptr;

    win::GlobalBlock out = win::GlobalBlock::Allocate(l.bitsOffset + l.imageBytes, true);
    if (!out)
        return nullptr;
    win::GlobalLockGuard dst(out.get());
    if (!dst)
        return nullptr;
    memcpy(dst.bytes(), in.bytes(), l.bitsOffset);

    unsigned char* bits = dst.bytes() + l.bitsOffset;
    const size_t used = size_t(l.width) * (l.bitCount / 8);
    for (int32_t y = 0; y < l.height; ++y) {
        if (EscAbortCheck())
            return nullptr;
        const unsigned char* s = in.row(y);
        unsigned char* d = bits + size_t(y) * l.stride;
        for (size_t i = 0; i < used; ++i)
            d[i] = level[s[i]];
    }
    return out.release();
}
