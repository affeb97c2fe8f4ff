// Hostile and huge files, made at run time: size bombs refused quickly and in bounded memory, the
// decoding budget's edges, a file swapped between its checks and its decoding.
#include "ImgIoTestUtil.h"
#include <psapi.h>
#include "album/ThumbBuild.h"
#include <stdio.h>

using namespace imgiotest;

namespace {

Bytes Be32(uint32_t v) { return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}; }
Bytes Be16(unsigned v) { return {uint8_t(v >> 8), uint8_t(v)}; }

Bytes PngChunk(const char* type, const Bytes& data)
{
    Bytes body = Bytes(type, type + 4) + data;
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : body)
        for (int k = 0, c = byte; k < 8; ++k, c >>= 1)
            crc = (crc >> 1) ^ (((crc ^ unsigned(c)) & 1u) ? 0xEDB88320u : 0u);
    return Be32(uint32_t(data.size())) + body + Be32(~crc);
}

// A PNG of w x h at the given depth and colour type, with the chunks given between its header and end.
Bytes Png(uint32_t w, uint32_t h, uint8_t depth, uint8_t type, const Bytes& chunks)
{
    return Bytes{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A} +
           PngChunk("IHDR", Be32(w) + Be32(h) + Bytes{depth, type, 0, 0, 0}) + chunks + PngChunk("IEND", {});
}

// A 16-bit RGBA PNG whose all-zero pixels really are in its data: a zlib stream of one
// fixed-code deflate block of 258-byte repeats, which a decoder inflates to the whole frame.
Bytes ZeroRgba16Png(uint32_t w, uint32_t h)
{
    Bytes z = {0x78, 0x01};
    uint64_t acc = 0;
    unsigned used = 0;
    auto put = [&](uint32_t value, unsigned bits) { // least significant bit first
        acc |= uint64_t(value) << used;
        for (used += bits; used >= 8; used -= 8, acc >>= 8)
            z.push_back(uint8_t(acc));
    };
    // Huffman codes, most significant bit first: literal 0 00110000, length 258 11000101, distance 1 00000.
    const uint64_t raw = uint64_t(h) * (1 + uint64_t(w) * 8); // a filter byte, then the row
    put(1, 1), put(1, 2);                                       // final block, fixed codes
    put(0x0C, 8);                                               // one literal zero
    for (uint64_t left = raw - 1; left;)
        if (left >= 258)
            put(0xA3, 8), put(0, 5), left -= 258; // length 258 at distance 1
        else
            put(0x0C, 8), --left;
    put(0, 7); // end of block
    if (used)
        put(0, 8 - used);
    z = z + Be32(uint32_t((raw % 65521) << 16 | 1)); // Adler-32 of zeros
    return Png(w, h, 16, 6, PngChunk("IDAT", z));
}

// A JPEG whose Huffman tables make zeros valid data: the frame (its marker, frameComponents of 1 x 1
// sampling), scans over its first scanComponents each with scanBytes of zeros (progressive ones of
// one component carry AC coefficients).
Bytes JpegScans(uint8_t frameMarker, unsigned w, unsigned h, unsigned frameComponents, unsigned scanComponents,
                int scans, size_t scanBytes)
{
    Bytes v = {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x43, 0x00};
    v.resize(v.size() + 64, 1);
    Bytes table(17, 0);
    table[0] = 1; // one code, of one bit, for symbol 0
    v = v + Bytes{0xFF, 0xC4, 0x00, 0x26, 0x00} + table + Bytes{0x10} + table;
    v = v + Bytes{0xFF, frameMarker} + Be16(8 + 3 * frameComponents) + Bytes{8} + Be16(h) + Be16(w) +
        Bytes{uint8_t(frameComponents)};
    for (unsigned i = 1; i <= frameComponents; ++i)
        v = v + Bytes{uint8_t(i), 0x11, 0};
    const bool ac = frameMarker == 0xC2 && scanComponents == 1;
    while (scans-- > 0) {
        v = v + Bytes{0xFF, 0xDA} + Be16(6 + 2 * scanComponents) + Bytes{uint8_t(scanComponents)};
        for (unsigned i = 1; i <= scanComponents; ++i)
            v = v + Bytes{uint8_t(i), 0x00};
        v = v + Bytes{uint8_t(ac ? 1 : 0), uint8_t(ac || frameMarker != 0xC2 ? 63 : 0), 0} + Bytes(scanBytes, 0);
    }
    return v + Bytes{0xFF, 0xD9};
}

// The bombs of the review, each refused by the rule named in its file name; those whose names
// start with "t-" are also read as thumbnails (a JPEG at 1/8), on one worker and on two.
std::vector<std::pair<std::string, Bytes>> Bombs()
{
    std::vector<std::pair<std::string, Bytes>> bombs;
    // 16-bit RGBA, 16384 x 16385 and one row fewer: 2 GiB to inflate.
    bombs.push_back({"png-budget-16384x16385.png", ZeroRgba16Png(16384, 16385)});
    bombs.push_back({"png-budget-16384x16384.png", ZeroRgba16Png(16384, 16384)});
    // RLE8, 16384 x 21845, 1080 bytes: a palette and an end-of-bitmap code.
    Bytes rle = BmpHeader(16384, 21845, 8, BI_RLE8, 256);
    rle.resize(rle.size() + 1024, 0);
    bombs.push_back({"bmp-budget-rle8.bmp", rle + Bytes{0, 1}});
    // Headers alone: 10000 x 10000 at 24 bits has no rows; 50,331,652 x 4 at 32 bits is beyond the budget.
    bombs.push_back({"bmp-rows-10000x10000.bmp", BmpHeader(10000, 10000, 24, BI_RGB)});
    bombs.push_back({"bmp-budget-50331652x4.bmp", BmpHeader(50331652, 4, 32, BI_RGB)});
    // TGA: 16384 x 21845 true colour in runs of 128 pixels (11 MB for 1 GiB).
    Bytes tga = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    Put16(tga, 16384); Put16(tga, 21845); tga.push_back(24); tga.push_back(0);
    for (size_t runs = size_t(16384) * 21845 / 128, at = tga.size(); tga.resize(at + 4 * runs), runs; --runs, at += 4)
        tga[at] = 0xFF;
    bombs.push_back({"tga-budget.tga", tga});
    // PCX: 16384 x 21845, three 8-bit planes in runs of 63 bytes (34 MB for 1 GiB).
    Bytes pcx = {0x0A, 5, 1, 8};
    Put16(pcx, 0); Put16(pcx, 0); Put16(pcx, 16383); Put16(pcx, 21844); Put16(pcx, 72); Put16(pcx, 72);
    pcx.resize(65, 0);
    pcx.push_back(3); Put16(pcx, 16384); Put16(pcx, 1);
    const size_t runs = (size_t(3) * 16384 * 21845 + 62) / 63;
    pcx.resize(128 + 2 * runs, 0);
    for (size_t i = 0; i < runs; ++i)
        pcx[128 + 2 * i] = 0xFF;
    bombs.push_back({"pcx-budget.pcx", pcx});
    // GIF, 29 bytes: neither the screen nor the image has a colour table.
    bombs.push_back({"gif-no-colours.gif", Gif(1, 1, false)});
    // JPEG frames of 37838 x 37838 (three bytes a pixel pass 2^32) and 33408 x 33248 without scan data.
    bombs.push_back({"jpeg-budget-37838.jpg", JpegScans(0xC0, 37838, 37838, 3, 3, 1, 64)});
    bombs.push_back({"jpeg-budget-33408-noscan.jpg", JpegScans(0xC0, 33408, 33248, 3, 3, 1, 0)});
    // A baseline scan of one of three components: the decoder keeps every coefficient (1.2 GB).
    bombs.push_back({"t-jpeg-coefficients-14000.jpg", JpegScans(0xC0, 14000, 14000, 3, 1, 1, 8)});
    // 300 empty progressive scans of 12 bytes, each a pass over 8000 x 8000.
    bombs.push_back({"t-jpeg-scans-300.jpg", JpegScans(0xC2, 8000, 8000, 1, 1, 300, 2)});
    // TIFF, 50 bytes: a 1 x 1 frame whose BitsPerSample entry declares 709 million values.
    bombs.push_back({"tiff-entry-outside.tif", Tiff({{256, 3, 1, 1}, {257, 3, 1, 1}, {258, 3, 709000000u, 38}})});
    // TIFF, 123 bytes: a sound 1 x 1 grey image whose directory links back to itself.
    bombs.push_back({"tiff-chain-loop.tif", Tiff({{256, 3, 1, 1}, {257, 3, 1, 1}, {258, 3, 1, 8}, {259, 3, 1, 1}, {262, 3, 1, 1},
                                                  {273, 3, 1, 122}, {277, 3, 1, 1}, {278, 3, 1, 1}, {279, 3, 1, 1}}, 8) + Bytes{0x80}});
    return bombs;
}

const char kBombDirVariable[] = "IMGIO_BOMB_DIR";

bool Passes(imgio::Container c, const Bytes& b, unsigned scale = 1)
{
    imgio::MemorySource file(b.data(), b.size());
    imgio::DecodePlan plan;
    plan.scale = scale;
    return imgio::PrecheckFile(file, c, &plan);
}

} // namespace

// Runs in a process of its own (started by the test below), so that its peak working set
// belongs to the bombs alone. Reads each file of its folder, and deletes it once read.
TEST(ImgIoBombs, DISABLED_ChildReadsEveryFileOfItsFolder)
{
    char dir[MAX_PATH];
    ASSERT_GT(GetEnvironmentVariableA(kBombDirVariable, dir, sizeof dir), 0u);
    testsupport::ScratchDir warm;
    testsupport::WriteBytes(warm.File("w.bmp"), MakeBmp(3, 3, 24, {}, PatternValue));
    ASSERT_TRUE(ReadImage(warm.File("w.bmp")).ok); // the library's own start-up is not a bomb's
    PROCESS_MEMORY_COUNTERS base = {}, now = {};
    ASSERT_TRUE(GetProcessMemoryInfo(GetCurrentProcess(), &base, sizeof base));
    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    const char* const ways[] = {"read", "thumb1", "thumb2"};
    for (const std::string& name : testsupport::ListFolder(dir)) {
        const std::string path = std::string(dir) + "\\" + name;
        for (int way = 0; way < (name.compare(0, 2, "t-") ? 1 : 3); ++way) {
            QueryPerformanceCounter(&t0);
            bool refused = true;
            if (way == 0) {
                HGLOBAL image = ImgIoReadFile(path.c_str(), 0, nullptr);
                refused = image == nullptr;
                GlobalFree(image);
            } else {
                const char* paths[2] = {path.c_str(), path.c_str()};
                BuildThumbnailsFromFiles(paths, way, 96, 96, 0, way, [](void* refused, int, CThumbnail2* t) {
                    *static_cast<bool*>(refused) &= t == nullptr;
                    delete t;
                    return 1;
                }, &refused);
            }
            QueryPerformanceCounter(&t1);
            GetProcessMemoryInfo(GetCurrentProcess(), &now, sizeof now);
            const double ms = double(t1.QuadPart - t0.QuadPart) * 1000.0 / double(freq.QuadPart),
                         peakMb = double(now.PeakWorkingSetSize - base.PeakWorkingSetSize) / 1048576.0;
            printf("  %-32s %-6s refused %d in %6.1f ms, peak working set +%.1f MB\n", name.c_str(), ways[way], refused, ms, peakMb);
            EXPECT_TRUE(refused && ms < 1000.0 && peakMb < 8.0) << name << " " << ways[way]; // the 11 MB TGA read whole would pass 8 MB
        }
        DeleteFileA(path.c_str());
    }
}

TEST(ImgIoBombs, EachIsRefusedWithinASecondAndBoundedMemory)
{
    testsupport::ScratchDir dir;
    for (const auto& [name, bytes] : Bombs()) {
        testsupport::WriteBytes(dir.File(name), bytes);
        // The header check refuses each; our own TGA and PCX decoders hold the budget themselves.
        const imgio::Container container = imgio::ContainerOf(bytes.data(), bytes.size());
        EXPECT_FALSE(container == imgio::Container::None ? (name[0] == 't' ? imgio::DecodeTga : imgio::DecodePcx)(bytes.data(), bytes.size()) != nullptr
                                                         : Passes(container, bytes)) << name;
    }
    char exe[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(nullptr, exe, sizeof exe), 0u);
    std::string command = std::string("\"") + exe +
                          "\" --gtest_also_run_disabled_tests --gtest_filter=ImgIoBombs.DISABLED_ChildReadsEveryFileOfItsFolder";
    SetEnvironmentVariableA(kBombDirVariable, dir.path().c_str());
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    const BOOL started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    SetEnvironmentVariableA(kBombDirVariable, nullptr);
    ASSERT_TRUE(started);
    win::UniqueHandle process(pi.hProcess), thread(pi.hThread);
    if (WaitForSingleObject(pi.hProcess, 60000) != WAIT_OBJECT_0)
        TerminateProcess(pi.hProcess, 1);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u) << "the reading process crashed, hung or found a bomb read slowly or in much memory";
    EXPECT_EQ(dir.List(), std::vector<std::string>()) << "files left unread";
}

TEST(ImgIoPrecheck, EveryFormatIsHeldToTheBudgetByWhatItsDecoderHolds)
{
    using imgio::Container;
    // Each file of w x h passes and is refused one row taller (read reduced by scale, sizes rounded up).
    struct Case { const char* what; Container c; std::function<Bytes(uint32_t, uint32_t)> file; uint32_t w, h, scale = 1; };
    const Case cases[] = {
        {"png 16-bit RGBA", Container::Png, [](uint32_t w, uint32_t h) { return Png(w, h, 16, 6, {}); }, 10000, 10000},
        {"bmp RLE4, decoded at 32 bits", Container::Bmp,
         [](uint32_t w, uint32_t h) { return BmpHeader(int32_t(w), int32_t(h), 4, BI_RLE4) + Bytes(2, 0); }, 20000, 10000},
        {"gif", Container::Gif, [](uint32_t w, uint32_t h) { return Gif(w, h, true); }, 20000, 10000},
        {"gif screen around an image of one pixel", Container::Gif, [](uint32_t w, uint32_t h) {
             Bytes v = Gif(1, 1, true);
             v[6] = uint8_t(w), v[7] = uint8_t(w >> 8), v[8] = uint8_t(h), v[9] = uint8_t(h >> 8);
             return v;
         }, 20000, 10000},
        {"jpeg baseline", Container::Jpeg, [](uint32_t w, uint32_t h) { return JpegScans(0xC0, w, h, 3, 3, 1, 4); }, 20000, 10000},
        {"jpeg progressive, with its coefficients", Container::Jpeg,
         [](uint32_t w, uint32_t h) { return JpegScans(0xC2, w, h, 3, 3, 1, 4); }, 10000, 8888},
        {"jpeg baseline read at 1/2", Container::Jpeg, [](uint32_t w, uint32_t h) { return JpegScans(0xC0, w, h, 3, 3, 1, 4); },
         40000, 20000, 2},
        {"tiff 16-bit RGBA", Container::Tiff,
         [](uint32_t w, uint32_t h) { return Tiff({{256, 4, 1, w}, {257, 4, 1, h}, {258, 3, 1, 16}, {277, 3, 1, 4}}); }, 10000, 10000},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(Passes(c.c, c.file(c.w, c.h), c.scale) && !Passes(c.c, c.file(c.w, c.h + 1), c.scale)) << c.what;
    // Read at 1/8, 65500 x 65500 is few pixels, but the coefficients kept for a scan short of a
    // component are not (without this check it would ask for 26 GB).
    for (unsigned inScan : {3u, 2u})
        EXPECT_EQ(Passes(Container::Jpeg, JpegScans(0xC0, 65500, 65500, 3, inScan, 1, 8), 8), inScan == 3) << inScan;
}

// Every scan is a pass of the decoder over its blocks, data or not: a dozen passes over the frame,
// hundreds of scans for a small image. The decoder holds a file past the header check to the same
// bound (the time is a loose guard against a runaway: it swings with the machine's load).
TEST(ImgIoPrecheck, AJpegsScansAreHeldToADozenPassesOverTheFrame)
{
    const struct { unsigned side; int scans; bool passes; } cases[] = {{8000, 12, true}, {8000, 13, false}, {64, 300, true}};
    for (const auto& c : cases) {
        const Bytes file = JpegScans(0xC2, c.side, c.side, 1, 1, c.scans, 2);
        EXPECT_EQ(Passes(imgio::Container::Jpeg, file), c.passes) << c.side << ", " << c.scans << " scans";
        if (c.passes && c.side > 64)
            continue; // decoding the big frame in earnest takes its time
        HGLOBAL image = nullptr;
        const DWORD t0 = GetTickCount();
        EXPECT_TRUE(!imgio::HaveJpegDecoder() || (imgio::DecodeJpeg(file.data(), file.size(), 8, &image) == imgio::JpegResult::Ok) == c.passes) << c.scans;
        EXPECT_LT(GetTickCount() - t0, 20000u) << c.scans << " scans";
        GlobalFree(image);
    }
}

TEST(ImgIoBudget, AFrameAtTheLimitStillReads)
{
    // 20000 x 10000 black and white: exactly the budget's pixels, 25 MB of rows.
    testsupport::ScratchDir dir;
    for (int32_t h : {10000, 10001}) {
        Bytes bmp = BmpHeader(20000, h, 1, BI_RGB, 2) + Bytes{0, 0, 0, 0, 255, 255, 255, 0};
        bmp.resize(bmp.size() + size_t(2500) * h, 0x55);
        const Image img = ReadBytes(dir.File("limit.bmp"), bmp);
        EXPECT_EQ(img.ok, h == 10000);
        EXPECT_TRUE(!img.ok || (img.l.width == 20000 && img.l.height == 10000 && img.l.bitCount == 1 &&
                                img.At(0, 0) == kBlack && img.At(1, 0) == kWhite));
    }
}

namespace {

std::string g_target, g_replacement;
int g_swapTries = 0;

// Tries to put another file in the place of the one being read: renamed over it, or written into it.
void TrySwap(LPCSTR)
{
    ++g_swapTries;
    if (MoveFileExA(g_replacement.c_str(), g_target.c_str(), MOVEFILE_REPLACE_EXISTING))
        return;
    win::UniqueHandle h(CreateFileA(g_target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    const Bytes other = testsupport::ReadBytes(g_replacement);
    DWORD written = 0;
    if (h)
        WriteFile(h.get(), other.data(), DWORD(other.size()), &written, nullptr);
}

} // namespace

TEST(ImgIoRead, DecodesTheVeryFileItChecked)
{
    testsupport::ScratchDir dir;
    g_target = dir.File("checked.bmp"), g_replacement = dir.File("other.bmp");
    testsupport::WriteBytes(g_target, MakeBmp(5, 3, 24, {}, PatternValue));
    testsupport::WriteBytes(g_replacement, MakeBmp(7, 2, 24, {}, [](int, int) { return 0xFF0000u; }));
    imgio::BeforeDecodeHook old = imgio::SetBeforeDecodeHook(TrySwap);
    Image img = ReadImage(g_target);
    imgio::SetBeforeDecodeHook(old);
    EXPECT_EQ(g_swapTries, 1);
    ExpectPicture(img, 24, 5, 3, Pattern, "the file as checked");
    // Once the reading is over the file may change, and then the change is what is read.
    TrySwap(nullptr);
    ExpectPicture(ReadImage(g_target), 24, 7, 2, [](int, int) { return Rgb{255, 0, 0}; }, "after the reading");
}
