// Search and source-check benchmark on an album of real files.
// Builds a folder of small image files and a 10,000-thumbnail album of them, then times:
//  - CThumbTable2::Search by name (a name that matches nothing, so every thumbnail pays for the
//    file system lookups of the name comparison), first and second run;
//  - the same search by description only (no file system work), for comparison;
//  - Load with the automatic source check on (sources unchanged) against Load with it off.
// Thumbnails are 32 x 24 (sources of 64 x 48). Where the build looks sources up through folder
// listings, every figure is also taken with the listings turned off, side by side.
// Run: scripts/wine-run.sh build/x64/bin/search_bench.exe [COUNT]
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>
#include <algorithm>
#include "album/AlbumDoc.h"
#include "album/ThumbBuild.h"
#include "album/FolderListing.h"
#include "win/Handles.h"
#include "BenchClock.h"

namespace {

void WriteBmp(const std::string& path, unsigned seed)
{
    const int w = 64, h = 48, stride = 192;
    BITMAPFILEHEADER fh = {};
    BITMAPINFOHEADER ih = {};
    ih.biSize = sizeof ih;
    ih.biWidth = w;
    ih.biHeight = h;
    ih.biPlanes = 1;
    ih.biBitCount = 24;
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof ih;
    fh.bfSize = fh.bfOffBits + stride * h;
    unsigned char pixels[192 * 48];
    for (int i = 0; i < stride * h; ++i)
        pixels[i] = static_cast<unsigned char>(seed * 7 + i);
    FILE* f = fopen(path.c_str(), "wb");
    fwrite(&fh, sizeof fh, 1, f);
    fwrite(&ih, sizeof ih, 1, f);
    fwrite(pixels, sizeof pixels, 1, f);
    fclose(f);
}

double TimeSearch(CAlbumDoc2& doc, const tagAlbumSearchCreteria& criteria, int* found)
{
    int position = 1;
    double t0 = Now();
    CThumbTable2* result = doc.Search(criteria, position);
    double t = Now() - t0;
    *found = result ? result->GetCount() : -1;
    delete result;
    return t;
}

} // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? atoi(argv[1]) : 10000;
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string root = std::string(temp) + "album_search_bench";
    const std::string images = root + "\\Photos64";
    CreateDirectoryA(root.c_str(), nullptr);
    CreateDirectoryA(images.c_str(), nullptr);
    const std::string album = root + "\\bench.abm";

    printf("Preparing %d image files and their album...\n", count);
    {
        CAlbumDoc2 doc;
        doc.SetAutoCheck(0);
        for (int i = 0; i < count; ++i) {
            char name[MAX_PATH];
            snprintf(name, sizeof name, "%s\\holiday_picture_%05d.bmp", images.c_str(), i);
            if (GetFileAttributesA(name) == INVALID_FILE_ATTRIBUTES)
                WriteBmp(name, unsigned(i));
            CThumbnail2* t = BuildThumbnailFromFile(name, 32, 32, i % 10 == 0 ? "beach" : nullptr);
            if (t)
                doc.Insert(t, nullptr);
        }
        doc.Save(album.c_str());
    }

    tagAlbumSearchCreteria byName = {};
    strcpy(byName.szName, "NO SUCH NAME");
    tagAlbumSearchCreteria byDescription = {};
    strcpy(byDescription.szDescription, "BEACH");

    struct Figures {
        double loadOff, loadOn, first, second, description;
        int found1, found2, found3, count, checked;
    };
    auto measure = [&]() {
        Figures f = {};
        // Loads are quick and the machine is shared: the median of nine of each, alternated.
        std::vector<double> off, on;
        CAlbumDoc2 doc;
        for (int round = 0; round < 9; ++round) {
            CAlbumDoc2 plain;
            plain.SetAutoCheck(0);
            plain.SetThumbnailSize(32, 32);
            double t0 = Now();
            plain.Load(album.c_str());
            off.push_back(Now() - t0);
            CAlbumDoc2 checked;
            checked.SetThumbnailSize(32, 32);
            t0 = Now();
            checked.Load(album.c_str());
            on.push_back(Now() - t0);
            f.checked = checked.GetCount();
        }
        std::sort(off.begin(), off.end());
        std::sort(on.begin(), on.end());
        f.loadOff = off[4];
        f.loadOn = on[4];
        doc.SetAutoCheck(0);
        doc.Load(album.c_str());
        // Stored names are relative ("Photos64\holiday_picture_00001.bmp"); the name comparison
        // takes them relative to the current folder, so search from the album's folder.
        char previous[MAX_PATH];
        GetCurrentDirectoryA(sizeof previous, previous);
        SetCurrentDirectoryA(root.c_str());
        f.first = TimeSearch(doc, byName, &f.found1);
        f.second = TimeSearch(doc, byName, &f.found2);
        f.description = TimeSearch(doc, byDescription, &f.found3);
        f.count = doc.GetCount();
        SetCurrentDirectoryA(previous);
        return f;
    };
    album::SetFolderListings(false);
    const Figures direct = measure();
    album::SetFolderListings(true);
    album::SetFolderReadInBatches(false);
    const Figures oneByOne = measure();
    album::SetFolderReadInBatches(true);
    const Figures f = measure();
    auto print = [](const char* what, const Figures& f) {
        const int n = f.count;
        printf("\n%s: %d thumbnails whose names resolve to real files\n", what, n);
        printf("  search by name, first run:   %8.3f s  %7.1f us/thumbnail  (%d found)\n", f.first, 1e6 * f.first / n, f.found1);
        printf("  search by name, second run:  %8.3f s  %7.1f us/thumbnail  (%d found)\n", f.second, 1e6 * f.second / n, f.found2);
        printf("  search by description only:  %8.3f s  %7.1f us/thumbnail  (%d found)\n", f.description,
               1e6 * f.description / n, f.found3);
        printf("  load, automatic check off:   %8.3f s  (median of 9)\n", f.loadOff);
        printf("  load, automatic check on:    %8.3f s  (median of 9; %.2fx the load without it; sources unchanged, %d thumbnails)\n",
               f.loadOn, f.loadOn / (f.loadOff > 0 ? f.loadOff : 1e-9), f.checked);
    };
    print("Each source looked up on its own", direct);
    print("Sources looked up through one listing per folder, folders read entry by entry", oneByOne);
    print("Sources looked up through one listing per folder, folders read in batches", f);
    printf("\nGoals: name search <= 20 us per thumbnail (now %.1f, second run %.1f); load with the check <= 2x "
           "without (now %.2fx; %.2fx without listings)\n",
           1e6 * f.first / f.count, 1e6 * f.second / f.count, f.loadOn / f.loadOff, direct.loadOn / direct.loadOff);
    return 0;
}
