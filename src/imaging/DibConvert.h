// Whole-image conversions used to prepare brush and stamp images, the gray-ramp test and a size
// query. Every conversion returns a new block the caller owns and leaves its input alone; a
// block that is not a well-formed bitmap gives 0 or null.
#pragma once

#include <windows.h>
#include <stddef.h>
#include <stdint.h>
#include <string.h>
#include "win/AbortCheck.h"
#include "win/Dib.h"
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

// The pieces the conversions here and thumbnail building share.
namespace dibconvert {

// The gray-ramp test on a block already locked and checked with dib::Parse.
bool IsGrayPalette(const unsigned char* block, const dib::Layout& layout);

// An input image, locked for the lifetime of the object and checked before anything reads it.
class LockedDib {
public:
    explicit LockedDib(HGLOBAL h) : lock_(h), ok_(lock_ && dib::Parse(lock_.data(), lock_.size(), &layout_)) {}
    LockedDib(const LockedDib&) = delete;
    LockedDib& operator=(const LockedDib&) = delete;

    bool ok() const { return ok_; }
    const dib::Layout& layout() const { return layout_; }
    const unsigned char* bytes() const { return lock_.bytes(); }
    const unsigned char* palette() const { return bytes() + layout_.bitsOffset - size_t(layout_.paletteEntries) * 4; }
    const unsigned char* row(int32_t y) const { return bytes() + layout_.bitsOffset + size_t(y) * layout_.stride; }
    bool grayRamp() const { return IsGrayPalette(bytes(), layout_); }

private:
    win::GlobalLockGuard lock_;
    dib::Layout layout_{};
    bool ok_;
};

// A result image in a new zero-filled block, locked while the object lives. ok() is false when
// the sizes overflow, the pixel bytes do not fit a 32-bit biSizeImage, or memory runs out.
class NewDib {
public:
    // Header and palette copied from the input as they are, and zero rows of the same size.
    explicit NewDib(const LockedDib& like);
    // A plain 40-byte header whatever the input's was: the input's fields with the given size and
    // depth, uncompressed, then room for paletteEntries colours that the caller fills. An image
    // without a palette counts no colours.
    NewDib(const LockedDib& from, int32_t width, int32_t height, uint16_t bitCount, uint32_t paletteEntries);
    NewDib(const NewDib&) = delete;
    NewDib& operator=(const NewDib&) = delete;

    bool ok() const { return bool(lock_); }
    BITMAPINFOHEADER* header() const { return reinterpret_cast<BITMAPINFOHEADER*>(lock_.bytes()); }
    unsigned char* palette() const { return lock_.bytes() + sizeof(BITMAPINFOHEADER); }
    unsigned char* bits() const { return lock_.bytes() + bitsOffset_; }
    unsigned char* row(int32_t y) const { return bits() + size_t(y) * stride_; }
    size_t stride() const { return stride_; }
    // Hands the block to the caller (unlocked once this object goes).
    HGLOBAL release() { return block_.release(); }

private:
    size_t stride_ = 0;
    size_t bitsOffset_ = 0;
    win::GlobalBlock block_;
    win::GlobalLockGuard lock_;
};

// Runs row(y) for every y below height, polling the Esc check before each; false once Esc stops it.
template <typename Row>
bool ForEachRow(int32_t height, Row row)
{
    for (int32_t y = 0; y < height; ++y) {
        if (EscAbortCheck())
            return false;
        row(y);
    }
    return true;
}

// The palette index of pixel x in a row of 1, 4 or 8 bits: 1 bit from bit 7 down, 4 bits high
// nibble first.
template <int Bits>
inline unsigned IndexAt(const unsigned char* row, size_t x)
{
    static_assert(Bits == 1 || Bits == 4 || Bits == 8, "palette depths only");
    if (Bits == 1)
        return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    if (Bits == 4)
        return (x & 1) ? (row[x >> 1] & 0x0Fu) : (row[x >> 1] >> 4u);
    return row[x];
}

// Writes the N-byte table entry of each of the width indexes of a 1-, 4- or 8-bit row in turn;
// the partly used last byte and the padding of the source row give nothing.
template <size_t N>
void ExpandRow(const unsigned char* src, int32_t width, uint16_t bitCount, const unsigned char (*table)[N],
               unsigned char* dst)
{
    const size_t w = size_t(width);
    switch (bitCount) {
    case 8:
        for (size_t x = 0; x < w; ++x, dst += N)
            memcpy(dst, table[IndexAt<8>(src, x)], N);
        break;
    case 4:
        for (size_t x = 0; x < w; ++x, dst += N)
            memcpy(dst, table[IndexAt<4>(src, x)], N);
        break;
    case 1:
        for (size_t x = 0; x < w; ++x, dst += N)
            memcpy(dst, table[IndexAt<1>(src, x)], N);
        break;
    }
}

} // namespace dibconvert
