// File > Find: the library's Find dialog over the album folder, modal to the main window. Results
// it saves as an album come back as 0xF401, which the main window reports on its status line.
#include "Host.h"

bool FindDialogAvailable() { return g_host.album.OpenSearchDlg != nullptr; }

void OpenFindDialog(HWND host)
{
    std::string folder = g_host.options.albumFolder;
    if (!FindDialogAvailable() || folder.empty()) {
        MessageBeep(0);
        return;
    }
    g_host.album.OpenSearchDlg(host, &folder[0], g_host.options.thumbWidth, g_host.options.thumbHeight);
}
