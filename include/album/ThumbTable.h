// The ordered thumbnails of one album: a circular doubly linked list closed by an end marker that
// the table owns. Identifiers are positions: 1..count in list order after every public operation.
#pragma once

#include "Thumbnail.h"
#include "SearchCriteria.h"

class ALBUM_API CThumbTable2 {
public:
    CThumbTable2();
    virtual ~CThumbTable2();

    int GetCount();
    // 1-based; null for an index below 1 or above the count.
    CThumbnail2* GetThumbnail(int index);
    // Takes over t and links it in front of before (at the end when before is null). Returns 1.
    int Insert(CThumbnail2* t, CThumbnail2* before);
    // Inserts, in front of before, clones of other's thumbnails whose stored names (ignoring ASCII
    // case) this table does not hold yet. other is not changed. Returns 1.
    int Insert(CThumbTable2* other, CThumbnail2* before);

    // Shallow: copies the count and the end marker pointer, so both tables then share one list.
    CThumbTable2& operator=(const CThumbTable2& other);
    CThumbTable2(const CThumbTable2&) = delete;

    // Clones of the thumbnails from identifier position on that meet the criteria, in a new table
    // the caller owns. position ends at count + 1; when Esc stops the search it is left at the
    // thumbnail about to be examined and the result is null, so the caller can continue later.
    CThumbTable2* Search(tagAlbumSearchCreteria criteria, int& position);

    enum SortKey { SortName = 0, SortType = 1, SortSize = 2, SortDate = 3, SortDescription = 4 };

protected:
    // Unlinks t (which must be in this table), renumbers, destroys it when destroy is non-zero.
    int Remove(CThumbnail2* t, int destroy);
    void CleanTable();
    // Empties this table, then moves every thumbnail of other into it, in order and with their
    // numbers; other is left empty. Each table keeps its own end marker.
    void TakeThumbnails(CThumbTable2& other);
    // Stable sort by key 0..4 (name, type, size, date, description). Returns 1 when the table
    // held at least one thumbnail, else 0.
    int SortBy(int key, int reverse);

    friend class CAlbum;

    // Links t in front of p without renumbering; the caller renumbers from the first change.
    void LinkBefore(CThumbnail2* t, CThumbnail2* p);
    // Gives identifiers from t to the end of the list, continuing from t's predecessor.
    void RenumberFrom(CThumbnail2* t);

private:
    // 1 when the criteria's name occurs in the stored name (upper-cased), its short form or its
    // long form (upper-cased); 1 for an empty criteria name.
    int NameCmp(CThumbnail2* t, tagAlbumSearchCreteria* criteria);
    // 1 when text occurs in the description (upper-cased unless matchCase); 1 for empty text.
    int DescriptionCmp(CThumbnail2* t, const char* text, int matchCase);

public:
    int m_nCount;
    CThumbnail2* m_pEnd;
};
