#include "album/Thumbnail.h"
#include "support/TestSupport.h"

using namespace testsupport;

// A clone owns a copy of the image and drops the view's state; assignment is shallow.
TEST(Thumbnail, CloneOwnsItsImageAndDropsViewStateAssignmentShares)
{
    auto rec = MakeRecord("Trip\\a.jpg", 1234, 99, "beach");
    auto* t = new CThumbnail2(&rec, MakeDib(7, 5, 3), 4, 0);
    t->m_bSelect = t->m_bFocus = 1;
    const auto original = BlockBytes(t->GetDib());
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
    EXPECT_EQ(BlockBytes(c->GetDib()), original);
    delete c;
}
