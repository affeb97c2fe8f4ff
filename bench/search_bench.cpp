// Search and source-check benchmark on an album of real files.
// Builds a folder of small image files and a 10,000-thumbnail album of them, then times:
//  - CThumbTable2::Search by name (a name that matches nothing, so every thumbnail pays for the
//    file system lookups of the name comparison), first and second run;
//  - the same search by description only (no file system work), for comparison;
//  - Load with the automatic source check on (sources unchanged) against Load with it off.
// Run: scripts/wine-run.sh build/x64/bin/search_bench.exe [COUNT]
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include "album/AlbumDoc.h"
#include "album/ThumbBuild.h"
#include "win/Handles.h"
#include "BenchClock.h"

namespace {

void WriteBmp(const std::string& path, unsigned seed)
{
    const int w = 16, h = 12, stride = 48;
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
    unsigned char pixels[48 * 12];
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
    const std::string images = root + "\\Photos";
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

    CAlbumDoc2 doc;
    doc.SetAutoCheck(0);
    doc.SetThumbnailSize(32, 32);
    double t0 = Now();
    doc.Load(album.c_str());
    const double loadOff = Now() - t0;
    CAlbumDoc2 checked;
    checked.SetThumbnailSize(32, 32);
    t0 = Now();
    checked.Load(album.c_str());
    const double loadOn = Now() - t0;

    // Stored names are relative ("Photos\holiday_picture_00001.bmp"); the name comparison takes
    // them relative to the current folder, so search from the album's folder.
    SetCurrentDirectoryA(root.c_str());
    tagAlbumSearchCreteria byName = {};
    strcpy(byName.szName, "NO SUCH NAME");
    tagAlbumSearchCreteria byDescription = {};
    strcpy(byDescription.szDescription, "BEACH");
    int found1, found2, found3;
    const double first = TimeSearch(doc, byName, &found1);
    const double second = TimeSearch(doc, byName, &found2);
    const double description = TimeSearch(doc, byDescription, &found3);

    const int n = doc.GetCount();
    printf("\n%d thumbnails whose names resolve to real files\n", n);
    printf("  search by name, first run:   %8.3f s  %7.1f us/thumbnail  (%d found)\n", first, 1e6 * first / n, found1);
    printf("  search by name, second run:  %8.3f s  %7.1f us/thumbnail  (%d found)\n", second, 1e6 * second / n, found2);
    printf("  search by description only:  %8.3f s  %7.1f us/thumbnail  (%d found)\n", description,
           1e6 * description / n, found3);
    printf("  name lookups cost %.0fx the description-only pass\n", second / (description > 0 ? description : 1e-9));
    printf("  load, automatic check off:   %8.3f s\n", loadOff);
    printf("  load, automatic check on:    %8.3f s  (%.1fx; sources unchanged, %d thumbnails)\n", loadOn,
           loadOn / (loadOff > 0 ? loadOff : 1e-9), checked.GetCount());
    return 0;
}
