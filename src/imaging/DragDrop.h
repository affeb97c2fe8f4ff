// The drag-and-drop transport: when a press and move becomes a drag, an invisible drag window
// takes the mouse and walks the windows under the cursor with WM_ALBUM_DRAG messages.
#pragma once

#include <windows.h>
#include "album/DragRecord.h"

// A press in a participating window: it becomes the armed window (lParam: client x, y).
void ArmDrag(HWND window, WPARAM keys, LPARAM position, int kind);
// A mouse move in a participating window: true when a drag has just begun from it, that is when
// the left button is down and the move is at least SM_CXDRAG or SM_CYDRAG away from the press.
// A move without the left button forgets the armed window. Only one drag at a time.
bool CheckDragStart(HWND window, WPARAM wParam, LPARAM lParam);
// Ends a drag without sending anything: gives up the drag window's capture and closes it; a
// press armed but not yet dragged is forgotten too. Always true. (Inside the release, a source
// that cancels while fetching still gets the closing code so it can free its table.)
bool CancelDrag(HWND window);
// The process's drag record (the one whose address the messages carry).
tagDRAGRECORD* DragRecord();
// True while a drag window exists.
bool IsDragging();
// True when lParam is the process's drag record and the transport is delivering it (a move's walk
// or a release's sequence): the only record a window may answer in.
bool IsLiveDragRecord(LPARAM lParam);
