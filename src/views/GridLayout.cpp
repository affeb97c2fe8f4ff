#include "views/GridLayout.h"

namespace grid {

namespace {

bool MovesLeft(int edge) { return edge == WMSZ_LEFT || edge == WMSZ_TOPLEFT || edge == WMSZ_BOTTOMLEFT; }
bool MovesRight(int edge) { return edge == WMSZ_RIGHT || edge == WMSZ_TOPRIGHT || edge == WMSZ_BOTTOMRIGHT; }
bool MovesTop(int edge) { return edge == WMSZ_TOP || edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT; }
bool MovesBottom(int edge) { return edge == WMSZ_BOTTOM || edge == WMSZ_BOTTOMLEFT || edge == WMSZ_BOTTOMRIGHT; }

void SetWidth(RECT* r, int edge, int width)
{
    if (MovesLeft(edge))
        r->left = r->right - width;
    else if (MovesRight(edge))
        r->right = r->left + width;
}

void SetHeight(RECT* r, int edge, int height)
{
    if (MovesTop(edge))
        r->top = r->bottom - height;
    else if (MovesBottom(edge))
        r->bottom = r->top + height;
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
        s.w = clientWidth / aci.nCols - aci.nHSpace;
    if (aci.nRows > 0)
        s.h = clientHeight / aci.nRows - aci.nVSpace;
    return s;
}

bool IsWholePitches(int clientWidth, int clientHeight, Size cell, const tagAlbumViewCreateInfo& aci)
{
    const int pitchX = aci.nHSpace + cell.w, pitchY = aci.nVSpace + cell.h;
    // A record whose spacing cancels the cell size has no pitch to snap to.
    if (pitchX <= 0 || pitchY <= 0)
        return false;
    return clientWidth % pitchX == 0 && clientHeight % pitchY == 0;
}

POINT CellOrigin(int index, Size cell, const tagAlbumViewCreateInfo& aci)
{
    const int cols = aci.nCols > 0 ? aci.nCols : 1;
    const int row = index / cols, col = index % cols;
    POINT p;
    p.x = aci.nHSpace / 2 + col * (cell.w + aci.nHSpace);
    p.y = aci.nVSpace / 2 + row * (cell.h + aci.nVSpace);
    return p;
}

void AdjustSizingRect(RECT* rect, int edge, Size cell, Size nonClient, const tagAlbumViewCreateInfo& aci)
{
    const int pw = rect->right - rect->left, ph = rect->bottom - rect->top;
    if (aci.nSizeMode == ACI_SIZE_SNAP) {
        const int pitchX = cell.w + aci.nHSpace, pitchY = cell.h + aci.nVSpace;
        if (pitchX <= 0 || pitchY <= 0)
            return;
        int cols = (pw - nonClient.w) / pitchX, rows = (ph - nonClient.h) / pitchY;
        if (cols < 1)
            cols = 1;
        if (rows < 1)
            rows = 1;
        SetWidth(rect, edge, cols * pitchX + nonClient.w);
        SetHeight(rect, edge, rows * pitchY + nonClient.h);
        return;
    }
    const int minWidth = (aci.nHSpace + 16) * aci.nCols + nonClient.w;
    const int minHeight = (aci.nVSpace + 16) * aci.nRows + nonClient.h;
    if (pw < minWidth)
        SetWidth(rect, edge, minWidth);
    if (ph < minHeight)
        SetHeight(rect, edge, minHeight);
}

} // namespace grid
