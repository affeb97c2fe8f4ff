#include "album/Thumbnail.h"

#include <string.h>
#include <new>
#include "album/CaptionCache.h"
#include "win/Handles.h"

CThumbnail2::CThumbnail2(const tagALBUMINFOHEADER* info, HGLOBAL dib, int id, int exist)
    : m_nID(id), m_hDib(dib), m_bSelect(0), m_bFocus(0), m_pNext(nullptr), m_pPrev(nullptr),
      m_pNextSel(nullptr), m_pPrevSel(nullptr), m_bExist(exist)
{
    if (info)
        memcpy(&m_Info, info, sizeof m_Info);
    else
        memset(&m_Info, 0, sizeof m_Info);
}

CThumbnail2::~CThumbnail2()
{
    album::ForgetCaption(this);
    if (m_hDib) {
        GlobalFree(m_hDib);
        m_hDib = nullptr;
    }
}

HGLOBAL CThumbnail2::GetDib() { return m_hDib; }
tagALBUMINFOHEADER* CThumbnail2::GetInfo() { return &m_Info; }
int CThumbnail2::GetID() { return m_nID; }

int CThumbnail2::SetID(int id)
{
    int old = m_nID;
    m_nID = id;
    return old;
}

void CThumbnail2::SetExist(int exist) { m_bExist = exist; }
void CThumbnail2::SetSelect(int select) { m_bSelect = select; }
void CThumbnail2::SetFouse(int focus) { m_bFocus = focus; }
int CThumbnail2::IsSelect() { return m_bSelect; }

CThumbnail2& CThumbnail2::operator=(const CThumbnail2& other)
{
    if (this != &other) {
        m_nID = other.m_nID;
        memcpy(&m_Info, &other.m_Info, sizeof m_Info);
        m_hDib = other.m_hDib;
        m_bSelect = other.m_bSelect;
        m_bFocus = other.m_bFocus;
        m_pNext = other.m_pNext;
        m_pPrev = other.m_pPrev;
        m_pNextSel = other.m_pNextSel;
        m_pPrevSel = other.m_pPrevSel;
        m_bExist = other.m_bExist;
        album::ForgetCaption(this); // worked out again for the name now held
    }
    return *this;
}

CThumbnail2* CThumbnail2::Clone()
{
    win::GlobalBlock copy;
    if (m_hDib) {
        win::GlobalLockGuard src(m_hDib);
        if (!src)
            return nullptr;
        copy = win::GlobalBlock::Allocate(src.size(), true);
        if (!copy)
            return nullptr;
        win::GlobalLockGuard dst(copy.get());
        if (!dst)
            return nullptr;
        memcpy(dst.data(), src.data(), src.size());
    }
    CThumbnail2* clone = new (std::nothrow) CThumbnail2(&m_Info, copy.get(), m_nID, m_bExist);
    if (clone) {
        copy.release();
        album::KeptCaption kept;
        if (album::FindKeptCaption(this, kept))
            album::KeepCaption(clone, kept);
    }
    return clone;
}
