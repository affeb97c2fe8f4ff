#include <windows.h>
#include "host/Instance.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        SetAlbumInstance(instance);
    return TRUE;
}
