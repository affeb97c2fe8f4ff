// Albums of 10,000 and of 100,000 thumbnails of 96 x 72 in album manager windows, as a user works
// with them: open, Select All (the first thumbnail clicked, then Shift+End) and the repaint of
// the page after it, Ctrl+End, a page up and down, sort by name and by date, find by name (the
// Find dialog's search of the album), cut half of the thumbnails and paste them into a second
// window, save, close. One source in ten is on disk, the others are gone. Both albums are open at
// once, each step is made on the one and then on the other (the short steps several times, their
// medians kept), so that the machine's load weighs alike on both; the ratio 100k / 10k per step
// is printed with its goal (at most 12 for ten times the thumbnails; at most 2 for the steps a
// key press makes, which should cost what is on screen), with the process's peak working set
// after the step, and at the end the peak against the thumbnails' bytes (goal: under 1.5 times).
// Beneath the open, the sorts, the save and the close, the work they cannot avoid (reading the
// file into blocks, one walk over the thumbnails, writing as many bytes, freeing as many blocks) is
// timed alike as a baseline, without a goal.
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
volatile DWORD g_sink = 0; // keeps the baseline walk from being optimised away
size_t g_albumsPeak = 0; // the process's peak working set once the albums are closed

void Record(int which, const char* name, bool keyPress, double seconds)
{
    for (Step& s : g_steps)
        if (!strcmp(s.name, name)) {
            s.seconds[which] = seconds;
            s.peak[which] = PeakWorkingSet();
            return;
        }
    Step s = {name, keyPress, {0, 0}, {0, 0}};
    s.seconds[which] = seconds;
    s.peak[which] = PeakWorkingSet();
    g_steps.push_back(s);
}

uint64_t FileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA a;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &a))
        return 0;
    return (uint64_t(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
}

void WriteZeros(const std::string& path, uint64_t size)
{
    win::UniqueHandle f(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::vector<char> piece(1 << 20);
    for (uint64_t done = 0; f && done < size;) {
        DWORD n = DWORD(std::min<uint64_t>(piece.size(), size - done)), wrote = 0;
        if (!WriteFile(f.get(), piece.data(), n, &wrote, nullptr) || !wrote)
            break;
        done += wrote;
    }
}

// One album in its window, with the second window its half is pasted into.
struct Side {
    int count = 0;
    std::string folder;
    CAlbumMan* m = nullptr;
    CAlbum* album = nullptr;
    HWND w = nullptr;
    CAlbumMan* second = nullptr;
    double bytes = 0;
};

// Times f(side) on both albums, the one after the other, runs times (each after prepare(side),
// which is not timed), and keeps the medians: the two albums are so measured side by side
// whatever the machine's load does meanwhile.
template <class Prepare, class F>
void Time(Side (&sides)[2], const char* name, bool keyPress, int runs, Prepare prepare, F f)
{
    std::vector<double> times[2];
    for (int r = 0; r < runs; ++r)
        for (int which = 0; which < 2; ++which) {
            prepare(sides[which]);
            const double t0 = Now();
            f(sides[which]);
            times[which].push_back(Now() - t0);
        }
    for (int which = 0; which < 2; ++which) {
        std::sort(times[which].begin(), times[which].end());
        Record(which, name, keyPress, times[which][times[which].size() / 2]);
    }
}
template <class F>
void Time(Side (&sides)[2], const char* name, bool keyPress, F f)
{
    Time(sides, name, keyPress, 1, [](Side&) {}, f);
}

// An empty album folder for a second window.
std::string EmptyFolder(const std::string& root, int count)
{
    const std::string folder = root + "\\pasted" + std::to_string(count);
    CreateDirectoryA(folder.c_str(), nullptr);
    DeleteFileA((folder + "\\New Album.abm").c_str());
    return folder;
}

void SelectFromTo(Side& s, int first, int last)
{
    // Left keeps only the thumbnail before the focus selected; a click on first, Shift+End or
    // Shift+Home to last.
    Press(s.w, VK_LEFT);
    s.album->SetCurrentFocus(first);
    Keys(true, false);
    SendMessageA(s.w, WM_KEYDOWN, VK_SHIFT, 1);
    Press(s.w, last == 1 ? VK_HOME : VK_END);
    SendMessageA(s.w, WM_KEYUP, VK_SHIFT, 1);
    Keys(false, false);
}

bool Run(HWND host, const std::string& root, Side (&sides)[2])
{
    WritePrivateProfileStringA("Context", "LastOpen", "big", "album.ini"); // the album the windows open with
    Time(sides, "open", false, [&](Side& s) {
        s.m = CAlbumMan::CreateAlbumMan(kWidth, kWidth);
        if (s.m->Open(host, s.folder.c_str()) && s.m->GetAlbumCtrl())
            s.album = s.m->GetAlbumCtrl()->GetAlbum();
    });
    for (Side& s : sides) {
        if (!s.album || s.album->GetThumbNailCount() != s.count) {
            printf("no album window of %d thumbnails could be opened (is there a display?)\n", s.count);
            return false;
        }
        s.w = s.album->m_hWnd;
        for (CThumbnail2* t = s.album->m_Doc.m_pEnd->m_pNext; t != s.album->m_Doc.m_pEnd; t = t->m_pNext)
            s.bytes += double(GlobalSize(t->GetDib()) + sizeof t->m_Info);
    }

    Time(sides, "Select All (click, Shift+End)", false, [](Side& s) { SelectFromTo(s, 1, s.count); });
    const int runs = 7;
    Time(sides, "repaint after Select All", true, runs, [](Side&) {}, [](Side& s) {
        RedrawWindow(s.w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    });
    Time(sides, "Ctrl+End", true, runs, [](Side& s) { Press(s.w, VK_HOME); }, [](Side& s) {
        Keys(false, true);
        Press(s.w, VK_END);
        Keys(false, false);
    });
    Time(sides, "Page Up", true, runs, [](Side& s) { Press(s.w, VK_END); }, [](Side& s) { Press(s.w, VK_PRIOR); });
    Time(sides, "Page Down", true, runs, [](Side& s) { Press(s.w, VK_PRIOR); }, [](Side& s) { Press(s.w, VK_NEXT); });
    // Each sort from the other's order, so that both have work to do.
    Time(sides, "sort by name", false, 3, [](Side& s) { s.album->SortByDate(0); }, [](Side& s) {
        s.album->SortByName(0);
        UpdateWindow(s.w);
    });
    // Beneath every sort: one walk over the thumbnails in the album's order, reading a field of each.
    Time(sides, "baseline: walk the thumbnails once", false, 3, [](Side&) {}, [](Side& s) {
        DWORD sum = 0;
        for (CThumbnail2* t = s.album->m_Doc.m_pEnd->m_pNext; t != s.album->m_Doc.m_pEnd; t = t->m_pNext)
            sum += t->m_Info.dwFileTime;
        g_sink += sum;
    });
    Time(sides, "sort by date", false, 3, [](Side& s) { s.album->SortByName(0); }, [](Side& s) {
        s.album->SortByDate(0);
        UpdateWindow(s.w);
    });
    Time(sides, "find by name", false, [](Side& s) {
        Counter found;
        CSearchDlg search(nullptr, s.folder.c_str(), kWidth, kWidth);
        strcpy(search.m_Criteria.szAlbumPath, "big.abm");
        strcpy(search.m_Criteria.szName, "HARBOUR");
        search.m_Criteria.nLookIn = ALBUM_LOOK_IN_ALBUM;
        RunSearch(search, found);
        if (found.found != s.count / 100)
            printf("find by name found %d of %d\n", found.found, s.count / 100);
    });
    // The clipboard holds one cut at a time: each album is cut and pasted before the other.
    for (int which = 0; which < 2; ++which) {
        Side& s = sides[which];
        SelectFromTo(s, s.count / 2, 1);
        double t0 = Now();
        SendMessageA(s.m->m_hDlg, WM_COMMAND, 40003, 0);
        Record(which, "cut half", false, Now() - t0);
        s.second = CAlbumMan::CreateAlbumMan(kWidth, kWidth);
        s.second->Open(host, EmptyFolder(root, s.count).c_str());
        t0 = Now();
        SendMessageA(s.second->m_hDlg, WM_COMMAND, 40005, 0);
        UpdateWindow(s.second->m_hDlg);
        Record(which, "paste into a second window", false, Now() - t0);
        const int pasted = s.second->GetAlbumCtrl() ? s.second->GetAlbumCtrl()->GetAlbum()->GetThumbNailCount() : 0;
        if (pasted != s.count / 2 || s.album->GetThumbNailCount() != s.count - s.count / 2)
            printf("cut and paste left %d and %d thumbnails\n", s.album->GetThumbNailCount(), pasted);
    }
    // The bench's albums stay as they were made: the saves go to copies of their own. Beside
    // the save, what the platform alone takes to write as many bytes with WriteFile.
    auto saved = [&](const Side& s) { return root + "\\saved" + std::to_string(s.count) + ".abm"; };
    auto none = [](Side&) {};
    Time(sides, "save", false, 3, none, [&](Side& s) { s.album->Save(saved(s).c_str()); });
    Time(sides, "baseline: WriteFile as many bytes", false, 3, none, [&](Side& s) {
        WriteZeros(saved(s) + ".raw", FileSize(saved(s)));
    });
    for (const Side& s : sides) {
        DeleteFileA(saved(s).c_str());
        DeleteFileA((saved(s) + ".raw").c_str());
    }
    Time(sides, "close", false, [](Side& s) {
        s.m->m_bModified = 0;
        s.second->m_bModified = 0;
        DestroyWindow(s.second->m_hDlg);
        DestroyWindow(s.m->m_hDlg);
    });
    // The platform's parts of an open and a close, measured once the albums are closed so that
    // their blocks leave the albums' peak working set alone.
    g_albumsPeak = PeakWorkingSet();
    Time(sides, "baseline: read the file into blocks", false, [](Side& s) {
        win::UniqueHandle f(CreateFileA((s.folder + "\\big.abm").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        const size_t size = size_t(s.bytes / s.count);
        std::vector<HGLOBAL> blocks;
        DWORD got = 1;
        for (int i = 0; f && i < s.count && got; ++i) {
            blocks.push_back(GlobalAlloc(GMEM_MOVEABLE, size));
            void* p = GlobalLock(blocks.back());
            if (!p || !ReadFile(f.get(), p, DWORD(size), &got, nullptr))
                got = 0;
            GlobalUnlock(blocks.back());
        }
        for (HGLOBAL b : blocks)
            GlobalFree(b);
    });
    std::vector<HGLOBAL> blocks;
    Time(sides, "baseline: GlobalFree as many blocks", false, 3,
         [&](Side& s) {
             for (int i = 0; i < s.count; ++i)
                 blocks.push_back(GlobalAlloc(GMEM_MOVEABLE, size_t(s.bytes / s.count)));
         },
         [&](Side&) {
             for (HGLOBAL b : blocks)
                 GlobalFree(b);
             blocks.clear();
         });
    return true;
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
    Side sides[2];
    for (int i = 0; i < 2; ++i) {
        sides[i].count = sizes[i];
        sides[i].folder = folders[i];
    }
    const bool ran = Run(host, root, sides);
    DestroyWindow(host);
    if (!ran)
        return 1;

    printf("%-36s %12s %12s %8s  %-20s %s\n", "step", "10,000", "100,000", "ratio", "goal", "peak working set after");
    bool allMet = true;
    for (const Step& s : g_steps) {
        const double ratio = s.seconds[0] > 0 ? s.seconds[1] / s.seconds[0] : 0;
        if (!strncmp(s.name, "baseline:", 9)) { // no goal: what the work beneath a step grows by
            printf("%-36s %9.1f ms %9.1f ms %7.2fx\n", s.name, s.seconds[0] * 1e3, s.seconds[1] * 1e3, ratio);
            continue;
        }
        const double goal = s.keyPress ? 2 : 12;
        const bool met = ratio <= goal;
        allMet = allMet && met;
        printf("%-36s %9.1f ms %9.1f ms %7.2fx  at most %2gx %-7s %6.0f MB\n", s.name, s.seconds[0] * 1e3,
               s.seconds[1] * 1e3, ratio, goal, met ? "met" : "MISSED", s.peak[1] / 1048576.0);
    }
    const double bytes = sides[0].bytes + sides[1].bytes, peak = double(g_albumsPeak);
    printf("peak working set with both albums open: %.0f MB, their thumbnails %.0f MB: %.2fx (goal: under 1.5x) %s\n",
           peak / 1048576.0, bytes / 1048576.0, peak / bytes, peak < 1.5 * bytes ? "met" : "MISSED");
    return allMet ? 0 : 1;
}
