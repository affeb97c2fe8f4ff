// Files dragged from other programs onto album manager windows and album controls: the drop mark
// on the cell under the cursor, and the insertion there.
#include "control/FileDrop.h"

#include "album/ThumbBuild.h"
#include "album/ThumbFit.h"
#include "control/AlbumManOps.h"
#include "control/ManagerWindow.h"
#include "imaging/OleDrag.h"
#include "vendor_standins/imgio/imgio.h"
#include "views/DropMark.h"

namespace {

class AlbumFileDrop final : public oledrag::FileDropHandler {
public:
    AlbumFileDrop(HWND window, CAlbumCtrl* control) : window_(window), control_(control) {}

    bool Over(POINT screen) override
    {
        CAlbum* album = Album();
        if (!album || !album->m_bDragDrop)
            return false;
        CThumbView2* cell = CellAt(screen);
        HWND cellWindow = cell ? cell->m_hWnd : nullptr;
        if (cellWindow != marked_) {
            Leave();
            if (cell && ShowDropMark(*cell))
                marked_ = cellWindow;
        }
        return true;
    }

    void Leave() override
    {
        if (CThumbView2* cell = OwnCell(marked_))
            RemoveDropMark(*cell);
        marked_ = nullptr;
    }

    void Drop(const std::vector<std::string>& paths, POINT screen) override
    {
        CAlbum* album = Album();
        if (!album || !album->m_bDragDrop)
            return;
        CThumbView2* cell = CellAt(screen);
        CThumbnail2* before = cell ? cell->m_pThumbnail : nullptr;
        if (CAlbumMan* m = Manager()) {
            InsertDroppedFiles(*m, paths, before);
            return;
        }
        // A control of its own (the editor's, the Find results): the pictures go straight in.
        const DroppedFiles dropped = SortDroppedPaths(paths);
        for (const std::string& file : dropped.images) {
            album::ThumbnailSource source;
            IMGIOOPTIONS options = {};
            const WORD w = album->m_Doc.m_wThumbWidth, h = album->m_Doc.m_wThumbHeight;
            if (!album::ReadForThumbnail(file.c_str(), w, h, &options, false, &source))
                continue;
            HGLOBAL picture = album::FitDibToBoxAs(source.image.get(), w, h, source.width, source.height);
            if (picture && !album->InsertFromThumbnail(picture, "", file.c_str(), before, WORD(source.width),
                                                       WORD(source.height)))
                GlobalFree(picture);
        }
    }

private:
    CAlbumMan* Manager() const
    {
        if (CAlbumMan* m = ManagerOfWindow(window_))
            return m;
        return control_ ? ManagerOfWindow(GetParent(control_->m_hWnd)) : nullptr;
    }
    CAlbumCtrl* Control() const
    {
        if (control_)
            return control_;
        CAlbumMan* m = ManagerOfWindow(window_);
        return m ? m->m_pCtrl : nullptr;
    }
    CAlbum* Album() const
    {
        CAlbumCtrl* c = Control();
        return c ? c->m_pAlbum : nullptr;
    }
    CThumbView2* OwnCell(HWND w) const
    {
        CAlbum* album = Album();
        if (!album || !w || !album->m_ppCells)
            return nullptr;
        for (int i = 0; i < album->m_nCount; ++i)
            if (album->m_ppCells[i] && album->m_ppCells[i]->m_hWnd == w)
                return album->m_ppCells[i];
        return nullptr;
    }
    CThumbView2* CellAt(POINT screen) const
    {
        HWND w = WindowFromPoint(screen);
        return OwnCell(w);
    }

    HWND window_;
    CAlbumCtrl* control_;
    HWND marked_ = nullptr;
};

} // namespace

void AttachAlbumFileDrop(HWND window, CAlbumCtrl* control)
{
    std::unique_ptr<oledrag::FileDropHandler> handler(new (std::nothrow) AlbumFileDrop(window, control));
    if (handler)
        oledrag::AttachFileDrop(window, std::move(handler));
}
