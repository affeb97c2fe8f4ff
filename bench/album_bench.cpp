// Album data benchmark: sorting, appending and loading at 1k, 10k and 100k thumbnails.
// Run: scripts/wine-run.sh build/x64/bin/album_bench.exe
#include <windows.h>
#include <stdio.h>
#include <string.h>
#include <algorithm>
#include <string>
#include <vector>
#include "album/AlbumDoc.h"
#include "win/Handles.h"
#include "BenchClock.h"

namespace {

struct Table : CAlbumDoc2 {
    using CThumbTable2::SortBy;
};

unsigned g_seed = 12345;
unsigned Next() { g_seed = g_seed * 1103515245u + 12345u; return g_seed >> 8; }

HGLOBAL Image(int w, int h)
{
    size_t stride = ((size_t(w) * 3 + 3) / 4) * 4;
    size_t size = 40 + stride * size_t(h);
    HGLOBAL g = win::GlobalBlock::Allocate(size, true).release();
    auto* p = static_cast<BITMAPINFOHEADER*>(GlobalLock(g));
    p->biSize = 40; p->biWidth = w; p->biHeight = h; p->biPlanes = 1; p->biBitCount = 24;
    GlobalUnlock(g);
    return g;
}

// n thumbnails with realistic names: many folders, repeating stems, a few extensions.
void Fill(Table& t, int n, int w, int h)
{
    const char* ext[] = {"jpg", "JPG", "png", "bmp", "tif", "jpeg"};
    for (int i = 0; i < n; ++i) {
        tagALBUMINFOHEADER r = {};
        snprintf(r.szFileName, sizeof r.szFileName, "Folder%03u\\IMG_%04u.%s", Next() % 300, Next() % 5000, ext[Next() % 6]);
        snprintf(r.szDescription, sizeof r.szDescription, "%s %u", (Next() % 2) ? "Beach" : "beach", Next() % 50);
        r.dwFileSize = Next() % 4000000;
        r.dwFileTime = 1500000000u + Next() % 100000000u;
        r.wBitCount = 24;
        HGLOBAL img = Image(w, h);
        r.dwDibSize = DWORD(GlobalSize(img));
        r.wThumbWidth = WORD(w);
        r.wThumbHeight = WORD(h);
        t.Insert(new CThumbnail2(&r, img, 0, 1), nullptr);
    }
}

// The least work that puts a file's bytes in memory: one fresh buffer of its size, read in 4 MB
// requests. (Reading through one small reused buffer would never touch fresh memory; an album
// in memory cannot avoid that.)
double ReadWholeFile(const char* path)
{
    double t0 = Now();
    HANDLE f = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    LARGE_INTEGER size;
    GetFileSizeEx(f, &size);
    char* buf = static_cast<char*>(VirtualAlloc(nullptr, size_t(size.QuadPart), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    size_t done = 0;
    DWORD n = 0;
    while (ReadFile(f, buf + done, DWORD(std::min<size_t>(4 << 20, size_t(size.QuadPart) - done)), &n, nullptr) && n > 0)
        done += n;
    CloseHandle(f);
    double t = Now() - t0;
    VirtualFree(buf, 0, MEM_RELEASE);
    return t;
}

// Selection sort by name, as plainly as it can be written, for the side-by-side figure.
double SelectionSortByName(Table& t)
{
    std::vector<CThumbnail2*> rest;
    for (int i = 1; i <= t.GetCount(); ++i)
        rest.push_back(t.GetThumbnail(i));
    double t0 = Now();
    std::vector<CThumbnail2*> out;
    while (!rest.empty()) {
        size_t best = 0;
        for (size_t i = 1; i < rest.size(); ++i) {
            const char* a = strrchr(rest[i]->m_Info.szFileName, '\\');
            const char* b = strrchr(rest[best]->m_Info.szFileName, '\\');
            char ca[128], cb[128];
            lstrcpynA(ca, a ? a + 1 : rest[i]->m_Info.szFileName, 128);
            lstrcpynA(cb, b ? b + 1 : rest[best]->m_Info.szFileName, 128);
            if (lstrcmpA(ca, cb) < 0)
                best = i;
        }
        out.push_back(rest[best]);
        rest.erase(rest.begin() + long(best));
    }
    return Now() - t0;
}

} // namespace

int main()
{
    const char* keys[] = {"name", "type", "size", "date", "description"};
    printf("Sorting (seconds per SortBy)\n%10s", "count");
    for (const char* k : keys)
        printf(" %12s", k);
    printf("\n");
    for (int n : {1000, 10000, 100000}) {
        Table t;
        Fill(t, n, 1, 1);
        printf("%10d", n);
        for (int key = 0; key < 5; ++key) {
            double t0 = Now();
            t.SortBy(key, 0);
            printf(" %12.4f", Now() - t0);
        }
        printf("\n");
    }
    for (int n : {1000, 3000}) {
        Table t;
        Fill(t, n, 1, 1);
        double sel = SelectionSortByName(t);
        double t0 = Now();
        t.SortBy(0, 0);
        double ours = Now() - t0;
        printf("by name, %d thumbnails: selection sort %.4f s, SortBy %.4f s (%.0fx faster)\n", n, sel, ours,
               sel / (ours > 0 ? ours : 1e-9));
    }

    char dir[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    std::string path = std::string(dir) + "album_bench.abm";
    printf("\nAppending, saving and loading (automatic check off)\n");
    printf("%10s %8s %12s %10s %10s %10s %12s\n", "count", "thumb", "file MB", "append s", "save s", "load s",
           "raw read s");
    struct Case { int n, w, h; };
    for (Case c : {Case{1000, 96, 72}, Case{10000, 96, 72}, Case{1000, 32, 24}, Case{10000, 32, 24},
                   Case{100000, 32, 24}}) {
        double append, save;
        {
            Table t;
            double t0 = Now();
            Fill(t, c.n, c.w, c.h);
            append = Now() - t0;
            t0 = Now();
            if (!t.Save(path.c_str()))
                printf("save failed\n");
            save = Now() - t0;
        }
        ReadWholeFile(path.c_str()); // warm the cache for both readers
        double raw = ReadWholeFile(path.c_str());
        Table back;
        back.SetAutoCheck(0);
        double t0 = Now();
        back.Load(path.c_str());
        double load = Now() - t0;
        WIN32_FILE_ATTRIBUTE_DATA fa;
        GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &fa);
        printf("%10d %5dx%-2d %12.1f %10.3f %10.3f %10.3f %12.3f   load/raw %.2f\n", c.n, c.w, c.h,
               double(fa.nFileSizeLow + (uint64_t(fa.nFileSizeHigh) << 32)) / 1e6, append, save, load, raw,
               load / raw);
    }
    DeleteFileA(path.c_str());
    return 0;
}
