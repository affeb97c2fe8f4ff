// The album views to look at: a window that shows an album in an album view (and small grids of
// every cell style), reporting what the views send it on its top line.
// Usage: albumviews.exe ALBUM.abm [--styles] [--exercise] [--controls]
//   --styles    also show the album's first thumbnails in grids of every cell style
//   --exercise  click, Ctrl-click and page through the album as a user would, for a screenshot
//   --controls  show the album in two album controls instead, the right one docked
#include <windows.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>
#include "album.h"

namespace {

struct Host {
    std::string albumPath;
    bool styles = false;
    bool exercise = false;
    bool controls = false;
    CAlbum* album = nullptr;
    std::vector<CThumbListView2*> panes;
    CAlbumDoc2 styleDoc;
    HWND status = nullptr;
};
Host g_host;

tagAlbumViewCreateInfo Record(int rows, int cols, int style, int caption, int space)
{
    tagAlbumViewCreateInfo aci = {};
    aci.nRows = rows;
    aci.nCols = cols;
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

void Status(const char* text) { SetWindowTextA(g_host.status, text); }

// What a user does: a click, two Ctrl-clicks, a page down, a Shift+Right.
void Exercise(CAlbum& album)
{
    HWND list = album.m_hWnd;
    auto click = [&](int cell, WPARAM keys) {
        if (cell < album.m_nCount && album.m_ppCells[cell]) {
            LPARAM from = reinterpret_cast<LPARAM>(album.m_ppCells[cell]);
            SendMessageA(list, WM_ALBUM_CELLDOWN, keys, from);
            SendMessageA(list, WM_ALBUM_CELLUP, keys, from);
        }
    };
    SendMessageA(list, WM_KEYDOWN, VK_NEXT, 0);
    click(1, MK_LBUTTON);
    click(3, MK_LBUTTON | MK_CONTROL);
    click(7, MK_LBUTTON | MK_CONTROL);
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
    SendMessageA(list, WM_KEYDOWN, VK_SHIFT, 0);
    SendMessageA(list, WM_KEYDOWN, VK_RIGHT, 0);
    SendMessageA(list, WM_KEYDOWN, VK_RIGHT, 0);
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    SendMessageA(list, WM_KEYUP, VK_SHIFT, 0);
}

void ShowStyles(HWND hwnd, int left)
{
    const char* titles[] = {"No frame", "Black frame", "Raised frame", "Card"};
    const int styles[] = {1, 2, 3, 4}, captions[] = {1, 2, 1, 1}, spaces[] = {8, 8, 8, 0};
    g_host.styleDoc.SetAutoCheck(0);
    g_host.styleDoc.Load(g_host.albumPath.c_str());
    for (int i = 1; i <= g_host.styleDoc.GetCount(); ++i) {
        CThumbnail2* t = g_host.styleDoc.GetThumbnail(i);
        t->m_bSelect = (i % 3 == 2);
        t->m_bFocus = (i == 3);
        t->m_bExist = (i != 4);
    }
    for (int p = 0; p < 4; ++p) {
        const int x = left + (p % 2) * 230, y = 34 + (p / 2) * 200;
        CreateWindowExA(0, "STATIC", titles[p], WS_CHILD | WS_VISIBLE, x, y - 18, 220, 16, hwnd, nullptr, nullptr,
                        nullptr);
        tagAlbumViewCreateInfo aci = Record(2, 2, styles[p], captions[p], spaces[p]);
        auto* pane = new CThumbListView2(hwnd, RECT{x, y, 220, 170}, aci);
        for (int i = 0; i < pane->m_nCount; ++i)
            if (pane->m_ppCells[i])
                pane->m_ppCells[i]->Attach(g_host.styleDoc.GetThumbnail(p + i + 1));
        g_host.panes.push_back(pane);
    }
}

LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE: {
        g_host.status = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 10, 4, 560, 16, hwnd, nullptr,
                                        nullptr, nullptr);
        if (g_host.controls) {
            // Two album controls on the same album: a normal one, and one docked to a bar with
            // arrow buttons, as the manager shows it.
            HINSTANCE module = GetModuleHandleA("album.dll");
            const char* path = g_host.albumPath.c_str();
            CreateWindowExA(0, "ManDlgAlbumCtrl", path, WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 24, 300, 470, hwnd,
                            nullptr, module, nullptr);
            HWND docked = CreateWindowExA(0, "ManDlgAlbumCtrl", path, WS_CHILD | WS_VISIBLE | WS_BORDER, 330, 24,
                                          220, 470, hwnd, nullptr, module, nullptr);
            if (auto* control = reinterpret_cast<CAlbumCtrl*>(GetWindowLongPtrA(docked, GWLP_USERDATA))) {
                control->SetDock(ALBUM_DOCK_VERTICAL);
                RECT client;
                GetClientRect(docked, &client);
                SendMessageA(docked, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
            }
            Status("two album controls; the right one is docked");
            return 0;
        }
        tagAlbumViewCreateInfo aci = Record(4, 5, 4, 1, 0);
        g_host.album = new CAlbum(hwnd, RECT{10, 24, 5 * 104, 4 * 120}, aci);
        if (!g_host.album->Load(g_host.albumPath.c_str()))
            Status("cannot read the album");
        if (g_host.styles)
            ShowStyles(hwnd, 550);
        return 0;
    }
    case WM_ALBUM_OPEN:
    case WM_ALBUM_FOCUS:
    case WM_ALBUM_LAYOUT: {
        if (!g_host.album)
            return 0;
        char text[200];
        snprintf(text, sizeof text, "%d thumbnails, first shown %d, focus %d%s (last message 0x%X)",
                 g_host.album->GetThumbNailCount(), g_host.album->GetFirstViewNailID(),
                 g_host.album->GetCurrentFocus(), g_host.album->HaveSel() ? ", selection" : "", msg);
        Status(text);
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
    for (int i = 1; i < argc; ++i) {
        if (!strcmp(argv[i], "--styles"))
            g_host.styles = true;
        else if (!strcmp(argv[i], "--exercise"))
            g_host.exercise = true;
        else if (!strcmp(argv[i], "--controls"))
            g_host.controls = true;
        else
            g_host.albumPath = argv[i];
    }
    if (g_host.albumPath.empty()) {
        fprintf(stderr, "usage: albumviews ALBUM.abm [--styles] [--exercise]\n");
        return 2;
    }
    HINSTANCE album = GetModuleHandleA("album.dll");
    CAlbumCtrl::Register(album); // the cell and list classes too

    WNDCLASSA wc = {};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "Album views";
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowExA(0, "Album views", "Album views", WS_OVERLAPPEDWINDOW, 0, 0,
                                g_host.styles ? 1020 : 560, 560, nullptr, nullptr, wc.hInstance, nullptr);
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
    if (g_host.exercise && g_host.album)
        Exercise(*g_host.album);

    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    for (CThumbListView2* pane : g_host.panes)
        delete pane;
    delete g_host.album;
    return 0;
}
