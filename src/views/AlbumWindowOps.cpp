// The album view model's window operations on real windows.
#include <windows.h>
#include <commctrl.h>
#include <algorithm>
#include <vector>
#include "album/Album.h"
#include "views/AlbumViewOps.h"
#include "views/CaptionNames.h"
#include "win/Gdi.h"

namespace {

// Cells given a thumbnail since the album last painted its page (on this thread): the page path
// paints them itself, so they are not invalidated one by one and then asked for their update
// regions, which under Wine costs a round trip to the server per cell and more than drawing them.
thread_local std::vector<CThumbView2*> t_pending;

// Shows t in the cell without invalidating it; the tooltip is active only over a thumbnail.
void ShowUnpainted(CThumbView2& cell, CThumbnail2* t)
{
    const bool wasShown = cell.m_pThumbnail != nullptr;
    cell.m_pThumbnail = t;
    if (cell.m_hTip && wasShown != (t != nullptr))
        SendMessageA(cell.m_hTip, TTM_ACTIVATE, t ? TRUE : FALSE, 0);
}

// Paints the album's pending cells now, as their WM_PAINT would (background erased, then the
// cell's own painting), straight into each cell's window; a cell that cannot be painted here is
// invalidated and paints the usual way.
void PaintPendingCells(CAlbum& album)
{
    const bool visible = album.m_hWnd && IsWindowVisible(album.m_hWnd);
    for (int i = 0; i < album.m_nCount; ++i) {
        CThumbView2* cell = album.m_ppCells[i];
        auto it = cell ? std::find(t_pending.begin(), t_pending.end(), cell) : t_pending.end();
        if (it == t_pending.end())
            continue;
        *it = t_pending.back();
        t_pending.pop_back();
        HWND w = cell->m_hWnd;
        if (!w)
            continue;
        win::WindowDC dc(visible ? w : nullptr);
        if (!dc.dc()) {
            InvalidateRect(w, nullptr, TRUE);
            continue;
        }
        SendMessageA(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc.dc()), 0);
        cell->PaintTo(dc.dc());
    }
    // Cells of albums that went before painting (never looked at again, only compared).
    if (t_pending.size() > 4096)
        t_pending.clear();
}

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
        CThumbView2* view = album.m_ppCells[cell];
        if (!view->m_hWnd)
            return 0;
        ShowUnpainted(*view, t);
        try {
            if (std::find(t_pending.begin(), t_pending.end(), view) == t_pending.end())
                t_pending.push_back(view);
        } catch (...) {
            InvalidateRect(view->m_hWnd, nullptr, TRUE); // painted the usual way
        }
        return 1;
    }
    int UpdateCells(CAlbum& album) override
    {
        // One pass over the list window and all its cells: far fewer round trips to the window
        // system than updating thirty cells one by one.
        if (!album.m_hWnd)
            return 1;
        if (album.m_aci.nCellStyle == ACI_CELL_CARD)
            captions::FillShownCaptions(album);
        // The list's own area first: it never paints over its cells, which are painted next.
        RedrawWindow(album.m_hWnd, nullptr, nullptr, RDW_UPDATENOW | RDW_NOCHILDREN);
        PaintPendingCells(album);
        // Whatever is still invalid (a cell that could not be painted here) the usual way.
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
