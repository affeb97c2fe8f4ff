#include "imaging/ModalGuard.h"

#include <string.h>
#include <new>
#include <vector>
#include "win/Module.h"

struct ThreadWindowsGuard {
    std::vector<HWND> windows;
};

namespace {

// Module-wide: the guard now in force, if any. Used on the user-interface thread only.
ThreadWindowsGuard* g_active = nullptr;

bool EqualNoCaseAscii(const char* a, const char* b)
{
    for (;; ++a, ++b) {
        char x = (*a >= 'A' && *a <= 'Z') ? char(*a - 'A' + 'a') : *a;
        char y = (*b >= 'A' && *b <= 'Z') ? char(*b - 'A' + 'a') : *b;
        if (x != y)
            return false;
        if (!x)
            return true;
    }
}

// Windows the guard leaves alone: the editor's main window and its template window.
bool IsExemptClass(HWND window)
{
    char name[256];
    if (!GetClassNameA(window, name, sizeof name))
        return false;
    return EqualNoCaseAscii(name, "Template Window class") || EqualNoCaseAscii(name, "Lumicraft 2000");
}

struct Collect {
    std::vector<HWND>* windows;
    DWORD thread;
    bool outOfMemory;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM param)
{
    Collect* c = reinterpret_cast<Collect*>(param);
    if (GetWindowThreadProcessId(window, nullptr) != c->thread || !IsWindowEnabled(window) ||
        IsExemptClass(window))
        return TRUE;
    try {
        c->windows->push_back(window);
    } catch (...) {
        // The record cannot grow: stop here. Windows not recorded are never disabled, so every
        // disabled window is one the guard will enable again.
        c->outOfMemory = true;
        return FALSE;
    }
    return TRUE;
}

} // namespace

HTHREADGUARD DisableThreadWindows()
{
    if (g_active) {
        MessageBeep(0);
        return nullptr;
    }
    ThreadWindowsGuard* guard = new (std::nothrow) ThreadWindowsGuard;
    if (!guard)
        return nullptr;

    // Record first, disable afterwards: a window is disabled only once it is in the record, and
    // no WM_ENABLE handler runs while the window list is being enumerated.
    Collect c{&guard->windows, GetCurrentThreadId(), false};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&c));

    size_t kept = 0;
    for (HWND window : guard->windows) {
        // A WM_ENABLE handler of an earlier window may have disabled this one meanwhile; then it
        // is not ours to enable again.
        if (IsWindow(window) && !EnableWindow(window, FALSE))
            guard->windows[kept++] = window;
    }
    guard->windows.resize(kept);
    g_active = guard;
    return guard;
}

int EnableThreadWindows(HTHREADGUARD guard)
{
    if (guard != g_active) {
        MessageBeep(0);
        return 0;
    }
    if (!guard)
        return 1;
    const DWORD thread = GetCurrentThreadId();
    for (HWND window : guard->windows) {
        // A window destroyed meanwhile is skipped, and so is a handle reused by another thread.
        if (IsWindow(window) && GetWindowThreadProcessId(window, nullptr) == thread)
            EnableWindow(window, TRUE);
    }
    g_active = nullptr;
    delete guard;
    return 1;
}

INT_PTR ModalDialogBox(HINSTANCE instance, LPCSTR dialogTemplate, HWND owner, DLGPROC proc, LPARAM param)
{
    HTHREADGUARD guard = DisableThreadWindows();
    INT_PTR result = DialogBoxParamA(instance, dialogTemplate, owner, proc, param);
    if (guard)
        EnableThreadWindows(guard);
    return result;
}

int ModalMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT flags)
{
    HTHREADGUARD guard = DisableThreadWindows();
    int result = MessageBoxA(owner, text, caption, flags);
    if (guard)
        EnableThreadWindows(guard);
    return result;
}

int ModalMessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT flags)
{
    HTHREADGUARD guard = DisableThreadWindows();
    int result = MessageBoxW(owner, text, caption, flags);
    if (guard)
        EnableThreadWindows(guard);
    return result;
}

int ModalMessageBoxIds(HWND owner, UINT textId, UINT captionId, UINT flags)
{
    char text[300];
    char caption[40];
    HINSTANCE instance = AlbumInstance();
    if (LoadStringA(instance, textId, text, sizeof text) <= 0)
        text[0] = '\0';
    if (LoadStringA(instance, captionId, caption, sizeof caption) <= 0)
        caption[0] = '\0';
    return ModalMessageBox(owner, text, caption, flags);
}
