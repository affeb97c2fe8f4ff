// A JPEG file in memory read with the library, for a picture of known size or at full size: the
// embedded thumbnail when it may stand in, or the image decoded at the largest reduction that
// still gives the size asked for, turned upright by its EXIF orientation.
#include "ImgIoInternal.h"

#include <algorithm>

namespace imgio {
namespace {

// The reduction (1, 2, 4 or 8) to decode a frame of width x height with: the largest whose
// result, rounded up as the decoder rounds, is still at least minWidth x minHeight. 1 when no
// minimum is asked for.
unsigned ReductionFor(uint32_t width, uint32_t height, uint32_t minWidth, uint32_t minHeight)
{
    if (minWidth == 0 && minHeight == 0)
        return 1;
    for (unsigned s = 8; s > 1; s /= 2)
        if ((width + s - 1) / s >= minWidth && (height + s - 1) / s >= minHeight)
            return s;
    return 1;
}

// Whether a thumbnail of tw x th has the shape of an image of w x h: its height within a pixel
// of the image's height scaled to its width, or its width of the scaled width.
bool SameShape(uint64_t tw, uint64_t th, uint64_t w, uint64_t h)
{
    const uint64_t a = th * w, b = tw * h;
    const uint64_t diff = a > b ? a - b : b - a;
    return diff <= (w > h ? w : h);
}

// The embedded thumbnail of a JPEG in memory, upright, when it decodes, is big enough and has
// the image's shape; null otherwise.
HGLOBAL EmbeddedThumbnail(const uint8_t* data, const JpegHeaders& h, const IMGIOSIZEDREAD& request,
                          uint32_t shownWidth, uint32_t shownHeight, uint64_t* charged)
{
    if (!h.thumbnailLength)
        return nullptr;
    const uint8_t* thumb = data + h.thumbnailOffset;
    MemorySource source(thumb, h.thumbnailLength);
    DecodePlan plan;
    HGLOBAL image = nullptr;
    if (!PrecheckFile(source, Container::Jpeg, &plan))
        return nullptr;
    *charged = std::max(*charged, plan.decoderBytes + plan.workingBytes);
    if (DecodeJpeg(thumb, h.thumbnailLength, 1, &image) != JpegResult::Ok)
        return nullptr;
    image = OrientImage(image, h.orientation);
    uint32_t tw, th;
    SizeOf(image, &tw, &th);
    if (tw < request.nEmbeddedWidth || th < request.nEmbeddedHeight || !SameShape(tw, th, shownWidth, shownHeight)) {
        GlobalFree(image);
        return nullptr;
    }
    return image;
}

} // namespace

JpegResult ReadJpegBytes(LPCSTR path, const uint8_t* data, size_t size, IMGIOSIZEDREAD* request, HGLOBAL* image,
                         uint64_t* charged)
{
    *image = nullptr;
    uint64_t granted = 0;
    if (!charged)
        charged = &granted;
    *charged = 0;
    if (!HaveJpegDecoder())
        return JpegResult::Unsupported;
    MemorySource bytes(data, size);
    JpegHeaders h;
    const bool headers = ReadJpegHeaders(bytes, &h);
    if (!headers)
        h = JpegHeaders(); // the checks below decide; decoded at full size, as stored
    uint32_t shownWidth, shownHeight;
    OrientedSize(h.orientation, h.width, h.height, &shownWidth, &shownHeight);
    if (request) {
        request->nImageWidth = shownWidth;
        request->nImageHeight = shownHeight;
        request->nReduction = 1;
    }

    if (headers && request && (request->dwFlags & IMGIO_SIZED_EMBEDDED)) {
        if (HGLOBAL thumb = EmbeddedThumbnail(data, h, *request, shownWidth, shownHeight, charged)) {
            // Only a file that passes its own checks gives its thumbnail.
            DecodePlan plan;
            plan.scale = 8;
            if (!PrecheckFile(bytes, Container::Jpeg, &plan)) {
                GlobalFree(thumb);
                return JpegResult::Failed;
            }
            request->nReduction = 0;
            *image = thumb;
            return JpegResult::Ok;
        }
    }

    // The minimum applies to the upright image; the decoder reduces the stored one.
    unsigned scale = 1;
    if (headers && request) {
        const bool turned = shownWidth != h.width;
        scale = ReductionFor(h.width, h.height, turned ? request->nMinHeight : request->nMinWidth,
                             turned ? request->nMinWidth : request->nMinHeight);
    }
    DecodePlan plan;
    plan.scale = scale;
    if (!PrecheckFile(bytes, Container::Jpeg, &plan))
        return JpegResult::Failed;
    *charged = std::max(*charged, plan.decoderBytes + plan.workingBytes);
    BeforeDecode(path);
    const JpegResult result = DecodeJpeg(data, size, scale, image);
    if (result != JpegResult::Ok)
        return result;
    *image = OrientImage(*image, h.orientation);
    if (request) {
        request->nReduction = scale;
        if (!headers) // what the headers could not say, the image does
            SizeOf(*image, &request->nImageWidth, &request->nImageHeight);
    }
    return JpegResult::Ok;
}

} // namespace imgio
