#include <limits.h>
#include <tuple>
#include "imaging/DibConvert.h"
#include "support/TestSupport.h"
#include "support/ScriptedEsc.h"
#include "win/Handles.h"

using namespace testsupport;
using win::GlobalBlock;

namespace {

using Bytes = std::vector<unsigned char>;
const size_t kHeader = sizeof(BITMAPINFOHEADER);

Bytes Ramp(int entries = 256)
{
    Bytes p(size_t(entries) * 4, 0);
    for (size_t i = 0; i < p.size(); ++i)
        p[i] = static_cast<unsigned char>(i % 4 == 3 ? 0 : i / 4);
    return p;
}

// The conversions under one signature; k is the level parameter of the scaling.
HGLOBAL Gray(HGLOBAL h, int) { return DibToGray(h); }
HGLOBAL Invert(HGLOBAL h, int) { return InvertDib(h); }

TEST(DibConvert, GrayRampTestSizeQueryAndUnfitInputs)
{
    // A ramp counted as 0 entries holds all 256, so it is gray; 255 entries are not.
    GlobalBlock ramp(MakePackedDib(4, 2, 8, Ramp(), {}, 0, 0)), shortRamp(MakePackedDib(4, 2, 8, Ramp(255)));
    EXPECT_EQ(std::make_pair(IsGrayPaletteDib(ramp.get()), IsGrayPaletteDib(shortRamp.get())), std::make_pair(1, 0));
    int w = -1, h = -1;
    EXPECT_EQ(std::make_tuple(GetDibSize(ramp.get(), &w, &h), w, h), std::make_tuple(1, 4, 2));

    // Nothing answers for no image, a block too short for its rows or a depth not handled.
    GlobalBlock cut(GlobalReAlloc(MakePackedDib(4, 2, 24), kHeader + 10, GMEM_MOVEABLE));
    GlobalBlock deep(MakePackedDib(2, 2, 16)), deeper(MakePackedDib(2, 2, 32));
    w = h = -1;
    EXPECT_EQ(std::make_tuple(GetDibSize(cut.get(), &w, &h), GetDibSize(nullptr, &w, &h), IsGrayPaletteDib(cut.get())),
              std::make_tuple(0, 0, 0));
    EXPECT_EQ(std::make_pair(w, h), std::make_pair(-1, -1));
    for (HGLOBAL bad : {cut.get(), deep.get(), deeper.get(), HGLOBAL(nullptr)}) {
        EXPECT_EQ(DibToGray(bad), nullptr);
        EXPECT_EQ(InvertDib(bad), nullptr);
        EXPECT_EQ(ScaleDibLevels(bad, 128), nullptr);
    }
    GlobalBlock nibRamp(MakePackedDib(2, 1, 4, Ramp(16)));
    EXPECT_EQ(ScaleDibLevels(nibRamp.get(), 128), nullptr) << "levels: only 24-bit and gray-ramp images";
}

// Whole results: the input's header (gray: 8 bits, 256 colours, new size), palette, rows.
TEST(DibConvert, ConversionsByDepth)
{
    const Bytes ramp = Ramp(), mono = {0, 0, 0, 0, 255, 255, 255, 0}, odd = {1, 2, 3, 4, 250, 251, 252, 253};
    const Bytes nib = {0x12, 0x34, 0x50, 0, 0x12, 0x34, 0x51, 0}, levels = {64, 128, 200, 255, 0, 0x77, 0x77, 0x77};
    Bytes pal16(64, 0);
    pal16[4 * 3 + 2] = 255;                                      // entry 3: red
    pal16[4 * 15] = pal16[4 * 15 + 1] = pal16[4 * 15 + 2] = 255; // entry 15: white
    struct Case {
        HGLOBAL (*convert)(HGLOBAL, int); int k, w, h, bits; Bytes palette, rows, wantPalette, wantRows; long clrUsed;
    };
    const Case cases[] = {
        // Gray from blue, green, red: pure red, white, black, pure green, pure blue; padding stays 0.
        {Gray, 0, 5, 1, 24, {}, {0, 0, 255, 255, 255, 255, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0xEE}, ramp,
         {76, 255, 0, 150, 29, 0, 0, 0}, -1},
        // 1 and 4 bits from the high bits down, the partly used byte giving no pixel.
        {Gray, 0, 10, 1, 1, mono, {0xA5, 0xFF, 0xFF, 0xFF}, ramp, {255, 0, 255, 0, 0, 255, 0, 255, 255, 255, 0, 0}, -1},
        {Gray, 0, 3, 1, 4, pal16, {0x3F, 0x0F}, ramp, {76, 255, 0, 0}, -1},
        // Every entry counts: all 256 when none are counted, the last one too; past a short palette, black.
        {Gray, 0, 3, 1, 8, ramp, {255, 128, 3}, ramp, {255, 128, 3, 0}, 0},
        {Gray, 0, 2, 1, 8, Ramp(2), {1, 200}, ramp, {1, 0, 0, 0}, -1},
        // 24 bits, the gray ramp and 1 bit: pixel bytes inverted, padding too; 4 bits: the palette's colours.
        {Invert, 0, 1, 2, 24, {}, {0, 10, 255, 0, 0, 10, 255, 1}, {}, {255, 245, 0, 255, 255, 245, 0, 254}, -1},
        {Invert, 0, 4, 1, 8, ramp, {0, 1, 200, 255}, ramp, {255, 254, 55, 0}, -1},
        {Invert, 0, 8, 1, 1, odd, {0xF0, 0, 0, 0}, odd, {0x0F, 0xFF, 0xFF, 0xFF}, -1},
        {Invert, 0, 5, 2, 4, odd, nib, {254, 253, 252, 4, 5, 4, 3, 253}, nib, -1},
        // Levels: k = -192 gives (127 + 192 v) / 255, k = 128 stretches 0..128 over 0..255; no k overflows.
        {ScaleDibLevels, -192, 2, 1, 24, {}, {255, 0, 128, 64, 1, 200, 0x77, 0x77}, {},
         {192, 0, 96, 48, 1, 151, 0, 0}, -1},
        {ScaleDibLevels, 128, 5, 1, 8, ramp, levels, ramp, {128, 255, 255, 255, 0, 0, 0, 0}, -1},
        {ScaleDibLevels, INT_MIN, 5, 1, 8, ramp, levels, ramp, {255, 255, 255, 255, 0, 0, 0, 0}, -1},
    };
    for (const Case& c : cases) {
        GlobalBlock in(MakePackedDib(c.w, c.h, c.bits, c.palette, c.rows, 1234, c.clrUsed));
        const Bytes before = BlockBytes(in.get());
        Bytes want(before.begin(), before.begin() + kHeader);
        auto* bih = reinterpret_cast<BITMAPINFOHEADER*>(want.data());
        if (c.convert == Gray)
            bih->biBitCount = 8, bih->biClrUsed = 256, bih->biSizeImage = DWORD(c.wantRows.size());
        want.insert(want.end(), c.wantPalette.begin(), c.wantPalette.end());
        want.insert(want.end(), c.wantRows.begin(), c.wantRows.end());
        GlobalBlock out(c.convert(in.get(), c.k));
        EXPECT_EQ(BlockBytes(out.get()), want) << "case " << &c - cases;
        EXPECT_EQ(BlockBytes(in.get()), before) << "input changed, case " << &c - cases;
    }
}

TEST(DibConvert, EscStopsConversions)
{
    // One discarded poll, then one per row (4); level scaling discards none.
    GlobalBlock rgb(MakePackedDib(6, 4, 24));
    struct Case { HGLOBAL (*convert)(HGLOBAL, int); int escAt; bool done; int polls; };
    const Case cases[] = {{Gray, 1, true, 5}, {Gray, 4, false, 4}, {Invert, 1, true, 5}, {Invert, 5, false, 5},
                          {ScaleDibLevels, 0, true, 4}, {ScaleDibLevels, 1, false, 1}};
    for (const Case& c : cases) {
        ScriptedEsc esc(c.escAt);
        GlobalBlock out(c.convert(rgb.get(), -192));
        EXPECT_EQ(std::make_pair(out.get() != nullptr, ScriptedEsc::polls), std::make_pair(c.done, c.polls)) << c.escAt;
    }
}

} // namespace
