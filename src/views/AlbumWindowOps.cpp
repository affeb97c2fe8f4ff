// The album view model's window operations on real windows.
#include "album/Album.h"
#include "views/AlbumViewOps.h"
#include "views/CaptionNames.h"

namespace {

class WindowOps : public AlbumViewOps {
public:
    int Attach(CAlbum& album, int cell, CThumbnail2* t) override
    {
        // A cell that could not be created is skipped, as layout skips it.
        if (cell < 0 || cell >= album.m_nCount || !album.m_ppCells[cell])
            return 1;
        return album.m_ppCells[cell]->Attach(t);
    }
    int AttachLater(CAlbum& album, int cell, CThumbnail2* t) override
    {
        if (cell < 0 || cell >= album.m_nCount || !album.m_ppCells[cell])
            return 1;
        return album.m_ppCells[cell]->SetThumbnail(t);
    }
    int UpdateCells(CAlbum& album) override
    {
        // One pass over the list window and all its cells: far fewer round trips to the window
        // system than updating thirty cells one by one.
        if (!album.m_hWnd)
            return 1;
        if (album.m_aci.nCellStyle == ACI_CELL_CARD)
            captions::FillShownCaptions(album);
        return RedrawWindow(album.m_hWnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN) ? 1 : 0;
    }
    CThumbnail2* Shown(CAlbum& album, int cell) override
    {
        if (cell < 0 || cell >= album.m_nCount || !album.m_ppCells[cell])
            return nullptr;
        return album.m_ppCells[cell]->GetThumbnail();
    }
    void Invalidate(CAlbum& album, int cell, Repaint what) override
    {
        if (cell < 0 || cell >= album.m_nCount || !album.m_ppCells[cell])
            return;
        CThumbView2* view = album.m_ppCells[cell];
        if (what == Bands)
            view->InvalidateView();
        else if (view->m_hWnd)
            InvalidateRect(view->m_hWnd, nullptr, TRUE);
    }
    void SendToParent(CAlbum& album, UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (album.m_hWnd)
            SendMessageA(GetParent(album.m_hWnd), msg, wParam, lParam);
    }
    void Beep(CAlbum&) override { MessageBeep(0); }
};

WindowOps g_windowOps;

} // namespace

AlbumViewOps* WindowViewOps() { return &g_windowOps; }
