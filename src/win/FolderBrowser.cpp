#include "win/FolderBrowser.h"

#include <shlobj.h>
#include "win/AnsiNames.h"

namespace win {

bool BrowseForFolder(HWND owner, char* out, std::wstring* unstorable)
{
    WCHAR display[MAX_PATH] = L"";
    out[0] = '\0';
    BROWSEINFOW bi = {};
    bi.hwndOwner = owner;
    bi.pszDisplayName = display;
    bi.lpszTitle = L" ";
    bi.ulFlags = BIF_RETURNONLYFSDIRS;
    // The browser needs COM on this thread; the host may or may not have started it.
    const HRESULT com = CoInitialize(nullptr);
    LPITEMIDLIST chosen = SHBrowseForFolderW(&bi);
    WCHAR path[MAX_PATH] = L"";
    BOOL ok = FALSE;
    if (chosen) {
        ok = SHGetPathFromIDListW(chosen, path);
        CoTaskMemFree(chosen);
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    if (!ok || !path[0])
        return false;
    // The folder as the ANSI functions open it: names in other scripts by their short names.
    if (AnsiPathOf(path, out, MAX_PATH) == kAnsiPathMade)
        return out[0] != '\0';
    if (unstorable)
        *unstorable = path;
    return false;
}

} // namespace win
