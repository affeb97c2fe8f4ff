// What the Find dialog asks of an album's thumbnails. Passed by value between the dialog, the
// scanner and the thumbnail table, so its layout is fixed on both pointer sizes.
#pragma once

#include <stddef.h>
#include <time.h>
#include "AlbumApi.h"

#define ALBUM_SEARCH_TEXT 256
#define ALBUM_SEARCH_TYPE 40

// Where the scanner looks (nLookIn).
#define ALBUM_LOOK_IN_ALBUM  1
#define ALBUM_LOOK_IN_FOLDER 2

typedef struct tagAlbumSearchCreteria {
    char szName[ALBUM_SEARCH_TEXT];        // text in the image's name, upper case; empty: any
    char szDescription[ALBUM_SEARCH_TEXT]; // text in the description (upper case unless bMatchCase)
    int bMatchCase;                        // non-zero: the description is compared case-sensitively
    struct tm tmFrom;                      // first day of the date range (day, month, year used)
    struct tm tmTo;                        // last day of the date range
    int bDateFilter;                       // non-zero: the date range applies
    char szType[ALBUM_SEARCH_TYPE];        // extension with its dot, upper case (".BMP"); empty: any
    int nSize;                             // 0: any; > 0: at least this many bytes; < 0: at most -nSize
    int bSubFolder;                        // folder search: include subfolders
    char szAlbumPath[MAX_PATH];            // album to search: "All Albums" or a name with ".abm"
    char szFolderPath[MAX_PATH];           // folder to search
    int nLookIn;                           // ALBUM_LOOK_IN_ALBUM or ALBUM_LOOK_IN_FOLDER
} ALBUMSEARCHCRETERIA;

#ifdef __cplusplus
static_assert(sizeof(struct tm) == 36, "tm is nine ints");
static_assert(sizeof(tagAlbumSearchCreteria) == 1164, "search criteria are 1164 bytes");
static_assert(offsetof(tagAlbumSearchCreteria, bMatchCase) == 512, "criteria layout");
static_assert(offsetof(tagAlbumSearchCreteria, tmFrom) == 516, "criteria layout");
static_assert(offsetof(tagAlbumSearchCreteria, tmTo) == 552, "criteria layout");
static_assert(offsetof(tagAlbumSearchCreteria, bDateFilter) == 588, "criteria layout");
static_assert(offsetof(tagAlbumSearchCreteria, szType) == 592, "criteria layout");
static_assert(offsetof(tagAlbumSearchCreteria, nSize) == 632, "criteria layout");
static_assert(offsetof(tagAlbumSearchCreteria, bSubFolder) == 636, "criteria layout");
static_assert(offsetof(tagAlbumSearchCreteria, szAlbumPath) == 640, "criteria layout");
static_assert(offsetof(tagAlbumSearchCreteria, szFolderPath) == 900, "criteria layout");
static_assert(offsetof(tagAlbumSearchCreteria, nLookIn) == 1160, "criteria layout");
#endif
