#include "album/AlbumFileLock.h"

#include <windows.h>
#include <condition_variable>
#include <map>
#include <mutex>

namespace album {

namespace {

// The files held in the process, each with the thread that holds it.
struct HeldFiles {
    std::mutex mutex;
    std::condition_variable released;
    std::map<std::string, DWORD> owners;
};

HeldFiles& Held()
{
    static HeldFiles held;
    return held;
}

// One name for every form of the path: full, long where the file exists, ASCII upper case.
std::string KeyOf(const char* path)
{
    char full[MAX_PATH], longer[MAX_PATH];
    const DWORD n = path ? GetFullPathNameA(path, sizeof full, full, nullptr) : 0;
    if (n == 0 || n >= sizeof full)
        return std::string();
    const DWORD l = GetLongPathNameA(full, longer, sizeof longer);
    std::string key = l > 0 && l < sizeof longer ? longer : full;
    for (char& c : key)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return key;
}

} // namespace

AlbumFileLock::AlbumFileLock(const char* path) : key_(KeyOf(path))
{
    if (key_.empty())
        return;
    HeldFiles& held = Held();
    const DWORD self = GetCurrentThreadId();
    try {
        std::unique_lock<std::mutex> lock(held.mutex);
        for (;;) {
            auto it = held.owners.find(key_);
            if (it == held.owners.end())
                break;
            if (it->second == self)
                return;
            held.released.wait(lock);
        }
        held.owners.emplace(key_, self);
        held_ = true;
    } catch (...) {
        held_ = false;
    }
}

AlbumFileLock::~AlbumFileLock()
{
    if (!held_)
        return;
    HeldFiles& held = Held();
    {
        std::lock_guard<std::mutex> lock(held.mutex);
        held.owners.erase(key_);
    }
    held.released.notify_all();
}

} // namespace album
