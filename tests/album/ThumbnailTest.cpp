#include "album/Thumbnail.h"
#include "support/TestSupport.h"

using namespace testsupport;

TEST(Thumbnail, CloneOwnsItsImageAndDropsViewState)
{
    auto rec = MakeRecord("Trip\\a.jpg", 1234, 99, "beach");
    auto* t = new CThumbnail2(&rec, MakeDib(7, 5, 3), 4, 0);
    t->m_bSelect = 1;
    t->m_bFocus = 1;
    auto original = BlockBytes(t->GetDib());

    CThumbnail2* c = t->Clone();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(std::vector<int>({c->GetID(), c->m_bExist, c->m_bSelect, c->m_bFocus}), std::vector<int>({4, 0, 0, 0}));
    EXPECT_TRUE(!c->m_pNext && !c->m_pPrevSel);
    EXPECT_EQ(0, memcmp(c->GetInfo(), &rec, sizeof rec));
    EXPECT_NE(c->GetDib(), t->GetDib());

    delete t;
    EXPECT_EQ(BlockBytes(c->GetDib()), original);
    delete c;
}

TEST(Thumbnail, IdentifiersAndSharedCopies)
{
    auto rec = MakeRecord("a.bmp");
    CThumbnail2 t(&rec, MakeBlock(64, 1), 0, 1);
    EXPECT_EQ(t.SetID(7), 0);
    EXPECT_EQ(t.SetID(2), 7);
    EXPECT_EQ(t.GetID(), 2);

    // Assignment is shallow: the copy refers to the same image block.
    CThumbnail2 copy(nullptr, nullptr, 0, 0);
    copy = t;
    EXPECT_EQ(copy.GetDib(), t.GetDib());
    EXPECT_EQ(copy.GetID(), 2);
    copy.m_hDib = nullptr; // only one of the two may free it

    // GetInfo hands out the record itself.
    t.GetInfo()->dwFileTime = 42;
    EXPECT_EQ(t.m_Info.dwFileTime, 42u);
}
