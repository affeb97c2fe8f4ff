// Turning a decoded image the way its EXIF orientation tag says, so that it shows upright.
#include "ImgIoInternal.h"

#include <string.h>
#include "win/Dib.h"

namespace imgio {

void OrientedSize(int orientation, uint32_t width, uint32_t height, uint32_t* shownWidth, uint32_t* shownHeight)
{
    const bool swap = orientation >= 5 && orientation <= 8;
    *shownWidth = swap ? height : width;
    *shownHeight = swap ? width : height;
}

namespace {

// The stored pixel (x, y), both counted from the top left, that shows at (u, v) of the upright
// image, for a stored image of w x h.
inline void SourceOf(int orientation, uint32_t u, uint32_t v, uint32_t w, uint32_t h, uint32_t* x, uint32_t* y)
{
    switch (orientation) {
    case 2: *x = w - 1 - u; *y = v; break;         // mirrored left to right
    case 3: *x = w - 1 - u; *y = h - 1 - v; break; // upside down
    case 4: *x = u; *y = h - 1 - v; break;         // mirrored top to bottom
    case 5: *x = v; *y = u; break;                 // transposed
    case 6: *x = v; *y = h - 1 - u; break;         // turned a quarter left: shown turned right
    case 7: *x = w - 1 - v; *y = h - 1 - u; break; // transversed
    case 8: *x = w - 1 - v; *y = u; break;         // turned a quarter right: shown turned left
    default: *x = u; *y = v; break;
    }
}

} // namespace

HGLOBAL OrientImage(HGLOBAL image, int orientation)
{
    if (!image || orientation < 2 || orientation > 8)
        return image;
    dib::Layout in;
    if (!dib::IsValidBlock(image, &in) || (in.bitCount != 8 && in.bitCount != 24))
        return image;
    const uint32_t w = uint32_t(in.width), h = uint32_t(in.height);
    uint32_t ow, oh;
    OrientedSize(orientation, w, h, &ow, &oh);
    const size_t pixelBytes = in.bitCount / 8;

    DibWriter out;
    if (!out.Create(ow, oh, in.bitCount, in.paletteEntries))
        return image; // no memory for the turned copy: the image as stored is still an image
    {
        win::GlobalLockGuard lock(image);
        if (!lock)
            return image;
        const uint8_t* base = lock.bytes();
        const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(base);
        // The resolution goes with the axis it belongs to.
        if (ow == w)
            out.SetResolution(header->biXPelsPerMeter, header->biYPelsPerMeter);
        else
            out.SetResolution(header->biYPelsPerMeter, header->biXPelsPerMeter);
        if (in.paletteEntries)
            memcpy(out.Palette(), base + in.headerSize, in.paletteEntries * sizeof(RGBQUAD));
        const uint8_t* bits = base + in.bitsOffset;
        auto row = [&](uint32_t y) { return bits + size_t(h - 1 - y) * in.stride; };
        for (uint32_t v = 0; v < oh; ++v) {
            uint8_t* dst = out.Row(v);
            for (uint32_t u = 0; u < ow; ++u) {
                uint32_t x, y;
                SourceOf(orientation, u, v, w, h, &x, &y);
                memcpy(dst + u * pixelBytes, row(y) + x * pixelBytes, pixelBytes);
            }
        }
    }
    HGLOBAL turned = out.Finish();
    if (!turned)
        return image;
    GlobalFree(image);
    return turned;
}

} // namespace imgio
