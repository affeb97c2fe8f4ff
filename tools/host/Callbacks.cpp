// The host's callbacks besides docking: "Acquire" takes a screenshot of the main window, keeps it
// as a bitmap file in the album folder's "Captures" folder and inserts it into the manager's
// album; "Help" shows the help window.
#include <stdio.h>
#include "Host.h"
#include "Raii.h"
#include "imgio.h"

namespace {

// A name for a new capture: "Lumicraft YYYY-MM-DD HHMMSS.bmp", with " (n)" when that is taken.
std::string NewCapturePath()
{
    const std::string folder = g_host.options.albumFolder + "\\Captures";
    CreateDirectoryA(folder.c_str(), nullptr);
    SYSTEMTIME now;
    GetLocalTime(&now);
    char stem[64];
    snprintf(stem, sizeof stem, "Lumicraft %04u-%02u-%02u %02u%02u%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
             now.wMinute, now.wSecond);
    for (int n = 1; n < 1000; ++n) {
        std::string path = folder + "\\" + stem + (n > 1 ? " (" + std::to_string(n) + ")" : "") + ".bmp";
        if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
            return path.size() < MAX_PATH ? path : std::string();
    }
    return std::string();
}

int Acquire(HWND manager)
{
    RECT area;
    GetWindowRect(g_host.main, &area);
    GlobalBlock shot(CaptureScreen(area));
    const std::string path = NewCapturePath();
    if (!shot || path.empty()) {
        MessageBeep(0);
        SetStatus("Cannot take a screenshot.");
        return 0;
    }
    if (ImgIoWriteFile(shot.get(), path.c_str(), IMGIO_FORMAT_BMP, 0) != IMGIO_WRITE_OK) {
        MessageBeep(0);
        SetStatus("Cannot write %s", path.c_str());
        return 0;
    }
    char description[] = "Screenshot of the Lumicraft 2000 window";
    char source[MAX_PATH];
    lstrcpynA(source, path.c_str(), sizeof source);
    // The album makes its own thumbnail; the screenshot stays ours.
    const int inserted = g_host.album.InsertFromDib(manager, shot.get(), description, source);
    if (inserted)
        SetStatus("Screenshot added to the album: %s", source);
    else
        SetStatus("The screenshot %s was not added to the album.", source);
    return inserted;
}

int Help(HWND, int)
{
    ShowHelpWindow();
    return 1;
}

const char kHelpText[] =
    "Album windows\r\n"
    "\r\n"
    "File > Open Album Manager opens an album window on the album folder; choose the album to show, "
    "or New Album. File > New Album Window opens another one on the same folder.\r\n"
    "\r\n"
    "In an album window: Add puts image files into the album, Acquire a screenshot of this window. "
    "Sort orders the thumbnails by name, type, size, date or description. Save writes the album "
    "file; a new album asks for its name. Double-click a thumbnail to open its image here. Drag "
    "thumbnails to another album window to move them; hold Ctrl to copy them.\r\n"
    "\r\n"
    "Album > Add Folder To Album adds every image of a folder and its subfolders. The Dock button on "
    "the strip beside this window docks the album window there; Float lets it go again.\r\n"
    "\r\n"
    "File > Add Open Images To Album puts the images open in this window into an album you choose.\r\n"
    "\r\n"
    "Window > Brushes and Textures shows the brush and texture albums; a click chooses one.\r\n";

LRESULT CALLBACK HelpProc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE: {
        HWND text = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", kHelpText,
                                    WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                                    0, 0, 0, 0, w, reinterpret_cast<HMENU>(1), g_host.instance, nullptr);
        SendMessageA(text, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
        return 0;
    }
    case WM_SIZE:
        MoveWindow(GetDlgItem(w, 1), 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_DESTROY:
        if (g_host.help == w)
            g_host.help = nullptr;
        return 0;
    default:
        return DefWindowProcA(w, msg, wParam, lParam);
    }
}

} // namespace

void InstallAlbumCallbacks()
{
    InstallDockCallbacks();
    g_host.album.SetAcquireFunction(Acquire);
    g_host.album.SetAlbumHelpFunction(Help);
}

bool RegisterHelpClass(HINSTANCE instance)
{
    return RegisterHostClass(instance, HOST_HELP_CLASS, HelpProc, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
}

void ShowHelpWindow()
{
    if (!g_host.help)
        g_host.help = CreateWindowExA(WS_EX_TOOLWINDOW, HOST_HELP_CLASS, "Lumicraft 2000 Help",
                                      WS_OVERLAPPEDWINDOW, 120, 120, 460, 360, g_host.main, nullptr, g_host.instance,
                                      nullptr);
    if (g_host.help) {
        ShowWindow(g_host.help, SW_SHOW);
        SetForegroundWindow(g_host.help);
        SetStatus("Help window open.");
    }
}
