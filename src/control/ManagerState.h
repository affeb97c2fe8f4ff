// What the album manager windows share in the process: the thumbnail clipboard, the choices kept
// between uses of the small dialogs, the Find dialog's running flag and the active album window;
// and the name check for album files.
#pragma once

#include <windows.h>
#include <string>
#include <vector>
#include "album/AlbumDoc.h"

namespace manager {

// The thumbnail clipboard: copies of the thumbnails last copied or cut; null when empty. The
// Find dialog uses it too.
CAlbumDoc2* Clipboard();
// Replaces the clipboard (freeing the previous one); null empties it.
void SetClipboard(CAlbumDoc2* copies);

// Choices of the "Sort" and "Delete Options" dialogs, kept between uses.
struct Choices {
    int sortKey = 0;          // 0 name, 1 type, 2 size, 3 date, 4 description
    int reverse = 0;
    int deleteThumbnailsOnly = 1;
};
Choices& Kept();

// Set while a Find dialog opened from a manager window is up.
extern int g_searchRunning;
// The manager window most recently activated in the process (any thread).
extern HWND g_activeAlbumWindow;

// Checks a typed album name for folder; name is a 260-byte buffer that gets ".abm" appended.
// Refusals show their message (owned by owner) when messages is true and return 0: an empty or
// blank name, a name with characters no file name may hold or a device name (string 3), the name
// "New Album" (string 27), an existing album (string 13), a path that would not fit 260
// characters or a file that cannot be created (string 3). 1 when the name is accepted.
int CheckAlbumName(HWND owner, const char* folder, char* name, bool messages);
// folder + "\" + name + extension into out (MAX_PATH bytes); false when it does not fit.
bool JoinPath(char* out, const char* folder, const char* name, const char* extension);

// The albums of a folder: the names of its ".abm" files without the extension, in the order the
// file system lists them.
std::vector<std::string> AlbumNamesIn(const char* folder);
// The text of a list box entry into out (MAX_PATH bytes); false when there is none or it is too long.
bool ListText(HWND list, int index, char* out);

// A string of the library's string table (empty when missing).
std::string LoadText(UINT id);

} // namespace manager
