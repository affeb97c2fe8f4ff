// Writing bitmap files: what resource albums and the host's captures rely on.
#include "ImgIoTestUtil.h"

using namespace imgiotest;

namespace {

// The packed bitmap of a bitmap file in a movable block, with spare bytes after it.
HGLOBAL BlockOf(const Bytes& file, size_t spare = 0)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, file.size() - 14 + spare);
    memcpy(GlobalLock(block), file.data() + 14, file.size() - 14);
    GlobalUnlock(block);
    return block;
}

} // namespace

TEST(ImgIoWrite, BitmapFileIsTheHeaderThenTheBlockAndFailuresLeaveTheOldFile)
{
    testsupport::ScratchDir dir;
    const Bytes files[] = {MakeBmp(5, 3, 24, {}, PatternValue),
                           MakeBmp(7, 3, 4, {{0, 0, 0, 0}, {90, 165, 45, 0}, {200, 55, 100, 0}}, [](int x, int y) { return (x + y) % 3u; })};
    const std::string keep = dir.File("keep.bmp"), folder = dir.File("sub");
    testsupport::WriteBytes(keep, Bytes(5000, 'x'));
    for (const Bytes& file : files) {
        // Exactly the path given (no extension added), an old file replaced; spare bytes in the block are no image.
        HGLOBAL block = BlockOf(file, 7);
        for (const std::string& path : {dir.File(std::to_string(file.size())), keep}) {
            ASSERT_EQ(ImgIoWriteFile(block, path.c_str(), IMGIO_FORMAT_BMP, 0), IMGIO_WRITE_OK);
            EXPECT_EQ(testsupport::ReadBytes(path), file);
        }
        GlobalFree(block);
    }
    const Bytes old(300, 'k');
    testsupport::WriteBytes(keep, old);
    CreateDirectoryA(folder.c_str(), nullptr);
    HGLOBAL good = BlockOf(files[0]), junk = testsupport::MakeBlock(200, 7);
    EXPECT_EQ(ImgIoWriteFile(junk, keep.c_str(), IMGIO_FORMAT_BMP, 0), IMGIO_WRITE_BAD_IMAGE);
    EXPECT_EQ(ImgIoWriteFile(good, keep.c_str(), 3, 0), IMGIO_WRITE_UNSUPPORTED);
    EXPECT_EQ(ImgIoWriteFile(good, folder.c_str(), IMGIO_FORMAT_BMP, 0), IMGIO_WRITE_FAILED);
    SetFileAttributesA(keep.c_str(), FILE_ATTRIBUTE_READONLY); // the user's "keep this"
    EXPECT_EQ(ImgIoWriteFile(good, keep.c_str(), IMGIO_FORMAT_BMP, 0), IMGIO_WRITE_FAILED);
    SetFileAttributesA(keep.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(testsupport::ReadBytes(keep), old);
    RemoveDirectoryA(folder.c_str());
    EXPECT_EQ(dir.List().size(), 3u) << "a temporary file was left behind";
    GlobalFree(junk);
    GlobalFree(good);
}
