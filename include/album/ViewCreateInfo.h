// The configuration of one album view: grid, spacing, scrolling, selection, cell drawing,
// captions and tooltips. Hosts register and read these records across the library boundary, so
// the layout is fixed: 112 bytes, little-endian, no pointers.
#pragma once

#include <stddef.h>
#include "AlbumApi.h"

// nScrollDir
#define ACI_SCROLL_VERTICAL   1
#define ACI_SCROLL_HORIZONTAL 2
// nSelectMode
#define ACI_SELECT_SINGLE 1
#define ACI_SELECT_MULTI  2
// nCellStyle
#define ACI_CELL_PLAIN  1
#define ACI_CELL_BLACK  2
#define ACI_CELL_RAISED 3
#define ACI_CELL_CARD   4
// nSizeMode
#define ACI_SIZE_SNAP    1
#define ACI_SIZE_STRETCH 2
// nCaption
#define ACI_CAPTION_NUMBER_NAME 1
#define ACI_CAPTION_NUMBER      2
#define ACI_CAPTION_NONE        3
// nBkMode
#define ACI_BK_TRANSPARENT 1
#define ACI_BK_OPAQUE      2

typedef struct tagAlbumViewCreateInfo {
    int nRows;          // rows of cells
    int nCols;          // columns of cells
    int nHSpace;        // gap between columns; half of it before the first column
    int nVSpace;        // gap between rows; half of it above the first row
    int nScrollDir;     // 1 vertical (row by row), otherwise horizontal (column by column)
    int nSelectMode;    // 1 single selection, otherwise multiple
    int nCellStyle;     // 2 black frame, 3 raised, 4 card, otherwise no frame
    int nSizeMode;      // 1 cells keep their size and the window snaps, otherwise cells stretch
    int nCaption;       // 1 number and name, 3 none, otherwise the number
    int nBkMode;        // 1 makes the list window class transparent
    LOGFONTA lfCaption; // caption font
    int dwReserved1;    // not read; 0 in every record the library fills
    int dwReserved2;
    int bToolTip;       // non-zero: cells show the image size as a tooltip
} ALBUMVIEWCREATEINFO;

#ifdef __cplusplus
static_assert(sizeof(LOGFONTA) == 60, "LOGFONTA is 60 bytes");
static_assert(sizeof(tagAlbumViewCreateInfo) == 112, "view record is 112 bytes");
static_assert(offsetof(tagAlbumViewCreateInfo, nCols) == 4, "view record layout");
static_assert(offsetof(tagAlbumViewCreateInfo, nScrollDir) == 16, "view record layout");
static_assert(offsetof(tagAlbumViewCreateInfo, nBkMode) == 36, "view record layout");
static_assert(offsetof(tagAlbumViewCreateInfo, lfCaption) == 40, "view record layout");
static_assert(offsetof(tagAlbumViewCreateInfo, lfCaption.lfFaceName) == 68, "view record layout");
static_assert(offsetof(tagAlbumViewCreateInfo, dwReserved1) == 100, "view record layout");
static_assert(offsetof(tagAlbumViewCreateInfo, dwReserved2) == 104, "view record layout");
static_assert(offsetof(tagAlbumViewCreateInfo, bToolTip) == 108, "view record layout");
#endif
