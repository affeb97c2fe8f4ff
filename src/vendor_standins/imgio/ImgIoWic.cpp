// BMP, JPEG, PNG, GIF, TIFF and ICO through the platform's imaging component.
#include "ImgIoInternal.h"

#include <wincodec.h>
#include <math.h>
#include <new>
#include <memory>
#include <string.h>

namespace imgio {
namespace {

// How a frame's pixels become ours.
enum class Route {
    Indexed1, Indexed2, Indexed4, Indexed8, // 1/4/4/8-bit with the frame's palette
    BlackWhite,                             // 1-bit black and white
    Gray2, Gray4, Gray8, Gray16,            // 8-bit gray ramp
    Bgr24, Bgr32,                           // 24-bit, copied
    Converted,                              // 24-bit from 32-bit BGRA laid over white
};

Route RouteOf(const WICPixelFormatGUID& f)
{
    if (f == GUID_WICPixelFormat1bppIndexed) return Route::Indexed1;
    if (f == GUID_WICPixelFormat2bppIndexed) return Route::Indexed2;
    if (f == GUID_WICPixelFormat4bppIndexed) return Route::Indexed4;
    if (f == GUID_WICPixelFormat8bppIndexed) return Route::Indexed8;
    if (f == GUID_WICPixelFormatBlackWhite) return Route::BlackWhite;
    if (f == GUID_WICPixelFormat2bppGray) return Route::Gray2;
    if (f == GUID_WICPixelFormat4bppGray) return Route::Gray4;
    if (f == GUID_WICPixelFormat8bppGray) return Route::Gray8;
    if (f == GUID_WICPixelFormat16bppGray) return Route::Gray16;
    if (f == GUID_WICPixelFormat24bppBGR) return Route::Bgr24;
    if (f == GUID_WICPixelFormat32bppBGR) return Route::Bgr32;
    return Route::Converted;
}

unsigned SourceBits(Route r)
{
    switch (r) {
    case Route::Indexed1: case Route::BlackWhite: return 1;
    case Route::Indexed2: case Route::Gray2: return 2;
    case Route::Indexed4: case Route::Gray4: return 4;
    case Route::Indexed8: case Route::Gray8: return 8;
    case Route::Gray16: return 16;
    case Route::Bgr24: return 24;
    case Route::Bgr32: case Route::Converted: return 32;
    }
    return 32;
}

uint16_t OutputBits(Route r)
{
    switch (r) {
    case Route::Indexed1: case Route::BlackWhite: return 1;
    case Route::Indexed2: case Route::Indexed4: return 4;
    case Route::Indexed8: case Route::Gray2: case Route::Gray4: case Route::Gray8: case Route::Gray16: return 8;
    default: return 24;
    }
}

bool IsIndexed(Route r)
{
    return r == Route::Indexed1 || r == Route::Indexed2 || r == Route::Indexed4 || r == Route::Indexed8;
}

// One source row (top-down) into the bitmap row.
void ConvertRow(Route r, const uint8_t* src, uint8_t* dst, uint32_t w)
{
    switch (r) {
    case Route::Indexed1: case Route::BlackWhite: case Route::Indexed4: case Route::Indexed8: {
        uint16_t bits = OutputBits(r);
        size_t bytes = (size_t(w) * bits + 7) / 8;
        memcpy(dst, src, bytes);
        unsigned used = unsigned((size_t(w) * bits) % 8);
        if (used)
            dst[bytes - 1] &= uint8_t(0xFF << (8 - used));
        break;
    }
    case Route::Indexed2:
        for (uint32_t x = 0; x < w; ++x) {
            unsigned v = (src[x / 4] >> (6 - 2 * (x % 4))) & 3u;
            dst[x / 2] |= uint8_t(x % 2 ? v : v << 4);
        }
        break;
    case Route::Gray2:
        for (uint32_t x = 0; x < w; ++x)
            dst[x] = uint8_t(((src[x / 4] >> (6 - 2 * (x % 4))) & 3u) * 85u);
        break;
    case Route::Gray4:
        for (uint32_t x = 0; x < w; ++x)
            dst[x] = uint8_t(((src[x / 2] >> (x % 2 ? 0 : 4)) & 15u) * 17u);
        break;
    case Route::Gray8:
        memcpy(dst, src, w);
        break;
    case Route::Gray16:
        for (uint32_t x = 0; x < w; ++x)
            dst[x] = uint8_t((unsigned(ReadU16(src + 2 * size_t(x))) + 128u) / 257u);
        break;
    case Route::Bgr24:
        memcpy(dst, src, size_t(w) * 3);
        break;
    case Route::Bgr32:
        for (uint32_t x = 0; x < w; ++x)
            memcpy(dst + 3 * size_t(x), src + 4 * size_t(x), 3);
        break;
    case Route::Converted:
        for (uint32_t x = 0; x < w; ++x) {
            const uint8_t* s = src + 4 * size_t(x);
            uint8_t* d = dst + 3 * size_t(x);
            d[0] = OverWhite(s[0], s[3]);
            d[1] = OverWhite(s[1], s[3]);
            d[2] = OverWhite(s[2], s[3]);
        }
        break;
    }
}

// The frame's palette into the bitmap's, translucent entries laid over white. Zero when the
// frame has none.
uint32_t CopyFramePalette(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame, uint32_t maxEntries,
                          WICColor* colors)
{
    ComRef<IWICPalette> palette;
    UINT count = 0, actual = 0;
    if (FAILED(factory->CreatePalette(palette.Put())) || FAILED(frame->CopyPalette(palette.Get())) ||
        FAILED(palette->GetColorCount(&count)) || count == 0)
        return 0;
    if (count > maxEntries)
        count = maxEntries;
    if (FAILED(palette->GetColors(count, colors, &actual)))
        return 0;
    return actual;
}

HGLOBAL DecodeFrame(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame, const uint8_t* bmpHeader)
{
    UINT w = 0, h = 0;
    WICPixelFormatGUID format;
    if (FAILED(frame->GetSize(&w, &h)) || FAILED(frame->GetPixelFormat(&format)) || w == 0 || h == 0)
        return nullptr;
    if (w > 0x7FFFFFFF || h > 0x7FFFFFFF)
        return nullptr;

    Route route = RouteOf(format);
    WICColor colors[256];
    uint32_t entries = 0;
    if (IsIndexed(route)) {
        uint32_t maxEntries = 1u << SourceBits(route);
        entries = CopyFramePalette(factory, frame, maxEntries, colors);
        if (entries == 0)
            route = Route::Converted; // an indexed frame without palette: let the converter try
    }

    IWICBitmapSource* source = frame;
    ComRef<IWICFormatConverter> converter;
    if (route == Route::Converted) {
        if (FAILED(factory->CreateFormatConverter(converter.Put())) ||
            FAILED(converter->Initialize(frame, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone,
                                         nullptr, 0.0, WICBitmapPaletteTypeCustom)))
            return nullptr;
        source = converter.Get();
    }

    const uint16_t outBits = OutputBits(route);
    if (route == Route::BlackWhite)
        entries = 2;
    else if (outBits == 8 && !IsIndexed(route))
        entries = 256;
    DibWriter out;
    if (!out.Create(w, h, outBits, entries))
        return nullptr;

    RGBQUAD* pal = out.Palette();
    if (IsIndexed(route)) {
        for (uint32_t i = 0; i < entries; ++i) {
            WICColor c = colors[i];
            uint8_t a = uint8_t(c >> 24);
            pal[i] = RGBQUAD{OverWhite(uint8_t(c), a), OverWhite(uint8_t(c >> 8), a), OverWhite(uint8_t(c >> 16), a), 0};
        }
    } else if (route == Route::BlackWhite) {
        pal[0] = RGBQUAD{0, 0, 0, 0};
        pal[1] = RGBQUAD{255, 255, 255, 0};
    } else if (entries == 256) {
        for (unsigned i = 0; i < 256; ++i)
            pal[i] = RGBQUAD{uint8_t(i), uint8_t(i), uint8_t(i), 0};
    }

    if (bmpHeader) {
        // A bitmap file states its resolution exactly (0 included); the decoder would round it.
        out.SetResolution(int32_t(ReadU32(bmpHeader + 38)), int32_t(ReadU32(bmpHeader + 42)));
    } else {
        double dpiX = 0, dpiY = 0;
        if (SUCCEEDED(frame->GetResolution(&dpiX, &dpiY)))
            out.SetResolution(PelsPerMeterFromDpi(dpiX), PelsPerMeterFromDpi(dpiY));
    }

    // Copy in bands of a few megabytes, so that no second full-size copy of the image exists.
    const uint64_t srcStride64 = (uint64_t(w) * SourceBits(route) + 7) / 8;
    if (srcStride64 > 0x7FFFFFFF)
        return nullptr;
    const UINT srcStride = UINT(srcStride64);
    UINT band = UINT((4u << 20) / srcStride);
    if (band == 0)
        band = 1;
    if (band > h)
        band = h;
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[size_t(srcStride) * band]);
    if (!buffer)
        return nullptr;
    for (UINT y0 = 0; y0 < h; y0 += band) {
        UINT rows = h - y0 < band ? h - y0 : band;
        WICRect rect = {0, INT(y0), INT(w), INT(rows)};
        if (FAILED(source->CopyPixels(&rect, srcStride, srcStride * rows, buffer.get())))
            return nullptr;
        for (UINT i = 0; i < rows; ++i)
            ConvertRow(route, buffer.get() + size_t(i) * srcStride, out.Row(y0 + i), w);
    }
    return out.Finish();
}

// The path as the file system's code page spells it.
std::unique_ptr<wchar_t[]> WidePath(LPCSTR path)
{
    UINT cp = AreFileApisANSI() ? CP_ACP : CP_OEMCP;
    int n = MultiByteToWideChar(cp, 0, path, -1, nullptr, 0);
    if (n <= 0)
        return nullptr;
    std::unique_ptr<wchar_t[]> wide(new (std::nothrow) wchar_t[size_t(n)]);
    if (!wide || MultiByteToWideChar(cp, 0, path, -1, wide.get(), n) != n)
        return nullptr;
    return wide;
}

} // namespace

HGLOBAL DecodeWithWic(LPCSTR path, const GUID& container, int frameIndex, const uint8_t* bmpHeader)
{
    std::unique_ptr<wchar_t[]> wide = WidePath(path);
    if (!wide)
        return nullptr;
    // Declared first so that every interface below is released before COM is.
    ComScope com;
    if (!com.Usable())
        return nullptr;
    ComRef<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                factory.PutVoid())))
        return nullptr;
    ComRef<IWICStream> stream;
    ComRef<IWICBitmapDecoder> decoder;
    if (FAILED(factory->CreateStream(stream.Put())) ||
        FAILED(stream->InitializeFromFilename(wide.get(), GENERIC_READ)) ||
        FAILED(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                                decoder.Put())))
        return nullptr;
    // The decoder chosen by content must be the one the signature promised.
    GUID actual;
    if (FAILED(decoder->GetContainerFormat(&actual)) || actual != container)
        return nullptr;
    UINT frames = 0;
    ComRef<IWICBitmapFrameDecode> frame;
    if (frameIndex < 0 || FAILED(decoder->GetFrameCount(&frames)) || UINT(frameIndex) >= frames ||
        FAILED(decoder->GetFrame(UINT(frameIndex), frame.Put())))
        return nullptr;
    return DecodeFrame(factory.Get(), frame.Get(), bmpHeader);
}

} // namespace imgio
