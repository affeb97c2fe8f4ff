#include "album/ThumbTable.h"

#include <string>
#include <unordered_set>
#include "album/TextKeys.h"

CThumbTable2::CThumbTable2() : m_nCount(0), m_pEnd(new CThumbnail2(nullptr, nullptr, -1, 1))
{
    m_pEnd->m_pNext = m_pEnd;
    m_pEnd->m_pPrev = m_pEnd;
}

CThumbTable2::~CThumbTable2()
{
    CleanTable();
    delete m_pEnd;
}

int CThumbTable2::GetCount() { return m_nCount; }

CThumbnail2* CThumbTable2::GetThumbnail(int index)
{
    if (index < 1 || index > m_nCount)
        return nullptr;
    // Identifiers are positions, so walk in from whichever end is nearer.
    CThumbnail2* t;
    if (index <= m_nCount / 2 + 1) {
        t = m_pEnd->m_pNext;
        for (int i = 1; i < index && t != m_pEnd; ++i)
            t = t->m_pNext;
    } else {
        t = m_pEnd->m_pPrev;
        for (int i = m_nCount; i > index && t != m_pEnd; --i)
            t = t->m_pPrev;
    }
    return t == m_pEnd ? nullptr : t;
}

void CThumbTable2::LinkBefore(CThumbnail2* t, CThumbnail2* p)
{
    t->m_pPrev = p->m_pPrev;
    t->m_pNext = p;
    p->m_pPrev->m_pNext = t;
    p->m_pPrev = t;
}

void CThumbTable2::RenumberFrom(CThumbnail2* t)
{
    int id = t->m_pPrev == m_pEnd ? 0 : t->m_pPrev->m_nID;
    for (; t != m_pEnd; t = t->m_pNext)
        t->m_nID = ++id;
}

int CThumbTable2::Insert(CThumbnail2* t, CThumbnail2* before)
{
    if (!t)
        return 1;
    LinkBefore(t, before ? before : m_pEnd);
    ++m_nCount;
    RenumberFrom(t);
    return 1;
}

int CThumbTable2::Insert(CThumbTable2* other, CThumbnail2* before)
{
    if (!other)
        return 1;
    std::unordered_set<std::string> names;
    names.reserve(static_cast<size_t>(m_nCount) + static_cast<size_t>(other->m_nCount));
    for (CThumbnail2* t = m_pEnd->m_pNext; t != m_pEnd; t = t->m_pNext)
        names.insert(textkeys::FoldedName(t->m_Info.szFileName));

    CThumbnail2* at = before ? before : m_pEnd;
    CThumbnail2* first = nullptr;
    // Snapshot the end so inserting a table into itself cannot run forever.
    CThumbnail2* stop = other->m_pEnd;
    for (CThumbnail2* s = stop->m_pNext; s != stop; s = s->m_pNext) {
        // A name inserted earlier in this loop counts as held too.
        if (!names.insert(textkeys::FoldedName(s->m_Info.szFileName)).second)
            continue;
        CThumbnail2* clone = s->Clone();
        if (!clone)
            continue;
        LinkBefore(clone, at);
        ++m_nCount;
        if (!first)
            first = clone;
    }
    if (first)
        RenumberFrom(first);
    return 1;
}

int CThumbTable2::Remove(CThumbnail2* t, int destroy)
{
    if (!t || t == m_pEnd)
        return 1;
    t->m_pPrev->m_pNext = t->m_pNext;
    t->m_pNext->m_pPrev = t->m_pPrev;
    // Lower the identifiers of everything behind t, and t's own.
    for (CThumbnail2* p = t->m_pNext; p != m_pEnd; p = p->m_pNext)
        --p->m_nID;
    --t->m_nID;
    --m_nCount;
    if (destroy)
        delete t;
    return 1;
}

void CThumbTable2::CleanTable()
{
    CThumbnail2* t = m_pEnd->m_pNext;
    while (t != m_pEnd) {
        CThumbnail2* next = t->m_pNext;
        delete t;
        t = next;
    }
    m_pEnd->m_pNext = m_pEnd;
    m_pEnd->m_pPrev = m_pEnd;
    m_nCount = 0;
}

CThumbTable2& CThumbTable2::operator=(const CThumbTable2& other)
{
    // This table's own list is given up; free it rather than leak it.
    if (m_pEnd != other.m_pEnd) {
        CleanTable();
        delete m_pEnd;
    }
    m_nCount = other.m_nCount;
    m_pEnd = other.m_pEnd;
    return *this;
}
