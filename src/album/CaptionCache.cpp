#include "album/CaptionCache.h"

#include <atomic>
#include <mutex>
#include <unordered_map>

namespace album {

namespace {

struct Cache {
    std::mutex mutex;
    std::unordered_map<const CThumbnail2*, KeptCaption> entries;
    std::atomic<bool> used{false}; // spares every thumbnail's destruction the lock until then
};

Cache& TheCache()
{
    static Cache* cache = new Cache; // never destroyed: thumbnails may go during process exit
    return *cache;
}

} // namespace

bool FindKeptCaption(const CThumbnail2* t, KeptCaption& out)
{
    Cache& c = TheCache();
    if (!c.used.load(std::memory_order_acquire))
        return false;
    std::lock_guard<std::mutex> lock(c.mutex);
    auto it = c.entries.find(t);
    if (it == c.entries.end())
        return false;
    out = it->second;
    return true;
}

void KeepCaption(const CThumbnail2* t, const KeptCaption& kept)
{
    Cache& c = TheCache();
    try {
        std::lock_guard<std::mutex> lock(c.mutex);
        c.entries[t] = kept;
        c.used.store(true, std::memory_order_release);
    } catch (...) {
        // Without memory the name is worked out again at the next paint.
    }
}

void ForgetCaption(const CThumbnail2* t)
{
    Cache& c = TheCache();
    if (!c.used.load(std::memory_order_acquire))
        return;
    std::lock_guard<std::mutex> lock(c.mutex);
    c.entries.erase(t);
}

void ForgetKeptCaptions()
{
    Cache& c = TheCache();
    if (!c.used.load(std::memory_order_acquire))
        return;
    std::lock_guard<std::mutex> lock(c.mutex);
    c.entries.clear();
}

} // namespace album
