// Image file listing of a folder tree: ScanFolderFiles with subfolders, timed inside the process
// (Wine's start-up is not counted). Prints the file and folder counts and the best and median
// time of the runs. bench/listing_bench.sh builds a tree and sets `find` beside it.
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
    std::vector<double> times;
    int files = 0, folders = 0;
    for (int i = 0; i < runs; ++i) {
        PathSlot* list = nullptr;
        int count = 0;
        double t0 = Now();
        files = ScanFolderFiles(argv[1], &list, &count, 1);
        times.push_back(Now() - t0);
        FreePathList(&list, &count);
    }
    PathSlot* list = nullptr;
    int count = 0;
    double t0 = Now();
    CollectSubfolders(argv[1], &list, &count);
    double walk = Now() - t0;
    folders = count;
    FreePathList(&list, &count);

    std::sort(times.begin(), times.end());
    double best = times.front(), median = times[times.size() / 2];
    printf("files %d folders %d runs %d\n", files, folders + 1, runs);
    printf("scan best %.4f s median %.4f s (subfolder walk alone %.4f s)\n", best, median, walk);
    printf("per file best %.2f us\n", files > 0 ? best * 1e6 / files : 0.0);
    return files > 0 ? 0 : 1;
}
