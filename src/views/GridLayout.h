// Arithmetic of the thumbnail grid: cell sizes, cell positions, and the snapping of a list
// window's rectangle while it is being sized. Pure functions, so tests reach them directly; they
// compute in 64 bits, so records with absurd spacing give clamped results rather than wrapped ones.
#pragma once

#include <windows.h>
#include "album/ViewCreateInfo.h"

namespace grid {

struct Size {
    int w;
    int h;
};

// The most cells a list window creates: the platform's own limit of windows per process.
constexpr long long kMaxCells = 10000;
// rows x cols, or 0 when the record asks for none (or for more than kMaxCells).
int CellCount(const tagAlbumViewCreateInfo& aci);

// Cells dividing a client area: client / count - spacing in each direction.
Size StretchedCell(int clientWidth, int clientHeight, const tagAlbumViewCreateInfo& aci);
// True when the client area is a whole number of pitches (cell + spacing) both ways.
bool IsWholePitches(int clientWidth, int clientHeight, Size cell, const tagAlbumViewCreateInfo& aci);
// The columns and rows a snapping list of this client size holds (whole pitches both ways, at
// most kMaxCells cells); false, leaving cols and rows alone, when it holds no such grid.
bool SnappedGrid(int clientWidth, int clientHeight, Size cell, const tagAlbumViewCreateInfo& aci, int* cols,
                 int* rows);
// Top left of the cell with this row-by-row index.
POINT CellOrigin(int index, Size cell, const tagAlbumViewCreateInfo& aci);

// WM_SIZING: snaps the proposed window rectangle to whole cells (size mode 1) or holds it at the
// minimum of 16 pixels per cell plus spacing (other modes), moving the edges being dragged.
// nonClient is the window size minus its client size.
void AdjustSizingRect(RECT* rect, int edge, Size cell, Size nonClient, const tagAlbumViewCreateInfo& aci);

} // namespace grid
