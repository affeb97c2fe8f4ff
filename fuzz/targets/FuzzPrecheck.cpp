// The checks made on BMP, PNG, JPEG, GIF, TIFF and ICO files before the platform's decoder is
// given them. Input: a file; its signature picks the container, as when a file is read.
#include <stdlib.h>
#include "ImgIoInternal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const imgio::Container container = imgio::ContainerOf(data, size < 128 ? size : 128);
    if (container == imgio::Container::None)
        return 0;
    imgio::MemorySource file(data, size);
    imgio::DecodePlan plan;
    if (imgio::PrecheckFile(file, container, &plan) && plan.frame < 0)
        abort(); // a file that passes names a frame
    return 0;
}
