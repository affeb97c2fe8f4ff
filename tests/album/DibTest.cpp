#include "win/Dib.h"
#include "support/TestSupport.h"

namespace {

using Bytes = std::vector<unsigned char>;

// A packed bitmap with the given palette room, its size changed by sizeAdjust bytes.
Bytes Packed(int width, int height, int bits, DWORD clrUsed, size_t paletteEntries, long sizeAdjust = 0)
{
    HGLOBAL block = testsupport::MakePackedDib(width, height, bits, Bytes(paletteEntries * 4), {}, 0, long(clrUsed));
    Bytes v = testsupport::BlockBytes(block);
    GlobalFree(block);
    v.resize(size_t(long(v.size()) + sizeAdjust), 0);
    return v;
}

TEST(Dib, AcceptsWellFormedBitmapsAndRefusesWhatWouldBeReadOutOfBoundsOrActedOn)
{
    // Layouts: stride, bits offset, image bytes, palette entries. An 8-bit bitmap that counts no
    // colours carries all 256; blocks may be larger than the bitmap (albums keep spare bytes).
    const struct { Bytes v; size_t stride, offset, image, entries; } good[] = {
        {Packed(5, 3, 24, 0, 0), 16, 40, 48, 0}, {Packed(3, 2, 8, 0, 256), 4, 40 + 1024, 8, 256},
        {Packed(33, 1, 1, 2, 2), 8, 48, 8, 2}, {Packed(4, 4, 24, 0, 0, 10), 12, 40, 48, 0}};
    for (const auto& g : good) {
        dib::Layout l;
        ASSERT_TRUE(dib::Parse(g.v.data(), g.v.size(), &l)) << &g - good;
        EXPECT_EQ(std::vector<size_t>({l.stride, l.bitsOffset, l.imageBytes, l.paletteEntries}),
                  std::vector<size_t>({g.stride, g.offset, g.image, g.entries})) << &g - good;
    }
    // Short rows (the palette's room is the good 8-bit row's offset), a huge frame; top-down, no width,
    // odd depths, a header not of 40 bytes (V5: a colour space GDI would act on), compressed, palettes too big.
    const struct { const char* what; Bytes v; std::function<void(BITMAPINFOHEADER*)> spoil; } bad[] = {
        {"short rows", Packed(5, 3, 24, 0, 0, -1), nullptr},
        {"huge", Packed(1, 1, 24, 0, 0), [](BITMAPINFOHEADER* h) { h->biWidth = h->biHeight = 0x7FFFFFFF; }},
        {"top-down", {}, [](BITMAPINFOHEADER* h) { h->biHeight = -4; }},
        {"zero width", {}, [](BITMAPINFOHEADER* h) { h->biWidth = 0; }},
        {"depth", {}, [](BITMAPINFOHEADER* h) { h->biBitCount = 7; }},
        {"V5 header", {}, [](BITMAPINFOHEADER* h) { h->biSize = sizeof(BITMAPV5HEADER); }},
        {"compressed", {}, [](BITMAPINFOHEADER* h) { h->biCompression = BI_RLE8; }},
        {"palette", {}, [](BITMAPINFOHEADER* h) { h->biClrUsed = 257; }},
        {"palette beyond 4 bits", {}, [](BITMAPINFOHEADER* h) { h->biBitCount = 4, h->biClrUsed = 17; }},
    };
    for (const auto& b : bad) {
        Bytes v = b.v.empty() ? Packed(4, 4, 24, 0, 0, 2048) : b.v;
        if (b.spoil)
            b.spoil(reinterpret_cast<BITMAPINFOHEADER*>(v.data()));
        EXPECT_FALSE(dib::Parse(v.data(), v.size())) << b.what;
    }
    Bytes header = Packed(1, 1, 24, 0, 0);
    EXPECT_FALSE(dib::Parse(header.data(), 39) || dib::Parse(nullptr, 100));

    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, header.size());
    memcpy(GlobalLock(h), header.data(), header.size());
    GlobalUnlock(h);
    dib::Layout l = {};
    EXPECT_TRUE(dib::IsValidBlock(h, &l) && l.width == 1 && l.stride == 4);
    GlobalFree(h);
    EXPECT_FALSE(dib::IsValidBlock(nullptr));
}

TEST(Dib, SizesAreCountedAsA32BitProcessCountsThem)
{
    // What a 64-bit process can count, a 32-bit one must refuse rather than wrap around.
    EXPECT_EQ(dib::StrideFor<uint64_t>(0x40000001, 32), 0x100000004ull);
    EXPECT_EQ(dib::StrideFor<uint32_t>(0x40000001, 32), 0u);
    EXPECT_EQ(dib::BlockBytesFor<uint64_t>(1064, 65536, 65536, 8), 0x100000428ull);
    EXPECT_EQ(dib::BlockBytesFor<uint32_t>(1064, 65536, 65536, 8), 0u);
    // Up to the last byte a 32-bit size holds, and not one more.
    EXPECT_EQ(dib::BlockBytesFor<uint32_t>(3, 1, 0x3FFFFFFF, 32), 0xFFFFFFFFu);
    EXPECT_EQ(dib::BlockBytesFor<uint32_t>(4, 1, 0x3FFFFFFF, 32), 0u);
}

} // namespace
