#include <windows.h>
#include "host/Instance.h"
#include "views/ViewResources.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH)
        SetAlbumInstance(instance);
    // Unloaded by the host (not the process ending, when the system takes everything back): the
    // view classes must not outlive their window procedures, nor their brushes and fonts leak.
    if (reason == DLL_PROCESS_DETACH && !reserved)
        viewres::ReleaseViewResources(instance);
    return TRUE;
}
