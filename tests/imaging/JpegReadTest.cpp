// JPEG files: reduced decoding, the EXIF orientation, the embedded thumbnail, thumbnails made quickly.
#include "ImgIoTestUtil.h"
#include "album/ThumbBuild.h"
#include "album/ThumbFit.h"

using namespace imgiotest;

namespace {

Image ReadSized(const std::string& path, IMGIOSIZEDREAD* request) { return TakeImage(ImgIoReadFileSized(path.c_str(), 0, nullptr, request)); }

IMGIOSIZEDREAD Request(UINT minWidth, UINT minHeight, DWORD flags = 0, UINT embeddedWidth = 0, UINT embeddedHeight = 0)
{
    IMGIOSIZEDREAD r = {};
    r.dwSize = sizeof r, r.dwFlags = flags, r.nMinWidth = minWidth, r.nMinHeight = minHeight;
    r.nEmbeddedWidth = embeddedWidth, r.nEmbeddedHeight = embeddedHeight;
    return r;
}

} // namespace

TEST(JpegRead, SizedReadsGiveAtLeastTheSizeAskedForOrTheEmbeddedThumbnailWhenAskedAndItFits)
{
    testsupport::ScratchDir dir;
    auto flat = [](int w, int h, Rgb c) { return Encoded(GUID_ContainerFormatJpeg, w, h, [c](int, int) { return c; }); };
    const Bytes wide = Encoded(GUID_ContainerFormatJpeg, 1000, 600, [](int x, int y) { return Rgb{x & 255, y & 255, 128}; });
    const Bytes main = flat(640, 480, Rgb{0, 0, 255}), fits = flat(160, 120, Rgb{255, 0, 0});
    const IMGIOSIZEDREAD asked = Request(192, 192, IMGIO_SIZED_EMBEDDED, 96, 96);
    // The picture's upright size; with the library (else the picture comes whole) the reduction (0:
    // the embedded thumbnail, in red) and the result's size, upright, at least the minimum asked for.
    const struct {
        const char* name;
        Bytes file;
        IMGIOSIZEDREAD request;
        UINT shownWidth, shownHeight, reduction, width, height;
    } cases[] = {
        {"whole", wide, Request(0, 0), 1000, 600, 1, 1000, 600},
        {"1/4", wide, Request(126, 75), 1000, 600, 4, 250, 150},
        {"1/8", wide, Request(125, 75), 1000, 600, 8, 125, 75},
        {"more than there is", wide, Request(1001, 1), 1000, 600, 1, 1000, 600},
        {"turned, 1/8", WithExif(wide, 6), Request(74, 124), 600, 1000, 8, 75, 125},
        {"thumbnail fits", WithExif(main, 1, fits), asked, 640, 480, 0, 160, 120},
        {"thumbnail turned", WithExif(main, 8, fits), asked, 480, 640, 0, 120, 160},
        {"thumbnail not asked", WithExif(main, 1, fits), Request(192, 192, 0, 96, 96), 640, 480, 2, 320, 240},
        {"thumbnail too small", WithExif(main, 1, fits), Request(192, 192, IMGIO_SIZED_EMBEDDED, 128, 128), 640, 480, 2, 320, 240},
        {"thumbnail of another shape", WithExif(main, 1, flat(160, 160, Rgb{255, 0, 0})), asked, 640, 480, 2, 320, 240},
        {"thumbnail cut short", WithExif(main, 1, Bytes(fits.begin(), fits.end() - 30)), asked, 640, 480, 2, 320, 240},
    };
    const bool library = imgio::HaveJpegDecoder();
    for (auto c : cases) {
        testsupport::WriteBytes(dir.File("s.jpg"), c.file);
        const Image img = ReadSized(dir.File("s.jpg"), &c.request);
        const bool red = img.ok && img.At(img.l.width / 2, img.l.height / 2).r > 200 && img.At(img.l.width / 2, img.l.height / 2).b < 50;
        const std::vector<UINT> want = {c.shownWidth, c.shownHeight, library ? c.reduction : 1u, library ? c.width : c.shownWidth,
                                        library ? c.height : c.shownHeight, library && c.reduction == 0};
        EXPECT_EQ(std::vector<UINT>({c.request.nImageWidth, c.request.nImageHeight, c.request.nReduction, UINT(img.l.width),
                                     UINT(img.l.height), red}), want) << c.name;
    }
    // Other formats come whole; a request of the wrong size is refused.
    testsupport::WriteBytes(dir.File("p.bmp"), MakeBmp(300, 200, 24, {}, PatternValue));
    IMGIOSIZEDREAD r = Request(10, 10);
    const Image bmp = ReadSized(dir.File("p.bmp"), &r);
    EXPECT_TRUE(bmp.ok && bmp.l.width == 300 && r.nImageWidth == 300 && r.nImageHeight == 200 && r.nReduction == 1);
    r.dwSize = 12;
    EXPECT_EQ(ImgIoReadFileSized(dir.File("s.jpg").c_str(), 0, nullptr, &r), nullptr);
}

TEST(JpegRead, TheExifOrientationTurnsThePictureUpright)
{
    testsupport::ScratchDir dir;
    // Stored quadrants: red, green on top; blue, white below (blocks of whole coding units).
    const Rgb red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255}, white{255, 255, 255};
    const Bytes stored =
        Encoded(GUID_ContainerFormatJpeg, 64, 32, [&](int x, int y) { return y < 16 ? (x < 32 ? red : green) : (x < 32 ? blue : white); });
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
    }
}

// Thumbnails of the sample photos from a reduced decode: at the smallest scale still twice the box,
// close to those from the full image (thumb_quality_bench measures more photographs).
TEST(ThumbnailQuality, ReducedDecodingGivesThumbnailsAsCloseToThePictureAsFullDecoding)
{
    for (const std::string file : {"Z:" ALBUM_SAMPLES_DIR "/sunset.jpg", "Z:" ALBUM_SAMPLES_DIR "/meadow.jpg"}) {
        const WORD box = 96;
        win::GlobalBlock full(ImgIoReadFile(file.c_str(), 0, nullptr));
        ASSERT_TRUE(full) << file;
        IMGIOOPTIONS options = {};
        album::ThumbnailSource source;
        ASSERT_TRUE(album::ReadForThumbnail(file.c_str(), box, box, &options, false, &source)) << file;
        dib::Layout decoded;
        ASSERT_TRUE(dib::IsValidBlock(source.image.get(), &decoded));
        EXPECT_TRUE(decoded.width >= 2 * box && decoded.height >= 2 * box &&
                    (decoded.width / 2 < 2 * box || decoded.height / 2 < 2 * box))
            << file << ": " << decoded.width << " x " << decoded.height;
        const Image slow = TakeImage(FitDibToBox(full.get(), box, box)),
                    quick = TakeImage(album::FitDibToBoxAs(source.image.get(), box, box, source.width, source.height));
        ASSERT_TRUE(slow.ok && quick.ok && slow.bytes.size() == quick.bytes.size()) << file;
        double difference = 0;
        for (size_t i = slow.l.bitsOffset; i < slow.bytes.size(); ++i)
            difference += abs(int(slow.bytes[i]) - int(quick.bytes[i]));
        printf("%s: %.2f\n", file.c_str(), difference / double(slow.bytes.size() - slow.l.bitsOffset));
        EXPECT_LE(difference / double(slow.bytes.size() - slow.l.bitsOffset), 3.0) << file;
    }
}
