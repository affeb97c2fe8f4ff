// One run of the editor stand-in, albumhost.exe, from the test program's folder, and what a person
// does with its windows: menus, the album choice, the album window's buttons, dragging. And the
// files of the scenarios: images to add, albums made and read back through the library.
#pragma once

#include <windows.h>
#include <string>
#include <vector>
#include "support/TestSupport.h"

namespace e2e {

// The album window's command bar buttons, left to right.
enum Button { kAdd, kFind, kAcquire, kSort, kDelete, kSave, kPrint, kBatch, kHelp, kButtons };

// The folder of the test program, which holds albumhost.exe and the DLLs; ends in "\".
std::string ProgramFolder();

class HostSession {
public:
    // Starts albumhost.exe with these arguments and waits for its main window.
    explicit HostSession(const std::vector<std::string>& args);
    // Ends the program if it is still running.
    ~HostSession();
    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;

    HWND main() const { return main_; }
    DWORD pid() const { return process_.dwProcessId; }
    // Waits until the status line starts with text.
    bool WaitStatus(const std::string& text, DWORD ms = 30000) const;

    // A visible dialog of the program with this title (message boxes included).
    HWND Dialog(const char* title, DWORD ms = 30000) const;
    // The dialog with this title that has a button with this text, whose button is clicked.
    bool Answer(const char* title, const char* button, DWORD ms = 30000) const;
    // The album manager windows of the program, floating or docked.
    std::vector<HWND> Managers() const;
    // Waits for a manager window that is not among before.
    HWND NewManager(const std::vector<HWND>& before, DWORD ms = 30000) const;

    // The menu command of these access keys, then in its album choice dialog with this title the
    // album chosen and OK.
    bool Choose(const char* keys, const char* title, const std::string& album);
    // File > Open Album Manager, album chosen in "Open New Album": the new window, or null.
    HWND OpenManager(const std::string& album);
    // File > Exit, answering "No" to any question about saving; true when the program ended
    // with exit code 0.
    bool Exit();

private:
    // The visible dialog with this title that has a button with this text, or null.
    HWND Asking(const char* title, const char* button) const;
    // Clicks the button and waits until the dialog is gone.
    bool Press(HWND box, const char* button) const;

    PROCESS_INFORMATION process_ = {};
    HWND main_ = nullptr;
};

// A manager window's thumbnail count from its information line; -1 when it shows none.
int Count(HWND manager);
bool WaitCount(HWND manager, int count, DWORD ms = 30000);
// Clicks a button of the window's command bar; false when the window is too narrow to show it.
bool Click(HWND manager, Button button);
// The album's cells, row by row.
std::vector<HWND> Cells(HWND manager);
// Moves the window by its caption so that its top left corner is at (x, y), then drags its
// bottom right corner to (right, bottom).
void Place(HWND window, int x, int y, int right, int bottom);
// File > Open Album Manager: the window once it shows count thumbnails, placed at r; or null.
HWND OpenAt(HostSession& host, const std::string& album, int count, RECT r);
// Saves what the screen shows, once the windows of process pid have painted, as a bitmap file.
bool SaveScreenshot(const std::string& path, DWORD pid);

// A fresh folder under the temporary folder, removed with everything in it when destroyed.
struct Folder : testsupport::ScratchDir {
    std::string operator/(const std::string& name) const { return File(name); }
};

// A 24-bit bitmap file whose pixels follow from seed, created and last written at time (0: now).
inline void WriteImage(const std::string& path, int width, int height, unsigned seed, uint32_t time = 0)
{
    testsupport::WriteBmpFile(path, width, height, seed);
    if (time)
        testsupport::SetFileTimes(path, time, time);
}

// An album file holding thumbnails of the images, in this order; false when it cannot be made.
bool MakeAlbum(const std::string& album, const std::vector<std::string>& images, int thumbSide = 80);

struct AlbumContents {
    std::vector<std::string> names; // base names of the stored file names, in album order
    std::vector<std::pair<int, int>> sizes; // source image sizes
};
// The album file as the library reads it, its sources not looked at; empty when it cannot be read.
AlbumContents ReadAlbum(const std::string& album);

} // namespace e2e
