#include <stdlib.h>
#include <new>
#include <random>
#include "TableTestUtil.h"

using Names = std::vector<std::string>;

// Numbers follow positions through random inserts and removals, and a removed thumbnail's own.
TEST(ThumbTable, RandomInsertAndRemoveKeepTheListWholeAndRemovedThumbnailsMayBeKept)
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
    EXPECT_TRUE(!table.GetThumbnail(0) && !table.GetThumbnail(int(model.size()) + 1) && !table.GetThumbnail(-5));
    ASSERT_GE(model.size(), 2u);
    table.Remove(model[1], 0);
    EXPECT_EQ(model[1]->GetID(), 1) << "numbered as it was lowered";
    ExpectConsistent(table);
    delete model[1];
}

// A clone owns a copy of the image and drops the view's state; assignment is shallow.
TEST(Thumbnail, CloneOwnsItsImageAndDropsViewStateAssignmentShares)
{
    auto rec = testsupport::MakeRecord("Trip\\a.jpg", 1234, 99, "beach");
    auto* t = new CThumbnail2(&rec, testsupport::MakeDib(7, 5, 3), 4, 0);
    t->m_bSelect = t->m_bFocus = 1;
    const auto original = testsupport::BlockBytes(t->GetDib());
    CThumbnail2* c = t->Clone();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(std::vector<int>({c->GetID(), c->m_bExist, c->m_bSelect, c->m_bFocus}), std::vector<int>({4, 0, 0, 0}));
    EXPECT_TRUE(!c->m_pNext && !c->m_pPrevSel && c->GetDib() != t->GetDib());
    EXPECT_EQ(0, memcmp(c->GetInfo(), &rec, sizeof rec));
    EXPECT_EQ(t->SetID(7) * 10 + t->SetID(2), 47);
    CThumbnail2 copy(nullptr, nullptr, 0, 0);
    copy = *t;
    EXPECT_TRUE(copy.GetDib() == t->GetDib() && copy.GetID() == 2);
    copy.m_hDib = nullptr; // only one of the two may free it
    delete t;
    EXPECT_EQ(testsupport::BlockBytes(c->GetDib()), original);
    delete c;
}

namespace {

// Makes the program's large allocations fail while armed, to reach out-of-memory paths.
size_t g_failAllocationsFrom = 0;

} // namespace

// The replacement pair below allocates with malloc and frees with free.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(size_t size)
{
    if (g_failAllocationsFrom != 0 && size >= g_failAllocationsFrom)
        throw std::bad_alloc();
    if (void* p = malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { free(p); }
void operator delete(void* p, size_t) noexcept { free(p); }

TEST(ThumbTable, CopiesShareTheListButOnlyTheOwnerFreesIt)
{
    auto* b = new TestTable;
    b->Add("b1.bmp");
    b->Add("b2.bmp");
    TestTable c;
    c.Add("c1.bmp");
    HGLOBAL bImages[] = {b->GetThumbnail(1)->GetDib(), b->GetThumbnail(2)->GetDib()};
    {
        TestTable a;
        a.Add("mine.bmp");
        a = *b;                 // a gives up its own list and shares b's
        EXPECT_EQ(a.Names(), (Names{"b1.bmp", "b2.bmp"}));
        a = c;                  // b's list is b's: it must stay whole
        EXPECT_EQ(a.Names(), (Names{"c1.bmp"}));
        for (HGLOBAL h : bImages)
            ASSERT_EQ(GlobalSize(h), 16u) << "b's thumbnails were freed under it";
        EXPECT_EQ(b->Names(), (Names{"b1.bmp", "b2.bmp"}));
        TestTable d;
        d = *b;
    }                           // destroying the copies frees nothing of b or c
    for (HGLOBAL h : bImages)
        ASSERT_EQ(GlobalSize(h), 16u);
    EXPECT_EQ(b->Names(), (Names{"b1.bmp", "b2.bmp"}));
    ExpectConsistent(*b);
    EXPECT_EQ(c.Names(), (Names{"c1.bmp"}));
    delete b;                   // the owner frees its list once
}

// Names held, in any case, or inserted a moment before are skipped; one that cannot be cloned (its
// block cannot be locked) does not claim its name. The other table is kept, its images not shared.
TEST(ThumbTable, InsertTableSkipsNamesHeldAndSurvivesWantOfMemory)
{
    TestTable other;
    auto rec = testsupport::MakeRecord("Same.BMP");
    HGLOBAL gone = GlobalAlloc(GMEM_MOVEABLE | GMEM_DISCARDABLE, 16);
    ASSERT_NE(GlobalDiscard(gone), nullptr);
    ASSERT_EQ(GlobalLock(gone), nullptr);
    other.Insert(new CThumbnail2(&rec, gone, 0, 1), nullptr);
    other.Add("same.bmp");
    other.Add("HELD7.bmp");
    other.Add("new.bmp", 11);
    other.Add("NEW.BMP", 22);
    const Names otherBefore = other.Names();

    for (bool wantOfMemory : {false, true}) {
        TestTable mine;
        for (int i = 0; i < 400; ++i)
            mine.Add(("held" + std::to_string(i) + ".bmp").c_str());
        // Without memory for the name set the table walks its list instead, and no exception
        // leaves the library.
        g_failAllocationsFrom = wantOfMemory ? 1024 : 0;
        int result = 0;
        EXPECT_NO_THROW(result = mine.Insert(&other, mine.GetThumbnail(400)));
        g_failAllocationsFrom = 0;
        EXPECT_EQ(result, 1);
        ASSERT_EQ(mine.GetCount(), 402) << wantOfMemory;
        EXPECT_EQ(mine.GetThumbnail(400)->m_Info.szFileName, std::string("same.bmp"));
        EXPECT_EQ(mine.GetThumbnail(401)->m_Info.dwFileSize, 11u);
        EXPECT_EQ(mine.GetThumbnail(402)->m_Info.szFileName, std::string("held399.bmp"));
        EXPECT_NE(mine.GetThumbnail(401)->GetDib(), other.GetThumbnail(4)->GetDib());
        ExpectConsistent(mine);
        // Same names again: nothing to add. A table inserted into itself adds nothing either.
        mine.Insert(&other, nullptr);
        mine.Insert(&mine, nullptr);
        EXPECT_EQ(mine.GetCount(), 402);
    }
    EXPECT_EQ(other.Names(), otherBefore);
    ExpectConsistent(other);
}
