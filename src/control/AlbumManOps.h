// The album manager's operations beyond its class that its window (and Add To Album, the tests)
// use: asking to save, switching albums, adding a folder, and where a typed description goes.
#pragma once

#include <windows.h>
#include <string>
#include <vector>
#include "album/AlbumMan.h"

// Offers to save the modified current album. Saved and Nothing let the caller go on; Failed
// means the user asked to save and the save did not happen, so the album must stay.
enum class SaveAnswer { Nothing, Saved, Failed };
SaveAnswer AskToSave(CAlbumMan& m);
// Reload, telling why it did not happen: NotSaved when the user asked to save the current album
// and that failed, NotOpened when the album at path cannot be read. Either way the current
// album stays shown and current.
enum class ReloadResult { Loaded, NotSaved, NotOpened };
ReloadResult ReloadAlbum(CAlbumMan& m, const char* path);
// Reads and inserts the image files of folder and its subfolders; 0 when there are none.
int AddFolderFiles(CAlbumMan& m, const char* folder);

// Files dragged onto an album window: the image files among them, each dropped folder's as Add
// Folder lists them, and how many were neither (left out).
struct DroppedFiles {
    std::vector<std::string> images;
    int skipped = 0;
};
DroppedFiles SortDroppedPaths(const std::vector<std::string>& paths);
// Inserts the dropped files' images in front of before (at the end when null), and tells on the
// information line how many were skipped. 0 when there is no album or the thread is busy.
int InsertDroppedFiles(CAlbumMan& m, const std::vector<std::string>& paths, CThumbnail2* before);
// Whether t is one of the album's thumbnails.
bool IsThumbnailOf(CAlbum* album, const CThumbnail2* t);
// The description box's text goes to the description target, or to the album when there is
// none. A target that is no longer one of the album's thumbnails is forgotten and the text dropped.
void StoreDescription(CAlbumMan& m, const char* text);
