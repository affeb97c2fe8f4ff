#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "imaging/Marks.h"
#include "support/TestSupport.h"

using namespace testsupport;

namespace {

using Bytes = std::vector<unsigned char>;

// The start of a bitmap file and a little more; the marks look at nothing but bytes 0-13.
Bytes SampleFile()
{
    const unsigned char header[14] = {'B', 'M', 0x36, 0x10, 0, 0, 0xDE, 0xAD, 0xBE, 0xEF, 0x36, 0, 0, 0};
    Bytes b(64);
    for (size_t i = 0; i < b.size(); ++i)
        b[i] = i < 14 ? header[i] : static_cast<unsigned char>(i);
    return b;
}

TEST(Marks, BrushMarkHoldsTwoParameterBytes)
{
    ScratchDir dir;
    std::string path = dir.File("brush.bmp");
    Bytes original = SampleFile();
    WriteBytes(path, original);

    EXPECT_EQ(SetBrushMark(path.c_str(), 7, 200), 1);
    Bytes marked = ReadBytes(path);
    Bytes want = original;
    want[6] = 0x42;
    want[7] = 0x52;
    want[8] = 0x07;
    want[9] = 0xC8;
    EXPECT_EQ(marked, want) << "only bytes 6-9 change";

    BYTE first = 0, second = 0;
    EXPECT_EQ(GetBrushMark(path.c_str(), &first, &second), 1);
    EXPECT_EQ(first, 7);
    EXPECT_EQ(second, 200);
    EXPECT_EQ(GetBrushMark(path.c_str(), nullptr, &second), 1);
    EXPECT_EQ(IsStampFile(path.c_str()), 0);

    WORD w1 = 0, w2 = 0;
    EXPECT_EQ(ReadFileMark(path.c_str(), &w1, &w2), 0);
    EXPECT_EQ(w1, 0x5242);
    EXPECT_EQ(w2, 0xC807);
}

TEST(Marks, StampMarkAndTheKindsTellEachOtherApart)
{
    ScratchDir dir;
    std::string path = dir.File("stamp.bmp");
    WriteBytes(path, SampleFile());
    EXPECT_EQ(IsStampFile(path.c_str()), 0) << "an ordinary bitmap";

    EXPECT_EQ(SetStampMark(path.c_str()), 1);
    Bytes b = ReadBytes(path);
    EXPECT_EQ(b[6], 0x53);
    EXPECT_EQ(b[7], 0x54);
    EXPECT_EQ(b[8], 0x41);
    EXPECT_EQ(b[9], 0x4D);
    EXPECT_EQ(b.size(), SampleFile().size());
    EXPECT_EQ(IsStampFile(path.c_str()), 1);

    BYTE first = 99, second = 98;
    EXPECT_EQ(GetBrushMark(path.c_str(), &first, &second), 0);
    EXPECT_EQ(first, 99) << "outputs untouched";
    EXPECT_EQ(second, 98);

    // Marking again replaces the mark; any file of 14 bytes or more can carry one.
    EXPECT_EQ(WriteFileMark(path.c_str(), 0x1234, 0xABCD), 0);
    EXPECT_EQ(IsStampFile(path.c_str()), 0);
    std::string text = dir.File("notes.txt");
    WriteBytes(text, Bytes(14, 'x'));
    EXPECT_EQ(SetStampMark(text.c_str()), 1);
    EXPECT_EQ(IsStampFile(text.c_str()), 1);
}

TEST(Marks, ShortMissingAndBusyFiles)
{
    ScratchDir dir;
    std::string small = dir.File("small.bmp");
    Bytes thirteen(13, 0x11);
    WriteBytes(small, thirteen);
    WORD w1 = 1, w2 = 2;
    EXPECT_EQ(WriteFileMark(small.c_str(), 0x5242, 0x0101), -2);
    EXPECT_EQ(ReadFileMark(small.c_str(), &w1, &w2), -2);
    EXPECT_EQ(SetStampMark(small.c_str()), 0);
    EXPECT_EQ(SetBrushMark(small.c_str(), 1, 2), 0);
    EXPECT_EQ(ReadBytes(small), thirteen) << "a short file is not changed";
    EXPECT_EQ(w1, 1);

    std::string empty = dir.File("empty.bmp");
    WriteBytes(empty, {});
    EXPECT_EQ(WriteFileMark(empty.c_str(), 1, 2), -2);
    EXPECT_EQ(ReadBytes(empty).size(), 0u);

    std::string missing = dir.File("missing.bmp");
    EXPECT_EQ(WriteFileMark(missing.c_str(), 1, 2), -1);
    EXPECT_EQ(ReadFileMark(missing.c_str(), &w1, &w2), -1);
    EXPECT_FALSE(FileExists(missing)) << "marking never creates a file";
    EXPECT_EQ(IsStampFile(missing.c_str()), 0);
    EXPECT_EQ(WriteFileMark(nullptr, 1, 2), -1);
    EXPECT_EQ(ReadFileMark(nullptr, &w1, &w2), -1);

    // A file someone else holds open for writing cannot be marked meanwhile.
    std::string busy = dir.File("busy.bmp");
    WriteBytes(busy, SampleFile());
    HANDLE h = CreateFileA(busy.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(WriteFileMark(busy.c_str(), 1, 2), -1);
    CloseHandle(h);
    EXPECT_EQ(WriteFileMark(busy.c_str(), 1, 2), 0);
}

} // namespace
