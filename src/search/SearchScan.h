// Running a search of the Find dialog: the folders and album files to examine, built from the
// criteria; every image file on disk and every thumbnail of every album tested; what matches
// handed on in batches as it is found. Esc stops a run; the next run continues where it stopped.
#pragma once

#include <windows.h>
#include <string>
#include <vector>
#include "album/AlbumSearch.h"
#include "search/SearchDlg.h"

// Where a run reports. The dialog turns these into message 0xD401 to its window; tests record them.
class SearchReport {
public:
    virtual ~SearchReport() = default;
    // The file or album about to be examined.
    virtual void Examining(const char* path) = 0;
    // Thumbnails found; the table stays the scanner's and is deleted after the call.
    virtual void Found(CThumbTable2* table) = 0;
    // The run is over (ended, stopped or found nothing to scan).
    virtual void Ended() = 0;
    // The album names a search of "All Albums" covers, in list order (file names with ".abm").
    virtual std::vector<std::string> AlbumNames() = 0;
};

// One run over the search object: builds the lists first when the search is new, then scans
// from the saved folder, file, album and thumbnail on. Sets the search state: stopped (Esc before
// the end), finished, or new again when there was nothing to scan. 1 after a run; 0 with a beep
// when the last search already ran to its end.
int RunSearch(CSearchDlg& s, SearchReport& report);

// A run for the Find dialog, reporting with message 0xD401 to its window; 0 (with a beep) when
// the window is gone.
int ScanForSearchDlg(CSearchDlg* s);

// 1 when the file on disk meets the criteria on name, type, date and size (the description is
// not tested for files); else 0, also when the file cannot be examined. The file is not opened.
int MatchFileCriteria(const char* path, const tagAlbumSearchCreteria* criteria);
// The same test on what a directory listing told about the file; a file listed by its short name
// also matches by its real name (realName, else the criteria's name).
bool MatchFileEntry(const ImageFileEntry& entry, const tagAlbumSearchCreteria& criteria,
                    const album::RealNameWanted* realName = nullptr);
