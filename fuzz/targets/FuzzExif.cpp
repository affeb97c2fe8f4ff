// The headers read from the start of a JPEG before it is decoded: the frame header and the EXIF
// block (orientation, embedded thumbnail). Input: a file.
#include <stdlib.h>
#include "ImgIoInternal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    imgio::MemorySource file(data, size);
    imgio::JpegHeaders h;
    const bool ok = imgio::ReadJpegHeaders(file, &h);
    // Whatever the bytes, the thumbnail found lies inside them and the orientation is a real one.
    if (h.thumbnailLength && (h.thumbnailOffset > size || h.thumbnailLength > size - h.thumbnailOffset))
        abort();
    if (h.orientation < 1 || h.orientation > 8 || (ok && (h.width == 0 || h.height == 0)))
        abort();
    return 0;
}
