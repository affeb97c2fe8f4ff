// On-disk layout of an album file (".abm"): a 144-byte header, one 288-byte record per thumbnail,
// then the thumbnail images as packed DIBs. All numbers are little-endian.
#pragma once

#include <stddef.h>
#include "AlbumApi.h"

#define ALBUM_FILE_MAGIC 0x4D4C4150u /* "PALM" */
#define ALBUM_TEXT_FIELD 128         /* stored strings: at most 127 characters and a NUL */

typedef struct tagALBUMFILEHEADER {
    DWORD dwMagic;        // "PALM"
    DWORD dwFileSize;     // 144 + n * 288 + sum of all dwDibSize (written, never read)
    DWORD dwCount;        // number of records
    DWORD dwDibOffset;    // 144 + n * 288 (written, never read)
    char szDescription[ALBUM_TEXT_FIELD];
} ALBUMFILEHEADER;

typedef struct tagALBUMINFOHEADER {
    DWORD dwFileSize;     // size of the source image file
    DWORD dwFileTime;     // later of the source's creation and last-write time, seconds since 1970 UTC
    char szFileName[ALBUM_TEXT_FIELD];    // full path, or relative to a base directory
    char szDescription[ALBUM_TEXT_FIELD]; // " " when the thumbnail was made without one
    WORD wReserved1;
    WORD wBitCount;       // bits per pixel of the source image
    WORD wWidth;          // source image size
    WORD wHeight;
    DWORD dwDibOffset;    // offset of the image from the start of the image data area
    WORD wThumbWidth;     // stored thumbnail size
    WORD wThumbHeight;
    DWORD dwDibSize;      // bytes of image data in the file
    WORD wReserved2;      // cleared on load
    WORD wReserved3;
} ALBUMINFOHEADER;

#ifdef __cplusplus
static_assert(sizeof(DWORD) == 4 && sizeof(WORD) == 2, "album files use 32- and 16-bit fields");
static_assert(sizeof(tagALBUMFILEHEADER) == 144, "album file header is 144 bytes");
static_assert(offsetof(tagALBUMFILEHEADER, szDescription) == 16, "header description at 16");
static_assert(sizeof(tagALBUMINFOHEADER) == 288, "album record is 288 bytes");
static_assert(offsetof(tagALBUMINFOHEADER, szFileName) == 8, "record layout");
static_assert(offsetof(tagALBUMINFOHEADER, szDescription) == 136, "record layout");
static_assert(offsetof(tagALBUMINFOHEADER, wReserved1) == 264, "record layout");
static_assert(offsetof(tagALBUMINFOHEADER, dwDibOffset) == 272, "record layout");
static_assert(offsetof(tagALBUMINFOHEADER, dwDibSize) == 280, "record layout");
static_assert(offsetof(tagALBUMINFOHEADER, wReserved3) == 286, "record layout");
#endif
