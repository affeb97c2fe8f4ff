#include "ImgIoInternal.h"

#include <math.h>
#include "win/Dib.h"

namespace imgio {

// The image's width and height; 0 for no image or a malformed one.
void SizeOf(HGLOBAL image, uint32_t* width, uint32_t* height)
{
    dib::Layout l;
    *width = *height = 0;
    if (image && dib::IsValidBlock(image, &l)) {
        *width = uint32_t(l.width);
        *height = uint32_t(l.height);
    }
}

DibWriter::~DibWriter()
{
    if (header_)
        GlobalUnlock(block_.get());
}

bool DibWriter::Create(uint32_t width, uint32_t height, uint16_t bitCount, uint32_t paletteEntries)
{
    if (header_ || width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF)
        return false;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24)
        return false;
    if (paletteEntries > (bitCount <= 8 ? (1u << bitCount) : 0u))
        return false;
    const size_t bitsOffset = sizeof(BITMAPINFOHEADER) + paletteEntries * sizeof(RGBQUAD);
    const size_t total = dib::BlockBytesFor<size_t>(bitsOffset, int32_t(width), int32_t(height), bitCount);
    const size_t stride = dib::Stride(int32_t(width), bitCount);
    if (total == 0 || total - bitsOffset > kMaxImageBytes)
        return false;
    const uint64_t imageBytes = total - bitsOffset;
    block_ = win::GlobalBlock::Allocate(total, true);
    if (!block_)
        return false;
    auto* base = static_cast<uint8_t*>(GlobalLock(block_.get()));
    if (!base) {
        block_.reset();
        return false;
    }
    header_ = reinterpret_cast<BITMAPINFOHEADER*>(base);
    header_->biSize = sizeof(BITMAPINFOHEADER);
    header_->biWidth = int32_t(width);
    header_->biHeight = int32_t(height);
    header_->biPlanes = 1;
    header_->biBitCount = bitCount;
    header_->biCompression = BI_RGB;
    header_->biSizeImage = DWORD(imageBytes);
    header_->biClrUsed = paletteEntries;
    header_->biClrImportant = 0;
    palette_ = reinterpret_cast<RGBQUAD*>(base + sizeof(BITMAPINFOHEADER));
    bits_ = base + bitsOffset;
    stride_ = stride;
    width_ = width;
    height_ = height;
    return true;
}

void DibWriter::SetResolution(int32_t xPelsPerMeter, int32_t yPelsPerMeter)
{
    if (header_) {
        header_->biXPelsPerMeter = xPelsPerMeter;
        header_->biYPelsPerMeter = yPelsPerMeter;
    }
}

HGLOBAL DibWriter::Finish()
{
    if (!header_)
        return nullptr;
    GlobalUnlock(block_.get());
    header_ = nullptr;
    palette_ = nullptr;
    bits_ = nullptr;
    return block_.release();
}

int32_t PelsPerMeterFromDpi(double dpi)
{
    // Beyond a million dots per inch the value is noise, not a resolution.
    if (!(dpi > 0.0) || dpi > 1.0e6)
        return 0;
    return int32_t(lround(dpi * 10000.0 / 254.0));
}

} // namespace imgio
