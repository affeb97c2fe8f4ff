#include "HostSession.h"

#include <algorithm>
#include <stdio.h>
#include "Driver.h"
#include "Host.h"
#include "Raii.h"
#include "album.h"
#include "imgio.h"

namespace e2e {

namespace {

constexpr int kAlbumList = 101, kAlbumControl = 104, kInfoLine = 207, kCommandBar = 206;

bool IsManager(HWND w)
{
    char cls[64] = "";
    HWND control = GetDlgItem(w, kAlbumControl);
    return control && GetClassNameA(control, cls, sizeof cls) && lstrcmpiA(cls, "ManDlgAlbumCtrl") == 0 &&
           IsWindowVisible(w);
}

std::string Quote(const std::string& s) { return s.find(' ') == std::string::npos ? s : "\"" + s + "\""; }

} // namespace

std::string ProgramFolder()
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder = path;
    folder.erase(folder.find_last_of('\\') + 1);
    return folder;
}

HostSession::HostSession(const std::vector<std::string>& args)
{
    std::string command = Quote(ProgramFolder() + "albumhost.exe");
    for (const std::string& a : args)
        command += " " + Quote(a);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &process_))
        return;
    const DWORD pid = process_.dwProcessId;
    main_ = drive::WaitFor([pid] { return drive::TopLevel(pid, "Lumicraft 2000", nullptr); }, 20000);
}

HostSession::~HostSession()
{
    if (process_.hProcess) {
        TerminateProcess(process_.hProcess, 99); // fails harmlessly once it has ended
        WaitForSingleObject(process_.hProcess, 5000);
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
}

bool HostSession::WaitStatus(const std::string& text, DWORD ms) const
{
    HWND bar = drive::Descendant(main_, "msctls_statusbar32", nullptr);
    return bar && drive::WaitUntil([&] { return drive::Text(bar).rfind(text, 0) == 0; }, ms);
}

HWND HostSession::Dialog(const char* title, DWORD ms) const
{
    const DWORD pid = process_.dwProcessId;
    return drive::WaitFor([pid, title] { return drive::TopLevel(pid, "#32770", title); }, ms);
}

HWND HostSession::Asking(const char* title, const char* button) const
{
    HWND w = drive::TopLevel(process_.dwProcessId, "#32770", title);
    return w && !IsManager(w) && drive::Descendant(w, "Button", button) ? w : nullptr;
}

bool HostSession::Press(HWND box, const char* button) const
{
    drive::Click(drive::Center(drive::Descendant(box, "Button", button)));
    return drive::WaitUntil([box] { return !IsWindow(box) || !IsWindowVisible(box); });
}

bool HostSession::Answer(const char* title, const char* button, DWORD ms) const
{
    HWND box = drive::WaitFor([&] { return Asking(title, button); }, ms);
    return box && Press(box, button);
}

std::vector<HWND> HostSession::Managers() const
{
    std::vector<HWND> found; // floating, or docked in a frame
    for (HWND w : drive::Descendants(GetDesktopWindow(), "#32770")) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid == process_.dwProcessId && IsManager(w))
            found.push_back(w);
    }
    return found;
}

HWND HostSession::NewManager(const std::vector<HWND>& before, DWORD ms) const
{
    return drive::WaitFor(
        [&]() -> HWND {
            for (HWND w : Managers())
                if (std::find(before.begin(), before.end(), w) == before.end() && Count(w) >= 0)
                    return w;
            return nullptr;
        },
        ms);
}

bool HostSession::Choose(const char* keys, const char* title, const std::string& album)
{
    // Keys typed while a program that has just started is still settling can be lost: when no
    // dialog comes, the menu is used again.
    HWND choice = nullptr;
    for (int attempt = 0; attempt < 3 && !choice; ++attempt) {
        drive::Menu(main_, keys);
        choice = Dialog(title, 5000);
    }
    if (!choice || !drive::ChooseInCombo(GetDlgItem(choice, kAlbumList), album))
        return false;
    drive::Click(drive::Center(drive::Descendant(choice, "Button", "&OK")));
    return drive::WaitUntil([choice] { return !IsWindow(choice); });
}

HWND HostSession::OpenManager(const std::string& album)
{
    const std::vector<HWND> before = Managers();
    return Choose("fa", "Open New Album", album) ? NewManager(before) : nullptr;
}

bool HostSession::Exit()
{
    drive::Menu(main_, "fx");
    // Every album window with unsaved changes asks once; the program ends after the last.
    auto ended = [this] { return WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0; };
    for (HWND box = nullptr; !ended();) {
        if (!drive::WaitUntil([&] { return ended() || (box = Asking("Album", "&No")) != nullptr; }))
            return false;
        if (box && !Press(box, "&No"))
            return false;
        box = nullptr;
    }
    DWORD code = 1;
    GetExitCodeProcess(process_.hProcess, &code);
    return code == 0;
}

int Count(HWND manager)
{
    int count = -1;
    if (sscanf(drive::Text(GetDlgItem(manager, kInfoLine)).c_str(), "Image files in album: %d", &count) != 1)
        return -1;
    return count;
}

bool WaitCount(HWND manager, int count, DWORD ms)
{
    return drive::WaitUntil([&] { return Count(manager) == count; }, ms);
}

bool Click(HWND manager, Button button)
{
    HWND bar = GetDlgItem(manager, kCommandBar);
    RECT r = {}, shown = {};
    GetClientRect(bar, &r);
    const int from = r.right * button / kButtons, to = r.right * (button + 1) / kButtons;
    const POINT at = drive::ClientPoint(bar, (from + to) / 2, r.bottom / 2);
    GetClientRect(manager, &shown);
    MapWindowPoints(manager, nullptr, reinterpret_cast<POINT*>(&shown), 2);
    if (!IsWindowVisible(bar) || !PtInRect(&shown, at))
        return false;
    drive::Click(at);
    return true;
}

std::vector<HWND> Cells(HWND manager)
{
    return drive::Descendants(GetDlgItem(manager, kAlbumControl), "ThumbViewClass");
}

void Place(HWND window, int x, int y, int right, int bottom)
{
    RECT r = {};
    // Dragged by its caption until it stands at (x, y): a window still taking its first place
    // may no longer be where it was read, and the drag then leaves it short.
    for (int tries = 0; tries < 3; ++tries) {
        GetWindowRect(window, &r);
        drive::Drag(POINT{r.left + 30, r.top + 8}, POINT{x + 30, y + 8});
        if (drive::WaitUntil([&] { return GetWindowRect(window, &r) && r.left == x && r.top == y; }, 5000))
            break;
    }
    // In one step: a window that snaps its size to whole cells would snap each small step back.
    // The drag ends once the window has taken its size.
    drive::Drag(POINT{r.right - 2, r.bottom - 2}, POINT{right, bottom}, 0, 1);
}

HWND OpenAt(HostSession& host, const std::string& album, int count, RECT r)
{
    HWND manager = host.OpenManager(album);
    if (!manager || !WaitCount(manager, count))
        return nullptr;
    Place(manager, r.left, r.top, r.right, r.bottom);
    return manager;
}

bool SaveScreenshot(const std::string& path, DWORD pid)
{
    const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    GlobalBlock image(CaptureSettledScreen(screen, pid));
    return image.get() && ImgIoWriteFile(image.get(), path.c_str(), IMGIO_FORMAT_BMP, 0) == IMGIO_WRITE_OK;
}

bool MakeAlbum(const std::string& album, const std::vector<std::string>& images, int thumbSide)
{
    CAlbumDoc2 doc;
    doc.SetThumbnailSize(WORD(thumbSide), WORD(thumbSide));
    for (const std::string& image : images) {
        CThumbnail2* t = BuildThumbnailFromFile(image.c_str(), WORD(thumbSide), WORD(thumbSide), nullptr);
        if (!t)
            return false;
        doc.Insert(t, nullptr);
    }
    doc.SetPath(album.c_str());
    return doc.Save(album.c_str()) != 0;
}

AlbumContents ReadAlbum(const std::string& album)
{
    AlbumContents c;
    CAlbumDoc2 doc;
    doc.SetAutoCheck(0);
    if (doc.Load(album.c_str()) != 1)
        return c;
    for (int i = 1; i <= doc.GetCount(); ++i) {
        const tagALBUMINFOHEADER* info = doc.GetThumbnail(i)->GetInfo();
        char name[sizeof info->szFileName + 1] = "";
        memcpy(name, info->szFileName, sizeof info->szFileName);
        c.names.push_back(strrchr(name, '\\') ? strrchr(name, '\\') + 1 : name);
        c.sizes.emplace_back(info->wWidth, info->wHeight);
    }
    return c;
}

} // namespace e2e
