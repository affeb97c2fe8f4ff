// Writing bitmap files and drawing images.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <wincodec.h>
#include <stdint.h>
#include <string.h>
#include <functional>
#include <string>
#include <vector>
#include "album/Dib.h"
#include "imgio.h"
#include "support/TestSupport.h"
#include "ImgIoTestUtil.h"

using namespace imgiotest;
using Bytes = std::vector<unsigned char>;

namespace {

// A packed bitmap block: header, the given palette, rows from row(yFromTop) (stride bytes each),
// and extra spare bytes at the end.
HGLOBAL MakeBlock(int w, int h, int bits, const std::vector<RGBQUAD>& palette, DWORD clrUsed,
                  const std::function<void(int, unsigned char*)>& row, size_t extra = 0)
{
    size_t stride = ((size_t(w) * bits + 31) / 32) * 4;
    size_t off = 40 + palette.size() * 4;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, off + stride * h + extra);
    auto* p = static_cast<unsigned char*>(GlobalLock(block));
    BITMAPINFOHEADER bih = {};
    bih.biSize = 40;
    bih.biWidth = w;
    bih.biHeight = h;
    bih.biPlanes = 1;
    bih.biBitCount = WORD(bits);
    bih.biSizeImage = DWORD(stride * h);
    bih.biXPelsPerMeter = 3780;
    bih.biYPelsPerMeter = 3780;
    bih.biClrUsed = clrUsed;
    memcpy(p, &bih, 40);
    if (!palette.empty())
        memcpy(p + 40, palette.data(), palette.size() * 4);
    for (int y = 0; y < h; ++y)
        row(y, p + off + size_t(h - 1 - y) * stride);
    for (size_t i = 0; i < extra; ++i)
        p[off + stride * h + i] = 0xEE;
    GlobalUnlock(block);
    return block;
}

Rgb Pattern(int x, int y) { return Rgb{(x * 50 + 10) & 255, (y * 80 + 20) & 255, ((x + y) * 30 + 5) & 255}; }

HGLOBAL PatternBlock(int w, int h, size_t extra = 0)
{
    return MakeBlock(w, h, 24, {}, 0, [w](int y, unsigned char* r) {
        for (int x = 0; x < w; ++x) {
            Rgb c = Pattern(x, y);
            r[3 * x] = uint8_t(c.b); r[3 * x + 1] = uint8_t(c.g); r[3 * x + 2] = uint8_t(c.r);
        }
    }, extra);
}

Bytes BlockBytes(HGLOBAL block, size_t n)
{
    auto* p = static_cast<unsigned char*>(GlobalLock(block));
    Bytes v(p, p + n);
    GlobalUnlock(block);
    return v;
}

// What a bitmap file of the block must hold, byte for byte.
Bytes ExpectedFile(HGLOBAL block)
{
    dib::Layout l;
    EXPECT_TRUE(dib::IsValidBlock(block, &l));
    size_t dibBytes = l.bitsOffset + l.imageBytes;
    Bytes v = {'B', 'M'};
    auto put32 = [&v](uint32_t x) { for (int i = 0; i < 4; ++i) v.push_back(uint8_t(x >> (8 * i))); };
    put32(uint32_t(14 + dibBytes));
    put32(0);
    put32(uint32_t(14 + l.bitsOffset));
    Bytes d = BlockBytes(block, dibBytes);
    v.insert(v.end(), d.begin(), d.end());
    return v;
}

std::vector<RGBQUAD> Ramp(int n, int mul)
{
    std::vector<RGBQUAD> v;
    for (int i = 0; i < n; ++i)
        v.push_back(RGBQUAD{uint8_t(i * mul), uint8_t(255 - i * mul), uint8_t(i), 0});
    return v;
}

// A 32-bit top-down memory surface to draw on, filled with one colour.
struct Surface {
    HDC dc = nullptr;
    HBITMAP bmp = nullptr;
    HGDIOBJ old = nullptr;
    uint32_t* px = nullptr;
    int w, h;
    Surface(int width, int height, uint32_t fill) : w(width), h(height)
    {
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        dc = CreateCompatibleDC(nullptr);
        bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        old = SelectObject(dc, bmp);
        px = static_cast<uint32_t*>(bits);
        for (int i = 0; i < w * h; ++i)
            px[i] = fill;
    }
    ~Surface()
    {
        SelectObject(dc, old);
        DeleteObject(bmp);
        DeleteDC(dc);
    }
    Rgb At(int x, int y)
    {
        GdiFlush();
        uint32_t v = px[y * w + x];
        return Rgb{int((v >> 16) & 255), int((v >> 8) & 255), int(v & 255)};
    }
};

const Rgb kGrey{0x40, 0x40, 0x40};

} // namespace

TEST(ImgIoWrite, BitmapFileIsTheHeaderThenTheBlockByteForByte)
{
    testsupport::ScratchDir dir;
    struct Case { const char* name; HGLOBAL block; };
    const Case cases[] = {
        {"c24.bmp", PatternBlock(5, 3, 7)}, // spare bytes at the end are not part of the image
        {"p8.bmp", MakeBlock(6, 2, 8, Ramp(256, 1), 0, [](int y, unsigned char* r) {
             for (int x = 0; x < 6; ++x) r[x] = uint8_t(x * 40 + y);
         })},
        {"p4.bmp", MakeBlock(7, 3, 4, Ramp(3, 80), 3, [](int y, unsigned char* r) {
             r[0] = 0x01; r[1] = 0x20; r[2] = uint8_t(0x10 * (y % 3)); r[3] = 0x20;
         })},
        {"m1.bmp", MakeBlock(13, 2, 1, Ramp(2, 255), 2, [](int y, unsigned char* r) { r[0] = 0xA5; r[1] = uint8_t(0xF0 >> y); })},
    };
    for (const Case& c : cases) {
        std::string path = dir.File(c.name);
        ASSERT_EQ(ImgIoWriteFile(c.block, path.c_str(), IMGIO_FORMAT_BMP, 0), 0) << c.name;
        Bytes file = testsupport::ReadBytes(path);
        EXPECT_EQ(file, ExpectedFile(c.block)) << c.name;

        // Read back, the image is the same.
        Image back = ReadImage(path);
        ASSERT_TRUE(back.ok) << c.name;
        dib::Layout l;
        ASSERT_TRUE(dib::IsValidBlock(c.block, &l));
        Image orig = TakeImage(c.block);
        EXPECT_EQ(back.Width(), orig.Width()) << c.name;
        EXPECT_EQ(back.Height(), orig.Height()) << c.name;
        EXPECT_EQ(back.Bits(), orig.Bits()) << c.name;
        EXPECT_EQ(back.header.biXPelsPerMeter, 3780) << c.name;
        ASSERT_GE(back.PaletteSize(), orig.PaletteSize()) << c.name;
        for (unsigned i = 0; i < orig.PaletteSize(); ++i)
            EXPECT_EQ(back.PaletteAt(i), orig.PaletteAt(i)) << c.name << " palette " << i;
        for (int y = 0; y < orig.Height(); ++y)
            EXPECT_EQ(0, memcmp(back.Row(y), orig.Row(y), orig.layout.stride)) << c.name << " row " << y;
    }
    // Nothing but the written files in the folder: no temporary file is left behind.
    EXPECT_EQ(dir.List().size(), 4u);
}

TEST(ImgIoWrite, WritesToThePathAsGivenAndReplacesAnOldFile)
{
    testsupport::ScratchDir dir;
    HGLOBAL block = PatternBlock(3, 2);
    const std::string star = dir.File("star");
    ASSERT_EQ(ImgIoWriteFile(block, star.c_str(), IMGIO_FORMAT_BMP, 0), 0);
    EXPECT_TRUE(testsupport::FileExists(star));
    EXPECT_FALSE(testsupport::FileExists(star + ".bmp"));

    testsupport::WriteBytes(dir.File("old.bmp"), Bytes(5000, 'x'));
    ASSERT_EQ(ImgIoWriteFile(block, dir.File("old.bmp").c_str(), IMGIO_FORMAT_BMP, 0), 0);
    EXPECT_EQ(testsupport::ReadBytes(dir.File("old.bmp")), ExpectedFile(block));
    EXPECT_EQ(dir.List().size(), 2u);
    GlobalFree(block);
}

TEST(ImgIoWrite, FailuresReportNonZeroAndLeaveTheOldFile)
{
    testsupport::ScratchDir dir;
    const std::string path = dir.File("keep.bmp");
    const Bytes old(300, 'k');
    testsupport::WriteBytes(path, old);
    HGLOBAL good = PatternBlock(3, 2);

    // Not an image: nothing written.
    HGLOBAL junk = testsupport::MakeBlock(200, 7);
    EXPECT_EQ(ImgIoWriteFile(junk, path.c_str(), IMGIO_FORMAT_BMP, 0), IMGIO_WRITE_BAD_IMAGE);
    EXPECT_NE(ImgIoWriteFile(nullptr, path.c_str(), IMGIO_FORMAT_BMP, 0), 0);
    EXPECT_NE(ImgIoWriteFile(good, nullptr, IMGIO_FORMAT_BMP, 0), 0);
    EXPECT_NE(ImgIoWriteFile(good, "", IMGIO_FORMAT_BMP, 0), 0);
    EXPECT_EQ(testsupport::ReadBytes(path), old);

    // Formats other than bitmaps.
    EXPECT_EQ(ImgIoWriteFile(good, dir.File("x.png").c_str(), 3, 0), IMGIO_WRITE_UNSUPPORTED);
    EXPECT_FALSE(testsupport::FileExists(dir.File("x.png")));

    // A read-only file is not replaced; a missing folder or a folder in the way is a failure.
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(ImgIoWriteFile(good, path.c_str(), IMGIO_FORMAT_BMP, 0), IMGIO_WRITE_FAILED);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(testsupport::ReadBytes(path), old);
    EXPECT_EQ(ImgIoWriteFile(good, dir.File("no\\such\\folder.bmp").c_str(), IMGIO_FORMAT_BMP, 0), IMGIO_WRITE_FAILED);
    CreateDirectoryA(dir.File("sub").c_str(), nullptr);
    EXPECT_EQ(ImgIoWriteFile(good, dir.File("sub").c_str(), IMGIO_FORMAT_BMP, 0), IMGIO_WRITE_FAILED);
    RemoveDirectoryA(dir.File("sub").c_str());

    // Only the original file is left: no temporary files.
    std::vector<std::string> names = dir.List();
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0], "keep.bmp");
    GlobalFree(junk);
    GlobalFree(good);
}

TEST(ImgIoDraw, DrawsPixelsAtSizeEnlargedAndReduced)
{
    HGLOBAL block = PatternBlock(4, 3);
    Surface s(20, 20, 0x404040);
    RECT at = {2, 3, 6, 6};
    EXPECT_NE(ImgIoDrawDib(s.dc, &at, block, 0, 0, 0), 0);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(s.At(2 + x, 3 + y), Pattern(x, y)) << x << "," << y;
    EXPECT_EQ(s.At(1, 3), kGrey);
    EXPECT_EQ(s.At(6, 3), kGrey);
    EXPECT_EQ(s.At(2, 2), kGrey);
    EXPECT_EQ(s.At(2, 6), kGrey);

    // Twice the size: each pixel becomes a 2 x 2 square.
    RECT big = {10, 10, 18, 16};
    EXPECT_NE(ImgIoDrawDib(s.dc, &big, block, 0, 0, 0), 0);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(s.At(10 + x, 10 + y), Pattern(x / 2, y / 2)) << x << "," << y;
    GlobalFree(block);

    // A flat image keeps its colour when reduced.
    HGLOBAL flat = MakeBlock(16, 16, 24, {}, 0, [](int, unsigned char* r) {
        for (int x = 0; x < 16; ++x) { r[3 * x] = 30; r[3 * x + 1] = 160; r[3 * x + 2] = 220; }
    });
    Surface t(8, 8, 0);
    RECT small = {0, 0, 4, 4};
    EXPECT_NE(ImgIoDrawDib(t.dc, &small, flat, 0, 0, 0), 0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            Rgb c = t.At(x, y);
            EXPECT_NEAR(c.r, 220, 3); EXPECT_NEAR(c.g, 160, 3); EXPECT_NEAR(c.b, 30, 3);
        }
    EXPECT_EQ(t.At(4, 0), (Rgb{0, 0, 0}));
    GlobalFree(flat);
}

TEST(ImgIoDraw, PaletteImagesAndTheDeviceContextsState)
{
    std::vector<RGBQUAD> pal = {RGBQUAD{0, 0, 255, 0}, RGBQUAD{0, 255, 0, 0}};
    HGLOBAL mono = MakeBlock(3, 1, 1, pal, 2, [](int, unsigned char* r) { r[0] = 0x40; });
    HGLOBAL gray = MakeBlock(2, 1, 8, Ramp(256, 1), 0, [](int, unsigned char* r) { r[0] = 7; r[1] = 200; });
    Surface s(10, 4, 0x404040);
    SetStretchBltMode(s.dc, BLACKONWHITE);
    SetBrushOrgEx(s.dc, 3, 1, nullptr);
    RECT a = {0, 0, 3, 1}, b = {0, 2, 2, 3};
    EXPECT_NE(ImgIoDrawDib(s.dc, &a, mono, 0, 0, 0), 0);
    EXPECT_NE(ImgIoDrawDib(s.dc, &b, gray, 0, 0, 0), 0);
    EXPECT_EQ(s.At(0, 0), (Rgb{255, 0, 0}));
    EXPECT_EQ(s.At(1, 0), (Rgb{0, 255, 0}));
    EXPECT_EQ(s.At(2, 0), (Rgb{255, 0, 0}));
    EXPECT_EQ(s.At(0, 2), (Rgb{7, 248, 7}));
    EXPECT_EQ(s.At(1, 2), (Rgb{200, 55, 200}));

    // Reducing halftones, yet the caller's modes come back.
    RECT tiny = {5, 0, 6, 1};
    EXPECT_NE(ImgIoDrawDib(s.dc, &tiny, mono, 0, 0, 0), 0);
    EXPECT_EQ(GetStretchBltMode(s.dc), BLACKONWHITE);
    POINT org;
    GetBrushOrgEx(s.dc, &org);
    EXPECT_EQ(org.x, 3);
    EXPECT_EQ(org.y, 1);

    // Nothing to draw, or nowhere to draw it: 0 and the surface untouched.
    HGLOBAL junk = testsupport::MakeBlock(100, 3);
    RECT empty = {4, 0, 4, 3}, inverted = {8, 3, 6, 0}, fine = {6, 0, 9, 1};
    EXPECT_EQ(ImgIoDrawDib(s.dc, &fine, junk, 0, 0, 0), 0);
    EXPECT_EQ(ImgIoDrawDib(s.dc, &empty, mono, 0, 0, 0), 0);
    EXPECT_EQ(ImgIoDrawDib(s.dc, &inverted, mono, 0, 0, 0), 0);
    EXPECT_EQ(ImgIoDrawDib(s.dc, nullptr, mono, 0, 0, 0), 0);
    EXPECT_EQ(ImgIoDrawDib(nullptr, &fine, mono, 0, 0, 0), 0);
    EXPECT_EQ(ImgIoDrawDib(s.dc, &fine, nullptr, 0, 0, 0), 0);
    for (int x = 6; x < 10; ++x)
        EXPECT_EQ(s.At(x, 0), kGrey) << x;
    GlobalFree(junk);
    GlobalFree(mono);
    GlobalFree(gray);
}
