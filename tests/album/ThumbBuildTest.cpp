#include <limits.h>
#include <memory>
#include <random>
#include "album/OrderedWork.h"
#include "album/ThumbBuild.h"
#include "support/TestSupport.h"
#include "support/ScriptedEsc.h"
#include "win/Handles.h"

using namespace testsupport;
using win::GlobalBlock;

namespace {

using Bytes = std::vector<unsigned char>;

// A bitmap as plain fields, read and written independently of the code under test.
struct Image {
    int width, height, bits;
    LONG xRes = 0;
    Bytes palette, rows;
    Image(int w, int h, int b, Bytes p = {})
        : width(w), height(h), bits(b), palette(std::move(p)), rows(Stride() * size_t(h)) {}

    size_t Stride() const { return ((size_t(width) * size_t(bits) + 31) / 32) * 4; }
    // Palette index (1, 4, 8 bits) or channel ch (24 bits) of pixel x, y; Set works on zeroed rows.
    unsigned Get(int x, int y, int ch = 0) const
    {
        const unsigned char* r = &rows[size_t(y) * Stride()];
        return bits == 24 ? r[3 * x + ch] : bits == 8 ? r[x] : bits == 4 ? (x % 2 ? r[x / 2] & 15u : r[x / 2] >> 4u)
                                                                        : (r[x / 8] >> (7 - x % 8)) & 1u;
    }
    void Set(int x, int y, unsigned v, int ch = 0)
    {
        unsigned char* r = &rows[size_t(y) * Stride()];
        if (bits >= 8)
            r[bits == 24 ? 3 * x + ch : x] = static_cast<unsigned char>(v);
        else
            r[x * bits / 8] |= static_cast<unsigned char>(v << (bits == 4 ? (x % 2 ? 0 : 4) : 7 - x % 8));
    }
    HGLOBAL Block() const { return MakePackedDib(width, height, bits, palette, rows, xRes); }
};

// Whether block h holds want's packed bitmap byte for byte (it may be larger); frees a result.
::testing::AssertionResult Holds(HGLOBAL h, const Image& want, bool take = true)
{
    GlobalBlock owner(take ? h : nullptr);
    const Bytes got = BlockBytes(h), expected = BlockBytes(GlobalBlock(want.Block()).get());
    if (got.size() >= expected.size() && std::equal(expected.begin(), expected.end(), got.begin()))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "not the expected " << want.width << "x" << want.height << " bitmap";
}

// Every byte random, padding and unused bits included: none of it may leak into a result.
Image Random(std::mt19937& rng, int width, int height, int bits, bool grayRamp = false)
{
    Image img(width, height, bits, Bytes(bits <= 8 ? 4u << bits : 0));
    for (Bytes* v : {&img.palette, &img.rows})
        for (auto& c : *v)
            c = static_cast<unsigned char>(rng());
    for (int i = 0; grayRamp && i < 1024; ++i)
        img.palette[size_t(i)] = static_cast<unsigned char>(i % 4 == 3 ? 0 : i / 4);
    return img;
}

// The resampler from its rules: positions accumulated in double precision (kept out of wider
// registers), nearest sample at position + 0.5, bilinear weights in eighths (a zero weight cancels
// a neighbour clamped into the image). widen: palette results as 24 bits, black past the palette.
double D(double v) { volatile double r = v; return r; }

Image Reference(const Image& src, int nw, int nh, bool bilinear, bool widen, LONG resolution)
{
    Image out(nw, nh, widen ? 24 : src.bits, widen || src.bits == 24 ? Bytes() : src.palette);
    out.xRes = resolution;
    const double rx = D(double(src.width) / double(nw)), ry = D(double(src.height) / double(nh));
    const int lastX = src.width - 1, lastY = src.height - 1;
    double py = 0.0;
    for (int y = 0; y < nh; ++y, py = D(py + ry)) {
        double px = 0.0;
        for (int x = 0; x < nw; ++x, px = D(px + rx))
            for (int ch = 0; ch < (src.bits == 24 ? 3 : 1); ++ch) {
                unsigned v = src.Get(std::min(int(D(px + 0.5)), lastX), std::min(int(D(py + 0.5)), lastY), ch);
                if (bilinear) {
                    const int i = std::min(int(px), lastX), j = std::min(int(py), lastY);
                    const int i1 = std::min(i + 1, lastX), j1 = std::min(j + 1, lastY);
                    const int a = i < lastX ? int(D(D(D(i + 1 - px) * 8) + 0.5)) : 8;
                    const int c = j < lastY ? int(D(D(D(j + 1 - py) * 8) + 0.5)) : 8;
                    const int top = int(src.Get(i, j, ch)) * a + int(src.Get(i1, j, ch)) * (8 - a);
                    const int bottom = int(src.Get(i, j1, ch)) * a + int(src.Get(i1, j1, ch)) * (8 - a);
                    v = unsigned((32 + top * c + bottom * (8 - c)) / 64);
                }
                if (out.bits == src.bits)
                    out.Set(x, y, v, ch);
                for (size_t k = 0; out.bits != src.bits && k < 3; ++k)
                    out.Set(x, y, 4 * v + k < src.palette.size() ? src.palette[4 * v + k] : 0, int(k));
            }
    }
    return out;
}

TEST(Resample, MatchesTheReferenceOnRandomImagesOfEachDepth)
{
    std::mt19937 rng(2024);
    for (const auto& k : {std::make_pair(24, false), std::make_pair(8, true), std::make_pair(8, false),
                          std::make_pair(4, false), std::make_pair(1, false)}) { // bits, gray ramp
        for (int n = 0; n < 40; ++n) {
            const int w = 1 + int(rng() % 40), h = 1 + int(rng() % 30);
            // Mostly shrinking, some enlarging, now and then the same size (both at n = 0 and 35).
            const int nw = n % 7 == 0 ? w : 1 + int(rng() % 48), nh = n % 5 == 0 ? h : 1 + int(rng() % 36);
            const Image src = Random(rng, w, h, k.first, k.second);
            GlobalBlock in(src.Block());
            const Bytes before = BlockBytes(in.get());
            const Image want = Reference(src, nw, nh, k.first == 24 || k.second, false, 3780);
            ASSERT_TRUE(Holds(ResampleDib(in.get(), nw, nh, 3780), want)) << k.first << " bits, " << w << "x" << h;
            EXPECT_EQ(BlockBytes(in.get()), before) << "input changed";
        }
    }
}

TEST(FitDibToBox, ShrinksToTheBoxAs24Bits)
{
    // Palette images: gray ramps blended, others sampled; black past the palette.
    struct Case { int w, h; WORD bw, bh; int nw, nh, bits; bool gray; size_t paletteBytes; };
    const Case cases[] = {
        {640, 480, 100, 80, 80, 60, 24, false, 0}, // m = 80, (80 * 480 + 320) / 640 = 60
        {480, 640, 100, 80, 60, 80, 24, false, 0},
        {1000, 3, 64, 64, 64, 1, 24, false, 0},    // rounds to 0, raised to 1
        {50, 40, 100, 100, 50, 40, 24, false, 0},  // never enlarged: the reference copies it
        {40, 30, 13, 13, 13, 10, 24, false, 0},    // (13 * 30 + 20) / 40: 9.75 rounds to 10
        {31, 20, 13, 13, 13, 8, 8, true, 1024},
        {31, 20, 13, 13, 13, 8, 8, false, 8},
        {31, 20, 13, 13, 13, 8, 4, false, 64},
        {31, 20, 13, 13, 13, 8, 1, false, 8},
    };
    std::mt19937 rng(5);
    for (const Case& c : cases) {
        Image src = Random(rng, c.w, c.h, c.bits, c.gray);
        src.palette.resize(c.paletteBytes);
        src.xRes = 2835;
        GlobalBlock in(src.Block());
        const Image want = Reference(src, c.nw, c.nh, c.bits == 24 || c.gray, true, 2835);
        EXPECT_TRUE(Holds(FitDibToBox(in.get(), c.bw, c.bh), want)) << c.w << "x" << c.h << ", " << c.bits << " bits";
    }
}

TEST(ThumbBuild, DeepDamagedAndAbsurdInputsGiveNone)
{
    std::mt19937 rng(4);
    // 16 and 32 bits, none, rows cut short; the other layouts refused are the layout check's test.
    std::vector<HGLOBAL> inputs = {Random(rng, 40, 30, 16).Block(), Random(rng, 40, 30, 32).Block(), nullptr};
    const Bytes good = BlockBytes(GlobalBlock(Random(rng, 40, 30, 4).Block()).get());
    inputs.push_back(MakeBlock(good.size() - 1, 0));
    memcpy(GlobalLock(inputs.back()), good.data(), good.size() - 1);
    GlobalUnlock(inputs.back());
    for (HGLOBAL h : inputs) {
        GlobalBlock owner(h);
        EXPECT_EQ(FitDibToBox(h, 10, 10), nullptr);
        EXPECT_EQ(ResampleDib(h, 10, 10, 0), nullptr);
        EXPECT_EQ(DibTo24Bit(h), nullptr);
        EXPECT_EQ(BuildThumbnailFromDib(h, "C:\\windows\\win.ini", 10, 10, nullptr), nullptr);
    }
    GlobalBlock rgb(Random(rng, 8, 8, 24).Block());
    EXPECT_EQ(DibTo24Bit(rgb.get()), nullptr) << "nothing to widen";
    EXPECT_EQ(FitDibToBox(rgb.get(), 0, 100), nullptr) << "an empty box holds nothing";
    EXPECT_EQ(ResampleDib(rgb.get(), 0, 4, 0), nullptr);
    EXPECT_EQ(ResampleDib(rgb.get(), INT_MAX, INT_MAX, 0), nullptr) << "absurd size";
}

TEST(ThumbBuild, BuildsRecordsFromRealFiles)
{
    ScratchDir dir;
    const std::string path = dir.File("photo.bmp");
    WriteBmpFile(path, 300, 200, 22);
    SetFileTimes(path, 1500000000u, 1600000000u);
    std::unique_ptr<CThumbnail2> t(BuildThumbnailFromFile(path.c_str(), 96, 96, nullptr));
    ASSERT_NE(t, nullptr) << "the image-file library could not read a bitmap file";
    EXPECT_STREQ(t->GetInfo()->szDescription, " ");
    // The file holds the pixels MakeDib gives for its seed; the resolution is the reader's.
    const Bytes file = BlockBytes(GlobalBlock(MakeDib(300, 200, 22)).get());
    Image photo(300, 200, 24);
    photo.rows.assign(file.begin() + sizeof(BITMAPINFOHEADER), file.end());
    const LONG resolution = static_cast<const BITMAPINFOHEADER*>(GlobalLock(t->GetDib()))->biXPelsPerMeter;
    GlobalUnlock(t->GetDib());
    EXPECT_TRUE(Holds(t->GetDib(), Reference(photo, 96, 64, true, true, resolution), false));

    // From an image in memory (8 bits here), with the size and time of its file.
    std::mt19937 rng(21);
    GlobalBlock in(Random(rng, 300, 200, 8).Block());
    t.reset(BuildThumbnailFromDib(in.get(), path.c_str(), 120, 90, std::string(300, 'x').c_str()));
    ASSERT_NE(t, nullptr);
    const tagALBUMINFOHEADER* r = t->GetInfo();
    EXPECT_EQ(r->dwFileSize, ReadBytes(path).size());
    EXPECT_EQ(r->dwFileTime, 1600000000u) << "the later of creation and last write";
    EXPECT_EQ(std::string(r->szFileName), dir.path().substr(dir.path().find_last_of('\\') + 1) + "\\photo.bmp");
    EXPECT_EQ(std::string(r->szDescription), std::string(127, 'x'));
    EXPECT_EQ(std::vector<int>({r->wReserved1, r->wBitCount, r->wWidth, r->wHeight, r->wThumbWidth, r->wThumbHeight,
                                t->GetID(), t->m_bExist}),
              std::vector<int>({1, 8, 300, 200, 90, 60, 0, 1}));
    EXPECT_EQ(r->dwDibSize, GlobalSize(t->GetDib()));

    // No record without a readable image and an existing file.
    WriteBytes(dir.File("notes.bmp"), Bytes(100, 'x'));
    EXPECT_EQ(BuildThumbnailFromFile(dir.File("notes.bmp").c_str(), 96, 96, nullptr), nullptr);
    EXPECT_EQ(BuildThumbnailFromFile(nullptr, 96, 96, nullptr), nullptr);
    EXPECT_EQ(BuildThumbnailFromDib(in.get(), dir.File("none.bmp").c_str(), 120, 90, nullptr), nullptr);

    // Resampling to 60 rows polls Esc 1 + 60 times, widening 1 + 60 more; neither's first poll
    // stops it (a key pressed before the work began), any other does, and a held key stops all.
    struct Case { int escAt; bool built; int polls; };
    for (const Case& c : {Case{0, true, 122}, {1, true, 122}, {2, false, 2}, {62, true, 122}, {63, false, 63},
                          {-1, false, 2}}) {
        ScriptedEsc esc(c.escAt);
        t.reset(BuildThumbnailFromDib(in.get(), path.c_str(), 120, 90, nullptr));
        EXPECT_EQ(std::make_pair(t != nullptr, ScriptedEsc::polls), std::make_pair(c.built, c.polls)) << "Esc at " << c.escAt;
    }
}

// Cancel reaches the items under way through their Esc check instead of waiting for them; when no
// worker can be started the taker does the work itself, its own Esc stopping it.
TEST(OrderedWork, CancelStopsItemsUnderWayAndWithoutWorkersTheTakerWorks)
{
    static std::atomic<int> started, stopped;
    auto untilEsc = [](size_t) { // 20 s at most
        ++started;
        for (const DWORD t0 = GetTickCount(); GetTickCount() - t0 < 20000; Sleep(1))
            if (EscAbortCheck())
                return void(++stopped);
    };
    started = stopped = 0;
    auto work = std::make_unique<album::OrderedWork>(4, untilEsc, 2, 4);
    for (const DWORD t0 = GetTickCount(); started < 2 && GetTickCount() - t0 < 20000;)
        Sleep(1);
    ASSERT_EQ(started, 2);
    const DWORD t0 = GetTickCount();
    work.reset();
    EXPECT_LT(GetTickCount() - t0, 2000u) << "the pool waited for its items to end";
    EXPECT_EQ(std::make_pair(int(started), int(stopped)), std::make_pair(2, 2));

    static std::vector<size_t> order;
    const album::WorkerStartHook hook = album::SetWorkerStartHook([] { return false; });
    const AbortCheckFn esc = SetAbortCheck([] { return order.size() == 2; }); // Esc in the second item
    {
        album::OrderedWork alone(4, [&](size_t i) { order.push_back(i), i ? untilEsc(i) : void(); }, 2, 4);
        EXPECT_TRUE(alone.Done(0) && !alone.Cancelled()) << "item 0 is done at once, here";
        EXPECT_TRUE(alone.Wait(1, 0) && alone.Cancelled()) << "Esc in item 1 stops the work";
        EXPECT_FALSE(alone.Done(2) || alone.Wait(3));
    }
    SetAbortCheck(esc);
    album::SetWorkerStartHook(hook);
    EXPECT_EQ(order, (std::vector<size_t>{0, 1}));
    EXPECT_EQ(stopped, 3);

    // The first item alone first: no other starts before it is done.
    static std::atomic<bool> firstDone, otherEarly;
    firstDone = otherEarly = false;
    album::OrderedWork first(6, [](size_t i) { i ? void(otherEarly = otherEarly || !firstDone) : (Sleep(100), void(firstDone = true)); },
                             3, 6, true);
    EXPECT_TRUE(first.Wait(5));
    EXPECT_FALSE(otherEarly);
}

} // namespace
