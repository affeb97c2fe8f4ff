// Pieces shared by the ImgIO sources: the decoding budget, the output bitmap builder, the checks
// made before decoding, the decoders and the format table. Nothing here is exported.
#pragma once

#include <windows.h>
#include <stddef.h>
#include <stdint.h>
#include "imgio.h"
#include "win/Handles.h"

namespace imgio {

// Pixel data beyond this is refused: no album or editor use needs it, and a hostile header
// must not make us allocate gigabytes.
constexpr uint64_t kMaxImageBytes = uint64_t(1) << 30;
// Files our own decoders read whole; the largest legitimate one is an uncompressed 32-bit image
// whose 24-bit result just fits.
constexpr uint64_t kMaxFileBytes = kMaxImageBytes / 3 * 4 + (uint64_t(1) << 20);

// The decoding budget. A thumbnail component has no use for frames beyond 200 million pixels (a
// 20000 x 10000 panorama), and a file that declares more is refused from its headers, before any
// decoder is handed the file and before anything is allocated for it. Pixels are counted as they
// will be decoded: a decoder that reduces a frame while decoding it (a JPEG read at 1/2, 1/4 or
// 1/8) is charged for the reduced size. Beside the pixels, the memory the decoder holds for the
// frame in its own format is limited to 4 bytes per budgeted pixel: a 64-bit RGBA frame may have
// 100 million pixels, an 8-bit gray one 200 million.
constexpr uint64_t kMaxDecodedPixels = 200000000;
constexpr uint64_t kMaxDecoderBytes = kMaxDecodedPixels * 4;

// What decoding one frame costs, as its file's headers declare it.
struct FrameCost {
    uint64_t width = 0;          // as stored
    uint64_t height = 0;
    unsigned scale = 1;          // decoded at 1/scale of that each way, rounded up
    unsigned decodedBits = 0;    // bits the decoder holds per decoded pixel
    unsigned storedBits = 0;     // bits it holds besides per stored pixel (whole-image JPEG
                                 // coefficient buffers), usually 0
    uint64_t storedWidth = 0;    // the stored frame as the decoder lays it out for those (a JPEG's
    uint64_t storedHeight = 0;   // whole MCUs); 0: width x height
};

// Whether the frame is within the decoding budget (and non-empty).
bool WithinBudget(const FrameCost& cost);
// The bytes the decoder holds for the frame in its own format, as the budget counts them.
uint64_t DecoderBytes(const FrameCost& cost);

// The decoding work a JPEG frame of frameBlocks blocks (all its components, one full pass) is
// allowed, in blocks decoded summed over its scans: every scan makes the decoder go over each
// block it covers, even one with no data at all, so a few bytes a scan can cost a pass over the
// frame each. About a dozen full passes, with a floor for small images.
uint64_t JpegScanWorkLimit(uint64_t frameBlocks);

// Builds the packed bottom-up bitmap in a new movable block, locked while it is being filled.
class DibWriter {
public:
    DibWriter() = default;
    ~DibWriter();
    DibWriter(const DibWriter&) = delete;
    DibWriter& operator=(const DibWriter&) = delete;

    // A zeroed bitmap of the given size and depth with room for paletteEntries colours.
    // False for depths other than 1, 4, 8, 24, for empty or oversized images, or without memory.
    bool Create(uint32_t width, uint32_t height, uint16_t bitCount, uint32_t paletteEntries);
    void SetResolution(int32_t xPelsPerMeter, int32_t yPelsPerMeter);

    RGBQUAD* Palette() const { return palette_; }
    // Row y of the picture counted from its top (stored bottom-up).
    uint8_t* Row(uint32_t y) const { return bits_ + size_t(height_ - 1 - y) * stride_; }
    size_t Stride() const { return stride_; }
    uint32_t Width() const { return width_; }
    uint32_t Height() const { return height_; }

    // Unlocks and hands over the block.
    HGLOBAL Finish();

private:
    win::GlobalBlock block_;
    BITMAPINFOHEADER* header_ = nullptr;
    RGBQUAD* palette_ = nullptr;
    uint8_t* bits_ = nullptr;
    size_t stride_ = 0;
    uint32_t width_ = 0;
    uint32_t height_ = 0;
};

// The image's width and height; 0 for no image or a malformed one.
void SizeOf(HGLOBAL image, uint32_t* width, uint32_t* height);

// One colour component with alpha laid over white.
inline uint8_t OverWhite(uint8_t c, uint8_t a)
{
    return uint8_t((unsigned(c) * a + 255u * (255u - a) + 127u) / 255u);
}

// Pixels per metre for a resolution in dots per inch; 0 when it is not a usable value.
int32_t PelsPerMeterFromDpi(double dpi);

inline uint16_t ReadU16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t ReadU32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// The bytes of a file for the checks made before decoding: random access by offset.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual uint64_t Size() const = 0;
    // Exactly n bytes at offset into dst; false when they are not all there or reading fails.
    virtual bool ReadAt(uint64_t offset, void* dst, size_t n) = 0;
};

// Bytes already in memory.
class MemorySource : public ByteSource {
public:
    MemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint64_t Size() const override { return size_; }
    bool ReadAt(uint64_t offset, void* dst, size_t n) override;

private:
    const uint8_t* data_;
    size_t size_;
};

// The formats the platform's imaging component decodes for us, by their signatures.
enum class Container { None, Bmp, Png, Jpeg, Gif, Tiff, Ico };

// The container a file's first bytes promise (a bitmap file needs 26 of them).
Container ContainerOf(const uint8_t* probe, size_t size);

// How a file that passed its checks is to be decoded.
struct DecodePlan {
    int frame = 0;       // the frame to decode: an icon's largest image, otherwise the first
    unsigned scale = 1;  // JPEG: the reduction the decode will be asked for (1: none)
    uint64_t decoderBytes = 0; // out, JPEG: what the check charged the decoder with (DecoderBytes)
    uint64_t workingBytes = 0; // out, JPEG: the decoder's working rows besides, which the budget
                               // leaves out (a few rows of MCUs at the frame's width)
};

// Checks a file of the given container before the platform's decoder sees any of it:
// - JPEG, PNG and GIF must reach their end marker (a cut-off file never becomes a thumbnail);
// - the headers that size the frame must be sound and the frame within the decoding budget: PNG
//   IHDR, the bitmap file's info header (an uncompressed one must hold all its rows), the first
//   TIFF directory (every entry's values inside the file), GIF screen and image descriptors (each
//   image with a colour table), the JPEG frame header, an icon's directory and image headers;
// - a JPEG's scans must stay within JpegScanWorkLimit.
// plan.scale comes in as the JPEG reduction the caller will use; plan.frame is filled in.
bool PrecheckFile(ByteSource& file, Container container, DecodePlan* plan);

// Decodes plan.frame of the open file with the platform's imaging component, through a stream
// over that same handle, with the decoder for the given container. bmpHeader, when given, holds
// the first 46 bytes of a bitmap file with an info header of 40 bytes or more (for its exact
// resolution).
HGLOBAL DecodeWithWic(HANDLE file, Container container, const DecodePlan& plan, const uint8_t* bmpHeader);

// What the start of a JPEG file says: the frame header, and from the EXIF block of cameras the
// orientation tag and where the embedded thumbnail (itself a JPEG) lies in the file.
struct JpegHeaders {
    uint32_t width = 0;
    uint32_t height = 0;
    unsigned components = 0;
    bool progressive = false;
    bool lossless = false;
    int orientation = 1;            // 1 to 8 as the EXIF tag has it; 1 without one
    uint64_t thumbnailOffset = 0;   // the embedded thumbnail's bytes; length 0: none
    uint32_t thumbnailLength = 0;
};

// Reads the markers from the start of image up to the first scan. False when they do not end in
// a scan with a frame header before it; the EXIF fields are filled only from a sound EXIF block.
bool ReadJpegHeaders(ByteSource& file, JpegHeaders* out);

// The size an image of width x height shows at once turned by its orientation (1 to 8).
void OrientedSize(int orientation, uint32_t width, uint32_t height, uint32_t* shownWidth, uint32_t* shownHeight);
// The 8- or 24-bit image turned upright for its orientation: a new block (the input is freed), or
// the input itself when there is nothing to do or no memory to do it with.
HGLOBAL OrientImage(HGLOBAL image, int orientation);

// libjpeg-turbo, when the build has it.
enum class JpegResult { Ok, Failed, Unsupported };
bool HaveJpegDecoder();
const char* JpegDecoderName();
// Decodes JPEG bytes at 1/scale (1, 2, 4 or 8) each way, rounded up: 24 bits for colour, 8-bit
// gray ramp for gray images. Unsupported for colour spaces it leaves to the platform (CMYK,
// YCCK) and when the build has no decoder.
JpegResult DecodeJpeg(const uint8_t* data, size_t size, unsigned scale, HGLOBAL* image);

// A whole JPEG file in memory read with the library: the embedded thumbnail when the request
// asks for one and it may stand in, else the image, checked and decoded at the largest
// reduction the request allows, turned upright. request (null: full size) receives what came
// back. charged (when given) receives the most a header check granted a decode made here, its
// working rows included (DecodePlan::decoderBytes and workingBytes). Unsupported: the library does not decode it (a colour space it
// leaves to the platform, or no library); the caller may give it to the platform at full size.
JpegResult ReadJpegBytes(LPCSTR path, const uint8_t* data, size_t size, IMGIOSIZEDREAD* request, HGLOBAL* image,
                         uint64_t* charged = nullptr);

// Whether the read in progress on this thread is to stop (ImgIoSetCancelCheck).
bool ReadCancelled();

// Called, when set, after a file passed its checks and before it is decoded (tests use it to try
// to replace the file in between). Returns the previous hook.
using BeforeDecodeHook = void (*)(LPCSTR path);
BeforeDecodeHook SetBeforeDecodeHook(BeforeDecodeHook hook);
// Calls the hook, when set.
void BeforeDecode(LPCSTR path);

// Our own decoders. Each returns the new image block or null; none reads outside
// [data, data + size), and each refuses a frame beyond the decoding budget before allocating.
HGLOBAL DecodeTga(const uint8_t* data, size_t size);
HGLOBAL DecodePcx(const uint8_t* data, size_t size);

// Whether a header (at least 18 / 128 bytes) is a TGA / PCX header; cost (when given) receives
// what decoding it would cost, so that a file can be refused before it is read whole.
bool LooksLikeTga(const uint8_t* header, size_t size, FrameCost* cost = nullptr);
bool LooksLikePcx(const uint8_t* header, size_t size, FrameCost* cost = nullptr);
// Whether the TGA 2.0 signature ends the data.
bool HasTgaFooter(const uint8_t* data, size_t size);

// The supported formats in list order; index 0 stands for all of them.
enum FormatIndex : int {
    kFormatAll = IMGIO_INDEX_ALL,
    kFormatBmp = IMGIO_INDEX_BMP,
    kFormatJpeg = IMGIO_INDEX_JPEG,
    kFormatPng = IMGIO_INDEX_PNG,
    kFormatGif = IMGIO_INDEX_GIF,
    kFormatTiff = IMGIO_INDEX_TIFF,
    kFormatIco = IMGIO_INDEX_ICO,
    kFormatTga = IMGIO_INDEX_TGA,
    kFormatPcx = IMGIO_INDEX_PCX,
    kFormatCount
};

struct FormatInfo {
    const char* label;    // combo box and dialog text
    const char* pattern;  // the pattern ImgIoFormatFilter reports, "*.BMP"
    const char* patterns; // what the file dialog matches, "*.bmp;*.dib"
    DWORD maskBit;        // bit in a format mask (0 for the "all" entry)
};

const FormatInfo& Format(int index);
// Whether a caller's format mask admits format index (a mask naming no known format admits all).
bool MaskAdmits(DWORD mask, int index);

} // namespace imgio
