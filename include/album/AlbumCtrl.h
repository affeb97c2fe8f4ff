// The album control: a child window ("ManDlgAlbumCtrl", "OptionDlgAlbumCtrl", "WizDlgAlbumCtrl")
// showing one album as a scrolling grid with its own scroll bar, which it keeps in step. It tells
// its parent about double clicks, focus changes, right clicks, delete keys and content changes,
// and takes part in dragging thumbnails between albums.
#pragma once

#include "Album.h"
#include "DragRecord.h"

// Mini-album table: up to 16 view records registered under window-class names.
#define ALBUM_MINI_TABLE_SIZE 16
#define ALBUM_MINI_NAME_SIZE 256

// Registers info under name (exact, case-sensitive). 0 for a name already registered, a full
// table, or a name that is empty or longer than 255 characters; 1 otherwise.
ALBUM_API int RegisterMiniAlbum(const char* name, tagAlbumViewCreateInfo& info);
// Copies the record registered under name into info and returns its entry (0-15). A name never
// registered gives the first free entry and its all-zero record; -1 (nothing copied) only when
// all 16 entries are taken by other names.
ALBUM_API int GetAlbumCtrlACI(tagAlbumViewCreateInfo* info, const char* name);

// dock modes
#define ALBUM_DOCK_NONE       0 // a normal scroll bar
#define ALBUM_DOCK_VERTICAL   1 // docked: arrow buttons at the top and bottom
#define ALBUM_DOCK_HORIZONTAL 2 // docked: arrow buttons at the left and right

class ALBUM_API CAlbumCtrl {
public:
    // For a caller that will create the window with CALbumCtrl; the caller owns the object.
    CAlbumCtrl();
    // Made by the window procedure for a window created without an object; owned by the window.
    explicit CAlbumCtrl(HWND hwnd);
    // Shallow copies: both then refer to the same window, scroll bar and album.
    CAlbumCtrl(const CAlbumCtrl& other);
    CAlbumCtrl& operator=(const CAlbumCtrl& other);

    // Registers the cell and list classes, the three control classes and their view records.
    // 1 when every registration succeeded; stops at the first failure.
    static int Register(HINSTANCE instance);

    CAlbum* GetAlbum();
    // Creates the control window for this object: class as registered in the mini-album table
    // under className, text "NULL", at rect's left/top with rect's right/bottom as width and
    // height. Returns the window handle as a 32-bit value (handles are 32-bit significant), 0 on
    // failure.
    int CALbumCtrl(HWND parent, const char* className, RECT rect);
    // 0: normal scroll bar; 1, 2: docked bar with arrow buttons (vertical, horizontal). The next
    // WM_SIZE places the new bar.
    void SetDock(int mode);

    LRESULT CAlbumCtrlWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

protected:
    // Creates the scroll bar and the album for window w and loads the album the window's text
    // names. 0 when w is null, the album exists, or the class has no table entry.
    virtual int OnInitCtrl(HWND w);
    // Asks the parent to open the image of the thumbnail stored under fileName (0x501).
    virtual int OnDblClk(const char* fileName);

public:
    // Deletes the album (its windows and document). Declared after the handlers so that they keep
    // the first slots of the virtual table.
    virtual ~CAlbumCtrl();

private:
    void OnSize(UINT msg, WPARAM wParam, LPARAM lParam);
    void OnSizing(UINT msg, WPARAM wParam, LPARAM lParam);
    void DoKeydown(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT UpdateScrollPosition(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void OnAutoScrollTimer();
    void OnDragRecord(tagDRAGRECORD& record);
    void OnDropOnCell(CThumbView2* target, tagDRAGRECORD& record);
    // The album's cell at that address, or null: cell pointers arrive in message parameters.
    CThumbView2* OwnCell(LPARAM cell) const;

public:
    HWND m_hWnd;
    unsigned char m_bOwnedByWindow;
    HWND m_hScrollBar;
    CAlbum* m_pAlbum;
    CAlbumDoc2* m_pDragTable;     // copies of the thumbnails dragged out, between drag codes 1 and 2
    int m_nDockMode;
    int m_bAutoScroll;            // timer 1 runs while something is dragged over the control
};
