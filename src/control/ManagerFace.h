// What the album manager shows and asks through its window: the information line, the
// description box, and the small dialogs it runs. The manager reaches its window only through
// these (and its window's handles); the window's procedure drives the manager.
#pragma once

#include <windows.h>
#include <string>
#include <vector>
#include "album/AlbumMan.h"

// The information line shows string 9 with count.
void SetInfoCount(CAlbumMan& m, int count);
// How far a run of several additions is ("Adding 37 of 200 ... Esc stops"); the run ends with
// SetInfoCount.
void SetInfoProgress(CAlbumMan& m, int file, int files);
// The count, and how many dropped files were skipped as not images.
void SetInfoSkipped(CAlbumMan& m, int count, int skipped);
// The description box shows text; the modified flag stays as it was.
void SetDescriptionBox(CAlbumMan& m, const char* text);
// String 9 with the thumbnail count and the album's description.
void ShowAlbumSummary(CAlbumMan& m);

// Tells in one message box which files were passed over because their names cannot be stored
// in an album here (each "... cannot be added: ..."; the first ten, then how many more).
void TellUnstorableNames(HWND owner, const std::vector<std::wstring>& paths);

// Runs "Save New Album" (dialog 109) for folder, owned by owner: name (MAX_PATH bytes) receives
// the accepted name with ".abm". False when the user cancels.
bool AskNewAlbumName(HWND owner, const char* folder, char* name);
// "Sort" (dialog 102) and "Delete Options" (dialog 124); the choices are kept in manager::Kept().
INT_PTR CALLBACK SortDialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK DeleteOptionsProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
