// Album manager benchmark with a real manager window:
//   manager_bench.exe add FOLDER      adds every image file of FOLDER (and its subfolders) the way
//                                     the Add Folder command does, and prints images per second;
//   manager_bench.exe switch N        switches back and forth between two albums of N thumbnails
//                                     each through the album list, and prints the time per switch.
// Run under the project's Wine: xvfb-run -a scripts/wine-run.sh build/x64/bin/manager_bench.exe ...
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include "album/AlbumMan.h"
#include "control/AlbumManOps.h"
#include "host/AlbumRegistry.h"
#include "win/Module.h"
#include "vendor_standins/ctrlkit/ctrlkit.h"
#include "win/Handles.h"
#include "BenchClock.h"

namespace {

HWND MakeHost()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ManagerBenchHost";
    RegisterClassA(&wc);
    return CreateWindowExA(0, wc.lpszClassName, "host", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                           wc.hInstance, nullptr);
}

std::string TempFolder(const char* name)
{
    char path[MAX_PATH];
    GetTempPathA(sizeof path, path);
    std::string folder = std::string(path) + name;
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

int Add(HWND host, const char* images)
{
    const std::string folder = TempFolder("manager_bench_add");
    DeleteFileA((folder + "\\New Album.abm").c_str());
    CAlbumMan* m = CAlbumMan::CreateAlbumMan(96, 96);
    if (!m->Open(host, folder.c_str()))
        return 1;
    const double t0 = Now();
    AddFolderFiles(*m, images);
    const double seconds = Now() - t0;
    const int n = m->GetAlbumCtrl()->GetAlbum()->GetThumbNailCount();
    printf("Add Folder: %d images in %.2f s, %.2f images/s\n", n, seconds, n / seconds);
    m->m_bModified = 0;
    DestroyWindow(m->m_hDlg);
    return 0;
}

void MakeAlbum(const std::string& path, int count, const char* prefix)
{
    CAlbumDoc2 doc;
    for (int i = 1; i <= count; ++i) {
        tagALBUMINFOHEADER r = {};
        snprintf(r.szFileName, sizeof r.szFileName, "C:\\photos\\%s_%05d.jpg", prefix, i);
        r.wThumbWidth = r.wThumbHeight = 96;
        const size_t bytes = 40 + 96 * 96 * 3;
        HGLOBAL image = win::GlobalBlock::Allocate(bytes, true).release();
        auto* h = static_cast<BITMAPINFOHEADER*>(GlobalLock(image));
        h->biSize = 40;
        h->biWidth = h->biHeight = 96;
        h->biPlanes = 1;
        h->biBitCount = 24;
        GlobalUnlock(image);
        r.dwDibSize = DWORD(bytes);
        doc.Insert(new CThumbnail2(&r, image, 0, 1), nullptr);
    }
    doc.Save(path.c_str());
}

int Switch(HWND host, int count)
{
    const std::string folder = TempFolder("manager_bench_switch");
    MakeAlbum(folder + "\\one.abm", count, "one");
    MakeAlbum(folder + "\\two.abm", count, "two");
    CAlbumMan* m = CAlbumMan::CreateAlbumMan(96, 96);
    if (!m->Open(host, folder.c_str()))
        return 1;
    // Stored names point nowhere: the source check finds every file gone, as on a disconnected
    // drive, which is the slow case of a switch.
    const int rounds = 10;
    const double t0 = Now();
    for (int i = 0; i < rounds; ++i) {
        SendMessageA(m->m_hAlbumList, CB_SETCURSEL, i % 2, 0);
        SendMessageA(m->m_hDlg, WM_COMMAND, MAKEWPARAM(101, CBN_SELCHANGE), 0);
        UpdateWindow(m->m_hDlg);
    }
    const double per = (Now() - t0) / rounds;
    printf("Switching between two albums of %d thumbnails: %.1f ms per switch (%d thumbnails shown)\n", count,
           per * 1000.0, m->GetAlbumCtrl()->GetAlbum()->GetThumbNailCount());
    DestroyWindow(m->m_hDlg);
    DeleteFileA((folder + "\\one.abm").c_str());
    DeleteFileA((folder + "\\two.abm").c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: manager_bench add FOLDER | switch COUNT\n");
        return 2;
    }
    CreateAlbumRegistry();
    RegisterAlbumThread();
    CAlbumCtrl::Register(AlbumInstance());
    CtrlKitRegisterBarClass(AlbumInstance());
    HWND host = MakeHost();
    int result = strcmp(argv[1], "add") == 0 ? Add(host, argv[2]) : Switch(host, atoi(argv[2]));
    DestroyWindow(host);
    return result;
}
