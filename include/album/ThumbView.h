// One cell of an album grid ("ThumbViewClass"): shows one thumbnail with its frame, marks and
// caption as the view record says, and turns mouse input into messages to its list window.
#pragma once

#include "Thumbnail.h"
#include "ViewCreateInfo.h"

class ALBUM_API CThumbView2 {
public:
    // Creates the cell window (at least 16 x 16) at rect's left/top, rect's right/bottom being
    // the width and height, and its tooltip when info.bToolTip is set. m_hWnd stays null when
    // the window cannot be created; every operation then does nothing.
    CThumbView2(HWND parent, RECT rect, tagAlbumViewCreateInfo& info);
    // Copies every field: a copy shows (and on destruction closes) the same window.
    CThumbView2(const CThumbView2& other);
    CThumbView2& operator=(const CThumbView2& other);

    CThumbnail2* GetThumbnail();
    // Shows t (or nothing for null) and repaints the whole cell; the tooltip is active only over
    // a thumbnail. Non-zero when repainted.
    int Attach(CThumbnail2* t);
    // Attach without the repaint: the cell is invalidated and painted when painting comes round
    // (the album paints a page of cells in one pass). Non-zero when the cell has a window.
    int SetThumbnail(CThumbnail2* t);
    // The thumbnail's own selected flag (the cell keeps none); without a thumbnail, nothing / 0.
    void SetSelect(int select);
    int IsSelect();
    // Invalidates the bands around the picture, not the picture itself.
    void InvalidateView();
    // Stock-object index to fill the cell with (-1: none). Returns the previous one.
    int SetThumbViewBkColor(int stockObject);
    void SetDragDrop(int dragDrop);

    // Message dispatch of the cell window (the class procedure finds the object in user data).
    LRESULT CThumbnailWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    // Clicks become WM_ALBUM_* messages to the parent (wParam the key flags, lParam this cell).
    // With drag-and-drop off the cell captures the mouse from a press to the next release.
    virtual void OnMouse(UINT msg, WPARAM wParam, LPARAM lParam);
    // Destroys the tooltip and closes the cell window; a cell whose window was already destroyed
    // with its parent closes nothing. Declared after OnMouse so that OnMouse keeps the first slot
    // of the virtual table.
    virtual ~CThumbView2();

    // Painting has one path: OnPaint and OnPaint_Net (WM_PAINT) and WM_PRINTCLIENT all go through
    // PaintTo, which paints the cell into any device context (tests, printing) and picks the
    // card painter for style 4. The DC's pen, brush, font, colours and modes are restored.
    void OnPaint();
    void OnPaint_Net();
    void PaintTo(HDC dc);
    // Caption of a plain cell (number, and with caption mode 1 the name) against client's right
    // and bottom, with the caption font already selected.
    void CThumbTextOut(HDC dc, RECT* client);
    // Caption of a card cell in the box, in color (0: the DC's text colour); makes its own font.
    void CThumbTextOut_Net(HDC dc, int x, int y, int width, int height, COLORREF color);
    // Relays mouse messages to the tooltip and answers its request for text ("%dx%d").
    void SetTip(UINT msg, WPARAM wParam, LPARAM lParam);
    // Creates the tooltip (one tool covering the cell); null when the cell already has one or
    // the tooltip cannot be made.
    HWND DoCreateTipWnd();

public:
    HWND m_hWnd;
    CThumbnail2* m_pThumbnail;     // not owned
    tagAlbumViewCreateInfo m_aci;
    RECT m_rcImage;                // where the picture was last drawn
    int m_bDragDrop;
    int m_nBkColor;                // stock-object index, -1 none
    HWND m_hTip;
    int m_bCaptured;
};

// Registers "ThumbViewClass" with the given instance: 1 on success.
ALBUM_API int CThumbviewRegister(HINSTANCE instance);
