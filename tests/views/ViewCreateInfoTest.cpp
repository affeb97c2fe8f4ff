#include "support/TestSupport.h"
#include "views/ViewCreateInfo.h"

// The records as a host reads them: 28 little-endian 32-bit words.
TEST(ViewCreateInfo, ProducersGiveTheirRecords)
{
    // The ten words at offsets 0..36 and the tooltip; the caption font's face (null: all zero) and height.
    struct Case { tagAlbumViewCreateInfo aci; int32_t fields[11]; const char* face; int32_t height; };
    const Case cases[] = {
        {ManagerCtrlViewInfo(3, 4), {3, 4, 0, 0, 1, 2, 4, 1, 1, 2, 0}, "Arial", -9},
        {OptionCtrlViewInfo(1, 7), {1, 7, 0, 0, 2, 1, 3, 1, 3, 2, 0}, nullptr, 0},
        {WizardCtrlViewInfo(), {2, 2, 16, 16, 1, 1, 1, 1, 3, 1, 0}, nullptr, 0},
        {DefaultListViewInfo(), {5, 5, 16, 16, 2, 2, 3, 1, 1, 2, 0}, "Times New Roman", -15},
        {ResourceAlbumViewInfo(2, 9, true), {2, 9, 2, 2, 2, 1, 1, 1, 3, 1, 1}, nullptr, 0},
        {ResourceAlbumViewInfo(2, 9, false), {2, 9, 2, 2, 2, 1, 1, 1, 3, 1, 0}, nullptr, 0},
    };
    for (const Case& c : cases) {
        std::vector<int32_t> got(28), want(28);
        memcpy(got.data(), &c.aci, 112);
        memcpy(want.data(), c.fields, 40), want[27] = c.fields[10]; // the reserved words stay zero
        if (c.face) { // height, weight 400; bytes 3, 2, 1, 0x12: stroke precisions, draft quality, pitch
            want[10] = c.height, want[14] = 400, want[16] = 0x12010203;
            memcpy(&want[17], c.face, strlen(c.face)); // the face, padded with zeros
        }
        EXPECT_EQ(got, want) << "case " << &c - cases;
    }
}
