// The name a thumbnail record keeps of its source image file.
#pragma once

#include <stddef.h>

class CAlbumDoc2;

namespace album {

// Starts listing, on another thread, the folders where the document will look for the source of
// a stored name (see GetThumbnailFullPath), when an operation with folder listings is running.
void PrefetchSourceFolders(CAlbumDoc2& doc, const char* storedName);

// How many leading characters of an album path are its drive and folder (to its last separator):
// the second folder a relative stored name is looked for in.
size_t AlbumFolderLength(const char* albumPath);

// The text behind the second-last backslash or colon of path ("D:\Photos\Trip\a.jpg" gives
// "Trip\a.jpg", "D:\a.jpg" gives "\a.jpg"); the whole path when it has fewer than two of them.
// Truncated to fit out (at most outSize - 1 characters and a NUL).
void StoredSourceName(const char* path, char* out, size_t outSize);

} // namespace album
