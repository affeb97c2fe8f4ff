// Private messages between the album windows and the editor (WM_USER is 0x400).
#pragma once

#define WM_ALBUM_OPEN        0x501  // double click: open this image
#define WM_ALBUM_CELLDOWN    0x502  // left button pressed on a cell (or a simulated click)
#define WM_ALBUM_CELLUP      0x503  // button released on a cell; a resource item was chosen
#define WM_ALBUM_LAYOUT      0x504  // layout, content or first shown thumbnail changed
#define WM_ALBUM_FOCUS       0x505  // focus changed
#define WM_ALBUM_DROP        0x506  // thumbnails dropped on a cell; album content changed
#define WM_ALBUM_MENU        0x507  // right button on a cell: thumbnail menu
#define WM_ALBUM_HSCROLL     0x508  // scroll the grid (WM_HSCROLL wParam, lParam 100)
#define WM_ALBUM_VSCROLL     0x509  // scroll the grid (WM_VSCROLL wParam, lParam 100)
#define WM_ALBUM_DELETE      0x520  // delete the selected thumbnails
#define WM_ALBUM_DRAG        0x2B10 // drag-and-drop protocol; lParam is the drag record
#define WM_ALBUM_SEARCH      0xD401 // search progress and results
#define WM_ALBUM_RESULTS     0xF401 // search results saved as an album

// Cursor shown while thumbnails are dragged.
#define IDC_ALBUM_DRAG 110
