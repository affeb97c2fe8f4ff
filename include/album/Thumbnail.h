// One thumbnail in memory: its file record, its image (a packed DIB in a movable global block it
// owns), its position number in its table, the view's flags, and the links of the table's list
// and of the view's selection list.
#pragma once

#include "AlbumFile.h"

class CThumbTable2;
class CAlbumDoc2;
class CAlbum;
class CThumbView2;

class ALBUM_API CThumbnail2 {
public:
    // Copies the record (a zero record when info is null), takes over the image block.
    CThumbnail2(const tagALBUMINFOHEADER* info, HGLOBAL dib, int id, int exist);
    ~CThumbnail2();

    HGLOBAL GetDib();
    tagALBUMINFOHEADER* GetInfo();
    int GetID();
    int SetID(int id);          // returns the previous identifier
    void SetExist(int exist);

    // Shallow copy of every field, image handle and links included: both then share one block.
    CThumbnail2& operator=(const CThumbnail2& other);
    // A deep copy with its own image block; not selected, not focused, not linked. Null on failure.
    CThumbnail2* Clone();

    CThumbnail2(const CThumbnail2&) = delete;

protected:
    void SetSelect(int select);
    void SetFouse(int focus);
    int IsSelect();

    friend class CThumbTable2;
    friend class CAlbumDoc2;
    friend class CAlbum;
    friend class CThumbView2;

public:
    int m_nID;                    // 1-based position in the owning table; 0 when not inserted; -1 end marker
    tagALBUMINFOHEADER m_Info;
    HGLOBAL m_hDib;
    int m_bSelect;
    int m_bFocus;
    CThumbnail2* m_pNext;
    CThumbnail2* m_pPrev;
    CThumbnail2* m_pNextSel;
    CThumbnail2* m_pPrevSel;
    int m_bExist;                 // the source image was found at the last check
};

// Hosts allocate and copy thumbnails with this layout: the fields above and nothing after them.
static_assert(sizeof(CThumbnail2) ==
                  (offsetof(CThumbnail2, m_bExist) + sizeof(int) + alignof(CThumbnail2*) - 1) /
                      alignof(CThumbnail2*) * alignof(CThumbnail2*),
              "CThumbnail2 holds exactly the documented fields");
