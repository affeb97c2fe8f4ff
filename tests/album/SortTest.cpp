#include <random>
#include "TableTestUtil.h"
#include "album/TextKeys.h"

using Names = std::vector<std::string>;

namespace {

// The sort value of a record, as a plain selection sort would compute it.
std::string RefText(const tagALBUMINFOHEADER& r, int key)
{
    std::string name(r.szFileName, strnlen(r.szFileName, 127));
    if (key == 0) {
        size_t cut = name.find_last_of("\\:");
        return cut == std::string::npos ? name : name.substr(cut + 1);
    }
    if (key == 1)
        return name.size() > 3 ? name.substr(name.size() - 3) : name;
    return std::string(r.szDescription, strnlen(r.szDescription, 127));
}

// Is a strictly better than b for this key and direction?
bool RefBetter(const tagALBUMINFOHEADER& a, const tagALBUMINFOHEADER& b, int key, bool reverse)
{
    switch (key) {
    case 2: return reverse ? a.dwFileSize > b.dwFileSize : a.dwFileSize < b.dwFileSize;
    case 3: return reverse ? a.dwFileTime < b.dwFileTime : a.dwFileTime > b.dwFileTime;
    default: {
        int c = lstrcmpA(RefText(a, key).c_str(), RefText(b, key).c_str());
        return reverse ? c > 0 : c < 0;
    }
    }
}

std::vector<CThumbnail2*> Order(TestTable& table)
{
    std::vector<CThumbnail2*> v;
    for (CThumbnail2* t = table.m_pEnd->m_pNext; t != table.m_pEnd; t = t->m_pNext)
        v.push_back(t);
    return v;
}

// Selection sort: each round takes the first thumbnail with the extreme key.
std::vector<CThumbnail2*> ReferenceOrder(TestTable& table, int key, bool reverse)
{
    std::vector<CThumbnail2*> rest = Order(table), out;
    while (!rest.empty()) {
        size_t best = 0;
        for (size_t i = 1; i < rest.size(); ++i)
            if (RefBetter(rest[i]->m_Info, rest[best]->m_Info, key, reverse))
                best = i;
        out.push_back(rest[best]);
        rest.erase(rest.begin() + long(best));
    }
    return out;
}

} // namespace

// The sorts against a reference: on every key, both ways, ties everywhere (the order among equals
// is kept), names of every shape (folders, drives, shares; short names sort by the whole name).
TEST(Sort, MatchesTheSelectionSortOnRandomData)
{
    // Few distinct values so that ties are everywhere; mixed case and punctuation for the text keys
    // (the locale's order: apple, Banana, Zebra), ranked alike with and without sort keys.
    const std::vector<std::string> stems = {"a", "B", "b", "apple", "Apple", "a-b", "ab", "a b", "_x", "Zed", "zed", "10",
                                            "9", "", "\xe9t\xe9", "ete", "co-op", "coop", "can't", "cant", "~", "\xc4pfel", "Apfel"};
    EXPECT_EQ(textkeys::RankTexts(stems, true), textkeys::RankTexts(stems, false));
    const char* exts[] = {".jpg", ".JPG", ".jpeg", ".bmp", ".png", ".tif", ".gif", ""};
    const char* dirs[] = {"", "Trip\\", "D:", "E:\\x\\", "\\\\srv\\s\\"};
    std::mt19937 rng(1234);
    TestTable t;
    EXPECT_EQ(t.SortBy(CThumbTable2::SortName, 0), 0) << "an empty table reports nothing";
    for (int i = 0; i < 700; ++i) {
        std::string name = std::string(dirs[rng() % 5]) + stems[rng() % stems.size()] + exts[rng() % 8];
        std::string desc = stems[rng() % stems.size()] + (rng() % 2 ? " x" : "");
        t.Add(name.c_str(), DWORD(rng() % 6) * 0x40000000u, DWORD(rng() % 5) + (rng() % 2 ? 0x80000000u : 0),
              desc.c_str());
    }
    for (int key = 0; key <= 4; ++key)
        for (int rev = 0; rev <= 1; ++rev) {
            // Start each run from a shuffled order so stability is exercised.
            for (int s = 0; s < 200; ++s) {
                CThumbnail2* a = t.GetThumbnail(int(rng() % 700) + 1);
                t.Remove(a, 0);
                t.Insert(a, t.GetThumbnail(int(rng() % 699) + 1));
            }
            auto expected = ReferenceOrder(t, key, rev);
            ASSERT_EQ(t.SortBy(key, rev), 1);
            ASSERT_TRUE(Order(t) == expected) << "key " << key << " reverse " << rev;
            ExpectConsistent(t);
        }
    const auto before = Order(t);
    EXPECT_EQ(t.SortBy(9, 0), 0) << "a key no caller passes";
    EXPECT_TRUE(Order(t) == before);
}
