// Dragging many selected thumbnails from one album control to another: the drop sequence as the
// drag transport sends it (fetch to the source, drop to the target, done to the source), then the
// repaint of both controls. Run: xvfb-run -a scripts/wine-run.sh build/x64/bin/control_drag_bench.exe
#include <windows.h>
#include <stdio.h>
#include "album/AlbumCtrl.h"
#include "album/AlbumMessages.h"
#include "win/Module.h"
#include "imaging/DragDrop.h"
#include "win/Handles.h"
#include "BenchClock.h"

namespace {

HWND MakeParent()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "ControlDragBenchParent";
    RegisterClassA(&wc);
    HWND w = CreateWindowExA(0, wc.lpszClassName, "bench", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 760, 560,
                             nullptr, nullptr, wc.hInstance, nullptr);
    ShowWindow(w, SW_SHOW);
    UpdateWindow(w);
    return w;
}

HGLOBAL Picture(int side, unsigned seed)
{
    const size_t stride = ((size_t(side) * 3 + 3) / 4) * 4;
    HGLOBAL g = win::GlobalBlock::Allocate(40 + stride * size_t(side), true).release();
    auto* p = static_cast<unsigned char*>(GlobalLock(g));
    auto* h = reinterpret_cast<BITMAPINFOHEADER*>(p);
    h->biSize = 40;
    h->biWidth = h->biHeight = side;
    h->biPlanes = 1;
    h->biBitCount = 24;
    for (size_t i = 40; i < 40 + stride * size_t(side); ++i)
        p[i] = static_cast<unsigned char>(seed * 37u + i * 11u);
    GlobalUnlock(g);
    return g;
}

// An album file of count thumbnails, loaded into the control.
void Fill(CAlbumCtrl* control, const char* prefix, int count)
{
    CAlbumDoc2 doc;
    for (int i = 1; i <= count; ++i) {
        tagALBUMINFOHEADER r = {};
        snprintf(r.szFileName, sizeof r.szFileName, "C:\\photos\\%s_%05d.jpg", prefix, i);
        r.wThumbWidth = r.wThumbHeight = 64;
        HGLOBAL image = Picture(64, unsigned(i));
        r.dwDibSize = DWORD(GlobalSize(image));
        doc.Insert(new CThumbnail2(&r, image, 0, 1), nullptr);
    }
    char path[MAX_PATH];
    GetTempPathA(sizeof path, path);
    lstrcatA(path, "control_drag_bench.abm");
    doc.Save(path);
    control->GetAlbum()->m_Doc.SetAutoCheck(0);
    control->GetAlbum()->Load(path);
    DeleteFileA(path);
}

void SelectAll(CAlbum* album)
{
    album->SetCurrentFocus(1);
    BYTE keys[256] = {};
    keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
    album->OnKeyDown(WM_KEYDOWN, VK_SHIFT, 1);
    album->OnKeyDown(WM_KEYDOWN, VK_END, 1);
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
}

void Send(HWND to, int code)
{
    tagDRAGRECORD* r = DragRecord();
    r->nCode = code;
    r->nKind = DRAG_KIND_THUMBNAILS;
    r->bHandled = 0;
    SendMessageA(to, WM_ALBUM_DRAG, 0, reinterpret_cast<LPARAM>(r));
}

void Run(HWND parent, int count, int held)
{
    HWND left = CreateWindowExA(0, "ManDlgAlbumCtrl", "", WS_CHILD | WS_VISIBLE, 0, 0, 360, 500, parent, nullptr,
                                AlbumInstance(), nullptr);
    HWND right = CreateWindowExA(0, "ManDlgAlbumCtrl", "", WS_CHILD | WS_VISIBLE, 380, 0, 360, 500, parent, nullptr,
                                 AlbumInstance(), nullptr);
    auto* source = reinterpret_cast<CAlbumCtrl*>(GetWindowLongPtrA(left, GWLP_USERDATA));
    auto* target = reinterpret_cast<CAlbumCtrl*>(GetWindowLongPtrA(right, GWLP_USERDATA));
    Fill(source, "src", count);
    Fill(target, "dst", held);
    SelectAll(source->GetAlbum());
    UpdateWindow(parent);

    const double t0 = Now();
    Send(left, DRAG_CODE_FETCH);
    const double t1 = Now();
    Send(right, DRAG_CODE_DROP);
    const double t2 = Now();
    DragRecord()->nResult = DRAG_RESULT_ACCEPTED;
    Send(left, DRAG_CODE_DONE);
    const double t3 = Now();
    UpdateWindow(parent);
    RedrawWindow(parent, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    const double t4 = Now();
    printf("%5d thumbnails into an album of %d: fetch %.1f ms, drop %.1f ms, removal at the source %.1f ms, "
           "repaint %.1f ms; drop to repaint %.1f ms (%.1f us per thumbnail); now %d and %d\n",
           count, held, (t1 - t0) * 1e3, (t2 - t1) * 1e3, (t3 - t2) * 1e3, (t4 - t3) * 1e3, (t4 - t1) * 1e3,
           (t4 - t1) * 1e6 / count, source->GetAlbum()->GetThumbNailCount(), target->GetAlbum()->GetThumbNailCount());
    DestroyWindow(left);
    DestroyWindow(right);
}

} // namespace

int main()
{
    CAlbumCtrl::Register(AlbumInstance());
    HWND parent = MakeParent();
    for (int n : {100, 1000})
        Run(parent, n, 200);
    Run(parent, 1000, 0);
    DestroyWindow(parent);
    return 0;
}
