// Find's search of album files: the matching of one thumbnail against the criteria, and the
// search of an album file that keeps only the pictures of what it finds.
#pragma once

#include <string>
#include "album/AlbumDoc.h"

namespace album {

// Makes every text of the criteria a string, whatever the caller left in it.
void TerminateCriteria(tagAlbumSearchCreteria& criteria);

// The name Find looks for in the real names of sources stored by their short names (names the
// ANSI code page cannot carry): the text as typed, or without one the criteria's own name, which
// holds it in the ANSI code page. Matched without regard to case in any script.
class RealNameWanted {
public:
    explicit RealNameWanted(const tagAlbumSearchCreteria& criteria, const wchar_t* typed = nullptr);
    bool Empty() const { return upper_.empty(); }
    // Whether it occurs in realName.
    bool In(const std::wstring& realName) const;

private:
    std::wstring upper_;
};

// The criteria's name from the text typed (at most 127 characters), upper-cased: as typed when the
// ANSI code page carries it, else with "?" for each character it cannot carry, which no stored
// name holds, so that no other name passes for it; RealNameWanted then finds it in real names.
void SetNameCriterion(tagAlbumSearchCreteria& criteria, const wchar_t* typed);

// Whether t meets every criterion (texts terminated). The cheap tests run first; the file system
// is asked only about the names of thumbnails that pass the rest. A name that is not found in the
// stored name or its short and long forms is also looked for in the real name.
bool MatchesCriteria(CThumbnail2* t, const tagAlbumSearchCreteria& criteria, const RealNameWanted& realName);

// CThumbTable2::Search, the name also looked for as realName says.
CThumbTable2* SearchTable(CThumbTable2& table, tagAlbumSearchCreteria criteria, int& position,
                          const RealNameWanted& realName);

// What Load of path into doc followed by Search(criteria, position) gives, without holding the
// album: each record is matched as it is read and only the found thumbnails keep their pictures.
// When the load would change the album (a source image changed since its thumbnail was made, or
// the file holds fewer thumbnails than it announces) the album is loaded and searched as such,
// so that it is brought up to date as a load does. doc holds no thumbnails and carries the
// search's program folder and source check; afterwards it has the album's path (for resolving
// the found names). Returns 0 when the album cannot be loaded; otherwise 1 with *found the new
// table the caller owns, or null when Esc stopped the search (position then names the thumbnail
// about to be examined). typedName: the name as typed, for RealNameWanted.
int SearchAlbumFile(CAlbumDoc2& doc, const char* path, const tagAlbumSearchCreteria& criteria, int& position,
                    CThumbTable2** found, const wchar_t* typedName = nullptr);

} // namespace album
