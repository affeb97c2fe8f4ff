// The album view model's window operations on real windows.
#include "album/Album.h"
#include "views/AlbumViewOps.h"
#include "views/CaptionNames.h"
#include "win/Gdi.h"

namespace {

// Paints each visible cell that waits for paint now, as its WM_PAINT would (background erased,
// then the cell's own painting), through one off-screen bitmap, and marks it painted. A page is
// so drawn with a few calls per cell instead of a round of paint messages per cell, which under
// Wine costs several times the drawing itself.
void PaintCellsNow(CAlbum& album)
{
    int width = 0, height = 0;
    for (int i = 0; i < album.m_nCount; ++i) {
        RECT r;
        CThumbView2* cell = album.m_ppCells[i];
        if (cell && cell->m_hWnd && GetClientRect(cell->m_hWnd, &r)) {
            width = r.right > width ? r.right : width;
            height = r.bottom > height ? r.bottom : height;
        }
    }
    if (width <= 0 || height <= 0)
        return;
    win::WindowDC screen(album.m_hWnd);
    if (!screen.dc())
        return;
    win::MemoryDC memory(screen.dc());
    win::Bitmap bitmap(CreateCompatibleBitmap(screen.dc(), width, height));
    if (!memory.dc() || !bitmap)
        return;
    win::SelectGuard select(memory.dc(), bitmap.get());
    for (int i = 0; i < album.m_nCount; ++i) {
        CThumbView2* cell = album.m_ppCells[i];
        HWND w = cell ? cell->m_hWnd : nullptr;
        RECT r;
        if (!w || !IsWindowVisible(w) || !GetUpdateRect(w, nullptr, FALSE) || !GetClientRect(w, &r) ||
            r.right <= 0 || r.bottom <= 0)
            continue;
        win::WindowDC dc(w);
        if (!dc.dc())
            continue;
        SendMessageA(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory.dc()), 0);
        cell->PaintTo(memory.dc());
        if (BitBlt(dc.dc(), 0, 0, r.right, r.bottom, memory.dc(), 0, 0, SRCCOPY))
            ValidateRect(w, nullptr);
    }
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
        // The list's own area first: it never paints over its cells, which are painted next.
        RedrawWindow(album.m_hWnd, nullptr, nullptr, RDW_UPDATENOW | RDW_NOCHILDREN);
        PaintCellsNow(album);
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
