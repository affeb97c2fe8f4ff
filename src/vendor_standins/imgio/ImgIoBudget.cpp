#include "ImgIoInternal.h"

namespace imgio {

namespace {

// Sides beyond 31 bits fit no bitmap header; below that nothing here can overflow 64 bits.
constexpr uint64_t kMaxSide = 0x7FFFFFFF;

uint64_t Decoded(uint64_t side, unsigned scale) { return (side + scale - 1) / scale; }

uint64_t StoredPixels(const FrameCost& c)
{
    return (c.storedWidth ? c.storedWidth : c.width) * (c.storedHeight ? c.storedHeight : c.height);
}

} // namespace

bool WithinBudget(const FrameCost& c)
{
    if (c.width == 0 || c.height == 0 || c.width > kMaxSide || c.height > kMaxSide || c.storedWidth > kMaxSide ||
        c.storedHeight > kMaxSide || c.scale == 0)
        return false;
    const uint64_t pixels = Decoded(c.width, c.scale) * Decoded(c.height, c.scale);
    if (pixels > kMaxDecodedPixels || c.decodedBits > 1024 || c.storedBits > 1024)
        return false;
    const uint64_t stored = StoredPixels(c);
    if (c.storedBits && stored > kMaxDecoderBytes * 8 / c.storedBits)
        return false;
    return DecoderBytes(c) <= kMaxDecoderBytes;
}

uint64_t DecoderBytes(const FrameCost& c)
{
    if (c.scale == 0 || c.width > kMaxSide || c.height > kMaxSide || c.storedWidth > kMaxSide ||
        c.storedHeight > kMaxSide || c.decodedBits > 1024 || c.storedBits > 1024)
        return UINT64_MAX;
    const uint64_t pixels = Decoded(c.width, c.scale) * Decoded(c.height, c.scale);
    const uint64_t stored = StoredPixels(c);
    if ((c.decodedBits && pixels > UINT64_MAX / 2048) || (c.storedBits && stored > UINT64_MAX / 2048))
        return UINT64_MAX;
    return (pixels * c.decodedBits + stored * c.storedBits + 7) / 8;
}

uint64_t JpegScanWorkLimit(uint64_t frameBlocks)
{
    // Real progressive files have about ten scans, most of them over one component: five passes
    // or so. A small image may have as many scans as it likes within the floor (a fraction of a
    // second of work).
    constexpr uint64_t kPasses = 12, kFloor = uint64_t(1) << 20;
    const uint64_t limit = frameBlocks > UINT64_MAX / kPasses ? UINT64_MAX : frameBlocks * kPasses;
    return limit < kFloor ? kFloor : limit;
}

} // namespace imgio
