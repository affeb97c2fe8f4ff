#include "control/ManagerState.h"

#include <stdio.h>
#include <string.h>
#include <string>
#include "imaging/ModalGuard.h"
#include "resource.h"
#include "win/Handles.h"
#include "win/Module.h"

namespace manager {

namespace {

CAlbumDoc2* g_clipboard = nullptr;
Choices g_choices;

bool IsBlank(const char* s)
{
    for (; *s; ++s)
        if (*s != ' ')
            return false;
    return true;
}

// Characters no file name holds, and names the platform keeps for devices (with or without an
// extension: "nul.abm" is the device too).
bool IsUnusableFileName(const char* name)
{
    for (const char* p = name; *p; ++p)
        if (static_cast<unsigned char>(*p) < 32 || strchr("\\/:*?\"<>|", *p))
            return true;
    char base[MAX_PATH];
    win::CopyText(base, sizeof base, name);
    if (char* dot = strchr(base, '.'))
        *dot = '\0';
    size_t n = strlen(base);
    while (n > 0 && base[n - 1] == ' ')
        base[--n] = '\0';
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* d : kDevices)
        if (lstrcmpiA(base, d) == 0)
            return true;
    if (n == 4 && (_strnicmp(base, "COM", 3) == 0 || _strnicmp(base, "LPT", 3) == 0) && base[3] >= '0' &&
        base[3] <= '9')
        return true;
    return false;
}

int Refuse(HWND owner, bool messages, UINT text)
{
    if (messages)
        ModalMessageBoxIds(owner, text, IDS_CAPTION_MANAGER, MB_ICONEXCLAMATION);
    return 0;
}

} // namespace

int g_searchRunning = 0;
HWND g_activeAlbumWindow = nullptr;

CAlbumDoc2* Clipboard() { return g_clipboard; }

void SetClipboard(CAlbumDoc2* copies)
{
    if (g_clipboard != copies)
        delete g_clipboard;
    g_clipboard = copies;
}

Choices& Kept() { return g_choices; }

std::string LoadText(UINT id)
{
    char text[512];
    int n = LoadStringA(AlbumInstance(), id, text, sizeof text);
    return std::string(text, n > 0 ? size_t(n) : 0);
}

std::vector<std::string> AlbumNamesIn(const char* folder)
{
    std::vector<std::string> names;
    char pattern[MAX_PATH];
    if (!folder || !JoinPath(pattern, folder, "*", ".abm"))
        return names;
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA(pattern, &fd);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        // The short-name match lets "x.abmz" through: only ".abm" files are albums.
        const size_t n = strlen(fd.cFileName);
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && n > 4 && lstrcmpiA(fd.cFileName + n - 4, ".abm") == 0)
            names.emplace_back(fd.cFileName, n - 4);
    } while (FindNextFileA(find, &fd));
    FindClose(find);
    return names;
}

bool ListText(HWND list, int index, char* out)
{
    out[0] = '\0';
    if (!list || index < 0)
        return false;
    const LRESULT n = SendMessageA(list, CB_GETLBTEXTLEN, index, 0);
    if (n == CB_ERR || n >= MAX_PATH)
        return false;
    return SendMessageA(list, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(out)) != CB_ERR;
}

bool JoinPath(char* out, const char* folder, const char* name, const char* extension)
{
    const size_t f = strlen(folder);
    const bool separator = f > 0 && folder[f - 1] != '\\' && folder[f - 1] != '/';
    int n = snprintf(out, MAX_PATH, "%s%s%s%s", folder, separator ? "\\" : "", name, extension);
    if (n < 0 || n >= MAX_PATH) {
        out[0] = '\0';
        return false;
    }
    return true;
}

int CheckAlbumName(HWND owner, const char* folder, char* name, bool messages)
{
    if (!name || !folder)
        return 0;
    if (!*name || IsBlank(name))
        return Refuse(owner, messages, IDS_INVALID_ALBUM_NAME);
    if (lstrcmpiA(name, LoadText(IDS_NEW_ALBUM).c_str()) == 0)
        return Refuse(owner, messages, IDS_NAME_RESERVED);
    if (IsUnusableFileName(name))
        return Refuse(owner, messages, IDS_INVALID_ALBUM_NAME);
    // The caller's buffer gets the extension only when the whole path fits.
    char path[MAX_PATH];
    if (strlen(name) + 4 >= MAX_PATH || !JoinPath(path, folder, name, ".abm"))
        return Refuse(owner, messages, IDS_INVALID_ALBUM_NAME);
    strcat(name, ".abm");
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES)
        return Refuse(owner, messages, IDS_ALBUM_EXISTS);
    // Whether the file system takes the name: create it, then remove it again.
    FILE* test = fopen(path, "w+b");
    if (!test)
        return Refuse(owner, messages, IDS_INVALID_ALBUM_NAME);
    fclose(test);
    DeleteFileA(path);
    return 1;
}

} // namespace manager
