#include "CtrlKitInternal.h"

#include <commctrl.h>

namespace ctrlkit {

HINSTANCE Module()
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&Module), &module);
    return module;
}

bool IsOurWindow(HWND hwnd, const char* className, WNDPROC proc)
{
    if (!hwnd || !IsWindow(hwnd) || GetWindowThreadProcessId(hwnd, nullptr) != GetCurrentThreadId())
        return false;
    char name[64];
    if (!GetClassNameA(hwnd, name, sizeof name) || lstrcmpiA(name, className) != 0)
        return false;
    return reinterpret_cast<WNDPROC>(GetClassLongPtrA(hwnd, GCLP_WNDPROC)) == proc;
}

bool RegisterOwnClass(const char* className, WNDPROC proc, HCURSOR cursor)
{
    HINSTANCE module = Module();
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExA(module, className, &wc))
        return wc.lpfnWndProc == proc;
    wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = module;
    wc.hCursor = cursor;
    wc.lpszClassName = className;
    return RegisterClassExA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void InitCommonControlsOnce()
{
    static bool done = false;
    if (done)
        return;
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
    done = InitCommonControlsEx(&icc) != FALSE;
}

} // namespace ctrlkit
