// A stand-in for the editor: a top-level "Lumicraft 2000" window that loads album.dll and shows
// an album in grid windows of each cell style, logging what the album windows send it.
// Usage: albumhost.exe [ALBUM.abm]
#include <windows.h>
#include <stdio.h>
#include <string>
#include <vector>
#include "album.h"

namespace {

struct Pane {
    const char* title;
    tagAlbumViewCreateInfo aci;
    CThumbListView2* list = nullptr;
};

CAlbumDoc2* g_album = nullptr;
std::vector<Pane> g_panes;
HWND g_status = nullptr;

tagAlbumViewCreateInfo Record(int style, int caption, int space)
{
    tagAlbumViewCreateInfo aci = {};
    aci.nRows = 2;
    aci.nCols = 3;
    aci.nHSpace = aci.nVSpace = space;
    aci.nScrollDir = 1;
    aci.nSelectMode = 2;
    aci.nCellStyle = style;
    aci.nSizeMode = 1;
    aci.nCaption = caption;
    aci.nBkMode = 2;
    aci.bToolTip = 1;
    LOGFONTA& f = aci.lfCaption;
    f.lfHeight = style == 4 ? -9 : -12;
    f.lfWeight = FW_NORMAL;
    f.lfOutPrecision = OUT_STROKE_PRECIS;
    f.lfClipPrecision = CLIP_STROKE_PRECIS;
    f.lfQuality = DRAFT_QUALITY;
    f.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    lstrcpyA(f.lfFaceName, "Arial");
    return aci;
}

// Shows the album's first thumbnails in every pane, with a few selected, one focused and one
// marked as missing, so each mark can be seen.
void Fill()
{
    for (size_t p = 0; p < g_panes.size(); ++p) {
        CThumbListView2* list = g_panes[p].list;
        if (!list)
            continue;
        for (int i = 0; i < list->m_nCount; ++i) {
            CThumbnail2* t = g_album ? g_album->GetThumbnail(int(p) + i + 1) : nullptr;
            if (list->m_ppCells[i])
                list->m_ppCells[i]->Attach(t);
        }
    }
}

void Mark()
{
    if (!g_album)
        return;
    for (int i = 1; i <= g_album->GetCount(); ++i) {
        CThumbnail2* t = g_album->GetThumbnail(i);
        t->m_bSelect = (i % 3 == 2);
        t->m_bFocus = (i == 3);
        t->m_bExist = (i != 4);
    }
}

LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE: {
        // Four panes, two by two, each with its caption above it.
        const int width = 330, height = 260;
        for (size_t i = 0; i < g_panes.size(); ++i) {
            const int x = 10 + int(i % 2) * (width + 20), y = 34 + int(i / 2) * (height + 34);
            CreateWindowExA(0, "STATIC", g_panes[i].title, WS_CHILD | WS_VISIBLE, x, y - 18, width, 16, hwnd,
                            nullptr, nullptr, nullptr);
            g_panes[i].list = new CThumbListView2(hwnd, RECT{x, y, width, height}, g_panes[i].aci);
        }
        g_status = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 10, 2, 680, 14, hwnd, nullptr, nullptr,
                                   nullptr);
        return 0;
    }
    case WM_ALBUM_OPEN:
    case WM_ALBUM_CELLDOWN:
    case WM_ALBUM_CELLUP:
    case WM_ALBUM_MENU:
    case WM_ALBUM_LAYOUT: {
        char text[128];
        snprintf(text, sizeof text, "received 0x%X", msg);
        SetWindowTextA(g_status, text);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

} // namespace

int main(int argc, char** argv)
{
    HINSTANCE album = GetModuleHandleA("album.dll");
    CThumbviewRegister(album);
    CThumbListViewRegister(album);

    if (argc > 1) {
        g_album = new CAlbumDoc2;
        g_album->SetAutoCheck(0);
        if (!g_album->Load(argv[1]))
            fprintf(stderr, "cannot read album %s\n", argv[1]);
    }
    Mark();

    // Card cells carry their own frame and caption strip, so they sit without spacing.
    g_panes = {{"No frame, number and name", Record(1, 1, 8)},
               {"Black frame, number", Record(2, 2, 8)},
               {"Raised frame, number and name", Record(3, 1, 8)},
               {"Card", Record(4, 1, 0)}};

    WNDCLASSA wc = {};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "Lumicraft 2000";
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowExA(0, "Lumicraft 2000", "Lumicraft 2000 - album host", WS_OVERLAPPEDWINDOW, 0, 0, 720,
                                660, nullptr, nullptr, wc.hInstance, nullptr);
    Fill();
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);

    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    for (Pane& pane : g_panes)
        delete pane.list;
    delete g_album;
    return 0;
}
