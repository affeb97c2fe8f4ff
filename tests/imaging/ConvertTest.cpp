#include <gtest/gtest.h>
#include <limits.h>
#include <stdint.h>
#include <string.h>
#include <vector>
#include "imaging/AbortCheck.h"
#include "imaging/DibConvert.h"
#include "support/TestSupport.h"

using namespace testsupport;

namespace {

using Bytes = std::vector<unsigned char>;

size_t StrideOf(int width, int bits) { return ((size_t(width) * size_t(bits) + 31) / 32) * 4; }

// A packed bitmap: header, the given palette bytes, then rows filled by fill(row, y).
template <typename Fill>
HGLOBAL MakeImage(int width, int height, int bits, const Bytes& palette, DWORD clrUsed, Fill fill)
{
    BITMAPINFOHEADER bih = {};
    bih.biSize = sizeof bih;
    bih.biWidth = width;
    bih.biHeight = height;
    bih.biPlanes = 1;
    bih.biBitCount = WORD(bits);
    bih.biClrUsed = clrUsed;
    bih.biXPelsPerMeter = 1234;
    size_t stride = StrideOf(width, bits);
    bih.biSizeImage = DWORD(stride * size_t(height));
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof bih + palette.size() + stride * size_t(height));
    auto* p = static_cast<unsigned char*>(GlobalLock(h));
    memcpy(p, &bih, sizeof bih);
    if (!palette.empty())
        memcpy(p + sizeof bih, palette.data(), palette.size());
    for (int y = 0; y < height; ++y)
        fill(p + sizeof bih + palette.size() + size_t(y) * stride, y);
    GlobalUnlock(h);
    return h;
}

Bytes Ramp(int entries = 256)
{
    Bytes p(size_t(entries) * 4);
    for (int i = 0; i < entries; ++i) {
        p[4 * i] = p[4 * i + 1] = p[4 * i + 2] = static_cast<unsigned char>(i);
        p[4 * i + 3] = 0;
    }
    return p;
}

struct Block {
    HGLOBAL h;
    explicit Block(HGLOBAL handle) : h(handle) {}
    ~Block() { if (h) GlobalFree(h); }
    Block(const Block&) = delete;
    Block& operator=(const Block&) = delete;
    Bytes bytes() const { return BlockBytes(h); }
    // A copy of the block's bytes kept for the checks that follow; header() reads that copy.
    const Bytes& Load() { copy_ = BlockBytes(h); return copy_; }
    const BITMAPINFOHEADER* header() const { return reinterpret_cast<const BITMAPINFOHEADER*>(copy_.data()); }
    Bytes copy_;
};

// Answers "Esc" on polls yesFrom to yesTo (just yesFrom when no end is given; 0: never) and
// counts polls; restores the previous check when destroyed.
class ScriptedEsc {
public:
    explicit ScriptedEsc(int yesFrom = 0, int yesTo = 0)
    {
        polls_ = 0;
        from_ = yesFrom;
        to_ = yesTo ? yesTo : yesFrom;
        old_ = SetAbortCheck(&Check);
    }
    ~ScriptedEsc() { SetAbortCheck(old_); }
    static int polls() { return polls_; }

private:
    static bool Check()
    {
        ++polls_;
        return from_ > 0 && polls_ >= from_ && polls_ <= to_;
    }
    static int polls_, from_, to_;
    AbortCheckFn old_;
};
int ScriptedEsc::polls_, ScriptedEsc::from_, ScriptedEsc::to_;

const size_t kHeader = sizeof(BITMAPINFOHEADER);

TEST(DibConvert, GrayPaletteTestAndSizeQuery)
{
    auto noFill = [](unsigned char*, int) {};
    Block gray(MakeImage(4, 2, 8, Ramp(), 256, noFill));
    EXPECT_EQ(IsGrayPaletteDib(gray.h), 1);

    Bytes reserved = Ramp();
    reserved[4 * 9 + 3] = 0xAA; // the fourth byte is not part of the colour
    Block withReserved(MakeImage(4, 2, 8, reserved, 256, noFill));
    EXPECT_EQ(IsGrayPaletteDib(withReserved.h), 1);

    Block shortRamp(MakeImage(4, 2, 8, Ramp(255), 255, noFill));
    EXPECT_EQ(IsGrayPaletteDib(shortRamp.h), 0);

    Bytes off = Ramp();
    off[4 * 200 + 1] = 7;
    Block tinted(MakeImage(4, 2, 8, off, 256, noFill));
    EXPECT_EQ(IsGrayPaletteDib(tinted.h), 0);

    // An 8-bit bitmap that counts no colours carries all 256 of them.
    Block implicit(MakeImage(4, 2, 8, Ramp(), 0, noFill));
    EXPECT_EQ(IsGrayPaletteDib(implicit.h), 1);

    Block rgb(MakeImage(4, 2, 24, {}, 0, noFill));
    EXPECT_EQ(IsGrayPaletteDib(rgb.h), 0);
    EXPECT_EQ(IsGrayPaletteDib(nullptr), 0);

    int w = -1, h = -1;
    EXPECT_EQ(GetDibSize(rgb.h, &w, &h), 1);
    EXPECT_EQ(w, 4);
    EXPECT_EQ(h, 2);
    EXPECT_EQ(GetDibSize(rgb.h, nullptr, &h), 1);
    EXPECT_EQ(GetDibSize(nullptr, &w, &h), 0);

    // A block too short for its rows is not an image: no answer, outputs untouched.
    HGLOBAL cut = GlobalAlloc(GMEM_MOVEABLE, kHeader + 10);
    memcpy(GlobalLock(cut), BlockBytes(rgb.h).data(), kHeader + 10);
    GlobalUnlock(cut);
    Block damaged(cut);
    w = h = -1;
    EXPECT_EQ(GetDibSize(damaged.h, &w, &h), 0);
    EXPECT_EQ(w, -1);
    EXPECT_EQ(IsGrayPaletteDib(damaged.h), 0);
    EXPECT_EQ(DibToGray(damaged.h), nullptr);
    EXPECT_EQ(InvertDib(damaged.h), nullptr);
    EXPECT_EQ(ScaleDibLevels(damaged.h, 128), nullptr);
}

TEST(DibConvert, ToGrayWeighsRedGreenAndBlue)
{
    // Pixels blue, green, red: pure red, white, black, pure green, pure blue.
    const unsigned char px[5][3] = {{0, 0, 255}, {255, 255, 255}, {0, 0, 0}, {0, 255, 0}, {255, 0, 0}};
    Block rgb(MakeImage(5, 2, 24, {}, 0, [&](unsigned char* row, int) {
        for (int x = 0; x < 5; ++x)
            memcpy(row + 3 * x, px[x], 3);
        row[15] = 0xEE; // padding
    }));
    Bytes before = rgb.bytes();
    Block gray(DibToGray(rgb.h));
    ASSERT_NE(gray.h, nullptr);
    const Bytes& g = gray.Load();
    const auto* bih = gray.header();
    EXPECT_EQ(bih->biBitCount, 8);
    EXPECT_EQ(bih->biClrUsed, 256u);
    EXPECT_EQ(bih->biSizeImage, 16u);
    EXPECT_EQ(bih->biXPelsPerMeter, 1234);
    EXPECT_TRUE(Bytes(g.begin() + kHeader, g.begin() + kHeader + 1024) == Ramp());
    const unsigned char* row = g.data() + kHeader + 1024;
    EXPECT_EQ(row[0], 76);
    EXPECT_EQ(row[1], 255);
    EXPECT_EQ(row[2], 0);
    EXPECT_EQ(row[3], 150);
    EXPECT_EQ(row[4], 29);
    EXPECT_EQ(row[5], 0) << "padding";
    EXPECT_EQ(row[8 + 1], 255) << "second row";
    EXPECT_EQ(rgb.bytes(), before) << "input unchanged";

    // Palette images: 1 and 4 bits unpacked from the high bits, every palette entry used.
    Bytes mono = {0, 0, 0, 0, 255, 255, 255, 0};
    Block bw(MakeImage(10, 1, 1, mono, 2, [](unsigned char* r, int) { r[0] = 0xA5; r[1] = 0xFF; }));
    Block bwGray(DibToGray(bw.h));
    ASSERT_NE(bwGray.h, nullptr);
    const unsigned char* b = bwGray.Load().data() + kHeader + 1024;
    const unsigned char want1[10] = {255, 0, 255, 0, 0, 255, 0, 255, 255, 255};
    EXPECT_EQ(0, memcmp(b, want1, 10));
    EXPECT_EQ(b[10], 0) << "the unused bits of the last byte give no pixel";

    Bytes pal16(64, 0);
    pal16[4 * 3 + 2] = 255;                  // entry 3: red
    pal16[4 * 15] = pal16[4 * 15 + 1] = pal16[4 * 15 + 2] = 255; // entry 15: white
    Block nib(MakeImage(3, 1, 4, pal16, 16, [](unsigned char* r, int) { r[0] = 0x3F; r[1] = 0x0F; }));
    Block nibGray(DibToGray(nib.h));
    const unsigned char* n = nibGray.Load().data() + kHeader + 1024;
    EXPECT_EQ(n[0], 76);
    EXPECT_EQ(n[1], 255);
    EXPECT_EQ(n[2], 0);

    // The last entry of a full palette counts; indexes beyond a short palette are black.
    Block ramp(MakeImage(3, 1, 8, Ramp(), 256, [](unsigned char* r, int) { r[0] = 255; r[1] = 128; r[2] = 3; }));
    Block rampGray(DibToGray(ramp.h));
    const unsigned char* rg = rampGray.Load().data() + kHeader + 1024;
    EXPECT_EQ(rg[0], 255);
    EXPECT_EQ(rg[1], 128);
    Block shortPal(MakeImage(2, 1, 8, Ramp(2), 2, [](unsigned char* r, int) { r[0] = 1; r[1] = 200; }));
    Block shortGray(DibToGray(shortPal.h));
    const unsigned char* sg = shortGray.Load().data() + kHeader + 1024;
    EXPECT_EQ(sg[0], 1);
    EXPECT_EQ(sg[1], 0);

    Block deep(MakeImage(2, 2, 32, {}, 0, [](unsigned char*, int) {}));
    EXPECT_EQ(DibToGray(deep.h), nullptr);
    EXPECT_EQ(DibToGray(nullptr), nullptr);
}

TEST(DibConvert, InvertByDepth)
{
    // 24 bits: every byte of the rows, padding included.
    Block rgb(MakeImage(1, 2, 24, {}, 0, [](unsigned char* r, int y) { r[0] = 0; r[1] = 10; r[2] = 255; r[3] = static_cast<unsigned char>(y); }));
    Block rgbInv(InvertDib(rgb.h));
    ASSERT_NE(rgbInv.h, nullptr);
    const Bytes& a = rgbInv.Load();
    EXPECT_EQ(a.size(), kHeader + 8);
    EXPECT_EQ(0, memcmp(a.data(), rgb.bytes().data(), kHeader)) << "header copied";
    const unsigned char wantRgb[8] = {255, 245, 0, 255, 255, 245, 0, 254};
    EXPECT_EQ(0, memcmp(a.data() + kHeader, wantRgb, 8));

    // Gray ramp and 1 bit: palette kept, pixel bytes complemented.
    Block gray(MakeImage(4, 1, 8, Ramp(), 256, [](unsigned char* r, int) { r[0] = 0; r[1] = 1; r[2] = 200; r[3] = 255; }));
    Block grayInv(InvertDib(gray.h));
    const Bytes& g = grayInv.Load();
    EXPECT_TRUE(Bytes(g.begin() + kHeader, g.begin() + kHeader + 1024) == Ramp());
    const unsigned char wantGray[4] = {255, 254, 55, 0};
    EXPECT_EQ(0, memcmp(g.data() + kHeader + 1024, wantGray, 4));

    Bytes mono = {1, 2, 3, 4, 250, 251, 252, 253};
    Block bw(MakeImage(8, 1, 1, mono, 2, [](unsigned char* r, int) { r[0] = 0xF0; }));
    Block bwInv(InvertDib(bw.h));
    const Bytes& m = bwInv.Load();
    EXPECT_TRUE(Bytes(m.begin() + kHeader, m.begin() + kHeader + 8) == mono);
    EXPECT_EQ(m[kHeader + 8], 0x0F);

    // 4 bits and 8 bits with colours: pixels kept, palette colours complemented, reserved bytes kept.
    Bytes pal16(64);
    for (size_t i = 0; i < pal16.size(); ++i)
        pal16[i] = static_cast<unsigned char>(i * 3);
    Block nib(MakeImage(5, 2, 4, pal16, 16, [](unsigned char* r, int y) { r[0] = 0x12; r[1] = 0x34; r[2] = static_cast<unsigned char>(0x50 + y); }));
    Block nibInv(InvertDib(nib.h));
    const Bytes& n = nibInv.Load();
    const Bytes src = nib.bytes();
    for (size_t i = 0; i < 64; ++i) {
        unsigned char want = i % 4 == 3 ? pal16[i] : static_cast<unsigned char>(255 - pal16[i]);
        ASSERT_EQ(n[kHeader + i], want) << i;
    }
    EXPECT_TRUE(Bytes(n.begin() + kHeader + 64, n.end()) == Bytes(src.begin() + kHeader + 64, src.end()));

    Bytes colours = Ramp();
    colours[4 * 7 + 2] = 99;
    Block pal8(MakeImage(2, 1, 8, colours, 256, [](unsigned char* r, int) { r[0] = 7; r[1] = 8; }));
    Block pal8Inv(InvertDib(pal8.h));
    const Bytes& p8 = pal8Inv.Load();
    EXPECT_EQ(p8[kHeader + 4 * 7 + 2], 255 - 99);
    EXPECT_EQ(p8[kHeader + 4 * 8], 255 - 8);
    EXPECT_EQ(p8[kHeader + 1024], 7) << "pixels unchanged";

    Block deep(MakeImage(2, 2, 16, {}, 0, [](unsigned char*, int) {}));
    EXPECT_EQ(InvertDib(deep.h), nullptr);
}

TEST(DibConvert, ScaleLevels)
{
    Block rgb(MakeImage(2, 1, 24, {}, 0, [](unsigned char* r, int) {
        r[0] = 255; r[1] = 0; r[2] = 128; r[3] = 64; r[4] = 1; r[5] = 200; r[6] = 0x77; r[7] = 0x77;
    }));
    Block down(ScaleDibLevels(rgb.h, -192));
    ASSERT_NE(down.h, nullptr);
    const Bytes& d = down.Load();
    const unsigned char wantDown[8] = {192, 0, 96, 48, 1, 151, 0, 0}; // (127 + 192 v) / 255; padding zero
    EXPECT_EQ(0, memcmp(d.data() + kHeader, wantDown, 8));
    EXPECT_EQ(0, memcmp(d.data(), rgb.bytes().data(), kHeader));

    Block gray(MakeImage(5, 1, 8, Ramp(), 256, [](unsigned char* r, int) {
        r[0] = 64; r[1] = 128; r[2] = 200; r[3] = 255; r[4] = 0;
    }));
    Block up(ScaleDibLevels(gray.h, 128));
    ASSERT_NE(up.h, nullptr);
    const Bytes& u = up.Load();
    EXPECT_TRUE(Bytes(u.begin() + kHeader, u.begin() + kHeader + 1024) == Ramp());
    const unsigned char wantUp[5] = {128, 255, 255, 255, 0};
    EXPECT_EQ(0, memcmp(u.data() + kHeader + 1024, wantUp, 5));

    Block zero(ScaleDibLevels(gray.h, 0));
    const Bytes& z = zero.Load();
    EXPECT_EQ(z[kHeader + 1024 + 3], 0);

    // Extreme parameters stay within a byte.
    Block most(ScaleDibLevels(gray.h, INT_MIN));
    EXPECT_EQ(most.Load()[kHeader + 1024 + 0], 255);
    EXPECT_EQ(most.Load()[kHeader + 1024 + 4], 0);
    Block least(ScaleDibLevels(gray.h, INT_MAX));
    EXPECT_EQ(least.Load()[kHeader + 1024 + 3], 0);
    Block one(ScaleDibLevels(gray.h, 1));
    EXPECT_EQ(one.Load()[kHeader + 1024 + 0], 255);

    // Only 24-bit and gray-ramp images.
    Bytes colours = Ramp();
    colours[0] = 5;
    Block pal8(MakeImage(2, 1, 8, colours, 256, [](unsigned char*, int) {}));
    EXPECT_EQ(ScaleDibLevels(pal8.h, 128), nullptr);
    Block nib(MakeImage(2, 1, 4, Ramp(16), 16, [](unsigned char*, int) {}));
    EXPECT_EQ(ScaleDibLevels(nib.h, 128), nullptr);
    EXPECT_EQ(ScaleDibLevels(nullptr, 128), nullptr);
}

TEST(DibConvert, EscStopsConversions)
{
    Block rgb(MakeImage(6, 4, 24, {}, 0, [](unsigned char* r, int y) { memset(r, 40 * y, 18); }));
    // Gray and invert discard one poll before the rows, then poll before each of the 4 rows.
    for (HGLOBAL (*convert)(HGLOBAL) : {&DibToGray, &InvertDib}) {
        {
            ScriptedEsc esc;
            Block out(convert(rgb.h));
            EXPECT_NE(out.h, nullptr);
            EXPECT_EQ(ScriptedEsc::polls(), 5);
        }
        {
            ScriptedEsc esc(1); // a key pressed before the work began
            Block out(convert(rgb.h));
            EXPECT_NE(out.h, nullptr);
        }
        {
            ScriptedEsc esc(4);
            Block out(convert(rgb.h));
            EXPECT_EQ(out.h, nullptr);
        }
    }
    // Level scaling has no discarded poll: Esc pressed before it starts stops it.
    {
        ScriptedEsc esc;
        Block out(ScaleDibLevels(rgb.h, -192));
        EXPECT_NE(out.h, nullptr);
        EXPECT_EQ(ScriptedEsc::polls(), 4);
    }
    {
        ScriptedEsc esc(1);
        Block out(ScaleDibLevels(rgb.h, -192));
        EXPECT_EQ(out.h, nullptr);
    }
}

} // namespace
