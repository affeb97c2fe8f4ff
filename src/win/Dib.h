// Packed device-independent bitmaps: a BITMAPINFOHEADER, its palette, then bottom-up rows padded
// to 4 bytes. Every piece of code that interprets an image block checks it here first, so that a
// damaged album cannot make drawing or resampling read outside the block.
#pragma once

#include <windows.h>
#include <stddef.h>
#include <stdint.h>
#include <limits>

namespace dib {

struct Layout {
    uint32_t headerSize;     // biSize
    int32_t width;
    int32_t height;
    uint16_t bitCount;
    uint32_t paletteEntries; // entries present between header and bits
    size_t bitsOffset;       // from the start of the block
    size_t stride;           // bytes per row, a multiple of 4
    size_t imageBytes;       // stride * height
};

// The size arithmetic that decides what may be allocated, for a process whose sizes are Size
// (size_t here; tests also run it with 32-bit sizes, since the 32-bit build cannot be run).
// Bytes per row of a bitmap of the given width and depth, padded to 4; 0 when that many bytes
// cannot be counted in a Size.
template <class Size>
Size StrideFor(int32_t width, uint16_t bitCount)
{
    if (width <= 0 || bitCount == 0)
        return 0;
    const uint64_t stride = (static_cast<uint64_t>(width) * bitCount + 31) / 32 * 4;
    return stride > std::numeric_limits<Size>::max() ? 0 : static_cast<Size>(stride);
}
// Bytes of a block of prefix bytes (header, palette) and height such rows; 0 when they cannot be
// counted in a Size (a wrapped count would allocate a small block for a big image).
template <class Size>
Size BlockBytesFor(uint64_t prefix, int32_t width, int32_t height, uint16_t bitCount)
{
    const uint64_t limit = std::numeric_limits<Size>::max();
    const Size stride = StrideFor<Size>(width, bitCount);
    if (stride == 0 || height <= 0 || prefix > limit || stride > (limit - prefix) / static_cast<uint64_t>(height))
        return 0;
    return static_cast<Size>(prefix + static_cast<uint64_t>(stride) * static_cast<uint64_t>(height));
}

inline size_t Stride(int32_t width, uint16_t bitCount) { return StrideFor<size_t>(width, bitCount); }

// Whether size bytes at data hold a well-formed packed DIB: the plain 40-byte header (not the
// V4/V5 headers, whose colour-space fields and profiles GDI would act on), positive width and
// height, a depth of 1, 4, 8, 16, 24 or 32 bits, uncompressed (or bit fields for 16/32 bits), a
// palette no larger than the depth allows, and every row inside the block. Fills out when given.
bool Parse(const void* data, size_t size, Layout* out = nullptr);

// The bytes (header, palette, rows) that the bitmap header at data declares, without looking at
// anything behind the header: what a block cut short should have held. 0 when size bytes hold no
// header that Parse would accept.
uint64_t DeclaredExtent(const void* data, size_t size);

// The same check for a global memory block (locks it while looking).
bool IsValidBlock(HGLOBAL block, Layout* out = nullptr);

} // namespace dib
