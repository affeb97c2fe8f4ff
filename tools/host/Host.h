// The editor stand-in: one main window ("Lumicraft 2000") with a File menu over the album
// library, image windows in its client area, a status line, dock frames for the album manager
// windows, and a tool window with the brush and texture albums.
#pragma once

#include <windows.h>
#include <string>
#include <vector>
#include "AlbumLibrary.h"

#define HOST_CLASS "Lumicraft 2000"
#define HOST_TITLE "Lumicraft 2000"
#define HOST_IMAGE_CLASS "Lumicraft Image"
#define HOST_DOCK_CLASS "Lumicraft Dock"
#define HOST_TOOLS_CLASS "Lumicraft Tools"
#define HOST_PANE_CLASS "Lumicraft Resource Pane"
#define HOST_HELP_CLASS "Lumicraft Help"

// Menu commands of the main window.
enum HostCommand : UINT {
    IDM_OPEN_IMAGE = 100,
    IDM_OPEN_MANAGER = 101,
    IDM_NEW_WINDOW = 102,
    IDM_ADD_OPEN_IMAGES = 103,
    IDM_FIND = 104,
    IDM_EXIT = 105,
    IDM_ADD_FOLDER = 110,
    IDM_DOCK = 111,
    IDM_TOOLS = 120,
    IDM_CASCADE = 121,
    IDM_HELP = 130,
    IDM_FIRST_CHILD = 1000, // the image windows in the Window menu
};

// The album manager's command that adds a folder of images (its window has no button for it).
constexpr UINT kManagerAddFolder = 1010;

struct HostOptions {
    std::string albumFolder;          // folder of the .abm files
    bool openManager = false;         // open a manager window at start
    int managerLimit = 4;             // album manager windows at most
    int thumbWidth = 80, thumbHeight = 80;
    std::string tourFolder;           // run the scripted tour, screenshots here
    std::string tourImages;           // the folder the tour adds to an album
    std::vector<std::string> images;  // images to open at start
};

struct Host {
    HINSTANCE instance = nullptr;
    HWND main = nullptr;
    HWND client = nullptr;  // MDI client: the image windows
    HWND status = nullptr;
    HWND tools = nullptr;   // brush and texture albums
    HWND help = nullptr;
    std::string programFolder; // ends in "\"
    HostOptions options;
    AlbumLibrary album;
};
extern Host g_host;

// Status line.
void SetStatus(const char* format, ...);
std::string StatusText();

// Main window (MainWindow.cpp).
// Registers one of the program's window classes with the arrow cursor.
inline bool RegisterHostClass(HINSTANCE instance, const char* name, WNDPROC proc, HBRUSH background,
                              bool withIcon = false, UINT style = 0)
{
    WNDCLASSA wc = {};
    wc.style = style;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    if (withIcon)
        wc.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    return RegisterClassA(&wc) != 0;
}

bool RegisterMainClass(HINSTANCE instance);
HWND CreateMainWindow();
// The manager windows of this thread, in the order they were opened.
std::vector<HWND> ManagerWindows();
// The manager window that menu commands act on: the active one.
HWND ActiveManager();
// File > Open Album Manager; with ask the user first chooses the album.
void OpenAlbumManager(bool ask);
// Sent to the main window from another thread (the tour): answers with ActiveManager().
constexpr UINT kQueryActiveManager = WM_APP + 10;

// Image windows (ImageViewer.cpp).
bool RegisterImageClass(HINSTANCE instance);
// Opens path in a new image window; false (and a status message) when it cannot be read.
bool OpenImageWindow(const char* path);
// Full paths of the images open in image windows, oldest first.
std::vector<std::string> OpenImagePaths();

// Dock frames and the other host callbacks (DockFrame.cpp, Callbacks.cpp).
bool RegisterDockClass(HINSTANCE instance);
void InstallDockCallbacks();
// Dock frames, acquire (a screenshot of the main window) and help.
void InstallAlbumCallbacks();
// Lines the dock frames up along the main window's right edge (after it moved or was resized).
void LayOutDockFrames();
// The dock frame of a manager window, or null.
HWND DockFrameOf(HWND manager);
// Docks the manager in its frame (true) or lets it float (false); false when it has no frame.
bool DockManager(HWND manager, bool dock);
bool IsManagerDocked(HWND manager);
// Asks every manager whether it may close and closes those that may; false when one stays.
bool CloseAllManagers();
bool RegisterHelpClass(HINSTANCE instance);
void ShowHelpWindow();

// Brush and texture albums (ResourceTools.cpp).
bool RegisterToolClasses(HINSTANCE instance);
HWND CreateToolWindow();

// Screen captures (Capture.cpp): the screen rectangle as a new 24-bit packed bitmap block.
HGLOBAL CaptureScreen(const RECT& area);
// The same once the windows of process pid have painted all they had to and the screen shows it
// (two pictures in a row are alike); null when the screen does not settle.
HGLOBAL CaptureSettledScreen(const RECT& area, DWORD pid);
// Whether two packed bitmaps are alike, byte for byte.
bool SameImage(HGLOBAL a, HGLOBAL b);

// Waiting for the Find dialog (FindCommand.cpp).
bool FindDialogAvailable();
void OpenFindDialog(HWND host);

// The scripted tour (Tour.cpp): runs on its own thread; the main window closes when it ends.
void StartTour();
// 0 when the tour ran to its end (or none ran), else 1.
int TourResult();
