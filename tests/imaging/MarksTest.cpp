#include <utility>
#include "imaging/Marks.h"
#include "support/TestSupport.h"

using namespace testsupport;

namespace {

using Bytes = std::vector<unsigned char>;

TEST(Marks, MarksTakeBytes6To9OfFilesOf14BytesOrMore)
{
    ScratchDir dir;
    const std::string path = dir.File("brush.bmp"), small = dir.File("small.bmp"), missing = dir.File("missing.bmp");
    Bytes want = {'B', 'M', 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    WriteBytes(path, want);
    EXPECT_EQ(SetBrushMark(path.c_str(), 7, 200), 1);
    want[6] = 0x42, want[7] = 0x52, want[8] = 0x07, want[9] = 0xC8;
    EXPECT_EQ(ReadBytes(path), want);

    EXPECT_EQ(SetStampMark(path.c_str()), 1);
    want[6] = 0x53, want[7] = 0x54, want[8] = 0x41, want[9] = 0x4D;
    EXPECT_EQ(ReadBytes(path), want);
    BYTE first = 7, second = 200;
    EXPECT_EQ(GetBrushMark(path.c_str(), &first, &second), 0);
    EXPECT_EQ(std::make_pair(first, second), std::make_pair(BYTE(7), BYTE(200))) << "outputs untouched";
    WORD w1 = 0, w2 = 0;
    EXPECT_EQ(ReadFileMark(path.c_str(), &w1, &w2), 0);
    EXPECT_EQ(std::make_pair(w1, w2), std::make_pair(WORD(0x5453), WORD(0x4D41)));

    // A short file (-2) is left as it is; a missing one (-1) is not created.
    WriteBytes(small, Bytes(13, 0x11));
    EXPECT_EQ(WriteFileMark(small.c_str(), 1, 2), -2);
    EXPECT_EQ(ReadFileMark(small.c_str(), &w1, &w2), -2);
    EXPECT_EQ(ReadBytes(small), Bytes(13, 0x11));
    EXPECT_EQ(WriteFileMark(missing.c_str(), 1, 2), -1);
    EXPECT_EQ(ReadFileMark(missing.c_str(), &w1, &w2), -1);
    EXPECT_EQ(std::make_pair(WriteFileMark(nullptr, 1, 2), ReadFileMark(nullptr, &w1, &w2)), std::make_pair(-1, -1));
    EXPECT_FALSE(FileExists(missing));
    EXPECT_EQ(std::make_pair(w1, w2), std::make_pair(WORD(0x5453), WORD(0x4D41))) << "outputs untouched";
}

} // namespace
