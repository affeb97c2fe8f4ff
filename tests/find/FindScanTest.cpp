// Scanning folder trees and album files as a search of the Find dialog does, without its window:
// what is examined, in which order, what is found, and where a search stopped with Esc goes on.
#include <memory>
#include "FindTestUtil.h"
#include "album/AlbumSearch.h"
#include "album/TextKeys.h"
#include "search/SearchScan.h"
#include "support/ScriptedEsc.h"
#include "win/AnsiNames.h"

using namespace findtest;

namespace {

struct Recorder : SearchReport {
    std::vector<std::string> examined, found, albums;
    std::vector<int> thumbWidths;
    int ended = 0, result = -1, state = -1; // RunSearch's answer and the search's state, for Search below
    std::function<void(const std::string&)> onExamining;
    std::function<void()> onFound;

    void Examining(const char* path) override
    {
        examined.push_back(path);
        if (onExamining)
            onExamining(path);
    }
    void Found(CThumbTable2* table) override
    {
        for (int i = 1; i <= table->GetCount(); ++i) {
            found.push_back(table->GetThumbnail(i)->m_Info.szFileName);
            thumbWidths.push_back(table->GetThumbnail(i)->m_Info.wThumbWidth);
        }
        if (onFound)
            onFound();
    }
    void Ended() override { ++ended; }
    std::vector<std::string> AlbumNames() override { return albums; }
};

tagAlbumSearchCreteria InFolder(const std::string& folder, int subfolders)
{
    tagAlbumSearchCreteria c = {};
    strcpy(c.szFolderPath, folder.c_str());
    c.bSubFolder = subfolders;
    c.nLookIn = ALBUM_LOOK_IN_FOLDER;
    return c;
}

tagAlbumSearchCreteria InAlbum(const char* album)
{
    tagAlbumSearchCreteria c = {};
    c.nLookIn = ALBUM_LOOK_IN_ALBUM;
    strcpy(c.szAlbumPath, album);
    return c;
}

// One new search of the tree's albums or files.
Recorder Search(const Tree& t, const tagAlbumSearchCreteria& c)
{
    CSearchDlg s(nullptr, t.root().c_str(), 8, 8);
    s.m_Criteria = c;
    Recorder r;
    r.result = RunSearch(s, r);
    r.state = s.m_nSearchState;
    return r;
}

struct FindScan : ::testing::Test {
    testsupport::ScriptedEsc esc; // Esc at the n-th check after Press(n)
};

} // namespace

TEST_F(FindScan, FolderTreeIsSearchedDepthFirstAndResultsKeepTheirFullPaths)
{
    Tree t;
    testsupport::WriteBytes(t.Path("c.lcf"), {'x'}); // listed first, matches, but no thumbnail can be made of it
    t.Image("a.JPG");
    t.Image("b.bmp");
    t.Folder("sub");
    t.Image("sub\\d.BMP");
    t.Folder("sub\\deep");
    t.Image("sub\\deep\\e.bmp");

    CSearchDlg s(nullptr, t.root().c_str(), 8, 8);
    s.m_Criteria = InFolder(t.root() + "\\", 1);
    Recorder r;
    testsupport::ScriptedEsc::Press(1); // pressed before the search began: it does not stop it
    ASSERT_EQ(RunSearch(s, r), 1);
    EXPECT_EQ(r.examined, (std::vector<std::string>{t.Path("c.lcf"), t.Path("a.JPG"), t.Path("b.bmp"), t.Path("sub\\d.BMP"),
                                                    t.Path("sub\\deep\\e.bmp")}))
        << "the folder's own files first, in the pattern order, then its subfolders depth first";
    EXPECT_EQ(r.found, (std::vector<std::string>{t.Path("a.JPG"), t.Path("b.bmp"), t.Path("sub\\d.BMP"), t.Path("sub\\deep\\e.bmp")}))
        << "found files keep their whole path, so the results open and save the files they stand for";
    EXPECT_EQ(r.thumbWidths, (std::vector<int>(4, 8))) << "thumbnails are made at the dialog's size";
    EXPECT_EQ(r.ended, 1);
    EXPECT_EQ(s.m_nSearchState, kSearchFinished);
    EXPECT_EQ(RunSearch(s, r), 0) << "a finished search only beeps";
    EXPECT_EQ(r.ended, 1);

    // Esc while a.JPG's thumbnail is handed over stops the scan; the next run goes on at the
    // first untested file, into the subfolders.
    CSearchDlg stopped(nullptr, t.root().c_str(), 8, 8);
    stopped.m_Criteria = s.m_Criteria;
    Recorder first, rest;
    first.onFound = [] { testsupport::ScriptedEsc::Press(1); };
    ASSERT_EQ(RunSearch(stopped, first), 1);
    EXPECT_EQ(first.examined, std::vector<std::string>(r.examined.begin(), r.examined.begin() + 2));
    EXPECT_TRUE(stopped.m_nSearchState == kSearchStopped && first.ended == 1);
    ASSERT_EQ(RunSearch(stopped, rest), 1);
    EXPECT_EQ(rest.examined, std::vector<std::string>(r.examined.begin() + 2, r.examined.end()));
    EXPECT_EQ(rest.found, std::vector<std::string>(r.found.begin() + 1, r.found.end()));
    EXPECT_EQ(stopped.m_nSearchState, kSearchFinished);

    // Without subfolders only the folder's own files; a folder that is not there finds nothing.
    EXPECT_EQ(Search(t, InFolder(t.root(), 0)).found, (std::vector<std::string>{t.Path("a.JPG"), t.Path("b.bmp")}));
    const Recorder gone = Search(t, InFolder(t.Path("missing"), 1));
    EXPECT_TRUE(gone.result == 1 && gone.examined.empty() && gone.ended == 1);
    EXPECT_EQ(gone.state, kSearchNew) << "a tree that cannot be walked leaves a new search";
}

TEST_F(FindScan, FilesOnDiskAreMatchedOnNameTypeDateAndSize)
{
    Tree t;
    const std::string exact = t.Image("holiday_img.jpg", 10240), larger = t.Image("larger.bmp", 10241),
                      smaller = t.Image("smaller.bmp", 10239);
    auto match = [](const std::string& path, const tagAlbumSearchCreteria& c) { return MatchFileCriteria(path.c_str(), &c); };

    // The name is looked for without the extension, the type ignores case; "At most" sizes negated.
    const struct { const char *name, *type; int size; const std::string& file; int want; } rows[] = {
        {"", "", 0, exact, 1}, {"IMG", "", 0, exact, 1}, {"JPG", "", 0, exact, 0}, {"", ".JPG", 0, exact, 1},
        {"", ".JPG", 0, larger, 0}, {"", "", -10240, exact, 1}, {"", "", -10240, larger, 0},
        {"", "", 10240, exact, 1}, {"", "", 10240, smaller, 0}};
    tagAlbumSearchCreteria c = {};
    for (const auto& row : rows) {
        c = {};
        strcpy(c.szName, row.name), strcpy(c.szType, row.type), c.nSize = row.size;
        EXPECT_EQ(match(row.file, c), row.want) << &row - rows;
    }

    // The later of the creation and modification times counts, as a UTC day. (The platform here
    // keeps no creation time of its own, so the directory entry is made up for that case.)
    c = {};
    c.bDateFilter = 1;
    c.tmFrom.tm_year = 2010 - 1900, c.tmFrom.tm_mon = 5, c.tmFrom.tm_mday = 1;
    c.tmTo.tm_year = 2010 - 1900, c.tmTo.tm_mon = 5, c.tmTo.tm_mday = 30;
    ImageFileEntry entry = {};
    strcpy(entry.path, exact.c_str());
    entry.created = testsupport::ToFileTime(Noon(2010, 6, 30));
    entry.written = testsupport::ToFileTime(Noon(2009, 1, 1));
    EXPECT_TRUE(MatchFileEntry(entry, c)) << "created on the last day of the range, modified long before";
    entry.created = testsupport::ToFileTime(Noon(2010, 7, 1));
    entry.written = testsupport::ToFileTime(Noon(2010, 6, 15));
    EXPECT_FALSE(MatchFileEntry(entry, c)) << "modified in the range, but created the day after it";
    testsupport::SetFileTimes(exact, Noon(2010, 6, 1), Noon(2010, 6, 1));
    EXPECT_EQ(match(exact, c), 1) << "modified on the first day";

    EXPECT_EQ(match(t.Path("missing.bmp"), tagAlbumSearchCreteria{}), 0);
    EXPECT_EQ(match(t.root(), tagAlbumSearchCreteria{}), 0) << "a folder is no image";
}

// Names the code page cannot carry, stored by short names: a file (by its name) and a thumbnail (by
// its stored path) are found by real or short name in any case; nothing typed passes for another.
TEST_F(FindScan, RealNamesInAnyScriptAreFoundWithoutRegardToCase)
{
    Tree t;
    const std::wstring root = win::WideOfAnsi(t.root().c_str());
    ASSERT_TRUE(CreateDirectoryW((root + L"\\Фото 2026").c_str(), nullptr));
    std::vector<std::unique_ptr<CThumbnail2>> thumbs;
    std::vector<ImageFileEntry> files;
    for (const wchar_t* name : {L"Фото 2026\\写真.jpg", L"Ölberg 写.jpg"}) {
        CloseHandle(CreateFileW((root + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        ImageFileEntry e = {};
        ASSERT_EQ(win::AnsiPathOf((root + L"\\" + name).c_str(), e.path, MAX_PATH), win::kAnsiPathMade);
        files.push_back(e);
        tagALBUMINFOHEADER rec = {};
        strcpy(rec.szFileName, e.path);
        thumbs.emplace_back(new CThumbnail2(&rec, nullptr, 1, 1));
    }
    std::string shortStem = textkeys::FileNameInPath(files[0].path);
    shortStem.erase(shortStem.find('.'));
    const struct {
        std::wstring typed;
        const char *files, *thumbs; // which of the two match
    } rows[] = {
        {L"写真", "10", "10"},
        {L"фОТО 2026", "00", "10"}, // a folder's name: only in the thumbnail's stored path
        {L"öLBERG 写", "01", "01"},
        {L"ölberg", "01", "01"}, // carried by the code page, and found in the real name
        {win::WideOfAnsi(shortStem.c_str()), "10", "10"},
        {L"写真x", "00", "00"},
        {L"Ａ", "00", "00"}, // a best fit would look for "A"
    };
    for (const auto& row : rows) {
        tagAlbumSearchCreteria c = {};
        album::SetNameCriterion(c, row.typed.c_str());
        const album::RealNameWanted wanted(c, row.typed.c_str());
        std::string foundFiles, foundThumbs;
        for (size_t i = 0; i < files.size(); ++i) {
            foundFiles += MatchFileEntry(files[i], c, &wanted) ? '1' : '0';
            foundThumbs += album::MatchesCriteria(thumbs[i].get(), c, wanted) ? '1' : '0';
        }
        EXPECT_EQ(foundFiles, row.files) << win::Utf8Of(row.typed.c_str());
        EXPECT_EQ(foundThumbs, row.thumbs) << win::Utf8Of(row.typed.c_str());
    }
}

TEST_F(FindScan, AlbumsAreSearchedInListOrderSkippingUnreadableOnesAndResumeInsideAnAlbum)
{
    Tree t;
    t.Folder("Trip");
    const std::string source = t.Image("Trip\\x1.bmp");
    testsupport::SetFileTimes(source, 0x50000000, 0x50000000);
    WriteAlbum(t.Path("a.abm"), {{"Trip\\x1.bmp", "beach one"},
                                 {"D:\\elsewhere\\x2.bmp", "city"},
                                 {"D:\\elsewhere\\x3.bmp", "Beach two"},
                                 {"D:\\elsewhere\\x4.bmp", "beach three"}});
    WriteAlbum(t.Path("b.abm"), {{"D:\\b\\y1.bmp", "on the beach"}});
    // A header that promises more than the file holds, and a file that is no album at all.
    std::vector<unsigned char> promise(144, 0);
    memcpy(promise.data(), "PALM", 4);
    promise[8] = promise[9] = promise[10] = promise[11] = 0xFF;
    testsupport::WriteBytes(t.Path("bad1.abm"), promise);
    testsupport::WriteBytes(t.Path("bad2.abm"), std::vector<unsigned char>(500, 0x41));

    CSearchDlg s(nullptr, t.root().c_str(), 8, 8);
    s.m_Criteria = InAlbum("All Albums");
    strcpy(s.m_Criteria.szDescription, "BEACH");
    Recorder r;
    r.albums = {"b.abm", "bad1.abm", "a.abm", "bad2.abm", "missing.abm"};
    r.onExamining = [&](const std::string& path) {
        if (path == t.Path("a.abm"))
            testsupport::ScriptedEsc::Press(3); // the check before this album's third thumbnail
    };
    ASSERT_EQ(RunSearch(s, r), 1);
    EXPECT_EQ(r.examined, (std::vector<std::string>{t.Path("b.abm"), t.Path("bad1.abm"), t.Path("a.abm")}));
    EXPECT_EQ(r.found, std::vector<std::string>{"D:\\b\\y1.bmp"});
    EXPECT_EQ(s.m_nSearchState, kSearchStopped);

    Recorder more;
    ASSERT_EQ(RunSearch(s, more), 1);
    EXPECT_EQ(more.examined, (std::vector<std::string>{t.Path("a.abm"), t.Path("bad2.abm"), t.Path("missing.abm")}));
    EXPECT_EQ(more.found, (std::vector<std::string>{source, "D:\\elsewhere\\x3.bmp", "D:\\elsewhere\\x4.bmp"}))
        << "an album stopped inside hands over nothing, so it is searched again from where it began: "
           "its first match is not lost, and keeps the path its name stands for";
    EXPECT_EQ(s.m_nSearchState, kSearchFinished);

    // One album by its name; "All Albums" with no album to search leaves a new search.
    const Recorder one = Search(t, InAlbum("b.abm"));
    EXPECT_EQ(one.examined, std::vector<std::string>{t.Path("b.abm")});
    EXPECT_EQ(one.found, std::vector<std::string>{"D:\\b\\y1.bmp"});
    const Recorder none = Search(t, InAlbum("All Albums"));
    EXPECT_TRUE(none.examined.empty() && none.ended == 1 && none.state == kSearchNew);
}

// Find reads an album record by record, keeping only the pictures of what it finds: what it finds,
// where it stops and what it leaves on disk are what loading and searching it give.
TEST_F(FindScan, AnAlbumSearchedAsItIsReadGivesWhatLoadingAndSearchingItGives)
{
    Tree t;
    t.Folder("Trip");
    testsupport::SetFileTimes(t.Image("Trip\\same.bmp"), 0x50000000, 0x50000000);
    testsupport::SetFileTimes(t.Image("Trip\\newer.bmp", 0, 2), 0x60000000, 0x60000000);
    const std::vector<Entry> plain = {
        {"Trip\\same.bmp", "beach"}, {"D:\\gone\\a.bmp", "beach"}, {"D:\\gone\\b.bmp", "city"}, {"D:\\gone\\c.bmp", "beach"}};
    std::vector<Entry> changed = plain;
    changed[1] = {"Trip\\newer.bmp", "beach"};
    struct Row {
        const char* what;
        const std::vector<Entry>& entries;
        bool announcesMore; // the header counts one thumbnail more than the file holds
        int from, escAt;    // the position searched from; the Esc check that answers yes (0: none)
        bool rewritten;     // the load writes the album back
    };
    const Row rows[] = {
        {"plain", plain, false, 1, 0, false},
        {"from the third", plain, false, 3, 0, false},
        {"Esc before the third", plain, false, 1, 3, false},
        {"a source changed", changed, false, 1, 0, true},
        {"announces more than it holds", plain, true, 2, 0, true},
    };
    auto digest = [](CThumbTable2* found) {
        std::vector<std::string> d;
        for (int i = 1; found && i <= found->GetCount(); ++i) {
            CThumbnail2* th = found->GetThumbnail(i);
            std::string one(reinterpret_cast<const char*>(&th->m_Info), sizeof th->m_Info);
            one.append(static_cast<const char*>(GlobalLock(th->m_hDib)), th->m_Info.dwDibSize);
            GlobalUnlock(th->m_hDib);
            d.push_back(one + char('0' + th->m_bExist));
        }
        return d;
    };
    tagAlbumSearchCreteria c = {};
    strcpy(c.szDescription, "BEACH");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string loaded = t.Path("loaded.abm"), read = t.Path("read.abm");
        WriteAlbum(loaded, row.entries);
        std::vector<unsigned char> bytes = testsupport::ReadBytes(loaded);
        if (row.announcesMore)
            ++bytes[8];
        testsupport::WriteBytes(loaded, bytes);
        testsupport::WriteBytes(read, bytes);

        CAlbumDoc2 whole;
        int loadedAt = row.from;
        esc.Press(row.escAt);
        ASSERT_EQ(whole.Load(loaded.c_str()), 1);
        std::unique_ptr<CThumbTable2> expected(whole.Search(c, loadedAt));

        CAlbumDoc2 doc;
        int readAt = row.from;
        CThumbTable2* found = nullptr;
        esc.Press(row.escAt);
        ASSERT_EQ(album::SearchAlbumFile(doc, read.c_str(), c, readAt, &found), 1);
        std::unique_ptr<CThumbTable2> got(found);
        EXPECT_EQ(got == nullptr, expected == nullptr);
        EXPECT_EQ(readAt, loadedAt);
        EXPECT_EQ(digest(got.get()), digest(expected.get()));
        EXPECT_EQ(testsupport::ReadBytes(read), testsupport::ReadBytes(loaded));
        EXPECT_EQ(testsupport::ReadBytes(read) != bytes, row.rewritten);
        EXPECT_STREQ(doc.GetPath(), read.c_str()) << "found names resolve against the album";
    }
    int position = 1;
    CThumbTable2* none = nullptr;
    CAlbumDoc2 doc;
    EXPECT_EQ(album::SearchAlbumFile(doc, t.Path("missing.abm").c_str(), c, position, &none), 0);
    EXPECT_EQ(none, nullptr);
}
