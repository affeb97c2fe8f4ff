// The Find dialog (dialog 120): criteria on three tabs, a results album below them, and the state
// of a search that can be stopped with Esc and continued later.
#pragma once

#include <windows.h>
#include "album/AlbumCtrl.h"
#include "album/SearchCriteria.h"
#include "search/ImageFiles.h"

// Search states.
enum {
    kSearchNew = 1,      // the next search starts afresh
    kSearchStopped = 2,  // a search stopped with Esc can be continued
    kSearchFinished = 3, // the last search ran to its end
};

class CSearchDlg {
public:
    CSearchDlg(HWND host, const char* albumFolder, int thumbWidth, int thumbHeight);
    ~CSearchDlg();
    CSearchDlg(const CSearchDlg&) = delete;
    CSearchDlg& operator=(const CSearchDlg&) = delete;

    // Frees both lists and starts over: indexes 0, album position 1, a new search, no unsaved
    // results.
    void ResetScan();

    // The results album, or null before the dialog has its control.
    CAlbum* Results() const;

    char m_szAlbumFolder[MAX_PATH];
    int m_nThumbWidth;
    int m_nThumbHeight;
    HWND m_hHost;
    int m_bUnsaved;                // results arrived since the last save
    CThumbnail2* m_pFocused;       // the result whose description edit 102 shows
    PathSlot* m_pFolders;
    int m_nFolderCount;
    int m_nFolderIndex;            // next folder to scan
    int m_nFileIndex;              // next file to test in that folder
    PathSlot* m_pAlbums;
    int m_nAlbumCount;
    int m_nAlbumIndex;             // next album to search
    int m_nAlbumPosition;          // next thumbnail to test in that album, from 1
    int m_nTab;
    tagAlbumSearchCreteria m_Criteria;
    int m_nSearchState;
    HWND m_hDlg;
    // The name box's text as typed, beside the criteria (whose name holds it in the ANSI code
    // page, which may not carry it): real names of sources are searched for it.
    WCHAR m_szTypedName[128];
};

// Control identifiers of dialog 120.
namespace finddlg {
enum : int {
    kFind = 1, kExit = 2, kNewSearch = 121, kSave = 122, kTabs = 123,
    kName = 125, kDescription = 127, kMatchCase = 128,
    kFolder = 1020, kAlbum = 1018, kSubfolders = 1022, kBrowse = 1023, kLookInAlbum = 1019, kLookInFolder = 1021,
    kAllImages = 129, kModified = 130, kBetween = 131, kPrevMonths = 132, kPrevDays = 133,
    kFromDate = 134, kToDate = 136, kMonths = 137, kMonthsSpin = 138, kDays = 140, kDaysSpin = 141,
    kType = 144, kSizeKind = 146, kSize = 147,
    kResultDescLabel = 204, kResultDesc = 102, kInfoLabel = 205, kInfo = 207, kResults = 104,
};
// The popup commands of the results album.
enum : int { kCut = 40003, kCopy = 40004, kPaste = 40005, kDelete = 40006 };
// History of searched folders: section and file of the profile, and the most entries written.
extern const char kHistorySection[];
extern const char kHistoryProfile[];
constexpr int kHistoryLimit = 25;
} // namespace finddlg

INT_PTR CALLBACK SearchDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);

// The dialog object of a Find dialog of this process, or null for any other window.
CSearchDlg* SearchDlgOfWindow(HWND window);

// ---- results (SearchResults.cpp) ----
// Progress and results from the scanner (message 0xD401).
void OnSearchProgress(CSearchDlg& s, WPARAM code, LPARAM data);
// The focused result changed (message 0x505): the description edit's text goes to the one before.
void OnResultFocus(CSearchDlg& s, LPARAM thumbnail);
// Stores edit 102's text into the focused result, or into the results album while none is.
void StoreResultDescription(CSearchDlg& s);
// The "search album" menu over a results cell (message 0x507).
void ShowResultsMenu(CSearchDlg& s, LPARAM cell);
// Cut, Copy, Paste and Delete on the results.
void OnResultsCommand(CSearchDlg& s, int id);
// Saves the results as a new album the user names. True when the album was written.
bool SaveResults(CSearchDlg& s);

// ---- layout (SearchLayout.cpp) ----
// Measures the dialog and places the results area below the criteria; the dialog starts collapsed.
void InitSearchLayout(CSearchDlg& s);
// Shows the results area below the criteria.
void ExpandSearchDialog(CSearchDlg& s);
void OnSearchSizing(CSearchDlg& s, RECT& proposed, WPARAM edge);
void OnSearchSize(CSearchDlg& s);
