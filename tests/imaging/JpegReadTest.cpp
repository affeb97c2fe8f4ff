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
    Bytes tiff = {'I', 'I', 42, 0};
    Put32(tiff, 8);
    const uint32_t ifd1 = 8 + 2 + 12 + 4, thumbAt = ifd1 + 2 + 24 + 4;
    Put16(tiff, 1);
    Put16(tiff, orientation ? 0x0112 : 0x0131); Put16(tiff, 3); Put32(tiff, 1); Put16(tiff, unsigned(orientation)); Put16(tiff, 0);
    Put32(tiff, thumb.empty() ? 0 : ifd1);
    if (!thumb.empty()) {
        Put16(tiff, 2);
        Put16(tiff, 0x0201); Put16(tiff, 4); Put32(tiff, 1); Put32(tiff, thumbAt);
        Put16(tiff, 0x0202); Put16(tiff, 4); Put32(tiff, 1); Put32(tiff, uint32_t(thumb.size()));
        Put32(tiff, 0);
        tiff = tiff + thumb;
    }
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

// PSNR of each channel of two 24-bit images of one size (99 for identical channels).
std::vector<double> Psnr(HGLOBAL a, HGLOBAL b)
{
    dib::Layout la, lb;
    if (!dib::IsValidBlock(a, &la) || !dib::IsValidBlock(b, &lb) || la.width != lb.width || la.height != lb.height ||
        la.bitCount != 24 || lb.bitCount != 24)
        return {};
    win::GlobalLockGuard ga(a), gb(b);
    double sum[3] = {0, 0, 0};
    for (int y = 0; y < la.height; ++y)
        for (int x = 0; x < 3 * la.width; ++x) {
            const double d = double(ga.bytes()[la.bitsOffset + size_t(y) * la.stride + size_t(x)]) -
                             double(gb.bytes()[lb.bitsOffset + size_t(y) * lb.stride + size_t(x)]);
            sum[x % 3] += d * d;
        }
    std::vector<double> out;
    for (double s : sum) {
        const double mse = s / (double(la.width) * la.height);
        out.push_back(mse == 0 ? 99.0 : 10.0 * log10(255.0 * 255.0 / mse));
    }
    return out;
}

// The full image averaged over the area of each pixel of an nw x nh picture: what a thumbnail
// ought to show, without the aliasing of sampling a big image at a few points.
HGLOBAL AreaAverage(HGLOBAL image, int nw, int nh)
{
    dib::Layout l;
    if (!dib::IsValidBlock(image, &l) || l.bitCount != 24)
        return nullptr;
    Bytes rows(size_t((nw * 3 + 3) / 4 * 4) * nh);
    const size_t stride = rows.size() / size_t(nh);
    win::GlobalLockGuard in(image);
    for (int y = 0; y < nh; ++y) {
        const int y0 = y * l.height / nh, y1 = std::max(y0 + 1, (y + 1) * l.height / nh);
        for (int x = 0; x < nw; ++x) {
            const int x0 = x * l.width / nw, x1 = std::max(x0 + 1, (x + 1) * l.width / nw);
            double sum[3] = {0, 0, 0};
            for (int sy = y0; sy < y1; ++sy)
                for (int sx = x0; sx < x1; ++sx)
                    for (int c = 0; c < 3; ++c)
                        sum[c] += in.bytes()[l.bitsOffset + size_t(sy) * l.stride + 3 * size_t(sx) + size_t(c)];
            for (int c = 0; c < 3; ++c)
                rows[size_t(y) * stride + 3 * size_t(x) + size_t(c)] = uint8_t(sum[c] / ((x1 - x0) * (y1 - y0)) + 0.5);
        }
    }
    return testsupport::MakePackedDib(nw, nh, 24, {}, rows);
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
    ASSERT_TRUE(perCm.size() > 20 && perCm[3] == 0xE0 && memcmp(&perCm[6], "JFIF", 4) == 0);
    perCm[13] = 2, perCm[14] = 0, perCm[15] = 100, perCm[16] = 0, perCm[17] = 50;
    const std::vector<std::pair<std::string, Bytes>> files = {
        {"odd.jpg", EncodeJpeg(37, 23, smooth)},
        {"dpi.jpg", EncodeJpeg(40, 30, smooth, 300)},
        {"dpcm.jpg", perCm},
        {"gray.jpg", EncodeJpeg(33, 17, [](int x, int y) { return Gray((x * 9 + y * 4) & 255); }, 0, true)},
        {"progressive.jpg", testsupport::ReadBytes(SamplePhoto("..\\..\\fuzz\\corpus\\precheck\\progressive-jpg"))},
        {"sunset.jpg", testsupport::ReadBytes(SamplePhoto("sunset.jpg"))},
    };
    for (const auto& [name, bytes] : files) {
        ASSERT_FALSE(bytes.empty()) << name;
        testsupport::WriteBytes(dir.File(name), bytes);
        const Image ours = ReadImage(dir.File(name));
        win::UniqueHandle file(CreateFileA(dir.File(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
        const Image platform = TakeImage(imgio::DecodeWithWic(file.get(), imgio::Container::Jpeg, imgio::DecodePlan(), nullptr));
        ASSERT_TRUE(ours.ok && platform.ok) << name;
        auto shape = [](const Image& i) {
            return std::vector<long>({i.l.width, i.l.height, long(i.l.bitCount), i.header.biXPelsPerMeter,
                                      i.header.biYPelsPerMeter, long(i.bytes.size())});
        };
        ASSERT_EQ(shape(ours), shape(platform)) << name;
        // Palettes alike; pixels as close as two decoder versions get (their chroma upsampling
        // differs at sharp colour edges): rows, channels and positions the same.
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
    struct Case {
        const std::string& file;
        UINT minWidth, minHeight;
        unsigned reduction;  // with the library; the platform's decoder always gives full size
        int width, height;   // of the result, upright
    } cases[] = {
        {path, 0, 0, 1, 1000, 600},       {path, 192, 192, 2, 500, 300}, {path, 126, 75, 4, 250, 150},
        {path, 125, 75, 8, 125, 75},      {path, 1000, 600, 1, 1000, 600}, {path, 1001, 1, 1, 1000, 600},
        // Turned on its side, the minimum applies to the upright picture.
        {turned, 74, 124, 8, 75, 125},    {turned, 124, 74, 4, 150, 250},
    };
    for (const Case& c : cases) {
        IMGIOSIZEDREAD r = Request(c.minWidth, c.minHeight);
        const Image img = ReadSized(c.file, &r);
        const std::string what = c.file + " at least " + std::to_string(c.minWidth) + "x" + std::to_string(c.minHeight);
        ASSERT_TRUE(img.ok) << what;
        const bool upright = &c.file == &path;
        EXPECT_EQ(r.nImageWidth, upright ? 1000u : 600u) << what;
        EXPECT_EQ(r.nImageHeight, upright ? 600u : 1000u) << what;
        EXPECT_EQ(r.nReduction, library ? c.reduction : 1u) << what;
        EXPECT_EQ(img.l.width, library ? c.width : int(r.nImageWidth)) << what;
        EXPECT_EQ(img.l.height, library ? c.height : int(r.nImageHeight)) << what;
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
    const std::vector<std::vector<Rgb>> shown = {
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
            ASSERT_TRUE(img.ok) << o;
            const int w = img.l.width, h = img.l.height;
            EXPECT_EQ(w > h, o <= 4) << "orientation " << o << ": " << w << "x" << h;
            const Rgb corners[] = {img.At(w / 4, h / 4), img.At(3 * w / 4, h / 4), img.At(w / 4, 3 * h / 4), img.At(3 * w / 4, 3 * h / 4)};
            for (int k = 0; k < 4; ++k) {
                const Rgb want = shown[size_t(o - 1)][size_t(k)];
                EXPECT_TRUE(abs(corners[k].r - want.r) < 40 && abs(corners[k].g - want.g) < 40 && abs(corners[k].b - want.b) < 40)
                    << "orientation " << o << " corner " << k << ": " << testing::PrintToString(corners[k]);
            }
        }
        EXPECT_EQ(r.nImageWidth, o <= 4 ? 64u : 32u) << o;
    }
    // A gray picture turns the same way.
    testsupport::WriteBytes(dir.File("g.jpg"), WithExif(EncodeJpeg(64, 32, [](int x, int) { return Gray(x < 32 ? 0 : 255); }, 0, true), 6));
    const Image gray = ReadImage(dir.File("g.jpg"));
    ASSERT_TRUE(gray.ok && gray.l.bitCount == 8 && gray.l.width == 32 && gray.l.height == 64);
    EXPECT_LT(gray.At(16, 16).r, 40);
    EXPECT_GT(gray.At(16, 48).r, 215);
}

TEST(JpegRead, TheEmbeddedThumbnailStandsInOnlyWhenAskedAndItFits)
{
    if (!imgio::HaveJpegDecoder())
        GTEST_SKIP() << "embedded thumbnails are read with libjpeg-turbo";
    ScratchDir dir;
    const Bytes main = EncodeJpeg(640, 480, [](int, int) { return Rgb{0, 0, 255}; });
    const Bytes fits = EncodeJpeg(160, 120, [](int, int) { return Rgb{255, 0, 0}; });
    const Bytes square = EncodeJpeg(160, 160, [](int, int) { return Rgb{255, 0, 0}; });
    auto isRed = [](const Image& img) { const Rgb c = img.At(img.l.width / 2, img.l.height / 2); return c.r > 200 && c.b < 50; };
    struct Case {
        std::string name;
        Bytes file;
        IMGIOSIZEDREAD request;
        bool embedded;
        int width, height;
    } cases[] = {
        {"fits", WithExif(main, 1, fits), Request(192, 192, IMGIO_SIZED_EMBEDDED, 96, 96), true, 160, 120},
        {"turned", WithExif(main, 8, fits), Request(192, 192, IMGIO_SIZED_EMBEDDED, 96, 96), true, 120, 160},
        {"not asked", WithExif(main, 1, fits), Request(192, 192, 0, 96, 96), false, 320, 240},
        {"too small", WithExif(main, 1, fits), Request(192, 192, IMGIO_SIZED_EMBEDDED, 128, 128), false, 320, 240},
        {"other shape", WithExif(main, 1, square), Request(192, 192, IMGIO_SIZED_EMBEDDED, 96, 96), false, 320, 240},
        {"cut short", WithExif(main, 1, Bytes(fits.begin(), fits.end() - 30)), Request(192, 192, IMGIO_SIZED_EMBEDDED, 96, 96), false, 320, 240},
    };
    for (Case& c : cases) {
        testsupport::WriteBytes(dir.File("e.jpg"), c.file);
        const Image img = ReadSized(dir.File("e.jpg"), &c.request);
        ASSERT_TRUE(img.ok) << c.name;
        EXPECT_EQ(isRed(img), c.embedded) << c.name;
        EXPECT_EQ(c.request.nReduction, c.embedded ? 0u : 2u) << c.name;
        EXPECT_EQ(img.l.width, c.width) << c.name;
        EXPECT_EQ(img.l.height, c.height) << c.name;
        EXPECT_EQ(c.request.nImageWidth, c.name == "turned" ? 480u : 640u) << c.name;
        EXPECT_EQ(c.request.nImageHeight, c.name == "turned" ? 640u : 480u) << c.name;
    }
    // A main image cut short is refused even when its thumbnail is whole.
    const Bytes whole = WithExif(main, 1, fits);
    testsupport::WriteBytes(dir.File("cut.jpg"), Bytes(whole.begin(), whole.end() - 100));
    IMGIOSIZEDREAD r = Request(192, 192, IMGIO_SIZED_EMBEDDED, 96, 96);
    EXPECT_EQ(ImgIoReadFileSized(dir.File("cut.jpg").c_str(), 0, nullptr, &r), nullptr);
}

// Thumbnails made from a reduced decode against those made from the full image, on the sample
// photos. Both are measured against the picture averaged over each thumbnail pixel: a full decode
// fitted by the exact resampler takes two samples of many pixels and so keeps their noise and
// texture (aliasing), which a reduced decode has already averaged. The quick thumbnail must be at
// least as close to the picture as the slow one (thumb_quality_bench measures more photographs).
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
        win::GlobalBlock quick(album::FitDibToBoxAs(source.image.get(), box, box, source.width, source.height));
        dib::Layout l;
        ASSERT_TRUE(slow && quick && dib::IsValidBlock(slow.get(), &l)) << file;
        win::GlobalBlock picture(AreaAverage(full.get(), l.width, l.height));
        const std::vector<double> slowToPicture = Psnr(picture.get(), slow.get()), quickToPicture = Psnr(picture.get(), quick.get());
        ASSERT_EQ(quickToPicture.size(), 3u) << file << ": the two thumbnails differ in size";
        for (int c = 0; c < 3; ++c)
            EXPECT_GE(quickToPicture[size_t(c)], slowToPicture[size_t(c)] - 0.25) << file << " channel " << c;
    }
}
