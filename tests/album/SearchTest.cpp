#include <limits.h>
#include "TableTestUtil.h"
#include "support/ScriptedEsc.h"

using Names = std::vector<std::string>;

TEST(Search, EveryCriterionEscAndResumption)
{
    testsupport::ScriptedEsc esc; // the test owns the Esc key: none pressed unless it says so
    const std::string trip = "Trip\\a.jpg", trip2 = "c:\\nowhere-album-test\\trip.JPG", jpeg = "DIR\\a.jpeg";
    TestTable table;
    table.Add(trip.c_str(), 10239, 920246399, "Beach at Dawn"); // 1999-02-28 23:59:59
    table.Add(trip2.c_str(), 10240, 920246400, "BEACH PARTY");  // 1999-03-01 00:00
    table.Add(jpeg.c_str(), 10241, 922921200, "beach too");     // 1999-03-31 23:00
    table.Add("huge.jpgx", 0xF0000000u, 922926600);             // 1999-04-01 00:30
    table.Add("jpg", 0, 943920000);                             // 1999-11-30
    table.Add("2038", 0, 0x80000000u);                          // 2038-01-19
    table.Add("2106", 0, 0xFFFFFFFFu);                          // 2106-02-07
    tagAlbumSearchCreteria noNul = Crit("");
    memset(noNul.szName, 'A', sizeof noNul.szName); // cut, not overrun
    const struct { tagAlbumSearchCreteria c; Names want; } cases[] = {
        {Crit(""), {trip, trip2, jpeg, "huge.jpgx", "jpg", "2038", "2106"}},
        {Crit("TRIP"), {trip, trip2}}, // through the upper-cased stored name
        {noNul, {}},
        {Crit("", ".JPG"), {trip, trip2}},
        {Crit("", "", "BEACH"), {trip, trip2, jpeg}},
        {Crit("", "", "BEACH", 1), {trip2}},
        // Sizes are unsigned: 2 GB and more is large, neither "at most" a bound nor negative.
        {Crit("", "", "", 0, 10240), {trip2, jpeg, "huge.jpgx"}},
        {Crit("", "", "", 0, -10240), {trip, trip2, "jpg", "2038", "2106"}},
        {Crit("", "", "", 0, INT_MIN), {trip, trip2, jpeg, "jpg", "2038", "2106"}},
        {Crit("C:", ".JPG", "BEACH", 0, -10240), {trip2}}, // every condition must hold
        // Whole days, the year deciding before the month; stored times from 2^31 on are unsigned.
        {Crit("", "", "", 0, 0, 19990301, 19990331), {trip2, jpeg}},
        {Crit("", "", "", 0, 0, 19981215, 19990301), {trip, trip2}},
        {Crit("", "", "", 0, 0, 19990601, 20380119), {"jpg", "2038"}},
    };
    for (const auto& k : cases)
        EXPECT_EQ(Found(table, k.c), k.want) << "case " << &k - cases;

    // Esc stops with no table and the position where it stopped; the search then resumes there.
    int position = 2;
    testsupport::ScriptedEsc::Press(2); // the second examined, Esc before the third
    EXPECT_EQ(Found(table, Crit(""), &position), Names{"(stopped)"});
    EXPECT_EQ(position, 3);
    EXPECT_EQ(Found(table, Crit(""), &position), (Names{jpeg, "huge.jpgx", "jpg", "2038", "2106"}));
    EXPECT_EQ(position, 8);
    EXPECT_EQ(Found(table, Crit(""), &(position = 50)), Names{}); // beyond the count: nothing
}
