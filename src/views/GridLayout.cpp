#include "views/GridLayout.h"

#include <limits.h>

namespace grid {

namespace {

// Host records may carry any spacing, up to the ends of the int range: sums and products are made
// in 64 bits and the results brought back into range.
LONG Clamp(long long v) { return v < INT_MIN ? INT_MIN : v > INT_MAX ? INT_MAX : LONG(v); }

bool MovesLeft(int edge) { return edge == WMSZ_LEFT || edge == WMSZ_TOPLEFT || edge == WMSZ_BOTTOMLEFT; }
bool MovesRight(int edge) { return edge == WMSZ_RIGHT || edge == WMSZ_TOPRIGHT || edge == WMSZ_BOTTOMRIGHT; }
bool MovesTop(int edge) { return edge == WMSZ_TOP || edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT; }
bool MovesBottom(int edge) { return edge == WMSZ_BOTTOM || edge == WMSZ_BOTTOMLEFT || edge == WMSZ_BOTTOMRIGHT; }

void SetWidth(RECT* r, int edge, long long width)
{
    if (MovesLeft(edge))
        r->left = Clamp(r->right - width);
    else if (MovesRight(edge))
        r->right = Clamp(r->left + width);
}

void SetHeight(RECT* r, int edge, long long height)
{
    if (MovesTop(edge))
        r->top = Clamp(r->bottom - height);
    else if (MovesBottom(edge))
        r->bottom = Clamp(r->top + height);
}

} // namespace

int CellCount(const tagAlbumViewCreateInfo& aci)
{
    const long long n = static_cast<long long>(aci.nRows) * aci.nCols;
    return (aci.nRows > 0 && aci.nCols > 0 && n <= kMaxCells) ? static_cast<int>(n) : 0;
}

Size StretchedCell(int clientWidth, int clientHeight, const tagAlbumViewCreateInfo& aci)
{
    Size s{0, 0};
    if (aci.nCols > 0)
        s.w = Clamp(static_cast<long long>(clientWidth / aci.nCols) - aci.nHSpace);
    if (aci.nRows > 0)
        s.h = Clamp(static_cast<long long>(clientHeight / aci.nRows) - aci.nVSpace);
    return s;
}

bool IsWholePitches(int clientWidth, int clientHeight, Size cell, const tagAlbumViewCreateInfo& aci)
{
    const long long pitchX = static_cast<long long>(aci.nHSpace) + cell.w;
    const long long pitchY = static_cast<long long>(aci.nVSpace) + cell.h;
    // A record whose spacing cancels the cell size has no pitch to snap to.
    if (pitchX <= 0 || pitchY <= 0)
        return false;
    return clientWidth % pitchX == 0 && clientHeight % pitchY == 0;
}

bool SnappedGrid(int clientWidth, int clientHeight, Size cell, const tagAlbumViewCreateInfo& aci, int* cols,
                 int* rows)
{
    if (!IsWholePitches(clientWidth, clientHeight, cell, aci))
        return false;
    const long long c = clientWidth / (static_cast<long long>(aci.nHSpace) + cell.w);
    const long long r = clientHeight / (static_cast<long long>(aci.nVSpace) + cell.h);
    if (c < 1 || r < 1 || c * r > kMaxCells)
        return false;
    *cols = static_cast<int>(c);
    *rows = static_cast<int>(r);
    return true;
}

POINT CellOrigin(int index, Size cell, const tagAlbumViewCreateInfo& aci)
{
    const int cols = aci.nCols > 0 ? aci.nCols : 1;
    const long long row = index / cols, col = index % cols;
    POINT p;
    p.x = Clamp(aci.nHSpace / 2 + col * (static_cast<long long>(cell.w) + aci.nHSpace));
    p.y = Clamp(aci.nVSpace / 2 + row * (static_cast<long long>(cell.h) + aci.nVSpace));
    return p;
}

void AdjustSizingRect(RECT* rect, int edge, Size cell, Size nonClient, const tagAlbumViewCreateInfo& aci)
{
    const long long pw = static_cast<long long>(rect->right) - rect->left;
    const long long ph = static_cast<long long>(rect->bottom) - rect->top;
    if (aci.nSizeMode == ACI_SIZE_SNAP) {
        const long long pitchX = static_cast<long long>(cell.w) + aci.nHSpace;
        const long long pitchY = static_cast<long long>(cell.h) + aci.nVSpace;
        if (pitchX <= 0 || pitchY <= 0)
            return;
        long long cols = (pw - nonClient.w) / pitchX, rows = (ph - nonClient.h) / pitchY;
        if (cols < 1)
            cols = 1;
        if (rows < 1)
            rows = 1;
        SetWidth(rect, edge, cols * pitchX + nonClient.w);
        SetHeight(rect, edge, rows * pitchY + nonClient.h);
        return;
    }
    const long long minWidth = (static_cast<long long>(aci.nHSpace) + 16) * aci.nCols + nonClient.w;
    const long long minHeight = (static_cast<long long>(aci.nVSpace) + 16) * aci.nRows + nonClient.h;
    if (pw < minWidth)
        SetWidth(rect, edge, minWidth);
    if (ph < minHeight)
        SetHeight(rect, edge, minHeight);
}

} // namespace grid
