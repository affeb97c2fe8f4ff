// The library's entry point: the module-wide state made at the first attachment and given back
// at the last, every attaching thread's registry entry, and a log line per attachment.
#include <windows.h>
#include <stdio.h>
#include "album/AlbumCtrl.h"
#include "control/BrushAlbumCtrl.h"
#include "control/ManagerState.h"
#include "host/AlbumLog.h"
#include "host/AlbumRegistry.h"
#include "vendor_standins/ctrlkit/ctrlkit.h"
#include "views/ViewResources.h"
#include "win/Module.h"

void UnregisterAlbumCtrlClasses(HINSTANCE instance);

namespace {

// Attachments not yet matched by a detachment. The loader calls the entry point for one reason
// at a time, so no lock is needed.
LONG g_attachCount = 0;
// Marks the threads that were counted. Threads that ran before the library was loaded are never
// attached but still detach; counting their detachments would tear the shared state down while
// manager windows still use it.
DWORD g_countedSlot = TLS_OUT_OF_INDEXES;

void Attach(HINSTANCE instance)
{
    if (g_attachCount == 0) {
        CreateAlbumRegistry(); // without it every thread simply has no entry
        SetAlbumInstance(instance);
        g_countedSlot = TlsAlloc();
        // The cells, lists, album controls and the command bar; failures show when windows of
        // a class cannot be made.
        CAlbumCtrl::Register(instance);
        CtrlKitRegisterBarClass(instance);
    }
    RegisterAlbumThread();
    if (g_countedSlot != TLS_OUT_OF_INDEXES)
        TlsSetValue(g_countedSlot, reinterpret_cast<void*>(1));
    ++g_attachCount;
    char message[MAX_PATH];
    snprintf(message, sizeof message, "Album - entry - ref count is %d!", static_cast<int>(g_attachCount));
    WriteAlbumLog(message);
}

void Detach(HINSTANCE instance, bool process, bool processEnding)
{
    const bool counted = g_countedSlot != TLS_OUT_OF_INDEXES && TlsGetValue(g_countedSlot) != nullptr;
    if (!counted && !process)
        return;
    if (counted)
        TlsSetValue(g_countedSlot, nullptr);
    UnregisterAlbumThread();
    if (g_attachCount > 0)
        --g_attachCount;
    // At the process's end other threads are gone mid-flight: the state goes with the process.
    if (g_attachCount != 0 || processEnding)
        return;
    manager::SetClipboard(nullptr);
    DestroyAlbumRegistry();
    // Unloaded by the host: no class may outlive its window procedure, nor a brush or font leak.
    UnregisterAlbumCtrlClasses(instance);
    UnregisterBrushAlbumCtrlClasses(instance);
    viewres::ReleaseViewResources(instance);
    if (g_countedSlot != TLS_OUT_OF_INDEXES) {
        TlsFree(g_countedSlot);
        g_countedSlot = TLS_OUT_OF_INDEXES;
    }
}

} // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    switch (reason) {
    case DLL_PROCESS_ATTACH:
    case DLL_THREAD_ATTACH:
        Attach(instance);
        break;
    case DLL_PROCESS_DETACH:
    case DLL_THREAD_DETACH:
        Detach(instance, reason == DLL_PROCESS_DETACH, reason == DLL_PROCESS_DETACH && reserved != nullptr);
        break;
    default:
        break;
    }
    return TRUE;
}
