// The album control's arithmetic, apart from windows: grid snapping at creation, the scroll-bar
// position, where the list window goes in each dock mode, and applying a snapped size from the
// dragged edge.
#pragma once

#include <windows.h>
#include "album/ViewCreateInfo.h"

namespace ctrllayout {

const int kScrollBarSide = 16; // the normal scroll bar's thickness
const int kDockArrow = 22;     // the docked bar's arrow buttons along the bar

// Cell pitch of the two snapping entries of the mini-album table (0: the manager's card cells,
// 1: the option cells); {0, 0} for any other entry.
SIZE SnapPitch(int entry, const tagAlbumViewCreateInfo& info);
// Rows and columns of whole pitches in the list area (0 when a pitch is not positive), written
// into info; the list area shrinks to them.
void SnapGrid(const SIZE& pitch, tagAlbumViewCreateInfo& info, int& listWidth, int& listHeight);

// Scroll-bar position 0-100 for the first shown thumbnail (numbered from 1) of count thumbnails.
int ScrollPosition(const tagAlbumViewCreateInfo& info, int count, int firstShown);

// The list window's rectangle (left, top, width, height) in a client area of width x height.
RECT ListArea(int dockMode, int scrollDir, int width, int height);
// What the control's own parts add to the list window's size while it is sized.
SIZE SizingExtra(int dockMode, int scrollDir);
// Moves r's dragged edge (WMSZ_...) so that r is width x height.
void ApplyFromEdge(WPARAM edge, RECT& r, int width, int height);

// True when the key state (GetKeyState) counts as held.
inline bool Held(SHORT state) { return (state & 0xF0) != 0; }

} // namespace ctrllayout
