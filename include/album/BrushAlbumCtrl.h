// Resource albums: the small album controls from which the editor picks its brushes, stamps,
// shapes and textures ("BrushAlbumCtrl", "StampAlbumCtrl", "ShapeAlbumCtrl", "TextureAlbumCtrl").
// Each shows one album file, named by the window's text relative to the editor's program folder,
// as a horizontally scrolling grid over grey grid lines. Brush, stamp and shape images are
// converted to grey and stored as bitmap files in a resource folder of the program folder
// ("brush", "stamps", "Shapes"); textures are referenced where they are. Every add and delete
// saves the album file at once.
#pragma once

#include "Album.h"

struct tagIMGIOOPTIONS; // the image-file library's reading options

// Kinds of resource album, from the window class.
#define RESALBUM_KIND_NONE    0
#define RESALBUM_KIND_BRUSH   1
#define RESALBUM_KIND_STAMP   2
#define RESALBUM_KIND_TEXTURE 3
#define RESALBUM_KIND_SHAPE   4

class ALBUM_API CBrushAlbumCtrl {
public:
    // Program folder from the host's executable; no window, no album, kind 0, not owned by a
    // window. A control created with this object as its creation parameter stays the creator's.
    CBrushAlbumCtrl();
    CBrushAlbumCtrl(const CBrushAlbumCtrl&) = delete;
    CBrushAlbumCtrl& operator=(const CBrushAlbumCtrl&) = delete;

    // Message handling of the control (the class procedure finds the object in user data).
    LRESULT BrushAlbumCtrlWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    CAlbum* GetAlbum();

    // The editor's request to add items: the image-file picker (several files at once), then
    // AddItemFile for each; the album is saved when one was added. 0 when nothing was tried (the
    // thread busy, the picker cancelled), or when the album could not be saved: the new items
    // and the files written for them are taken out again and the user is told. Else 1.
    int AddItems();
    // Adds one image file: a brush, stamp or shape is converted and written into its resource
    // folder under the file's base name (a later file with a base name already taken gets the
    // first free "name (n)"), carrying the source's brush or stamp mark over; a texture is
    // recorded where it is. 1 when an item was added. Does not save the album.
    int AddItemFile(const char* path, tagIMGIOOPTIONS* options);
    // The editor's request to delete the selected item, after the user confirms. Items whose
    // files carry the brush (brush albums) or stamp mark (stamp and shape albums) only beep.
    // Brushes, stamps and shapes lose their files too when these lie in the control's resource
    // folder (unless another item still uses the same file), once the album is saved without
    // them; textures and pictures elsewhere keep theirs. 1 when items were
    // removed and the album saved; 0 (items and files kept) when it could not be saved.
    int DeleteItems();

    // The conversions behind brushes (at most 128 pixels a side) and stamps and shapes (at most
    // 256): an 8-bit grey image, inverted and level-scaled as "album.ini" says ("Brush
    // Parameter" / "Stamp Parameter": "Invert", default FALSE; "Scale", default TRUE). A new
    // block the caller owns, or null. The source stays the caller's.
    static HGLOBAL MakeBrushImage(HGLOBAL image);
    static HGLOBAL MakeStampImage(HGLOBAL image);

protected:
    // Builds the grid and the album for window w, a window of one of the four classes, and loads
    // the album its text names. 0 when w is no such window or the album exists.
    virtual int OnInitCtrl(HWND w);

public:
    // Deletes the album (its windows and document). After OnInitCtrl in the virtual table.
    virtual ~CBrushAlbumCtrl();

private:
    void PaintGrid(HDC dc);
    void ForwardClick(WPARAM keys, LPARAM cell);
    // The resource folder of this kind ("" for textures) into out; false when it would not fit.
    bool ResourceFolder(char* out, size_t size) const;
    // Whether path names a file directly in this control's resource folder: only those files
    // are the control's own to delete.
    bool InResourceFolder(const char* path) const;
    // Saves the album to its own file; false when that failed or the file was read only in part
    // (the rest of it would be lost). An album without a file lives in memory only: true.
    bool StoreAlbum();
    // After a change that could not be stored: the album as its file holds it, and the user told.
    void UndoUnstored();

public:
    HWND m_hWnd;
    unsigned char m_bOwnedByWindow;
    CAlbum* m_pAlbum;
    char m_szCurrentFolder[MAX_PATH]; // where the add dialog starts: the folder of the last pick
    char m_szProgramFolder[MAX_PATH]; // the editor's program folder, ending in "\"
    int m_nKind;                      // RESALBUM_KIND_...
};

// Stores the cell size (both at least 5 pixels; thumbnails are 4 pixels smaller) and registers
// the four resource album classes with instance, then makes sure the cell and list classes are
// registered with it too. 1 when all of them are in place (classes this library registered
// before count), 0 at the first failure or for a smaller cell.
ALBUM_API int CBrushAlbumCtrlRegister(HINSTANCE instance, int cellWidth, int cellHeight);
// The window procedure of the four classes.
ALBUM_API LRESULT CALLBACK BrushAlbumCtrlClassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
