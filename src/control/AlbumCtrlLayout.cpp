#include "control/AlbumCtrlLayout.h"

#include <stdint.h>

namespace ctrllayout {

SIZE SnapPitch(int entry, const tagAlbumViewCreateInfo& info)
{
    if (entry == 0)
        return {info.nHSpace + 70, info.nVSpace + 108};
    if (entry == 1)
        return {info.nHSpace + 36, info.nVSpace + 36};
    return {0, 0};
}

void SnapGrid(const SIZE& pitch, tagAlbumViewCreateInfo& info, int& listWidth, int& listHeight)
{
    const bool usable = pitch.cx > 0 && pitch.cy > 0 && listWidth > 0 && listHeight > 0;
    info.nRows = usable ? listHeight / pitch.cy : 0;
    info.nCols = usable ? listWidth / pitch.cx : 0;
    listWidth = info.nCols * pitch.cx;
    listHeight = info.nRows * pitch.cy;
}

int ScrollPosition(const tagAlbumViewCreateInfo& info, int count, int firstShown)
{
    const bool vertical = info.nScrollDir == ACI_SCROLL_VERTICAL;
    const int64_t visible = vertical ? info.nRows : info.nCols;
    const int64_t perLine = vertical ? info.nCols : info.nRows;
    if (perLine <= 0 || count <= 0)
        return 0;
    const int64_t lines = (int64_t(count) + perLine - 1) / perLine;
    if (lines <= visible)
        return 0;
    int64_t position = (int64_t(firstShown) + perLine - 2) / perLine * 100 / (lines - visible);
    return static_cast<int>(position < 0 ? 0 : position > 100 ? 100 : position);
}

RECT ListArea(int dockMode, int scrollDir, int width, int height)
{
    switch (dockMode) {
    case 1:
        return {0, kDockArrow, width, height - 2 * kDockArrow};
    case 2:
        return {kDockArrow, 0, width - 2 * kDockArrow, height};
    default:
        if (scrollDir == ACI_SCROLL_VERTICAL)
            return {0, 0, width - kScrollBarSide, height};
        return {0, 0, width, height - kScrollBarSide};
    }
}

SIZE SizingExtra(int dockMode, int scrollDir)
{
    switch (dockMode) {
    case 0:
        return {scrollDir == ACI_SCROLL_VERTICAL ? kScrollBarSide : 0,
                scrollDir == ACI_SCROLL_HORIZONTAL ? kScrollBarSide : 0};
    case 1:
        return {0, 2 * kDockArrow};
    case 2:
        return {2 * kDockArrow, 0};
    default:
        return {0, 0};
    }
}

void ApplyFromEdge(WPARAM edge, RECT& r, int width, int height)
{
    switch (edge) {
    case WMSZ_LEFT: case WMSZ_TOPLEFT: case WMSZ_BOTTOMLEFT:
        r.left = r.right - width;
        break;
    case WMSZ_RIGHT: case WMSZ_TOPRIGHT: case WMSZ_BOTTOMRIGHT:
        r.right = r.left + width;
        break;
    }
    switch (edge) {
    case WMSZ_TOP: case WMSZ_TOPLEFT: case WMSZ_TOPRIGHT:
        r.top = r.bottom - height;
        break;
    case WMSZ_BOTTOM: case WMSZ_BOTTOMLEFT: case WMSZ_BOTTOMRIGHT:
        r.bottom = r.top + height;
        break;
    }
}

} // namespace ctrllayout
