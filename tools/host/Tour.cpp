// The scripted tour (--tour): a second thread that uses the editor as a person would, through
// the mouse and keyboard, while the main thread runs the windows as usual. After each step it
// saves a screenshot of the whole screen (NN-step.bmp) and writes a line to shots.txt: the file
// name and the album manager window's screen rectangle at that moment, so that a check can look
// for the manager window in the picture. A step that does not come about within its time stops
// the tour: the reason goes to the standard error and the program ends with exit code 1.
#include <atomic>
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

void Shot(const char* name)
{
    Sleep(400); // let the windows finish painting
    char file[64];
    snprintf(file, sizeof file, "%02d-%s.bmp", ++g_shot, name);
    const std::string path = g_host.options.tourFolder + "\\" + file;
    GlobalBlock image(CaptureWholeScreen());
    if (!image || ImgIoWriteFile(image.get(), path.c_str(), IMGIO_FORMAT_BMP, 0) != IMGIO_WRITE_OK)
        Stop(std::string("cannot save the screenshot ") + path);
    RECT m = {};
    HWND manager = Manager();
    if (manager && IsWindowVisible(manager) && GetWindowRect(manager, &m))
        fprintf(g_manifest, "%s %ld %ld %ld %ld\n", file, m.left, m.top, m.right, m.bottom);
    else
        fprintf(g_manifest, "%s -\n", file);
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
    RECT r = {};
    GetWindowRect(manager, &r);
    drive::Drag(POINT{r.left + 30, r.top + 8}, POINT{380 + 30, 60 + 8});
    GetWindowRect(manager, &r);
    drive::Drag(POINT{r.right - 2, r.bottom - 2}, POINT{960, 560}, 0, 1);
    GetWindowRect(manager, &r);
    Check(r.left == 380 && r.right - r.left > 500, "the album window is moved and made larger");
    Shot("manager-open");

    // 2. A new album, and the sample folder added to it: Album > Add Folder To Album, then the
    // folder browser set to the folder and confirmed.
    HWND list = GetDlgItem(manager, kAlbumList);
    const std::vector<std::string> albums = drive::ComboItems(list);
    Check(!albums.empty() && albums.back() == "New Album", "the album list ends with New Album");
    drive::ChooseInCombo(list, "New Album");
    Check(drive::WaitUntil([&] { return Thumbnails(manager) == 0; }), "New Album chosen");
    drive::Menu(g_host.main, "af");
    HWND browser = drive::WaitFor([] {
        HWND w = drive::TopLevel(g_pid, "#32770", nullptr);
        return w && drive::Descendant(w, "SysTreeView32", nullptr) ? w : nullptr;
    });
    Check(browser != nullptr, "the folder browser is open");
    // BFFM_SETSELECTIONA: the browser selects the folder given by path (this process's memory).
    SendMessageA(browser, WM_USER + 102, TRUE, reinterpret_cast<LPARAM>(o.tourImages.c_str()));
    Sleep(300);
    drive::Click(drive::Center(drive::Descendant(browser, "Button", "OK")));
    Check(drive::WaitUntil([&] { return Thumbnails(manager) > 0; }, 30000), "the sample folder is added");
    Shot("folder-added");

    // 3. A click and a Ctrl-click select two thumbnails.
    std::vector<HWND> cells = Cells(manager);
    Check(cells.size() >= 4, "the album shows its thumbnails");
    drive::Click(drive::Center(cells[1]));
    drive::Click(drive::Center(cells[3]), VK_CONTROL);
    Shot("selected");

    // 4. Sort by size, largest first.
    drive::Click(BarButton(manager, kSort));
    HWND sort = Dialog("Sort");
    Check(sort != nullptr, "the Sort dialog is open");
    drive::Click(drive::Center(drive::Descendant(sort, "Button", "By File &Size")));
    HWND reverse = drive::Descendant(sort, "Button", "&Reverse Order");
    if (SendMessageA(reverse, BM_GETCHECK, 0, 0) != BST_CHECKED)
        drive::Click(drive::Center(reverse));
    drive::Click(drive::Center(drive::Descendant(sort, "Button", "&OK")));
    Check(drive::WaitUntil([] { return !drive::TopLevel(g_pid, "#32770", "Sort"); }), "sorted by size, largest first");
    Shot("sorted");

    // 5. Find: every album image whose name holds "e", looked for in the albums of the folder;
    // the results are let go when the dialog closes.
    drive::Click(BarButton(manager, kFind));
    HWND find = Dialog("Find");
    Check(find != nullptr, "the Find dialog is open");
    drive::Click(drive::Center(GetDlgItem(find, 125)));
    drive::Type("e");
    drive::Click(drive::Center(GetDlgItem(find, IDOK)));
    HWND results = GetDlgItem(find, 104);
    Check(drive::WaitUntil([&] { return !drive::Descendants(results, "ThumbViewClass").empty() &&
                                        drive::Text(GetDlgItem(find, IDOK)) != "&Continue"; }, 30000),
          "the Find dialog shows what it found");
    Shot("found");
    drive::Click(drive::Center(GetDlgItem(find, IDCANCEL)));
    // "Save the results?": not this time.
    HWND keep = drive::WaitFor([] {
        HWND w = drive::TopLevel(g_pid, "#32770", "Lumicraft 2000");
        return w && drive::Descendant(w, "Button", "&No") ? w : nullptr;
    }, 5000);
    if (keep)
        drive::Click(drive::Center(drive::Descendant(keep, "Button", "&No")));
    Check(drive::WaitUntil([] { return !drive::TopLevel(g_pid, "#32770", "Find"); }), "the Find dialog is closed");

    // 6. A double click opens the first image in an image window.
    drive::DoubleClick(drive::Center(Cells(manager)[0]));
    Check(drive::WaitFor([] { return drive::Descendant(g_host.client, HOST_IMAGE_CLASS, nullptr); }) != nullptr,
          "the image is open");
    Shot("image-open");

    // 7. Docked in the frame beside the main window, then floating again.
    HWND frame = drive::TopLevel(g_pid, HOST_DOCK_CLASS, nullptr);
    Check(frame != nullptr, "the dock frame stands beside the main window");
    drive::Click(drive::Center(drive::Descendant(frame, "Button", "Dock")));
    Check(drive::WaitUntil([&] { return GetParent(manager) == frame; }), "the album window is docked");
    Shot("docked");
    drive::Click(drive::Center(drive::Descendant(frame, "Button", "Float")));
    Check(drive::WaitUntil([&] { return GetParent(manager) != frame; }), "the album window floats again");

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
    drive::Menu(g_host.main, "fx");
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
