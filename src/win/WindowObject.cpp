#include "win/WindowObject.h"

namespace win {

bool IsWindowOfClass(HWND hwnd, const char* className, HINSTANCE module)
{
    if (!hwnd || !className || !IsWindow(hwnd))
        return false;
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    if (process != GetCurrentProcessId())
        return false;
    char name[257];
    if (!GetClassNameA(hwnd, name, sizeof name) || lstrcmpiA(name, className) != 0)
        return false;
    return reinterpret_cast<HINSTANCE>(GetClassLongPtrA(hwnd, GCLP_HMODULE)) == module;
}

} // namespace win
