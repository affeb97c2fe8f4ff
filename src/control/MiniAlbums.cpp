// The mini-album table: view records registered under window-class names, filled from the front.
#include "control/MiniAlbums.h"

#include <string.h>
#include <mutex>

namespace {

struct Entry {
    char name[ALBUM_MINI_NAME_SIZE];
    tagAlbumViewCreateInfo info;
};

// Shared by every control of the process; managers may live on several threads.
Entry g_entries[ALBUM_MINI_TABLE_SIZE];
std::mutex g_mutex;

bool Fits(const char* name) { return strnlen(name, ALBUM_MINI_NAME_SIZE) < ALBUM_MINI_NAME_SIZE; }

// The entry holding name, else the first free one; -1 when neither exists. A name too long for
// an entry matches none.
int Find(const char* name)
{
    const bool canMatch = Fits(name);
    for (int i = 0; i < ALBUM_MINI_TABLE_SIZE; ++i)
        if (g_entries[i].name[0] == '\0' || (canMatch && strcmp(g_entries[i].name, name) == 0))
            return i;
    return -1;
}

} // namespace

int RegisterMiniAlbum(const char* name, tagAlbumViewCreateInfo& info)
{
    if (!name || !*name || !Fits(name))
        return 0;
    std::lock_guard<std::mutex> lock(g_mutex);
    int i = Find(name);
    if (i < 0 || g_entries[i].name[0] != '\0')
        return 0; // full, or the name is taken
    g_entries[i].info = info;
    memcpy(g_entries[i].name, name, strlen(name) + 1);
    return 1;
}

int GetAlbumCtrlACI(tagAlbumViewCreateInfo* info, const char* name)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    int i = Find(name ? name : "");
    if (i >= 0 && info)
        *info = g_entries[i].info;
    return i;
}

// The grid a snapping control computed is written back into its entry.
void StoreMiniAlbumGrid(int entry, int rows, int cols)
{
    if (entry < 0 || entry >= ALBUM_MINI_TABLE_SIZE)
        return;
    std::lock_guard<std::mutex> lock(g_mutex);
    g_entries[entry].info.nRows = rows;
    g_entries[entry].info.nCols = cols;
}

// The class name of an entry ("" for a free one) into out (256 bytes).
void MiniAlbumName(int entry, char* out)
{
    out[0] = '\0';
    if (entry < 0 || entry >= ALBUM_MINI_TABLE_SIZE)
        return;
    std::lock_guard<std::mutex> lock(g_mutex);
    memcpy(out, g_entries[entry].name, ALBUM_MINI_NAME_SIZE);
}

void ResetMiniAlbumsForTest()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    memset(g_entries, 0, sizeof g_entries);
}
