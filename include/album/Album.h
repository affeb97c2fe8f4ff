// One open album as the user sees it: an album document shown in a grid of cells, with the
// first shown thumbnail, the selection, the focus, and the mouse, key and scroll handling.
#pragma once

#include "AlbumDoc.h"
#include "ThumbListView.h"
#include <commdlg.h>

class AlbumViewOps;

class ALBUM_API CAlbum : public CThumbListView2 {
public:
    // Attaching: binds to a window receiving WM_CREATE; owned by that window.
    CAlbum(HWND hwnd, tagAlbumViewCreateInfo& info);
    // Creating: makes the list window as a child of parent; owned by the caller.
    CAlbum(HWND parent, RECT rect, tagAlbumViewCreateInfo& info);
    // Shallow copies, the document included (both then share one thumbnail list).
    CAlbum(const CAlbum& other);
    CAlbum& operator=(const CAlbum& other);
    // Destroys the document (every thumbnail), then the cells.
    ~CAlbum() override;

    // Shows the album file at path from its first thumbnail, nothing selected; 0 when it cannot
    // be read, and then the album shown before stays as it was.
    int Load(const char* path);
    int Save(const char* path);
    void FreeAlbumData();
    // Attaches the thumbnails from the first shown one to the cells (from number n when it is
    // shown, or -1 for all). 0 when a cell could not be updated.
    int UpDataThumbListView(int n);
    // Makes thumbnail n current as if it were clicked (scrolling to it first).
    int SetCurrentFocus(int n);
    int GetCurrentFocus();
    int GetCurrentThumbNailFullPath(char* out);
    int HaveSel();
    char* GetDescription();
    void SetDescription(const char* text);
    int GetThumbNailCount();
    int GetFirstViewNailID();
    // The cell under a point in screen coordinates, or null.
    CThumbView2* GetThumbViewByPos(int x, int y);
    // Prints the thumbnails (selection 1: only the selected ones; names 1: with file names) in
    // boxes of width x height sixteenths of an inch on the printer of the record (the default
    // printer when it names none), showing the pages in a window with a Cancel button. 1 when
    // printed; 0 when no printer could be had or the job failed; -1 when the user cancelled it.
    int Print(const char* document, int selection, int names, int width, int height, tagPDA printer);

    // Content operations.
    int RefreshAlbum();
    int InsertFromThumbnail(HGLOBAL dib, const char* description, const char* path, CThumbnail2* before,
                            WORD width, WORD height);
    int InsertFromTable(CThumbTable2* source, CThumbnail2* before);
    int RemoveSelected(int deleteFiles);
    int DoExchange(CThumbView2* target);
    int GetDragDate(CAlbumDoc2* destination);
    int SortByName(int reverse);
    int SortByType(int reverse);
    int SortBySize(int reverse);
    int SortByDate(int reverse);
    int SortByDesc(int reverse);
    // Full paths as one fixed global block of 260-character slots the caller frees.
    int GetImageList(int& count, char (*&list)[MAX_PATH]);
    int GetSelectImageList(int& count, char (*&list)[MAX_PATH]);

    void OnMouse(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnScroll(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnKeyDown(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnKeyUp(UINT msg, WPARAM wParam, LPARAM lParam) override;

protected:
    // Selection primitives. The cell forms take the index of the cell showing the thumbnail.
    void Select(CThumbnail2* t);
    void Select(CThumbView2* cell);
    void Deselect(CThumbnail2* t);
    void Deselect(CThumbView2* cell);
    void DeselectAll();
    void SetThumbviewFocus(CThumbnail2* t);
    void OnSelect(WPARAM keys, CThumbView2* cell);
    void DoLRUD(int key, int shift);

    // The same rules on cell indices, so they run without windows.
    void SelectAt(int cell, CThumbnail2* t);
    void DeselectAt(int cell, CThumbnail2* t);
    void OnSelectAt(WPARAM keys, int cell, CThumbnail2* t);
    void HandleClick(UINT msg, WPARAM keys, int cell, CThumbnail2* t);
    int ExchangeWith(CThumbnail2* target);
    static int SortAndShow(CAlbum& album, int key, int reverse);

    // Grid terms: cells, line length, page lines; the cell of the k-th shown thumbnail.
    int CellTotal() const;
    int LineLength() const;
    int PageLines() const;
    int CellOfPosition(int k) const;
    bool IsShown(int number) const;
    // The cell showing thumbnail number n, or -1.
    int CellOfNumber(int number) const;
    int IndexOfCell(CThumbView2* cell) const;
    void RepaintNumber(int number, bool whole);
    // Empties every cell that shows a thumbnail (only selected ones when selectedOnly) before
    // those thumbnails are destroyed.
    void DetachCells(bool selectedOnly);
    void ScrollTo(int firstNumber);

public:
    CAlbumDoc2 m_Doc;
    CThumbnail2* m_pFirstShown;
    int m_nFirstShown;
    CThumbnail2* m_pSelHead;
    int m_nSelHead;
    int m_nSelectMode;      // 1: the next cell selection replaces the selection; else it adds
    int m_bPendingSelect;
    CThumbnail2* m_pFocus;
    CThumbnail2* m_pShiftAnchor;
    // The four window operations the rules need (attach, repaint, tell the parent, beep); tests
    // put their own in place.
    AlbumViewOps* m_pOps;
};
