// The exported free functions for album manager windows, the host callbacks and the album
// choice dialog.
#include "album/AlbumExports.h"

#include <string.h>
#include "control/ManagerState.h"
#include "control/ManagerWindow.h"
#include "host/AlbumRegistry.h"
#include "imaging/ModalGuard.h"
#include "resource.h"
#include "win/Handles.h"
#include "win/Module.h"
#include "win/OkCancelDialog.h"
#include "win/WindowObject.h"

namespace {

const char kProfile[] = "album.ini";

// The album choice dialog's state, kept between calls.
int g_offerNew = 1;
char g_caption[MAX_PATH] = "";

CAlbum* AlbumOf(CAlbumMan* m) { return m && m->GetAlbumCtrl() ? m->GetAlbumCtrl()->GetAlbum() : nullptr; }

CAlbumMan* ActiveManager() { return ManagerOfWindow(AlbumRegistry().GetActiveManagerWindow(GetCurrentThreadId())); }

INT_PTR CALLBACK SelectAlbumProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return win::OkCancelDialog(
        dlg, msg, wParam, lParam,
        [](HWND d, LPARAM folder) {
            SetWindowLongPtrA(d, GWLP_USERDATA, folder);
            char* buffer = reinterpret_cast<char*>(folder);
            HWND list = GetDlgItem(d, 101);
            for (const std::string& name : manager::AlbumNamesIn(buffer))
                SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
            int select = 0;
            if (g_offerNew) {
                SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(manager::LoadText(IDS_NEW_ALBUM).c_str()));
                char last[MAX_PATH] = "";
                GetPrivateProfileStringA("Context", "LastOpen", "", last, sizeof last, kProfile);
                LRESULT found = SendMessageA(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(last));
                if (found != CB_ERR)
                    select = static_cast<int>(found);
            }
            SendMessageA(list, CB_SETCURSEL, select, 0);
            SetWindowTextA(d, g_caption);
        },
        [](HWND d) {
            char* buffer = reinterpret_cast<char*>(GetWindowLongPtrA(d, GWLP_USERDATA));
            HWND list = GetDlgItem(d, 101);
            const LRESULT selected = SendMessageA(list, CB_GETCURSEL, 0, 0);
            if (buffer && selected != CB_ERR) {
                LRESULT n = SendMessageA(list, CB_GETLBTEXTLEN, selected, 0);
                if (n != CB_ERR && n < MAX_PATH) {
                    SendMessageA(list, CB_GETLBTEXT, selected, reinterpret_cast<LPARAM>(buffer));
                    if (char* dot = strchr(buffer, '.'))
                        *dot = '\0';
                }
            }
            return true;
        });
}

} // namespace

HWND OpenAlbumManagerEx(HWND parent, char* folder, int width, int height, int ask)
{
    if (!folder)
        return nullptr;
    if (ask && !SelectAlbumDlg(parent, folder, nullptr, 1, const_cast<char*>("Open New Album")))
        return nullptr;
    CAlbumMan* m = CAlbumMan::CreateAlbumMan(width, height);
    if (!m)
        return nullptr;
    if (!m->Open(parent, folder)) {
        // Without its dialog nobody owns the manager.
        if (!m->m_hDlg)
            delete m;
        return nullptr;
    }
    return m->m_hDlg;
}

HWND CloneNewAlbumManager(HWND window)
{
    CAlbumMan* m = ManagerOfWindow(window);
    if (!m)
        return nullptr;
    return m->NewWindow(GetParent(window)) ? window : nullptr;
}

int InsertFromDib(HWND window, HGLOBAL image, char* description, char* path)
{
    if (!window || !IsWindow(window) || !path)
        return 0;
    char text[256] = "";
    if (description)
        win::CopyText(text, sizeof text, description);
    CAlbumMan* m = ManagerOfWindow(window);
    return m ? m->InsertFromDib(image, text, path, nullptr) : 0;
}

int SetAlbumOption(HWND window, int width, int height)
{
    CAlbumMan* m = ManagerOfWindow(window);
    return m ? m->SetAlbumOption(width, height) : 0;
}

HWND GetActiveAlbum() { return AlbumRegistry().GetActiveManagerWindow(GetCurrentThreadId()); }

HGLOBAL GetAllAlbum() { return AlbumRegistry().GetAllManagerWindows(GetCurrentThreadId()); }

int GetAcitveAlbumThumbnialList(int& count, char (*&paths)[MAX_PATH])
{
    CAlbum* album = AlbumOf(ActiveManager());
    return album ? album->GetImageList(count, paths) : 0;
}

int GetAcitveAlbumSelectedThumbnialList(int& count, char (*&paths)[MAX_PATH])
{
    CAlbum* album = AlbumOf(ActiveManager());
    return album ? album->GetSelectImageList(count, paths) : 0;
}

int CanOpenMoreAlbum(int limit) { return AlbumRegistry().CountBelowLimit(GetCurrentThreadId(), limit); }

int SetFocusToAbm(HWND dialog)
{
    // Any dialog of this process with an item 104 (the album control of a manager window, or an
    // album control the editor placed in a dialog of its own) gives that item the focus.
    if (win::IsOwnWindow(dialog))
        if (HWND control = GetDlgItem(dialog, 104))
            SetFocus(control);
    return 1;
}

void SetDockFunction(DockCreateProc create, DockQueryProc query, DockDestroyProc destroy)
{
    g_HostCallbacks.pfnDockCreate = create;
    g_HostCallbacks.pfnDockQuery = query;
    g_HostCallbacks.pfnDockDestroy = destroy;
}

void SetAcquireFunction(AcquireProc acquire) { g_HostCallbacks.pfnAcquire = acquire; }

void SetAlbumHelpFunction(AlbumHelpProc help) { g_HostCallbacks.pfnAlbumHelp = help; }

int SelectAlbumDlg(HWND owner, char* folder, char* result, int offerNew, char* caption)
{
    if (!folder)
        return 0;
    char buffer[MAX_PATH];
    win::CopyText(buffer, sizeof buffer, folder);
    g_offerNew = offerNew;
    if (caption && *caption)
        win::CopyText(g_caption, sizeof g_caption, caption);
    if (ModalDialogBox(AlbumInstance(), MAKEINTRESOURCEA(118), owner, SelectAlbumProc,
                       reinterpret_cast<LPARAM>(buffer)) != 1)
        return 0;
    if (result)
        win::CopyText(result, MAX_PATH, buffer);
    else
        WritePrivateProfileStringA("Context", "LastOpen", buffer, kProfile);
    return 1;
}
