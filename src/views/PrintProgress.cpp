#include "views/PrintProgress.h"

#include <stdio.h>
#include <algorithm>
#include <string>
#include "resource.h"
#include "win/LongPath.h"
#include "win/Module.h"

namespace printing {

namespace {

enum { kDialog = 126, kPageText = 1301 };

// Messages dispatched at one call at most: a window that never validates itself cannot keep the
// job waiting on an endless stream of WM_PAINT.
constexpr int kMessagesPerCall = 200;

thread_local PrintProgress* t_active = nullptr;

std::string LoadText(UINT id)
{
    char text[256] = "";
    LoadStringA(AlbumInstance(), id, text, sizeof text);
    return text;
}

BOOL CALLBACK DisableOne(HWND w, LPARAM list)
{
    if (IsWindowEnabled(w)) {
        EnableWindow(w, FALSE);
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(w);
    }
    return TRUE;
}

// Puts the window in the middle of its owner, kept within the owner's screen.
void CenterOver(HWND window, HWND owner)
{
    RECT w, o;
    MONITORINFO screen = {};
    screen.cbSize = sizeof screen;
    if (!owner || !GetWindowRect(window, &w) || !GetWindowRect(owner, &o) ||
        !GetMonitorInfoA(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &screen))
        return;
    const RECT& work = screen.rcWork;
    const int width = w.right - w.left, height = w.bottom - w.top;
    const int x = std::max<int>(work.left, std::min<int>((o.left + o.right - width) / 2, work.right - width));
    const int y = std::max<int>(work.top, std::min<int>((o.top + o.bottom - height) / 2, work.bottom - height));
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

PrintProgress::PrintProgress(HWND album, const char* document, HDC printer) : outer_(t_active)
{
    HWND owner = album && IsWindow(album) ? GetAncestor(album, GA_ROOT) : nullptr;
    EnumThreadWindows(GetCurrentThreadId(), DisableOne, reinterpret_cast<LPARAM>(&disabled_));
    window_ = CreateDialogParamA(AlbumInstance(), MAKEINTRESOURCEA(kDialog), owner, Proc, reinterpret_cast<LPARAM>(this));
    if (window_) {
        char caption[300];
        snprintf(caption, sizeof caption, LoadText(IDS_PRINT_PROGRESS_CAPTION).c_str(),
                 BaseNameOf(document ? document : "").c_str());
        SetWindowTextA(window_, caption);
        CenterOver(window_, owner);
        ShowWindow(window_, SW_SHOW);
        UpdateWindow(window_);
    }
    t_active = this;
    if (printer)
        SetAbortProc(printer, AbortProc);
}

PrintProgress::~PrintProgress()
{
    t_active = outer_;
    for (auto w = disabled_.rbegin(); w != disabled_.rend(); ++w)
        if (IsWindow(*w))
            EnableWindow(*w, TRUE);
    if (window_ && IsWindow(window_))
        DestroyWindow(window_);
}

void PrintProgress::ShowPage(int page, int pages)
{
    if (!window_)
        return;
    char text[128];
    snprintf(text, sizeof text, LoadText(IDS_PRINT_PROGRESS).c_str(), page, pages);
    SetDlgItemTextA(window_, kPageText, text);
}

bool PrintProgress::Continue()
{
    MSG msg;
    for (int i = 0; i < kMessagesPerCall && !cancelled_ && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        if (msg.message == WM_QUIT) {
            // The program is ending: the job stops, and the quit goes back for the program's loop.
            PostQuitMessage(static_cast<int>(msg.wParam));
            cancelled_ = true;
        } else if (!window_ || !IsDialogMessageA(window_, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return !cancelled_;
}

BOOL CALLBACK PrintProgress::AbortProc(HDC, int)
{
    return !t_active || t_active->Continue();
}

INT_PTR CALLBACK PrintProgress::Proc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<PrintProgress*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL && self) {
            self->cancelled_ = true;
            EnableWindow(GetDlgItem(dialog, IDCANCEL), FALSE);
            return TRUE;
        }
        return FALSE;
    case WM_DESTROY:
        // Closed from outside (its owner went): the job cannot be shown or cancelled any more.
        if (self) {
            self->cancelled_ = true;
            self->window_ = nullptr;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace printing
