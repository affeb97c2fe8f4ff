// Source lookups through one folder listing per operation answer as the file system does for each
// file alone: searches, source checks and the two-candidate rule give the same with listings or not.
#include "TableTestUtil.h"
#include "album/FolderListing.h"

using namespace testsupport;

namespace {

using Names = std::vector<std::string>;

std::string ShortOf(const std::string& path)
{
    char out[MAX_PATH];
    DWORD n = GetShortPathNameA(path.c_str(), out, sizeof out);
    return n > 0 && n < sizeof out ? out : "";
}

std::string LastPart(const std::string& path) { return path.substr(path.find_last_of("\\/") + 1); }

// Runs f with the listings off, then on; returns both results.
template <class F>
auto BothWays(F f)
{
    const bool was = album::SetFolderListings(false);
    auto direct = f();
    album::SetFolderListings(true);
    auto listed = f();
    album::SetFolderListings(was);
    return std::make_pair(direct, listed);
}

struct CurrentDirectory {
    char old[MAX_PATH];
    explicit CurrentDirectory(const std::string& dir) { GetCurrentDirectoryA(sizeof old, old), SetCurrentDirectoryA(dir.c_str()); }
    ~CurrentDirectory() { SetCurrentDirectoryA(old); }
};

} // namespace

TEST(FolderListing, SearchFindsTheSameWithAndWithoutListings)
{
    ScratchDir dir;
    const std::string summer = dir.File("Summer Vacation Photos"), trip = dir.File("Trip");
    CreateDirectoryA(summer.c_str(), nullptr);
    CreateDirectoryA(trip.c_str(), nullptr);
    const std::string beach = summer + "\\Beach Sunset Panorama.jpeg";
    for (const std::string& f : {beach, summer + "\\a.bmp", summer + "\\UPPER.BMP", trip + "\\x.jpg",
                                 trip + "\\caf\xe9 au lait.jpg", dir.File("plain.txt"), dir.File("Snowy Mountain Ridge.jpeg")})
        WriteBytes(f, {1});
    const std::string beachShort = ShortOf(beach), summerShort = ShortOf(summer);
    const std::string snowShort = ShortOf(dir.File("Snowy Mountain Ridge.jpeg"));
    ASSERT_FALSE(beachShort.empty() || summerShort.empty() || snowShort.empty());

    // Every way a stored name goes through the lookups: long and short forms, either separator,
    // relative and absolute, names in other letter case, missing files and folders, a file used
    // as a folder, and the names a listing leaves to the file system (a trailing dot, wildcards,
    // "." and "..", rooted and drive-relative names, characters beyond ASCII).
    TestTable table;
    const Names stored = {beach, beachShort, summerShort + "\\a.bmp", summer + "\\A.BMP", summer + "\\upper.bmp",
                          "Summer Vacation Photos\\Beach Sunset Panorama.jpeg", "Summer Vacation Photos/a.bmp",
                          LastPart(summerShort) + "\\" + LastPart(beachShort), "Trip\\x.jpg", "trip\\X.JPG",
                          "Trip\\missing.jpg", "NoFolder\\x.jpg", "plain.txt\\y.bmp", "Trip\\x.jpg.", "Trip\\x*.jpg",
                          "Trip\\..", "Trip\\.", "\\Trip\\x.jpg", "C:x.jpg", "Trip\\caf\xe9 au lait.jpg", "Trip\\",
                          trip + "\\x.jpg", trip + "\\\\x.jpg", summerShort + "\\UPPER.BMP.", snowShort,
                          summerShort + "\\SUNSET~9.JPE"};
    for (const std::string& n : stored)
        table.Add(n.c_str());

    CurrentDirectory here(dir.path());
    const Names criteria = {"VACATION PHOTOS\\BEACH", "BEACH SUNSET", "~", LastPart(beachShort).substr(0, 6),
                            LastPart(summerShort), "A.BMP", "UPPER", "X.JPG", "TRIP\\X", "MISSING", "PLAIN",
                            "AU LAIT", "..", "SUMMER VACATION PHOTOS/A", "\\\\X", "VACATION PHOTOS\\UPPER", "MOUNTAIN",
                            "VACATION PHOTOS\\SNOWY"};
    // Folders read in batches and entry by entry.
    for (bool batches : {true, false}) {
        const bool was = album::SetFolderReadInBatches(batches);
        const album::ListingCounters before = album::GetListingCounters();
        for (const std::string& c : criteria) {
            auto results = BothWays([&] { return Found(table, Crit(c.c_str())); });
            EXPECT_EQ(results.first, results.second) << "criterion " << c << (batches ? ", read in batches" : "");
        }
        const album::ListingCounters after = album::GetListingCounters();
        EXPECT_GT(after.answered, before.answered) << "the listings were not used";
        album::SetFolderReadInBatches(was);
    }
    // Short forms are found through their long forms (each file's own folder), long names through
    // their short forms' pieces.
    EXPECT_EQ(Found(table, Crit("VACATION PHOTOS\\BEACH SUNSET")), (Names{stored[0], stored[1], stored[5], stored[7]}));
    EXPECT_EQ(Found(table, Crit("MOUNTAIN")), Names{snowShort});
    EXPECT_EQ(Found(table, Crit("VACATION PHOTOS\\SNOWY")), Names{});
    const Names piece = Found(table, Crit(LastPart(beachShort).substr(0, 6).c_str()));
    EXPECT_TRUE(!piece.empty() && piece[0] == beach);
}

TEST(FolderListing, SourceChecksAndTheTwoCandidateRuleGiveTheSameAlbum)
{
    ScratchDir dir;
    const std::string program = dir.File("program") + "\\", albums = dir.File("albums");
    for (const std::string& d : {dir.File("program"), program + "Pics", albums, albums + "\\Pics", albums + "\\Pics\\sub",
                                 dir.File("elsewhere")})
        CreateDirectoryA(d.c_str(), nullptr);
    // Pics\both.bmp is in the program folder and beside the album: the program folder's wins.
    WriteBmpFile(program + "Pics\\both.bmp", 30, 20, 1);
    WriteBmpFile(albums + "\\Pics\\both.bmp", 40, 10, 2);
    WriteBmpFile(albums + "\\Pics\\album only.bmp", 24, 24, 3);
    WriteBmpFile(albums + "\\Pics\\changed.bmp", 50, 30, 4);
    WriteBmpFile(dir.File("elsewhere") + "\\absolute.bmp", 20, 20, 5);
    const uint32_t old = 0x50000000u;
    for (const std::string& f : {program + "Pics\\both.bmp", albums + "\\Pics\\both.bmp", albums + "\\Pics\\album only.bmp",
                                 dir.File("elsewhere") + "\\absolute.bmp"})
        SetFileTimes(f, old, old);
    // Made after it was last written (a copy, where the file system keeps creation times): unchanged
    // all the same, only the write time counts.
    SetFileTimes(program + "Pics\\both.bmp", old + 500, old);

    const std::string albumFile = albums + "\\x.abm";
    std::vector<tagALBUMINFOHEADER> records;
    for (const std::string& n : {std::string("Pics\\both.bmp"), std::string("Pics\\ALBUM ONLY.BMP"),
                                 std::string("Pics\\changed.bmp"), std::string("Pics\\gone.bmp"), std::string("Pics\\sub"),
                                 dir.File("elsewhere") + "\\absolute.bmp", dir.File("elsewhere") + "\\gone.bmp",
                                 std::string("NoSuchFolder\\a.bmp")})
        records.push_back(MakeRecord(n.c_str(), 123, old));
    SaveAlbum(albumFile, records);
    const std::vector<unsigned char> saved = ReadBytes(albumFile);

    struct Result {
        std::vector<unsigned char> album;  // as Load leaves it (rebuilt thumbnails written back)
        std::vector<int> exist;
        Names resolved;
        bool operator==(const Result& o) const { return album == o.album && exist == o.exist && resolved == o.resolved; }
    };
    auto load = [&] {
        WriteBytes(albumFile, saved);
        CAlbumDoc2 doc;
        doc.SetExePath(program.c_str());
        doc.SetThumbnailSize(16, 16);
        EXPECT_NE(doc.Load(albumFile.c_str()), 0);
        Result r;
        r.album = ReadBytes(albumFile);
        album::ListingScope listings;
        for (CThumbnail2* t = doc.m_pEnd->m_pNext; t != doc.m_pEnd; t = t->m_pNext) {
            r.exist.push_back(t->m_bExist);
            char full[MAX_PATH];
            r.resolved.push_back(doc.GetThumbnailFullPath(t->m_Info.szFileName, full) ? full : "(none)");
        }
        return r;
    };
    const auto results = BothWays(load);
    EXPECT_TRUE(results.first == results.second);
    EXPECT_EQ(results.second.exist, (std::vector<int>{1, 1, 1, 0, 0, 1, 0, 0}));
    EXPECT_EQ(results.second.resolved[0], program + "Pics\\both.bmp");
    EXPECT_EQ(results.second.resolved[1], albums + "\\Pics\\ALBUM ONLY.BMP");
    EXPECT_NE(results.second.album, saved) << "the changed source was rebuilt and the album written back";
    EXPECT_EQ(CountInAlbum(albumFile), 8) << "missing sources keep their thumbnails";

    // With the listings on, no source goes to the file system on its own, and each folder is
    // listed once an operation: program\Pics, albums\Pics, elsewhere and the two NoSuchFolder for
    // the load, the same but elsewhere (names with a drive resolve without a look) after it.
    const album::ListingCounters before = album::GetListingCounters();
    load();
    const album::ListingCounters after = album::GetListingCounters();
    EXPECT_EQ(after.direct, before.direct);
    EXPECT_EQ(after.listings - before.listings, 9u);
}

// Size and times come from the listing as the file system gives them for the file alone, read in
// batches or entry by entry. A name the ANSI code page cannot spell is not taken for another:
// beside a file named in full-width letters (U+FF21 U+FF22 ".bmp"), AB.bmp is missing.
TEST(FolderListing, AListedFileHasItsOwnSizeAndTimes)
{
    ScratchDir dir;
    const std::string a = dir.File("a.bmp"), b = dir.File("Quite a long name.jpeg");
    WriteBytes(a, std::vector<unsigned char>(5000, 7));
    WriteBytes(b, std::vector<unsigned char>(123, 1));
    SetFileTimes(a, 0x50000000u, 0x50001000u);
    SetFileTimes(b, 0x51000000u, 0x51000000u);
    const std::wstring fullWidth = LongWidePath(dir.path()) + L"\\\xFF21\xFF22.bmp";
    CloseHandle(CreateFileW(fullWidth.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    // Its short name is one the code page spells: that name finds it.
    WCHAR shortPath[MAX_PATH] = L"";
    ASSERT_GT(GetShortPathNameW(fullWidth.c_str(), shortPath, MAX_PATH), 0u);
    char shortName[MAX_PATH] = "";
    WideCharToMultiByte(CP_ACP, 0, wcsrchr(shortPath, L'\\') + 1, -1, shortName, MAX_PATH, nullptr, nullptr);
    for (bool batches : {true, false}) {
        const bool was = album::SetFolderReadInBatches(batches);
        for (const std::string& f : {a, b}) {
            FileStatus direct = {}, listed = {};
            ASSERT_TRUE(QueryFileStatus(f.c_str(), &direct)) << f;
            album::ListingScope listings;
            const album::ListingCounters before = album::GetListingCounters();
            ASSERT_TRUE(album::QuerySourceStatus(f.c_str(), &listed)) << f;
            EXPECT_EQ(album::GetListingCounters().answered, before.answered + 1) << f << ": not answered by the listing";
            EXPECT_EQ(listed.size, direct.size) << f;
            EXPECT_EQ(listed.lastWriteTime, direct.lastWriteTime) << f;
            EXPECT_EQ(listed.creationTime, direct.creationTime) << f;
        }
        album::ListingScope listings;
        FileStatus none = {};
        EXPECT_FALSE(album::QuerySourceStatus(dir.File("missing.bmp").c_str(), &none));
        EXPECT_FALSE(album::QuerySourceStatus(dir.File("AB.bmp").c_str(), &none) || album::PathExists(dir.File("AB.bmp").c_str()));
        EXPECT_TRUE(album::QuerySourceStatus(dir.File(shortName).c_str(), &none)) << shortName;
        album::SetFolderReadInBatches(was);
    }
}
