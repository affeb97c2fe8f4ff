// JPEG files: the library decoder against the platform's, reduced decoding for thumbnails, the
// EXIF orientation, the embedded thumbnail, and the quality of thumbnails made the quick way.
#include <math.h>
#include "ImgIoTestUtil.h"
#include "album/ThumbBuild.h"
#include "album/ThumbFit.h"

using namespace imgiotest;
using testsupport::ScratchDir;

namespace {

Bytes EncodeJpeg(int w, int h, const std::function<Rgb(int, int)>& colour, double dpi = 0, bool gray = false)
{
    return Encoded(GUID_ContainerFormatJpeg, w, h, colour, dpi, gray);
}

// The JPEG with an EXIF block (little-endian TIFF) right after its start marker: the orientation
// tag in the first directory (none for 0), and thumb, when given, as the embedded thumbnail of
// the second.
Bytes WithExif(const Bytes& jpeg, int orientation, const Bytes& thumb = {})
{
    const uint32_t ifd1 = 8 + 2 + 12 + 4, tag = orientation ? 0x0112 : 0x0131;
    Bytes tiff = Tiff({{tag, 3, 1, uint32_t(orientation)}}, thumb.empty() ? 0 : ifd1);
    if (!thumb.empty())
        tiff = tiff + TiffDir({{0x0201, 4, 1, ifd1 + 2 + 24 + 4}, {0x0202, 4, 1, uint32_t(thumb.size())}}) + thumb;
    const size_t length = 2 + 6 + tiff.size();
    const Bytes app1 = Bytes{0xFF, 0xE1, uint8_t(length >> 8), uint8_t(length), 'E', 'x', 'i', 'f', 0, 0} + tiff;
    return Bytes(jpeg.begin(), jpeg.begin() + 2) + app1 + Bytes(jpeg.begin() + 2, jpeg.end());
}

Image ReadSized(const std::string& path, IMGIOSIZEDREAD* request) { return TakeImage(ImgIoReadFileSized(path.c_str(), 0, nullptr, request)); }

IMGIOSIZEDREAD Request(UINT minWidth, UINT minHeight, DWORD flags = 0, UINT embeddedWidth = 0, UINT embeddedHeight = 0)
{
    IMGIOSIZEDREAD r = {};
    r.dwSize = sizeof r, r.dwFlags = flags, r.nMinWidth = minWidth, r.nMinHeight = minHeight;
    r.nEmbeddedWidth = embeddedWidth, r.nEmbeddedHeight = embeddedHeight;
    return r;
}

std::string SamplePhoto(const char* name)
{
    std::string dir = "Z:" ALBUM_SAMPLES_DIR "/";
    std::replace(dir.begin(), dir.end(), '/', '\\');
    return dir + name;
}

// PSNR of each channel of 24-bit thumbnails of one size against the full 24-bit image averaged over
// the area of each thumbnail pixel: what a thumbnail ought to show, without the aliasing of sampling
// a big image at a few points. Empty when they are no such images.
std::vector<std::array<double, 3>> PsnrToPicture(HGLOBAL full, const std::vector<HGLOBAL>& thumbs)
{
    dib::Layout l, t, other;
    if (!dib::IsValidBlock(full, &l) || !thumbs[0] || !dib::IsValidBlock(thumbs[0], &t) || l.bitCount != 24 || t.bitCount != 24)
        return {};
    std::vector<Bytes> out;
    for (HGLOBAL thumb : thumbs) {
        if (!thumb || !dib::IsValidBlock(thumb, &other) || other.width != t.width || other.height != t.height || other.bitCount != 24)
            return {};
        out.push_back(testsupport::BlockBytes(thumb));
    }
    win::GlobalLockGuard in(full);
    std::vector<std::array<double, 3>> sums(thumbs.size());
    for (int y = 0; y < t.height; ++y) {
        const int y0 = y * l.height / t.height, y1 = std::max(y0 + 1, (y + 1) * l.height / t.height);
        for (int x = 0; x < t.width; ++x) {
            const int x0 = x * l.width / t.width, x1 = std::max(x0 + 1, (x + 1) * l.width / t.width);
            double area[3] = {0, 0, 0};
            for (int sy = y0; sy < y1; ++sy)
                for (int sx = x0; sx < x1; ++sx)
                    for (int c = 0; c < 3; ++c)
                        area[c] += in.bytes()[l.bitsOffset + size_t(sy) * l.stride + 3 * size_t(sx) + size_t(c)];
            for (size_t k = 0; k < thumbs.size(); ++k)
                for (int c = 0; c < 3; ++c) {
                    const double d = area[c] / ((x1 - x0) * (y1 - y0)) - out[k][t.bitsOffset + size_t(y) * t.stride + 3 * size_t(x) + size_t(c)];
                    sums[k][c] += d * d;
                }
        }
    }
    for (auto& s : sums)
        for (double& v : s)
            v = v == 0 ? 99.0 : 10.0 * log10(255.0 * 255.0 * t.width * t.height / v);
    return sums;
}

} // namespace

TEST(JpegRead, TheLibraryDecodesAsThePlatformDoes)
{
    if (!imgio::HaveJpegDecoder())
        GTEST_SKIP() << "built without libjpeg-turbo: the platform decodes JPEG files";
    ScratchDir dir;
    auto smooth = [](int x, int y) { return Rgb{x * 6, y * 8, 200 - 2 * x - 2 * y}; };
    // JFIF densities: none stated, dots per inch, dots per centimetre (patched into the header).
    Bytes perCm = EncodeJpeg(40, 30, smooth, 300);
    ASSERT_TRUE(perCm.size() > 20 && memcmp(&perCm[6], "JFIF", 4) == 0);
    perCm[13] = 2, perCm[14] = 0, perCm[15] = 100, perCm[16] = 0, perCm[17] = 50;
    const std::pair<std::string, Bytes> files[] = {
        {"odd.jpg", EncodeJpeg(37, 23, smooth)}, {"dpi.jpg", EncodeJpeg(40, 30, smooth, 300)}, {"dpcm.jpg", perCm},
        {"gray.jpg", EncodeJpeg(33, 17, [](int x, int y) { return Gray((x * 9 + y * 4) & 255); }, 0, true)},
        {"progressive.jpg", testsupport::ReadBytes(SamplePhoto("..\\..\\fuzz\\corpus\\precheck\\progressive-jpg"))},
        {"sunset.jpg", testsupport::ReadBytes(SamplePhoto("sunset.jpg"))}};
    for (const auto& [name, bytes] : files) {
        const Image ours = ReadBytes(dir.File(name), bytes);
        win::UniqueHandle file(CreateFileA(dir.File(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        const Image platform = TakeImage(imgio::DecodeWithWic(file.get(), imgio::Container::Jpeg, imgio::DecodePlan(), nullptr));
        ASSERT_TRUE(ours.ok && platform.ok) << name;
        auto shape = [](const Image& i) {
            return std::vector<long>({i.l.width, i.l.height, long(i.l.bitCount), i.header.biXPelsPerMeter,
                                      i.header.biYPelsPerMeter, long(i.bytes.size())});
        };
        ASSERT_EQ(shape(ours), shape(platform)) << name;
        // Palettes alike; pixels as close as two decoder versions get (their chroma upsampling
        // differs at sharp colour edges).
        EXPECT_TRUE(std::equal(ours.bytes.begin() + 40, ours.bytes.begin() + long(ours.l.bitsOffset), platform.bytes.begin() + 40)) << name;
        double difference = 0;
        for (size_t i = ours.l.bitsOffset; i < ours.bytes.size(); ++i)
            difference += abs(int(ours.bytes[i]) - int(platform.bytes[i]));
        EXPECT_LE(difference / double(ours.bytes.size() - ours.l.bitsOffset), 1.5) << name;
    }
}

TEST(JpegRead, ReducedReadsStayAtLeastTheSizeAskedFor)
{
    ScratchDir dir;
    const std::string path = dir.File("wide.jpg"), turned = dir.File("turned.jpg");
    const Bytes jpeg = EncodeJpeg(1000, 600, [](int x, int y) { return Rgb{x & 255, y & 255, 128}; });
    testsupport::WriteBytes(path, jpeg);
    testsupport::WriteBytes(turned, WithExif(jpeg, 6));
    const bool library = imgio::HaveJpegDecoder();
    // At least minWidth x minHeight: the reduction with the library (the platform's decoder always
    // gives full size) and the result's size, upright. Turned on its side, the minimum applies to
    // the upright picture.
    const struct { const std::string& file; UINT minWidth, minHeight, reduction, width, height; } cases[] = {
        {path, 0, 0, 1, 1000, 600},     {path, 192, 192, 2, 500, 300},   {path, 126, 75, 4, 250, 150},
        {path, 125, 75, 8, 125, 75},    {path, 1000, 600, 1, 1000, 600}, {path, 1001, 1, 1, 1000, 600},
        {turned, 74, 124, 8, 75, 125},  {turned, 10, 200, 4, 150, 250},
    };
    for (const auto& c : cases) {
        IMGIOSIZEDREAD r = Request(c.minWidth, c.minHeight);
        const Image img = ReadSized(c.file, &r);
        const bool upright = &c.file == &path;
        const std::vector<UINT> want = {upright ? 1000u : 600u, upright ? 600u : 1000u, library ? c.reduction : 1u,
                                        library ? c.width : r.nImageWidth, library ? c.height : r.nImageHeight};
        EXPECT_EQ(std::vector<UINT>({r.nImageWidth, r.nImageHeight, r.nReduction, UINT(img.l.width), UINT(img.l.height)}), want)
            << c.file << " at least " << c.minWidth << "x" << c.minHeight;
    }
    // Other formats come whole; a request of the wrong size is refused.
    testsupport::WriteBytes(dir.File("p.bmp"), MakeBmp(300, 200, 24, {}, PatternValue));
    IMGIOSIZEDREAD r = Request(10, 10);
    const Image bmp = ReadSized(dir.File("p.bmp"), &r);
    EXPECT_TRUE(bmp.ok && bmp.l.width == 300 && r.nImageWidth == 300 && r.nImageHeight == 200 && r.nReduction == 1);
    r.dwSize = 12;
    EXPECT_EQ(ImgIoReadFileSized(path.c_str(), 0, nullptr, &r), nullptr);
}

TEST(JpegRead, TheExifOrientationTurnsThePictureUpright)
{
    ScratchDir dir;
    // Stored quadrants: red, green on top; blue, white below (blocks of whole coding units).
    const Rgb red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255}, white{255, 255, 255};
    const Bytes stored = EncodeJpeg(64, 32, [&](int x, int y) { return y < 16 ? (x < 32 ? red : green) : (x < 32 ? blue : white); });
    // How each orientation shows the stored picture: top left, top right, bottom left, bottom right.
    const Rgb shown[8][4] = {
        {red, green, blue, white},  // 1 as stored
        {green, red, white, blue},  // 2 mirrored left to right
        {white, blue, green, red},  // 3 turned half round
        {blue, white, red, green},  // 4 mirrored top to bottom
        {red, blue, green, white},  // 5 transposed
        {blue, red, white, green},  // 6 to be turned a quarter clockwise
        {white, green, blue, red},  // 7 transversed
        {green, white, red, blue},  // 8 to be turned a quarter anticlockwise
    };
    for (int o = 1; o <= 8; ++o) {
        const std::string path = dir.File("o" + std::to_string(o) + ".jpg");
        testsupport::WriteBytes(path, WithExif(stored, o));
        IMGIOSIZEDREAD r = Request(4, 4);
        for (const Image& img : {ReadImage(path), ReadSized(path, &r)}) {
            const int w = img.l.width, h = img.l.height;
            ASSERT_TRUE(img.ok && (w > h) == (o <= 4)) << "orientation " << o << ": " << w << "x" << h;
            for (int k = 0; k < 4; ++k) {
                const Rgb c = img.At((1 + k % 2 * 2) * w / 4, (1 + k / 2 * 2) * h / 4), want = shown[o - 1][k];
                EXPECT_TRUE(abs(c.r - want.r) < 40 && abs(c.g - want.g) < 40 && abs(c.b - want.b) < 40)
                    << "orientation " << o << " corner " << k << ": " << testing::PrintToString(c);
            }
        }
        EXPECT_EQ(r.nImageWidth, o <= 4 ? 64u : 32u) << o;
    }
    // A gray picture turns the same way.
    testsupport::WriteBytes(dir.File("g.jpg"), WithExif(EncodeJpeg(64, 32, [](int x, int) { return Gray(x < 32 ? 0 : 255); }, 0, true), 6));
    const Image gray = ReadImage(dir.File("g.jpg"));
    ASSERT_TRUE(gray.ok && gray.l.bitCount == 8 && gray.l.width == 32 && gray.l.height == 64);
    EXPECT_TRUE(gray.At(16, 16).r < 40 && gray.At(16, 48).r > 215);
}

TEST(JpegRead, TheEmbeddedThumbnailStandsInOnlyWhenAskedAndItFits)
{
    if (!imgio::HaveJpegDecoder())
        GTEST_SKIP() << "embedded thumbnails are read with libjpeg-turbo";
    ScratchDir dir;
    auto flat = [](int w, int h, Rgb c) { return EncodeJpeg(w, h, [c](int, int) { return c; }); };
    const Bytes main = flat(640, 480, Rgb{0, 0, 255}), fits = flat(160, 120, Rgb{255, 0, 0});
    const IMGIOSIZEDREAD asked = Request(192, 192, IMGIO_SIZED_EMBEDDED, 96, 96);
    // The thumbnail (red) or the main image at 1/2 (blue), and its size.
    const struct { std::string name; Bytes file; IMGIOSIZEDREAD request; bool embedded; int width, height; } cases[] = {
        {"fits", WithExif(main, 1, fits), asked, true, 160, 120},
        {"turned", WithExif(main, 8, fits), asked, true, 120, 160},
        {"not asked", WithExif(main, 1, fits), Request(192, 192, 0, 96, 96), false, 320, 240},
        {"too small", WithExif(main, 1, fits), Request(192, 192, IMGIO_SIZED_EMBEDDED, 128, 128), false, 320, 240},
        {"other shape", WithExif(main, 1, flat(160, 160, Rgb{255, 0, 0})), asked, false, 320, 240},
        {"cut short", WithExif(main, 1, Bytes(fits.begin(), fits.end() - 30)), asked, false, 320, 240},
        {"main image cut short", [&] { Bytes b = WithExif(main, 1, fits); b.resize(b.size() - 100); return b; }(), asked, false, 0, 0},
    };
    for (auto c : cases) {
        testsupport::WriteBytes(dir.File("e.jpg"), c.file);
        const Image img = ReadSized(dir.File("e.jpg"), &c.request);
        const bool red = img.ok && img.At(img.l.width / 2, img.l.height / 2).r > 200 && img.At(img.l.width / 2, img.l.height / 2).b < 50;
        EXPECT_EQ(std::vector<long>({red, img.l.width, img.l.height}), std::vector<long>({c.embedded, c.width, c.height})) << c.name;
        if (img.ok) {
            EXPECT_EQ(std::vector<UINT>({c.request.nReduction, c.request.nImageWidth, c.request.nImageHeight}),
                      std::vector<UINT>({c.embedded ? 0u : 2u, c.name == "turned" ? 480u : 640u, c.name == "turned" ? 640u : 480u}))
                << c.name;
        }
    }
}

// Thumbnails from a reduced decode against those fitted from the full image, on the sample photos,
// both measured against the picture averaged over each thumbnail pixel: the full decode fitted by
// the exact resampler keeps the aliasing a reduced decode has averaged. The quick thumbnail must be
// at least as close to the picture as the slow one (thumb_quality_bench measures more photographs).
TEST(ThumbnailQuality, ReducedDecodingGivesThumbnailsAsCloseToThePictureAsFullDecoding)
{
    for (const std::string& file : {SamplePhoto("sunset.jpg"), SamplePhoto("meadow.jpg")}) {
        const WORD box = 96;
        win::GlobalBlock full(ImgIoReadFile(file.c_str(), 0, nullptr));
        ASSERT_TRUE(full) << file;
        win::GlobalBlock slow(FitDibToBox(full.get(), box, box));
        IMGIOOPTIONS options = {};
        album::ThumbnailSource source;
        ASSERT_TRUE(album::ReadForThumbnail(file.c_str(), box, box, &options, false, &source)) << file;
        // Decoded at the smallest scale that is still twice the box each way.
        dib::Layout decoded;
        ASSERT_TRUE(dib::IsValidBlock(source.image.get(), &decoded));
        EXPECT_TRUE(decoded.width >= 2 * box && decoded.height >= 2 * box &&
                    (decoded.width / 2 < 2 * box || decoded.height / 2 < 2 * box))
            << file << ": " << decoded.width << " x " << decoded.height;
        win::GlobalBlock quick(album::FitDibToBoxAs(source.image.get(), box, box, source.width, source.height));
        const std::vector<std::array<double, 3>> psnr = PsnrToPicture(full.get(), {slow.get(), quick.get()});
        ASSERT_EQ(psnr.size(), 2u) << file << ": the two thumbnails differ in size";
        for (int c = 0; c < 3; ++c)
            EXPECT_GE(psnr[1][size_t(c)], psnr[0][size_t(c)] - 0.25) << file << " channel " << c;
    }
}
