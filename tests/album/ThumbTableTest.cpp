#include <random>
#include "TableTestUtil.h"

using Names = std::vector<std::string>;

TEST(ThumbTable, InsertNumbersByPosition)
{
    TestTable table;
    CThumbnail2* a = table.Add("a");
    EXPECT_EQ(a->GetID(), 1);
    CThumbnail2* b = table.Add("b", 0, 0, " ", a);
    EXPECT_EQ(b->GetID(), 1);
    EXPECT_EQ(a->GetID(), 2);
    table.Add("c");
    EXPECT_EQ(table.Names(), (Names{"b", "a", "c"}));
    ExpectConsistent(table);

    EXPECT_EQ(table.GetThumbnail(0), nullptr);
    EXPECT_EQ(table.GetThumbnail(4), nullptr);
    EXPECT_EQ(table.GetThumbnail(-5), nullptr);
    EXPECT_EQ(table.GetThumbnail(3)->m_Info.szFileName, std::string("c"));
    EXPECT_EQ(table.GetThumbnail(1), b);
    EXPECT_EQ(table.GetThumbnail(2), a);
}

TEST(ThumbTable, RemoveRenumbersAndOptionallyKeeps)
{
    TestTable table;
    table.Add("a");
    CThumbnail2* b = table.Add("b");
    table.Add("c");
    table.Remove(b, 0);
    EXPECT_EQ(table.Names(), (Names{"a", "c"}));
    EXPECT_EQ(table.GetCount(), 2);
    EXPECT_EQ(b->GetID(), 1); // lowered with the rest
    ExpectConsistent(table);
    // Kept alive: it can go into another table.
    TestTable other;
    other.Insert(b, nullptr);
    EXPECT_EQ(b->GetID(), 1);
    table.CleanTable();
    EXPECT_EQ(table.GetCount(), 0);
    ExpectConsistent(table);
}

TEST(ThumbTable, RandomInsertAndRemoveKeepTheListWhole)
{
    std::mt19937 rng(7);
    TestTable table;
    std::vector<CThumbnail2*> model;
    for (int step = 0; step < 3000; ++step) {
        int op = int(rng() % 3);
        if (op < 2 || model.empty()) {
            size_t pos = rng() % (model.size() + 1);
            CThumbnail2* before = pos < model.size() ? model[pos] : nullptr;
            CThumbnail2* t = table.Add(("n" + std::to_string(step)).c_str(), 0, 0, " ", before);
            model.insert(model.begin() + long(pos), t);
        } else {
            size_t pos = rng() % model.size();
            table.Remove(model[pos], 1);
            model.erase(model.begin() + long(pos));
        }
        if (step % 97 == 0) {
            ExpectConsistent(table);
            for (size_t i = 0; i < model.size(); i += 13)
                ASSERT_EQ(table.GetThumbnail(int(i + 1)), model[i]);
        }
    }
    ExpectConsistent(table);
    for (size_t i = 0; i < model.size(); ++i)
        ASSERT_EQ(table.GetThumbnail(int(i + 1)), model[i]);
}

TEST(ThumbTable, InsertTableSkipsNamesAlreadyHeldIgnoringCase)
{
    TestTable mine;
    mine.Add("Photos\\A.BMP");
    CThumbnail2* last = mine.Add("z.bmp");

    TestTable other;
    other.Add("photos\\a.bmp");   // held already, other case
    other.Add("new1.bmp", 11);
    other.Add("NEW1.BMP", 22);    // held once the first is in
    other.Add("new2.bmp", 33);
    auto otherBefore = other.Names();

    mine.Insert(&other, last);
    EXPECT_EQ(mine.Names(), (Names{"Photos\\A.BMP", "new1.bmp", "new2.bmp", "z.bmp"}));
    EXPECT_EQ(mine.GetThumbnail(2)->m_Info.dwFileSize, 11u);
    ExpectConsistent(mine);
    // The other table is untouched and its images are not shared.
    EXPECT_EQ(other.Names(), otherBefore);
    ExpectConsistent(other);
    EXPECT_NE(mine.GetThumbnail(2)->GetDib(), other.GetThumbnail(2)->GetDib());

    // Same names again: nothing to add. A table inserted into itself adds nothing either.
    mine.Insert(&other, nullptr);
    mine.Insert(&mine, nullptr);
    EXPECT_EQ(mine.GetCount(), 4);
}
