// Resampling images for thumbnails and brushes, and widening palette images to 24 bits. Pure
// byte work on packed bitmaps (the fuzz build runs it natively).
#include "album/ThumbBuild.h"
#include "album/ThumbFit.h"

#include <string.h>
#include <stdint.h>
#include <algorithm>
#include <memory>
#include <new>
#include "win/Dib.h"
#include "win/AbortCheck.h"
#include "imaging/DibConvert.h"
#include "win/Handles.h"

// Thumbnails and brushes made here must match, byte for byte, those that albums and brush
// folders already hold, so the resampler's arithmetic is fixed: sample positions are accumulated
// step by step in double precision (never multiplied out), bilinear weights are eighths, and
// every pixel is (32 + weighted sum) / 64. Positions and weights are worked out once per column
// and per row; the pixel loops use whole numbers only.

namespace {

using dibconvert::LockedDib;
using dibconvert::NewDib;

// Forces a value to double precision, so that a 32-bit build keeping it in a wider x87 register
// places samples exactly where a 64-bit build does.
inline double AsDouble(double v)
{
    volatile double r = v;
    return r;
}

// One new pixel's pair of source samples along an axis, as byte offsets: first carries weight
// eighths, second the rest. A sample at the last source index stands alone (second == first,
// weight 8), so the zero-weighted neighbour is never outside the image.
struct Tap {
    size_t first;
    size_t second;
    int weight;
};

void BilinearAxis(int32_t srcCount, int32_t newCount, size_t unit, Tap* taps)
{
    const double ratio = AsDouble(double(srcCount) / double(newCount));
    double pos = 0.0;
    for (int32_t k = 0; k < newCount; ++k) {
        int64_t i = static_cast<int64_t>(pos);
        if (i > srcCount - 1)
            i = srcCount - 1;
        Tap& t = taps[k];
        if (i < srcCount - 1) {
            double w = AsDouble(AsDouble(AsDouble(double(i + 1) - pos) * 8.0) + 0.5);
            t.weight = static_cast<int>(w);
            t.first = size_t(i) * unit;
            t.second = size_t(i + 1) * unit;
        } else {
            t.weight = 8;
            t.first = t.second = size_t(srcCount - 1) * unit;
        }
        pos = AsDouble(pos + ratio);
    }
}

void NearestAxis(int32_t srcCount, int32_t newCount, uint32_t* index)
{
    const double ratio = AsDouble(double(srcCount) / double(newCount));
    double pos = 0.0;
    for (int32_t k = 0; k < newCount; ++k) {
        int64_t i = static_cast<int64_t>(AsDouble(pos + 0.5));
        index[k] = static_cast<uint32_t>(std::min<int64_t>(i, srcCount - 1));
        pos = AsDouble(pos + ratio);
    }
}

template <typename Byte>
struct PixelsOf {
    Byte* bits;
    size_t stride;
    int32_t width;
    int32_t height;
};
using Source = PixelsOf<const unsigned char>;
using Target = PixelsOf<unsigned char>;

// Bilinear resampling of Channels bytes per pixel (3 for blue, green, red; 1 for gray levels).
// p00 * a * c + p01 * (8 - a) * c is computed as (p00 * a + p01 * (8 - a)) * c: the same whole
// number, with the second source row skipped where it carries no weight.
template <int Channels>
bool ResampleBilinear(const Source& src, const Target& dst)
{
    std::unique_ptr<Tap[]> cols(new (std::nothrow) Tap[size_t(dst.width)]);
    std::unique_ptr<Tap[]> rows(new (std::nothrow) Tap[size_t(dst.height)]);
    if (!cols || !rows)
        return false;
    BilinearAxis(src.width, dst.width, Channels, cols.get());
    BilinearAxis(src.height, dst.height, src.stride, rows.get());

    return dibconvert::ForEachRow(dst.height, [&](int32_t y) {
        const unsigned char* r0 = src.bits + rows[y].first;
        const unsigned char* r1 = src.bits + rows[y].second;
        const unsigned c = unsigned(rows[y].weight), c1 = 8 - c;
        unsigned char* d = dst.bits + size_t(y) * dst.stride;
        const Tap* col = cols.get();
        if (c1 == 0) {
            for (int32_t x = 0; x < dst.width; ++x, ++col, d += Channels) {
                const unsigned a = unsigned(col->weight), a1 = 8 - a;
                const unsigned char* p = r0 + col->first;
                const unsigned char* q = r0 + col->second;
                for (int ch = 0; ch < Channels; ++ch)
                    d[ch] = static_cast<unsigned char>((32 + (p[ch] * a + q[ch] * a1) * 8) >> 6);
            }
        } else {
            for (int32_t x = 0; x < dst.width; ++x, ++col, d += Channels) {
                const unsigned a = unsigned(col->weight), a1 = 8 - a;
                const size_t o0 = col->first, o1 = col->second;
                for (int ch = 0; ch < Channels; ++ch) {
                    unsigned top = r0[o0 + ch] * a + r0[o1 + ch] * a1;
                    unsigned bottom = r1[o0 + ch] * a + r1[o1 + ch] * a1;
                    d[ch] = static_cast<unsigned char>((32 + top * c + bottom * c1) >> 6);
                }
            }
        }
    });
}

// Nearest-sample resampling of palette images; 1 and 4 bits are packed from the high bits down.
bool ResampleNearest(const Source& src, const Target& dst, uint16_t bits)
{
    std::unique_ptr<uint32_t[]> cols(new (std::nothrow) uint32_t[size_t(dst.width)]);
    std::unique_ptr<uint32_t[]> rows(new (std::nothrow) uint32_t[size_t(dst.height)]);
    if (!cols || !rows)
        return false;
    NearestAxis(src.width, dst.width, cols.get());
    NearestAxis(src.height, dst.height, rows.get());

    using dibconvert::IndexAt;
    return dibconvert::ForEachRow(dst.height, [&](int32_t y) {
        const unsigned char* s = src.bits + size_t(rows[y]) * src.stride;
        unsigned char* d = dst.bits + size_t(y) * dst.stride;
        switch (bits) {
        case 8:
            for (int32_t x = 0; x < dst.width; ++x)
                d[x] = static_cast<unsigned char>(IndexAt<8>(s, cols[x]));
            break;
        case 4:
            for (int32_t x = 0; x < dst.width; ++x) {
                const unsigned v = IndexAt<4>(s, cols[x]);
                d[x >> 1] = static_cast<unsigned char>(d[x >> 1] | ((x & 1) ? v : v << 4));
            }
            break;
        case 1:
            for (int32_t x = 0; x < dst.width; ++x)
                d[x >> 3] = static_cast<unsigned char>(d[x >> 3] | (IndexAt<1>(s, cols[x]) << (7 - (x & 7))));
            break;
        }
    });
}

// At the same size every position is a whole number and every weight 8, so both methods give
// the source pixels unchanged: the rows' used bytes, with the unused low bits of a partly used
// last byte and the padding left zero.
bool CopySameSize(const Source& src, const Target& dst, uint16_t bits)
{
    const uint64_t usedBits = uint64_t(dst.width) * bits;
    const size_t whole = static_cast<size_t>(usedBits / 8);
    const unsigned rest = unsigned(usedBits % 8);
    const unsigned char mask = static_cast<unsigned char>(0xFF00u >> rest);
    return dibconvert::ForEachRow(dst.height, [&](int32_t y) {
        const unsigned char* s = src.bits + size_t(y) * src.stride;
        unsigned char* d = dst.bits + size_t(y) * dst.stride;
        memcpy(d, s, whole);
        if (rest)
            d[whole] = static_cast<unsigned char>(s[whole] & mask);
    });
}

} // namespace

HGLOBAL ResampleDib(HGLOBAL image, int newWidth, int newHeight, DWORD resolution)
{
    if (newWidth < 1 || newHeight < 1 || !image)
        return nullptr;
    const LockedDib src(image);
    if (!src.ok())
        return nullptr;
    const dib::Layout& in = src.layout();
    const uint16_t bits = in.bitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24)
        return nullptr;
    const bool bilinear = bits == 24 || src.grayRamp();

    // Palette images keep their palette and the header's count of it.
    const uint32_t colours = bits == 24 ? 0 : in.paletteEntries;
    NewDib dst(src, newWidth, newHeight, bits, colours);
    if (!dst.ok())
        return nullptr;
    dst.header()->biXPelsPerMeter = dst.header()->biYPelsPerMeter = LONG(resolution);
    memcpy(dst.palette(), src.palette(), size_t(colours) * 4);

    EscAbortCheck(); // a key pressed before the work began does not stop it

    const Source from{src.row(0), in.stride, in.width, in.height};
    const Target to{dst.bits(), dst.stride(), newWidth, newHeight};
    bool done;
    if (newWidth == in.width && newHeight == in.height)
        done = CopySameSize(from, to, bits);
    else if (!bilinear)
        done = ResampleNearest(from, to, bits);
    else if (bits == 24)
        done = ResampleBilinear<3>(from, to);
    else
        done = ResampleBilinear<1>(from, to);
    return done ? dst.release() : nullptr;
}

HGLOBAL DibTo24Bit(HGLOBAL image)
{
    const LockedDib src(image);
    if (!src.ok())
        return nullptr;
    const dib::Layout& in = src.layout();
    if (in.bitCount != 1 && in.bitCount != 4 && in.bitCount != 8)
        return nullptr;
    win::WaitCursor wait;

    NewDib dst(src, in.width, in.height, 24, 0);
    if (!dst.ok())
        return nullptr;

    // Blue, green, red of every palette entry present; indexes beyond the palette are black.
    unsigned char bgr[256][3] = {};
    const unsigned char* pal = src.palette();
    for (uint32_t i = 0; i < in.paletteEntries && i < 256; ++i)
        memcpy(bgr[i], pal + 4 * i, 3);

    EscAbortCheck(); // a key pressed before the work began does not stop it
    const bool done = dibconvert::ForEachRow(in.height, [&](int32_t y) {
        dibconvert::ExpandRow(src.row(y), in.width, in.bitCount, bgr, dst.row(y));
    });
    return done ? dst.release() : nullptr;
}

namespace album {

void FittedSize(int64_t width, int64_t height, WORD boxWidth, WORD boxHeight, int* newWidth, int* newHeight)
{
    // Images are only ever shrunk, to fit a square of the box's smaller side.
    const int64_t w = width, h = height;
    const int64_t m = std::min(boxWidth, boxHeight);
    int64_t nw = w, nh = h;
    if (std::max(w, h) > m) {
        if (w >= h) {
            nw = m;
            nh = std::max<int64_t>(1, (m * h + w / 2) / w);
        } else {
            nh = m;
            nw = std::max<int64_t>(1, (m * w + h / 2) / h);
        }
    }
    *newWidth = int(nw);
    *newHeight = int(nh);
}

HGLOBAL FitDibToBoxAs(HGLOBAL image, WORD boxWidth, WORD boxHeight, int64_t fullWidth, int64_t fullHeight)
{
    dib::Layout in;
    LONG resolution = 0;
    {
        win::GlobalLockGuard lock(image);
        if (!lock || !dib::Parse(lock.data(), lock.size(), &in))
            return nullptr;
        resolution = static_cast<const BITMAPINFOHEADER*>(lock.data())->biXPelsPerMeter;
    }
    if (fullWidth <= 0 || fullHeight <= 0) {
        fullWidth = in.width;
        fullHeight = in.height;
    }
    int nw, nh;
    FittedSize(fullWidth, fullHeight, boxWidth, boxHeight, &nw, &nh);
    win::GlobalBlock resampled(ResampleDib(image, nw, nh, DWORD(resolution)));
    if (!resampled)
        return nullptr;
    if (in.bitCount == 24)
        return resampled.release();
    return DibTo24Bit(resampled.get());
}

} // namespace album

HGLOBAL FitDibToBox(HGLOBAL image, WORD boxWidth, WORD boxHeight)
{
    return album::FitDibToBoxAs(image, boxWidth, boxHeight, 0, 0);
}
