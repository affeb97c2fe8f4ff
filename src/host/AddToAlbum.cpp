// Add To Album: the editor's images into an album the user chooses, either through the manager
// window that shows it or straight into its file.
#include "album/AlbumExports.h"

#include <string.h>
#include <string>
#include <vector>
#include "album/AlbumFileLock.h"
#include "album/ThumbBuild.h"
#include "control/ManagerFace.h"
#include "control/ManagerState.h"
#include "host/AlbumRegistry.h"
#include "imaging/ModalGuard.h"
#include "resource.h"
#include "win/Handles.h"
#include "win/Module.h"

namespace {

// The calling thread's manager window that shows the album file at path.
CAlbumMan* ManagerShowing(const char* path)
{
    int count = 0;
    CAlbumMan** managers = AlbumRegistry().GetThreadManagers(GetCurrentThreadId(), &count);
    for (int i = 0; i < count; ++i) {
        char shown[MAX_PATH];
        if (managers[i] && managers[i]->GetCurrentAlbumName(shown) && lstrcmpiA(shown, path) == 0)
            return managers[i];
    }
    return nullptr;
}

void SetResult(int* results, int i, int value)
{
    if (results)
        results[i] = value;
}

} // namespace

int AddToAlbum(HWND owner, char* folder, char** files, int count, int*& results, POINT size)
{
    if (!folder || count < 0 || (count > 0 && (!files || !*files)))
        return 0;
    char choice[MAX_PATH];
    win::CopyText(choice, sizeof choice, folder);
    if (!SelectAlbumDlg(owner, folder, choice, 1, const_cast<char*>("Add To Album")))
        return 0;

    // The paths lie one after another in one buffer.
    std::vector<const char*> paths;
    for (const char* p = count > 0 ? *files : nullptr; static_cast<int>(paths.size()) < count; p += strlen(p) + 1)
        paths.push_back(p);

    const bool newAlbum = lstrcmpiA(choice, manager::LoadText(IDS_NEW_ALBUM).c_str()) == 0;
    char path[MAX_PATH];
    if (!newAlbum) {
        if (!manager::JoinPath(path, folder, choice, ".abm"))
            return -1;
        if (CAlbumMan* m = ManagerShowing(path)) {
            int added = 0;
            CAlbum* album = m->GetAlbumCtrl() ? m->GetAlbumCtrl()->GetAlbum() : nullptr;
            for (int i = 0; i < count; ++i) {
                const bool ok = m->InsertFromFile(paths[size_t(i)], "") != 0;
                added += ok;
                // A file the album already held was refreshed instead: it is in the album too.
                const bool held = !ok && album && album->m_Doc.FindFileInDoc(paths[size_t(i)]);
                SetResult(results, i, ok || held ? 1 : 0);
            }
            return added != count ? 1 : 0;
        }
    } else {
        char name[MAX_PATH];
        if (!AskNewAlbumName(owner, folder, name) || !manager::JoinPath(path, folder, name, ""))
            return -1;
    }

    // From the load to the save the file is this call's: another thread adding to the same
    // album waits, then loads what this call saved.
    album::AlbumFileLock held(path);
    if (!held)
        return -1;
    CAlbumDoc2 doc;
    // A size the host left out gives the library's usual thumbnails.
    if (size.x <= 0 || size.y <= 0 || size.x > 0xFFFF || size.y > 0xFFFF)
        size = {kDefaultThumbnailSide, kDefaultThumbnailSide};
    doc.SetThumbnailSize(static_cast<WORD>(size.x), static_cast<WORD>(size.y));
    // An album read only in part is never saved over: the rest of it is still in the file.
    if (!newAlbum && (!doc.Load(path) || doc.HoldsOnlyPartOf(path)))
        return -1;
    // What a failed save leaves in the album: only what the file held before.
    std::vector<int> alreadyHeld(size_t(count), 0), ok(size_t(count), 0);
    int added = 0;
    for (int i = 0; i < count; ++i) {
        const char* file = paths[size_t(i)];
        if (CThumbnail2* held = doc.FindFileInDoc(file)) {
            doc.Refresh(held);
            alreadyHeld[size_t(i)] = ok[size_t(i)] = 1;
            continue;
        }
        CThumbnail2* t = strlen(file) < MAX_PATH
                             ? BuildThumbnailFromFile(file, doc.m_wThumbWidth, doc.m_wThumbHeight, nullptr)
                             : nullptr;
        if (t) {
            doc.Insert(t, nullptr);
            ok[size_t(i)] = 1;
            ++added;
        }
    }
    const bool saved = doc.Save(path) != 0;
    for (int i = 0; i < count; ++i)
        SetResult(results, i, saved ? ok[size_t(i)] : alreadyHeld[size_t(i)]);
    if (!saved)
        return -1;
    return added != count ? 1 : 0;
}
