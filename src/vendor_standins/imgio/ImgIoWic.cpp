// BMP, JPEG, PNG, GIF, TIFF and ICO through the platform's imaging component.
#include "ImgIoInternal.h"
#include "ImgIoCom.h"

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

// Bits per pixel of a pixel format; 128 (the widest there is) when the platform does not say.
unsigned FormatBits(IWICImagingFactory* factory, const WICPixelFormatGUID& format)
{
    ComRef<IWICComponentInfo> info;
    ComRef<IWICPixelFormatInfo> pixel;
    UINT bits = 0;
    if (FAILED(factory->CreateComponentInfo(format, info.Put())) ||
        FAILED(info->QueryInterface(IID_IWICPixelFormatInfo, pixel.PutVoid())) || FAILED(pixel->GetBitsPerPixel(&bits)) ||
        bits == 0 || bits > 128)
        return 128;
    return bits;
}

HGLOBAL DecodeFrame(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame, const uint8_t* bmpHeader)
{
    UINT w = 0, h = 0;
    WICPixelFormatGUID format;
    if (FAILED(frame->GetSize(&w, &h)) || FAILED(frame->GetPixelFormat(&format)) || w == 0 || h == 0)
        return nullptr;
    // The headers were checked before the decoder was given the file; this holds every decoder,
    // on every system, to the budget by what it says about the frame itself.
    FrameCost cost;
    cost.width = w;
    cost.height = h;
    cost.decodedBits = FormatBits(factory, format);
    if (!WithinBudget(cost))
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
        if (ReadCancelled() || FAILED(source->CopyPixels(&rect, srcStride, srcStride * rows, buffer.get())))
            return nullptr;
        for (UINT i = 0; i < rows; ++i)
            ConvertRow(route, buffer.get() + size_t(i) * srcStride, out.Row(y0 + i), w);
    }
    return out.Finish();
}

const GUID& ContainerGuid(Container c)
{
    switch (c) {
    case Container::Bmp: return GUID_ContainerFormatBmp;
    case Container::Png: return GUID_ContainerFormatPng;
    case Container::Jpeg: return GUID_ContainerFormatJpeg;
    case Container::Gif: return GUID_ContainerFormatGif;
    case Container::Tiff: return GUID_ContainerFormatTiff;
    case Container::Ico: return GUID_ContainerFormatIco;
    case Container::None: break;
    }
    return GUID_NULL;
}

// The platform's own decoder of each container.
const CLSID& DecoderClass(Container c)
{
    switch (c) {
    case Container::Bmp: return CLSID_WICBmpDecoder;
    case Container::Png: return CLSID_WICPngDecoder;
    case Container::Jpeg: return CLSID_WICJpegDecoder;
    case Container::Gif: return CLSID_WICGifDecoder;
    case Container::Tiff: return CLSID_WICTiffDecoder;
    case Container::Ico: return CLSID_WICIcoDecoder;
    case Container::None: break;
    }
    return GUID_NULL;
}

// A read-only stream over an open file. It keeps its own duplicate of the handle, so the file
// stays open (and closed to writers) for as long as a decoder holds the stream.
class HandleStream final : public IStream {
public:
    static HandleStream* Create(HANDLE file)
    {
        HANDLE own = nullptr;
        LARGE_INTEGER size;
        if (!GetFileSizeEx(file, &size) ||
            !DuplicateHandle(GetCurrentProcess(), file, GetCurrentProcess(), &own, 0, FALSE, DUPLICATE_SAME_ACCESS))
            return nullptr;
        HandleStream* s = new (std::nothrow) HandleStream(own, uint64_t(size.QuadPart));
        if (!s)
            CloseHandle(own);
        return s;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_ISequentialStream || iid == IID_IStream) {
            *out = static_cast<IStream*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = InterlockedDecrement(&refs_);
        if (left == 0)
            delete this;
        return ULONG(left);
    }

    HRESULT STDMETHODCALLTYPE Read(void* dst, ULONG bytes, ULONG* done) override
    {
        if (done)
            *done = 0;
        if (!dst)
            return STG_E_INVALIDPOINTER;
        if (ReadCancelled()) // a decoder that reads as it decodes stops here
            return STG_E_READFAULT;
        const uint64_t left = pos_ < size_ ? size_ - pos_ : 0;
        const ULONG want = left < bytes ? ULONG(left) : bytes;
        ULONG got = 0;
        while (got < want) {
            OVERLAPPED at = {};
            at.Offset = DWORD(pos_);
            at.OffsetHigh = DWORD(pos_ >> 32);
            DWORD n = 0;
            if (!ReadFile(file_.get(), static_cast<uint8_t*>(dst) + got, want - got, &n, &at) || n == 0)
                break;
            got += n;
            pos_ += n;
        }
        if (done)
            *done = got;
        if (got < want)
            return STG_E_READFAULT;
        return got == bytes ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG* done) override
    {
        if (done)
            *done = 0;
        return STG_E_ACCESSDENIED;
    }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* result) override
    {
        int64_t base;
        switch (origin) {
        case STREAM_SEEK_SET: base = 0; break;
        case STREAM_SEEK_CUR: base = int64_t(pos_); break;
        case STREAM_SEEK_END: base = int64_t(size_); break;
        default: return STG_E_INVALIDFUNCTION;
        }
        if ((move.QuadPart < 0 && base + move.QuadPart < 0) || (move.QuadPart > 0 && move.QuadPart > INT64_MAX - base))
            return STG_E_INVALIDFUNCTION;
        pos_ = uint64_t(base + move.QuadPart);
        if (result)
            result->QuadPart = pos_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override
    {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override
    {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override
    {
        if (!stat)
            return STG_E_INVALIDPOINTER;
        memset(stat, 0, sizeof *stat); // no name, whatever the flags ask
        stat->type = STGTY_STREAM;
        stat->cbSize.QuadPart = size_;
        stat->grfMode = STGM_READ | STGM_SHARE_DENY_WRITE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IStream** out) override
    {
        if (out)
            *out = nullptr;
        return E_NOTIMPL;
    }

private:
    HandleStream(HANDLE file, uint64_t size) : file_(file), size_(size) {}
    ~HandleStream() = default;

    LONG refs_ = 1;
    win::UniqueHandle file_;
    const uint64_t size_;
    uint64_t pos_ = 0;
};

} // namespace

HGLOBAL DecodeWithWic(HANDLE file, Container container, const DecodePlan& plan, const uint8_t* bmpHeader)
{
    // Declared first so that every interface below is released before COM is.
    ComScope com;
    if (!com.Usable() || plan.frame < 0)
        return nullptr;
    ComRef<IStream> stream;
    *stream.Put() = HandleStream::Create(file);
    if (!stream)
        return nullptr;
    ComRef<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                factory.PutVoid())))
        return nullptr;
    // The decoder of the container whose headers were checked, not whichever claims the file:
    // the platform's own, made directly (asking the factory for one walks every registered codec,
    // which costs more than decoding a small picture); where that cannot be made, the factory's.
    ComRef<IWICBitmapDecoder> decoder;
    if (FAILED(CoCreateInstance(DecoderClass(container), nullptr, CLSCTX_INPROC_SERVER, IID_IWICBitmapDecoder,
                                decoder.PutVoid())) &&
        FAILED(factory->CreateDecoder(ContainerGuid(container), nullptr, decoder.Put())))
        return nullptr;
    if (FAILED(decoder->Initialize(stream.Get(), WICDecodeMetadataCacheOnDemand)))
        return nullptr;
    UINT frames = 0;
    ComRef<IWICBitmapFrameDecode> frame;
    if (FAILED(decoder->GetFrameCount(&frames)) || UINT(plan.frame) >= frames ||
        FAILED(decoder->GetFrame(UINT(plan.frame), frame.Put())))
        return nullptr;
    return DecodeFrame(factory.Get(), frame.Get(), bmpHeader);
}

} // namespace imgio
