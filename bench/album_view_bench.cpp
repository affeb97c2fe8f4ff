// Album view benchmark with real windows: Page Down through a large album, repaint included, and
// selecting everything with Shift+End followed by RemoveSelected at growing sizes.
// Paging is measured against a baseline, step by step in the same run (absolute times swing with
// the machine's load): after each press the same page (30 cells of 96 x 72 pictures with a frame,
// number and name) is drawn straight into 30 child windows of the bench's own (GetDC, draw,
// ValidateRect), beside the album on the screen.
// Run: xvfb-run -a -s "-screen 0 1600x1200x24" scripts/wine-run.sh build/x64/bin/album_view_bench.exe
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <algorithm>
#include <string>
#include <vector>
#include "album/Album.h"
#include "album/AlbumMessages.h"
#include "win/Module.h"
#include "views/ViewCreateInfo.h"
#include "win/Handles.h"
#include "BenchClock.h"

namespace {

void Pump()
{
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
}

// The album's size: 6 columns and 5 rows of cells 110 x 100, which show a 96 x 72 picture whole
// in every cell style.
const int kAlbumWidth = 660, kAlbumHeight = 500, kPictureWidth = 96, kPictureHeight = 72;

HWND MakeParent(int x = 0)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "AlbumViewBenchParent";
    RegisterClassA(&wc);
    HWND w = CreateWindowExA(0, wc.lpszClassName, "bench", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, x, 0,
                             kAlbumWidth + 60, kAlbumHeight + 60, nullptr, nullptr, wc.hInstance, nullptr);
    ShowWindow(w, SW_SHOW);
    UpdateWindow(w);
    return w;
}

// A 24-bit picture whose pixels vary, so drawing is not trivially cheap.
HGLOBAL Picture(int width, int height, unsigned seed)
{
    const size_t stride = ((size_t(width) * 3 + 3) / 4) * 4;
    HGLOBAL g = win::GlobalBlock::Allocate(40 + stride * size_t(height), true).release();
    auto* p = static_cast<unsigned char*>(GlobalLock(g));
    auto* h = reinterpret_cast<BITMAPINFOHEADER*>(p);
    h->biSize = 40;
    h->biWidth = width;
    h->biHeight = height;
    h->biPlanes = 1;
    h->biBitCount = 24;
    for (size_t i = 40; i < 40 + stride * size_t(height); ++i)
        p[i] = static_cast<unsigned char>(seed * 37u + i * 11u);
    GlobalUnlock(g);
    return g;
}
HGLOBAL Picture(int side, unsigned seed) { return Picture(side, side, seed); }

// Where Fill's thumbnails say their sources are: a folder that does not exist unless a run made
// one (card captions then show the short names of real files).
std::string g_sources = "C:\\photos\\trip";
const char* g_pattern = "%s\\IMG_%05d.jpg";

// Makes count empty files with long names in a folder under the temporary folder, for captions.
void MakeSourceFiles(int count)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    g_sources = std::string(temp) + "album_view_bench_sources";
    g_pattern = "%s\\holiday picture number %05d.jpg";
    CreateDirectoryA(g_sources.c_str(), nullptr);
    for (int i = 1; i <= count; ++i) {
        char name[MAX_PATH];
        snprintf(name, sizeof name, g_pattern, g_sources.c_str(), i);
        HANDLE f = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        if (f != INVALID_HANDLE_VALUE)
            CloseHandle(f);
    }
}

void Fill(CAlbum& album, int count)
{
    for (int i = 1; i <= count; ++i) {
        tagALBUMINFOHEADER r = {};
        snprintf(r.szFileName, sizeof r.szFileName, g_pattern, g_sources.c_str(), i);
        r.wBitCount = 24;
        r.wThumbWidth = kPictureWidth;
        r.wThumbHeight = kPictureHeight;
        r.wWidth = 1024;
        r.wHeight = 768;
        album.m_Doc.Insert(new CThumbnail2(&r, Picture(kPictureWidth, kPictureHeight, unsigned(i)), 0, 1), nullptr);
    }
    album.UpDataThumbListView(-1);
}

void SetShift(bool down)
{
    BYTE keys[256] = {};
    keys[VK_SHIFT] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

struct Album : CAlbum {
    Album(HWND parent, tagAlbumViewCreateInfo& aci) : CAlbum(parent, RECT{0, 0, kAlbumWidth, kAlbumHeight}, aci) {}
    ~Album() override { DestroyWindow(m_hWnd); }
};

// The baseline: the album's page drawn straight into child windows of the bench's own, placed as
// the album's cells, with no more than a grid must do per cell: GetDC, the picture, a frame, the
// number and the name, ValidateRect.
class Baseline {
public:
    Baseline(HWND parent, const CAlbum& album) : font_(CreateFontIndirectA(&album.m_aci.lfCaption))
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "AlbumViewBenchBaselineCell";
        RegisterClassA(&wc);
        for (int i = 0; i < album.m_nCount; ++i) {
            RECT r;
            GetWindowRect(album.m_ppCells[i]->m_hWnd, &r);
            MapWindowPoints(nullptr, album.m_hWnd, reinterpret_cast<POINT*>(&r), 2);
            cells_.push_back(CreateWindowExA(0, wc.lpszClassName, "", WS_CHILD | WS_VISIBLE, r.left, r.top,
                                             r.right - r.left, r.bottom - r.top, parent, nullptr, wc.hInstance,
                                             nullptr));
        }
        UpdateWindow(parent);
    }
    ~Baseline()
    {
        for (HWND w : cells_)
            DestroyWindow(w);
        DeleteObject(font_);
    }

    // Draws the thumbnails from first on (as many as there are cells); milliseconds taken.
    double Draw(CAlbum& album, int first)
    {
        const double t0 = Now();
        CThumbnail2* t = album.m_Doc.GetThumbnail(first);
        for (HWND w : cells_) {
            RECT c;
            GetClientRect(w, &c);
            HDC dc = GetDC(w);
            FillRect(dc, &c, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
            if (t && t != album.m_Doc.m_pEnd) {
                auto* info = static_cast<BITMAPINFO*>(GlobalLock(t->GetDib()));
                const int x = (c.right - kPictureWidth) / 2, y = 6;
                StretchDIBits(dc, x, y, kPictureWidth, kPictureHeight, 0, 0, kPictureWidth, kPictureHeight,
                              reinterpret_cast<BYTE*>(info) + 40, info, DIB_RGB_COLORS, SRCCOPY);
                GlobalUnlock(t->GetDib());
                HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
                Rectangle(dc, x - 2, y - 2, x + kPictureWidth + 2, y + kPictureHeight + 2);
                SelectObject(dc, oldBrush);
                HGDIOBJ oldFont = SelectObject(dc, font_);
                SetBkMode(dc, TRANSPARENT);
                char number[16];
                snprintf(number, sizeof number, "%d", t->GetID());
                RECT line = {0, y + kPictureHeight + 2, c.right, y + kPictureHeight + 14};
                DrawTextA(dc, number, -1, &line, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
                const char* name = strrchr(t->m_Info.szFileName, '\\');
                OffsetRect(&line, 0, 12);
                DrawTextA(dc, name ? name + 1 : t->m_Info.szFileName, -1, &line,
                          DT_CENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
                SelectObject(dc, oldFont);
                t = t->m_pNext;
            }
            ValidateRect(w, nullptr);
            ReleaseDC(w, dc);
        }
        GdiFlush();
        return (Now() - t0) * 1000.0;
    }

private:
    HFONT font_;
    std::vector<HWND> cells_;
};

double Percentile(std::vector<double> v, int percent)
{
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, v.size() * size_t(percent) / 100)];
}

void PageDown(HWND parent, HWND baselineParent, int count, tagAlbumViewCreateInfo aci, const char* what)
{
    Album album(parent, aci);
    Fill(album, count);
    Baseline baseline(baselineParent, album);
    Pump();
    std::vector<double> ms, base;
    const double start = Now();
    for (;;) {
        const int before = album.GetFirstViewNailID();
        const double t0 = Now();
        SendMessageA(album.m_hWnd, WM_KEYDOWN, VK_NEXT, 1);
        UpdateWindow(album.m_hWnd);
        GdiFlush();
        ms.push_back((Now() - t0) * 1000.0);
        if (album.GetFirstViewNailID() == before)
            break; // the last page: that press only beeped
        base.push_back(baseline.Draw(album, album.GetFirstViewNailID()));
    }
    const double total = Now() - start;
    if (ms.size() < 2)
        return (void)printf("Page Down, %d thumbnails: did not scroll\n", count);
    ms.pop_back(); // the closing press beeped
    const double median = Percentile(ms, 50), p95 = Percentile(ms, 95);
    const double baseMedian = Percentile(base, 50), base95 = Percentile(base, 95);
    const double r50 = median / baseMedian, r95 = p95 / base95;
    printf("Page Down, %d thumbnails, %d %s: %zu pages in %.2f s\n", count, album.m_nCount, what, ms.size(), total);
    printf("  per page median %.2f ms, 95th %.2f ms, max %.2f ms; baseline median %.2f ms, 95th %.2f ms\n", median,
           p95, Percentile(ms, 100), baseMedian, base95);
    printf("  ratio to the baseline: median %.2fx (goal: at most 1.25x) %s, 95th %.2fx (goal: at most 2x) %s\n", r50,
           r50 <= 1.25 ? "met" : "MISSED", r95, r95 <= 2.0 ? "met" : "MISSED");

    // Where the time goes: repainting the same page with nothing changed, and the model alone.
    const int rounds = 50;
    double t0 = Now();
    for (int i = 0; i < rounds; ++i) {
        RedrawWindow(album.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        UpdateWindow(album.m_hWnd);
        for (int c = 0; c < album.m_nCount; ++c)
            UpdateWindow(album.m_ppCells[c]->m_hWnd);
    }
    const double repaint = (Now() - t0) * 1000.0 / rounds;
    CAlbum model(nullptr, aci); // no window and no cells: the scrolling arithmetic and attaching walk only
    Fill(model, count);
    int pages = 0;
    t0 = Now();
    for (int before = 0; before != model.GetFirstViewNailID(); ++pages) {
        before = model.GetFirstViewNailID();
        model.OnKeyDown(WM_KEYDOWN, VK_NEXT, 1);
    }
    printf("  repainting one page unchanged: %.2f ms (%.3f ms per cell); the model alone: %.2f us per page\n", repaint,
           repaint / album.m_nCount, (Now() - t0) * 1e6 / pages);
}

void SelectAllAndRemove(HWND parent, int count)
{
    tagAlbumViewCreateInfo aci = ManagerCtrlViewInfo(5, 6);
    Album album(parent, aci);
    Fill(album, count);
    album.SetCurrentFocus(1);
    Pump();
    SetShift(true);
    double t0 = Now();
    SendMessageA(album.m_hWnd, WM_KEYDOWN, VK_SHIFT, 1);
    SendMessageA(album.m_hWnd, WM_KEYDOWN, VK_END, 1);
    UpdateWindow(album.m_hWnd);
    const double select = Now() - t0;
    SendMessageA(album.m_hWnd, WM_KEYUP, VK_SHIFT, 1);
    SetShift(false);
    int selected = 0;
    for (CThumbnail2* t = album.m_Doc.m_pEnd->m_pNext; t != album.m_Doc.m_pEnd; t = t->m_pNext)
        selected += t->m_bSelect;
    t0 = Now();
    const int removed = album.RemoveSelected(0);
    UpdateWindow(album.m_hWnd);
    const double remove = Now() - t0;
    // The same without a window: what the removal itself costs, the repaint left out.
    CAlbum model(nullptr, aci);
    Fill(model, count);
    model.SetCurrentFocus(1);
    SetShift(true);
    model.OnKeyDown(WM_KEYDOWN, VK_SHIFT, 1);
    model.OnKeyDown(WM_KEYDOWN, VK_END, 1);
    SetShift(false);
    t0 = Now();
    const int modelRemoved = model.RemoveSelected(0);
    const double modelRemove = Now() - t0;
    printf("%6d thumbnails: Shift+End selected %d in %.2f ms; RemoveSelected %s in %.2f ms with the repaint, "
           "%.2f ms without a window (%.3f us per thumbnail), %d left\n",
           count, selected, select * 1000.0, removed && modelRemoved ? "ok" : "FAILED", remove * 1000.0,
           modelRemove * 1000.0, modelRemove * 1e6 / count, album.GetThumbNailCount() + model.GetThumbNailCount());
}

// Pasting: count thumbnails (a table, as the clipboard holds them) into an album of albumCount,
// before the focus in the middle, repaint included.
void Paste(HWND parent, int albumCount, int count)
{
    tagAlbumViewCreateInfo aci = ManagerCtrlViewInfo(5, 6);
    Album album(parent, aci);
    Fill(album, albumCount);
    if (albumCount)
        album.SetCurrentFocus(albumCount / 2);
    Pump();
    CThumbTable2 table;
    for (int i = 1; i <= count; ++i) {
        tagALBUMINFOHEADER r = {};
        snprintf(r.szFileName, sizeof r.szFileName, "C:\\photos\\pasted\\P_%05d.jpg", i);
        r.wBitCount = 24;
        r.wThumbWidth = r.wThumbHeight = 32;
        table.Insert(new CThumbnail2(&r, Picture(32, unsigned(i)), 0, 1), nullptr);
    }
    const double t0 = Now();
    const int inserted = album.InsertFromTable(&table, nullptr);
    UpdateWindow(album.m_hWnd);
    const double took = Now() - t0;
    printf("Pasting %d thumbnails into an album of %d (before the focus), repaint included: %.3f s (%.1f us per "
           "thumbnail), %d inserted (goal: 10,000 in < 1 s)\n",
           count, albumCount, took, took * 1e6 / count, inserted);
}

} // namespace

int main(int argc, char** argv)
{
    CThumbviewRegister(AlbumInstance());
    CThumbListViewRegister(AlbumInstance());
    HWND parent = MakeParent();
    HWND baselineParent = MakeParent(kAlbumWidth + 80);
    // "paste N": only the paste, of N thumbnails into an album of N.
    if (argc > 2 && !strcmp(argv[1], "paste")) {
        Paste(parent, atoi(argv[2]), atoi(argv[2]));
        DestroyWindow(parent);
        return 0;
    }
    PageDown(parent, baselineParent, 10000, ManagerCtrlViewInfo(5, 6), "card cells with captions, sources missing");
    MakeSourceFiles(10000);
    PageDown(parent, baselineParent, 10000, ManagerCtrlViewInfo(5, 6), "card cells with captions, sources on disk");
    const struct {
        int style;
        const char* what;
    } others[] = {{ACI_CELL_RAISED, "raised cells with numbers"},
                  {ACI_CELL_PLAIN, "plain cells with numbers"},
                  {ACI_CELL_BLACK, "black cells with numbers"}};
    for (const auto& o : others) {
        tagAlbumViewCreateInfo aci = ManagerCtrlViewInfo(5, 6);
        aci.nCellStyle = o.style;
        aci.nCaption = ACI_CAPTION_NUMBER;
        PageDown(parent, baselineParent, 10000, aci, o.what);
    }
    DestroyWindow(baselineParent);
    if (argc > 1 && !strcmp(argv[1], "page")) { // paging only
        DestroyWindow(parent);
        return 0;
    }
    for (int n : {1000, 5000, 10000, 20000, 100000})
        SelectAllAndRemove(parent, n);
    Paste(parent, 1000, 1000);
    Paste(parent, 10000, 10000);
    DestroyWindow(parent);
    return 0;
}
