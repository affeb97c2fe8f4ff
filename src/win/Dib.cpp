#include "win/Dib.h"

#include <string.h>
#include "win/Handles.h"

namespace dib {

namespace {

// The layout a header declares and the bytes it spans, whatever follows it; false when the header
// is not one Parse accepts.
bool ParseHeader(const void* data, size_t size, Layout* out, uint64_t* extent)
{
    if (!data || size < sizeof(BITMAPINFOHEADER))
        return false;
    BITMAPINFOHEADER bih;
    memcpy(&bih, data, sizeof bih);

    // Images reach here from album files as they were written: a hostile one must not hand GDI
    // a linked or embedded colour profile. Everything we make has the 40-byte header.
    if (bih.biSize != sizeof(BITMAPINFOHEADER))
        return false;
    if (bih.biWidth <= 0 || bih.biHeight <= 0 || bih.biPlanes != 1)
        return false;

    uint32_t maxPalette = 0;
    switch (bih.biBitCount) {
    case 1: case 4: case 8: maxPalette = 1u << bih.biBitCount; break;
    case 16: case 24: case 32: maxPalette = 256; break;
    default: return false;
    }
    bool bitFields = bih.biCompression == BI_BITFIELDS;
    if (bih.biCompression != BI_RGB && !(bitFields && (bih.biBitCount == 16 || bih.biBitCount == 32)))
        return false;
    if (bih.biClrUsed > maxPalette)
        return false;
    uint32_t entries = bih.biClrUsed;
    if (entries == 0 && bih.biBitCount <= 8)
        entries = maxPalette;

    uint64_t bitsOffset = uint64_t(bih.biSize) + uint64_t(entries) * sizeof(RGBQUAD);
    if (bitFields) // the three masks follow the header
        bitsOffset += 3 * sizeof(DWORD);

    size_t stride = Stride(bih.biWidth, bih.biBitCount);
    if (stride == 0)
        return false;
    uint64_t imageBytes = uint64_t(stride) * uint64_t(bih.biHeight);
    if (imageBytes / stride != uint64_t(bih.biHeight) || imageBytes > UINT64_MAX - bitsOffset)
        return false;

    out->headerSize = bih.biSize;
    out->width = bih.biWidth;
    out->height = bih.biHeight;
    out->bitCount = bih.biBitCount;
    out->paletteEntries = entries;
    out->stride = stride;
    *extent = bitsOffset + imageBytes;
    return true;
}

} // namespace

uint64_t DeclaredExtent(const void* data, size_t size)
{
    Layout layout;
    uint64_t extent = 0;
    return ParseHeader(data, size, &layout, &extent) ? extent : 0;
}

bool Parse(const void* data, size_t size, Layout* out)
{
    Layout layout;
    uint64_t extent = 0;
    if (!ParseHeader(data, size, &layout, &extent) || extent > size)
        return false;
    if (out) {
        *out = layout;
        out->imageBytes = layout.stride * static_cast<size_t>(layout.height);
        out->bitsOffset = static_cast<size_t>(extent) - out->imageBytes;
    }
    return true;
}

bool IsValidBlock(HGLOBAL block, Layout* out)
{
    win::GlobalLockGuard lock(block);
    return lock && Parse(lock.data(), lock.size(), out);
}

} // namespace dib
