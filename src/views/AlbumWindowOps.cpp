// The album view model's window operations on real windows.
#include "album/Album.h"
#include "views/AlbumViewOps.h"

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
