// Building thumbnails: fitting an image into a square box, resampling, widening to 24 bits, and
// wrapping the result with a filled-in record. Every image handle returned is a new block the
// caller owns; inputs stay the caller's. Images that are not well-formed packed bitmaps give
// null, as does the Esc key while the rows are worked out.
#pragma once

#include "Thumbnail.h"

// Reads the image file and builds its thumbnail (identifier 0, exist flag set). Null on failure.
ALBUM_API CThumbnail2* BuildThumbnailFromFile(const char* path, WORD boxWidth, WORD boxHeight,
                                              const char* description);
// The same from an image already in memory; path names its source file, whose size and time
// go into the record with its last two path components as the stored name. A null description
// is stored as " ".
ALBUM_API CThumbnail2* BuildThumbnailFromDib(HGLOBAL image, const char* path, WORD boxWidth, WORD boxHeight,
                                             const char* description);
// The image shrunk (never enlarged) to fit a square box of the smaller side, as 24 bits.
// 1-, 4-, 8- and 24-bit images only.
ALBUM_API HGLOBAL FitDibToBox(HGLOBAL image, WORD boxWidth, WORD boxHeight);
// The image resampled to the new size at the input's depth (1, 4, 8 or 24 bits): bilinear for
// 24-bit and gray-ramp images, nearest sample for palette images. resolution becomes both of
// the result's pixels-per-metre values.
ALBUM_API HGLOBAL ResampleDib(HGLOBAL image, int newWidth, int newHeight, DWORD resolution);
// A 1-, 4- or 8-bit image widened to 24 bits through its palette.
ALBUM_API HGLOBAL DibTo24Bit(HGLOBAL image);

// The check long operations make for the user's Esc: the Esc key's state unless replaced. A
// console program puts its own in (Ctrl+C), so that a key pressed in another window stops
// nothing. Null puts the key back; returns the check installed before.
typedef bool (*AlbumAbortCheck)(void);
ALBUM_API AlbumAbortCheck SetAlbumAbortCheck(AlbumAbortCheck check);

// Receives the thumbnail of file `index` (null when it could not be read), in file order, on the
// thread that called BuildThumbnailsFromFiles; the thumbnail is the receiver's. Return 0 to stop.
typedef int (*ThumbnailReceiver)(void* context, int index, CThumbnail2* thumbnail);
// Builds the thumbnails of count files as BuildThumbnailFromFile does, decoding and fitting on
// worker threads (workers: 0 for one per processor), and hands them to receive one by one in
// file order: the same thumbnails, in the same order, as a loop over BuildThumbnailFromFile.
// The abort check (Esc) stops the run, the files under way too, without waiting for them.
// With ALBUM_BUILD_EMBEDDED a camera JPEG's embedded thumbnail is taken when it is at least the
// box and has the image's shape. Returns the number of files handed over.
#define ALBUM_BUILD_EMBEDDED 0x1
ALBUM_API int BuildThumbnailsFromFiles(const char* const* paths, int count, WORD boxWidth, WORD boxHeight,
                                       DWORD flags, int workers, ThumbnailReceiver receive, void* context);
