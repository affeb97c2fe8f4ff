#include "win/Dib.h"
#include "support/TestSupport.h"

namespace {

// A packed bitmap with the given palette room, its size changed by sizeAdjust bytes.
std::vector<unsigned char> Packed(int width, int height, int bits, DWORD clrUsed, size_t paletteEntries,
                                  long sizeAdjust = 0)
{
    HGLOBAL block = testsupport::MakePackedDib(width, height, bits, std::vector<unsigned char>(paletteEntries * 4),
                                               {}, 0, long(clrUsed));
    std::vector<unsigned char> v = testsupport::BlockBytes(block);
    GlobalFree(block);
    v.resize(size_t(long(v.size()) + sizeAdjust), 0);
    return v;
}

TEST(Dib, AcceptsWellFormedBitmapsAndReportsTheirLayout)
{
    auto rgb = Packed(5, 3, 24, 0, 0);
    dib::Layout l;
    ASSERT_TRUE(dib::Parse(rgb.data(), rgb.size(), &l));
    EXPECT_EQ(l.stride, 16u); // 15 bytes padded to 16
    EXPECT_EQ(l.bitsOffset, 40u);
    EXPECT_EQ(l.imageBytes, 48u);

    // An 8-bit bitmap that counts no colours carries the full 256-entry palette.
    auto gray = Packed(3, 2, 8, 0, 256);
    ASSERT_TRUE(dib::Parse(gray.data(), gray.size(), &l));
    EXPECT_EQ(l.paletteEntries, 256u);
    EXPECT_EQ(l.bitsOffset, 40u + 1024u);

    auto mono = Packed(33, 1, 1, 2, 2);
    ASSERT_TRUE(dib::Parse(mono.data(), mono.size(), &l));
    EXPECT_EQ(l.stride, 8u);

    // Blocks may be larger than the bitmap (albums store a few spare bytes).
    auto roomy = Packed(4, 4, 24, 0, 0, 10);
    EXPECT_TRUE(dib::Parse(roomy.data(), roomy.size()));
}

TEST(Dib, RefusesBlocksThatWouldBeReadOutOfBounds)
{
    auto shortRows = Packed(5, 3, 24, 0, 0, -1);
    EXPECT_FALSE(dib::Parse(shortRows.data(), shortRows.size()));

    auto noPalette = Packed(3, 2, 8, 0, 0); // 256 entries announced, none present
    EXPECT_FALSE(dib::Parse(noPalette.data(), noPalette.size()));

    auto header = Packed(1, 1, 24, 0, 0);
    EXPECT_FALSE(dib::Parse(header.data(), 39));
    EXPECT_FALSE(dib::Parse(nullptr, 100));

    auto huge = Packed(1, 1, 24, 0, 0);
    reinterpret_cast<BITMAPINFOHEADER*>(huge.data())->biWidth = 0x7FFFFFFF;
    reinterpret_cast<BITMAPINFOHEADER*>(huge.data())->biHeight = 0x7FFFFFFF;
    EXPECT_FALSE(dib::Parse(huge.data(), huge.size()));
}

TEST(Dib, RefusesMalformedHeaders)
{
    auto make = [] { return Packed(4, 4, 24, 0, 0, 2048); };
    auto at = [](std::vector<unsigned char>& v) { return reinterpret_cast<BITMAPINFOHEADER*>(v.data()); };

    auto v = make(); at(v)->biHeight = -4;          EXPECT_FALSE(dib::Parse(v.data(), v.size())) << "top-down";
    v = make(); at(v)->biWidth = 0;                 EXPECT_FALSE(dib::Parse(v.data(), v.size())) << "zero width";
    v = make(); at(v)->biBitCount = 7;              EXPECT_FALSE(dib::Parse(v.data(), v.size())) << "depth";
    v = make(); at(v)->biSize = 12;                 EXPECT_FALSE(dib::Parse(v.data(), v.size())) << "core header";
    v = make(); at(v)->biSize = 0xFFFFFFF0;         EXPECT_FALSE(dib::Parse(v.data(), v.size())) << "header size";
    // The V4 and V5 headers carry colour spaces and profiles that GDI would act on.
    v = make(); at(v)->biSize = sizeof(BITMAPV4HEADER); EXPECT_FALSE(dib::Parse(v.data(), v.size())) << "V4 header";
    v = make(); at(v)->biSize = sizeof(BITMAPV5HEADER); EXPECT_FALSE(dib::Parse(v.data(), v.size())) << "V5 header";
    v = make(); at(v)->biCompression = BI_RLE8;     EXPECT_FALSE(dib::Parse(v.data(), v.size())) << "compressed";
    v = make(); at(v)->biClrUsed = 257;             EXPECT_FALSE(dib::Parse(v.data(), v.size())) << "palette";
    v = make(); at(v)->biBitCount = 4; at(v)->biClrUsed = 17;
    EXPECT_FALSE(dib::Parse(v.data(), v.size())) << "palette larger than 4 bits allow";
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

TEST(Dib, ChecksGlobalBlocks)
{
    auto v = Packed(2, 2, 24, 0, 0);
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, v.size());
    memcpy(GlobalLock(h), v.data(), v.size());
    GlobalUnlock(h);
    EXPECT_TRUE(dib::IsValidBlock(h));
    GlobalFree(h);
    EXPECT_FALSE(dib::IsValidBlock(nullptr));
}

} // namespace
