// Hostile and huge files: size bombs (a few bytes declaring a frame of gigabytes) refused quickly
// and in bounded memory, the decoding budget's edges, and a file swapped between its checks and
// its decoding. The bombs are made here at run time; none is kept in the repository.
#include "ImgIoTestUtil.h"
#include <psapi.h>
#include "album/ThumbBuild.h"
#include <stdio.h>
#include <map>
#include <sstream>

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
    auto code = [&](uint32_t c, unsigned bits) { // Huffman codes go most significant bit first
        uint32_t r = 0;
        for (unsigned i = 0; i < bits; ++i)
            r |= ((c >> i) & 1u) << (bits - 1 - i);
        put(r, bits);
    };
    const uint64_t raw = uint64_t(h) * (1 + uint64_t(w) * 8); // a filter byte, then the row
    put(1, 1), put(1, 2);                                       // final block, fixed codes
    code(0x30, 8);                                              // one literal zero
    for (uint64_t left = raw - 1; left; ) {
        if (left >= 258)
            code(0xC5, 8), code(0, 5), left -= 258; // length 258 at distance 1
        else
            code(0x30, 8), --left;
    }
    code(0, 7); // end of block
    if (used)
        put(0, 8 - used);
    z = z + Be32(uint32_t((raw % 65521) << 16 | 1)); // Adler-32 of zeros
    const Bytes ihdr = Be32(w) + Be32(h) + Bytes{16, 6, 0, 0, 0};
    return Bytes{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A} + PngChunk("IHDR", ihdr) + PngChunk("IDAT", z) +
           PngChunk("IEND", {});
}

// A bitmap file header and a 40-byte info header, followed by nothing.
Bytes BmpHeader(int32_t w, int32_t h, unsigned bits, uint32_t compression, uint32_t colours = 0)
{
    Bytes v = {'B', 'M'};
    Put32(v, 0); Put32(v, 0); Put32(v, 54 + 4 * colours);
    Put32(v, 40); Put32(v, uint32_t(w)); Put32(v, uint32_t(h)); Put16(v, 1); Put16(v, bits);
    Put32(v, compression); Put32(v, 0); Put32(v, 0); Put32(v, 0); Put32(v, colours); Put32(v, 0);
    return v;
}

// SOI, a quantisation table, Huffman tables in which a single 0 bit is a DC difference of 0 or
// the end of a block (so zeros are valid data), the frame (its marker, frameComponents of 1 x 1
// sampling), scans over its first scanComponents each with scanBytes of zeros (progressive ones
// of one component carry AC coefficients), EOI.
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

struct Bomb {
    std::string name;
    Bytes bytes;
    bool thumbnails = false; // also read as thumbnails (a JPEG at 1/8), on one worker and on two
};

// The bombs of the review, each refused by the rule named in its file name.
std::vector<Bomb> Bombs()
{
    std::vector<Bomb> bombs;
    // 16-bit RGBA, 16384 x 16385 and one row fewer: 2 GiB to inflate.
    bombs.push_back({"png-budget-16384x16385.png", ZeroRgba16Png(16384, 16385)});
    bombs.push_back({"png-budget-16384x16384.png", ZeroRgba16Png(16384, 16384)});
    // RLE8, 16384 x 21845, 1080 bytes: a palette and an end-of-bitmap code.
    Bytes rle = BmpHeader(16384, 21845, 8, BI_RLE8, 256);
    rle.resize(rle.size() + 1024, 0);
    bombs.push_back({"bmp-budget-rle8.bmp", rle + Bytes{0, 1}});
    // Uncompressed headers alone: 10000 x 10000 at 24 bits is within the budget but has no rows;
    // 50,331,652 x 4 at 32 bits is beyond it.
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
    pcx.resize(128, 0);
    const size_t runs = (size_t(3) * 16384 * 21845 + 62) / 63;
    pcx.resize(128 + 2 * runs, 0);
    for (size_t i = 0; i < runs; ++i)
        pcx[128 + 2 * i] = 0xFF;
    bombs.push_back({"pcx-budget.pcx", pcx});
    // GIF, 29 bytes: neither the screen nor the image has a colour table.
    bombs.push_back({"gif-no-colours.gif", Bytes{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0x2C, 0, 0, 0, 0,
                                                 1, 0, 1, 0, 0, 2, 2, 0x44, 0x01, 0, 0x3B}});
    // JPEG frames of 37838 x 37838 (three bytes a pixel pass 2^32) and 33408 x 33248 without scan data.
    bombs.push_back({"jpeg-budget-37838.jpg", JpegScans(0xC0, 37838, 37838, 3, 3, 1, 64)});
    bombs.push_back({"jpeg-budget-33408-noscan.jpg", JpegScans(0xC0, 33408, 33248, 3, 3, 1, 0)});
    // A baseline frame whose one scan has one of its three components: the decoder keeps every
    // coefficient of the frame (1.2 GB at 14000 x 14000; 65500 x 65500 is left to the header check
    // test: without its check it would ask for 26 GB).
    bombs.push_back({"jpeg-coefficients-14000.jpg", JpegScans(0xC0, 14000, 14000, 3, 1, 1, 8), true});
    // 300 empty progressive scans of 12 bytes, each a pass over 8000 x 8000.
    bombs.push_back({"jpeg-scans-300.jpg", JpegScans(0xC2, 8000, 8000, 1, 1, 300, 2), true});
    // TIFF, 50 bytes: a 1 x 1 frame whose BitsPerSample entry declares 709 million values.
    Bytes tiff = {'I', 'I', 42, 0, 8, 0, 0, 0, 3, 0};
    for (uint32_t e[3] = {256, 257, 258}, i = 0; i < 3; ++i) {
        Put16(tiff, e[i]); Put16(tiff, 3); Put32(tiff, i < 2 ? 1 : 709000000u); Put32(tiff, i < 2 ? 1 : 38);
    }
    Put32(tiff, 0);
    bombs.push_back({"tiff-entry-outside.tif", tiff});
    // TIFF, 123 bytes: a sound 1 x 1 grey image whose directory links back to itself.
    Bytes loop = {'I', 'I', 42, 0, 8, 0, 0, 0, 9, 0};
    const uint16_t entries[9][2] = {{256, 1}, {257, 1}, {258, 8}, {259, 1}, {262, 1}, {273, 122}, {277, 1}, {278, 1}, {279, 1}};
    for (const auto& e : entries) {
        Put16(loop, e[0]); Put16(loop, 3); Put32(loop, 1); Put32(loop, e[1]);
    }
    Put32(loop, 8);
    loop.push_back(0x80);
    bombs.push_back({"tiff-chain-loop.tif", loop});
    return bombs;
}

struct Reading {
    int refused = 0;
    double ms = 0;
    double peakGrowthMb = 0; // the process's peak working set over the baseline, after this file
};

const char kBombDirVariable[] = "IMGIO_BOMB_DIR";

} // namespace

// Runs in a process of its own (started by the test below), so that its peak working set
// belongs to the bombs alone. Each file is read whole; one whose name starts with "t-" also as a
// thumbnail on one worker and (twice over) on two. Writes one line per file and way: name, way,
// refused, milliseconds, peak growth.
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
    std::string lines;
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
            char line[300];
            snprintf(line, sizeof line, "%s %s %d %.1f %.1f\n", name.c_str(), ways[way], refused,
                     double(t1.QuadPart - t0.QuadPart) * 1000.0 / double(freq.QuadPart),
                     double(now.PeakWorkingSetSize - base.PeakWorkingSetSize) / 1048576.0);
            lines += line;
        }
    }
    testsupport::WriteBytes(std::string(dir) + ".txt", Bytes(lines.begin(), lines.end()));
}

TEST(ImgIoBombs, EachIsRefusedWithinASecondAndBoundedMemory)
{
    testsupport::ScratchDir dir;
    const std::vector<Bomb> bombs = Bombs();
    for (const Bomb& b : bombs)
        testsupport::WriteBytes(dir.File((b.thumbnails ? "t-" : "") + b.name), b.bytes);

    // Our own decoders hold the budget themselves too, for callers that hand them bytes.
    for (const Bomb& b : bombs) {
        const bool tga = b.name == "tga-budget.tga", pcx = b.name == "pcx-budget.pcx";
        EXPECT_TRUE(!(tga || pcx) || !(tga ? imgio::DecodeTga : imgio::DecodePcx)(b.bytes.data(), b.bytes.size()))
            << b.name;
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
    const DWORD waited = WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = 1;
    if (waited != WAIT_OBJECT_0)
        TerminateProcess(pi.hProcess, 1);
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    ASSERT_EQ(code, 0u) << "the reading process crashed, hung or failed";

    const std::string resultsPath = dir.path() + ".txt";
    const Bytes text = testsupport::ReadBytes(resultsPath);
    DeleteFileA(resultsPath.c_str());
    std::istringstream lines(std::string(text.begin(), text.end()));
    std::map<std::string, Reading> got;
    std::string name, way;
    for (Reading r; lines >> name >> way >> r.refused >> r.ms >> r.peakGrowthMb;)
        got[name + " " + way] = r;
    for (const Bomb& b : bombs)
        for (const char* way : {"read", "thumb1", "thumb2"}) {
            if (!b.thumbnails && strcmp(way, "read"))
                continue;
            const std::string key = (b.thumbnails ? "t-" : "") + b.name + " " + way;
            ASSERT_TRUE(got.count(key)) << key;
            const Reading& g = got[key];
            printf("  %-30s %-6s %9zu bytes: refused %d in %6.1f ms, peak working set +%.1f MB\n", b.name.c_str(), way,
                   b.bytes.size(), g.refused, g.ms, g.peakGrowthMb);
            EXPECT_TRUE(g.refused) << key;
            EXPECT_LT(g.ms, 1000.0) << key;
            EXPECT_LT(g.peakGrowthMb, 8.0) << key; // reading the 11 MB TGA whole would pass it
        }
}

namespace {

// A file of the given size that starts with head, zeros after it: a big file from a few bytes.
class SparseFile : public imgio::ByteSource {
public:
    SparseFile(const Bytes& head, uint64_t size) : head_(head), size_(size) {}
    uint64_t Size() const override { return size_; }
    bool ReadAt(uint64_t offset, void* dst, size_t n) override
    {
        if (offset > size_ || n > size_ - offset)
            return false;
        memset(dst, 0, n);
        if (offset < head_.size())
            memcpy(dst, &head_[size_t(offset)], std::min<size_t>(n, head_.size() - size_t(offset)));
        return true;
    }

private:
    Bytes head_;
    uint64_t size_;
};

bool Passes(imgio::Container c, imgio::ByteSource&& file)
{
    imgio::DecodePlan plan;
    return imgio::PrecheckFile(file, c, &plan);
}
bool Passes(imgio::Container c, const Bytes& b) { return Passes(c, imgio::MemorySource(b.data(), b.size())); }

} // namespace

TEST(ImgIoPrecheck, HeadersTheDecoderWouldFollowTooFarAreRefused)
{
    // An uncompressed bitmap must hold every row, padding included.
    const Bytes bmp = MakeBmp(5, 3, 24, {}, PatternValue);
    EXPECT_TRUE(Passes(imgio::Container::Bmp, bmp));
    EXPECT_FALSE(Passes(imgio::Container::Bmp, Bytes(bmp.begin(), bmp.end() - 1)));
    // A GIF image needs its own colour table or the screen's.
    const Bytes gif = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0, 0, 0, 255, 255, 255, 0x2C, 0, 0, 0, 0,
                       1, 0, 1, 0, 0, 2, 2, 0x44, 0x01, 0, 0x3B};
    Bytes noTable = gif;
    noTable.erase(noTable.begin() + 13, noTable.begin() + 19);
    noTable[10] = 0;
    Bytes hugeScreen = gif; // 65535 x 65535 around an image of one pixel
    std::fill(hugeScreen.begin() + 6, hugeScreen.begin() + 10, 0xFF);
    EXPECT_TRUE(Passes(imgio::Container::Gif, gif));
    EXPECT_FALSE(Passes(imgio::Container::Gif, noTable) || Passes(imgio::Container::Gif, hugeScreen));
    // Every value of the first TIFF directory lies inside the file: strip offsets past its end, or
    // more samples' bit counts than any image has, are refused.
    auto tiff = [](uint32_t stripOffsets, uint32_t bitCounts) {
        Bytes v = {'I', 'I', 42, 0, 8, 0, 0, 0, 5, 0};
        const uint32_t entries[5][4] = {{256, 3, 1, 1}, {257, 3, 1, 1}, {258, 3, bitCounts, 80},
                                        {273, 4, stripOffsets, 80}, {277, 3, 1, 3}};
        for (const auto& e : entries) {
            Put16(v, e[0]); Put16(v, e[1]); Put32(v, e[2]); Put32(v, e[3]);
        }
        Put32(v, 0);
        v.resize(80);
        for (int i = 0; i < 64; ++i)
            Put32(v, 8); // 64 strip offsets, or bit counts of 8 and 0
        return v;
    };
    EXPECT_TRUE(Passes(imgio::Container::Tiff, tiff(64, 3)));
    EXPECT_FALSE(Passes(imgio::Container::Tiff, tiff(65, 3)));
    EXPECT_FALSE(Passes(imgio::Container::Tiff, tiff(64, 17)));
    // The chain of directories behind the first: one that comes back to a directory, or that is
    // longer than 1000 directories, is refused. The last directory links to loopTo, or to none.
    auto chain = [&tiff](size_t directories, int loopTo) {
        Bytes v = tiff(64, 3);
        std::vector<uint32_t> at = {8}, link = {70};
        for (size_t i = 1; i < directories; ++i) {
            at.push_back(uint32_t(v.size()));
            link.push_back(uint32_t(v.size()) + 2);
            Put16(v, 0);
            Put32(v, 0);
        }
        for (size_t i = 0; i < directories; ++i) {
            const uint32_t next = i + 1 < directories ? at[i + 1] : loopTo >= 0 ? at[size_t(loopTo)] : 0;
            memcpy(&v[link[i]], &next, 4);
        }
        return v;
    };
    const struct {
        size_t directories;
        int loopTo;
        bool passes;
    } chains[] = {{2, -1, true}, {1000, -1, true}, {1001, -1, false}, {1, 0, false}, {3, 0, false}, {3, 2, false}};
    for (const auto& c : chains)
        EXPECT_EQ(Passes(imgio::Container::Tiff, chain(c.directories, c.loopTo)), c.passes) << c.directories << " " << c.loopTo;
}

TEST(ImgIoPrecheck, EveryFormatIsHeldToTheBudgetByWhatItsDecoderHolds)
{
    using imgio::Container;
    auto png = [](uint32_t depth, uint32_t type, bool transparentColour) {
        return [=](uint32_t w, uint32_t h) {
            Bytes v = Bytes{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A} +
                      PngChunk("IHDR", Be32(w) + Be32(h) + Bytes{uint8_t(depth), uint8_t(type), 0, 0, 0});
            return Passes(Container::Png, (transparentColour ? v + PngChunk("tRNS", Bytes(6, 0)) : v) + PngChunk("IEND", {}));
        };
    };
    auto bmp = [](unsigned bits, uint32_t compression) {
        return [=](uint32_t w, uint32_t h) {
            const uint64_t rows = compression ? 2 : uint64_t((w * bits + 31) / 32 * 4) * h;
            return Passes(Container::Bmp, SparseFile(BmpHeader(int32_t(w), int32_t(h), bits, compression), 54 + rows));
        };
    };
    auto gif = [](uint32_t w, uint32_t h) {
        Bytes v = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0, 0, 0, 255, 255, 255, 0x2C, 0, 0, 0, 0};
        Put16(v, w); Put16(v, h);
        return Passes(Container::Gif, v + Bytes{0, 2, 2, 0x44, 0x01, 0, 0x3B});
    };
    auto jpeg = [](uint8_t frameMarker, int scans, unsigned inScan) {
        return [=](uint32_t w, uint32_t h) { return Passes(Container::Jpeg, JpegScans(frameMarker, w, h, 3, inScan, scans, 4)); };
    };
    auto tiff = [](uint32_t samples, uint32_t bits, uint32_t bitsType) {
        return [=](uint32_t w, uint32_t h) {
            Bytes v = {'I', 'I', 42, 0, 8, 0, 0, 0, 4, 0};
            const uint32_t entries[4][3] = {{256, 4, w}, {257, 4, h}, {258, bitsType, bits}, {277, 3, samples}};
            for (const auto& e : entries) {
                Put16(v, e[0]); Put16(v, e[1]); Put32(v, 1); Put32(v, e[2]);
            }
            Put32(v, 0);
            return Passes(Container::Tiff, v);
        };
    };
    // Each passes at w x h and is refused one row taller.
    const struct { const char* what; std::function<bool(uint32_t, uint32_t)> passes; uint32_t w, h; } cases[] = {
        {"png gray", png(8, 0, false), 20000, 10000},
        {"png 16-bit RGBA", png(16, 6, false), 10000, 10000},
        {"png 16-bit RGB with a transparent colour, decoded as RGBA", png(16, 2, true), 10000, 10000},
        {"bmp 8-bit", bmp(8, BI_RGB), 20000, 10000},
        {"bmp RLE4, decoded at 32 bits", bmp(4, BI_RLE4), 20000, 10000},
        {"gif", gif, 20000, 10000},
        {"jpeg baseline", jpeg(0xC0, 1, 3), 20000, 10000},
        {"jpeg progressive, with its coefficients", jpeg(0xC2, 1, 3), 10000, 8888},
        {"jpeg baseline in two scans, with its coefficients", jpeg(0xC0, 2, 3), 10000, 8888},
        {"jpeg baseline whose one scan lacks a component, with its coefficients", jpeg(0xC0, 1, 2), 10000, 8888},
        {"tiff gray", tiff(1, 8, 3), 20000, 10000},
        {"tiff 16-bit RGBA, its bit counts written as longs", tiff(4, 16, 4), 10000, 10000},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(c.passes(c.w, c.h)) << c.what;
        EXPECT_FALSE(c.passes(c.w, c.h + 1)) << c.what;
    }
    // Read at 1/8, 65500 x 65500 is few pixels, but the coefficients kept for a scan short of a
    // component are not.
    for (unsigned inScan : {3u, 2u}) {
        const Bytes file = JpegScans(0xC0, 65500, 65500, 3, inScan, 1, 8);
        imgio::MemorySource source(file.data(), file.size());
        imgio::DecodePlan eighth;
        eighth.scale = 8;
        EXPECT_EQ(imgio::PrecheckFile(source, Container::Jpeg, &eighth), inScan == 3) << inScan << " components";
    }
}

// Every scan is a pass of the decoder over the blocks it covers, data or not: a dozen passes over
// the frame's blocks, and a small image may have hundreds of scans.
TEST(ImgIoPrecheck, AJpegsScansAreHeldToADozenPassesOverTheFrame)
{
    const struct { unsigned w, h, components; int scans; bool passes; } cases[] = {
        {8000, 8000, 1, 12, true}, {8000, 8000, 1, 13, false},
        {8000, 8000, 3, 36, true}, {8000, 8000, 3, 37, false}, // scans of one of the three components
        {64, 64, 1, 300, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Passes(imgio::Container::Jpeg, JpegScans(0xC2, c.w, c.h, c.components, 1, c.scans, 2)), c.passes)
            << c.w << " x " << c.h << ", " << c.scans << " scans";
    // The decoder holds files handed to it directly to the same bound (a refusal, not a picture).
    // The time is a loose guard against a runaway only: it swings with the machine's load.
    if (!imgio::HaveJpegDecoder())
        return;
    for (const auto& c : {cases[1], cases[4]}) {
        const Bytes file = JpegScans(0xC2, c.w, c.h, c.components, 1, c.scans, 2);
        HGLOBAL image = nullptr;
        const DWORD t0 = GetTickCount();
        const imgio::JpegResult result = imgio::DecodeJpeg(file.data(), file.size(), 8, &image);
        EXPECT_EQ(result == imgio::JpegResult::Ok, c.passes) << c.scans << " scans";
        EXPECT_LT(GetTickCount() - t0, 20000u) << c.scans << " scans";
        GlobalFree(image);
    }
}

TEST(ImgIoBudget, ChargesAReducedDecodeForWhatItBecomes)
{
    auto fits = [](uint64_t w, uint64_t h, unsigned scale, unsigned storedBits) {
        imgio::FrameCost c;
        c.width = w, c.height = h, c.scale = scale, c.decodedBits = 24, c.storedBits = storedBits;
        return imgio::WithinBudget(c);
    };
    // Decoded at 1/2 each way (sizes rounded up), a 40000 x 20000 panorama is 200 million pixels...
    EXPECT_TRUE(fits(40000, 20000, 2, 0) && fits(39999, 19999, 2, 0));
    EXPECT_FALSE(fits(40001, 20000, 2, 0) || fits(40000, 20000, 1, 0));
    // ...while buffers the decoder keeps at the stored size still count in full.
    EXPECT_TRUE(fits(20000, 10000, 1, 8));
    EXPECT_FALSE(fits(20000, 10000, 1, 16) || fits(40000, 20000, 2, 24));
}

TEST(ImgIoBudget, AFrameAtTheLimitStillReads)
{
    // 20000 x 10000 black and white: exactly the budget's pixels, 25 MB of rows.
    testsupport::ScratchDir dir;
    Bytes bmp = MakeBmp(1, 1, 1, {{0, 0, 0, 0}, {255, 255, 255, 0}}, [](int, int) { return 0u; });
    bmp.resize(14 + 40 + 8);
    memcpy(&bmp[18], "\x20\x4E\x00\x00\x10\x27\x00\x00", 8);
    bmp.resize(bmp.size() + size_t(2500) * 10000, 0x55);
    testsupport::WriteBytes(dir.File("limit.bmp"), bmp);
    Image img = ReadImage(dir.File("limit.bmp"));
    ASSERT_TRUE(img.ok);
    EXPECT_TRUE(img.l.width == 20000 && img.l.height == 10000 && img.l.bitCount == 1);
    EXPECT_TRUE(img.At(0, 0) == kBlack && img.At(1, 0) == kWhite);
    // One row more and it is refused from its header.
    memcpy(&bmp[22], "\x11\x27", 2);
    bmp.resize(bmp.size() + 2500, 0x55);
    testsupport::WriteBytes(dir.File("over.bmp"), bmp);
    EXPECT_EQ(ImgIoReadFile(dir.File("over.bmp").c_str(), 0, nullptr), nullptr);
}

namespace {

struct Swap {
    std::string target, replacement;
    int tries = 0;
} g_swap;

// Tries to put another file in the place of the one being read: renamed over it, or written into it.
void TrySwap(LPCSTR)
{
    ++g_swap.tries;
    if (MoveFileExA(g_swap.replacement.c_str(), g_swap.target.c_str(), MOVEFILE_REPLACE_EXISTING))
        return;
    HANDLE h = CreateFileA(g_swap.target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return;
    const Bytes other = testsupport::ReadBytes(g_swap.replacement);
    DWORD written = 0;
    WriteFile(h, other.data(), DWORD(other.size()), &written, nullptr);
    CloseHandle(h);
}

} // namespace

TEST(ImgIoRead, DecodesTheVeryFileItChecked)
{
    testsupport::ScratchDir dir;
    g_swap.target = dir.File("checked.bmp");
    g_swap.replacement = dir.File("other.bmp");
    const Bytes other = MakeBmp(7, 2, 24, {}, [](int, int) { return 0xFF0000u; });
    testsupport::WriteBytes(g_swap.target, MakeBmp(5, 3, 24, {}, PatternValue));
    testsupport::WriteBytes(g_swap.replacement, other);
    imgio::BeforeDecodeHook old = imgio::SetBeforeDecodeHook(TrySwap);
    Image img = ReadImage(g_swap.target);
    imgio::SetBeforeDecodeHook(old);
    EXPECT_EQ(g_swap.tries, 1);
    ExpectPicture(img, 24, 5, 3, Pattern, "the file as checked");
    // Once the reading is over the file may change, and then the change is what is read.
    TrySwap(nullptr);
    ExpectPicture(ReadImage(g_swap.target), 24, 7, 2, [](int, int) { return Rgb{255, 0, 0}; }, "after the reading");
}
