// The object behind a window of one of the library's classes lives in the window's user data.
// This is the one place that stores it there, finds it again and lets it go, so that no function
// trusts the user data of a window before checking the window's class.
#pragma once

#include <windows.h>
#include <new>

namespace win {

// True when hwnd is a window of this process whose class is className (ignoring case) and was
// registered by module. Windows of other processes or of other modules never qualify, whatever
// their user data holds.
bool IsWindowOfClass(HWND hwnd, const char* className, HINSTANCE module);

// The user-data pointer as it stands, unchecked: for the class procedure of the window itself.
inline void* UserData(HWND hwnd) { return reinterpret_cast<void*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA)); }
inline void SetUserData(HWND hwnd, void* object)
{
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
}

// The object of a window of the given class, or null for any other window.
template <class T>
T* ObjectOf(HWND hwnd, const char* className, HINSTANCE module)
{
    return IsWindowOfClass(hwnd, className, module) ? static_cast<T*>(UserData(hwnd)) : nullptr;
}

// A class procedure's life-cycle for objects of type T:
// - WM_CREATE binds the creation parameter (the creator keeps ownership), or an object made by
//   makeDefault (owned by the window: T::m_bOwnedByWindow set). When no object can be made the
//   creation fails (-1).
// - every message goes to the object's procedure once it is bound, else to DefWindowProc;
// - WM_DESTROY deletes an owned object after its procedure has seen the message;
// - WM_NCDESTROY unbinds a caller-owned object, which the window no longer reaches.
template <class T, LRESULT (T::*Procedure)(HWND, UINT, WPARAM, LPARAM)>
LRESULT DispatchToObject(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, T* (*makeDefault)(HWND))
{
    if (msg == WM_CREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        T* object = static_cast<T*>(cs->lpCreateParams);
        if (!object) {
            object = makeDefault ? makeDefault(hwnd) : nullptr;
            if (!object)
                return -1;
        }
        SetUserData(hwnd, object);
    }
    T* object = static_cast<T*>(UserData(hwnd));
    if (!object)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    LRESULT result = (object->*Procedure)(hwnd, msg, wParam, lParam);
    if (msg == WM_DESTROY && object->m_bOwnedByWindow) {
        SetUserData(hwnd, nullptr);
        delete object;
    } else if (msg == WM_NCDESTROY) {
        SetUserData(hwnd, nullptr);
    }
    return result;
}

} // namespace win
