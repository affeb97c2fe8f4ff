// TGA files as the image library decodes them.
#include "ImgIoInternal.h"
#include "targets/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    imgio::FrameCost cost;
    imgio::LooksLikeTga(data, size, &cost);
    ExpectWellFormed(imgio::DecodeTga(data, size), "DecodeTga");
    return 0;
}
