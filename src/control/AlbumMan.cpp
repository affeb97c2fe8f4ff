// The album manager: the album list of one folder, the life cycle of the current album, adding
// images, the commands on the current album and where a typed description goes. Its window's
// procedure (ManagerWindow.cpp) drives it; it reaches the window only through ManagerFace.
#include "album/AlbumMan.h"

#include <shellapi.h>
#include <shlobj.h>
#include <stdio.h>
#include <string.h>
#include <new>
#include <string>
#include <vector>
#include "album/AlbumExports.h"
#include "album/FolderListing.h"
#include "album/OrderedWork.h"
#include "album/ThumbBuild.h"
#include "album/ThumbFit.h"
#include "control/AlbumManOps.h"
#include "control/ManagerFace.h"
#include "control/ManagerState.h"
#include "host/AlbumRegistry.h"
#include "imaging/ModalGuard.h"
#include "resource.h"
#include "search/ImageFiles.h"
#include "vendor_standins/imgio/imgio.h"
#include "views/PrintDialog.h"
#include "win/AbortCheck.h"
#include "win/AnsiNames.h"
#include "win/FolderBrowser.h"
#include "win/Handles.h"
#include "win/LongPath.h"
#include "win/Module.h"

namespace {

const char kProfile[] = "album.ini";

CAlbum* AlbumOf(const CAlbumMan& m) { return m.m_pCtrl ? m.m_pCtrl->GetAlbum() : nullptr; }

bool FileExists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

bool BusyEnter() { return AlbumRegistry().EnterBusy(GetCurrentThreadId()) != 0; }
void BusyLeave() { AlbumRegistry().LeaveBusy(GetCurrentThreadId()); }

void Beep() { MessageBeep(0); }

} // namespace

// ---- construction ----

CAlbumMan::CAlbumMan()
    : m_hDlg(nullptr), m_nAlbumCount(0), m_pCtrl(nullptr), m_nThumbWidth(16), m_nThumbHeight(16), m_bModified(0),
      m_bNewAlbum(0), m_nCurrent(-1), m_pDescTarget(nullptr), m_hDockTrigger(nullptr), m_nOpenFormat(0),
      m_nFormatMask(0xEFF), m_nDockMode(0), m_hDockFrame(nullptr), m_hAlbumList(nullptr), m_hHost(nullptr)
{
    m_szFolder[0] = '\0';
    strcpy(m_szDefaultExt, "tif");
    m_szInitialFolder[0] = '\0';
}

CAlbumMan::~CAlbumMan() = default;
CAlbumMan::CAlbumMan(const CAlbumMan& other) = default;
CAlbumMan& CAlbumMan::operator=(const CAlbumMan& other) = default;

namespace {

// Thumbnail sides are kept in 16 bits: a larger one would come out cut to its low bits.
bool IsThumbnailSize(int width, int height) { return width >= 1 && height >= 1 && width <= 0xFFFF && height <= 0xFFFF; }

} // namespace

CAlbumMan* CAlbumMan::CreateAlbumMan(int width, int height)
{
    if (!IsThumbnailSize(width, height))
        return nullptr;
    CAlbumMan* m = new (std::nothrow) CAlbumMan;
    if (m) {
        m->m_nThumbWidth = width;
        m->m_nThumbHeight = height;
    }
    return m;
}

int CAlbumMan::SetAlbumOption(int width, int height)
{
    if (!IsThumbnailSize(width, height))
        return 0;
    m_nThumbWidth = width;
    m_nThumbHeight = height;
    return 1;
}

void CAlbumMan::SetOpenFileFormat(int formatIndex, const char* defaultExt, int formatMask, const char* initialFolder)
{
    m_nOpenFormat = formatIndex;
    win::CopyText(m_szDefaultExt, sizeof m_szDefaultExt, defaultExt ? defaultExt : "");
    m_nFormatMask = formatMask;
    win::CopyText(m_szInitialFolder, sizeof m_szInitialFolder, initialFolder ? initialFolder : "");
}

CAlbumCtrl* CAlbumMan::GetAlbumCtrl() { return m_pCtrl; }

int CAlbumMan::GetCurrentAlbumName(char* path)
{
    if (!path)
        return 0;
    CAlbum* album = AlbumOf(*this);
    win::CopyText(path, MAX_PATH, album ? album->m_Doc.GetPath() : "");
    return 1;
}

// ---- the album list ----

void CAlbumMan::ClearAlbumList()
{
    if (m_hAlbumList)
        SendMessageA(m_hAlbumList, CB_RESETCONTENT, 0, 0);
    m_nAlbumCount = 0;
}

int CAlbumMan::AddFileToList(const char* name, int select)
{
    int index = m_nAlbumCount;
    if (m_hDlg && m_hAlbumList) {
        LRESULT added = SendMessageA(m_hAlbumList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
        if (added >= 0)
            index = static_cast<int>(added);
    }
    if (select) {
        SendMessageA(m_hAlbumList, CB_SETCURSEL, index, 0);
        m_nCurrent = index;
        m_bModified = 1;
    }
    ++m_nAlbumCount;
    return index;
}

void CAlbumMan::LoadAlbumList()
{
    char remembered[MAX_PATH] = "";
    const bool hadCurrent = m_nCurrent >= 0 && manager::ListText(m_hAlbumList, m_nCurrent, remembered);
    ClearAlbumList();
    int match = -1, albums = 0;
    auto consider = [&](const char* name) {
        int i = AddFileToList(name, 0);
        if (hadCurrent && lstrcmpiA(name, remembered) == 0)
            match = i;
    };
    for (const std::string& name : manager::AlbumNamesIn(m_szFolder)) {
        consider(name.c_str());
        ++albums;
    }
    consider(manager::LoadText(IDS_NEW_ALBUM).c_str());
    if (match >= 0) {
        SendMessageA(m_hAlbumList, CB_SETCURSEL, match, 0);
        m_nCurrent = match;
    } else if (albums == 0) {
        SendMessageA(m_hAlbumList, CB_SETCURSEL, 0, 0);
    } else if (!(hadCurrent && m_bNewAlbum)) {
        if (m_nCurrent >= 0)
            m_nCurrent = -1;
        SendMessageA(m_hAlbumList, CB_SETCURSEL, 0, 0);
    }
}

int CAlbumMan::GetAlbumPath(int index, char* path)
{
    if (!path)
        return 0;
    char text[MAX_PATH];
    if (!manager::ListText(m_hAlbumList, index, text) || !manager::JoinPath(path, m_szFolder, text, ".abm"))
        return 0;
    return 1;
}

// ---- album life cycle ----

int CAlbumMan::NewAlbum()
{
    CAlbum* album = AlbumOf(*this);
    if (!album)
        return 0;
    album->FreeAlbumData();
    // An unsaved album has no file: it must not pass for the album shown before it.
    album->m_Doc.m_szPath[0] = '\0';
    m_pDescTarget = nullptr;
    m_nCurrent = m_nAlbumCount - 1;
    m_bNewAlbum = 1;
    SetInfoCount(*this, 0);
    const std::string name = manager::LoadText(IDS_NEW_ALBUM_NAME);
    SetDescriptionBox(*this, name.c_str());
    album->SetDescription(name.c_str());
    album->m_Doc.SetThumbnailSize(static_cast<WORD>(m_nThumbWidth), static_cast<WORD>(m_nThumbHeight));
    return 1;
}

// Gives the new album the name the user accepts in "Save New Album": its path becomes the
// document's, and the current list entry shows the name. False when the user cancels.
static bool NameNewAlbum(CAlbumMan& m, CAlbum& album, bool keepNewAlbumEntry)
{
    char path[MAX_PATH], name[MAX_PATH];
    if (!AskNewAlbumName(m.m_hHost, m.m_szFolder, name) || !manager::JoinPath(path, m.m_szFolder, name, ""))
        return false;
    album.m_Doc.SetPath(path);
    const std::string shown = BaseNameOf(name);
    char replaced[MAX_PATH];
    manager::ListText(m.m_hAlbumList, m.m_nCurrent, replaced);
    SendMessageA(m.m_hAlbumList, CB_DELETESTRING, m.m_nCurrent, 0);
    SendMessageA(m.m_hAlbumList, CB_INSERTSTRING, m.m_nCurrent, reinterpret_cast<LPARAM>(shown.c_str()));
    SendMessageA(m.m_hAlbumList, CB_SETCURSEL, m.m_nCurrent, 0);
    if (keepNewAlbumEntry) {
        SendMessageA(m.m_hAlbumList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(replaced));
        ++m.m_nAlbumCount;
    }
    return true;
}

// Before the first save over an album file that could be read only in part: Yes saves the
// thumbnails as a new album (path becomes its file), No replaces the file, Cancel saves nothing.
static bool ConfirmReplacingPart(CAlbumMan& m, CAlbum& album, char* path)
{
    const CAlbumDoc2& doc = album.m_Doc;
    if (!doc.HoldsOnlyPartOf(path))
        return true;
    char text[512];
    snprintf(text, sizeof text, manager::LoadText(IDS_REPLACE_PART).c_str(), doc.GetLoadRead(),
             static_cast<unsigned>(doc.GetLoadAnnounced()), doc.GetLoadRead());
    switch (ModalMessageBox(m.m_hHost, text, manager::LoadText(IDS_ALBUM_CAPTION).c_str(),
                            MB_YESNOCANCEL | MB_ICONEXCLAMATION)) {
    case IDYES:
        return NameNewAlbum(m, album, true) && m.GetAlbumPath(m.m_nCurrent, path);
    case IDNO:
        return true;
    default:
        return false;
    }
}

int CAlbumMan::Save()
{
    CAlbum* album = AlbumOf(*this);
    if (!album || !m_bModified)
        return 0;
    UpdateDescLine();
    if (m_bNewAlbum) {
        if (album->GetThumbNailCount() == 0)
            return 0;
        if (!NameNewAlbum(*this, *album, false))
            return 0;
    }
    char path[MAX_PATH];
    if (!GetAlbumPath(m_nCurrent, path) || !ConfirmReplacingPart(*this, *album, path) || !album->Save(path))
        return 0; // the old file and the modified flag stay
    m_bModified = 0;
    m_bNewAlbum = 0;
    if (!m_pDescTarget)
        SetInfoCount(*this, album->GetThumbNailCount());
    return FileExists(path) ? 1 : 0;
}

SaveAnswer AskToSave(CAlbumMan& m)
{
    CAlbum* album = AlbumOf(m);
    if (!album || m.m_nCurrent == -1 || m.m_nAlbumCount <= 0 || !m.m_bModified)
        return SaveAnswer::Nothing;
    if (m.m_bNewAlbum && album->GetThumbNailCount() == 0)
        return SaveAnswer::Nothing;
    if (!BusyEnter())
        return SaveAnswer::Nothing;
    int answer = ModalMessageBoxIds(m.m_hHost, IDS_SAVE_MODIFIED, IDS_ALBUM_CAPTION, MB_YESNO | MB_ICONQUESTION);
    BusyLeave();
    if (answer != IDYES)
        return SaveAnswer::Nothing;
    // An album whose thumbnails were all removed is saved empty: its file stays, since deleting
    // it is not what the user confirmed.
    if (m.m_bNewAlbum) {
        if (!NameNewAlbum(m, *album, true)) {
            SendMessageA(m.m_hAlbumList, CB_DELETESTRING, m.m_nCurrent, 0);
            --m.m_nAlbumCount;
            m.m_bNewAlbum = 0;
            return SaveAnswer::Nothing;
        }
        m.m_bNewAlbum = 0;
        m.m_bModified = 1;
    }
    return m.Save() ? SaveAnswer::Saved : SaveAnswer::Failed;
}

void CAlbumMan::DoNeedSave() { AskToSave(*this); }

ReloadResult ReloadAlbum(CAlbumMan& m, const char* path)
{
    CAlbum* album = AlbumOf(m);
    if (!album || !path)
        return ReloadResult::NotOpened;
    // The user asked to save and it failed: the changes are not thrown away for another album.
    if (AskToSave(m) == SaveAnswer::Failed)
        return ReloadResult::NotSaved;
    if (!m.m_bNewAlbum && lstrcmpiA(BaseNameOf(path).c_str(), manager::LoadText(IDS_NEW_ALBUM).c_str()) == 0) {
        m.NewAlbum();
        return ReloadResult::Loaded;
    }
    // An album that cannot be read leaves the one shown in place, description target included.
    if (!album->Load(path))
        return ReloadResult::NotOpened;
    m.m_pDescTarget = nullptr; // its thumbnail has gone with the album it belonged to
    m.m_bNewAlbum = 0;
    return ReloadResult::Loaded;
}

int CAlbumMan::Reload(const char* path)
{
    if (ReloadAlbum(*this, path) != ReloadResult::Loaded)
        return 0;
    return m_bNewAlbum || FileExists(path) ? 1 : 0;
}

// ---- adding images ----

int CAlbumMan::InsertFromDib(HGLOBAL dib, const char* description, const char* path, const char*)
{
    CAlbum* album = AlbumOf(*this);
    if (!dib || !album || !path)
        return 0;
    WORD width = 0, height = 0;
    {
        win::GlobalLockGuard lock(dib);
        if (!lock || lock.size() < sizeof(BITMAPINFOHEADER))
            return 0;
        const auto* h = static_cast<const BITMAPINFOHEADER*>(lock.data());
        width = static_cast<WORD>(h->biWidth);
        height = static_cast<WORD>(h->biHeight);
    }
    HGLOBAL fitted = FitDibToBox(dib, static_cast<WORD>(m_nThumbWidth), static_cast<WORD>(m_nThumbHeight));
    if (!fitted)
        return 0;
    int result = album->InsertFromThumbnail(fitted, description, path, nullptr, width, height);
    if (!result) {
        GlobalFree(fitted);
        return 0;
    }
    SetInfoCount(*this, album->GetThumbNailCount());
    m_bModified = 1;
    return result;
}

int CAlbumMan::InsertFromFile(const char* path, const char* description)
{
    if (!path)
        return 0;
    HGLOBAL dib = ImgIoReadFile(path, 0, nullptr);
    if (!dib)
        return 0;
    int result = InsertFromDib(dib, description, path, nullptr);
    GlobalFree(dib);
    return result;
}

namespace {

// Thumbnails may come from camera JPEGs' embedded EXIF thumbnails: album.ini, [Thumbnails],
// UseEmbedded=1 (off unless set: an edited photo can carry a stale one).
bool UseEmbeddedThumbnails() { return GetPrivateProfileIntA("Thumbnails", "UseEmbedded", 0, kProfile) != 0; }

// What a worker made of one file: the picture fitted into the box and the image's own size.
struct Fitted {
    bool read = false;
    win::GlobalBlock picture;
    WORD width = 0;
    WORD height = 0;
};

// Repaints what needs it (the thumbnails already in, the count line) while the workers work.
// Only painting: input waits until the run ends, so nothing can reenter the manager meanwhile.
void RepaintWaiting()
{
    MSG msg;
    for (int i = 0; i < 64 && PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE); ++i)
        DispatchMessageA(&msg);
}

// Reads and inserts each file, telling the user about those that cannot be read. The files are
// decoded and fitted on worker threads and inserted here in list order, as one thread would: the
// count on the information line follows, the window repaints as thumbnails arrive, and Esc
// stops the run keeping what was added (the decodes under way stop too, not waited for).
void InsertFiles(CAlbumMan& m, const std::vector<std::string>& files, IMGIOOPTIONS* options, bool several,
                 CThumbnail2* before = nullptr)
{
    win::WaitCursor wait;
    EscAbortCheck(); // an Esc pressed before the run does not stop it
    // The cards' captions of the files added are found through one listing of their folder for
    // the run, made on another thread while the first file is decoded, so that the first
    // thumbnail is not held up by it.
    album::ListingScope listings(album::ListingScope::KeepCaptions);
    if (!files.empty())
        album::PrefetchFolderOf(files[0].c_str());
    const WORD boxWidth = static_cast<WORD>(m.m_nThumbWidth), boxHeight = static_cast<WORD>(m.m_nThumbHeight);
    const bool embedded = UseEmbeddedThumbnails();
    IMGIOOPTIONS shared = {};
    if (options)
        shared = *options;
    std::vector<Fitted> made(files.size());
    const unsigned threads = album::ThumbnailWorkers();
    album::OrderedWork work(
        files.size(),
        [&](size_t i) {
            IMGIOOPTIONS own = shared;
            album::ThumbnailSource source;
            if (!album::ReadForThumbnail(files[i].c_str(), boxWidth, boxHeight, &own, embedded, &source))
                return;
            made[i].read = true;
            made[i].width = static_cast<WORD>(source.width);
            made[i].height = static_cast<WORD>(source.height);
            made[i].picture.reset(
                album::FitDibToBoxAs(source.image.get(), boxWidth, boxHeight, source.width, source.height));
        },
        threads, 4 * size_t(threads), true); // the first thumbnail is on screen soonest
    // A run of several files tells how far it is on the information line, and its count at the end.
    const bool progress = files.size() > 1;
    for (size_t i = 0; i < files.size(); ++i) {
        if (progress)
            SetInfoProgress(m, int(i + 1), int(files.size()));
        if (EscAbortCheck())
            work.Cancel();
        // Without workers Done reads the file here, Esc stopping it as it goes.
        while (!work.Cancelled() && !work.Done(i)) {
            WaitForSingleObject(work.FinishedEvent(), 30);
            RepaintWaiting();
            if (EscAbortCheck())
                work.Cancel();
        }
        // The files under way stop at their next check; the window is free at once.
        if (work.Cancelled())
            break;
        Fitted item = std::move(made[i]);
        work.Taken(i);
        if (item.read) {
            CAlbum* album = AlbumOf(m);
            HGLOBAL picture = item.picture.release();
            if (album && picture && album->InsertFromThumbnail(picture, "", files[i].c_str(), before, item.width,
                                                               item.height)) {
                if (!progress)
                    SetInfoCount(m, album->GetThumbNailCount());
                m.m_bModified = 1;
            } else if (picture) {
                GlobalFree(picture);
            }
            if (album)
                UpdateWindow(album->m_hWnd);
            if (m.m_hDlg)
                UpdateWindow(GetDlgItem(m.m_hDlg, 207));
            continue;
        }
        SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
        ModalMessageBoxIds(m.m_hDlg, IDS_FORMAT_INVALID, IDS_CAPTION_GENERAL, several ? MB_ICONEXCLAMATION : 0);
        SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)));
    }
    if (progress) // finished or stopped: the line tells the count again
        if (CAlbum* album = AlbumOf(m))
            SetInfoCount(m, album->GetThumbNailCount());
}

} // namespace

int CAlbumMan::Add()
{
    if (!BusyEnter())
        return 0;
    std::vector<char> buffer(10240, '\0');
    IMGIOOPTIONS options = {};
    int picked;
    {
        HTHREADGUARD guard = DisableThreadWindows();
        picked = ImgIoPickFileName(m_hHost, 1, m_nOpenFormat, m_szDefaultExt, static_cast<DWORD>(m_nFormatMask),
                                   buffer.data(), static_cast<int>(buffer.size()), 0x8026C, &options,
                                   m_szInitialFolder);
        EnableThreadWindows(guard);
    }
    BusyLeave();
    if (m_hDlg)
        RedrawWindow(m_hDlg, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    if (picked < 0)
        return 0;
    buffer.back() = '\0';

    // One full path, or a folder followed by names, each ended by a NUL, the list by an empty one.
    std::vector<std::string> files;
    const char* first = buffer.data();
    const char* next = first + strlen(first) + 1;
    std::string folder;
    if (next >= buffer.data() + buffer.size() || *next == '\0') {
        files.push_back(first);
        const std::string one(first);
        size_t cut = one.find_last_of("\\/");
        folder = cut == std::string::npos ? std::string() : one.substr(0, cut);
    } else {
        folder = first;
        const char* end = buffer.data() + buffer.size();
        for (const char* name = next; name < end && *name; name += strlen(name) + 1) {
            std::string path = folder;
            if (!path.empty() && path.back() != '\\')
                path += '\\';
            path += name;
            if (path.size() < MAX_PATH)
                files.push_back(path);
        }
    }
    InsertFiles(*this, files, &options, files.size() > 1);
    win::CopyText(m_szInitialFolder, sizeof m_szInitialFolder, folder.c_str());
    SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
    return 1;
}

int CAlbumMan::AddFolder()
{
    char folder[MAX_PATH];
    std::wstring unstorable;
    HTHREADGUARD guard = DisableThreadWindows();
    const bool chosen = win::BrowseForFolder(m_hDlg, folder, &unstorable);
    EnableThreadWindows(guard);
    if (!unstorable.empty())
        TellUnstorableNames(m_hDlg, {unstorable});
    return chosen ? AddFolderFiles(*this, folder) : 0;
}

int AddFolderFiles(CAlbumMan& m, const char* folder)
{
    PathSlot* list = nullptr;
    int count = 0;
    UnstorableNames unstorable;
    const int listed = ScanFolderFiles(folder, &list, &count, 1);
    TellUnstorableNames(m.m_hDlg, unstorable.Names());
    if (listed <= 0 || count <= 0) {
        FreePathList(&list, &count);
        return 0;
    }
    std::vector<std::string> files;
    for (int i = 0; i < count; ++i)
        files.push_back(list[i]);
    FreePathList(&list, &count);
    IMGIOOPTIONS options = {};
    InsertFiles(m, files, &options, true);
    SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
    return 1;
}

DroppedFiles SortDroppedPaths(const std::vector<std::string>& paths)
{
    DroppedFiles dropped;
    for (const std::string& path : paths) {
        const DWORD attributes = GetFileAttributesA(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            // As Add Folder adds it: its image files and those of its subfolders.
            PathSlot* list = nullptr;
            int count = 0;
            if (ScanFolderFiles(path.c_str(), &list, &count, 1) > 0)
                for (int i = 0; i < count; ++i)
                    dropped.images.push_back(list[i]);
            FreePathList(&list, &count);
        } else if (IsImageFileName(path.c_str())) {
            dropped.images.push_back(path);
        } else {
            ++dropped.skipped;
        }
    }
    return dropped;
}

int InsertDroppedFiles(CAlbumMan& m, const std::vector<std::string>& paths, CThumbnail2* before)
{
    CAlbum* album = AlbumOf(m);
    if (!album || !BusyEnter())
        return 0;
    const DroppedFiles dropped = SortDroppedPaths(paths);
    IMGIOOPTIONS options = {};
    InsertFiles(m, dropped.images, &options, dropped.images.size() > 1, IsThumbnailOf(album, before) ? before : nullptr);
    if (dropped.skipped)
        SetInfoSkipped(m, album->GetThumbNailCount(), dropped.skipped);
    SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
    BusyLeave();
    return 1;
}

int CAlbumMan::OnDropFiles(HDROP drop)
{
    if (!drop)
        return 0;
    const UINT files = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    int failed = 0;
    std::vector<std::wstring> unstorable;
    for (UINT i = 0; i < files; ++i) {
        WCHAR wide[MAX_PATH];
        char path[MAX_PATH];
        const UINT n = DragQueryFileW(drop, i, nullptr, 0);
        if (n >= MAX_PATH || !DragQueryFileW(drop, i, wide, MAX_PATH)) {
            ++failed;
            continue;
        }
        // A name in another script is taken by its short name; one without is named below.
        if (win::AnsiPathOf(wide, path, sizeof path) == win::kAnsiPathNoShortName) {
            try {
                unstorable.push_back(wide);
            } catch (...) {
                ++failed;
            }
            continue;
        }
        if (!path[0] || !InsertFromFile(path, ""))
            ++failed;
    }
    DragFinish(drop);
    TellUnstorableNames(m_hDlg, unstorable);
    if (failed)
        ModalMessageBoxIds(m_hDlg, IDS_DROP_FAILED, IDS_CAPTION_GENERAL, MB_ICONEXCLAMATION);
    return 1;
}

// ---- commands ----

int CAlbumMan::Delete()
{
    CAlbum* album = AlbumOf(*this);
    if (!album || !album->HaveSel()) {
        Beep();
        return 0;
    }
    if (ModalDialogBox(AlbumInstance(), MAKEINTRESOURCEA(124), m_hHost, DeleteOptionsProc, 0) != 1)
        return 0;
    if (!album->RemoveSelected(manager::Kept().deleteThumbnailsOnly ? 0 : 1))
        return 0;
    m_bModified = 1;
    return 1;
}

int CAlbumMan::Sort()
{
    CAlbum* album = AlbumOf(*this);
    if (!m_hDlg || !album)
        return 0;
    if (album->GetThumbNailCount() < 2) {
        Beep();
        return 0;
    }
    if (ModalDialogBox(AlbumInstance(), MAKEINTRESOURCEA(102), m_hHost, SortDialogProc, 0) != 1)
        return 0;
    const int reverse = manager::Kept().reverse;
    switch (manager::Kept().sortKey) {
    case 0: return album->SortByName(reverse);
    case 1: return album->SortByType(reverse);
    case 2: return album->SortBySize(reverse);
    case 3: return album->SortByDate(reverse);
    case 4: return album->SortByDesc(reverse);
    default: return 0;
    }
}

void CAlbumMan::Search()
{
    OpenSearchDlg(m_hHost, m_szFolder, m_nThumbWidth, m_nThumbHeight);
    if (m_hDlg)
        SetActiveWindow(m_hDlg);
}

int CAlbumMan::Print()
{
    CAlbum* album = AlbumOf(*this);
    if (!album || album->GetThumbNailCount() == 0) {
        Beep();
        return 0;
    }
    if (ModalDialogBox(AlbumInstance(), MAKEINTRESOURCEA(110), m_hHost, printing::PrintThumbnailsProc, 0) != 1)
        return 0;
    char path[MAX_PATH] = "";
    GetAlbumPath(m_nCurrent, path);
    const printing::Settings& s = printing::Current();
    // Nothing on paper is worth telling: the printer is missing, or the job failed and was dropped.
    // A job the user cancelled (-1) is not a failure.
    if (!printing::g_printAlbum(*album, path, s.printAll ? 2 : 1, s.printNames ? 1 : 2, s.size, s.size, s.printer))
        ModalMessageBoxIds(m_hDlg, IDS_PRINT_FAILED, IDS_CAPTION_GENERAL, MB_ICONEXCLAMATION);
    return 0;
}

int CAlbumMan::RefreshAlbum()
{
    CAlbum* album = AlbumOf(*this);
    return album ? album->RefreshAlbum() : 0;
}

void CAlbumMan::UpdateDescLine()
{
    CAlbum* album = AlbumOf(*this);
    if (!m_hDlg || !album)
        return;
    char text[129] = "";
    GetDlgItemTextA(m_hDlg, 102, text, sizeof text);
    StoreDescription(*this, text);
}

// ---- the description ----

bool IsThumbnailOf(CAlbum* album, const CThumbnail2* t)
{
    if (!album || !t)
        return false;
    CThumbnail2* end = album->m_Doc.m_pEnd;
    for (CThumbnail2* p = end->m_pNext; p != end; p = p->m_pNext)
        if (p == t)
            return true;
    return false;
}

void StoreDescription(CAlbumMan& m, const char* text)
{
    CAlbum* album = AlbumOf(m);
    if (!album)
        return;
    if (m.m_pDescTarget && !IsThumbnailOf(album, m.m_pDescTarget)) {
        // Removed meanwhile: the text typed for it goes nowhere, least of all to the album.
        m.m_pDescTarget = nullptr;
        return;
    }
    if (m.m_pDescTarget)
        win::CopyText(m.m_pDescTarget->m_Info.szDescription, sizeof m.m_pDescTarget->m_Info.szDescription, text);
    else
        album->SetDescription(text);
}
