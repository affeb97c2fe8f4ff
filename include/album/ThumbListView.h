// The window that holds an album's grid ("CThumbListView2"): nRows x nCols cells laid out with
// fixed gaps, snapped or stretched as the window is sized; the hub for the cells' messages.
#pragma once

#include "ThumbView.h"

class ALBUM_API CThumbListView2 {
public:
    // Attaching: for a window receiving WM_CREATE; owned by that window.
    CThumbListView2(HWND hwnd, tagAlbumViewCreateInfo& info);
    // Creating: makes a "CThumbListView2" child at rect's left/top, rect's right/bottom being the
    // width and height; owned by the caller.
    CThumbListView2(HWND parent, RECT rect, tagAlbumViewCreateInfo& info);
    // Copies share the cell array.
    CThumbListView2(const CThumbListView2& other);
    CThumbListView2& operator=(const CThumbListView2& other);

    tagAlbumViewCreateInfo* GetACI();
    // Adopts the record and lays the cells out again; the cell count, or 0 for no cells.
    int ResetLayout(tagAlbumViewCreateInfo info);
    // The size the window would snap to for the requested one (WM_SIZING from the bottom right).
    int AdjustWindowSize(int& width, int& height);
    void SetThumbViewBkColor(int stockObject);
    void SetDragDrop(int dragDrop);

    LRESULT ThumbListWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    virtual void OnCreate(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual void OnMouse(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual void OnSizing(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual void OnSize(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual void OnScroll(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual void OnDestroy(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual void OnKeyDown(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual void OnKeyUp(UINT msg, WPARAM wParam, LPARAM lParam);
    // Destroys the cells. Declared after the handlers so they keep their slots in the virtual table.
    virtual ~CThumbListView2();

protected:
    // Detaches the thumbnails of cells beyond the record's rows x columns.
    void EmptyCellsOutsideGrid();

public:
    HWND m_hWnd;
    int m_bOwnedByWindow;
    int m_nCount;
    CThumbView2** m_ppCells;       // row by row, index 0 top left; null entries possible
    tagAlbumViewCreateInfo m_aci;
    int m_bDragDrop;
    int m_nBkColor;                // stock-object index handed to the cells, -1 none
};

// Registers "CThumbListView2" with the given instance: 1 on success.
ALBUM_API int CThumbListViewRegister(HINSTANCE instance);
