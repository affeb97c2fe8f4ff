// The main window: menus, the image windows' MDI client, the status line, and what the album
// windows send the editor (open an image, search results saved).
#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include "Host.h"
#include <commctrl.h>
#include <commdlg.h>
#include "Raii.h"
#include "imgio.h"

namespace {

HMENU BuildMenu(HMENU& windowMenu)
{
    HMENU bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    AppendMenuA(file, MF_STRING, IDM_OPEN_IMAGE, "&Open Image...\tCtrl+O");
    AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(file, MF_STRING, IDM_OPEN_MANAGER, "Open &Album Manager...\tCtrl+M");
    AppendMenuA(file, MF_STRING, IDM_NEW_WINDOW, "&New Album Window");
    AppendMenuA(file, MF_STRING, IDM_ADD_OPEN_IMAGES, "Add Open &Images To Album...");
    AppendMenuA(file, MF_STRING, IDM_FIND, "&Find...\tCtrl+F");
    AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(file, MF_STRING, IDM_EXIT, "E&xit");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");

    HMENU album = CreatePopupMenu();
    AppendMenuA(album, MF_STRING, IDM_ADD_FOLDER, "Add &Folder To Album...");
    AppendMenuA(album, MF_STRING, IDM_DOCK, "&Dock Album Window");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(album), "&Album");

    windowMenu = CreatePopupMenu();
    AppendMenuA(windowMenu, MF_STRING, IDM_TOOLS, "&Brushes and Textures");
    AppendMenuA(windowMenu, MF_STRING, IDM_CASCADE, "&Cascade Images");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(windowMenu), "&Window");

    HMENU help = CreatePopupMenu();
    AppendMenuA(help, MF_STRING, IDM_HELP, "Album &Help");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), "&Help");
    return bar;
}

void UpdateMenu(HMENU menu)
{
    const bool manager = ActiveManager() != nullptr;
    EnableMenuItem(menu, IDM_NEW_WINDOW, MF_BYCOMMAND | (manager ? MF_ENABLED : MF_GRAYED));
    EnableMenuItem(menu, IDM_ADD_FOLDER, MF_BYCOMMAND | (manager ? MF_ENABLED : MF_GRAYED));
    EnableMenuItem(menu, IDM_DOCK, MF_BYCOMMAND | (manager && DockFrameOf(ActiveManager()) ? MF_ENABLED : MF_GRAYED));
    CheckMenuItem(menu, IDM_DOCK, MF_BYCOMMAND | (manager && IsManagerDocked(ActiveManager()) ? MF_CHECKED : MF_UNCHECKED));
    EnableMenuItem(menu, IDM_FIND, MF_BYCOMMAND | (FindDialogAvailable() ? MF_ENABLED : MF_GRAYED));
}

bool MayOpenAnotherManager()
{
    if (g_host.album.CanOpenMoreAlbum(g_host.options.managerLimit))
        return true;
    MessageBeep(0);
    SetStatus("At most %d album windows can be open at once.", g_host.options.managerLimit);
    return false;
}

} // namespace

void OpenAlbumManager(bool ask)
{
    if (!MayOpenAnotherManager())
        return;
    char folder[MAX_PATH];
    lstrcpynA(folder, g_host.options.albumFolder.c_str(), sizeof folder);
    HWND manager = g_host.album.OpenAlbumManagerEx(g_host.main, folder, g_host.options.thumbWidth,
                                                   g_host.options.thumbHeight, ask ? 1 : 0);
    if (manager)
        SetStatus("Album window opened on %s", folder);
    else
        SetStatus(ask ? "No album window opened." : "Cannot open an album window on %s", folder);
}

namespace {

void NewManagerWindow()
{
    HWND active = ActiveManager();
    if (!active) {
        MessageBeep(0);
        return;
    }
    if (!MayOpenAnotherManager())
        return;
    if (g_host.album.CloneNewAlbumManager(active))
        SetStatus("A second album window opened on %s", g_host.options.albumFolder.c_str());
    else
        SetStatus("Cannot open another album window.");
}

// The open images, one path after another each ended by a NUL, as AddToAlbum takes them.
void AddOpenImages()
{
    const std::vector<std::string> paths = OpenImagePaths();
    if (paths.empty()) {
        MessageBeep(0);
        SetStatus("No images are open.");
        return;
    }
    std::string joined;
    for (const std::string& p : paths)
        joined.append(p).push_back('\0');
    std::vector<char> buffer(joined.begin(), joined.end());
    char* files = buffer.data();
    std::vector<int> results(paths.size(), -1);
    int* resultArray = results.data();
    char folder[MAX_PATH];
    lstrcpynA(folder, g_host.options.albumFolder.c_str(), sizeof folder);
    POINT size = {g_host.options.thumbWidth, g_host.options.thumbHeight};
    const int outcome =
        g_host.album.AddToAlbum(g_host.main, folder, &files, static_cast<int>(paths.size()), resultArray, size);
    int inAlbum = 0;
    bool touched = false;
    for (int r : results) {
        inAlbum += r == 1;
        touched |= r != -1;
    }
    if (!touched)
        SetStatus(outcome < 0 ? "No album was updated." : "Add To Album cancelled.");
    else if (outcome < 0)
        SetStatus("The album could not be read or saved.");
    else
        SetStatus("%d of %d open images are in the album.", inAlbum, static_cast<int>(paths.size()));
}

void OpenImages()
{
    std::vector<char> buffer(10240, '\0');
    IMGIOOPTIONS options = {};
    const int picked = ImgIoPickFileName(g_host.main, 1, IMGIO_INDEX_ALL, "bmp", 0xEFF, buffer.data(),
                                         static_cast<int>(buffer.size()),
                                         OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_HIDEREADONLY, &options, nullptr);
    if (picked <= 0)
        return;
    // One full path, or a folder followed by names.
    const char* first = buffer.data();
    const char* name = first + strlen(first) + 1;
    if (!*name) {
        OpenImageWindow(first);
        return;
    }
    for (; *name; name += strlen(name) + 1) {
        std::string path = first;
        if (!path.empty() && path.back() != '\\')
            path += '\\';
        OpenImageWindow((path + name).c_str());
    }
}

// Keeps the windows the main window owns (album windows, dock frames, tools) above it. Windows
// does so by itself; Wine without a window manager may raise the main window over them when it is
// activated again after a modal dialog.
constexpr UINT kRaiseOwned = WM_APP + 11;

void RaiseOwnedWindows(HWND main)
{
    std::vector<HWND> owned;
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT))
        if (w != main && GetWindow(w, GW_OWNER) == main && IsWindowVisible(w))
            owned.push_back(w);
    for (auto w = owned.rbegin(); w != owned.rend(); ++w)
        SetWindowPos(*w, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void SendToActiveManager(UINT command)
{
    if (HWND manager = ActiveManager())
        SendMessageA(manager, WM_COMMAND, MAKEWPARAM(command, 0), 0);
    else
        MessageBeep(0);
}

void OnCommand(HWND w, UINT id)
{
    switch (id) {
    case IDM_OPEN_IMAGE:
        OpenImages();
        break;
    case IDM_OPEN_MANAGER:
        OpenAlbumManager(true);
        break;
    case IDM_NEW_WINDOW:
        NewManagerWindow();
        break;
    case IDM_ADD_OPEN_IMAGES:
        AddOpenImages();
        break;
    case IDM_FIND:
        OpenFindDialog(w);
        break;
    case IDM_EXIT:
        PostMessageA(w, WM_CLOSE, 0, 0);
        break;
    case IDM_ADD_FOLDER:
        SendToActiveManager(kManagerAddFolder);
        break;
    case IDM_DOCK:
        if (HWND manager = ActiveManager())
            DockManager(manager, !IsManagerDocked(manager));
        break;
    case IDM_TOOLS:
        if (!g_host.tools)
            g_host.tools = CreateToolWindow();
        if (g_host.tools)
            ShowWindow(g_host.tools, SW_SHOW);
        break;
    case IDM_CASCADE:
        SendMessageA(g_host.client, WM_MDICASCADE, 0, 0);
        break;
    case IDM_HELP:
        ShowHelpWindow();
        break;
    default:
        break;
    }
}

LRESULT CALLBACK MainProc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE: {
        HMENU windowMenu = nullptr;
        SetMenu(w, BuildMenu(windowMenu));
        CLIENTCREATESTRUCT ccs = {windowMenu, IDM_FIRST_CHILD};
        g_host.client = CreateWindowExA(WS_EX_CLIENTEDGE, "MDICLIENT", nullptr,
                                        WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_VSCROLL | WS_HSCROLL, 0, 0, 0, 0,
                                        w, nullptr, g_host.instance, &ccs);
        g_host.status = CreateWindowExA(0, STATUSCLASSNAMEA, "Ready", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0,
                                        0, 0, w, nullptr, g_host.instance, nullptr);
        return g_host.client && g_host.status ? 0 : -1;
    }
    case WM_SIZE: {
        SendMessageA(g_host.status, WM_SIZE, 0, 0);
        RECT bar;
        GetWindowRect(g_host.status, &bar);
        const int height = HIWORD(lParam) - (bar.bottom - bar.top);
        MoveWindow(g_host.client, 0, 0, LOWORD(lParam), height > 0 ? height : 0, TRUE);
        LayOutDockFrames();
        return 0;
    }
    case WM_MOVE:
        LayOutDockFrames();
        break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE)
            PostMessageA(w, kRaiseOwned, 0, 0);
        break;
    case kRaiseOwned:
        RaiseOwnedWindows(w);
        return 0;
    case WM_INITMENUPOPUP:
        UpdateMenu(GetMenu(w));
        break;
    case WM_COMMAND:
        if (LOWORD(wParam) < IDM_FIRST_CHILD) {
            OnCommand(w, LOWORD(wParam));
            return 0;
        }
        break;
    case WM_ALBUM_OPEN:
        // From a manager window (or the Find dialog): the image's full path, lParam 0.
        if (lParam == 0 && wParam) {
            char path[MAX_PATH];
            lstrcpynA(path, reinterpret_cast<const char*>(wParam), sizeof path);
            OpenImageWindow(path);
        }
        return 0;
    case kQueryActiveManager:
        return reinterpret_cast<LRESULT>(ActiveManager());
    case WM_ALBUM_RESULTS:
        if (lParam) {
            char path[MAX_PATH];
            lstrcpynA(path, reinterpret_cast<const char*>(lParam), sizeof path);
            SetStatus("Search results saved as the album %s", path);
        }
        return 0;
    case WM_CLOSE:
        if (!CloseAllManagers()) {
            SetStatus("An album window stays open.");
            return 0;
        }
        DestroyWindow(w);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefFrameProcA(w, g_host.client, msg, wParam, lParam);
}

} // namespace

void SetStatus(const char* format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (g_host.status)
        SetWindowTextA(g_host.status, text);
}

std::string StatusText()
{
    char text[1024] = "";
    if (g_host.status)
        GetWindowTextA(g_host.status, text, sizeof text);
    return text;
}

std::vector<HWND> ManagerWindows()
{
    std::vector<HWND> windows;
    HGLOBAL list = g_host.album.GetAllAlbum();
    if (!list)
        return windows;
    {
        Locked lock(list);
        const auto* values = static_cast<const LONG*>(lock.get());
        const SIZE_T size = GlobalSize(list);
        if (values && size >= sizeof(LONG)) {
            const LONG count = values[0];
            for (LONG i = 0; i < count && (SIZE_T(i) + 2) * sizeof(LONG) <= size; ++i) {
                // Window handles are significant in their low 32 bits.
                HWND w = reinterpret_cast<HWND>(static_cast<LONG_PTR>(values[i + 1]));
                if (IsWindow(w))
                    windows.push_back(w);
            }
        }
    }
    GlobalFree(list);
    return windows;
}

HWND ActiveManager()
{
    HWND active = g_host.album.GetActiveAlbum();
    return active && IsWindow(active) ? active : nullptr;
}

bool RegisterMainClass(HINSTANCE instance)
{
    return RegisterHostClass(instance, HOST_CLASS, MainProc, reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1), true);
}

HWND CreateMainWindow()
{
    return CreateWindowExA(0, HOST_CLASS, HOST_TITLE, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 960, 700, nullptr,
                           nullptr, g_host.instance, nullptr);
}
