// Reading BMP, PNG, JPEG, GIF, TIFF, ICO, TGA and PCX files into packed bitmaps; writing bitmap files.
#include <numeric>
#include <thread>
#include "ImgIoTestUtil.h"

using namespace imgiotest;

namespace {

using Expect = std::function<Rgb(int, int)>;

// An icon of 32-bit images of the given sides, empty masks: clear, half red, then opaque columns.
Bytes Icon(const std::vector<int>& sides)
{
    Bytes dir, data;
    Put16(dir, 0); Put16(dir, 1); Put16(dir, unsigned(sides.size()));
    for (int s : sides) {
        Bytes v;
        Put32(v, 40); Put32(v, uint32_t(s)); Put32(v, uint32_t(2 * s)); Put16(v, 1); Put16(v, 32);
        v.resize(40, 0);
        for (int i = 0; i < s * s; ++i) { // bottom row first
            const int x = i % s, y = s - 1 - i / s;
            Put32(v, x >= 8 ? 0xFF000000u | PatternValue(x, y) : x < 4 ? 0 : 0x80FF0000u);
        }
        v.resize(v.size() + size_t((s + 31) / 32 * 4 * s), 0);
        dir.insert(dir.end(), {uint8_t(s), uint8_t(s), 0, 0, 1, 0, 32, 0});
        Put32(dir, uint32_t(v.size())); Put32(dir, uint32_t(6 + 16 * sides.size() + data.size()));
        data = data + v;
    }
    return dir + data;
}

// A TGA pixel of the key picture: its colour (blue, green, red) and alpha Key * 36; and that
// colour laid over white.
Bytes KeyBgra(int x, int y)
{
    const Rgb c = KeyColour(Key(x, y));
    return Bytes{uint8_t(c.b), uint8_t(c.g), uint8_t(c.r), uint8_t(Key(x, y) * 36)};
}
Rgb KeyOverWhite(int x, int y)
{
    const int a = Key(x, y) * 36;
    auto over = [a](int c) { return (c * a + 255 * (255 - a) + 127) / 255; };
    const Rgb c = KeyColour(Key(x, y));
    return Rgb{over(c.r), over(c.g), over(c.b)};
}

// The packed bitmap of a bitmap file in a movable block, with spare bytes after it.
HGLOBAL BlockOf(const Bytes& file, size_t spare = 0)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, file.size() - 14 + spare);
    memcpy(GlobalLock(block), file.data() + 14, file.size() - 14);
    GlobalUnlock(block);
    return block;
}

} // namespace

TEST(ImgIoRead, EveryFormatGivesItsDepthSizeAndPixelsAndNothingWhenCutShort)
{
    testsupport::ScratchDir dir;
    const std::vector<RGBQUAD> pal = {{30, 20, 10, 0}, {200, 100, 50, 0}, {0, 255, 128, 0}}; // blue, green, red
    auto palColour = [&](int x, int y) { RGBQUAD q = pal[size_t(x + 2 * y) % 3]; return Rgb{q.rgbRed, q.rgbGreen, q.rgbBlue}; };
    // TGA: 32 bits with alpha in runs from the top right; mapped from entry 2 (9 lies past the map:
    // entry 0 stands in). PCX: 24 bits in planes, in runs; palettes after the pixels or in the header.
    Bytes map, palette(768);
    for (int k = 0; k < 4; ++k)
        map = map + Bytes{uint8_t(KeyColour(k).b), uint8_t(KeyColour(k).g), uint8_t(KeyColour(k).r)};
    std::iota(palette.begin(), palette.end(), uint8_t(0));
    const Bytes header(palette.begin(), palette.begin() + 48);
    auto entry = [&palette](unsigned i) { return Rgb{palette[3 * i], palette[3 * i + 1], palette[3 * i + 2]}; };
    const Bytes tga = Tga(10, 5, 4, 32, 8, true, KeyBgra, map, 0, 24); // its map unused
    const Bytes pcx = Pcx(9, 4, 8, 3, true, [](int x, int y, int p) { return unsigned(KeyBgra(x, y)[2 - p]); });
    struct Case { const char* name; Bytes bytes; int bits, w, h; Expect expect; int tolerance = 0, ppm = -1; };
    const Case cases[] = {
        // A bitmap file's resolution is its own, none included (the decoder would say 96 dpi).
        {"c.bmp", MakeBmp(5, 3, 24, {}, PatternValue, true, 0), 24, 5, 3, Pattern, 0, 0},
        {"p8.bmp", MakeBmp(7, 3, 8, pal, [](int x, int y) { return uint32_t(x + 2 * y) % 3; }), 8, 7, 3, palColour},
        {"m.bmp", MakeBmp(11, 2, 1, {{0, 0, 128, 0}, {200, 255, 255, 0}}, [](int x, int y) { return (x + y) % 2u; }), 1,
         11, 2, [](int x, int y) { return (x + y) % 2 ? Rgb{255, 255, 200} : Rgb{128, 0, 0}; }},
        {"c.png", Encoded(GUID_ContainerFormatPng, 5, 3, Pattern, 300), 24, 5, 3, Pattern, 0, 11811},
        // Gray becomes 8 bits over the gray ramp.
        {"g.png", Encoded(GUID_ContainerFormatPng, 5, 3, [](int x, int y) { return Gray(x * 60 + y * 7 + 1); }, 0, true), 8, 5, 3,
         [](int x, int y) { return Gray(x * 60 + y * 7 + 1); }},
        {"c.jpg", Encoded(GUID_ContainerFormatJpeg, 32, 32, [](int, int) { return Rgb{200, 30, 60}; }), 24, 32, 32,
         [](int, int) { return Rgb{200, 30, 60}; }, 8},
        // Turned upright as its EXIF orientation says (a quarter clockwise).
        {"g.jpg", WithExif(Encoded(GUID_ContainerFormatJpeg, 33, 17, [](int x, int y) { return Gray(x * 6 + y * 2); }, 300, true), 6),
         8, 17, 33, [](int x, int y) { return Gray(y * 6 + (16 - x) * 2); }, 8, 11811},
        // Palettes stay, a transparent entry laid over white.
        {"a.gif", Gif(1, 1, true), 8, 1, 1, [](int, int) { return kWhite; }},
        {"t.tif", Encoded(GUID_ContainerFormatTiff, 5, 3), 24, 5, 3, Pattern},
        // The largest image, alpha laid over white: c * a / 255 + 255 - a.
        {"i.ico", Icon({16, 32, 24}), 24, 32, 32,
         [](int x, int y) { return x < 4 ? kWhite : x < 8 ? Rgb{255, 127, 127} : Pattern(x, y); }},
        // A TGA file has no resolution; a PCX file's is in its header.
        {"c.TGA", tga, 24, 5, 4, KeyOverWhite, 0, 0},
        {"m.tga", Tga(1, 5, 4, 8, 0, false, [](int x, int y) { return Bytes{uint8_t(Key(x, y) < 4 ? Key(x, y) + 2 : 9)}; }, map, 2, 24), 8,
         5, 4, [](int x, int y) { return Key(x, y) > 3 ? kBlack : KeyColour(Key(x, y)); }},
        {"c.pcx", pcx, 24, 9, 4, [](int x, int y) { return KeyColour(Key(x, y)); }, 0, 11811},
        {"p.pcx", Pcx(9, 4, 8, 1, true, [](int x, int y, int) { return unsigned(Key(x, y) * 53 & 255); }, {}, palette), 8, 9, 4,
         [&](int x, int y) { return entry(Key(x, y) * 53 & 255); }},
        {"e.pcx", Pcx(9, 4, 1, 4, false, [](int x, int y, int p) { return unsigned(Key(x, y) * 53) >> p & 1u; }, header), 4, 9, 4, [&](int x, int y) { return entry(Key(x, y) * 53 & 15); }},
    };
    for (const Case& c : cases) {
        Image img = ReadBytes(dir.File(c.name), c.bytes);
        ExpectPicture(img, c.bits, c.w, c.h, c.expect, c.name, c.tolerance);
        EXPECT_TRUE(c.ppm < 0 || (img.header.biXPelsPerMeter == c.ppm && img.header.biYPelsPerMeter == c.ppm)) << c.name;
        // Cut short, refused (an 8-bit PCX file cut right before its palette is whole, in gray levels).
        const bool palette = strcmp(c.name, "p.pcx") == 0;
        ExpectTruncationRefused(dir.File(c.name), c.bytes, palette ? c.bytes.size() - 769 : 0);
        EXPECT_TRUE(palette || ReadBytes(dir.File(c.name), c.bytes + Bytes(100, 0)).ok) << c.name << ": bytes after the end";
        CancelAt counting(0); // the decoders ask the thread's cancel check as they go (ours once a row), to the last time
        ReadImage(dir.File(c.name));
        const int checks = CancelAt::calls;
        const bool ours = !_stricmp(strrchr(c.name, '.'), ".tga") || !_stricmp(strrchr(c.name, '.'), ".pcx");
        CancelAt last(checks);
        EXPECT_TRUE(checks >= (ours ? c.h : 1) && !ReadImage(dir.File(c.name)).ok) << c.name << ": " << checks;
    }
    // Headers that do not add up: no width, identification past the end, lines shorter than the
    // width, five planes; a TGA image of 32767 x 32767 (within the budget) claimed by a few bytes.
    const struct { const Bytes& file; size_t at; Bytes with; } edits[] = {
        {tga, 12, {0}}, {tga, 0, {200}}, {pcx, 66, {2}}, {pcx, 65, {5}}, {tga, 12, {0xFF, 0x7F, 0xFF, 0x7F}}};
    for (const auto& e : edits) {
        Bytes v = e.file;
        std::copy(e.with.begin(), e.with.end(), v.begin() + long(e.at));
        EXPECT_FALSE(ReadBytes(dir.File(&e.file == &tga ? "e.tga" : "e.pcx"), v).ok) << e.at;
    }
    // Without a signature, only its extension or the picker's choice claims a TGA file.
    IMGIOOPTIONS chosen = {sizeof chosen, IMGIO_INDEX_TGA, 0, {}};
    EXPECT_FALSE(ReadBytes(dir.File("t.dat"), tga).ok);
    EXPECT_TRUE(ReadImage(dir.File("t.dat"), &chosen).ok);
}

TEST(ImgIoRead, WhatIsNoImageIsRefused)
{
    testsupport::ScratchDir dir;
    // No path, a folder, a missing file, devices that could block the caller, no image.
    for (const char* path : {"", dir.path().c_str(), "missing.bmp", "NUL", "CON", static_cast<const char*>(nullptr)})
        EXPECT_EQ(ImgIoReadFile(path, 0, nullptr), nullptr) << (path ? path : "null");
    EXPECT_FALSE(ReadBytes(dir.File("x.tga"), Bytes(4096, 0)).ok || ReadBytes(dir.File("x.pcx"), {'h', 'i'}).ok);
    // An icon image of a billion rows, which the decoder would go at before we could look.
    Bytes tall = Icon({16});
    memcpy(&tall[6 + 16 + 8], "\x20\x00\x00\x40", 4);
    const DWORD start = GetTickCount();
    EXPECT_FALSE(ReadBytes(dir.File("tall.ico"), tall).ok);
    EXPECT_LT(GetTickCount() - start, 5000u);
}

TEST(ImgIoRead, LeavesTheThreadsComModelAsItWas)
{
    testsupport::ScratchDir dir;
    testsupport::WriteBytes(dir.File("c.png"), Encoded(GUID_ContainerFormatPng, 5, 3));
    for (bool multi : {false, true}) // a thread without COM, then a free-threaded one
        std::thread([&] {
            if (multi)
                CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            EXPECT_TRUE(ReadImage(dir.File("c.png")).ok) << multi;
            const HRESULT other = CoInitializeEx(nullptr, multi ? COINIT_APARTMENTTHREADED : COINIT_MULTITHREADED);
            EXPECT_EQ(other, multi ? RPC_E_CHANGED_MODE : S_OK) << "the thread's model changed";
            if (multi || SUCCEEDED(other))
                CoUninitialize();
        }).join();
}

TEST(ImgIoWrite, BitmapFileIsTheHeaderThenTheBlockAndFailuresLeaveTheOldFile)
{
    testsupport::ScratchDir dir;
    const Bytes files[] = {MakeBmp(5, 3, 24, {}, PatternValue),
                           MakeBmp(7, 3, 4, {{0, 0, 0, 0}, {90, 165, 45, 0}, {200, 55, 100, 0}}, [](int x, int y) { return (x + y) % 3u; })};
    const std::string keep = dir.File("keep.bmp"), folder = dir.File("sub");
    testsupport::WriteBytes(keep, Bytes(5000, 'x'));
    for (const Bytes& file : files) {
        // Exactly the path given (no extension added), an old file replaced; spare bytes in the block are no image.
        HGLOBAL block = BlockOf(file, 7);
        for (const std::string& path : {dir.File(std::to_string(file.size())), keep}) {
            ASSERT_EQ(ImgIoWriteFile(block, path.c_str(), IMGIO_FORMAT_BMP, 0), IMGIO_WRITE_OK);
            EXPECT_EQ(testsupport::ReadBytes(path), file);
        }
        GlobalFree(block);
    }
    const Bytes old(300, 'k');
    testsupport::WriteBytes(keep, old);
    CreateDirectoryA(folder.c_str(), nullptr);
    HGLOBAL good = BlockOf(files[0]), junk = testsupport::MakeBlock(200, 7);
    EXPECT_EQ(ImgIoWriteFile(junk, keep.c_str(), IMGIO_FORMAT_BMP, 0), IMGIO_WRITE_BAD_IMAGE);
    EXPECT_EQ(ImgIoWriteFile(good, keep.c_str(), 3, 0), IMGIO_WRITE_UNSUPPORTED);
    EXPECT_EQ(ImgIoWriteFile(good, folder.c_str(), IMGIO_FORMAT_BMP, 0), IMGIO_WRITE_FAILED);
    SetFileAttributesA(keep.c_str(), FILE_ATTRIBUTE_READONLY); // the user's "keep this"
    EXPECT_EQ(ImgIoWriteFile(good, keep.c_str(), IMGIO_FORMAT_BMP, 0), IMGIO_WRITE_FAILED);
    SetFileAttributesA(keep.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(testsupport::ReadBytes(keep), old);
    RemoveDirectoryA(folder.c_str());
    EXPECT_EQ(dir.List().size(), 3u) << "a temporary file was left behind";
    GlobalFree(junk);
    GlobalFree(good);
}
