// PCX files as the image library decodes them.
#include "ImgIoInternal.h"
#include "targets/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    imgio::FrameCost cost;
    imgio::LooksLikePcx(data, size, &cost);
    ExpectWellFormed(imgio::DecodePcx(data, size), "DecodePcx");
    return 0;
}
