// What the album manager shows and asks through its window: the information line, the
// description box, and the small dialogs it runs ("Save New Album", "Sort", "Delete Options").
// The manager reaches its window only through these; the window's procedure drives the manager.
#include "control/ManagerFace.h"

#include <stdio.h>
#include "control/ManagerState.h"
#include "imaging/ModalGuard.h"
#include "resource.h"
#include "win/AnsiNames.h"
#include "win/Handles.h"
#include "win/Module.h"
#include "win/OkCancelDialog.h"
#include "win/WindowObject.h"

namespace {

// Items of the manager window (dialog template 100) that the manager writes to.
enum : int { kDescription = 102, kInfoLine = 207 };

CAlbum* AlbumOf(const CAlbumMan& m) { return m.m_pCtrl ? m.m_pCtrl->GetAlbum() : nullptr; }

} // namespace

// ---- the information line and the description box ----

void SetInfoCount(CAlbumMan& m, int count)
{
    if (!m.m_hDlg)
        return;
    char text[128];
    CAlbum* album = AlbumOf(m);
    if (album && album->m_Doc.HoldsOnlyPartOf(album->m_Doc.GetPath()))
        snprintf(text, sizeof text, manager::LoadText(IDS_ALBUM_COUNT_PART).c_str(), count,
                 album->m_Doc.GetLoadRead(), static_cast<unsigned>(album->m_Doc.GetLoadAnnounced()));
    else
        snprintf(text, sizeof text, manager::LoadText(IDS_ALBUM_COUNT).c_str(), count);
    SetDlgItemTextA(m.m_hDlg, kInfoLine, text);
}

void SetInfoProgress(CAlbumMan& m, int file, int files)
{
    if (!m.m_hDlg)
        return;
    char text[128];
    snprintf(text, sizeof text, manager::LoadText(IDS_ADDING).c_str(), file, files);
    SetDlgItemTextA(m.m_hDlg, kInfoLine, text);
    UpdateWindow(GetDlgItem(m.m_hDlg, kInfoLine));
}

void SetInfoSkipped(CAlbumMan& m, int count, int skipped)
{
    if (!m.m_hDlg)
        return;
    char text[160];
    snprintf(text, sizeof text, manager::LoadText(IDS_DROP_SKIPPED).c_str(), count, skipped);
    SetDlgItemTextA(m.m_hDlg, kInfoLine, text);
}

void SetDescriptionBox(CAlbumMan& m, const char* text)
{
    if (!m.m_hDlg)
        return;
    const int modified = m.m_bModified; // the box's change notification sets it
    SetDlgItemTextA(m.m_hDlg, kDescription, text);
    m.m_bModified = modified;
}

void ShowAlbumSummary(CAlbumMan& m)
{
    CAlbum* album = AlbumOf(m);
    SetInfoCount(m, album ? album->GetThumbNailCount() : 0);
    SetDescriptionBox(m, album ? album->GetDescription() : "");
}

void TellUnstorableNames(HWND owner, const std::vector<std::wstring>& paths)
{
    if (paths.empty())
        return;
    const std::wstring line = win::WideOfAnsi(manager::LoadText(IDS_NAME_NOT_STORABLE).c_str());
    const size_t at = line.find(L"%s");
    std::wstring text;
    const size_t kShown = 10;
    for (size_t i = 0; i < paths.size() && i < kShown; ++i)
        text += (at == std::wstring::npos ? paths[i] + L" " + line
                                          : line.substr(0, at) + paths[i] + line.substr(at + 2)) + L"\n";
    if (paths.size() > kShown) {
        char more[64];
        snprintf(more, sizeof more, manager::LoadText(IDS_MORE_NOT_STORABLE).c_str(), int(paths.size() - kShown));
        text += win::WideOfAnsi(more);
    }
    ModalMessageBoxW(owner, text.c_str(), win::WideOfAnsi(manager::LoadText(IDS_CAPTION_GENERAL).c_str()).c_str(),
                     MB_ICONEXCLAMATION);
}

// ---- the small dialogs ----

namespace {

// What one "Save New Album" dialog asks for and answers: each run has its own, so that dialogs
// on other threads cannot change the name this one accepted.
struct NewAlbumNameRequest {
    const char* folder;
    char* name; // MAX_PATH bytes
};

INT_PTR CALLBACK SaveNewAlbumProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return win::OkCancelDialog(
        dlg, msg, wParam, lParam,
        [](HWND d, LPARAM request) {
            SendDlgItemMessageA(d, 99, EM_LIMITTEXT, 64, 0);
            win::SetUserData(d, reinterpret_cast<void*>(request));
        },
        [](HWND d) {
            char name[MAX_PATH] = "";
            GetDlgItemTextA(d, 99, name, sizeof name);
            const auto* request = static_cast<const NewAlbumNameRequest*>(win::UserData(d));
            if (!request || !manager::CheckAlbumName(d, request->folder, name, true))
                return false;
            win::CopyText(request->name, MAX_PATH, name);
            return true;
        });
}

} // namespace

bool AskNewAlbumName(HWND owner, const char* folder, char* name)
{
    if (!folder || !name)
        return false;
    NewAlbumNameRequest request = {folder, name};
    return ModalDialogBox(AlbumInstance(), MAKEINTRESOURCEA(109), owner, SaveNewAlbumProc,
                          reinterpret_cast<LPARAM>(&request)) == 1;
}

INT_PTR CALLBACK SortDialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    manager::Choices& kept = manager::Kept();
    return win::OkCancelDialog(
        dlg, msg, wParam, lParam,
        [&kept](HWND d, LPARAM) {
            CheckRadioButton(d, 90, 94, 90 + kept.sortKey);
            CheckDlgButton(d, 89, kept.reverse ? BST_CHECKED : BST_UNCHECKED);
        },
        [&kept](HWND d) {
            for (int key = 0; key < 5; ++key)
                if (IsDlgButtonChecked(d, 90 + key) == BST_CHECKED) {
                    kept.sortKey = key;
                    break;
                }
            kept.reverse = IsDlgButtonChecked(d, 89) == BST_CHECKED;
            return true;
        });
}

INT_PTR CALLBACK DeleteOptionsProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return win::OkCancelDialog(
        dlg, msg, wParam, lParam, [](HWND d, LPARAM) { CheckRadioButton(d, 1024, 1025, 1024); },
        [](HWND d) {
            manager::Kept().deleteThumbnailsOnly = IsDlgButtonChecked(d, 1024) == BST_CHECKED;
            return true;
        });
}
