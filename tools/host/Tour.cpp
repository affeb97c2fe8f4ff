// The scripted tour (--tour): a second thread that uses the editor as a person would, through
// the mouse and keyboard, while the main thread runs the windows as usual. After each step it
// saves a screenshot of the whole screen (NN-step.bmp) and writes a line to shots.txt: the file
// name and the album manager window's screen rectangle at that moment, so that a check can look
// for the manager window in the picture; for the three screenshots the README shows, also the
// picture's name and the rectangle of the windows it shows. Each step waits for what it needs to see, never for a
// fixed time; one that does not come about within its (generous) time stops the tour: the reason
// goes to the standard error and the program ends with exit code 1.
#include <windows.h>
#include <commctrl.h>
#include <atomic>
#include <initializer_list>
#include <stdio.h>
#include <string.h>
#include <string>
#include "Driver.h"
#include "Host.h"
#include "Raii.h"
#include "imgio.h"

namespace {

std::atomic<bool> g_started{false}, g_finished{false};
FILE* g_manifest = nullptr;
int g_shot = 0;
const DWORD g_pid = GetCurrentProcessId();

// The manager window's controls.
constexpr int kAlbumList = 101, kAlbumControl = 104, kInfoLine = 207, kCommandBar = 206;
enum Button { kAdd, kFind, kAcquire, kSort, kDelete, kSave, kPrint, kBatch, kHelp, kButtons };

HGLOBAL CaptureWholeScreen()
{
    RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return CaptureScreen(screen);
}

// Ends the tour and the program; the screen as it was goes to failed.bmp.
[[noreturn]] void Stop(const std::string& why)
{
    fprintf(stderr, "tour: did not come about: %s\n", why.c_str());
    fflush(stderr);
    GlobalBlock image(CaptureWholeScreen());
    if (image)
        ImgIoWriteFile(image.get(), (g_host.options.tourFolder + "\\failed.bmp").c_str(), IMGIO_FORMAT_BMP, 0);
    if (g_manifest)
        fclose(g_manifest);
    ExitProcess(1);
}

void Check(bool ok, const std::string& what)
{
    if (!ok)
        Stop(what);
    printf("tour: %s\n", what.c_str());
    fflush(stdout);
}

HWND Manager()
{
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(g_host.main, kQueryActiveManager, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer);
    return reinterpret_cast<HWND>(answer);
}

// picture: the README picture this screenshot makes, of the windows shows (measured once the
// screen has settled: a dialog may still be growing when the step is done).
void Shot(const char* name, const char* picture = nullptr, std::initializer_list<HWND> shows = {})
{
    char file[64];
    snprintf(file, sizeof file, "%02d-%s.bmp", ++g_shot, name);
    const std::string path = g_host.options.tourFolder + "\\" + file;
    const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    GlobalBlock image(CaptureSettledScreen(screen, g_pid));
    if (!image)
        Stop(std::string("the screen did not settle for ") + file);
    if (ImgIoWriteFile(image.get(), path.c_str(), IMGIO_FORMAT_BMP, 0) != IMGIO_WRITE_OK)
        Stop(std::string("cannot save the screenshot ") + path);
    RECT m = {};
    HWND manager = Manager();
    if (manager && IsWindowVisible(manager) && GetWindowRect(manager, &m))
        fprintf(g_manifest, "%s %ld %ld %ld %ld", file, m.left, m.top, m.right, m.bottom);
    else
        fprintf(g_manifest, "%s - - - -", file);
    RECT all = {}, r;
    for (HWND w : shows)
        if (GetWindowRect(w, &r))
            UnionRect(&all, &all, &r);
    if (picture)
        fprintf(g_manifest, " %s %ld %ld %ld %ld", picture, all.left, all.top, all.right, all.bottom);
    fprintf(g_manifest, "\n");
    fflush(g_manifest);
    printf("tour: screenshot %s\n", path.c_str());
    fflush(stdout);
}

// The centre of button b of the manager's command bar (the buttons share the bar's width).
POINT BarButton(HWND manager, int b)
{
    HWND bar = GetDlgItem(manager, kCommandBar);
    RECT r = {};
    GetClientRect(bar, &r);
    const int from = r.right * b / kButtons, to = r.right * (b + 1) / kButtons;
    return drive::ClientPoint(bar, (from + to) / 2, r.bottom / 2);
}

int Thumbnails(HWND manager)
{
    int count = -1;
    sscanf(drive::Text(GetDlgItem(manager, kInfoLine)).c_str(), "Image files in album: %d", &count);
    return count;
}

HWND Dialog(const char* title) { return drive::WaitFor([title] { return drive::TopLevel(g_pid, "#32770", title); }); }

std::vector<HWND> Cells(HWND manager) { return drive::Descendants(GetDlgItem(manager, kAlbumControl), "ThumbViewClass"); }

// Clicks a cell (with a modifier) and waits until the cell shows the click: it looks otherwise.
bool ClickChangesCell(HWND cell, WORD modifier = 0)
{
    RECT r = {};
    GetWindowRect(cell, &r);
    GlobalBlock before(CaptureSettledScreen(r, g_pid));
    drive::Click(drive::Center(cell), modifier);
    return before && drive::WaitUntil([&] {
        GlobalBlock now(CaptureScreen(r));
        return now && !SameImage(before.get(), now.get());
    });
}

bool Checked(HWND button) { return SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

// The names of the folder browser's selected folder and of the folders it is in, innermost first.
std::vector<std::string> BrowserSelection(HWND tree)
{
    std::vector<std::string> names;
    auto next = [tree](UINT which, HTREEITEM from) {
        return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, which, reinterpret_cast<LPARAM>(from)));
    };
    for (HTREEITEM item = next(TVGN_CARET, nullptr); item && names.size() < 100; item = next(TVGN_PARENT, item)) {
        char text[MAX_PATH] = "";
        TVITEMA tv = {};
        tv.mask = TVIF_TEXT;
        tv.hItem = item;
        tv.pszText = text;
        tv.cchTextMax = sizeof text;
        SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
        names.push_back(text);
    }
    return names;
}

// Whether the browser's selection is folder: its name and the names of the folders it is in, up
// to the drive, are those of the path.
bool BrowserShows(HWND tree, const std::string& folder)
{
    std::vector<std::string> parts;
    for (size_t from = 0; from <= folder.size();) {
        size_t cut = folder.find('\\', from);
        if (cut == std::string::npos)
            cut = folder.size();
        if (cut > from)
            parts.push_back(folder.substr(from, cut - from));
        from = cut + 1;
    }
    if (!parts.empty() && parts.front().size() == 2 && parts.front()[1] == ':')
        parts.erase(parts.begin()); // the drive's own name in the tree is the system's choice
    const std::vector<std::string> shown = BrowserSelection(tree);
    if (parts.empty() || shown.size() < parts.size())
        return false;
    for (size_t i = 0; i < parts.size(); ++i)
        if (lstrcmpiA(shown[i].c_str(), parts[parts.size() - 1 - i].c_str()) != 0)
            return false;
    return true;
}

// The image files in folder (the sample folder has no subfolders), by the extensions the album reads.
int ImageFilesIn(const std::string& folder)
{
    static const char* const kExtensions[] = {".bmp", ".jpg", ".jpeg", ".png", ".gif", ".tif", ".tiff", ".ico",
                                              ".tga", ".pcx"};
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    int count = 0;
    do {
        const char* dot = strrchr(fd.cFileName, '.');
        if (dot && !(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            for (const char* e : kExtensions)
                count += lstrcmpiA(dot, e) == 0;
    } while (FindNextFileA(find, &fd));
    FindClose(find);
    return count;
}

DWORD WINAPI TourThread(void*)
{
    const HostOptions& o = g_host.options;
    g_manifest = fopen((o.tourFolder + "\\shots.txt").c_str(), "w");
    if (!g_manifest)
        Stop("cannot write " + o.tourFolder + "\\shots.txt");

    // 1. The manager window the host opened at start.
    HWND manager = drive::WaitFor([] { return Manager(); });
    Check(manager && drive::WaitUntil([&] { return Thumbnails(manager) >= 0; }), "an album window is open");
    // Moved by its caption to the right half of the main window, and made larger by its corner.
    // A window that has just opened on a new Wine prefix may not take the first press on its
    // caption as a move (the news of its activation is still on its way): the hand tries again.
    RECT r = {};
    auto moved = [&] { return GetWindowRect(manager, &r) && r.left == 380 && r.top == 60; };
    for (int tries = 0; tries < 3 && !moved(); ++tries) {
        drive::Drag(POINT{r.left + 30, r.top + 8}, POINT{380 + 30, 60 + 8});
        drive::WaitUntil(moved, 10000);
    }
    Check(moved(), "the album window is moved");
    drive::Drag(POINT{r.right - 2, r.bottom - 2}, POINT{960, 560}, 0, 1);
    Check(drive::WaitUntil([&] { return GetWindowRect(manager, &r) && r.left == 380 && r.right - r.left > 500; }),
          "the album window is made larger");
    Shot("manager-open", "album-window", {manager});

    // 2. A new album, and the sample folder added to it: Album > Add Folder To Album, then the
    // folder browser set to the folder and confirmed.
    HWND list = GetDlgItem(manager, kAlbumList);
    const std::vector<std::string> albums = drive::ComboItems(list);
    Check(!albums.empty() && albums.back() == "New Album", "the album list ends with New Album");
    Check(drive::ChooseInCombo(list, "New Album") && drive::WaitUntil([&] { return Thumbnails(manager) == 0; }),
          "New Album chosen");
    Check(drive::Menu(g_host.main, "af"), "Album > Add Folder To Album chosen");
    HWND browser = drive::WaitFor([] {
        HWND w = drive::TopLevel(g_pid, "#32770", nullptr);
        return w && drive::Descendant(w, "SysTreeView32", nullptr) ? w : nullptr;
    });
    Check(browser != nullptr, "the folder browser is open");
    // BFFM_SETSELECTIONA: the browser selects the folder given by path (this process's memory).
    // On a first run it may take a while to get there, or miss it while it is still filling its
    // tree: it is asked again until its selection, read back from its tree, is the folder.
    HWND tree = drive::Descendant(browser, "SysTreeView32", nullptr);
    Check(drive::WaitUntil([&] {
              if (BrowserShows(tree, o.tourImages))
                  return true;
              DWORD_PTR answer = 0;
              SendMessageTimeoutA(browser, WM_USER + 102, TRUE, reinterpret_cast<LPARAM>(o.tourImages.c_str()),
                                  SMTO_NORMAL, 120000, &answer);
              return BrowserShows(tree, o.tourImages);
          }, 180000),
          "the folder browser shows the sample folder");
    drive::Click(drive::Center(drive::Descendant(browser, "Button", "OK")));
    const int images = ImageFilesIn(o.tourImages);
    Check(images > 0 && drive::WaitUntil([&] { return Thumbnails(manager) == images; }, 180000),
          "the sample folder is added (" + std::to_string(images) + " images)");
    Shot("folder-added");

    // 3. A click and a Ctrl-click select two thumbnails.
    std::vector<HWND> cells = Cells(manager);
    Check(cells.size() >= 4, "the album shows its thumbnails");
    Check(ClickChangesCell(cells[1]), "a thumbnail is selected");
    Check(ClickChangesCell(cells[3], VK_CONTROL), "a second thumbnail is selected");
    Shot("selected");

    // 4. Sort by size, largest first.
    drive::Click(BarButton(manager, kSort));
    HWND sort = Dialog("Sort");
    Check(sort != nullptr, "the Sort dialog is open");
    HWND bySize = drive::Descendant(sort, "Button", "By File &Size");
    drive::Click(drive::Center(bySize));
    HWND reverse = drive::Descendant(sort, "Button", "&Reverse Order");
    if (!Checked(reverse))
        drive::Click(drive::Center(reverse));
    Check(drive::WaitUntil([&] { return Checked(bySize) && Checked(reverse); }), "by size, in reverse order");
    drive::Click(drive::Center(drive::Descendant(sort, "Button", "&OK")));
    Check(drive::WaitUntil([] { return !drive::TopLevel(g_pid, "#32770", "Sort"); }), "sorted by size, largest first");
    Shot("sorted");

    // 5. Find: every album image whose name holds "e", looked for in the albums of the folder;
    // the results are let go when the dialog closes.
    drive::Click(BarButton(manager, kFind));
    HWND find = Dialog("Find");
    Check(find != nullptr, "the Find dialog is open");
    HWND name = GetDlgItem(find, 125);
    Check(drive::Focus(name), "the name field has the focus");
    drive::Type("e");
    Check(drive::WaitUntil([&] { return drive::Text(name) == "e"; }), "\"e\" typed as the name");
    drive::Click(drive::Center(GetDlgItem(find, IDOK)));
    HWND results = GetDlgItem(find, 104);
    Check(drive::WaitUntil([&] { return !drive::Descendants(results, "ThumbViewClass").empty() &&
                                        drive::Text(GetDlgItem(find, IDOK)) != "&Continue"; }, 180000),
          "the Find dialog shows what it found");
    Shot("found", "find-results", {manager, find});
    drive::Click(drive::Center(GetDlgItem(find, IDCANCEL)));
    // "Save the results?": not this time.
    HWND keep = drive::WaitFor([] {
        HWND w = drive::TopLevel(g_pid, "#32770", "Lumicraft 2000");
        return w && drive::Descendant(w, "Button", "&No") ? w : nullptr;
    });
    Check(keep != nullptr, "asked whether to keep the results");
    drive::Click(drive::Center(drive::Descendant(keep, "Button", "&No")));
    Check(drive::WaitUntil([] { return !drive::TopLevel(g_pid, "#32770", "Find"); }), "the Find dialog is closed");

    // 6. A double click opens the first image in an image window.
    drive::DoubleClick(drive::Center(Cells(manager)[0]));
    Check(drive::WaitFor([] { return drive::Descendant(g_host.client, HOST_IMAGE_CLASS, nullptr); }, 60000) != nullptr,
          "the image is open");
    Shot("image-open");

    // 7. Docked in the frame beside the main window, then floating again.
    HWND frame = drive::TopLevel(g_pid, HOST_DOCK_CLASS, nullptr);
    Check(frame != nullptr, "the dock frame stands beside the main window");
    drive::Click(drive::Center(drive::Descendant(frame, "Button", "Dock")));
    Check(drive::WaitUntil([] { return StatusText() == "Album window docked."; }), "the album window is docked");
    Shot("docked", "docked", {g_host.main, frame});
    drive::Click(drive::Center(drive::Descendant(frame, "Button", "Float")));
    Check(drive::WaitUntil([] { return StatusText() == "Album window floating."; }), "the album window floats again");

    // 8. A brush chosen in the tool window.
    HWND brushes = g_host.tools ? drive::Descendant(g_host.tools, "BrushAlbumCtrl", nullptr) : nullptr;
    std::vector<HWND> brushCells = brushes ? drive::Descendants(brushes, "ThumbViewClass") : std::vector<HWND>();
    if (!brushCells.empty()) {
        drive::Click(drive::Center(brushCells[brushCells.size() > 1 ? 1 : 0]));
        Check(drive::WaitUntil([] { return StatusText().rfind("Brush chosen", 0) == 0; }), "a brush is chosen");
    } else {
        printf("tour: no brushes to choose (Brushes.abm is missing or empty)\n");
    }
    Shot("brush-chosen");

    // 9. File > Exit; the new album is not kept.
    fclose(g_manifest);
    g_manifest = nullptr;
    Check(drive::Menu(g_host.main, "fx"), "File > Exit chosen");
    HWND ask = drive::WaitFor([] {
        HWND w = drive::TopLevel(g_pid, "#32770", "Album");
        return w && drive::Descendant(w, "Button", "&No") ? w : nullptr;
    });
    Check(ask != nullptr, "asked whether to save the new album");
    g_finished = true;
    drive::Click(drive::Center(drive::Descendant(ask, "Button", "&No")));
    return 0;
}

} // namespace

void StartTour()
{
    g_started = true;
    HANDLE thread = CreateThread(nullptr, 0, TourThread, nullptr, 0, nullptr);
    if (!thread)
        Stop("cannot start the tour");
    CloseHandle(thread);
}

int TourResult() { return g_started && !g_finished ? 1 : 0; }
