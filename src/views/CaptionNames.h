// The file names card captions show: the short (8.3) form of each thumbnail's source, found once
// and kept on the thumbnail until its stored name changes. Painting a page of thumbnails never
// shown before would otherwise ask the file system for thirty short paths; instead the folders
// of a page are listed once and every thumbnail of the album in those folders gets its name.
#pragma once

#include <stddef.h>

class CAlbum;
class CThumbnail2;

namespace captions {

// The path the card caption of t is made from (its last part is the name shown): the kept short
// name, or the platform's short path of the stored name (then kept), or the stored name.
void CaptionPath(CThumbnail2& t, char* out, size_t outSize);

// Finds and keeps the names of the thumbnails the album's cells show that have none kept, and
// of every other thumbnail of the album in the same folders, through one listing per folder.
void FillShownCaptions(CAlbum& album);

} // namespace captions
