// Shared by the image-file library tests: decoded images as values, test files, the damaged-file loop.
#pragma once

#include <wincodec.h>
#include <stdlib.h>
#include <array>
#include "win/Dib.h"
#include "ImgIoInternal.h"
#include "ImgIoCom.h"
#include "support/TestSupport.h"

namespace imgiotest {
using Bytes = std::vector<unsigned char>;
struct Rgb {
    int r, g, b; // r < 0 in an expectation: any colour will do
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};
inline void PrintTo(const Rgb& c, std::ostream* os) { *os << "(" << c.r << "," << c.g << "," << c.b << ")"; }
inline Rgb Gray(int v) { return Rgb{v, v, v}; }
const Rgb kWhite = Gray(255), kBlack = Gray(0), kAny = Gray(-1);
// The colour synthetic colour images have at (x, y), and as 0xRRGGBB.
inline Rgb Pattern(int x, int y) { return Rgb{(x * 50 + 10) & 255, (y * 80 + 20) & 255, ((x + y) * 30 + 5) & 255}; }
inline uint32_t PatternValue(int x, int y) { Rgb c = Pattern(x, y); return uint32_t(c.r << 16 | c.g << 8 | c.b); }
inline void Put16(Bytes& v, unsigned x) { v.insert(v.end(), {uint8_t(x), uint8_t(x >> 8)}); }
inline void Put32(Bytes& v, uint32_t x) { Put16(v, x & 0xFFFF); Put16(v, x >> 16); }
inline Bytes operator+(Bytes a, const Bytes& b) { a.insert(a.end(), b.begin(), b.end()); return a; }

// A decoded image copied out of its block.
struct Image {
    bool ok = false, movable = false;
    BITMAPINFOHEADER header = {};
    dib::Layout l = {};
    Bytes bytes;
    Rgb PaletteAt(unsigned i) const
    {
        const unsigned char* q = bytes.data() + l.headerSize + 4 * i;
        return i < l.paletteEntries ? Rgb{q[2], q[1], q[0]} : Rgb{-2, -2, -2};
    }
    Rgb At(int x, int y) const
    {
        const unsigned char* p = bytes.data() + l.bitsOffset + size_t(l.height - 1 - y) * l.stride;
        const unsigned bits = l.bitCount;
        if (bits == 24)
            return Rgb{p[3 * x + 2], p[3 * x + 1], p[3 * x]};
        return PaletteAt((p[x * bits / 8] >> (8 - bits - x * bits % 8)) & ((1u << bits) - 1));
    }
};

// Takes over the block: checks it, copies it and frees it.
inline Image TakeImage(HGLOBAL block)
{
    Image img;
    if (auto* p = static_cast<unsigned char*>(block ? GlobalLock(block) : nullptr)) {
        img.movable = p != static_cast<void*>(block);
        if ((img.ok = dib::Parse(p, GlobalSize(block), &img.l))) {
            memcpy(&img.header, p, sizeof img.header);
            img.bytes.assign(p, p + img.l.bitsOffset + img.l.imageBytes);
        }
        GlobalUnlock(block);
    }
    GlobalFree(block);
    return img;
}
inline Image ReadImage(const std::string& p, IMGIOOPTIONS* o = nullptr) { return TakeImage(ImgIoReadFile(p.c_str(), 0, o)); }
inline Image ReadBytes(const std::string& path, const Bytes& bytes)
{
    testsupport::WriteBytes(path, bytes);
    return ReadImage(path);
}

// A well-formed movable image of the given depth and size with want(x, y), give or take tolerance, everywhere.
inline void ExpectPicture(const Image& img, int bits, int w, int h, const std::function<Rgb(int, int)>& want,
                          const std::string& what, int tolerance = 0)
{
    ASSERT_TRUE(img.ok && img.movable) << what;
    ASSERT_TRUE(img.l.bitCount == bits && img.l.width == w && img.l.height == h)
        << what << ": " << img.l.width << " x " << img.l.height << " x " << img.l.bitCount;
    EXPECT_EQ(img.header.biClrUsed, img.l.paletteEntries) << what;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            Rgb a = img.At(x, y), b = want(x, y);
            ASSERT_TRUE(b.r < 0 || std::max({abs(a.r - b.r), abs(a.g - b.g), abs(a.b - b.b)}) <= tolerance)
                << what << " at " << x << "," << y << ": " << testing::PrintToString(a);
        }
}

// A bitmap file's two headers, for colours palette entries (a full palette gets biClrUsed 0).
inline Bytes BmpHeader(int32_t w, int32_t h, unsigned bits, uint32_t compression, size_t colours = 0,
                       uint32_t imageBytes = 0, int32_t ppm = 0)
{
    const uint32_t offBits = 54 + 4 * uint32_t(colours);
    Bytes v = {'B', 'M'};
    Put32(v, imageBytes ? offBits + imageBytes : 0); Put32(v, 0); Put32(v, offBits);
    Put32(v, 40); Put32(v, uint32_t(w)); Put32(v, uint32_t(h)); Put16(v, 1); Put16(v, bits);
    Put32(v, compression); Put32(v, imageBytes); Put32(v, uint32_t(ppm)); Put32(v, uint32_t(ppm));
    Put32(v, bits <= 8 && colours == (1u << bits) ? 0 : uint32_t(colours)); Put32(v, 0);
    return v;
}

// A bitmap file: value(x, y) is a palette index, or 0xRRGGBB at 24 bits.
inline Bytes MakeBmp(int w, int h, int bits, const std::vector<RGBQUAD>& palette,
                     const std::function<uint32_t(int, int)>& value, bool topDown = false, int32_t ppm = 3780)
{
    const size_t stride = ((size_t(w) * bits + 31) / 32) * 4;
    Bytes v = BmpHeader(w, topDown ? -h : h, unsigned(bits), BI_RGB, palette.size(), uint32_t(stride * h), ppm);
    for (const RGBQUAD& q : palette)
        v.insert(v.end(), {q.rgbBlue, q.rgbGreen, q.rgbRed, 0});
    for (int row = 0; row < h; ++row) {
        Bytes line(stride, 0);
        for (int x = 0; x < w; ++x) {
            const uint32_t val = value(x, topDown ? row : h - 1 - row);
            for (int k = 0; k < bits; k += 8) // 24 bits as blue, green, red; fewer packed from the left
                line[size_t(x * bits / 8 + k / 8)] |= uint8_t(bits == 24 ? val >> k : val << (8 - bits - x * bits % 8));
        }
        v = v + line;
    }
    return v;
}

// A TIFF directory of entries (tag, type, count, value) linking to next; Tiff: little-endian, that directory first.
inline Bytes TiffDir(const std::vector<std::array<uint32_t, 4>>& entries, uint32_t next = 0)
{
    Bytes v;
    Put16(v, unsigned(entries.size()));
    for (const auto& e : entries) {
        Put16(v, e[0]); Put16(v, e[1]); Put32(v, e[2]); Put32(v, e[3]);
    }
    Put32(v, next);
    return v;
}
inline Bytes Tiff(const std::vector<std::array<uint32_t, 4>>& entries, uint32_t next = 0)
{
    return Bytes{'I', 'I', 42, 0, 8, 0, 0, 0} + TiffDir(entries, next);
}

// The picture TGA and PCX files draw: flat top rows (so that runs cross rows), varied below.
inline int Key(int x, int y) { return y < 2 ? 0 : 1 + (x * 3 + y) % 7; }
inline Rgb KeyColour(int k) { return Rgb{(k * 37 + 10) & 255, 200 - k * 23, (k * 61 + 5) & 255}; }

// A TGA file of w x h pixels pixel(x, y), a two-byte identification field, stored from the top right
// when flipped (else the bottom left), in packets crossing rows when type says so.
inline Bytes Tga(uint8_t type, int w, int h, uint8_t depth, uint8_t alphaBits, bool flipped,
                 const std::function<Bytes(int, int)>& pixel, const Bytes& map = {}, unsigned mapFirst = 0, uint8_t mapBits = 0)
{
    Bytes v = {2, uint8_t(mapBits ? 1 : 0), type}, px;
    Put16(v, mapFirst); Put16(v, mapBits ? unsigned(map.size() / ((mapBits + 7) / 8)) : 0); v.push_back(mapBits);
    Put32(v, 0); Put16(v, unsigned(w)); Put16(v, unsigned(h));
    v = v + Bytes{depth, uint8_t((flipped ? 0x30 : 0) | alphaBits), 'i', 'd'} + map;
    for (int i = 0; i < w * h; ++i)
        px = px + pixel(flipped ? w - 1 - i % w : i % w, flipped ? i / w : h - 1 - i / w);
    const size_t n = depth / 8, count = px.size() / n;
    auto same = [&](size_t a, size_t b) { return memcmp(&px[a * n], &px[b * n], n) == 0; };
    for (size_t i = 0, run; i < count && (type & 8); i += run) { // a repeated pixel, or pixels each unlike the next
        const bool repeat = i + 1 < count && same(i, i + 1);
        for (run = 1; i + run < count && run < 128 && same(i + run - 1, i + run) == repeat;)
            ++run;
        v.push_back(uint8_t(repeat ? 0x7F + run : run - 1));
        v.insert(v.end(), px.begin() + long(i * n), px.begin() + long((repeat ? i + 1 : i + run) * n));
    }
    return type & 8 ? v : v + px;
}

// A PCX file at 300 dpi whose pixel (x, y) in plane p is value(x, y, p), bpp bits each.
inline Bytes Pcx(int w, int h, int bpp, int planes, bool rle, const std::function<unsigned(int, int, int)>& value,
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

// The JPEG with an EXIF block after its start marker: the orientation tag in the first directory
// (none for 0), and thumb, when given, as the embedded thumbnail of the second.
inline Bytes WithExif(const Bytes& jpeg, int orientation, const Bytes& thumb = {})
{
    const uint32_t ifd1 = 8 + 2 + 12 + 4, tag = orientation ? 0x0112 : 0x0131;
    Bytes tiff = Tiff({{tag, 3, 1, uint32_t(orientation)}}, thumb.empty() ? 0 : ifd1);
    if (!thumb.empty())
        tiff = tiff + TiffDir({{0x0201, 4, 1, ifd1 + 2 + 24 + 4}, {0x0202, 4, 1, uint32_t(thumb.size())}}) + thumb;
    const size_t length = 2 + 6 + tiff.size();
    const Bytes app1 = Bytes{0xFF, 0xE1, uint8_t(length >> 8), uint8_t(length), 'E', 'x', 'i', 'f', 0, 0} + tiff;
    return Bytes(jpeg.begin(), jpeg.begin() + 2) + app1 + Bytes(jpeg.begin() + 2, jpeg.end());
}

// A GIF of one w x h image, one pixel of data (entry 0: red, transparent), a screen colour table or none.
inline Bytes Gif(unsigned w, unsigned h, bool table)
{
    Bytes v = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, uint8_t(table ? 0x80 : 0), 0, 0};
    if (table)
        v = v + Bytes{255, 0, 0, 255, 255, 255};
    v = v + Bytes{0x21, 0xF9, 4, 1, 0, 0, 0, 0, 0x2C, 0, 0, 0, 0};
    Put16(v, w); Put16(v, h);
    return v + Bytes{0, 2, 2, 0x44, 0x01, 0, 0x3B};
}

// w x h pixels of colour(x, y) in a container by the platform's encoder, 24 bits (or 8-bit gray).
inline Bytes Encoded(const GUID& container, int w, int h, const std::function<Rgb(int, int)>& colour = Pattern,
                     double dpi = 0, bool gray = false)
{
    const int depth = gray ? 1 : 3;
    const UINT stride = UINT(w * depth + 3) & ~3u;
    Bytes pixels(size_t(stride) * h);
    for (int i = 0; i < w * h; ++i) {
        const Rgb c = colour(i % w, i / w);
        unsigned char* p = &pixels[size_t(i / w) * stride + size_t(depth * (i % w))];
        p[0] = uint8_t(gray ? c.r : c.b);
        if (!gray)
            p[1] = uint8_t(c.g), p[2] = uint8_t(c.r);
    }
    imgio::ComScope com;
    imgio::ComRef<IWICImagingFactory> factory;
    imgio::ComRef<IStream> stream;
    imgio::ComRef<IWICBitmapEncoder> encoder;
    imgio::ComRef<IWICBitmapFrameEncode> frame;
    imgio::ComRef<IPropertyBag2> props;
    const WICPixelFormatGUID format = gray ? GUID_WICPixelFormat8bppGray : GUID_WICPixelFormat24bppBGR;
    WICPixelFormatGUID actual = format;
    HGLOBAL mem = nullptr;
    STATSTG st = {};
    Bytes out;
    if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                   factory.PutVoid())) &&
        SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, stream.Put())) &&
        SUCCEEDED(factory->CreateEncoder(container, nullptr, encoder.Put())) &&
        SUCCEEDED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) &&
        SUCCEEDED(encoder->CreateNewFrame(frame.Put(), props.Put())) && SUCCEEDED(frame->Initialize(props.Get())) &&
        SUCCEEDED(frame->SetSize(UINT(w), UINT(h))) && SUCCEEDED(frame->SetPixelFormat(&actual)) && actual == format &&
        (dpi <= 0 || SUCCEEDED(frame->SetResolution(dpi, dpi))) &&
        SUCCEEDED(frame->WritePixels(UINT(h), stride, UINT(pixels.size()), pixels.data())) &&
        SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit()) && SUCCEEDED(GetHGlobalFromStream(stream.Get(), &mem)) &&
        SUCCEEDED(stream->Stat(&st, STATFLAG_NONAME))) {
        auto* p = static_cast<unsigned char*>(GlobalLock(mem));
        out.assign(p, p + size_t(st.cbSize.QuadPart));
        GlobalUnlock(mem);
    }
    EXPECT_FALSE(out.empty()) << "encoding failed";
    return out;
}

// While this lives, the thread's cancel check counts its calls and answers yes from call number
// `at` on (from 1; 0: never).
struct CancelAt {
    static inline int calls = 0, at = 0;
    IMGIOCANCELCHECK old = ImgIoSetCancelCheck(Check);
    explicit CancelAt(int yesAt) { calls = 0, at = yesAt; }
    static BOOL CALLBACK Check() { return ++calls >= at && at > 0; }
    ~CancelAt() { ImgIoSetCancelCheck(old); }
};

// good must read, and its prefixes (all below 64 bytes and in the last 16, a hundred between) but
// a non-zero allowedPrefix must be refused.
inline void ExpectTruncationRefused(const std::string& path, const Bytes& good, size_t allowedPrefix = 0)
{
    ASSERT_TRUE(ReadBytes(path, good).ok) << path << " whole";
    const size_t step = good.size() > 64 ? (good.size() - 64) / 100 + 1 : 1, tail = std::max<size_t>(good.size(), 16) - 16;
    for (size_t n = 0; n < good.size(); n = (n < 64 || n >= tail) ? n + 1 : std::min(n + step, tail))
        EXPECT_TRUE((n && n == allowedPrefix) || !ReadBytes(path, Bytes(good.begin(), good.begin() + long(n))).ok)
            << path << " cut to " << n;
}
} // namespace imgiotest
