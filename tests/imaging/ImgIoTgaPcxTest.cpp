// Reading TGA and PCX files, written here byte by byte: every kind, depth, origin and encoding,
// and damaged files.
#include "ImgIoTestUtil.h"

using namespace imgiotest;

namespace {

// The picture the matrices draw: flat top rows (so that runs cross rows), varied below.
int Key(int x, int y) { return y < 2 ? 0 : 1 + (x * 3 + y) % 7; }
Rgb KeyColour(int k) { return Rgb{(k * 37 + 10) & 255, 200 - k * 23, (k * 61 + 5) & 255}; }
Bytes Bgr(const Rgb& c) { return Bytes{uint8_t(c.b), uint8_t(c.g), uint8_t(c.r)}; }

// Run-length packets over pixels of n bytes; runs may cross rows.
Bytes TgaRle(const Bytes& px, size_t n)
{
    Bytes out;
    auto same = [&](size_t a, size_t b) { return memcmp(&px[a * n], &px[b * n], n) == 0; };
    for (size_t i = 0, count = px.size() / n, run; i < count; i += run) {
        for (run = 1; i + run < count && run < 128 && same(i, i + run);)
            ++run;
        const bool repeat = run > 1;
        while (!repeat && i + run < count && run < 128 && !(i + run + 1 < count && same(i + run, i + run + 1)))
            ++run;
        out.push_back(uint8_t((repeat ? 0x80 : 0) | (run - 1)));
        out.insert(out.end(), px.begin() + long(i * n), px.begin() + long((repeat ? i + 1 : i + run) * n));
    }
    return out;
}

// A TGA file with a two-byte identification field.
Bytes Tga(uint8_t type, int w, int h, uint8_t depth, uint8_t descriptor, const Bytes& data, const Bytes& map = {},
          unsigned mapFirst = 0, uint8_t mapBits = 0)
{
    Bytes v = {2, uint8_t(mapBits ? 1 : 0), type};
    Put16(v, mapFirst); Put16(v, mapBits ? unsigned(map.size() / ((mapBits + 7) / 8)) : 0); v.push_back(mapBits);
    Put32(v, 0); Put16(v, unsigned(w)); Put16(v, unsigned(h));
    return v + Bytes{depth, descriptor, 'i', 'd'} + map + data;
}

// A PCX file at 300 dpi whose pixel (x, y) in plane p is value(x, y, p), bpp bits each.
Bytes Pcx(int w, int h, int bpp, int planes, bool rle, const std::function<unsigned(int, int, int)>& value,
          const Bytes& headerPalette = {}, const Bytes& trailingPalette = {})
{
    const int line = ((w * bpp + 7) / 8 + 1) & ~1;
    Bytes v = {0x0A, 5, uint8_t(rle), uint8_t(bpp)}, raw;
    Put16(v, 10); Put16(v, 20); Put16(v, unsigned(10 + w - 1)); Put16(v, unsigned(20 + h - 1));
    Put16(v, 300); Put16(v, 300);
    v = v + headerPalette;
    v.resize(65, 0);
    v.push_back(uint8_t(planes)); Put16(v, unsigned(line)); Put16(v, 1);
    v.resize(128, 0);
    for (int y = 0; y < h; ++y)
        for (int p = 0; p < planes; ++p) {
            Bytes l(size_t(line), 0);
            for (int x = 0; x < w; ++x)
                l[size_t(x * bpp / 8)] |= uint8_t(value(x, y, p) << (8 - bpp - x * bpp % 8));
            raw = raw + l;
        }
    for (size_t i = 0, run; i < raw.size(); i += run) { // runs of up to 63, carried across lines
        for (run = 1; rle && i + run < raw.size() && run < 63 && raw[i + run] == raw[i];)
            ++run;
        if (rle && (run > 1 || raw[i] >= 0xC0))
            v.push_back(uint8_t(0xC0 | run));
        v.push_back(raw[i]);
    }
    return trailingPalette.empty() ? v : v + Bytes{0x0C} + trailingPalette;
}

} // namespace

TEST(ImgIoTga, EveryKindInEveryOriginRawAndEncoded)
{
    testsupport::ScratchDir dir;
    IMGIOOPTIONS chosen = {sizeof chosen, IMGIO_INDEX_TGA, 0, {}};
    auto five = [](int c) { return (c >> 3 << 3) | (c >> 5); };                      // through 5 bits and back
    auto over = [](int c, int a) { return (c * a + 255 * (255 - a) + 127) / 255; }; // alpha over white
    // True colour with an unused map, 5-5-5 (its attribute bit is no transparency), with and without
    // alpha bits; gray, and with alpha; mapped from entry 2 (9 lies past the map: entry 0 stands in).
    const struct { uint8_t type, depth, alphaBits, mapBits; Bytes map; } kinds[] = {
        {2, 24, 0, 16, Bytes(6, 0xEE)}, {2, 16, 0, 0, {}}, {2, 32, 8, 0, {}}, {2, 32, 0, 0, {}}, {3, 8, 0, 0, {}},
        {3, 16, 8, 0, {}}, {1, 8, 0, 24, Bgr(KeyColour(0)) + Bgr(KeyColour(1)) + Bgr(KeyColour(2)) + Bgr(KeyColour(3))}};
    for (const auto& kind : kinds)
        for (int variant = 0; variant < 8; ++variant) {
            const bool topDown = variant & 1, mirrored = variant & 2, rle = variant & 4;
            Bytes px;
            for (int i = 0; i < 20; ++i) {
                const int k = Key(mirrored ? 4 - i % 5 : i % 5, topDown ? i / 5 : 3 - i / 5);
                const Rgb c = KeyColour(k);
                const unsigned v16 = (k & 1) << 15 | (c.r >> 3) << 10 | (c.g >> 3) << 5 | c.b >> 3;
                Bytes p = kind.type == 1 ? Bytes{uint8_t(k < 4 ? k + 2 : 9)}
                          : kind.type == 3 ? Bytes{uint8_t(c.r), uint8_t(k * 36)}
                          : kind.depth == 16 ? Bytes{uint8_t(v16), uint8_t(v16 >> 8)} : Bgr(c) + Bytes{uint8_t(k * 36)};
                p.resize(kind.depth / 8); // no alpha byte at 24 bits or in 8-bit gray
                px = px + p;
            }
            const std::string what = "kind " + std::to_string(&kind - kinds) + " variant " + std::to_string(variant);
            const Bytes file = Tga(uint8_t(kind.type | (rle ? 8 : 0)), 5, 4, kind.depth,
                                   uint8_t(topDown << 5 | mirrored << 4 | kind.alphaBits),
                                   rle ? TgaRle(px, kind.depth / 8) : px, kind.map, kind.type == 1 ? 2 : 0, kind.mapBits);
            // Without a signature, only its extension or the picker's choice claims a TGA file.
            EXPECT_FALSE(ReadBytes(dir.File("m.dat"), file).ok) << what;
            EXPECT_TRUE(ReadImage(dir.File("m.dat"), &chosen).ok) << what;
            Image img = ReadBytes(dir.File("m.TGA"), file);
            ExpectPicture(img, kind.type == 2 ? 24 : 8, 5, 4, [&](int x, int y) {
                const int k = Key(x, y), a = kind.alphaBits ? k * 36 : 255;
                const Rgb c = KeyColour(k);
                return kind.type == 1 ? (k > 3 ? kBlack : c) : kind.type == 3 ? Gray(over(c.r, a))
                       : kind.depth == 16 ? Rgb{five(c.r), five(c.g), five(c.b)}
                                          : Rgb{over(c.r, a), over(c.g, a), over(c.b, a)};
            }, what);
            EXPECT_TRUE(img.IsGrayRamp() == (kind.type == 3) && img.header.biXPelsPerMeter == 0) << what;
            CancelAt lastRow(4); // every row asks the thread's cancel check
            EXPECT_EQ(imgio::DecodeTga(file.data(), file.size()), nullptr) << what;
        }
}

TEST(ImgIoPcx, EveryDepthRawAndEncoded)
{
    testsupport::ScratchDir dir;
    Bytes header(48), trailing(768);
    for (size_t i = 0; i < trailing.size(); ++i)
        trailing[i] = uint8_t(i * 7), header[i % 48] = uint8_t(i % 48 * 5 + 3);
    // Bits per plane, planes, palette (0 none, 1 in the header, 2 trailing), output depth.
    const int cases[][4] = {{1, 1, 0, 1}, {1, 1, 1, 1}, {1, 4, 1, 4}, {2, 1, 1, 4}, {4, 1, 1, 4},
                            {8, 1, 2, 8}, {8, 1, 0, 8}, {8, 3, 0, 24}, {8, 4, 0, 24}};
    for (const auto& c : cases)
        for (bool rle : {false, true}) {
            // Index values from 0xC0 up must be written as runs; a fourth plane is alpha.
            const int bpp = c[0], planes = c[1], bits = bpp * planes;
            const Bytes& pal = c[2] == 2 ? trailing : header;
            auto index = [&](int x, int y) { return unsigned(Key(x, y) * 53) & ((1u << (bits & 15)) - 1); };
            auto value = [&](int x, int y, int p) -> unsigned {
                const Rgb k = KeyColour(Key(x, y));
                if (bits <= 8)
                    return planes == 1 ? index(x, y) : index(x, y) >> p & 1;
                return p == 3 ? (x ? 255 : 0) : p == 0 ? k.r : p == 1 ? k.g : k.b;
            };
            auto want = [&](int x, int y) {
                const unsigned i = index(x, y);
                if (bits > 8)
                    return x || planes == 3 ? KeyColour(Key(x, y)) : kWhite;
                if (c[2])
                    return Rgb{pal[3 * i], pal[3 * i + 1], pal[3 * i + 2]};
                return bits == 8 ? Gray(int(i)) : i ? kWhite : kBlack;
            };
            const std::string what = std::to_string(bpp) + " x " + std::to_string(planes) + (rle ? " rle" : " raw");
            const Bytes file = Pcx(9, 4, bpp, planes, rle, value, c[2] == 1 ? header : Bytes(), c[2] == 2 ? trailing : Bytes());
            Image img = ReadBytes(dir.File("m.pcx"), file);
            ExpectPicture(img, c[3], 9, 4, want, what);
            EXPECT_TRUE(img.IsGrayRamp() == (bits == 8 && !c[2]) && img.header.biXPelsPerMeter == 11811) << what;
            CancelAt lastRow(4); // every row asks the thread's cancel check
            EXPECT_EQ(imgio::DecodePcx(file.data(), file.size()), nullptr) << what;
        }
}

TEST(ImgIoTgaPcx, DamagedFilesAreRefused)
{
    testsupport::ScratchDir dir;
    Bytes px24, px8;
    for (int i = 0; i < 20; ++i)
        px24 = px24 + Bgr(KeyColour(Key(i % 5, i / 5))), px8.push_back(uint8_t(Key(i % 5, i / 5) % 3));
    auto key = [](int x, int y, int p) { return unsigned(Key(x, y) * 40 + p); };
    const Bytes indexed = Pcx(7, 3, 8, 1, true, key, {}, Bytes(768, 0x42));
    const std::pair<std::string, Bytes> files[] = {
        {"t.tga", Tga(10, 5, 4, 24, 0, TgaRle(px24, 3))}, {"g.tga", Tga(11, 5, 4, 8, 0, TgaRle(px8, 1))},
        {"m.tga", Tga(9, 5, 4, 8, 0, TgaRle(px8, 1), Bytes(12, 0x55), 0, 32)}, {"c.pcx", Pcx(5, 3, 8, 3, true, key)},
        {"p.pcx", Pcx(12, 3, 1, 4, true, [](int x, int y, int p) { return unsigned(x + y + p) % 3 % 2; })},
        {"i.pcx", indexed}};
    // An 8-bit file cut right before its palette is whole (gray levels); cut anywhere else, it is refused.
    const Bytes pixelsOnly(indexed.begin(), indexed.end() - 769);
    EXPECT_TRUE(ReadBytes(dir.File("i.pcx"), pixelsOnly).ok);
    for (const auto& f : files)
        ExpectDamageRefused(dir.File(f.first), f.second, 300, f.first == "i.pcx" ? pixelsOnly.size() : 0);

    // Headers that do not add up: no width, identification or map past the end, lines shorter than the
    // width, five planes; sizes within the limit (32767 and 30000 square) claimed by a few bytes.
    const struct { int file; size_t at; Bytes with; } edits[] = {
        {0, 12, {0}}, {0, 0, {200}}, {2, 5, {0xFF}}, {3, 66, {2}}, {4, 65, {5}}, {1, 12, {0xFF, 0x7F, 0xFF, 0x7F}},
        {5, 4, {0, 0, 0, 0, 0x2F, 0x75, 0x2F, 0x75}}};
    for (const auto& e : edits) {
        Bytes v = files[e.file].second;
        std::copy(e.with.begin(), e.with.end(), v.begin() + long(e.at));
        if (e.file == 5)
            v[66] = 0x30, v[67] = 0x75; // lines of 30000 bytes
        EXPECT_FALSE(ReadBytes(dir.File("e" + files[e.file].first), v).ok) << e.file << " at " << e.at;
    }
}
