#include "AlbumTestUtil.h"
#include "album/FileIo.h"

using namespace testsupport;

namespace {

// Counts write calls and fails the chosen one, either with an error or by writing nothing.
int g_writes = 0;
int g_failAt = 0;
bool g_failQuietly = false;

BOOL WINAPI FailingWrite(HANDLE h, LPCVOID p, DWORD n, LPDWORD done, LPOVERLAPPED o)
{
    if (++g_writes == g_failAt) {
        *done = 0;
        if (g_failQuietly)
            return TRUE; // a full disk: success, nothing written
        SetLastError(ERROR_DISK_FULL);
        return FALSE;
    }
    return WriteFile(h, p, n, done, o);
}
BOOL WINAPI FailingFlush(HANDLE) { SetLastError(ERROR_IO_DEVICE); return FALSE; }
BOOL WINAPI FailingMove(LPCSTR, LPCSTR, DWORD) { SetLastError(ERROR_ACCESS_DENIED); return FALSE; }

struct AlbumSave : ::testing::Test {
    ScratchDir dir;
    std::string path = dir.File("keep.abm");
    Bytes old;
    TestTable doc;

    void SetUp() override
    {
        // The album on disk, and a bigger one in memory that takes several writes to store.
        old = BuildAlbumFile("old album", {FileEntry{"old.bmp", " ", 1, 2, Pattern(3000, 9)}});
        WriteBytes(path, old);
        for (int i = 0; i < 12; ++i) {
            auto rec = MakeRecord(("new" + std::to_string(i) + ".bmp").c_str(), DWORD(i), DWORD(i));
            rec.dwDibSize = 300000;
            doc.Insert(new CThumbnail2(&rec, MakeBlock(300000, unsigned(i)), 0, 1), nullptr);
        }
    }
    void TearDown() override { fileio::ResetCalls(); }

    void ExpectOldAlbumUntouched()
    {
        EXPECT_TRUE(ReadBytes(path) == old) << "the old album must survive a failed save";
        EXPECT_EQ(dir.List(), std::vector<std::string>{"keep.abm"}) << "no temporary file may remain";
    }
};

} // namespace

TEST_F(AlbumSave, AFailedWriteAnywhereKeepsTheOldAlbum)
{
    // Count the writes of a good save first.
    fileio::Calls().write = FailingWrite;
    g_writes = 0;
    g_failAt = 0;
    std::string probe = dir.File("probe.abm");
    ASSERT_NE(doc.Save(probe.c_str()), 0);
    const int writes = g_writes;
    ASSERT_GE(writes, 3);
    DeleteFileA(probe.c_str());

    for (bool quiet : {false, true})
        for (int k = 1; k <= writes; ++k) {
            g_writes = 0;
            g_failAt = k;
            g_failQuietly = quiet;
            EXPECT_EQ(doc.Save(path.c_str()), 0) << "write " << k << (quiet ? " wrote nothing" : " failed");
            ExpectOldAlbumUntouched();
        }
    EXPECT_EQ(doc.GetCount(), 12) << "the album in memory is not touched either";
}

// A failed flush or replace, a missing folder, no name: the old album stays.
TEST_F(AlbumSave, FailedFlushReplaceOrPathKeepsTheOldAlbum)
{
    const struct { std::function<void()> spoil; std::string target; } cases[] = {
        {[] { fileio::Calls().flush = FailingFlush; }, path}, {[] { fileio::Calls().move = FailingMove; }, path},
        {[] {}, dir.File("no such folder\\x.abm")}, {[] {}, ""}};
    for (const auto& c : cases) {
        c.spoil();
        EXPECT_EQ(doc.Save(c.target.c_str()), 0) << &c - cases;
        fileio::ResetCalls();
        ExpectOldAlbumUntouched();
    }
    EXPECT_EQ(doc.Save(nullptr), 0);
}

// Not written: an image size of 0 (the next load would stop there and lose what is behind it), an
// image smaller than its record says, no image.
TEST_F(AlbumSave, AThumbnailTheReaderWouldStopAtOrWithTooSmallAnImageIsNotWritten)
{
    const struct { DWORD declared; HGLOBAL image; } cases[] = {{0, MakeBlock(100, 1)}, {5000, MakeBlock(100, 1)}, {10, nullptr}};
    for (const auto& c : cases) {
        auto rec = MakeRecord("liar.bmp");
        rec.dwDibSize = c.declared;
        TestTable other;
        other.Insert(new CThumbnail2(&rec, c.image, 0, 1), nullptr);
        EXPECT_EQ(other.Save(path.c_str()), 0) << c.declared;
        ExpectOldAlbumUntouched();
    }
}
