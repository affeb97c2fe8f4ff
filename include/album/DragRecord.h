// The drag record: one per process, its address travels as lParam of WM_ALBUM_DRAG (wParam 0)
// to the windows under the cursor, the source and the accepting window, which answer in it.
#pragma once

#include <stddef.h>
#include "AlbumApi.h"

class CAlbumDoc2;

// nCode
#define DRAG_CODE_FETCH  1  // to the source: put copies of the dragged thumbnails in pTable
#define DRAG_CODE_DONE   2  // to the source: the drop is over; free pTable
#define DRAG_CODE_ACCEPT 3  // to the window under the cursor and its ancestors: accept the drop?
#define DRAG_CODE_DROP   4  // to the accepting window: take the thumbnails
#define DRAG_CODE_OVER   5  // to the window under the cursor and its ancestors: the mouse moved
#define DRAG_CODE_LEAVE  6  // to the window that claimed the previous move: remove drop marks
// nResult
#define DRAG_RESULT_NOBODY   1
#define DRAG_RESULT_ACCEPTED 2
#define DRAG_RESULT_REFUSED  3
// nKind
#define DRAG_KIND_THUMBNAILS 1

typedef struct tagDRAGRECORD {
    int nCode;
    int nKind;
    int nKeys;            // MK_ flags of the mouse message being handled
    int x;                // cursor in the receiver's client coordinates (codes 3 and 5)
    int y;
    int nCount;           // thumbnails dragged (filled by the source on code 1)
    CAlbumDoc2* pTable;   // copies of the dragged thumbnails (filled by the source on code 1)
    unsigned char bHandled; // cleared before each send; set by a window that takes part
    unsigned char reserved[3];
    int nResult;
} DRAGRECORD;

#ifdef __cplusplus
static_assert(offsetof(tagDRAGRECORD, pTable) == 24, "drag record layout");
static_assert(offsetof(tagDRAGRECORD, bHandled) == 24 + sizeof(void*), "drag record layout");
static_assert(sizeof(tagDRAGRECORD) == (sizeof(void*) == 4 ? 36 : 40), "drag record is 36 bytes (40 on 64-bit)");
#endif

// The file paths of the dragged thumbnails (lParam of WM_ALBUM_DRAG, or a copy of that record) as
// a new zero-filled movable block of 260 bytes per thumbnail holding the NUL-terminated full paths
// back to back, so the list ends at the first empty string; thumbnails whose names do not resolve
// are left out. The caller frees it. Only while a drop is being delivered (from the source's
// answer to code 1 until code 2) and only for the table the source handed over; otherwise, and
// for another kind or an empty table, null.
ALBUM_API HGLOBAL GetDropData(LPARAM lParam);
