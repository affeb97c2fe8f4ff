#include <gtest/gtest.h>
#include <stdint.h>
#include <string.h>
#include <algorithm>
#include <random>
#include <string>
#include <vector>
#include "album/SourceFile.h"
#include "album/ThumbBuild.h"
#include "imaging/AbortCheck.h"
#include "support/TestSupport.h"

using namespace testsupport;

namespace {

// A bitmap spelled out field by field, independently of the code under test.
struct Image {
    int width = 0, height = 0, bits = 24;
    DWORD clrUsed = 0;
    LONG xRes = 0, yRes = 0;
    std::vector<unsigned char> palette; // blue, green, red, reserved per entry
    std::vector<unsigned char> rows;    // bottom-up, padded to 4

    size_t Stride() const { return ((size_t(width) * size_t(bits) + 31) / 32) * 4; }
    void Allocate() { rows.assign(Stride() * size_t(height), 0); }
    unsigned char* Row(int y) { return &rows[size_t(y) * Stride()]; }
    const unsigned char* Row(int y) const { return &rows[size_t(y) * Stride()]; }

    // Palette index (1, 4, 8 bits) or channel ch (24 bits) of pixel x, y.
    unsigned Get(int x, int y, int ch = 0) const
    {
        const unsigned char* r = Row(y);
        switch (bits) {
        case 24: return r[3 * x + ch];
        case 8: return r[x];
        case 4: return x % 2 ? r[x / 2] & 15 : r[x / 2] >> 4;
        default: return (r[x / 8] >> (7 - x % 8)) & 1;
        }
    }
    void Set(int x, int y, unsigned v, int ch = 0)
    {
        unsigned char* r = Row(y);
        switch (bits) {
        case 24: r[3 * x + ch] = static_cast<unsigned char>(v); break;
        case 8: r[x] = static_cast<unsigned char>(v); break;
        case 4: r[x / 2] = static_cast<unsigned char>(x % 2 ? (r[x / 2] & 0xF0) | v : (r[x / 2] & 0x0F) | (v << 4)); break;
        default: r[x / 8] = static_cast<unsigned char>((r[x / 8] & ~(1u << (7 - x % 8))) | (v << (7 - x % 8))); break;
        }
    }
};

HGLOBAL ToBlock(const Image& img, size_t extra = 0)
{
    BITMAPINFOHEADER bih = {};
    bih.biSize = sizeof bih;
    bih.biWidth = img.width;
    bih.biHeight = img.height;
    bih.biPlanes = 1;
    bih.biBitCount = WORD(img.bits);
    bih.biClrUsed = img.clrUsed;
    bih.biSizeImage = DWORD(img.rows.size());
    bih.biXPelsPerMeter = img.xRes;
    bih.biYPelsPerMeter = img.yRes;
    size_t size = sizeof bih + img.palette.size() + img.rows.size() + extra;
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    auto* p = static_cast<unsigned char*>(GlobalLock(h));
    memcpy(p, &bih, sizeof bih);
    if (!img.palette.empty())
        memcpy(p + sizeof bih, img.palette.data(), img.palette.size());
    if (!img.rows.empty())
        memcpy(p + sizeof bih + img.palette.size(), img.rows.data(), img.rows.size());
    GlobalUnlock(h);
    return h;
}

Image FromBlock(HGLOBAL h)
{
    Image img;
    std::vector<unsigned char> b = BlockBytes(h);
    if (b.size() < sizeof(BITMAPINFOHEADER))
        return img;
    BITMAPINFOHEADER bih;
    memcpy(&bih, b.data(), sizeof bih);
    img.width = bih.biWidth;
    img.height = bih.biHeight;
    img.bits = bih.biBitCount;
    img.clrUsed = bih.biClrUsed;
    img.xRes = bih.biXPelsPerMeter;
    img.yRes = bih.biYPelsPerMeter;
    size_t entries = bih.biClrUsed ? bih.biClrUsed : (img.bits <= 8 ? 1u << img.bits : 0);
    size_t at = bih.biSize;
    img.palette.assign(b.begin() + long(at), b.begin() + long(at + 4 * entries));
    at += 4 * entries;
    size_t need = img.Stride() * size_t(img.height);
    EXPECT_GE(b.size(), at + need) << "block shorter than its bitmap";
    if (b.size() >= at + need)
        img.rows.assign(b.begin() + long(at), b.begin() + long(at + need));
    EXPECT_EQ(bih.biSizeImage, need);
    return img;
}

std::vector<unsigned char> GrayRamp()
{
    std::vector<unsigned char> p(1024);
    for (int i = 0; i < 256; ++i) {
        p[4 * i] = p[4 * i + 1] = p[4 * i + 2] = static_cast<unsigned char>(i);
        p[4 * i + 3] = 0;
    }
    return p;
}

// Every byte random, the padding and unused bits of the rows included: none of it may leak.
Image RandomImage(std::mt19937& rng, int width, int height, int bits, bool gray = false)
{
    Image img;
    img.width = width;
    img.height = height;
    img.bits = bits;
    if (bits <= 8) {
        img.clrUsed = 1u << bits;
        if (gray) {
            img.palette = GrayRamp();
        } else {
            img.palette.resize(4 * img.clrUsed);
            for (auto& c : img.palette)
                c = static_cast<unsigned char>(rng());
        }
    }
    img.Allocate();
    for (auto& c : img.rows)
        c = static_cast<unsigned char>(rng());
    return img;
}

// The resampler written out directly: positions accumulated per step, weights in eighths,
// zero-weighted neighbours skipped.
// Double precision throughout, also where a 32-bit build would keep values in wider registers.
double D(double v)
{
    volatile double r = v;
    return r;
}

std::vector<double> Positions(int from, int to)
{
    std::vector<double> v;
    double ratio = D(double(from) / double(to)), pos = 0.0;
    for (int k = 0; k < to; ++k) {
        v.push_back(pos);
        pos = D(pos + ratio);
    }
    return v;
}

Image Reference(const Image& src, int nw, int nh, bool bilinear)
{
    Image out;
    out.width = nw;
    out.height = nh;
    out.bits = src.bits;
    out.palette = src.bits == 24 ? std::vector<unsigned char>() : src.palette;
    out.Allocate();
    std::vector<double> px = Positions(src.width, nw), py = Positions(src.height, nh);
    for (int y = 0; y < nh; ++y) {
        for (int x = 0; x < nw; ++x) {
            if (!bilinear) {
                int sx = std::min(int(D(px[x] + 0.5)), src.width - 1);
                int sy = std::min(int(D(py[y] + 0.5)), src.height - 1);
                out.Set(x, y, src.Get(sx, sy));
                continue;
            }
            int i = int(px[x]), j = int(py[y]), a = 8, c = 8;
            if (i < src.width - 1)
                a = int(D(D(D(i + 1 - px[x]) * 8) + 0.5));
            else
                i = src.width - 1;
            if (j < src.height - 1)
                c = int(D(D(D(j + 1 - py[y]) * 8) + 0.5));
            else
                j = src.height - 1;
            for (int ch = 0; ch < (src.bits == 24 ? 3 : 1); ++ch) {
                int sum = 32 + int(src.Get(i, j, ch)) * a * c;
                if (a < 8)
                    sum += int(src.Get(i + 1, j, ch)) * (8 - a) * c;
                if (c < 8)
                    sum += int(src.Get(i, j + 1, ch)) * a * (8 - c);
                if (a < 8 && c < 8)
                    sum += int(src.Get(i + 1, j + 1, ch)) * (8 - a) * (8 - c);
                out.Set(x, y, unsigned(sum / 64), ch);
            }
        }
    }
    return out;
}

// Answers "Esc" on chosen polls and counts them; restores the previous check when destroyed.
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
    static void Always() { from_ = 1, to_ = 0x7FFFFFFF; }

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

struct Block {
    HGLOBAL h;
    explicit Block(HGLOBAL handle) : h(handle) {}
    ~Block() { if (h) GlobalFree(h); }
    Block(const Block&) = delete;
    Block& operator=(const Block&) = delete;
};

void WriteBmp(const std::string& path, const Image& img)
{
    Block dib(ToBlock(img));
    std::vector<unsigned char> packed = BlockBytes(dib.h);
    BITMAPFILEHEADER fh = {};
    fh.bfType = 0x4D42;
    fh.bfSize = DWORD(sizeof fh + packed.size());
    fh.bfOffBits = DWORD(sizeof fh + sizeof(BITMAPINFOHEADER) + img.palette.size());
    std::vector<unsigned char> bytes(sizeof fh + packed.size());
    memcpy(bytes.data(), &fh, sizeof fh);
    memcpy(bytes.data() + sizeof fh, packed.data(), packed.size());
    WriteBytes(path, bytes);
}

void SetTimes(const std::string& path, uint32_t created, uint32_t written)
{
    auto toFileTime = [](uint32_t s) {
        uint64_t t = uint64_t(s) * 10000000ull + 116444736000000000ull;
        FILETIME ft = {DWORD(t), DWORD(t >> 32)};
        return ft;
    };
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FILETIME c = toFileTime(created), w = toFileTime(written);
    EXPECT_TRUE(SetFileTime(h, &c, nullptr, &w));
    CloseHandle(h);
}

void ExpectSameImage(const Image& got, const Image& want, const std::string& what)
{
    EXPECT_EQ(got.width, want.width) << what;
    EXPECT_EQ(got.height, want.height) << what;
    EXPECT_EQ(got.bits, want.bits) << what;
    EXPECT_EQ(got.palette, want.palette) << what;
    EXPECT_TRUE(got.rows == want.rows) << what;
}

// ---------------------------------------------------------------------------------------------

TEST(Resample, MatchesTheReferenceOnRandomImagesAndSizes)
{
    std::mt19937 rng(2024);
    struct Kind { int bits; bool gray; bool bilinear; };
    const Kind kinds[] = {{24, false, true}, {8, true, true}, {8, false, false}, {4, false, false}, {1, false, false}};
    for (const Kind& k : kinds) {
        for (int n = 0; n < 60; ++n) {
            int w = 1 + int(rng() % 40), h = 1 + int(rng() % 30);
            // Mostly shrinking, some enlarging, and now and then the same size on one axis.
            int nw = n % 7 == 0 ? w : 1 + int(rng() % 48), nh = n % 5 == 0 ? h : 1 + int(rng() % 36);
            Image src = RandomImage(rng, w, h, k.bits, k.gray);
            Block in(ToBlock(src));
            Block out(ResampleDib(in.h, nw, nh, 3780));
            ASSERT_NE(out.h, nullptr);
            Image got = FromBlock(out.h);
            std::string what = std::to_string(k.bits) + (k.gray ? "g " : " ") + std::to_string(w) + "x" +
                               std::to_string(h) + " -> " + std::to_string(nw) + "x" + std::to_string(nh);
            ExpectSameImage(got, Reference(src, nw, nh, k.bilinear), what);
            EXPECT_EQ(got.xRes, 3780);
            EXPECT_EQ(got.yRes, 3780);
            EXPECT_EQ(BlockBytes(in.h), BlockBytes(Block(ToBlock(src)).h)) << "input changed";
            if (HasFailure())
                return;
        }
    }
}

TEST(Resample, SameSizeGivesTheSourcePixelsWithCleanPadding)
{
    std::mt19937 rng(7);
    for (int bits : {1, 4, 8, 24}) {
        for (int w : {1, 3, 7, 9, 13}) {
            Image src = RandomImage(rng, w, 5, bits, false);
            Block in(ToBlock(src));
            Block out(ResampleDib(in.h, w, 5, 0));
            ASSERT_NE(out.h, nullptr);
            Image got = FromBlock(out.h);
            // The reference writes only pixels: the source's garbage in padding and unused bits
            // must not be copied.
            ExpectSameImage(got, Reference(src, w, 5, bits == 24), "same size " + std::to_string(bits));
        }
    }
}

TEST(Resample, KnownValues)
{
    // 3 -> 2: positions 0 and 1.5. Column 0 with weight 8 (its neighbour weighs nothing), then
    // columns 1 and 2 with weight (2 - 1.5) * 8 + 0.5 -> 4 for column 1.
    Image src;
    src.width = 3;
    src.height = 1;
    src.bits = 8;
    src.clrUsed = 256;
    src.palette = GrayRamp();
    src.Allocate();
    src.Set(0, 0, 10);
    src.Set(1, 0, 100);
    src.Set(2, 0, 201);
    Block in(ToBlock(src));
    Block out(ResampleDib(in.h, 2, 1, 0));
    Image got = FromBlock(out.h);
    ASSERT_EQ(got.width, 2);
    EXPECT_EQ(got.Get(0, 0), 10u);
    EXPECT_EQ(got.Get(1, 0), (32u + 100u * 4 * 8 + 201u * 4 * 8) / 64); // 151 (150.5 rounded)

    // Enlarging 2 -> 4 on both axes: the last position sits past the last pair and stands alone.
    Image rgb;
    rgb.width = 2;
    rgb.height = 2;
    rgb.Allocate();
    for (int ch = 0; ch < 3; ++ch) {
        rgb.Set(0, 0, 0, ch);
        rgb.Set(1, 0, 64, ch);
        rgb.Set(0, 1, 128, ch);
        rgb.Set(1, 1, 255, ch);
    }
    Block in2(ToBlock(rgb));
    Block out2(ResampleDib(in2.h, 4, 4, 0));
    Image big = FromBlock(out2.h);
    EXPECT_EQ(big.Get(1, 0), 32u); // (32 + 0 * 4 * 8 + 64 * 4 * 8) / 64
    EXPECT_EQ(big.Get(3, 3), 255u);
    EXPECT_EQ(big.Get(1, 1, 2), (32u + 0 * 16 + 64 * 16 + 128 * 16 + 255 * 16) / 64);
}

TEST(Resample, RefusesWhatItCannotResample)
{
    std::mt19937 rng(1);
    Image src = RandomImage(rng, 8, 8, 24);
    Block in(ToBlock(src));
    EXPECT_EQ(ResampleDib(in.h, 0, 4, 0), nullptr);
    EXPECT_EQ(ResampleDib(in.h, 4, -1, 0), nullptr);
    EXPECT_EQ(ResampleDib(nullptr, 4, 4, 0), nullptr);
    EXPECT_EQ(ResampleDib(in.h, 0x7FFFFFFF, 0x7FFFFFFF, 0), nullptr) << "absurd size";

    for (int bits : {16, 32}) {
        Image deep = RandomImage(rng, 8, 8, bits);
        Block d(ToBlock(deep));
        EXPECT_EQ(ResampleDib(d.h, 4, 4, 0), nullptr) << bits;
    }
}

TEST(Resample, EscIsPolledBeforeEveryRowAfterOneDiscardedPoll)
{
    std::mt19937 rng(3);
    Image src = RandomImage(rng, 20, 20, 24);
    Block in(ToBlock(src));
    {
        ScriptedEsc esc;
        Block out(ResampleDib(in.h, 10, 7, 0));
        EXPECT_NE(out.h, nullptr);
        EXPECT_EQ(ScriptedEsc::polls(), 1 + 7);
    }
    {
        ScriptedEsc esc(1); // a key pressed before the work began
        Block out(ResampleDib(in.h, 10, 7, 0));
        EXPECT_NE(out.h, nullptr);
    }
    {
        ScriptedEsc esc(3); // pressed while the second row is due
        Block out(ResampleDib(in.h, 10, 7, 0));
        EXPECT_EQ(out.h, nullptr);
        EXPECT_EQ(ScriptedEsc::polls(), 3);
    }
    {
        ScriptedEsc esc(2); // also at the same size
        Block out(ResampleDib(in.h, 20, 20, 0));
        EXPECT_EQ(out.h, nullptr);
    }
}

TEST(DibTo24Bit, ExpandsPaletteImagesThroughTheirPalette)
{
    std::mt19937 rng(11);
    for (int bits : {1, 4, 8}) {
        for (int w : {1, 5, 9, 17}) {
            Image src = RandomImage(rng, w, 3, bits);
            Block in(ToBlock(src));
            Block out(DibTo24Bit(in.h));
            ASSERT_NE(out.h, nullptr);
            Image got = FromBlock(out.h);
            ASSERT_EQ(got.bits, 24);
            EXPECT_EQ(got.clrUsed, 0u);
            EXPECT_TRUE(got.palette.empty());
            Image want;
            want.width = w;
            want.height = 3;
            want.Allocate();
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < w; ++x)
                    for (int ch = 0; ch < 3; ++ch)
                        want.Set(x, y, src.palette[4 * src.Get(x, y) + size_t(ch)], ch);
            EXPECT_TRUE(got.rows == want.rows) << bits << " bits, width " << w;
        }
    }

    // An 8-bit image that counts no colours carries all 256; indexes past a short palette are black.
    Image full = RandomImage(rng, 6, 2, 8);
    full.clrUsed = 0;
    Block fullIn(ToBlock(full));
    Block converted(DibTo24Bit(fullIn.h));
    Image c = FromBlock(converted.h);
    ASSERT_EQ(c.width, 6);
    EXPECT_EQ(c.Get(3, 1, 2), full.palette[4 * full.Get(3, 1) + 2]);

    Image shortPal;
    shortPal.width = 2;
    shortPal.height = 1;
    shortPal.bits = 8;
    shortPal.clrUsed = 2;
    shortPal.palette = {10, 20, 30, 0, 40, 50, 60, 0};
    shortPal.Allocate();
    shortPal.Set(0, 0, 1);
    shortPal.Set(1, 0, 200);
    Block sp(ToBlock(shortPal));
    Block spOut(DibTo24Bit(sp.h));
    Image s = FromBlock(spOut.h);
    EXPECT_EQ(s.Get(0, 0, 0), 40u);
    EXPECT_EQ(s.Get(0, 0, 2), 60u);
    EXPECT_EQ(s.Get(1, 0, 0) + s.Get(1, 0, 1) + s.Get(1, 0, 2), 0u);

    // Nothing to widen, and nothing to stop it from being cancelled.
    Image rgb = RandomImage(rng, 4, 4, 24);
    Block rgbIn(ToBlock(rgb));
    EXPECT_EQ(DibTo24Bit(rgbIn.h), nullptr);
    ScriptedEsc esc(2);
    Block cancelled(DibTo24Bit(fullIn.h));
    EXPECT_EQ(cancelled.h, nullptr);
}

TEST(FitDibToBox, ShrinksToTheBoxKeepingTheAspect)
{
    struct Case { int w, h; WORD bw, bh; int nw, nh; };
    const Case cases[] = {
        {640, 480, 100, 80, 80, 60},  // m = 80, (80 * 480 + 320) / 640 = 60
        {480, 640, 100, 80, 60, 80},
        {1000, 3, 64, 64, 64, 1},     // rounds to 0, raised to 1
        {3, 1000, 64, 64, 1, 64},
        {50, 40, 100, 100, 50, 40},   // never enlarged
        {100, 100, 100, 100, 100, 100},
        {101, 100, 100, 100, 100, 99},
    };
    std::mt19937 rng(5);
    for (const Case& c : cases) {
        Image src = RandomImage(rng, c.w, c.h, 24);
        src.xRes = 2835;
        Block in(ToBlock(src));
        Block out(FitDibToBox(in.h, c.bw, c.bh));
        ASSERT_NE(out.h, nullptr);
        Image got = FromBlock(out.h);
        EXPECT_EQ(got.width, c.nw) << c.w << "x" << c.h;
        EXPECT_EQ(got.height, c.nh) << c.w << "x" << c.h;
        EXPECT_EQ(got.bits, 24);
        EXPECT_EQ(got.xRes, 2835);
        EXPECT_EQ(got.yRes, 2835);
        ExpectSameImage(got, Reference(src, c.nw, c.nh, true), "fit");
    }

    // The 50 x 40 image fitted 1:1 is the very same picture.
    Image small = RandomImage(rng, 50, 40, 24);
    Block in(ToBlock(small));
    Block out(FitDibToBox(in.h, 100, 100));
    Image copy = FromBlock(out.h);
    for (int y = 0; y < 40; ++y)
        EXPECT_EQ(0, memcmp(copy.Row(y), small.Row(y), 150)) << y;

    Block none(FitDibToBox(in.h, 0, 100));
    EXPECT_EQ(none.h, nullptr) << "an empty box holds nothing";
}

TEST(FitDibToBox, PaletteImagesBecome24BitsWithTheNearestSamplesColours)
{
    Image src;
    src.width = 4;
    src.height = 4;
    src.bits = 8;
    src.clrUsed = 16;
    for (int i = 0; i < 16; ++i)
        for (unsigned char c : {static_cast<unsigned char>(i * 16), static_cast<unsigned char>(255 - i), static_cast<unsigned char>(i * 3), static_cast<unsigned char>(0)})
            src.palette.push_back(c);
    src.Allocate();
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            src.Set(x, y, unsigned(y * 4 + x));
    Block in(ToBlock(src));
    Block out(FitDibToBox(in.h, 2, 2));
    ASSERT_NE(out.h, nullptr);
    Image got = FromBlock(out.h);
    ASSERT_EQ(got.bits, 24);
    ASSERT_EQ(got.width, 2);
    // Positions 0 and 2 on both axes: the samples at indexes 0, 2, 8 and 10, not blends.
    const int picks[2][2] = {{0, 2}, {8, 10}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            for (int ch = 0; ch < 3; ++ch)
                EXPECT_EQ(got.Get(x, y, ch), src.palette[4 * size_t(picks[y][x]) + size_t(ch)]);

    // A gray-ramp image is blended like a colour one.
    std::mt19937 rng(9);
    Image gray = RandomImage(rng, 30, 20, 8, true);
    Block g(ToBlock(gray));
    Block gOut(FitDibToBox(g.h, 12, 12));
    Image gGot = FromBlock(gOut.h);
    Image blended = Reference(gray, 12, 8, true);
    ASSERT_EQ(gGot.width, 12);
    ASSERT_EQ(gGot.height, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 12; ++x)
            ASSERT_EQ(gGot.Get(x, y, 1), blended.Get(x, y));
}

TEST(FitDibToBox, DeepDamagedAndCancelledImagesGiveNone)
{
    std::mt19937 rng(4);
    for (int bits : {16, 32}) {
        Image deep = RandomImage(rng, 40, 30, bits);
        Block in(ToBlock(deep));
        EXPECT_EQ(FitDibToBox(in.h, 10, 10), nullptr) << bits;
    }

    Image src = RandomImage(rng, 40, 30, 4);
    std::vector<unsigned char> good = BlockBytes(Block(ToBlock(src)).h);
    auto damaged = [&](void (*spoil)(std::vector<unsigned char>&)) {
        std::vector<unsigned char> b = good;
        spoil(b);
        HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, b.size());
        memcpy(GlobalLock(h), b.data(), b.size());
        GlobalUnlock(h);
        return h;
    };
    HGLOBAL spoilt[] = {
        damaged([](std::vector<unsigned char>& b) { b.resize(b.size() - 1); }),
        damaged([](std::vector<unsigned char>& b) { b.resize(30); }),
        damaged([](std::vector<unsigned char>& b) { reinterpret_cast<BITMAPINFOHEADER*>(b.data())->biHeight = -30; }),
        damaged([](std::vector<unsigned char>& b) { reinterpret_cast<BITMAPINFOHEADER*>(b.data())->biClrUsed = 5000; }),
        damaged([](std::vector<unsigned char>& b) { reinterpret_cast<BITMAPINFOHEADER*>(b.data())->biWidth = 0x40000000; }),
        damaged([](std::vector<unsigned char>& b) { reinterpret_cast<BITMAPINFOHEADER*>(b.data())->biCompression = BI_RLE4; }),
    };
    for (HGLOBAL h : spoilt) {
        EXPECT_EQ(FitDibToBox(h, 10, 10), nullptr);
        EXPECT_EQ(ResampleDib(h, 10, 10, 0), nullptr);
        EXPECT_EQ(DibTo24Bit(h), nullptr);
        EXPECT_EQ(BuildThumbnailFromDib(h, "C:\\windows\\win.ini", 10, 10, nullptr), nullptr);
        GlobalFree(h);
    }

    // A palette image polls through resampling (1 + 6 rows) and widening (1 + 6 rows); the
    // widening's discarded poll does not stop it, any row poll does.
    Block in(ToBlock(src));
    {
        ScriptedEsc esc;
        Block out(FitDibToBox(in.h, 8, 8));
        ASSERT_NE(out.h, nullptr);
        EXPECT_EQ(FromBlock(out.h).height, 6);
        EXPECT_EQ(ScriptedEsc::polls(), 14);
    }
    {
        ScriptedEsc esc(8);
        Block out(FitDibToBox(in.h, 8, 8));
        EXPECT_NE(out.h, nullptr);
    }
    {
        ScriptedEsc esc(9);
        Block out(FitDibToBox(in.h, 8, 8));
        EXPECT_EQ(out.h, nullptr);
    }
}

TEST(StoredSourceName, KeepsTheLastTwoComponents)
{
    char name[128];
    album::StoredSourceName("D:\\Photos\\Trip\\a.jpg", name, sizeof name);
    EXPECT_STREQ(name, "Trip\\a.jpg");
    album::StoredSourceName("D:\\a.jpg", name, sizeof name);
    EXPECT_STREQ(name, "\\a.jpg");
    album::StoredSourceName("a.jpg", name, sizeof name);
    EXPECT_STREQ(name, "a.jpg");
    album::StoredSourceName("Trip\\a.jpg", name, sizeof name);
    EXPECT_STREQ(name, "Trip\\a.jpg");
    album::StoredSourceName("\\\\server\\share\\x\\b.bmp", name, sizeof name);
    EXPECT_STREQ(name, "x\\b.bmp");

    std::string longName = "C:\\base\\" + std::string(200, 'd') + "\\f.bmp";
    album::StoredSourceName(longName.c_str(), name, sizeof name);
    EXPECT_EQ(strlen(name), 127u);
    EXPECT_EQ(std::string(name), longName.substr(8, 127));
}

class ThumbBuildFiles : public ::testing::Test {
protected:
    ScratchDir dir;
    std::string Folder() const { return dir.path().substr(dir.path().find_last_of('\\') + 1); }
};

TEST_F(ThumbBuildFiles, RecordDescribesTheSourceFileAndImage)
{
    std::mt19937 rng(21);
    Image src = RandomImage(rng, 300, 200, 8);
    std::string path = dir.File("pic.bmp");
    WriteBmp(path, src);
    SetTimes(path, 1500000000u, 1600000000u);
    size_t fileSize = ReadBytes(path).size();

    Block in(ToBlock(src));
    CThumbnail2* t = BuildThumbnailFromDib(in.h, path.c_str(), 120, 90, nullptr);
    ASSERT_NE(t, nullptr);
    const tagALBUMINFOHEADER* r = t->GetInfo();
    EXPECT_EQ(r->dwFileSize, fileSize);
    EXPECT_EQ(r->dwFileTime, 1600000000u);
    EXPECT_EQ(std::string(r->szFileName), Folder() + "\\pic.bmp");
    EXPECT_STREQ(r->szDescription, " ");
    EXPECT_EQ(r->wReserved1, 1);
    EXPECT_EQ(r->wBitCount, 8);
    EXPECT_EQ(r->wWidth, 300);
    EXPECT_EQ(r->wHeight, 200);
    EXPECT_EQ(r->wThumbWidth, 90);
    EXPECT_EQ(r->wThumbHeight, 60);
    EXPECT_EQ(r->dwDibOffset, 0u);
    EXPECT_EQ(r->dwDibSize, GlobalSize(t->GetDib()));
    EXPECT_EQ(t->GetID(), 0);
    EXPECT_EQ(t->m_bExist, 1);
    Image thumb = FromBlock(t->GetDib());
    EXPECT_EQ(thumb.bits, 24);
    EXPECT_EQ(thumb.width, 90);
    EXPECT_EQ(BlockBytes(in.h), BlockBytes(Block(ToBlock(src)).h)) << "the caller's image is unchanged";
    delete t;

    // The later of the two times counts, whichever it is. (Wine on a Linux file system keeps no
    // creation time of its own, so the times the platform reports are the expectation here.)
    SetTimes(path, 1700000000u, 1600000000u);
    WIN32_FILE_ATTRIBUTE_DATA fad;
    ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &fad));
    auto seconds = [](const FILETIME& ft) {
        return uint32_t(((uint64_t(ft.dwHighDateTime) << 32 | ft.dwLowDateTime) - 116444736000000000ull) / 10000000ull);
    };
    const uint32_t later = std::max(seconds(fad.ftCreationTime), seconds(fad.ftLastWriteTime));
    EXPECT_GE(later, 1600000000u);
    std::string longText(300, 'x');
    t = BuildThumbnailFromDib(in.h, path.c_str(), 120, 90, longText.c_str());
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->GetInfo()->dwFileTime, later);
    EXPECT_EQ(std::string(t->GetInfo()->szDescription), std::string(127, 'x'));
    delete t;

    t = BuildThumbnailFromDib(in.h, path.c_str(), 120, 90, "beach");
    ASSERT_NE(t, nullptr);
    EXPECT_STREQ(t->GetInfo()->szDescription, "beach");
    delete t;

    EXPECT_EQ(BuildThumbnailFromDib(in.h, dir.File("missing.bmp").c_str(), 120, 90, nullptr), nullptr);
    EXPECT_EQ(BuildThumbnailFromDib(in.h, nullptr, 120, 90, nullptr), nullptr);
    EXPECT_EQ(BuildThumbnailFromDib(nullptr, path.c_str(), 120, 90, nullptr), nullptr);
    {
        ScriptedEsc esc;
        ScriptedEsc::Always();
        EXPECT_EQ(BuildThumbnailFromDib(in.h, path.c_str(), 120, 90, nullptr), nullptr);
    }
}

TEST_F(ThumbBuildFiles, BuildsFromBitmapFiles)
{
    std::mt19937 rng(22);
    Image src = RandomImage(rng, 300, 200, 24);
    std::string path = dir.File("photo.bmp");
    WriteBmp(path, src);

    CThumbnail2* t = BuildThumbnailFromFile(path.c_str(), 96, 96, "d");
    ASSERT_NE(t, nullptr) << "the image-file library could not read a bitmap file";
    EXPECT_EQ(t->GetInfo()->wWidth, 300);
    EXPECT_EQ(t->GetInfo()->wHeight, 200);
    EXPECT_EQ(t->GetInfo()->wBitCount, 24);
    EXPECT_EQ(t->GetInfo()->dwFileSize, ReadBytes(path).size());
    EXPECT_EQ(std::string(t->GetInfo()->szFileName), Folder() + "\\photo.bmp");
    EXPECT_STREQ(t->GetInfo()->szDescription, "d");
    ExpectSameImage(FromBlock(t->GetDib()), Reference(src, 96, 64, true), "thumbnail of a file");
    delete t;

    WriteBytes(dir.File("notes.bmp"), std::vector<unsigned char>(100, 'x'));
    EXPECT_EQ(BuildThumbnailFromFile(dir.File("notes.bmp").c_str(), 96, 96, nullptr), nullptr);
    EXPECT_EQ(BuildThumbnailFromFile(dir.File("none.bmp").c_str(), 96, 96, nullptr), nullptr);
    EXPECT_EQ(BuildThumbnailFromFile(nullptr, 96, 96, nullptr), nullptr);
    {
        ScriptedEsc esc;
        ScriptedEsc::Always();
        EXPECT_EQ(BuildThumbnailFromFile(path.c_str(), 96, 96, nullptr), nullptr);
    }
}

} // namespace
