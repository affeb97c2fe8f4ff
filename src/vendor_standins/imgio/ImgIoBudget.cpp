#include "ImgIoInternal.h"

namespace imgio {

bool WithinBudget(const FrameCost& c)
{
    // Sides beyond 31 bits fit no bitmap header; below that nothing here can overflow 64 bits.
    constexpr uint64_t kMaxSide = 0x7FFFFFFF;
    if (c.width == 0 || c.height == 0 || c.width > kMaxSide || c.height > kMaxSide || c.scale == 0)
        return false;
    const uint64_t decodedWidth = (c.width + c.scale - 1) / c.scale;
    const uint64_t decodedHeight = (c.height + c.scale - 1) / c.scale;
    const uint64_t pixels = decodedWidth * decodedHeight;
    if (pixels > kMaxDecodedPixels || c.decodedBits > 1024 || c.storedBits > 1024)
        return false;
    const uint64_t stored = c.width * c.height;
    if (c.storedBits && stored > kMaxDecoderBytes * 8 / c.storedBits)
        return false;
    const uint64_t bits = pixels * c.decodedBits + stored * c.storedBits;
    return (bits + 7) / 8 <= kMaxDecoderBytes;
}

} // namespace imgio
