#include <gtest/gtest.h>
#include <stddef.h>
#include <string.h>
#include "album.h"
#include "views/ViewCreateInfo.h"

namespace {

// The record as a host sees it: fourteen little-endian fields at fixed offsets.
struct Expected {
    int rows, cols, hspace, vspace, scroll, select, cell, size, caption, bk;
    const char* face; // null: an all-zero font
    int height;
    int tooltip;
};

void ExpectRecord(const tagAlbumViewCreateInfo& aci, const Expected& e)
{
    const unsigned char* b = reinterpret_cast<const unsigned char*>(&aci);
    auto at = [b](size_t offset) {
        int32_t v;
        memcpy(&v, b + offset, 4);
        return v;
    };
    EXPECT_EQ(at(0), e.rows);
    EXPECT_EQ(at(4), e.cols);
    EXPECT_EQ(at(8), e.hspace);
    EXPECT_EQ(at(12), e.vspace);
    EXPECT_EQ(at(16), e.scroll);
    EXPECT_EQ(at(20), e.select);
    EXPECT_EQ(at(24), e.cell);
    EXPECT_EQ(at(28), e.size);
    EXPECT_EQ(at(32), e.caption);
    EXPECT_EQ(at(36), e.bk);
    EXPECT_EQ(at(100), 0);
    EXPECT_EQ(at(104), 0);
    EXPECT_EQ(at(108), e.tooltip);

    // The font, byte for byte: height, width, escapement, orientation, weight; eight bytes of
    // style; a 32-byte face padded with zeros.
    unsigned char font[60] = {};
    if (e.face) {
        int32_t height = e.height, weight = 400;
        memcpy(font, &height, 4);
        memcpy(font + 16, &weight, 4);
        font[20] = 0;    // italic
        font[21] = 0;    // underline
        font[22] = 0;    // strike-out
        font[23] = 0;    // character set
        font[24] = 3;    // OUT_STROKE_PRECIS
        font[25] = 2;    // CLIP_STROKE_PRECIS
        font[26] = 1;    // DRAFT_QUALITY
        font[27] = 0x12; // pitch and family
        memcpy(font + 28, e.face, strlen(e.face));
    }
    EXPECT_EQ(memcmp(b + 40, font, sizeof font), 0) << (e.face ? e.face : "zero font");
}

} // namespace

TEST(ViewCreateInfo, LayoutIsFixed)
{
    EXPECT_EQ(sizeof(tagAlbumViewCreateInfo), 112u);
    EXPECT_EQ(offsetof(tagAlbumViewCreateInfo, nRows), 0u);
    EXPECT_EQ(offsetof(tagAlbumViewCreateInfo, nVSpace), 12u);
    EXPECT_EQ(offsetof(tagAlbumViewCreateInfo, nSelectMode), 20u);
    EXPECT_EQ(offsetof(tagAlbumViewCreateInfo, nCellStyle), 24u);
    EXPECT_EQ(offsetof(tagAlbumViewCreateInfo, nSizeMode), 28u);
    EXPECT_EQ(offsetof(tagAlbumViewCreateInfo, nCaption), 32u);
    EXPECT_EQ(offsetof(tagAlbumViewCreateInfo, lfCaption), 40u);
    EXPECT_EQ(offsetof(tagAlbumViewCreateInfo, lfCaption.lfWeight), 56u);
    EXPECT_EQ(offsetof(tagAlbumViewCreateInfo, lfCaption.lfPitchAndFamily), 67u);
    EXPECT_EQ(offsetof(tagAlbumViewCreateInfo, lfCaption.lfFaceName), 68u);
    EXPECT_EQ(offsetof(tagAlbumViewCreateInfo, bToolTip), 108u);

    // The search criteria travel by value the same way.
    EXPECT_EQ(sizeof(tagAlbumSearchCreteria), 1164u);
    EXPECT_EQ(offsetof(tagAlbumSearchCreteria, tmTo), 552u);
    EXPECT_EQ(offsetof(tagAlbumSearchCreteria, nLookIn), 1160u);
}

TEST(ViewCreateInfo, ProducersGiveTheirRecords)
{
    ExpectRecord(ManagerCtrlViewInfo(3, 4), {3, 4, 0, 0, 1, 2, 4, 1, 1, 2, "Arial", -9, 0});
    ExpectRecord(ManagerCtrlViewInfo(0, 0), {0, 0, 0, 0, 1, 2, 4, 1, 1, 2, "Arial", -9, 0});
    ExpectRecord(OptionCtrlViewInfo(1, 7), {1, 7, 0, 0, 2, 1, 3, 1, 3, 2, nullptr, 0, 0});
    ExpectRecord(WizardCtrlViewInfo(), {2, 2, 16, 16, 1, 1, 1, 1, 3, 1, nullptr, 0, 0});
    ExpectRecord(DefaultListViewInfo(), {5, 5, 16, 16, 2, 2, 3, 1, 1, 2, "Times New Roman", -15, 0});
    ExpectRecord(ResourceAlbumViewInfo(2, 9, true), {2, 9, 2, 2, 2, 1, 1, 1, 3, 1, nullptr, 0, 1});
    ExpectRecord(ResourceAlbumViewInfo(2, 9, false), {2, 9, 2, 2, 2, 1, 1, 1, 3, 1, nullptr, 0, 0});
}
