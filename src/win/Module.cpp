#include "win/Module.h"

namespace {
HINSTANCE g_instance = nullptr;
}

HINSTANCE AlbumInstance()
{
    if (g_instance)
        return g_instance;
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&AlbumInstance), &self);
    return self;
}

void SetAlbumInstance(HINSTANCE instance) { g_instance = instance; }
