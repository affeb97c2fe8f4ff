// Fitting images into thumbnail boxes, and reading image files for thumbnails: the pieces the
// thumbnail builders (one file at a time, or many on worker threads) share.
#pragma once

#include <windows.h>
#include <stdint.h>
#include "win/Handles.h"

struct tagIMGIOOPTIONS;
class CThumbnail2;

namespace album {

// The size FitDibToBox gives an image of width x height: shrunk (never enlarged) to fit a square
// of the box's smaller side, the other side rounded to nearest and at least 1.
void FittedSize(int64_t width, int64_t height, WORD boxWidth, WORD boxHeight, int* newWidth, int* newHeight);

// FitDibToBox for an image that stands for a larger one of fullWidth x fullHeight (a reduced
// decode, an embedded thumbnail): the result has the size the full image would be given. Full
// sizes of 0 mean the image's own.
HGLOBAL FitDibToBoxAs(HGLOBAL image, WORD boxWidth, WORD boxHeight, int64_t fullWidth, int64_t fullHeight);

// An image file read for a thumbnail of a box: possibly reduced, with the size of the image it
// stands for (upright, as the image-file library reports it).
struct ThumbnailSource {
    win::GlobalBlock image;
    uint32_t width = 0;
    uint32_t height = 0;
};

// Reads path for a thumbnail of boxWidth x boxHeight: a JPEG is decoded at the smallest scale
// that is still at least twice the box each way (or its embedded thumbnail is taken, when
// embedded is set and it is at least the box and of the image's shape). False when the file
// cannot be read.
bool ReadForThumbnail(const char* path, WORD boxWidth, WORD boxHeight, tagIMGIOOPTIONS* options, bool embedded,
                      ThumbnailSource* out);

// Whether thumbnails built from files may come from camera JPEGs' embedded thumbnails (off
// unless the owner turns it on: an edited photo can carry a stale one).
void SetEmbeddedThumbnails(bool on);
bool EmbeddedThumbnails();

// BuildThumbnailFromDib for an image that stands for one of fullWidth x fullHeight.
CThumbnail2* BuildThumbnailFromSource(HGLOBAL image, uint32_t fullWidth, uint32_t fullHeight, const char* path,
                                      WORD boxWidth, WORD boxHeight, const char* description);

} // namespace album
