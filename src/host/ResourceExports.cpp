// The exported functions for the resource album controls. Each takes the control object only from
// a live window of one of the four resource album classes; any other handle gives the failure
// value and touches nothing.
#include "album/AlbumExports.h"

#include "control/BrushAlbumCtrl.h"

int AddItemToAbmCtrl(HWND control)
{
    CBrushAlbumCtrl* c = BrushAlbumCtrlOf(control);
    return c ? c->AddItems() : 0;
}

int DeleteItemFromAbmCtrl(HWND control)
{
    CBrushAlbumCtrl* c = BrushAlbumCtrlOf(control);
    return c ? c->DeleteItems() : 0;
}

int SetCurrentBrushSelection(HWND control, int number)
{
    CBrushAlbumCtrl* c = BrushAlbumCtrlOf(control);
    CAlbum* album = c ? c->GetAlbum() : nullptr;
    return album ? album->SetCurrentFocus(number) : 0;
}

int GetCurrentBrushSelection(HWND control)
{
    CBrushAlbumCtrl* c = BrushAlbumCtrlOf(control);
    if (!c)
        return -1;
    CAlbum* album = c->GetAlbum();
    return album ? album->GetCurrentFocus() : 0;
}

int GetBrushCount(HWND control)
{
    CBrushAlbumCtrl* c = BrushAlbumCtrlOf(control);
    if (!c)
        return -1;
    CAlbum* album = c->GetAlbum();
    return album ? album->GetThumbNailCount() : 0;
}

int GetCurrentBrushFullPath(HWND control, char* path)
{
    CBrushAlbumCtrl* c = BrushAlbumCtrlOf(control);
    if (!c)
        return -1;
    CAlbum* album = c->GetAlbum();
    return album && path ? album->GetCurrentThumbNailFullPath(path) : 0;
}
