// albumhost: the stand-in for the Lumicraft 2000 editor. It loads album.dll at start the way the
// editor does (LoadLibrary, entry points by name) and drives it through its File menu.
//
// Usage: albumhost.exe [--albums FOLDER] [--open] [--limit N] [--size WxH]
//                      [--tour SHOTS_FOLDER --tour-images FOLDER] [IMAGE...]
//   --albums FOLDER  the album folder (default: "Albums" beside the program, made when missing)
//   --open           open an album manager window on it at start (its last opened album)
//   --limit N        album manager windows open at once, at most (default 4)
//   --size WxH       thumbnail size for new images (default 80x80)
//   --tour SHOTS     walk through the album windows by itself, as a person would, saving a
//                    screenshot after each step into SHOTS, then close (exit code 0 when every
//                    step worked); --tour-images names the folder of images it adds
//   IMAGE...         images to open at start
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "Host.h"
#include <commctrl.h>

Host g_host;

namespace {

void Fail(const std::string& message)
{
    fprintf(stderr, "albumhost: %s\n", message.c_str());
    if (g_host.options.tourFolder.empty())
        MessageBoxA(nullptr, message.c_str(), HOST_TITLE, MB_OK | MB_ICONERROR);
}

std::string FullPath(const std::string& path)
{
    char full[MAX_PATH];
    const DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    std::string result = n > 0 && n < sizeof full ? std::string(full) : path;
    while (result.size() > 3 && (result.back() == '\\' || result.back() == '/'))
        result.pop_back();
    return result;
}

bool ParseArguments(int argc, char** argv, HostOptions& o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--albums" && hasValue)
            o.albumFolder = FullPath(argv[++i]);
        else if (a == "--open")
            o.openManager = true;
        else if (a == "--limit" && hasValue)
            o.managerLimit = atoi(argv[++i]);
        else if (a == "--size" && hasValue) {
            if (sscanf(argv[++i], "%dx%d", &o.thumbWidth, &o.thumbHeight) != 2)
                return false;
        } else if (a == "--tour" && hasValue)
            o.tourFolder = FullPath(argv[++i]);
        else if (a == "--tour-images" && hasValue)
            o.tourImages = FullPath(argv[++i]);
        else if (a.size() > 1 && a[0] == '-' && a[1] == '-')
            return false;
        else
            o.images.push_back(FullPath(a));
    }
    return o.managerLimit >= 1 && o.thumbWidth >= 1 && o.thumbHeight >= 1 && o.thumbWidth <= 1024 &&
           o.thumbHeight <= 1024;
}

// Makes the folder and any missing folders above it.
void MakeFolders(const std::string& path)
{
    for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    CreateDirectoryA(path.c_str(), nullptr);
}

std::string ProgramFolder()
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder = path;
    folder.erase(folder.find_last_of('\\') + 1);
    return folder;
}

} // namespace

int main(int argc, char** argv)
{
    HostOptions& o = g_host.options;
    if (!ParseArguments(argc, argv, o)) {
        fprintf(stderr, "usage: albumhost [--albums FOLDER] [--open] [--limit N] [--size WxH] "
                        "[--tour SHOTS --tour-images FOLDER] [IMAGE...]\n");
        return 2;
    }
    g_host.instance = GetModuleHandleA(nullptr);
    g_host.programFolder = ProgramFolder();
    if (o.albumFolder.empty())
        o.albumFolder = g_host.programFolder + "Albums";
    MakeFolders(o.albumFolder);
    if (!o.tourFolder.empty())
        MakeFolders(o.tourFolder);

    std::string error;
    if (!g_host.album.Load(g_host.programFolder + "album.dll", error)) {
        Fail(error);
        return 1;
    }
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    if (!RegisterMainClass(g_host.instance) || !RegisterImageClass(g_host.instance) ||
        !RegisterDockClass(g_host.instance) || !RegisterHelpClass(g_host.instance) ||
        !RegisterToolClasses(g_host.instance)) {
        Fail("cannot register the editor's window classes");
        return 1;
    }
    InstallAlbumCallbacks();

    g_host.main = CreateMainWindow();
    if (!g_host.main) {
        Fail("cannot create the main window");
        return 1;
    }
    ShowWindow(g_host.main, SW_SHOW);
    UpdateWindow(g_host.main);
    g_host.tools = CreateToolWindow();
    if (g_host.tools)
        ShowWindow(g_host.tools, SW_SHOWNOACTIVATE);
    for (const std::string& image : o.images)
        OpenImageWindow(image.c_str());
    if (o.openManager)
        OpenAlbumManager(false);
    if (!o.tourFolder.empty())
        StartTour();

    ACCEL keys[] = {{FCONTROL | FVIRTKEY, 'O', IDM_OPEN_IMAGE},
                    {FCONTROL | FVIRTKEY, 'M', IDM_OPEN_MANAGER},
                    {FCONTROL | FVIRTKEY, 'F', IDM_FIND}};
    HACCEL accelerators = CreateAcceleratorTableA(keys, 3);
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) {
        if (TranslateMDISysAccel(g_host.client, &m) || TranslateAcceleratorA(g_host.main, accelerators, &m))
            continue;
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    DestroyAcceleratorTable(accelerators);
    return TourResult();
}
