#include <windows.h>
#include "host/AlbumRegistry.h"
#include "host/Instance.h"
#include "album/AlbumCtrl.h"
#include "vendor_standins/ctrlkit/ctrlkit.h"

// Every step here only allocates, frees or sets thread-local slots: nothing waits on another
// thread or calls back into the loader.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        SetAlbumInstance(instance);
        CreateAlbumRegistry(); // without it every thread simply has no entry
        RegisterAlbumThread();
        // The window classes of the cells, lists, album controls and the command bar.
        CAlbumCtrl::Register(instance);
        CtrlKitRegisterBarClass(instance);
        break;
    case DLL_THREAD_ATTACH:
        RegisterAlbumThread();
        break;
    case DLL_THREAD_DETACH:
        UnregisterAlbumThread();
        break;
    case DLL_PROCESS_DETACH:
        // Unloaded while the process goes on: give everything back. At the process's end
        // (reserved non-null) other threads are already gone mid-flight; leave it to the end.
        if (!reserved) {
            UnregisterAlbumThread();
            DestroyAlbumRegistry();
        }
        break;
    default:
        break;
    }
    return TRUE;
}
