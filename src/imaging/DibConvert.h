// Whole-image conversions used to prepare brush and stamp images, the gray-ramp test and a size
// query. Every conversion returns a new block the caller owns and leaves its input alone; a
// block that is not a well-formed bitmap gives 0 or null.
#pragma once

#include <windows.h>
#include <stddef.h>
#include <stdint.h>
#include "album/Dib.h"
#include "win/Handles.h"

// 1 for an 8-bit image whose 256 palette entries are the gray ramp (entry i = i, i, i).
int IsGrayPaletteDib(HGLOBAL image);
// 1 with the image's width and height stored (either output may be null); 0 otherwise.
int GetDibSize(HGLOBAL image, int* width, int* height);
// A 1-, 4-, 8- or 24-bit image as an 8-bit gray-ramp image (gray = 0.30 red + 0.59 green +
// 0.11 blue in whole numbers). Null on failure or Esc.
HGLOBAL DibToGray(HGLOBAL image);
// A 1-, 4-, 8- or 24-bit image inverted at its own depth: 24-bit, gray-ramp and 1-bit images by
// their pixel bytes, other palette images by their palette. Null on failure or Esc.
HGLOBAL InvertDib(HGLOBAL image);
// A 24-bit or gray-ramp 8-bit image with every level mapped: k > 0 stretches 0..k over 0..255,
// k <= 0 compresses 0..255 into 0..-k. Null for other images, on failure or Esc.
HGLOBAL ScaleDibLevels(HGLOBAL image, int k);

namespace dibconvert {

// The gray-ramp test on a block already locked and checked with dib::Parse.
bool IsGrayPalette(const unsigned char* block, const dib::Layout& layout);

// A zero-filled block for prefix bytes (header and palette) and height rows of the given width
// and depth; stride receives the row size. Empty when the sizes overflow, when the pixel bytes
// do not fit a 32-bit biSizeImage, or when memory runs out.
win::GlobalBlock AllocateDib(size_t prefix, int32_t width, int32_t height, uint16_t bitCount,
                             size_t* stride);

} // namespace dibconvert
