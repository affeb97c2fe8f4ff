// The mark of the cell that something dragged over an album would be dropped on: the same for
// files from other programs as for thumbnails dragged between album windows.
#pragma once

#include "album/ThumbView.h"

// Drawn on a card cell that shows a thumbnail; false (nothing drawn) for any other cell.
bool ShowDropMark(CThumbView2& cell);
// Repaints the cell, which removes the mark.
void RemoveDropMark(CThumbView2& cell);
