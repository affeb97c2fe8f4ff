// Packed device-independent bitmaps: a BITMAPINFOHEADER, its palette, then bottom-up rows padded
// to 4 bytes. Every piece of code that interprets an image block checks it here first, so that a
// damaged album cannot make drawing or resampling read outside the block.
#pragma once

#include <windows.h>
#include <stddef.h>
#include <stdint.h>

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

// Bytes per row of a bitmap of the given width and depth, padded to 4 (0 when it would overflow).
size_t Stride(int32_t width, uint16_t bitCount);

// Whether size bytes at data hold a well-formed packed DIB: a known header size, positive width
// and height, a depth of 1, 4, 8, 16, 24 or 32 bits, uncompressed (or bit fields for 16/32 bits),
// a palette no larger than the depth allows, and every row inside the block. Fills out when given.
bool Parse(const void* data, size_t size, Layout* out = nullptr);

// The same check for a global memory block (locks it while looking).
bool IsValidBlock(HGLOBAL block, Layout* out = nullptr);

} // namespace dib
