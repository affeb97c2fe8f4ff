#include "win/WindowObject.h"

namespace win {

int RegisterObjectClass(HINSTANCE instance, const char* name, WNDPROC proc, HBRUSH background)
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExA(instance, name, &wc))
        return wc.lpfnWndProc == proc ? 1 : 0;
    wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = proc;
    wc.cbWndExtra = sizeof(void*);
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    if (RegisterClassExA(&wc))
        return 1;
    // Another thread may have registered it meanwhile.
    return GetLastError() == ERROR_CLASS_ALREADY_EXISTS && GetClassInfoExA(instance, name, &wc) && wc.lpfnWndProc == proc
               ? 1
               : 0;
}

namespace {

bool IsOwnWindowNamed(HWND hwnd, const char* className)
{
    if (!className || !IsOwnWindow(hwnd))
        return false;
    char name[257];
    return GetClassNameA(hwnd, name, sizeof name) && lstrcmpiA(name, className) == 0;
}

} // namespace

bool IsWindowOfClass(HWND hwnd, const char* className, HINSTANCE module)
{
    return IsOwnWindowNamed(hwnd, className) &&
           reinterpret_cast<HINSTANCE>(GetClassLongPtrA(hwnd, GCLP_HMODULE)) == module;
}

bool IsWindowOfClassProc(HWND hwnd, const char* className, WNDPROC proc)
{
    return IsOwnWindowNamed(hwnd, className) && reinterpret_cast<WNDPROC>(GetClassLongPtrA(hwnd, GCLP_WNDPROC)) == proc;
}

} // namespace win
