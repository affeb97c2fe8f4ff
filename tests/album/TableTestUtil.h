// Access to the table's protected operations, and list invariants every test checks.
#pragma once

#include <memory>
#include "album/AlbumDoc.h"
#include "support/TestSupport.h"

// The stored names of a table's thumbnails, in order.
inline std::vector<std::string> NamesOf(CThumbTable2& table)
{
    std::vector<std::string> v;
    for (CThumbnail2* t = table.m_pEnd->m_pNext; t != table.m_pEnd; t = t->m_pNext)
        v.push_back(t->m_Info.szFileName);
    return v;
}

struct TestTable : CAlbumDoc2 {
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

    std::vector<std::string> Names() { return NamesOf(*this); }
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

// Search criteria, dates as yyyymmdd; a from date of 0 leaves the date filter off.
inline tagAlbumSearchCreteria Crit(const char* name, const char* type = "", const char* desc = "", int matchCase = 0,
                                   int size = 0, int from = 0, int to = 0)
{
    tagAlbumSearchCreteria c = {};
    strcpy(c.szName, name), strcpy(c.szType, type), strcpy(c.szDescription, desc);
    c.bMatchCase = matchCase, c.nSize = size, c.bDateFilter = from != 0;
    c.tmFrom.tm_year = from / 10000 - 1900, c.tmFrom.tm_mon = from / 100 % 100 - 1, c.tmFrom.tm_mday = from % 100;
    c.tmTo.tm_year = to / 10000 - 1900, c.tmTo.tm_mon = to / 100 % 100 - 1, c.tmTo.tm_mday = to % 100;
    return c;
}

// The names found from *position, or in a whole search (from 0: a position below 1 counts from the
// first); they must form a well-formed table. "(stopped)" when the search returns none.
inline std::vector<std::string> Found(CThumbTable2& table, const tagAlbumSearchCreteria& c, int* position = nullptr)
{
    int whole = 0;
    std::unique_ptr<CThumbTable2> result(table.Search(c, position ? *position : whole));
    if (!result)
        return {"(stopped)"};
    ExpectConsistent(*result);
    return NamesOf(*result);
}
