#include "AlbumTestUtil.h"
#include "album/CaptionCache.h"
#include "album/ThumbBuild.h"
#include "win/AnsiNames.h"

using namespace testsupport;

namespace {

// An album folder and a program folder side by side, with images in sub-folders of each.
struct AlbumDoc : ::testing::Test {
    ScratchDir program, albums;
    std::string albumPath = albums.File("x.abm");
    TestTable doc;

    void SetUp() override
    {
        doc.SetExePath((program.path() + "\\").c_str());
        doc.SetPath(albumPath.c_str());
        CreateDirectoryA(program.File("Trip").c_str(), nullptr);
        CreateDirectoryA(albums.File("Trip").c_str(), nullptr);
    }
    std::string Resolve(const char* name)
    {
        char out[MAX_PATH] = "junk";
        int r = doc.GetThumbnailFullPath(name, out);
        EXPECT_EQ(r != 0, out[0] != '\0') << name;
        return out;
    }
};

} // namespace

TEST_F(AlbumDoc, NamesAndSizes)
{
    TestTable d;
    d.SetPath("C:\\a.abm");
    EXPECT_STREQ(d.GetDescription(), "C:\\a.abm") << "an empty description takes the path";
    d.SetPath("C:\\b.abm");
    EXPECT_STREQ(d.GetDescription(), "C:\\a.abm");
    EXPECT_EQ(d.SetThumbnailSize(96, 72) * 10 + d.SetThumbnailSize(0, 80), 10);
    EXPECT_EQ(d.m_wThumbWidth * 1000 + d.m_wThumbHeight, 96072);
    // A long description is cut to its buffer.
    d.SetDescription(std::string(600, 'x').c_str());
    EXPECT_EQ(strlen(d.GetDescription()), 255u);
}

TEST_F(AlbumDoc, FullStoredNamesStandAndNamesFoundNowhereGiveNothing)
{
    EXPECT_EQ(Resolve("D:\\Pics\\a.bmp"), "D:\\Pics\\a.bmp") << "a full path stands, existing or not";
    EXPECT_EQ(Resolve("\\\\server\\share\\a.bmp"), "\\\\server\\share\\a.bmp");
    EXPECT_EQ(Resolve("Trip\\a.bmp"), "") << "nowhere (which folder wins is the listings' test)";

    char out[MAX_PATH] = "unchanged";
    EXPECT_EQ(doc.GetThumbnailFullPath(nullptr, out), 0);
    EXPECT_STREQ(out, "unchanged");
    EXPECT_EQ(doc.GetThumbnailFullPath("Trip\\a.bmp", nullptr), 0);
    // A name that cannot fit a path buffer with its folder is simply not found.
    EXPECT_EQ(Resolve(std::string(250, 'n').c_str()), "");
}

TEST_F(AlbumDoc, FindFileByStoredNameOrResolvedPath)
{
    WriteBmpFile(albums.File("Trip\\b.bmp"), 4, 4, 1);
    doc.Add("Trip\\a.bmp");
    CThumbnail2* b = doc.Add("Trip\\b.bmp");
    CThumbnail2* full = doc.Add("D:\\Pics\\C.BMP");
    EXPECT_EQ(doc.FindFileInDoc("trip\\B.BMP"), b);
    std::string resolved = albums.File("Trip\\b.bmp");
    CharUpperA(&resolved[0]);
    EXPECT_EQ(doc.FindFileInDoc(resolved.c_str()), b);
    EXPECT_EQ(doc.FindFileInDoc("d:\\pics\\c.bmp"), full);
    EXPECT_EQ(doc.FindFileInDoc(albums.File("Trip\\a.bmp").c_str()), nullptr) << "a.bmp does not exist";
    EXPECT_EQ(doc.FindFileInDoc(nullptr), nullptr);
}

TEST_F(AlbumDoc, RefreshFollowsTheSourceFile)
{
    const std::string source = albums.File("Trip\\a.bmp");
    WriteBmpFile(source, 40, 20, 1);
    SetFileTimes(source, 1000000000u, 1000000000u);
    doc.SetThumbnailSize(16, 16);
    CThumbnail2* t = BuildThumbnailFromFile(source.c_str(), 16, 16, "my description");
    ASSERT_NE(t, nullptr);
    doc.Insert(t, nullptr);
    doc.Add("Trip\\other.bmp");
    t->m_bSelect = 1;
    t->m_Info.dwDibOffset = 1234;
    const tagALBUMINFOHEADER before = t->m_Info;

    // Unchanged: nothing happens. Deleted, then restored as it was: only its existence follows.
    auto refresh = [&] { const int rebuilt = doc.Refresh(t); return rebuilt * 10 + t->m_bExist; };
    EXPECT_EQ(refresh(), 1);
    EXPECT_EQ(0, memcmp(&t->m_Info, &before, sizeof before));
    DeleteFileA(source.c_str());
    EXPECT_EQ(refresh(), 0);
    WriteBmpFile(source, 40, 20, 1);
    SetFileTimes(source, 1000000000u, 1000000000u);
    EXPECT_EQ(refresh(), 1);

    // Rewritten: a new image and record, the same name, identifier, links and selection.
    WriteBmpFile(source, 20, 40, 2);
    SetFileTimes(source, 1100000000u, 1200000000u);
    CThumbnail2* next = t->m_pNext;
    EXPECT_EQ(doc.Refresh(t), 1);
    EXPECT_TRUE(t->GetID() == 1 && t->m_pNext == next && t->m_bSelect == 1);
    EXPECT_EQ(std::string(t->m_Info.szFileName) + "|" + t->m_Info.szDescription, "Trip\\a.bmp| ");
    const tagALBUMINFOHEADER& r = t->m_Info;
    EXPECT_EQ(std::vector<DWORD>({r.dwFileTime, r.wWidth, r.wHeight, r.wThumbWidth, r.wThumbHeight, DWORD(GlobalSize(t->GetDib()))}),
              std::vector<DWORD>({1200000000u, 20, 40, 8, 16, r.dwDibSize}));
    ExpectConsistent(doc);

    // Changed time but unreadable now: the new time is kept so the next check is quiet.
    WriteBytes(source, Bytes(100, 7));
    SetFileTimes(source, 1300000000u, 1300000000u);
    EXPECT_EQ(doc.Refresh(t) + doc.Refresh(nullptr), 0);
    EXPECT_EQ(std::make_pair(t->m_Info.dwFileTime, t->m_Info.wWidth), std::make_pair(DWORD(1300000000u), WORD(20)));
}

// A source stored by its short names relative to the album's folder: the load's source check finds
// it there (not in the current folder) and keeps its real name for the captions, the file untouched.
TEST_F(AlbumDoc, AShortStoredRelativeNameIsKnownByItsRealNameWhereTheAlbumFindsIt)
{
    const std::string full = WriteBmpNamedInOtherScripts(albums.path(), 30, 30);
    ASSERT_EQ(full.rfind(albums.path() + "\\", 0), 0u) << full;
    {
        TestTable writer;
        writer.Insert(BuildThumbnailFromFile(full.c_str(), 24, 24, nullptr), nullptr);
        ASSERT_NE(writer.Save(albumPath.c_str()), 0);
    }
    const Bytes saved = ReadBytes(albumPath);
    TestTable loaded;
    ASSERT_EQ(loaded.Load(albumPath.c_str()), 1);
    const CThumbnail2& t = *loaded.GetThumbnail(1);
    EXPECT_EQ(std::string(t.m_Info.szFileName), full.substr(albums.path().size() + 1));
    for (int pass = 0; pass < 2; ++pass) { // and again once the caption entries are dropped
        EXPECT_TRUE(album::RealFileNameOf(t) == L"写真.bmp") << win::Utf8Of(album::RealFileNameOf(t).c_str());
        album::ForgetKeptCaptions();
    }
    EXPECT_EQ(ReadBytes(albumPath), saved);
}
