// Reading BMP, PNG, JPEG, GIF, TIFF and ICO files into packed bitmaps.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <wincodec.h>
#include <stdint.h>
#include <string.h>
#include <functional>
#include <string>
#include <thread>
#include <vector>
#include "album/Dib.h"
#include "imgio.h"
#include "support/TestSupport.h"
#include "ImgIoTestUtil.h"

using namespace imgiotest;
using Bytes = std::vector<unsigned char>;

namespace {

void Put16(Bytes& v, unsigned x) { v.push_back(uint8_t(x)); v.push_back(uint8_t(x >> 8)); }
void Put32(Bytes& v, uint32_t x) { Put16(v, x & 0xFFFF); Put16(v, x >> 16); }

// The colour every synthetic colour image has at (x, y).
Rgb Pattern(int x, int y) { return Rgb{(x * 50 + 10) & 255, (y * 80 + 20) & 255, ((x + y) * 30 + 5) & 255}; }

// Top-down BGR rows of Pattern, stride w * 3 rounded up to 4.
Bytes PatternBgr(int w, int h, UINT* stride)
{
    *stride = UINT((w * 3 + 3) & ~3);
    Bytes v(size_t(*stride) * h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            Rgb c = Pattern(x, y);
            unsigned char* p = &v[size_t(y) * *stride + 3 * x];
            p[0] = uint8_t(c.b); p[1] = uint8_t(c.g); p[2] = uint8_t(c.r);
        }
    return v;
}

// A bitmap file written byte by byte: value(x, y) is a palette index, or 0xRRGGBB for 24 bits.
Bytes MakeBmp(int w, int h, int bits, const std::vector<RGBQUAD>& palette,
              const std::function<uint32_t(int, int)>& value, bool topDown = false, int32_t ppmX = 3780,
              int32_t ppmY = 2835)
{
    size_t stride = ((size_t(w) * bits + 31) / 32) * 4;
    uint32_t offBits = 14 + 40 + uint32_t(palette.size()) * 4;
    Bytes v;
    v.push_back('B'); v.push_back('M');
    Put32(v, offBits + uint32_t(stride * h));
    Put32(v, 0);
    Put32(v, offBits);
    Put32(v, 40); Put32(v, uint32_t(w)); Put32(v, uint32_t(topDown ? -h : h));
    Put16(v, 1); Put16(v, unsigned(bits)); Put32(v, BI_RGB); Put32(v, uint32_t(stride * h));
    Put32(v, uint32_t(ppmX)); Put32(v, uint32_t(ppmY)); Put32(v, uint32_t(palette.size())); Put32(v, 0);
    for (const RGBQUAD& q : palette) {
        v.push_back(q.rgbBlue); v.push_back(q.rgbGreen); v.push_back(q.rgbRed); v.push_back(0);
    }
    for (int row = 0; row < h; ++row) {
        int y = topDown ? row : h - 1 - row;
        Bytes line(stride, 0);
        for (int x = 0; x < w; ++x) {
            uint32_t val = value(x, y);
            if (bits == 24) {
                line[3 * x] = uint8_t(val); line[3 * x + 1] = uint8_t(val >> 8); line[3 * x + 2] = uint8_t(val >> 16);
            } else if (bits == 8) {
                line[x] = uint8_t(val);
            } else if (bits == 4) {
                line[x / 2] |= uint8_t(x % 2 ? val : val << 4);
            } else {
                line[x / 8] |= uint8_t((val & 1) << (7 - x % 8));
            }
        }
        v.insert(v.end(), line.begin(), line.end());
    }
    return v;
}

uint32_t PatternValue(int x, int y)
{
    Rgb c = Pattern(x, y);
    return uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | uint32_t(c.b);
}

// An icon holding 32-bit images of the given sizes; pixel(size, x, y) gives BGRA as 0xAARRGGBB.
Bytes MakeIcon(const std::vector<int>& sizes, const std::function<uint32_t(int, int, int)>& pixel)
{
    Bytes dir, images;
    Put16(dir, 0); Put16(dir, 1); Put16(dir, unsigned(sizes.size()));
    uint32_t offset = uint32_t(6 + 16 * sizes.size());
    for (int s : sizes) {
        Bytes img;
        size_t maskStride = ((size_t(s) + 31) / 32) * 4;
        Put32(img, 40); Put32(img, uint32_t(s)); Put32(img, uint32_t(2 * s)); Put16(img, 1); Put16(img, 32);
        Put32(img, 0); Put32(img, uint32_t(s * s * 4 + maskStride * s)); Put32(img, 0); Put32(img, 0);
        Put32(img, 0); Put32(img, 0);
        for (int row = s - 1; row >= 0; --row)
            for (int x = 0; x < s; ++x)
                Put32(img, pixel(s, x, row));
        img.insert(img.end(), maskStride * s, 0);
        dir.push_back(uint8_t(s)); dir.push_back(uint8_t(s)); dir.push_back(0); dir.push_back(0);
        Put16(dir, 1); Put16(dir, 32); Put32(dir, uint32_t(img.size())); Put32(dir, offset + uint32_t(images.size()));
        images.insert(images.end(), img.begin(), img.end());
    }
    dir.insert(dir.end(), images.begin(), images.end());
    return dir;
}

// 3 x 2, palette of 8 with index 4 transparent: red, lime, blue / black, clear, clear.
const Bytes kTransparentGif = {
    0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x03, 0x00, 0x02, 0x00, 0xF2, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0x00,
    0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x21, 0xF9, 0x04, 0x01, 0x00, 0x00, 0x04, 0x00, 0x2C, 0x00, 0x00, 0x00, 0x00, 0x03, 0x00, 0x02, 0x00,
    0x00, 0x03, 0x04, 0x18, 0x32, 0x40, 0x94, 0x00, 0x3B};

// Two 2 x 2 frames: all red, then blue with a yellow pixel.
const Bytes kTwoFrameGif = {
    0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x02, 0x00, 0x02, 0x00, 0xF0, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x21, 0xF9, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x21, 0xFF, 0x0B, 0x4E, 0x45, 0x54, 0x53, 0x43, 0x41,
    0x50, 0x45, 0x32, 0x2E, 0x30, 0x03, 0x01, 0x00, 0x00, 0x00, 0x2C, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x02,
    0x00, 0x00, 0x02, 0x02, 0x84, 0x51, 0x00, 0x21, 0xF9, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2C, 0x00, 0x00,
    0x00, 0x00, 0x02, 0x00, 0x02, 0x00, 0x80, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0x02, 0x02, 0x8C, 0x51, 0x00,
    0x3B};

// 3 x 2 palette PNG whose entry 0 is fully transparent: red, lime, blue / black, clear, clear.
const Bytes kTransparentPng = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52, 0x00, 0x00,
    0x00, 0x03, 0x00, 0x00, 0x00, 0x02, 0x08, 0x03, 0x00, 0x00, 0x00, 0xAA, 0xAA, 0x96, 0x28, 0x00, 0x00, 0x00,
    0x0F, 0x50, 0x4C, 0x54, 0x45, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0x00,
    0x00, 0x00, 0x81, 0x59, 0x96, 0xFF, 0x00, 0x00, 0x00, 0x01, 0x74, 0x52, 0x4E, 0x53, 0x00, 0x40, 0xE6, 0xD8,
    0x66, 0x00, 0x00, 0x00, 0x10, 0x49, 0x44, 0x41, 0x54, 0x08, 0xD7, 0x63, 0x60, 0x64, 0x62, 0x66, 0x60, 0x61,
    0x60, 0x00, 0x00, 0x00, 0x36, 0x00, 0x0B, 0x5F, 0xC7, 0xFF, 0x65, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E,
    0x44, 0xAE, 0x42, 0x60, 0x82};

const Rgb kWhite{255, 255, 255};

void ExpectPattern(const Image& img, int w, int h)
{
    ASSERT_TRUE(img.ok);
    ASSERT_EQ(img.Width(), w);
    ASSERT_EQ(img.Height(), h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            ASSERT_EQ(img.At(x, y), Pattern(x, y)) << "at " << x << "," << y;
}

uint32_t Crc32(const unsigned char* p, size_t n)
{
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return ~c;
}

} // namespace

TEST(ImgIoRead, BitmapFilesKeepDepthPaletteAndResolution)
{
    testsupport::ScratchDir dir;

    // 24 bits, odd width (padded rows), both row orders.
    for (bool topDown : {false, true}) {
        Image img = ReadBytes(dir.File("c.bmp"), MakeBmp(5, 3, 24, {}, PatternValue, topDown));
        ExpectPattern(img, 5, 3);
        EXPECT_EQ(img.Bits(), 24);
        EXPECT_EQ(img.header.biSize, 40u);
        EXPECT_GT(img.header.biHeight, 0);
        EXPECT_EQ(img.header.biClrUsed, 0u);
        EXPECT_EQ(img.header.biSizeImage, 16u * 3);
        EXPECT_EQ(img.header.biXPelsPerMeter, 3780);
        EXPECT_EQ(img.header.biYPelsPerMeter, 2835);
        EXPECT_TRUE(img.movable);
    }

    // A file without a resolution keeps none.
    Image none = ReadBytes(dir.File("n.bmp"), MakeBmp(2, 2, 24, {}, PatternValue, false, 0, 0));
    ASSERT_TRUE(none.ok);
    EXPECT_EQ(none.header.biXPelsPerMeter, 0);
    EXPECT_EQ(none.header.biYPelsPerMeter, 0);

    // Palette images keep their depth and their colours.
    std::vector<RGBQUAD> pal16;
    for (int i = 0; i < 16; ++i)
        pal16.push_back(RGBQUAD{uint8_t(i * 16), uint8_t(255 - i * 10), uint8_t(i * 3), 0});
    auto index = [](int x, int y) { return uint32_t((x * 3 + y * 5) % 16); };
    for (int bits : {4, 8}) {
        Image img = ReadBytes(dir.File("p.bmp"), MakeBmp(7, 3, bits, pal16, index));
        ASSERT_TRUE(img.ok) << bits;
        EXPECT_EQ(img.Bits(), bits);
        ASSERT_GE(img.PaletteSize(), 16u);
        EXPECT_EQ(img.header.biClrUsed, img.PaletteSize());
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 7; ++x) {
                const RGBQUAD& q = pal16[index(x, y)];
                EXPECT_EQ(img.At(x, y), (Rgb{q.rgbRed, q.rgbGreen, q.rgbBlue})) << bits << " bits at " << x << "," << y;
            }
    }

    std::vector<RGBQUAD> duo = {RGBQUAD{0, 0, 128, 0}, RGBQUAD{200, 255, 255, 0}};
    auto checker = [](int x, int y) { return uint32_t((x + y) % 2); };
    Image mono = ReadBytes(dir.File("m.bmp"), MakeBmp(11, 2, 1, duo, checker));
    ASSERT_TRUE(mono.ok);
    EXPECT_EQ(mono.Bits(), 1);
    EXPECT_EQ(mono.PaletteSize(), 2u);
    EXPECT_EQ(mono.At(0, 0), (Rgb{128, 0, 0}));
    EXPECT_EQ(mono.At(10, 1), (Rgb{255, 255, 200}));
    EXPECT_EQ(mono.IndexAt(3, 0), 1u);
}

TEST(ImgIoRead, PngKeepsExactPixelsAndItsKind)
{
    testsupport::ScratchDir dir;
    UINT stride;
    Bytes bgr = PatternBgr(5, 3, &stride);
    Image colour = ReadBytes(dir.File("c.png"),
                             Encode(GUID_ContainerFormatPng, GUID_WICPixelFormat24bppBGR, 5, 3, {bgr.data()}, stride, {}, 300));
    ExpectPattern(colour, 5, 3);
    EXPECT_EQ(colour.Bits(), 24);
    EXPECT_EQ(colour.header.biXPelsPerMeter, 11811); // 300 dpi
    EXPECT_EQ(colour.header.biYPelsPerMeter, 11811);

    // Gray becomes 8 bits over the gray ramp, the values unchanged.
    unsigned char gray[3][8] = {{0, 1, 127, 128, 255}, {10, 20, 30, 40, 50}, {254, 3, 99, 200, 77}};
    Image g = ReadBytes(dir.File("g.png"), Encode(GUID_ContainerFormatPng, GUID_WICPixelFormat8bppGray, 5, 3, {gray}, 8));
    ASSERT_TRUE(g.ok);
    EXPECT_TRUE(g.IsGrayRamp());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(g.IndexAt(x, y), gray[y][x]);

    // 16-bit gray keeps its upper byte's value.
    uint16_t gray16[2][4] = {{0, 0xFFFF, 0x8080, 0x1234}, {0x0101, 0xFEFE, 0x7F7F, 0}};
    Image g16 = ReadBytes(dir.File("g16.png"),
                          Encode(GUID_ContainerFormatPng, GUID_WICPixelFormat16bppGray, 4, 2, {gray16}, 8));
    ASSERT_TRUE(g16.ok);
    EXPECT_TRUE(g16.IsGrayRamp());
    EXPECT_EQ(g16.IndexAt(0, 0), 0u);
    EXPECT_EQ(g16.IndexAt(1, 0), 255u);
    EXPECT_EQ(g16.IndexAt(2, 0), 0x80u);
    EXPECT_EQ(g16.IndexAt(0, 1), 1u);
    EXPECT_EQ(g16.IndexAt(2, 1), 0x7Fu);

    // Black and white stays one bit.
    unsigned char bw[2][4] = {{0xA0}, {0x50}};
    Image b = ReadBytes(dir.File("b.png"), Encode(GUID_ContainerFormatPng, GUID_WICPixelFormatBlackWhite, 4, 2, {bw}, 4));
    ASSERT_TRUE(b.ok);
    EXPECT_EQ(b.Bits(), 1);
    EXPECT_EQ(b.At(0, 0), kWhite);
    EXPECT_EQ(b.At(1, 0), (Rgb{0, 0, 0}));
    EXPECT_EQ(b.At(1, 1), kWhite);

    // A palette image stays indexed; its transparent entry is laid over white.
    Image p = ReadBytes(dir.File("p.png"), kTransparentPng);
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.Bits(), 8);
    EXPECT_EQ(p.PaletteSize(), 5u);
    EXPECT_EQ(p.header.biClrUsed, 5u);
    EXPECT_EQ(p.At(0, 0), (Rgb{255, 0, 0}));
    EXPECT_EQ(p.At(1, 0), (Rgb{0, 255, 0}));
    EXPECT_EQ(p.At(2, 0), (Rgb{0, 0, 255}));
    EXPECT_EQ(p.At(0, 1), (Rgb{0, 0, 0}));
    EXPECT_EQ(p.At(1, 1), kWhite);

    // Alpha is laid over white: c * a / 255 + 255 - a, rounded.
    uint32_t bgra[1][4] = {{0xFF102030, 0x00102030, 0x80000000, 0x40FF0080}};
    Image a = ReadBytes(dir.File("a.png"), Encode(GUID_ContainerFormatPng, GUID_WICPixelFormat32bppBGRA, 4, 1, {bgra}, 16));
    ASSERT_TRUE(a.ok);
    EXPECT_EQ(a.Bits(), 24);
    EXPECT_EQ(a.At(0, 0), (Rgb{0x10, 0x20, 0x30}));
    EXPECT_EQ(a.At(1, 0), kWhite);
    EXPECT_EQ(a.At(2, 0), (Rgb{127, 127, 127}));
    EXPECT_EQ(a.At(3, 0), (Rgb{255, 191, 223}));
}

TEST(ImgIoRead, JpegColourAndGray)
{
    testsupport::ScratchDir dir;
    const Rgb quads[4] = {{200, 30, 30}, {30, 200, 30}, {30, 30, 200}, {240, 240, 60}};
    Bytes bgr(32 * 32 * 3);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const Rgb& c = quads[(y / 16) * 2 + x / 16];
            unsigned char* q = &bgr[size_t(y * 32 + x) * 3];
            q[0] = uint8_t(c.b); q[1] = uint8_t(c.g); q[2] = uint8_t(c.r);
        }
    Image img = ReadBytes(dir.File("c.jpg"), Encode(GUID_ContainerFormatJpeg, GUID_WICPixelFormat24bppBGR, 32, 32, {bgr.data()}, 96));
    ASSERT_TRUE(img.ok);
    EXPECT_EQ(img.Bits(), 24);
    EXPECT_EQ(img.Width(), 32);
    EXPECT_EQ(img.Height(), 32);
    for (int q = 0; q < 4; ++q) {
        Rgb got = img.At((q % 2) * 16 + 8, (q / 2) * 16 + 8);
        EXPECT_NEAR(got.r, quads[q].r, 24) << q;
        EXPECT_NEAR(got.g, quads[q].g, 24) << q;
        EXPECT_NEAR(got.b, quads[q].b, 24) << q;
    }

    Bytes gray(16 * 16);
    for (int i = 0; i < 256; ++i)
        gray[size_t(i)] = uint8_t((i / 16) < 8 ? 40 : 210);
    Image g = ReadBytes(dir.File("g.jpg"), Encode(GUID_ContainerFormatJpeg, GUID_WICPixelFormat8bppGray, 16, 16, {gray.data()}, 16));
    ASSERT_TRUE(g.ok);
    EXPECT_TRUE(g.IsGrayRamp());
    EXPECT_NEAR(int(g.IndexAt(5, 3)), 40, 16);
    EXPECT_NEAR(int(g.IndexAt(5, 12)), 210, 16);
}

TEST(ImgIoRead, GifAndTiffGiveTheirFirstFrame)
{
    testsupport::ScratchDir dir;
    Image gif = ReadBytes(dir.File("a.gif"), kTwoFrameGif);
    ASSERT_TRUE(gif.ok);
    EXPECT_EQ(gif.Bits(), 8);
    EXPECT_EQ(gif.Width(), 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            EXPECT_EQ(gif.At(x, y), (Rgb{255, 0, 0}));

    Image t = ReadBytes(dir.File("t.gif"), kTransparentGif);
    ASSERT_TRUE(t.ok);
    EXPECT_EQ(t.Bits(), 8);
    EXPECT_EQ(t.At(0, 0), (Rgb{255, 0, 0}));
    EXPECT_EQ(t.At(2, 0), (Rgb{0, 0, 255}));
    EXPECT_EQ(t.At(0, 1), (Rgb{0, 0, 0}));
    EXPECT_EQ(t.At(1, 1), kWhite);
    EXPECT_EQ(t.At(2, 1), kWhite);

    UINT stride;
    Bytes first = PatternBgr(5, 3, &stride);
    Bytes second(first.size(), 0x33);
    Image tif = ReadBytes(dir.File("t.tif"), Encode(GUID_ContainerFormatTiff, GUID_WICPixelFormat24bppBGR, 5, 3,
                                                    {first.data(), second.data()}, stride));
    ExpectPattern(tif, 5, 3);
    EXPECT_EQ(tif.Bits(), 24);

    // A palette TIFF stays indexed at 4 bits.
    std::vector<WICColor> pal = {0xFF000000, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
    unsigned char nibbles[2][4] = {{0x01, 0x23}, {0x32, 0x10}};
    Image tp = ReadBytes(dir.File("p.tif"),
                         Encode(GUID_ContainerFormatTiff, GUID_WICPixelFormat4bppIndexed, 4, 2, {nibbles}, 4, pal));
    ASSERT_TRUE(tp.ok);
    EXPECT_EQ(tp.Bits(), 4);
    EXPECT_EQ(tp.At(1, 0), (Rgb{255, 0, 0}));
    EXPECT_EQ(tp.At(3, 0), (Rgb{0, 0, 255}));
    EXPECT_EQ(tp.At(1, 1), (Rgb{0, 255, 0}));
}

TEST(ImgIoRead, IconGivesItsLargestImageOverWhite)
{
    testsupport::ScratchDir dir;
    auto pixel = [](int size, int x, int y) -> uint32_t {
        if (size == 16)
            return 0xFF00FF00; // the small image is all green
        if (x < 4)
            return 0x00000000;                                   // clear
        if (x < 8)
            return 0x80FF0000;                                   // half red
        return 0xFF000000u | uint32_t(PatternValue(x, y));        // opaque pattern
    };
    Image img = ReadBytes(dir.File("i.ico"), MakeIcon({16, 32, 24}, pixel));
    ASSERT_TRUE(img.ok);
    EXPECT_EQ(img.Width(), 32);
    EXPECT_EQ(img.Height(), 32);
    EXPECT_EQ(img.Bits(), 24);
    EXPECT_EQ(img.At(0, 0), kWhite);
    EXPECT_EQ(img.At(5, 31), (Rgb{255, 127, 127}));
    EXPECT_EQ(img.At(9, 2), Pattern(9, 2));
    EXPECT_EQ(img.At(31, 30), Pattern(31, 30));

    // Large icon images are stored as PNG: a 40 x 40 one after a 32 x 32 bitmap one wins.
    UINT stride;
    Bytes bgr = PatternBgr(40, 40, &stride);
    Bytes png = Encode(GUID_ContainerFormatPng, GUID_WICPixelFormat24bppBGR, 40, 40, {bgr.data()}, stride);
    Bytes ico = MakeIcon({32}, [](int, int, int) { return 0xFF00FF00u; });
    // Add a second directory entry for the PNG image and move the first image back by 16 bytes.
    Bytes two(ico.begin(), ico.begin() + 22);
    two[4] = 2; // two directory entries
    two.reserve(ico.size() + 16 + png.size());
    uint32_t firstOffset = 6 + 32;
    uint32_t secondOffset = firstOffset + uint32_t(ico.size() - 22);
    memcpy(&two[6 + 12], &firstOffset, 4);
    const unsigned char pngEntry[8] = {40, 40, 0, 0, 1, 0, 32, 0};
    two.insert(two.end(), pngEntry, pngEntry + 8);
    uint32_t pngSize = uint32_t(png.size());
    two.insert(two.end(), reinterpret_cast<unsigned char*>(&pngSize), reinterpret_cast<unsigned char*>(&pngSize) + 4);
    two.insert(two.end(), reinterpret_cast<unsigned char*>(&secondOffset), reinterpret_cast<unsigned char*>(&secondOffset) + 4);
    two.insert(two.end(), ico.begin() + 22, ico.end());
    two.insert(two.end(), png.begin(), png.end());
    Image big = ReadBytes(dir.File("png.ico"), two);
    ExpectPattern(big, 40, 40);
}

TEST(ImgIoRead, RefusesWhatIsNoImage)
{
    testsupport::ScratchDir dir;
    EXPECT_FALSE(ReadBytes(dir.File("text.png"), Bytes{'h', 'e', 'l', 'l', 'o', '\r', '\n'}).ok);
    EXPECT_FALSE(ReadBytes(dir.File("empty.bmp"), Bytes{}).ok);
    EXPECT_FALSE(ReadBytes(dir.File("zeros.gif"), Bytes(4096, 0)).ok);
    EXPECT_FALSE(ReadImage(dir.File("missing.bmp")).ok);
    EXPECT_FALSE(ReadImage(dir.path()).ok) << "a folder";
    EXPECT_EQ(ImgIoReadFile(nullptr, 0, nullptr), nullptr);
    EXPECT_EQ(ImgIoReadFile("", 0, nullptr), nullptr);
    EXPECT_EQ(ImgIoReadFile("NUL", 0, nullptr), nullptr);

    // A signature with nothing behind it, and the right bytes behind the wrong signature.
    EXPECT_FALSE(ReadBytes(dir.File("sig.jpg"), Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0, 0x10, 'J', 'F', 'I', 'F'}).ok);
    Bytes png = kTransparentPng;
    png[1] = 'Q';
    EXPECT_FALSE(ReadBytes(dir.File("bad.png"), png).ok);

    // A zeroed options record changes nothing.
    IMGIOOPTIONS options = {};
    testsupport::WriteBytes(dir.File("ok.png"), kTransparentPng);
    EXPECT_TRUE(ReadImage(dir.File("ok.png"), &options).ok);
}

TEST(ImgIoRead, TruncatedOrDamagedFilesOfEveryFormat)
{
    const int kMutations = 80;
    testsupport::ScratchDir dir;
    UINT stride;
    Bytes bgr = PatternBgr(5, 3, &stride);
    struct Case { const char* name; Bytes bytes; };
    const Case cases[] = {
        {"t.bmp", MakeBmp(5, 3, 24, {}, PatternValue)},
        {"t.png", Encode(GUID_ContainerFormatPng, GUID_WICPixelFormat24bppBGR, 5, 3, {bgr.data()}, stride)},
        {"p.png", kTransparentPng},
        {"t.jpg", Encode(GUID_ContainerFormatJpeg, GUID_WICPixelFormat24bppBGR, 5, 3, {bgr.data()}, stride)},
        {"t.gif", kTransparentGif},
        {"t.tif", Encode(GUID_ContainerFormatTiff, GUID_WICPixelFormat24bppBGR, 5, 3, {bgr.data()}, stride)},
        {"t.ico", MakeIcon({16}, [](int, int x, int y) { return 0xFF000000u | PatternValue(x, y); })},
    };
    for (const Case& c : cases) {
        ASSERT_FALSE(c.bytes.empty()) << c.name;
        ASSERT_TRUE(ReadBytes(dir.File(c.name), c.bytes).ok) << c.name << " whole";
        EXPECT_EQ(FirstAcceptedPrefix(dir.File(c.name), c.bytes), 0u) << c.name;
        // Bytes after the end marker do not matter.
        Bytes padded = c.bytes;
        padded.insert(padded.end(), 100, 0);
        EXPECT_TRUE(ReadBytes(dir.File(c.name), padded).ok) << c.name << " padded";
        MutateAndRead(dir.File(c.name), c.bytes, kMutations);
    }
}

TEST(ImgIoRead, AbsurdDimensionsAreRefusedQuickly)
{
    testsupport::ScratchDir dir;
    // A bitmap header claiming 100000 x 100000 pixels in a file of a few bytes.
    Bytes bmp = MakeBmp(2, 2, 24, {}, PatternValue);
    memcpy(&bmp[18], "\xA0\x86\x01\x00\xA0\x86\x01\x00", 8);
    EXPECT_FALSE(ReadBytes(dir.File("huge.bmp"), bmp).ok);

    // A PNG whose header (with a correct checksum) claims 40000 x 40000 colour pixels.
    UINT stride;
    Bytes bgr = PatternBgr(5, 3, &stride);
    Bytes png = Encode(GUID_ContainerFormatPng, GUID_WICPixelFormat24bppBGR, 5, 3, {bgr.data()}, stride);
    ASSERT_GT(png.size(), 33u);
    const unsigned char dims[8] = {0, 0, 0x9C, 0x40, 0, 0, 0x9C, 0x40};
    memcpy(&png[16], dims, 8);
    uint32_t crc = Crc32(&png[12], 17);
    png[29] = uint8_t(crc >> 24); png[30] = uint8_t(crc >> 16); png[31] = uint8_t(crc >> 8); png[32] = uint8_t(crc);
    DWORD start = GetTickCount();
    EXPECT_FALSE(ReadBytes(dir.File("huge.png"), png).ok);
    EXPECT_LT(GetTickCount() - start, 5000u);

    // An icon image whose header claims a height of a billion rows.
    Bytes ico = MakeIcon({16}, [](int, int, int) { return 0xFF0000FFu; });
    ASSERT_TRUE(ReadBytes(dir.File("ok.ico"), ico).ok);
    const unsigned char tall[4] = {0x20, 0x00, 0x00, 0x40};
    memcpy(&ico[6 + 16 + 8], tall, 4);
    start = GetTickCount();
    EXPECT_FALSE(ReadBytes(dir.File("tall.ico"), ico).ok);
    EXPECT_LT(GetTickCount() - start, 5000u);
}

TEST(ImgIoRead, LeavesTheThreadsComStateAsItWas)
{
    testsupport::ScratchDir dir;
    const std::string path = dir.File("c.png");
    testsupport::WriteBytes(path, kTransparentPng);

    HRESULT fresh = E_FAIL, multi = E_FAIL, single = E_FAIL;
    bool readFresh = false, readMulti = false, readSingle = false;
    std::thread([&] {
        // A thread without COM has none afterwards: it may still choose the free-threaded model.
        readFresh = TakeImage(ImgIoReadFile(path.c_str(), 0, nullptr)).ok;
        fresh = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        if (SUCCEEDED(fresh))
            CoUninitialize();
    }).join();
    std::thread([&] {
        // A free-threaded thread is served as it is and stays free-threaded.
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        readMulti = TakeImage(ImgIoReadFile(path.c_str(), 0, nullptr)).ok;
        multi = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (SUCCEEDED(multi))
            CoUninitialize();
        CoUninitialize();
    }).join();
    std::thread([&] {
        // An apartment thread's own initialisation is the only one left to undo.
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        readSingle = TakeImage(ImgIoReadFile(path.c_str(), 0, nullptr)).ok;
        CoUninitialize();
        single = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        if (SUCCEEDED(single))
            CoUninitialize();
    }).join();
    EXPECT_TRUE(readFresh);
    EXPECT_TRUE(readMulti);
    EXPECT_TRUE(readSingle);
    EXPECT_EQ(fresh, S_OK);
    EXPECT_EQ(multi, RPC_E_CHANGED_MODE);
    EXPECT_EQ(single, S_OK);
}
