// Helpers shared by the ImgIO tests: decoded images as plain values, and image files made with
// the platform's encoders.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <wincodec.h>
#include <string.h>
#include <algorithm>
#include <string>
#include <vector>
#include "album/Dib.h"
#include "imgio.h"
#include "support/TestSupport.h"
#include "ImgIoTestUtil.h"

namespace imgiotest {

void PrintTo(const Rgb& c, std::ostream* os)
{
    *os << "(" << c.r << "," << c.g << "," << c.b << ")";
}

Rgb Image::PaletteAt(unsigned i) const
{
    const unsigned char* q = bytes.data() + layout.headerSize + 4 * i;
    return Rgb{q[2], q[1], q[0]};
}

const unsigned char* Image::Row(int yFromTop) const
{
    return bytes.data() + layout.bitsOffset + size_t(layout.height - 1 - yFromTop) * layout.stride;
}

unsigned Image::IndexAt(int x, int y) const
{
    const unsigned char* row = Row(y);
    switch (layout.bitCount) {
    case 1: return (row[x / 8] >> (7 - x % 8)) & 1u;
    case 4: return (row[x / 2] >> (x % 2 ? 0 : 4)) & 15u;
    default: return row[x];
    }
}

Rgb Image::At(int x, int y) const
{
    if (layout.bitCount == 24) {
        const unsigned char* p = Row(y) + 3 * x;
        return Rgb{p[2], p[1], p[0]};
    }
    return PaletteAt(IndexAt(x, y));
}

bool Image::IsGrayRamp() const
{
    if (layout.bitCount != 8 || layout.paletteEntries != 256)
        return false;
    for (unsigned i = 0; i < 256; ++i)
        if (!(PaletteAt(i) == Rgb{int(i), int(i), int(i)}))
            return false;
    return true;
}

Image TakeImage(HGLOBAL block)
{
    Image img;
    if (!block)
        return img;
    void* p = GlobalLock(block);
    if (p) {
        img.movable = p != static_cast<void*>(block);
        size_t size = GlobalSize(block);
        img.ok = dib::Parse(p, size, &img.layout);
        if (img.ok) {
            memcpy(&img.header, p, sizeof img.header);
            auto* b = static_cast<unsigned char*>(p);
            img.bytes.assign(b, b + img.layout.bitsOffset + img.layout.imageBytes);
        }
        GlobalUnlock(block);
    }
    GlobalFree(block);
    return img;
}

Image ReadImage(const std::string& path, IMGIOOPTIONS* options)
{
    return TakeImage(ImgIoReadFile(path.c_str(), 0, options));
}

Image ReadBytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) {
        ADD_FAILURE() << "cannot write " << path;
        return Image();
    }
    if (!bytes.empty())
        fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
    return ReadImage(path, nullptr);
}

size_t FirstAcceptedPrefix(const std::string& path, const std::vector<unsigned char>& bytes)
{
    size_t step = bytes.size() > 64 ? (bytes.size() - 64) / 100 + 1 : 1;
    const size_t tail = bytes.size() > 16 ? bytes.size() - 16 : 0;
    for (size_t n = 0; n < bytes.size(); n = (n < 64 || n >= tail) ? n + 1 : std::min(n + step, tail)) {
        FILE* f = fopen(path.c_str(), "wb");
        if (!f)
            return n;
        if (n)
            fwrite(bytes.data(), 1, n, f);
        fclose(f);
        if (HGLOBAL h = ImgIoReadFile(path.c_str(), 0, nullptr)) {
            GlobalFree(h);
            return n;
        }
    }
    return 0;
}

void MutateAndRead(const std::string& path, const std::vector<unsigned char>& good, int rounds)
{
    uint32_t seed = 12345;
    auto next = [&] { seed = seed * 1103515245u + 12345u; return seed >> 8; };
    for (int i = 0; i < rounds; ++i) {
        std::vector<unsigned char> bad = good;
        int flips = 1 + int(next() % 4);
        for (int k = 0; k < flips; ++k)
            bad[next() % bad.size()] = uint8_t(next());
        testsupport::WriteBytes(path, bad);
        HGLOBAL h = ImgIoReadFile(path.c_str(), 0, nullptr);
        if (h) {
            Image img = TakeImage(h);
            ASSERT_TRUE(img.ok) << "round " << i;
        }
    }
}

namespace {

template <class T>
struct Ref {
    T* p = nullptr;
    ~Ref() { if (p) p->Release(); }
    T* operator->() const { return p; }
};

} // namespace

std::vector<unsigned char> Encode(const GUID& container, const GUID& format, UINT w, UINT h,
                                  const std::vector<const void*>& frames, UINT stride,
                                  const std::vector<WICColor>& palette, double dpi)
{
    std::vector<unsigned char> out;
    HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
        Ref<IWICImagingFactory> factory;
        Ref<IStream> stream;
        Ref<IWICBitmapEncoder> encoder;
        Ref<IWICPalette> pal;
        bool ok = SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                             IID_IWICImagingFactory, reinterpret_cast<void**>(&factory.p))) &&
                  SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, &stream.p)) &&
                  SUCCEEDED(factory->CreateEncoder(container, nullptr, &encoder.p)) &&
                  SUCCEEDED(encoder->Initialize(stream.p, WICBitmapEncoderNoCache));
        if (ok && !palette.empty()) {
            ok = SUCCEEDED(factory->CreatePalette(&pal.p)) &&
                 SUCCEEDED(pal->InitializeCustom(const_cast<WICColor*>(palette.data()), UINT(palette.size())));
        }
        for (size_t i = 0; ok && i < frames.size(); ++i) {
            Ref<IWICBitmapFrameEncode> frame;
            Ref<IPropertyBag2> props;
            WICPixelFormatGUID actual = format;
            ok = SUCCEEDED(encoder->CreateNewFrame(&frame.p, &props.p)) && SUCCEEDED(frame->Initialize(props.p)) &&
                 SUCCEEDED(frame->SetSize(w, h)) && SUCCEEDED(frame->SetPixelFormat(&actual));
            if (ok && actual != format) {
                ADD_FAILURE() << "the encoder would change the pixel format";
                ok = false;
            }
            if (ok && dpi > 0)
                ok = SUCCEEDED(frame->SetResolution(dpi, dpi));
            if (ok && pal.p)
                ok = SUCCEEDED(frame->SetPalette(pal.p));
            ok = ok &&
                 SUCCEEDED(frame->WritePixels(h, stride, stride * h,
                                              static_cast<BYTE*>(const_cast<void*>(frames[i])))) &&
                 SUCCEEDED(frame->Commit());
        }
        ok = ok && SUCCEEDED(encoder->Commit());
        HGLOBAL mem = nullptr;
        STATSTG st = {};
        if (ok && SUCCEEDED(GetHGlobalFromStream(stream.p, &mem)) && SUCCEEDED(stream->Stat(&st, STATFLAG_NONAME))) {
            auto* p = static_cast<unsigned char*>(GlobalLock(mem));
            out.assign(p, p + size_t(st.cbSize.QuadPart));
            GlobalUnlock(mem);
        }
        EXPECT_TRUE(ok) << "encoding failed";
    }
    if (SUCCEEDED(init))
        CoUninitialize();
    return out;
}

} // namespace imgiotest
