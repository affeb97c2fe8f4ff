// Reading TGA and PCX files, written here byte by byte, and surviving damaged ones.
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

void Put16(Bytes& v, unsigned x) { v.push_back(uint8_t(x)); v.push_back(uint8_t(x >> 8)); }
void Put32(Bytes& v, uint32_t x) { Put16(v, x & 0xFFFF); Put16(v, x >> 16); }
void Append(Bytes& v, const Bytes& more) { v.insert(v.end(), more.begin(), more.end()); }

Rgb Pattern(int x, int y) { return Rgb{(x * 50 + 10) & 255, (y * 80 + 20) & 255, ((x + y) * 30 + 5) & 255}; }

const Rgb kWhite{255, 255, 255};

// ---- TGA ----

struct TgaSpec {
    uint8_t type = 2;
    int width = 5, height = 3;
    uint8_t depth = 24;
    uint8_t descriptor = 0;
    Bytes id;
    Bytes map;
    uint16_t mapFirst = 0, mapLength = 0;
    uint8_t mapBits = 0;
};

// Run-length packets over a stream of pixels of the given size; runs may cross rows.
Bytes TgaRle(const Bytes& pixels, size_t size)
{
    Bytes out;
    size_t count = pixels.size() / size, i = 0;
    auto same = [&](size_t a, size_t b) { return memcmp(&pixels[a * size], &pixels[b * size], size) == 0; };
    while (i < count) {
        size_t run = 1;
        while (i + run < count && run < 128 && same(i, i + run))
            ++run;
        if (run > 1) {
            out.push_back(uint8_t(0x80 | (run - 1)));
            out.insert(out.end(), pixels.begin() + long(i * size), pixels.begin() + long((i + 1) * size));
            i += run;
            continue;
        }
        size_t raw = 1;
        while (i + raw < count && raw < 128 && !(i + raw + 1 < count && same(i + raw, i + raw + 1)))
            ++raw;
        out.push_back(uint8_t(raw - 1));
        out.insert(out.end(), pixels.begin() + long(i * size), pixels.begin() + long((i + raw) * size));
        i += raw;
    }
    return out;
}

Bytes Tga(const TgaSpec& s, const Bytes& data)
{
    Bytes v;
    v.push_back(uint8_t(s.id.size()));
    v.push_back(s.mapBits ? 1 : 0);
    v.push_back(s.type);
    Put16(v, s.mapFirst); Put16(v, s.mapLength); v.push_back(s.mapBits);
    Put16(v, 0); Put16(v, 0); Put16(v, unsigned(s.width)); Put16(v, unsigned(s.height));
    v.push_back(s.depth); v.push_back(s.descriptor);
    Append(v, s.id);
    Append(v, s.map);
    Append(v, data);
    return v;
}

// The TGA 2.0 extension area (attributes type as given) and footer.
void AddTgaFooter(Bytes& v, int attributesType)
{
    uint32_t ext = 0;
    if (attributesType >= 0) {
        ext = uint32_t(v.size());
        Bytes area(495, 0);
        area[0] = 495 & 0xFF;
        area[1] = 495 >> 8;
        area[494] = uint8_t(attributesType);
        Append(v, area);
    }
    Put32(v, ext);
    Put32(v, 0);
    const char sig[] = "TRUEVISION-XFILE.";
    v.insert(v.end(), sig, sig + sizeof sig);
}

// Pixels in file order (rows bottom to top unless topDown; right to left when mirrored) from
// pixel(x, y) counted from the picture's top left.
Bytes TgaPixels(int w, int h, bool topDown, bool mirrored, const std::function<Bytes(int, int)>& pixel)
{
    Bytes v;
    for (int row = 0; row < h; ++row)
        for (int i = 0; i < w; ++i)
            Append(v, pixel(mirrored ? w - 1 - i : i, topDown ? row : h - 1 - row));
    return v;
}

Bytes Bgr(const Rgb& c) { return Bytes{uint8_t(c.b), uint8_t(c.g), uint8_t(c.r)}; }

// ---- PCX ----

struct PcxSpec {
    int width = 5, height = 3;
    uint8_t bitsPerPixel = 8;
    uint8_t planes = 1;
    int bytesPerLine = 0; // 0: the least, rounded up to even
    uint8_t version = 5;
    bool rle = true;
    uint16_t dpi = 0;
    Bytes headerPalette; // up to 48 bytes
};

int LineBytes(const PcxSpec& s)
{
    if (s.bytesPerLine)
        return s.bytesPerLine;
    int n = (s.width * s.bitsPerPixel + 7) / 8;
    return n + (n & 1);
}

// Runs of up to 63; runs may continue into the next line, as some writers do.
Bytes PcxRle(const Bytes& raw)
{
    Bytes out;
    for (size_t i = 0; i < raw.size();) {
        size_t run = 1;
        while (i + run < raw.size() && run < 63 && raw[i + run] == raw[i])
            ++run;
        if (run > 1 || raw[i] >= 0xC0) {
            out.push_back(uint8_t(0xC0 | run));
            out.push_back(raw[i]);
        } else {
            out.push_back(raw[i]);
        }
        i += run;
    }
    return out;
}

// planeBytes(y, plane) gives one plane's line (padded to the line length here).
Bytes Pcx(const PcxSpec& s, const std::function<Bytes(int, int)>& planeBytes, const Bytes* trailingPalette = nullptr)
{
    Bytes v;
    v.push_back(0x0A); v.push_back(s.version); v.push_back(s.rle ? 1 : 0); v.push_back(s.bitsPerPixel);
    Put16(v, 10); Put16(v, 20); Put16(v, unsigned(10 + s.width - 1)); Put16(v, unsigned(20 + s.height - 1));
    Put16(v, s.dpi); Put16(v, s.dpi);
    Bytes pal = s.headerPalette;
    pal.resize(48, 0);
    Append(v, pal);
    v.push_back(0); v.push_back(s.planes); Put16(v, unsigned(LineBytes(s))); Put16(v, 1);
    v.resize(128, 0);
    Bytes raw;
    for (int y = 0; y < s.height; ++y)
        for (int p = 0; p < s.planes; ++p) {
            Bytes line = planeBytes(y, p);
            line.resize(size_t(LineBytes(s)), 0);
            Append(raw, line);
        }
    Append(v, s.rle ? PcxRle(raw) : raw);
    if (trailingPalette) {
        v.push_back(0x0C);
        Append(v, *trailingPalette);
    }
    return v;
}

// Packs 1-bit values, most significant bit first.
Bytes Bits1(int w, const std::function<int(int)>& bit)
{
    Bytes v(size_t((w + 7) / 8), 0);
    for (int x = 0; x < w; ++x)
        v[size_t(x / 8)] |= uint8_t((bit(x) & 1) << (7 - x % 8));
    return v;
}

} // namespace

TEST(ImgIoTga, TrueColourInEveryOrientationAndEncoding)
{
    testsupport::ScratchDir dir;
    auto bgr = [](int x, int y) { return Bgr(Pattern(x, y)); };
    for (int variant = 0; variant < 8; ++variant) {
        bool topDown = variant & 1, mirrored = variant & 2, rle = variant & 4;
        TgaSpec s;
        s.type = rle ? 10 : 2;
        s.descriptor = uint8_t((topDown ? 0x20 : 0) | (mirrored ? 0x10 : 0));
        s.id = Bytes{'i', 'd'};
        Bytes px = TgaPixels(5, 3, topDown, mirrored, bgr);
        Image img = ReadBytes(dir.File("c.tga"), Tga(s, rle ? TgaRle(px, 3) : px));
        ASSERT_TRUE(img.ok) << variant;
        EXPECT_EQ(img.Bits(), 24);
        EXPECT_EQ(img.header.biXPelsPerMeter, 0);
        EXPECT_EQ(img.header.biSizeImage, 16u * 3);
        EXPECT_TRUE(img.movable);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                ASSERT_EQ(img.At(x, y), Pattern(x, y)) << variant << " at " << x << "," << y;
    }

    // Runs that cross rows, in a picture of a few flat colours.
    TgaSpec s;
    s.type = 10;
    s.width = 7;
    s.height = 4;
    auto flat = [](int x, int y) { return Bgr(y < 2 || (y == 2 && x < 3) ? Rgb{9, 99, 199} : Rgb{250, 1, 2}); };
    Bytes px = TgaPixels(7, 4, false, false, flat);
    Bytes packed = TgaRle(px, 3);
    ASSERT_LT(packed.size(), 20u);
    Image img = ReadBytes(dir.File("r.tga"), Tga(s, packed));
    ASSERT_TRUE(img.ok);
    EXPECT_EQ(img.At(6, 1), (Rgb{9, 99, 199}));
    EXPECT_EQ(img.At(2, 2), (Rgb{9, 99, 199}));
    EXPECT_EQ(img.At(3, 2), (Rgb{250, 1, 2}));
    EXPECT_EQ(img.At(0, 3), (Rgb{250, 1, 2}));
}

TEST(ImgIoTga, SixteenAndThirtyTwoBitsAndTheirAlpha)
{
    testsupport::ScratchDir dir;
    TgaSpec s;
    s.width = 3;
    s.height = 1;
    s.depth = 16;
    // 5-5-5: red 31 / green 16 / blue 1, with the attribute bit set on one (it is not transparency).
    Bytes px = {0x00, 0x7C, 0x00, 0x82, 0x01, 0x00};
    Image c16 = ReadBytes(dir.File("a.tga"), Tga(s, px));
    ASSERT_TRUE(c16.ok);
    EXPECT_EQ(c16.Bits(), 24);
    EXPECT_EQ(c16.At(0, 0), (Rgb{255, 0, 0}));
    EXPECT_EQ(c16.At(1, 0), (Rgb{0, 132, 0}));
    EXPECT_EQ(c16.At(2, 0), (Rgb{0, 0, 8}));

    s.depth = 32;
    s.width = 4;
    Bytes bgra = {0x30, 0x20, 0x10, 0xFF, 0x30, 0x20, 0x10, 0x00, 0x00, 0x00, 0x00, 0x80, 0x80, 0x00, 0xFF, 0x40};
    s.descriptor = 8; // eight alpha bits: laid over white
    Image a = ReadBytes(dir.File("b.tga"), Tga(s, bgra));
    ASSERT_TRUE(a.ok);
    EXPECT_EQ(a.At(0, 0), (Rgb{0x10, 0x20, 0x30}));
    EXPECT_EQ(a.At(1, 0), kWhite);
    EXPECT_EQ(a.At(2, 0), (Rgb{127, 127, 127}));
    EXPECT_EQ(a.At(3, 0), (Rgb{255, 191, 223}));

    s.descriptor = 0; // no alpha bits: the fourth byte means nothing
    Image opaque = ReadBytes(dir.File("c.tga"), Tga(s, bgra));
    ASSERT_TRUE(opaque.ok);
    EXPECT_EQ(opaque.At(1, 0), (Rgb{0x10, 0x20, 0x30}));

    // The extension area's word wins over the header's: no alpha, then premultiplied alpha.
    s.descriptor = 8;
    Bytes none = Tga(s, bgra);
    AddTgaFooter(none, 0);
    Image n = ReadBytes(dir.File("d.tga"), none);
    ASSERT_TRUE(n.ok);
    EXPECT_EQ(n.At(2, 0), (Rgb{0, 0, 0}));
    Bytes pre = Tga(s, bgra);
    AddTgaFooter(pre, 4);
    Image p = ReadBytes(dir.File("e.tga"), pre);
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.At(2, 0), (Rgb{127, 127, 127}));
    EXPECT_EQ(p.At(3, 0), (Rgb{255, 191, 255})); // 0x80 + 255 - 0x40 saturates
}

TEST(ImgIoTga, GrayAndColourMapped)
{
    testsupport::ScratchDir dir;
    TgaSpec g;
    g.type = 3;
    g.depth = 8;
    g.width = 4;
    g.height = 2;
    Bytes gray = {10, 20, 30, 40, 200, 200, 200, 201}; // bottom row first
    for (bool rle : {false, true}) {
        g.type = rle ? 11 : 3;
        Image img = ReadBytes(dir.File("g.tga"), Tga(g, rle ? TgaRle(gray, 1) : gray));
        ASSERT_TRUE(img.ok) << rle;
        EXPECT_TRUE(img.IsGrayRamp());
        EXPECT_EQ(img.IndexAt(0, 1), 10u);
        EXPECT_EQ(img.IndexAt(3, 1), 40u);
        EXPECT_EQ(img.IndexAt(3, 0), 201u);
    }
    g.type = 3;
    g.depth = 16;
    g.descriptor = 8;
    g.height = 1;
    g.width = 2;
    Image ga = ReadBytes(dir.File("ga.tga"), Tga(g, Bytes{100, 255, 0, 128}));
    ASSERT_TRUE(ga.ok);
    EXPECT_TRUE(ga.IsGrayRamp());
    EXPECT_EQ(ga.IndexAt(0, 0), 100u);
    EXPECT_EQ(ga.IndexAt(1, 0), 127u);

    // A map of four colours starting at entry 2; index 9 lies past the map.
    TgaSpec m;
    m.width = 4;
    m.height = 2;
    m.depth = 8;
    m.mapBits = 24;
    m.mapFirst = 2;
    m.mapLength = 4;
    m.map = {0, 0, 255, 0, 255, 0, 255, 0, 0, 7, 8, 9};
    Bytes idx = {2, 3, 4, 5, 5, 9, 2, 2}; // bottom row first
    for (bool rle : {false, true}) {
        m.type = rle ? 9 : 1;
        Image img = ReadBytes(dir.File("m.tga"), Tga(m, rle ? TgaRle(idx, 1) : idx));
        ASSERT_TRUE(img.ok) << rle;
        EXPECT_EQ(img.Bits(), 8);
        EXPECT_EQ(img.PaletteSize(), 6u);
        EXPECT_EQ(img.header.biClrUsed, 6u);
        EXPECT_EQ(img.At(0, 1), (Rgb{255, 0, 0}));
        EXPECT_EQ(img.At(1, 1), (Rgb{0, 255, 0}));
        EXPECT_EQ(img.At(2, 1), (Rgb{0, 0, 255}));
        EXPECT_EQ(img.At(3, 1), (Rgb{9, 8, 7}));
        EXPECT_EQ(img.IndexAt(1, 0), 0u);
    }

    // A true-colour image may carry a map it does not use.
    TgaSpec t;
    t.width = 1;
    t.height = 1;
    t.mapBits = 16;
    t.mapLength = 3;
    t.map = Bytes(6, 0xEE);
    Image skip = ReadBytes(dir.File("t.tga"), Tga(t, Bytes{1, 2, 3}));
    ASSERT_TRUE(skip.ok);
    EXPECT_EQ(skip.At(0, 0), (Rgb{3, 2, 1}));
}

TEST(ImgIoTga, OnlyClaimedByItsExtensionFooterOrThePickersChoice)
{
    testsupport::ScratchDir dir;
    TgaSpec s;
    s.width = 1;
    s.height = 1;
    Bytes plain = Tga(s, Bytes{1, 2, 3});
    EXPECT_TRUE(ReadBytes(dir.File("x.TGA"), plain).ok);
    EXPECT_FALSE(ReadBytes(dir.File("x.dat"), plain).ok);
    EXPECT_FALSE(ReadBytes(dir.File("x"), plain).ok);

    IMGIOOPTIONS chosen = {};
    chosen.dwSize = sizeof chosen;
    chosen.dwFormat = IMGIO_INDEX_TGA;
    EXPECT_TRUE(ReadImage(dir.File("x"), &chosen).ok);

    Bytes withFooter = plain;
    AddTgaFooter(withFooter, -1);
    EXPECT_TRUE(ReadBytes(dir.File("y"), withFooter).ok);
}

TEST(ImgIoTga, DamagedFilesAreRefused)
{
    testsupport::ScratchDir dir;
    const std::string path = dir.File("d.tga");
    auto bgr = [](int x, int y) { return Bgr(Pattern(x, y)); };
    TgaSpec s;
    Bytes raw = Tga(s, TgaPixels(5, 3, false, false, bgr));
    s.type = 10;
    Bytes rle = Tga(s, TgaRle(TgaPixels(5, 3, false, false, bgr), 3));
    TgaSpec m;
    m.type = 9;
    m.width = 4;
    m.height = 2;
    m.depth = 8;
    m.mapBits = 32;
    m.mapLength = 3;
    m.map = Bytes(12, 0x55);
    Bytes mapped = Tga(m, TgaRle(Bytes{0, 1, 2, 2, 2, 2, 1, 0}, 1));
    for (const Bytes* b : {&raw, &rle, &mapped}) {
        ASSERT_TRUE(ReadBytes(path, *b).ok);
        EXPECT_EQ(FirstAcceptedPrefix(path, *b), 0u);
    }

    auto refused = [&](const Bytes& bytes) { return !ReadBytes(path, bytes).ok; };
    Bytes v = raw; v[2] = 0;    EXPECT_TRUE(refused(v)) << "no image";
    v = raw; v[2] = 32;         EXPECT_TRUE(refused(v)) << "compressed with a scheme we lack";
    v = raw; v[16] = 12;        EXPECT_TRUE(refused(v)) << "depth";
    v = raw; v[12] = v[13] = 0; EXPECT_TRUE(refused(v)) << "no width";
    v = raw; v[17] = 0x40;      EXPECT_TRUE(refused(v)) << "interleaved";
    v = raw; v[0] = 200;        EXPECT_TRUE(refused(v)) << "identification past the end";
    v = mapped; v[7] = 8;       EXPECT_TRUE(refused(v)) << "map entry size";
    v = mapped; v[5] = 0xFF;    EXPECT_TRUE(refused(v)) << "map past the end";

    // 65535 x 65535 claimed by a few bytes: refused at once, without a gigabyte allocation.
    v = rle; v[12] = v[13] = v[14] = v[15] = 0xFF;
    DWORD start = GetTickCount();
    EXPECT_TRUE(refused(v));
    // A gray one of 32767 x 32767 fits below the size limit, yet the data is far too short.
    v[12] = v[14] = 0xFF; v[13] = v[15] = 0x7F; v[16] = 8; v[2] = 11;
    EXPECT_TRUE(refused(v));
    EXPECT_LT(GetTickCount() - start, 2000u);

    MutateAndRead(path, rle, 300);
    MutateAndRead(path, mapped, 300);
}

TEST(ImgIoPcx, IndexedDepthsKeepTheirPalette)
{
    testsupport::ScratchDir dir;
    Bytes egaPal;
    for (int i = 0; i < 16; ++i) {
        egaPal.push_back(uint8_t(i * 16)); egaPal.push_back(uint8_t(255 - i)); egaPal.push_back(uint8_t(i * 7));
    }
    auto palColour = [&](unsigned i) { return Rgb{egaPal[i * 3], egaPal[i * 3 + 1], egaPal[i * 3 + 2]}; };
    auto index = [](int x, int y) { return (x * 5 + y * 3) % 16; };

    // Monochrome: black and white, or the header's two colours when it gives distinct ones.
    PcxSpec mono;
    mono.width = 11;
    mono.bitsPerPixel = 1;
    auto monoBits = [](int y, int) { return Bits1(11, [y](int x) { return (x + y) % 3 == 0; }); };
    Image bw = ReadBytes(dir.File("m.pcx"), Pcx(mono, monoBits));
    ASSERT_TRUE(bw.ok);
    EXPECT_EQ(bw.Bits(), 1);
    EXPECT_EQ(bw.PaletteSize(), 2u);
    EXPECT_EQ(bw.At(0, 0), kWhite);
    EXPECT_EQ(bw.At(1, 0), (Rgb{0, 0, 0}));
    EXPECT_EQ(bw.At(10, 2), kWhite);
    mono.headerPalette = {0, 0, 128, 255, 255, 0};
    Image duo = ReadBytes(dir.File("m2.pcx"), Pcx(mono, monoBits));
    ASSERT_TRUE(duo.ok);
    EXPECT_EQ(duo.At(0, 0), (Rgb{255, 255, 0}));
    EXPECT_EQ(duo.At(1, 0), (Rgb{0, 0, 128}));

    // Sixteen colours as four bit planes, and as packed nibbles.
    PcxSpec planar;
    planar.width = 9;
    planar.bitsPerPixel = 1;
    planar.planes = 4;
    planar.headerPalette = egaPal;
    Image ega = ReadBytes(dir.File("e.pcx"),
                          Pcx(planar, [&](int y, int p) { return Bits1(9, [&](int x) { return index(x, y) >> p; }); }));
    PcxSpec packed = planar;
    packed.bitsPerPixel = 4;
    packed.planes = 1;
    Image nib = ReadBytes(dir.File("n.pcx"), Pcx(packed, [&](int y, int) {
        Bytes v(5, 0);
        for (int x = 0; x < 9; ++x)
            v[size_t(x / 2)] |= uint8_t(x % 2 ? index(x, y) : index(x, y) << 4);
        return v;
    }));
    for (const Image* img : {&ega, &nib}) {
        ASSERT_TRUE(img->ok);
        EXPECT_EQ(img->Bits(), 4);
        EXPECT_EQ(img->PaletteSize(), 16u);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 9; ++x)
                ASSERT_EQ(img->At(x, y), palColour(unsigned(index(x, y)))) << x << "," << y;
    }

    // Four colours in two-bit pixels.
    PcxSpec cga;
    cga.width = 6;
    cga.height = 1;
    cga.bitsPerPixel = 2;
    cga.headerPalette = egaPal;
    Image four = ReadBytes(dir.File("c.pcx"), Pcx(cga, [](int, int) { return Bytes{0x1B, 0xE0}; })); // 0 1 2 3 3 2
    ASSERT_TRUE(four.ok);
    EXPECT_EQ(four.Bits(), 4);
    EXPECT_EQ(four.PaletteSize(), 4u);
    const unsigned expect[6] = {0, 1, 2, 3, 3, 2};
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(four.IndexAt(x, 0), expect[x]);
    EXPECT_EQ(four.At(3, 0), palColour(3));

    // 256 colours with the trailing palette; without one the values are gray levels.
    Bytes pal768;
    for (int i = 0; i < 256; ++i) {
        pal768.push_back(uint8_t(i)); pal768.push_back(uint8_t(255 - i)); pal768.push_back(uint8_t(i / 2));
    }
    PcxSpec p8;
    p8.width = 5;
    p8.dpi = 300;
    auto line8 = [](int y, int) { Bytes v; for (int x = 0; x < 5; ++x) v.push_back(uint8_t(x * 60 + y)); return v; };
    Image c8 = ReadBytes(dir.File("p.pcx"), Pcx(p8, line8, &pal768));
    ASSERT_TRUE(c8.ok);
    EXPECT_EQ(c8.Bits(), 8);
    EXPECT_EQ(c8.PaletteSize(), 256u);
    EXPECT_EQ(c8.IndexAt(4, 2), 242u);
    EXPECT_EQ(c8.At(4, 2), (Rgb{242, 13, 121}));
    EXPECT_EQ(c8.header.biXPelsPerMeter, 11811);
    Image g8 = ReadBytes(dir.File("g.pcx"), Pcx(p8, line8));
    ASSERT_TRUE(g8.ok);
    EXPECT_TRUE(g8.IsGrayRamp());
    EXPECT_EQ(g8.IndexAt(1, 1), 61u);
}

TEST(ImgIoPcx, TrueColourPlanesRawAndEncoded)
{
    testsupport::ScratchDir dir;
    auto rgbPlane = [](int y, int p) {
        Bytes v;
        for (int x = 0; x < 5; ++x) {
            Rgb c = Pattern(x, y);
            v.push_back(uint8_t(p == 0 ? c.r : p == 1 ? c.g : c.b));
        }
        return v;
    };
    for (bool rle : {true, false}) {
        PcxSpec s;
        s.planes = 3;
        s.rle = rle;
        Image img = ReadBytes(dir.File("c.pcx"), Pcx(s, rgbPlane));
        ASSERT_TRUE(img.ok) << rle;
        EXPECT_EQ(img.Bits(), 24);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                ASSERT_EQ(img.At(x, y), Pattern(x, y)) << rle << " at " << x << "," << y;
    }

    // A fourth plane is alpha, laid over white.
    PcxSpec a;
    a.planes = 4;
    a.width = 2;
    a.height = 1;
    Image al = ReadBytes(dir.File("a.pcx"), Pcx(a, [](int, int p) {
        return p == 3 ? Bytes{0, 128} : Bytes{0x00, 0x00};
    }));
    ASSERT_TRUE(al.ok);
    EXPECT_EQ(al.At(0, 0), kWhite);
    EXPECT_EQ(al.At(1, 0), (Rgb{127, 127, 127}));

    // Runs that carry on from one line into the next, across a flat picture.
    PcxSpec flat;
    flat.planes = 3;
    flat.width = 40;
    flat.height = 6;
    Bytes file = Pcx(flat, [](int, int p) { return Bytes(40, uint8_t(p == 1 ? 0xC8 : 0x11)); });
    ASSERT_LT(file.size(), 128u + 40u);
    Image f = ReadBytes(dir.File("f.pcx"), file);
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(f.At(39, 5), (Rgb{0x11, 0xC8, 0x11}));
    EXPECT_EQ(f.At(0, 0), (Rgb{0x11, 0xC8, 0x11}));
}

TEST(ImgIoPcx, DamagedFilesAreRefused)
{
    testsupport::ScratchDir dir;
    const std::string path = dir.File("d.pcx");
    Bytes pal768(768, 0x42);
    PcxSpec s8;
    s8.width = 7;
    auto line8 = [](int y, int) { Bytes v; for (int x = 0; x < 7; ++x) v.push_back(uint8_t(x * 40 + y)); return v; };
    Bytes indexed = Pcx(s8, line8, &pal768);
    PcxSpec s24;
    s24.planes = 3;
    Bytes colour = Pcx(s24, [](int y, int p) { return Bytes{uint8_t(y), uint8_t(p), 0xC1, 0xC1, 9}; });
    PcxSpec s1;
    s1.bitsPerPixel = 1;
    s1.planes = 4;
    s1.width = 12;
    Bytes planar = Pcx(s1, [](int y, int p) { return Bytes{uint8_t(0x5A + y), uint8_t(0xF0 >> p)}; });
    auto refused = [&](const Bytes& bytes) { return !ReadBytes(path, bytes).ok; };
    for (const Bytes* b : {&colour, &planar}) {
        ASSERT_TRUE(ReadBytes(path, *b).ok);
        EXPECT_EQ(FirstAcceptedPrefix(path, *b), 0u);
    }
    // Cut anywhere, an 8-bit file is refused, except at the one length that is itself a whole
    // file: the pixels without a palette (read as gray levels).
    ASSERT_TRUE(ReadBytes(path, indexed).ok);
    Bytes pixelsOnly(indexed.begin(), indexed.end() - 769);
    EXPECT_FALSE(refused(pixelsOnly));
    EXPECT_EQ(FirstAcceptedPrefix(path, pixelsOnly), 0u);
    for (size_t keep = 1; keep <= 768; keep += keep < 760 ? 37 : 1) {
        Bytes cut(indexed.begin(), indexed.begin() + long(pixelsOnly.size() + keep));
        EXPECT_TRUE(refused(cut)) << keep << " bytes of the palette";
    }

    Bytes v = colour; v[0] = 0x0B;         EXPECT_TRUE(refused(v)) << "maker";
    v = colour; v[1] = 9;                  EXPECT_TRUE(refused(v)) << "version";
    v = colour; v[2] = 2;                  EXPECT_TRUE(refused(v)) << "encoding";
    v = colour; v[3] = 3;                  EXPECT_TRUE(refused(v)) << "depth";
    v = colour; v[65] = 2;                 EXPECT_TRUE(refused(v)) << "8-bit with two planes";
    v = colour; v[66] = 2; v[67] = 0;      EXPECT_TRUE(refused(v)) << "line shorter than the width";
    v = colour; v[8] = 0; v[9] = 0;        EXPECT_TRUE(refused(v)) << "right edge left of the left one";
    v = planar; v[65] = 5;                 EXPECT_TRUE(refused(v)) << "five planes";

    // 30000 x 30000 (within the size limit) claimed by a few bytes of runs.
    v = indexed;
    v[4] = v[5] = v[6] = v[7] = 0;
    v[8] = v[10] = 0x2F; v[9] = v[11] = 0x75;
    v[66] = 0x30; v[67] = 0x75;
    DWORD start = GetTickCount();
    EXPECT_TRUE(refused(v));
    EXPECT_LT(GetTickCount() - start, 2000u);

    MutateAndRead(path, colour, 300);
    MutateAndRead(path, planar, 300);
    MutateAndRead(path, indexed, 300);
}
