// The window operations the album view model needs: attach a thumbnail to a cell (and ask what a
// cell shows), repaint a cell, send a message to the list window's parent, and beep. The model
// runs on numbers and links; these are its only ways out, so tests can stand in for the windows.
#pragma once

#include <windows.h>

class CAlbum;
class CThumbnail2;

class AlbumViewOps {
public:
    enum Repaint { Bands, Whole };
    virtual ~AlbumViewOps() = default;
    // Shows t (or nothing) in the cell; 0 when the cell could not be updated.
    virtual int Attach(CAlbum& album, int cell, CThumbnail2* t) = 0;
    // The same, but the cell repaints only at the next UpdateCells (or when painting comes
    // round): a page of cells is then painted in one pass instead of cell by cell.
    virtual int AttachLater(CAlbum& album, int cell, CThumbnail2* t) { return Attach(album, cell, t); }
    // Repaints now every cell that needs it; 0 when that failed.
    virtual int UpdateCells(CAlbum&) { return 1; }
    // What the cell shows now (null for an empty cell or no such cell).
    virtual CThumbnail2* Shown(CAlbum& album, int cell) = 0;
    virtual void Invalidate(CAlbum& album, int cell, Repaint what) = 0;
    virtual void SendToParent(CAlbum& album, UINT msg, WPARAM wParam, LPARAM lParam) = 0;
    virtual void Beep(CAlbum& album) = 0;
};

// The real thing: the album's cell windows and its parent window.
AlbumViewOps* WindowViewOps();
