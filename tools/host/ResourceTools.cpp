// The "Brushes and Textures" tool window: a brush album and a texture album, each in a pane with
// Add and Delete buttons. The albums are the files "Brushes.abm" and "Textures.abm" in the
// program folder (the controls find them there from their window text). A click on an item
// (0x503 with the item's path) is shown on the status line.
#include <stdio.h>
#include <string.h>
#include "Host.h"

namespace {

constexpr int kCell = 44;     // cell side; the albums' thumbnails are 4 pixels smaller
constexpr int kColumns = 8;
constexpr int kControlId = 10, kAddId = 11, kDeleteId = 12;
constexpr int kPaneWidth = kColumns * kCell + 2 + 8, kPaneHeight = 20 + kCell + 3 + 30;

struct Pane {
    const char* kind;   // "Brush", "Texture"
    const char* label;
    const char* cls;    // window class of the control
    const char* album;  // album file, relative to the program folder
};
const Pane kPanes[] = {{"Brush", "Brushes", "BrushAlbumCtrl", "Brushes.abm"},
                         {"Texture", "Textures", "TextureAlbumCtrl", "Textures.abm"}};

const Pane* PaneOf(HWND w) { return reinterpret_cast<const Pane*>(GetWindowLongPtrA(w, GWLP_USERDATA)); }

HWND Child(HWND parent, const char* cls, const char* text, DWORD style, int x, int y, int w, int h, int id,
           HINSTANCE instance = nullptr)
{
    HWND child = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 instance ? instance : g_host.instance, nullptr);
    if (child)
        SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return child;
}

LRESULT CALLBACK PaneProc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam)
{
    const Pane* pane = PaneOf(w);
    switch (msg) {
    case WM_CREATE: {
        pane = static_cast<const Pane*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        SetWindowLongPtrA(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(pane));
        Child(w, "STATIC", pane->label, 0, 4, 2, 200, 16, -1);
        // The control loads its album from its window text; its classes are the library's.
        Child(w, pane->cls, pane->album, WS_BORDER, 4, 20, kColumns * kCell + 2, kCell + 3, kControlId,
              g_host.album.Module());
        Child(w, "BUTTON", "Add...", BS_PUSHBUTTON, 4, 20 + kCell + 6, 70, 22, kAddId);
        Child(w, "BUTTON", "Delete", BS_PUSHBUTTON, 80, 20 + kCell + 6, 70, 22, kDeleteId);
        return 0;
    }
    case WM_ALBUM_CELLUP:
        // An item was chosen: lParam is its full path.
        if (pane && lParam) {
            char path[MAX_PATH];
            lstrcpynA(path, reinterpret_cast<const char*>(lParam), sizeof path);
            HWND control = GetDlgItem(w, kControlId);
            SetStatus("%s chosen: %s (item %d of %d)", pane->kind, path,
                      g_host.album.GetCurrentBrushSelection(control), g_host.album.GetBrushCount(control));
        }
        return 0;
    case WM_COMMAND:
        if (pane && (LOWORD(wParam) == kAddId || LOWORD(wParam) == kDeleteId)) {
            HWND control = GetDlgItem(w, kControlId);
            const bool add = LOWORD(wParam) == kAddId;
            const int done = add ? g_host.album.AddItemToAbmCtrl(control) : g_host.album.DeleteItemFromAbmCtrl(control);
            SetStatus("%s album: %s (%d items)", pane->kind,
                      done ? (add ? "items added" : "items deleted") : "nothing changed",
                      g_host.album.GetBrushCount(control));
            return 0;
        }
        break;
    default:
        break;
    }
    return DefWindowProcA(w, msg, wParam, lParam);
}

LRESULT CALLBACK ToolsProc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:
        for (int i = 0; i < 2; ++i)
            CreateWindowExA(0, HOST_PANE_CLASS, kPanes[i].kind, WS_CHILD | WS_VISIBLE, 4 + i * (kPaneWidth + 8), 4,
                            kPaneWidth, kPaneHeight, w, nullptr, g_host.instance, const_cast<Pane*>(&kPanes[i]));
        return 0;
    case WM_CLOSE:
        ShowWindow(w, SW_HIDE); // Window > Brushes and Textures shows it again
        return 0;
    case WM_DESTROY:
        if (g_host.tools == w)
            g_host.tools = nullptr;
        return 0;
    default:
        return DefWindowProcA(w, msg, wParam, lParam);
    }
}

} // namespace

bool RegisterToolClasses(HINSTANCE instance)
{
    // The resource album classes, with the library's instance (which already has the cell and
    // list classes the controls are built from).
    if (!g_host.album.CBrushAlbumCtrlRegister(g_host.album.Module(), kCell, kCell))
        return false;
    const HBRUSH face = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    return RegisterHostClass(instance, HOST_TOOLS_CLASS, ToolsProc, face) &&
           RegisterHostClass(instance, HOST_PANE_CLASS, PaneProc, face);
}

HWND CreateToolWindow()
{
    RECT main;
    GetWindowRect(g_host.main, &main);
    RECT r = {0, 0, 2 * kPaneWidth + 16, kPaneHeight + 8};
    AdjustWindowRectEx(&r, WS_POPUP | WS_CAPTION | WS_SYSMENU, FALSE, WS_EX_TOOLWINDOW);
    int y = main.bottom;
    if (y + (r.bottom - r.top) > GetSystemMetrics(SM_CYSCREEN))
        y = main.bottom - (r.bottom - r.top) - 30;
    return CreateWindowExA(WS_EX_TOOLWINDOW, HOST_TOOLS_CLASS, "Brushes and Textures", WS_POPUP | WS_CAPTION | WS_SYSMENU,
                           main.left, y, r.right - r.left, r.bottom - r.top, g_host.main, nullptr, g_host.instance,
                           nullptr);
}
