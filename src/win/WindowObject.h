// The object behind a window of one of the library's classes lives in the window's user data.
// This is the one place that stores it there, finds it again and lets it go, so that no function
// trusts the user data of a window before checking the window's class.
#pragma once

#include <windows.h>
#include <new>

namespace win {

// True when hwnd is a window of this process.
inline bool IsOwnWindow(HWND hwnd)
{
    DWORD process = 0;
    return hwnd && IsWindow(hwnd) && GetWindowThreadProcessId(hwnd, &process) && process == GetCurrentProcessId();
}

// True when hwnd is a window of this process whose class is className (ignoring case) and was
// registered by module. Windows of other processes or of other modules never qualify, whatever
// their user data holds.
bool IsWindowOfClass(HWND hwnd, const char* className, HINSTANCE module);
// The same, for a class run by the class procedure proc, whichever module registered it.
bool IsWindowOfClassProc(HWND hwnd, const char* className, WNDPROC proc);

// Registers one of the library's grid classes (redrawn whole on resizing, double clicks, a
// pointer of window extra bytes for the object, the arrow cursor) once per process. 1 when the
// class is there with proc, registered now or earlier (by this or another thread); 0 when it
// could not be registered or the name is taken by another procedure.
int RegisterObjectClass(HINSTANCE instance, const char* name, WNDPROC proc, HBRUSH background);

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

// The object of a dialog of this process run by the dialog procedure proc (stored in its user
// data), or null for any other window.
template <class T>
T* DialogObjectOf(HWND window, DLGPROC proc)
{
    if (!IsOwnWindow(window))
        return nullptr;
    if (reinterpret_cast<DLGPROC>(GetWindowLongPtrA(window, DWLP_DLGPROC)) != proc)
        return nullptr;
    return static_cast<T*>(UserData(window));
}

// How one class binds its objects to its windows.
template <class T>
struct WindowBinding {
    // The object for a window created without one, owned by the window; null: none.
    T* (*makeDefault)(HWND) = nullptr;
    // Whether the window deletes the object after WM_DESTROY.
    bool (*ownedByWindow)(const T&) = nullptr;
    // Called once the object is stored in the window.
    void (*bound)(T&, HWND) = nullptr;
    // Called at WM_NCDESTROY for an object that outlives its window.
    void (*unbound)(T&, HWND) = nullptr;
    // Whether a window without an object may exist (it then only ever does the default).
    bool objectOptional = false;
};

// A class procedure's life-cycle for objects of type T:
// - WM_CREATE binds the creation parameter (the creator keeps ownership), or an object made by
//   the binding's makeDefault (owned by the window). When no object can be had the creation
//   fails (-1), unless the class allows windows without one.
// - every message goes to the object's procedure once it is bound, else to DefWindowProc;
// - WM_DESTROY deletes an object the window owns after its procedure has seen the message;
// - WM_NCDESTROY lets go of an object the window does not own, which then no longer reaches it.
template <class T, LRESULT (T::*Procedure)(HWND, UINT, WPARAM, LPARAM)>
LRESULT DispatchToObject(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, const WindowBinding<T>& binding)
{
    if (msg == WM_CREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        T* object = cs ? static_cast<T*>(cs->lpCreateParams) : nullptr;
        if (!object) {
            object = binding.makeDefault ? binding.makeDefault(hwnd) : nullptr;
            if (!object)
                return binding.objectOptional ? 0 : -1;
        }
        SetUserData(hwnd, object);
        if (binding.bound)
            binding.bound(*object, hwnd);
    }
    T* object = static_cast<T*>(UserData(hwnd));
    if (!object)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    LRESULT result = (object->*Procedure)(hwnd, msg, wParam, lParam);
    const bool owned = binding.ownedByWindow && binding.ownedByWindow(*object);
    if (msg == WM_DESTROY && owned) {
        SetUserData(hwnd, nullptr);
        delete object;
    } else if (msg == WM_NCDESTROY) {
        SetUserData(hwnd, nullptr);
        if (!owned && binding.unbound)
            binding.unbound(*object, hwnd);
    }
    return result;
}

} // namespace win
