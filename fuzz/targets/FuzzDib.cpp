// An image block from an album or a host: the bitmap validator, then every conversion and the
// resampler on whatever it accepts. Input: two bytes choosing a box size and a level, then the
// block's bytes.
#include <windows.h>
#include <string.h>
#include <vector>
#include "album/ThumbBuild.h"
#include "imaging/DibConvert.h"
#include "targets/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const int w = 1 + data[0] % 48, h = 1 + data[1] % 48, level = int(data[0]) - int(data[1]);
    data += 2;
    size -= 2;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!block)
        return 0;
    memcpy(GlobalLock(block), data, size);
    GlobalUnlock(block);

    if (dib::IsValidBlock(block)) {
        int width = 0, height = 0;
        GetDibSize(block, &width, &height);
        IsGrayPaletteDib(block);
        ExpectWellFormed(DibToGray(block), "DibToGray");
        ExpectWellFormed(InvertDib(block), "InvertDib");
        ExpectWellFormed(ScaleDibLevels(block, level), "ScaleDibLevels");
        ExpectWellFormed(ResampleDib(block, w, h, 3780), "ResampleDib");
        ExpectWellFormed(DibTo24Bit(block), "DibTo24Bit");
        ExpectWellFormed(FitDibToBox(block, WORD(w), WORD(h)), "FitDibToBox");
    }
    // Inputs are left as they were.
    if (memcmp(GlobalLock(block), data, size) != 0)
        abort();
    GlobalUnlock(block);
    GlobalFree(block);
    return 0;
}
