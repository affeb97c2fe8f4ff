#include "AlbumTestUtil.h"
#include "album/AlbumRead.h"
#include "album/FileIo.h"

using namespace testsupport;

namespace {

struct AlbumFile : ::testing::Test {
    ScratchDir dir;
    std::string path = dir.File("album.abm");
    int LoadAsIs(TestTable& doc, const Bytes& file) // written to path, the sources not looked at
    {
        WriteBytes(path, file);
        doc.SetAutoCheck(0);
        return doc.Load(path.c_str());
    }

    FileEntry Entry(const std::string& name, size_t imageSize, unsigned seed)
    {
        FileEntry e;
        e.name = name;
        e.fileSize = 1000 + seed;
        e.fileTime = 0x60000000u + seed;
        e.image = Pattern(imageSize, seed);
        return e;
    }
};

// The image of a loaded thumbnail: the stored bytes, then zeros up to 10 bytes more.
void ExpectImage(CThumbnail2* t, const Bytes& stored, size_t readable)
{
    Bytes block = BlockBytes(t->GetDib());
    ASSERT_GE(block.size(), stored.size() + 10);
    for (size_t i = 0; i < stored.size() + 10; ++i) {
        unsigned char want = i < readable ? stored[i] : 0;
        ASSERT_EQ(block[i], want) << "byte " << i;
    }
}

// Fails the fourth read. A plain function: a lambda would not have the platform's calling
// convention on 32-bit builds.
int g_reads;
BOOL WINAPI FailFourthRead(HANDLE h, LPVOID p, DWORD n, LPDWORD done, LPOVERLAPPED o)
{
    if (++g_reads == 4) {
        *done = 0;
        SetLastError(ERROR_CRC);
        return FALSE;
    }
    return ReadFile(h, p, n, done, o);
}

} // namespace

// The writer gives the file built here field by field (an empty album, then three thumbnails):
// offsets and sizes are its own, the rest as held in memory; a complete album is not rewritten. The
// reader clears wReserved2 and never reads the header's file size and image offset.
TEST_F(AlbumFile, RoundTripKeepsRecordsImagesAndBytes)
{
    std::vector<FileEntry> entries = {Entry("Trip\\a.jpg", 3000, 1), Entry("\\b.bmp", 10, 2),
                                      Entry("E:\\x\\c.png", 40000, 3)};
    entries[1].description = "a description";
    for (size_t n : {0u, 3u}) {
        Bytes original = BuildAlbumFile("Trip album", std::vector<FileEntry>(entries.begin(), entries.begin() + long(n)));
        if (n)
            original[144 + 8 + 20] = 'Q'; // bytes behind a string's NUL are kept as they are
        Bytes stored = original;
        if (n)
            PutU16(stored, 144 + 284, 0x7777), PutU32(stored, 4, 0xDEADBEEF), PutU32(stored, 12, 3);
        TestTable doc;
        doc.Insert(new CThumbnail2(nullptr, MakeBlock(8, 1), 0, 1), nullptr); // replaced by the load
        ASSERT_EQ(LoadAsIs(doc, stored), 1);
        ASSERT_EQ(doc.GetCount(), int(n));
        ExpectConsistent(doc);
        EXPECT_STREQ(doc.GetDescription(), "Trip album");
        EXPECT_STREQ(doc.GetPath(), path.c_str());
        for (size_t i = 0; i < n; ++i) {
            CThumbnail2* t = doc.GetThumbnail(int(i) + 1);
            EXPECT_STREQ(t->m_Info.szFileName, entries[i].name.c_str());
            EXPECT_STREQ(t->m_Info.szDescription, entries[i].description.c_str());
            EXPECT_EQ(t->m_Info.dwFileSize, entries[i].fileSize);
            EXPECT_EQ(t->m_bExist, 1);
            ExpectImage(t, entries[i].image, entries[i].image.size());
        }
        EXPECT_EQ(ReadBytes(path), stored) << "a complete album is not rewritten";
        if (n)
            doc.GetThumbnail(2)->m_Info.dwDibOffset = 777; // stale values in memory are not what the file gets
        const std::string copy = dir.File("copy.abm");
        ASSERT_NE(doc.Save(copy.c_str()), 0);
        EXPECT_EQ(ReadBytes(copy), original) << n;
        EXPECT_EQ(doc.GetThumbnail(2) ? doc.GetThumbnail(2)->m_Info.dwDibOffset : 777u, 777u) << "records keep their offset";
    }
}

// Cut 100 bytes into the second image (also a larger one): two thumbnails, rewritten at once with
// the missing bytes as zeros. Cut before the first image or inside the records: nothing at all.
TEST_F(AlbumFile, TruncatedFilesKeepWhatCouldBeRead)
{
    const struct { size_t second, cutAt; int count; } rows[] = {{600, 144 + 3 * 288 + 400 + 100, 2},
        {300000, 144 + 3 * 288 + 400 + 100, 2}, {600, 144 + 3 * 288, 0}, {600, 144 + 288 + 100, 0}};
    for (const auto& row : rows) {
        const std::vector<FileEntry> entries = {Entry("a.bmp", 400, 1), Entry("b.bmp", row.second, 2), Entry("c.bmp", 500, 3)};
        const Bytes full = BuildAlbumFile("cut", entries), cut(full.begin(), full.begin() + long(row.cutAt));
        TestTable doc;
        ASSERT_EQ(LoadAsIs(doc, cut), 1);
        ASSERT_EQ(doc.GetCount(), row.count) << row.cutAt;
        EXPECT_EQ(dir.List().size(), 1u);
        if (!row.count) {
            EXPECT_TRUE(ReadBytes(path) == cut) << row.cutAt;
            continue;
        }
        EXPECT_EQ(doc.GetLoadOutcome(), ALBUM_LOAD_WHOLE) << "all the file holds";
        ExpectImage(doc.GetThumbnail(2), entries[1].image, 100);
        const Bytes rewritten = ReadBytes(path);
        ASSERT_EQ(rewritten.size(), 144u + 2 * 288 + 400 + row.second);
        EXPECT_EQ(GetU32(rewritten, 8), 2u);
        Bytes want(entries[1].image.begin(), entries[1].image.begin() + 100);
        want.resize(row.second, 0);
        EXPECT_TRUE(Bytes(rewritten.end() - long(row.second), rewritten.end()) == want);
    }
}

TEST_F(AlbumFile, AFailedReadStopsWithoutRewritingTheAlbum)
{
    const Bytes file = BuildAlbumFile("three", {Entry("a.bmp", 400, 1), Entry("b.bmp", 500, 2), Entry("c.bmp", 600, 3)});
    // Reads go: header, records, first image, second image, ...: fail the second image, as a bad
    // sector or a dropped share would.
    g_reads = 0;
    fileio::Calls().read = FailFourthRead;
    TestTable doc;
    int result = LoadAsIs(doc, file);
    fileio::ResetCalls();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(doc.GetCount(), 1);
    EXPECT_EQ(ReadBytes(path), file) << "a failed read must leave the album on disk whole";
    EXPECT_EQ(dir.List().size(), 1u);
    // The document says so, until it is saved over that file on purpose.
    EXPECT_EQ(doc.GetLoadOutcome() * 100 + doc.GetLoadRead() * 10 + int(doc.GetLoadAnnounced()), 213);
    EXPECT_TRUE(doc.HoldsOnlyPartOf(path.c_str()));
    EXPECT_FALSE(doc.HoldsOnlyPartOf(dir.File("other.abm").c_str()));
    ASSERT_NE(doc.Save(path.c_str()), 0);
    EXPECT_FALSE(doc.HoldsOnlyPartOf(path.c_str()));
}

// A path the document cannot hold is refused and leaves it alone; a file that cannot be read leaves
// an empty album with its path and description.
TEST_F(AlbumFile, RefusedPathsLeaveTheDocumentAloneRefusedFilesAnEmptyAlbumAndItsNames)
{
    TestTable doc;
    doc.SetAutoCheck(0);
    doc.SetPath("C:\\kept.abm");
    doc.SetDescription("kept");
    doc.Add("held.bmp");
    const std::string tooLong = "C:\\" + std::string(249, 'p') + ".abm"; // 256 characters
    EXPECT_EQ(doc.Load(tooLong.c_str()), 0);
    doc.SetPath(tooLong.c_str());
    EXPECT_TRUE(doc.GetPath() == std::string("C:\\kept.abm") && doc.GetCount() == 1);
    EXPECT_EQ(doc.Load(dir.File("missing.abm").c_str()), 0);
    EXPECT_EQ(doc.GetCount(), 0);
    Bytes file = BuildAlbumFile("x", {Entry("a.bmp", 100, 1)});
    file[0] = 'Q';
    WriteBytes(path, file);
    WriteBytes(dir.File("short.abm"), Bytes(file.begin(), file.begin() + 143));
    EXPECT_EQ(std::vector<int>({doc.Load(path.c_str()), doc.Load(dir.File("short.abm").c_str()), doc.Load(nullptr)}),
              std::vector<int>({0, 0, 0}));
    EXPECT_STREQ(doc.GetPath(), "C:\\kept.abm");
    EXPECT_STREQ(doc.GetDescription(), "kept");
    // 255 characters fit whole.
    const std::string fits = "C:\\" + std::string(248, 'p') + ".abm";
    doc.SetPath(fits.c_str());
    EXPECT_EQ(doc.GetPath(), fits);
}

TEST_F(AlbumFile, UnterminatedFieldsAreCutAt127Characters)
{
    FileEntry e = Entry("", 64, 1);
    Bytes file = BuildAlbumFile("", {e});
    memset(&file[16], 'D', 128);
    memset(&file[144 + 8], 'N', 128);
    memset(&file[144 + 136], 'd', 128);

    TestTable doc;
    ASSERT_EQ(LoadAsIs(doc, file), 1);
    ASSERT_EQ(doc.GetCount(), 1);
    EXPECT_EQ(std::string(doc.GetDescription()), std::string(127, 'D'));
    EXPECT_EQ(std::string(doc.GetThumbnail(1)->m_Info.szFileName), std::string(127, 'N'));
    EXPECT_EQ(std::string(doc.GetThumbnail(1)->m_Info.szDescription), std::string(127, 'd'));

    // A terminated field is kept as it is, to its last byte, when written back.
    file = BuildAlbumFile("", {e});
    memcpy(&file[144 + 8], "a.bmp", 6);
    file[144 + 8 + 127] = 'Z';
    TestTable again;
    ASSERT_EQ(LoadAsIs(again, file), 1);
    ASSERT_NE(again.Save(path.c_str()), 0);
    EXPECT_EQ(ReadBytes(path), file);

    // A description longer than the field is cut when written.
    doc.SetDescription(std::string(200, 'L').c_str());
    ASSERT_NE(doc.Save(path.c_str()), 0);
    Bytes saved = ReadBytes(path);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&saved[16])), std::string(127, 'L'));

    // Fields are filled by one bounded copy, also into buffers of one byte or none.
    char out[4] = "xyz";
    win::CopyText(out, 0, "abc");
    EXPECT_STREQ(out, "xyz");
    win::CopyText(out, 1, "abc");
    EXPECT_STREQ(out, "");
    win::CopyText(out, 3, "abc");
    EXPECT_STREQ(out, "ab");
}

TEST_F(AlbumFile, HostileSizesAndCountsAreRefusedSafely)
{
    // Image sizes that would wrap when 10 is added, counted as a 32-bit process counts them.
    EXPECT_TRUE(albumread::FitsWithSlack<uint32_t>(0xFFFFFFFFull - 10) && albumread::FitsWithSlack<uint64_t>(0xFFFFFFFFull));
    EXPECT_FALSE(albumread::FitsWithSlack<uint32_t>(0xFFFFFFFFull - 9));

    // A count of four billion with two real records: the image area lies beyond the file.
    TestTable huge;
    ASSERT_EQ(LoadAsIs(huge, BuildAlbumFile("h", {Entry("a.bmp", 100, 1), Entry("b.bmp", 100, 2)}, 0xFFFFFFFFu)), 1);
    EXPECT_EQ(huge.GetCount(), 0);

    // Hundreds of records all claiming the same large image: the reader stops once the images
    // add up to more than the file holds, instead of allocating the image again and again.
    std::vector<FileEntry> many;
    for (int i = 0; i < 300; ++i) {
        FileEntry e = Entry("same.bmp", i == 0 ? 60000 : 0, 1);
        e.declaredSize = 60000;
        e.offset = 0;
        many.push_back(e);
    }
    TestTable doc;
    ASSERT_EQ(LoadAsIs(doc, BuildAlbumFile("h", many)), 1);
    EXPECT_GE(doc.GetCount(), 1);
    EXPECT_LE(doc.GetCount(), 3);
    ExpectConsistent(doc);
}

TEST_F(AlbumFile, ACutImageMayDeclareNoMoreThanItsBitmapNorMoreThanAThumbnail)
{
    // Three thumbnails, the file ending 1000 bytes into the second, of side x side pixels, whose
    // record declares its bitmap's extent plus extra bytes, or an absolute size. One refused is
    // refused like a failed allocation: the album on disk is not cut down to what was read.
    const struct {
        int side;
        uint64_t extra, absolute;
        int loaded;
    } cases[] = {{96, albumread::kDibSizeSlack, 0, 2},     // an honest cut: kept, rewritten as 2
                 {96, albumread::kDibSizeSlack + 1, 0, 1}, // more than the bitmap: refused
                 {96, 0, 134u << 20, 1},                   // a 134 MB image in a 2 KB album
                 {1200, 0, 0, 1}};                         // no thumbnail is 4 MB
    for (const auto& c : cases) {
        HGLOBAL block = MakeDib(c.side, c.side, 2);
        FileEntry good = Entry("good.bmp", 100, 1), cut = Entry("cut.bmp", 0, 2);
        cut.image = BlockBytes(block);
        GlobalFree(block);
        cut.declaredSize = int64_t(c.absolute ? c.absolute : cut.image.size() + c.extra);
        const Bytes full = BuildAlbumFile("c", {good, cut, Entry("third.bmp", 500, 3)});
        const Bytes file(full.begin(), full.begin() + 144 + 3 * 288 + 100 + 1000);
        TestTable doc;
        ASSERT_EQ(LoadAsIs(doc, file), 1);
        EXPECT_EQ(doc.GetCount(), c.loaded) << c.side << " " << cut.declaredSize;
        EXPECT_EQ(ReadBytes(path).size(), c.loaded == 2 ? 144 + 2 * 288 + 100 + size_t(cut.declaredSize) : file.size());
    }
}

TEST_F(AlbumFile, AlbumsBeyondTheMovableBlockLimitLoadWhole)
{
    // A process has 65536 movable memory handles; an album with more thumbnails must still load
    // completely, and above all must not be rewritten with only the ones that fitted.
    const int n = 70000;
    std::vector<FileEntry> entries(n);
    for (int i = 0; i < n; ++i) {
        entries[size_t(i)].name = "n" + std::to_string(i) + ".bmp";
        entries[size_t(i)].image = Bytes(8, 0);
        PutU32(entries[size_t(i)].image, 0, uint32_t(i));
    }
    const Bytes file = BuildAlbumFile("", entries);
    TestTable doc;
    ASSERT_EQ(LoadAsIs(doc, file), 1);
    ASSERT_EQ(doc.GetCount(), n);
    CThumbnail2* last = doc.m_pEnd->m_pPrev;
    EXPECT_EQ(last->GetID(), n);
    EXPECT_STREQ(last->m_Info.szFileName, "n69999.bmp");
    EXPECT_EQ(GetU32(BlockBytes(last->GetDib()), 0), uint32_t(n - 1));
    EXPECT_EQ(ReadBytes(path).size(), file.size());
}
