// Albums of 10,000 and of 100,000 thumbnails of 96 x 72 in album manager windows, as a user works
// with them: open, Select All (the first thumbnail clicked, then Shift+End) and the repaint of
// the page after it, Ctrl+End, a page up and down, sort by name and by date, find by name (the
// Find dialog's search of the album), cut half of the thumbnails and paste them into a second
// window, save, close. One source in ten is on disk, the others are gone. Each step is timed on
// both albums in the same run; the ratio 100k / 10k per step is printed with its goal (at most 12
// for ten times the thumbnails; at most 2 for the steps a key press makes, which should cost what
// is on screen), and the process's peak working set against the thumbnails' bytes (goal: under
// 1.5 times). The short steps are the median of several runs.
// Builds the albums and the sources under FOLDER the first time.
// Run: xvfb-run -a -s "-screen 0 1280x1024x24" scripts/wine-run.sh build/x64/bin/big_album_bench.exe FOLDER
#include <windows.h>
#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <algorithm>
#include <string>
#include <vector>
#include "album/AlbumMan.h"
#include "control/AlbumManOps.h"
#include "host/AlbumRegistry.h"
#include "search/SearchScan.h"
#include "vendor_standins/ctrlkit/ctrlkit.h"
#include "win/Handles.h"
#include "win/Module.h"
#include "BenchClock.h"

namespace {

const int kWidth = 96, kHeight = 72;

HWND MakeHost()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "BigAlbumBenchHost";
    RegisterClassA(&wc);
    return CreateWindowExA(0, wc.lpszClassName, "host", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                           wc.hInstance, nullptr);
}

size_t PeakWorkingSet()
{
    PROCESS_MEMORY_COUNTERS c = {};
    c.cb = sizeof c;
    return GetProcessMemoryInfo(GetCurrentProcess(), &c, sizeof c) ? c.PeakWorkingSetSize : 0;
}

void Touch(const std::string& path)
{
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f != INVALID_HANDLE_VALUE)
        CloseHandle(f);
}

// FOLDER\albumN\big.abm: count thumbnails; every tenth source in FOLDER\sourcesN (1,000 a folder),
// the rest in a folder that is not there. One name in a hundred carries "harbour". Made once.
std::string MakeAlbum(const std::string& root, int count)
{
    const std::string tag = std::to_string(count);
    const std::string folder = root + "\\album" + tag, path = folder + "\\big.abm";
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        return folder;
    printf("building an album of %d thumbnails under %s ...\n", count, folder.c_str());
    CreateDirectoryA(root.c_str(), nullptr);
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string sources = root + "\\sources" + tag;
    CreateDirectoryA(sources.c_str(), nullptr);
    const size_t stride = ((size_t(kWidth) * 3 + 3) / 4) * 4, bytes = 40 + stride * kHeight;
    CAlbumDoc2 doc;
    for (int n = 1; n <= count; ++n) {
        // Names and dates in no order, so that sorting has work to do.
        const int i = int(1 + (long long)(n - 1) * 7919 % count);
        tagALBUMINFOHEADER r = {};
        const char* word = i % 100 == 3 ? "harbour" : "img";
        if (i % 10 == 0) {
            const std::string sub = sources + "\\s" + std::to_string(i / 10000);
            CreateDirectoryA(sub.c_str(), nullptr);
            const std::string file = sub + "\\" + word + std::to_string(i) + ".jpg";
            Touch(file);
            snprintf(r.szFileName, sizeof r.szFileName, "%s", file.c_str());
        } else {
            snprintf(r.szFileName, sizeof r.szFileName, "C:\\gone\\trip\\%s%d.jpg", word, i);
        }
        r.dwFileTime = 0xE0000000u + DWORD(n * 7 % 1000) * 86400; // later than any source: none has changed
        r.dwFileSize = DWORD(1000 + i * 7919 % 5000000);
        r.wWidth = 4000;
        r.wHeight = 3000;
        r.wBitCount = 24;
        r.wThumbWidth = kWidth;
        r.wThumbHeight = kHeight;
        r.dwDibSize = DWORD(bytes);
        strcpy(r.szDescription, " ");
        HGLOBAL dib = win::GlobalBlock::Allocate(bytes, true).release();
        auto* p = static_cast<unsigned char*>(GlobalLock(dib));
        auto* h = reinterpret_cast<BITMAPINFOHEADER*>(p);
        *h = {40, kWidth, kHeight, 1, 24, BI_RGB, DWORD(stride * kHeight), 0, 0, 0, 0};
        for (size_t b = 40; b < bytes; ++b)
            p[b] = static_cast<unsigned char>(i * 31u + b * 7u);
        GlobalUnlock(dib);
        doc.Insert(new CThumbnail2(&r, dib, 0, 1), nullptr);
    }
    doc.Save(path.c_str());
    return folder;
}

void Keys(bool shift, bool control)
{
    BYTE keys[256] = {};
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    keys[VK_CONTROL] = control ? 0x80 : 0;
    SetKeyboardState(keys);
}

void Press(HWND w, WPARAM key)
{
    SendMessageA(w, WM_KEYDOWN, key, 1);
    UpdateWindow(w);
}

struct Counter : SearchReport {
    int found = 0;
    void Examining(const char*) override {}
    void Found(CThumbTable2* t) override { found += t->GetCount(); }
    void Ended() override {}
    std::vector<std::string> AlbumNames() override { return {}; }
};

struct Step {
    const char* name;
    bool keyPress; // costs what is on screen
    double seconds[2];
    size_t peak[2]; // the process's peak working set after the step
};

std::vector<Step> g_steps;

// Times f for the size with index which (0: 10k, 1: 100k): the median of runs (each after
// prepare, which is not timed), since the short steps swing with the machine's load.
template <class Prepare, class F>
void Time(int which, const char* name, bool keyPress, int runs, Prepare prepare, F f)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        prepare();
        const double t0 = Now();
        f();
        times.push_back(Now() - t0);
    }
    std::sort(times.begin(), times.end());
    const double took = times[times.size() / 2];
    for (Step& s : g_steps)
        if (!strcmp(s.name, name)) {
            s.seconds[which] = took;
            s.peak[which] = PeakWorkingSet();
            return;
        }
    Step s = {name, keyPress, {0, 0}, {0, 0}};
    s.seconds[which] = took;
    s.peak[which] = PeakWorkingSet();
    g_steps.push_back(s);
}
template <class F>
void Time(int which, const char* name, bool keyPress, F f)
{
    Time(which, name, keyPress, 1, [] {}, f);
}

// The second window's album folder, emptied.
std::string EmptyFolder(const std::string& root)
{
    const std::string folder = root + "\\pasted";
    CreateDirectoryA(folder.c_str(), nullptr);
    DeleteFileA((folder + "\\New Album.abm").c_str());
    return folder;
}

double Run(int which, HWND host, const std::string& root, const std::string& folder, int count)
{
    CAlbumMan* m = CAlbumMan::CreateAlbumMan(kWidth, kWidth);
    WritePrivateProfileStringA("Context", "LastOpen", "big", "album.ini"); // the album the window opens with
    int opened = 0;
    Time(which, "open", false, [&] { opened = m->Open(host, folder.c_str()); });
    CAlbum* album = opened && m->GetAlbumCtrl() ? m->GetAlbumCtrl()->GetAlbum() : nullptr;
    if (!album) {
        printf("no album window could be opened (is there a display?)\n");
        return 0;
    }
    HWND w = album->m_hWnd;
    if (album->GetThumbNailCount() != count) {
        printf("the album of %d holds %d thumbnails\n", count, album->GetThumbNailCount());
        return 0;
    }
    size_t bytes = 0;
    for (CThumbnail2* t = album->m_Doc.m_pEnd->m_pNext; t != album->m_Doc.m_pEnd; t = t->m_pNext)
        bytes += GlobalSize(t->GetDib()) + sizeof t->m_Info;

    Time(which, "Select All (click, Shift+End)", false, [&] {
        album->SetCurrentFocus(1);
        Keys(true, false);
        SendMessageA(w, WM_KEYDOWN, VK_SHIFT, 1);
        Press(w, VK_END);
        SendMessageA(w, WM_KEYUP, VK_SHIFT, 1);
        Keys(false, false);
    });
    const int runs = 7;
    Time(which, "repaint after Select All", true, runs, [] {}, [&] {
        RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    });
    Time(which, "Ctrl+End", true, runs, [&] { Press(w, VK_HOME); }, [&] {
        Keys(false, true);
        Press(w, VK_END);
        Keys(false, false);
    });
    Time(which, "Page Up", true, runs, [&] { Press(w, VK_END); }, [&] { Press(w, VK_PRIOR); });
    Time(which, "Page Down", true, runs, [&] { Press(w, VK_PRIOR); }, [&] { Press(w, VK_NEXT); });
    // Each sort from the other's order, so that both have work to do.
    Time(which, "sort by name", false, 3, [&] { album->SortByDate(0); }, [&] {
        album->SortByName(0);
        UpdateWindow(w);
    });
    Time(which, "sort by date", false, 3, [&] { album->SortByName(0); }, [&] {
        album->SortByDate(0);
        UpdateWindow(w);
    });
    Counter found;
    Time(which, "find by name", false, [&] {
        CSearchDlg s(nullptr, folder.c_str(), kWidth, kWidth);
        strcpy(s.m_Criteria.szAlbumPath, "big.abm");
        strcpy(s.m_Criteria.szName, "HARBOUR");
        s.m_Criteria.nLookIn = ALBUM_LOOK_IN_ALBUM;
        RunSearch(s, found);
    });
    if (found.found != count / 100)
        printf("find by name found %d of %d\n", found.found, count / 100);
    // Half the album: Left (only the thumbnail before the focus stays selected), a click on the
    // one in the middle, then Shift+Home.
    Press(w, VK_LEFT);
    album->SetCurrentFocus(count / 2);
    Keys(true, false);
    SendMessageA(w, WM_KEYDOWN, VK_SHIFT, 1);
    Press(w, VK_HOME);
    SendMessageA(w, WM_KEYUP, VK_SHIFT, 1);
    Keys(false, false);
    Time(which, "cut half", false, [&] { SendMessageA(m->m_hDlg, WM_COMMAND, 40003, 0); });
    CAlbumMan* second = CAlbumMan::CreateAlbumMan(kWidth, kWidth);
    second->Open(host, EmptyFolder(root).c_str());
    Time(which, "paste into a second window", false, [&] {
        SendMessageA(second->m_hDlg, WM_COMMAND, 40005, 0);
        UpdateWindow(second->m_hDlg);
    });
    const int pasted = second->GetAlbumCtrl()->GetAlbum()->GetThumbNailCount();
    if (pasted != count / 2 || album->GetThumbNailCount() != count - count / 2)
        printf("cut and paste left %d and %d thumbnails\n", album->GetThumbNailCount(), pasted);
    // The bench's album stays as it was made: the save goes to a copy of its own.
    const std::string saved = root + "\\saved" + std::to_string(count) + ".abm";
    Time(which, "save", false, [&] { album->Save(saved.c_str()); });
    DeleteFileA(saved.c_str());
    m->m_bModified = 0;
    second->m_bModified = 0;
    Time(which, "close", false, [&] {
        DestroyWindow(second->m_hDlg);
        DestroyWindow(m->m_hDlg);
    });
    return double(bytes);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: big_album_bench FOLDER\n");
        return 2;
    }
    const std::string root = argv[1];
    const int sizes[2] = {10000, 100000};
    std::string folders[2];
    for (int i = 0; i < 2; ++i)
        folders[i] = MakeAlbum(root, sizes[i]);

    CreateAlbumRegistry();
    RegisterAlbumThread();
    CAlbumCtrl::Register(AlbumInstance());
    CtrlKitRegisterBarClass(AlbumInstance());
    HWND host = MakeHost();
    double bytes[2] = {0, 0};
    size_t peak[2] = {0, 0};
    for (int i = 0; i < 2; ++i) {
        bytes[i] = Run(i, host, root, folders[i], sizes[i]);
        peak[i] = PeakWorkingSet();
    }
    DestroyWindow(host);

    printf("%-32s %12s %12s %8s  %-20s %s\n", "step", "10,000", "100,000", "ratio", "goal", "peak working set (100k)");
    bool allMet = true;
    for (const Step& s : g_steps) {
        const double ratio = s.seconds[0] > 0 ? s.seconds[1] / s.seconds[0] : 0;
        const double goal = s.keyPress ? 2 : 12;
        const bool met = ratio <= goal;
        allMet = allMet && met;
        printf("%-32s %9.1f ms %9.1f ms %7.2fx  at most %2gx %-7s %6.0f MB\n", s.name, s.seconds[0] * 1e3,
               s.seconds[1] * 1e3, ratio, goal, met ? "met" : "MISSED", s.peak[1] / 1048576.0);
    }
    for (int i = 0; i < 2; ++i) {
        const double ratio = bytes[i] > 0 ? double(peak[i]) / bytes[i] : 0;
        printf("peak working set after the album of %d: %.0f MB, the thumbnails %.0f MB: %.2fx (goal: under 1.5x) %s\n",
               sizes[i], peak[i] / 1048576.0, bytes[i] / 1048576.0, ratio, ratio < 1.5 ? "met" : "MISSED");
    }
    return allMet ? 0 : 1;
}
