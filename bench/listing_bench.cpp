// Image file listing of a folder tree: ScanFolderFiles with subfolders, timed inside the process
// (Wine's start-up is not counted), each folder read once with the patterns matched in memory,
// and, in the same run, searched once per pattern by the platform as before. Runs alternate
// between the two. Prints the file and folder counts and the best and median time of each.
// bench/listing_bench.sh builds a tree and sets `find` beside it.
// Run: scripts/wine-run.sh build/x64/bin/listing_bench.exe FOLDER [RUNS]
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <algorithm>
#include <vector>
#include "search/ImageFiles.h"
#include "BenchClock.h"

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: listing_bench FOLDER [RUNS]\n");
        return 2;
    }
    const int runs = argc > 2 ? atoi(argv[2]) : 7;
    std::vector<double> times[2]; // [0] one read per folder, [1] searches per pattern
    int files[2] = {0, 0};
    for (int i = 0; i < runs; ++i)
        for (int way = 0; way < 2; ++way) {
            SetImageListingInOneRead(way == 0);
            PathSlot* list = nullptr;
            int count = 0;
            const double t0 = Now();
            files[way] = ScanFolderFiles(argv[1], &list, &count, 1);
            times[way].push_back(Now() - t0);
            FreePathList(&list, &count);
        }
    SetImageListingInOneRead(true);
    PathSlot* list = nullptr;
    int count = 0;
    CollectSubfolders(argv[1], &list, &count);
    const int folders = count;
    FreePathList(&list, &count);

    printf("files %d folders %d runs %d\n", files[0], folders + 1, runs);
    const char* const names[] = {"scan", "searches"};
    for (int way = 0; way < 2; ++way) {
        std::sort(times[way].begin(), times[way].end());
        printf("%s best %.4f s median %.4f s\n", names[way], times[way].front(), times[way][times[way].size() / 2]);
    }
    if (files[0] != files[1])
        printf("MISMATCH: one read listed %d files, the searches %d\n", files[0], files[1]);
    return files[0] > 0 && files[0] == files[1] ? 0 : 1;
}
