#include "AlbumLibrary.h"

bool AlbumLibrary::Load(const std::string& path, std::string& error)
{
    HMODULE module = LoadLibraryA(path.c_str());
    if (!module) {
        error = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    std::string missing;
#define ALBUM_HOST_LOOKUP(name, exported)                                                         \
    name = reinterpret_cast<decltype(name)>(reinterpret_cast<void*>(GetProcAddress(module, exported))); \
    if (!name)                                                                                    \
        missing += std::string(missing.empty() ? "" : ", ") + #name;
    ALBUM_HOST_ENTRIES(ALBUM_HOST_LOOKUP)
#undef ALBUM_HOST_LOOKUP
    if (!missing.empty()) {
        error = path + " does not export " + missing;
#define ALBUM_HOST_CLEAR(name, exported) name = nullptr;
        ALBUM_HOST_ENTRIES(ALBUM_HOST_CLEAR)
#undef ALBUM_HOST_CLEAR
        FreeLibrary(module);
        return false;
    }
    module_ = module;
    return true;
}
