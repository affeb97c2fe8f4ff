#include <limits.h>
#include <string.h>
#include <memory>
#include "TableTestUtil.h"
#include "imaging/AbortCheck.h"

using Names = std::vector<std::string>;

namespace {

int g_pollsBeforeEsc = -1; // negative: Esc never pressed
bool TestEsc() { return g_pollsBeforeEsc >= 0 && g_pollsBeforeEsc-- == 0; }

// Every test owns the Esc key: none pressed unless it says so; the keyboard check comes back after.
class Search : public ::testing::Test {
protected:
    void SetUp() override { old_ = SetAbortCheck(TestEsc), g_pollsBeforeEsc = -1; }
    void TearDown() override { SetAbortCheck(old_); }

    static tagAlbumSearchCreteria None()
    {
        tagAlbumSearchCreteria c;
        memset(&c, 0, sizeof c);
        return c;
    }
    static tagAlbumSearchCreteria Between(int y1, int m1, int d1, int y2, int m2, int d2)
    {
        tagAlbumSearchCreteria c = None();
        c.bDateFilter = 1;
        c.tmFrom.tm_year = y1 - 1900, c.tmFrom.tm_mon = m1 - 1, c.tmFrom.tm_mday = d1;
        c.tmTo.tm_year = y2 - 1900, c.tmTo.tm_mon = m2 - 1, c.tmTo.tm_mday = d2;
        return c;
    }
    static Names NamesOf(CThumbTable2& table)
    {
        Names v;
        for (CThumbnail2* t = table.m_pEnd->m_pNext; t != table.m_pEnd; t = t->m_pNext)
            v.push_back(t->m_Info.szFileName);
        return v;
    }
    // A whole search from the first thumbnail; the result must be a well-formed table.
    static Names Found(CThumbTable2& table, const tagAlbumSearchCreteria& c)
    {
        int position = 1;
        std::unique_ptr<CThumbTable2> result(table.Search(c, position));
        EXPECT_NE(result, nullptr);
        if (!result)
            return {};
        EXPECT_EQ(position, table.GetCount() + 1);
        ExpectConsistent(*result);
        return NamesOf(*result);
    }

private:
    AbortCheckFn old_ = nullptr;
};

std::string ShortOf(const std::string& path)
{
    char buf[MAX_PATH];
    DWORD n = GetShortPathNameA(path.c_str(), buf, sizeof buf);
    return n > 0 && n < sizeof buf ? std::string(buf) : std::string();
}

std::string FileOf(const std::string& path) { return path.substr(path.rfind('\\') + 1); }

} // namespace

TEST_F(Search, EmptyCriteriaGiveIndependentClonesOfAll)
{
    TestTable table;
    table.Add("c:\\a.bmp", 10, 100, "first");
    table.Add("c:\\b.bmp", 20, 200, "second");
    table.Add("c:\\c.bmp", 30, 300, "third");

    int position = 1;
    std::unique_ptr<CThumbTable2> result(table.Search(None(), position));
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(position, 4);
    EXPECT_EQ(NamesOf(*result), (Names{"c:\\a.bmp", "c:\\b.bmp", "c:\\c.bmp"}));
    ExpectConsistent(*result);
    for (int i = 1; i <= 3; ++i) {
        CThumbnail2* original = table.GetThumbnail(i);
        CThumbnail2* clone = result->GetThumbnail(i);
        ASSERT_NE(clone, nullptr);
        EXPECT_NE(clone->GetDib(), original->GetDib());
        EXPECT_EQ(testsupport::BlockBytes(clone->GetDib()), testsupport::BlockBytes(original->GetDib()));
        EXPECT_EQ(memcmp(clone->GetInfo(), original->GetInfo(), sizeof(tagALBUMINFOHEADER)), 0);
    }
    strcpy(result->GetThumbnail(2)->m_Info.szDescription, "changed");
    result.reset();
    EXPECT_STREQ(table.GetThumbnail(2)->m_Info.szDescription, "second");
    ExpectConsistent(table);

    // Beyond the count: an empty table at once; below 1: from the first.
    for (int start : {4, 50}) {
        position = start;
        result.reset(table.Search(None(), position));
        ASSERT_NE(result, nullptr);
        EXPECT_EQ(result->GetCount(), 0);
    }
    position = -4;
    result.reset(table.Search(None(), position));
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->GetCount(), 3);
    EXPECT_EQ(position, 4);
}

TEST_F(Search, EscStopsAndTheSearchResumesWhereItStopped)
{
    TestTable table;
    for (const char* n : {"1.bmp", "2.bmp", "3.bmp", "4.bmp", "5.bmp"})
        table.Add(n);

    g_pollsBeforeEsc = 2; // 1 and 2 examined, Esc before 3
    int position = 1;
    EXPECT_EQ(table.Search(None(), position), nullptr);
    EXPECT_EQ(position, 3);
    g_pollsBeforeEsc = 0; // Esc at once: the position stays
    position = 4;
    EXPECT_EQ(table.Search(None(), position), nullptr);
    EXPECT_EQ(position, 4);

    position = 3;
    std::unique_ptr<CThumbTable2> rest(table.Search(None(), position));
    ASSERT_NE(rest, nullptr);
    EXPECT_EQ(NamesOf(*rest), (Names{"3.bmp", "4.bmp", "5.bmp"}));
    ExpectConsistent(*rest);
    EXPECT_EQ(position, 6);
    ExpectConsistent(table);
}

TEST_F(Search, NameThroughTheUpperCasedStoredName)
{
    TestTable table;
    table.Add("Trip\\a.jpg");
    table.Add("c:\\nowhere-album-test\\b.jpg");
    table.Add("c:\\nowhere-album-test\\trip.jpg");
    table.Add("");
    tagAlbumSearchCreteria c = None();
    strcpy(c.szName, "TRIP");
    EXPECT_EQ(Found(table, c), (Names{"Trip\\a.jpg", "c:\\nowhere-album-test\\trip.jpg"}));
    strcpy(c.szName, "MISSING");
    EXPECT_EQ(Found(table, c), Names{});
    memset(c.szName, 'A', sizeof c.szName); // no NUL: cut, not overrun
    EXPECT_EQ(Found(table, c), Names{});
}

TEST_F(Search, NameThroughTheLongAndShortFormsOfRealFiles)
{
    testsupport::ScratchDir scratch;
    const std::string summer = scratch.File("Summer Vacation Photos"), winter = scratch.File("Winter Holiday");
    ASSERT_TRUE(CreateDirectoryA(summer.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(winter.c_str(), nullptr));
    const std::string beach = summer + "\\Beach Sunset Panorama.jpeg", dunes = summer + "\\Dunes.jpg",
                      snow = winter + "\\Snowy Mountain Ridge.jpeg";
    for (const std::string& f : {beach, dunes, snow})
        testsupport::WriteBytes(f, {1, 2, 3});
    struct Cleanup {
        std::vector<std::string> files, dirs;
        ~Cleanup()
        {
            for (auto& f : files) DeleteFileA(f.c_str());
            for (auto& d : dirs) RemoveDirectoryA(d.c_str());
        }
    } cleanup{{beach, dunes, snow}, {summer, winter}};

    const std::string beachShort = ShortOf(beach), snowShort = ShortOf(snow), dunesShort = ShortOf(dunes);
    ASSERT_FALSE(beachShort.empty());
    ASSERT_FALSE(snowShort.empty());

    // Stored by their short forms (Wine and Windows both make 8.3 names): only the long forms
    // hold the words. One folder's thumbnails follow each other, folders alternate and one file
    // is missing, so every way through the folder lookups is taken.
    TestTable table;
    table.Add(beachShort.c_str());
    table.Add((ShortOf(summer) + "\\SUNSET~9.JPE").c_str());
    table.Add(dunesShort.c_str());
    table.Add(snowShort.c_str());
    table.Add(beachShort.c_str());
    tagAlbumSearchCreteria c = None();
    strcpy(c.szName, "SUNSET PANORAMA");
    EXPECT_EQ(Found(table, c), (Names{beachShort, beachShort}));
    strcpy(c.szName, "VACATION PHOTOS\\DUNES");
    EXPECT_EQ(Found(table, c), (Names{dunesShort}));
    strcpy(c.szName, "MOUNTAIN");
    EXPECT_EQ(Found(table, c), (Names{snowShort}));

    // Stored by the long name, found by the short name's piece (as the file system spells it).
    if (beachShort != beach) {
        TestTable longNames;
        longNames.Add(beach.c_str());
        longNames.Add(snow.c_str());
        strcpy(c.szName, FileOf(beachShort).c_str());
        EXPECT_EQ(Found(longNames, c), (Names{beach}));
    }

    // A relative name resolves against the current directory.
    char oldDir[MAX_PATH];
    GetCurrentDirectoryA(sizeof oldDir, oldDir);
    ASSERT_TRUE(SetCurrentDirectoryA(scratch.path().c_str()));
    const std::string relative = FileOf(ShortOf(summer)) + "\\" + FileOf(beachShort);
    TestTable relativeTable;
    relativeTable.Add(relative.c_str());
    strcpy(c.szName, "VACATION PHOTOS\\BEACH SUNSET");
    Names found = Found(relativeTable, c);
    SetCurrentDirectoryA(oldDir);
    EXPECT_EQ(found, (Names{relative}));
}

TEST_F(Search, TypeSizeAndDescription)
{
    TestTable types;
    for (const char* n : {"a.jpg", "DIR\\A.JPG", "a.jpeg", "jpg", "", "x.jpgx", "b.Jpg"})
        types.Add(n);
    tagAlbumSearchCreteria c = None();
    strcpy(c.szType, ".JPG");
    EXPECT_EQ(Found(types, c), (Names{"a.jpg", "DIR\\A.JPG", "b.Jpg"}));
    strcpy(c.szType, ".JPEG");
    EXPECT_EQ(Found(types, c), (Names{"a.jpeg"}));

    TestTable sizes;
    sizes.Add("small", 10239);
    sizes.Add("exact", 10240);
    sizes.Add("larger", 10241);
    sizes.Add("huge", 0xF0000000u); // beyond 2^31: a large file, not a negative one
    c = None();
    c.nSize = 10240;
    EXPECT_EQ(Found(sizes, c), (Names{"exact", "larger", "huge"}));
    c.nSize = -10240;
    EXPECT_EQ(Found(sizes, c), (Names{"small", "exact"}));
    c.nSize = INT_MIN;
    EXPECT_EQ(Found(sizes, c), (Names{"small", "exact", "larger"}));

    TestTable texts;
    texts.Add("a", 0, 0, "Beach at Dawn");
    texts.Add("b", 0, 0, "BEACH PARTY");
    texts.Add("c.jpg", 5000, 0, "beach too");
    c = None();
    strcpy(c.szDescription, "BEACH");
    EXPECT_EQ(Found(texts, c), (Names{"a", "b", "c.jpg"}));
    c.bMatchCase = 1;
    EXPECT_EQ(Found(texts, c), (Names{"b"}));
    strcpy(c.szDescription, "Beach");
    EXPECT_EQ(Found(texts, c), (Names{"a"}));

    // Every condition must hold.
    c = None();
    strcpy(c.szDescription, "BEACH");
    strcpy(c.szType, ".JPG");
    strcpy(c.szName, "C.");
    c.nSize = 4096;
    EXPECT_EQ(Found(texts, c), (Names{"c.jpg"}));
    c.nSize = -4096;
    EXPECT_EQ(Found(texts, c), Names{});
}

TEST_F(Search, DateRangeByDayYearFirst)
{
    TestTable table;
    table.Add("feb28-late", 0, 920246399);  // 1999-02-28 23:59:59 UTC
    table.Add("mar01", 0, 920246400);       // 1999-03-01 00:00
    table.Add("mar31-late", 0, 922921200);  // 1999-03-31 23:00
    table.Add("apr01-early", 0, 922926600); // 1999-04-01 00:30
    table.Add("nov30", 0, 943920000);       // 1999-11-30
    EXPECT_EQ(Found(table, Between(1999, 3, 1, 1999, 3, 31)), (Names{"mar01", "mar31-late"}));
    // The year decides before the month.
    EXPECT_EQ(Found(table, Between(1998, 12, 15, 1999, 3, 1)), (Names{"feb28-late", "mar01"}));
    EXPECT_EQ(Found(table, Between(1999, 6, 1, 2000, 1, 1)), (Names{"nov30"}));
    tagAlbumSearchCreteria off = Between(2200, 1, 1, 2200, 1, 1);
    off.bDateFilter = 0;
    EXPECT_EQ(Found(table, off).size(), 5u);

    // Leap days, the century rule, and stored times from 2^31 on (unsigned, up to 2106).
    TestTable calendar;
    calendar.Add("2000-02-29", 0, 951782400);
    calendar.Add("2100-02-28", 0, 4107542399u);
    calendar.Add("2100-03-01", 0, 4107542400u);
    calendar.Add("2038-01-19", 0, 0x80000000u);
    calendar.Add("2106-02-07", 0, 0xFFFFFFFFu);
    EXPECT_EQ(Found(calendar, Between(2000, 2, 29, 2000, 2, 29)), (Names{"2000-02-29"}));
    EXPECT_EQ(Found(calendar, Between(2100, 2, 29, 2100, 2, 29)), Names{});
    EXPECT_EQ(Found(calendar, Between(2038, 1, 19, 2038, 1, 19)), (Names{"2038-01-19"}));
    EXPECT_EQ(Found(calendar, Between(2038, 1, 20, 2106, 2, 7)), (Names{"2100-02-28", "2100-03-01", "2106-02-07"}));
}
