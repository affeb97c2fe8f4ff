#include "album/ThumbTable.h"

#include <mutex>
#include <string>
#include <unordered_set>
#include "album/TextKeys.h"

namespace {

// Tables that share another table's list through a shallow copy. The list belongs to the table
// that made it; a sharer never frees it, and never reads it once the owner may have. Kept apart
// from the tables so that their layout stays as hosts know it; managers may live on several
// threads, so the set is locked.
class Sharers {
public:
    bool Contains(const CThumbTable2* t)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return set_.count(t) != 0;
    }
    bool Add(const CThumbTable2* t)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        try {
            set_.insert(t);
            return true;
        } catch (...) {
            return false;
        }
    }
    // True when t was a sharer.
    bool Remove(const CThumbTable2* t)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return set_.erase(t) != 0;
    }

private:
    std::mutex mutex_;
    std::unordered_set<const CThumbTable2*> set_;
};

Sharers& TheSharers()
{
    static Sharers sharers;
    return sharers;
}

} // namespace

CThumbTable2::CThumbTable2() : m_nCount(0), m_pEnd(new CThumbnail2(nullptr, nullptr, -1, 1))
{
    m_pEnd->m_pNext = m_pEnd;
    m_pEnd->m_pPrev = m_pEnd;
}

CThumbTable2::~CThumbTable2()
{
    if (TheSharers().Remove(this))
        return; // the list is its owner's
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

namespace {

// Stored names held by a table, compared ignoring ASCII case: a hash set, or a plain walk of the
// table when the set cannot be had for want of memory.
class HeldNames {
public:
    explicit HeldNames(CThumbTable2& table) : table_(table)
    {
        try {
            names_.reserve(static_cast<size_t>(table.m_nCount) * 2);
            for (CThumbnail2* t = table.m_pEnd->m_pNext; t != table.m_pEnd; t = t->m_pNext)
                names_.insert(textkeys::FoldedName(t->m_Info.szFileName));
            hashed_ = true;
        } catch (...) {
            names_.clear();
        }
    }
    bool Holds(const char* name)
    {
        if (hashed_) {
            try {
                return names_.count(textkeys::FoldedName(name)) != 0;
            } catch (...) {
                hashed_ = false; // the rest of the way without the set
            }
        }
        for (CThumbnail2* t = table_.m_pEnd->m_pNext; t != table_.m_pEnd; t = t->m_pNext)
            if (textkeys::EqualFieldsNoCase(t->m_Info.szFileName, name))
                return true;
        return false;
    }
    void Add(const char* name)
    {
        if (!hashed_)
            return; // the walk sees the table itself
        try {
            names_.insert(textkeys::FoldedName(name));
        } catch (...) {
            hashed_ = false;
        }
    }

private:
    CThumbTable2& table_;
    std::unordered_set<std::string> names_;
    bool hashed_ = false;
};

} // namespace

int CThumbTable2::Insert(CThumbTable2* other, CThumbnail2* before)
{
    if (!other)
        return 1;
    HeldNames held(*this);
    CThumbnail2* at = before ? before : m_pEnd;
    CThumbnail2* first = nullptr;
    // Snapshot the end so inserting a table into itself cannot run forever.
    CThumbnail2* stop = other->m_pEnd;
    for (CThumbnail2* s = stop->m_pNext; s != stop; s = s->m_pNext) {
        // A name inserted earlier in this loop counts as held too; a clone that could not be made
        // does not.
        if (held.Holds(s->m_Info.szFileName))
            continue;
        CThumbnail2* clone = s->Clone();
        if (!clone)
            continue;
        LinkBefore(clone, at);
        ++m_nCount;
        held.Add(clone->m_Info.szFileName);
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

void CThumbTable2::TakeThumbnails(CThumbTable2& other)
{
    if (other.m_pEnd == m_pEnd)
        return;
    CleanTable();
    if (other.m_nCount > 0) {
        CThumbnail2* first = other.m_pEnd->m_pNext;
        CThumbnail2* last = other.m_pEnd->m_pPrev;
        m_pEnd->m_pNext = first;
        first->m_pPrev = m_pEnd;
        m_pEnd->m_pPrev = last;
        last->m_pNext = m_pEnd;
        other.m_pEnd->m_pNext = other.m_pEnd->m_pPrev = other.m_pEnd;
    }
    m_nCount = other.m_nCount;
    other.m_nCount = 0;
}

CThumbTable2& CThumbTable2::operator=(const CThumbTable2& other)
{
    if (m_pEnd == other.m_pEnd)
        return *this;
    if (!TheSharers().Contains(this)) {
        // This table gives up its own list: free it rather than leak it. Should the table not be
        // recorded as a sharer, it stays as it is rather than free another table's list later.
        if (!TheSharers().Add(this))
            return *this;
        CleanTable();
        delete m_pEnd;
    }
    m_nCount = other.m_nCount;
    m_pEnd = other.m_pEnd;
    return *this;
}
