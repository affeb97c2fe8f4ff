// Find's search of album files: the matching of one thumbnail against the criteria, and the
// search of an album file that keeps only the pictures of what it finds.
#pragma once

#include "album/AlbumDoc.h"

namespace album {

// Makes every text of the criteria a string, whatever the caller left in it.
void TerminateCriteria(tagAlbumSearchCreteria& criteria);

// Whether t meets every criterion (texts terminated). The cheap tests run first; the file system
// is asked only about the names of thumbnails that pass the rest.
bool MatchesCriteria(CThumbnail2* t, const tagAlbumSearchCreteria& criteria);

// What Load of path into doc followed by Search(criteria, position) gives, without holding the
// album: each record is matched as it is read and only the found thumbnails keep their pictures.
// When the load would change the album (a source image changed since its thumbnail was made, or
// the file holds fewer thumbnails than it announces) the album is loaded and searched as such,
// so that it is brought up to date as a load does. doc holds no thumbnails and carries the
// search's program folder and source check; afterwards it has the album's path (for resolving
// the found names). Returns 0 when the album cannot be loaded; otherwise 1 with *found the new
// table the caller owns, or null when Esc stopped the search (position then names the thumbnail
// about to be examined).
int SearchAlbumFile(CAlbumDoc2& doc, const char* path, const tagAlbumSearchCreteria& criteria, int& position,
                    CThumbTable2** found);

} // namespace album
