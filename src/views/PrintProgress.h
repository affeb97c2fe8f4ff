// The small window a print job shows while it runs: "Printing page 3 of 12" with a Cancel button,
// the album's name in its caption, owned by the album's window.
#pragma once

#include <windows.h>
#include <vector>

namespace printing {

class PrintProgress {
public:
    // Shows the window over album's top-level window and makes it the abort procedure's window
    // for printer. Meanwhile the thread's other top-level windows (the album's and the editor's)
    // are disabled, as under a modal dialog: nothing can change or close the album under the job.
    PrintProgress(HWND album, const char* document, HDC printer);
    // Enables the windows again, then closes the window, so the album's window is active again.
    ~PrintProgress();
    PrintProgress(const PrintProgress&) = delete;
    PrintProgress& operator=(const PrintProgress&) = delete;

    void ShowPage(int page, int pages);
    // The abort procedure's work, also asked by the job between boxes: dispatches what waits in
    // the thread's queue (painting, the Cancel button, requests of other programs) and answers
    // false once the user has cancelled, the window has gone or the program is quitting.
    bool Continue();
    HWND window() const { return window_; }

private:
    static INT_PTR CALLBACK Proc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);
    static BOOL CALLBACK AbortProc(HDC dc, int error);

    HWND window_ = nullptr;
    bool cancelled_ = false;
    std::vector<HWND> disabled_;
    PrintProgress* outer_;  // the abort procedure's window before this one (a job in a job)
};

} // namespace printing
