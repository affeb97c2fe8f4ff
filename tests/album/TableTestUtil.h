// Access to the table's protected operations, and list invariants every test checks.
#pragma once

#include "album/AlbumDoc.h"
#include "support/TestSupport.h"

struct TestTable : CAlbumDoc2 {
    using CThumbTable2::CleanTable;
    using CThumbTable2::Remove;
    using CThumbTable2::SortBy;

    CThumbnail2* Add(const char* name, DWORD size = 0, DWORD time = 0, const char* desc = " ",
                     CThumbnail2* before = nullptr)
    {
        auto rec = testsupport::MakeRecord(name, size, time, desc);
        auto* t = new CThumbnail2(&rec, testsupport::MakeBlock(16, unsigned(size + time)), 0, 1);
        Insert(t, before);
        return t;
    }

    std::vector<std::string> Names()
    {
        std::vector<std::string> v;
        for (CThumbnail2* t = m_pEnd->m_pNext; t != m_pEnd; t = t->m_pNext)
            v.push_back(t->m_Info.szFileName);
        return v;
    }
};

// The list is circular both ways, holds count thumbnails and numbers them 1..count.
inline void ExpectConsistent(CThumbTable2& table)
{
    int n = 0;
    CThumbnail2* prev = table.m_pEnd;
    for (CThumbnail2* t = table.m_pEnd->m_pNext; t != table.m_pEnd; t = t->m_pNext) {
        ++n;
        ASSERT_LE(n, table.GetCount()) << "list longer than count";
        EXPECT_EQ(t->m_pPrev, prev);
        EXPECT_EQ(t->GetID(), n);
        prev = t;
    }
    EXPECT_EQ(table.m_pEnd->m_pPrev, prev);
    EXPECT_EQ(n, table.GetCount());
    EXPECT_EQ(table.m_pEnd->GetID(), -1);
}
