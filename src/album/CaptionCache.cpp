#include "album/CaptionCache.h"

#include <string.h>
#include <atomic>
#include <mutex>
#include <unordered_map>
#include "album/Thumbnail.h"
#include "win/AnsiNames.h"
#include "win/Handles.h"

namespace album {

namespace {

struct Cache {
    std::mutex mutex;
    std::unordered_map<const CThumbnail2*, KeptCaption> entries;
    struct Real {
        std::string forName; // the stored name it was found for
        std::wstring name;
    };
    std::unordered_map<const CThumbnail2*, Real> real;
    // Where the album's source check found a relative stored name: kept until the thumbnail
    // goes, the real name worked out from it afresh whenever the entries above were dropped.
    struct Found {
        std::string forName;
        std::string path;
    };
    std::unordered_map<const CThumbnail2*, Found> foundAt;
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
    c.real.erase(t);
    c.foundAt.erase(t);
}

void ForgetKeptCaptions()
{
    Cache& c = TheCache();
    if (!c.used.load(std::memory_order_acquire))
        return;
    std::lock_guard<std::mutex> lock(c.mutex);
    c.entries.clear();
    c.real.clear();
}

namespace {

std::string StoredNameOf(const CThumbnail2& t)
{
    return std::string(t.m_Info.szFileName, win::FieldLength(t.m_Info.szFileName, sizeof t.m_Info.szFileName));
}

const char* LastPart(const std::string& path)
{
    const char* last = path.c_str();
    for (const char* p = last; *p; ++p)
        if (*p == '\\' || *p == '/' || *p == ':')
            last = p + 1;
    return last;
}

// The real name of stored's last part, found through resolved; empty when that part is no short
// name standing for another.
std::wstring RealLastPart(const std::string& stored, const char* resolved)
{
    std::wstring real;
    if (!win::RealStoredName(stored.c_str(), resolved, real))
        return std::wstring();
    const size_t cut = real.find_last_of(L"\\/:");
    std::wstring name = cut == std::wstring::npos ? real : real.substr(cut + 1);
    if (name == win::WideOfAnsi(LastPart(stored)))
        name.clear();
    return name;
}

void KeepReal(const CThumbnail2& t, const std::string& stored, const std::wstring& name)
{
    Cache& c = TheCache();
    std::lock_guard<std::mutex> lock(c.mutex);
    c.real[&t] = Cache::Real{stored, name};
    c.used.store(true, std::memory_order_release);
}

} // namespace

std::wstring RealFileNameOf(const CThumbnail2& t)
{
    const std::string stored = StoredNameOf(t);
    if (!win::MayHoldShortNames(LastPart(stored)))
        return std::wstring();
    Cache& c = TheCache();
    try {
        std::string resolved = stored;
        {
            std::lock_guard<std::mutex> lock(c.mutex);
            auto it = c.real.find(&t);
            if (it != c.real.end() && it->second.forName == stored)
                return it->second.name;
            auto at = c.foundAt.find(&t);
            if (at != c.foundAt.end() && at->second.forName == stored)
                resolved = at->second.path;
        }
        // Without the album's word, the stored name as it stands (a relative one from the current
        // folder, as card captions take it).
        std::wstring name = RealLastPart(stored, resolved.c_str());
        KeepReal(t, stored, name);
        return name;
    } catch (...) {
        return std::wstring(); // without memory the stored name is shown
    }
}

void KeepRealFileName(const CThumbnail2& t, const char* resolvedPath)
{
    const std::string stored = StoredNameOf(t);
    // A full stored name is its own resolved path; only a relative one needs the album's word.
    if (!resolvedPath || stored == resolvedPath || !win::MayHoldShortNames(LastPart(stored)))
        return;
    Cache& c = TheCache();
    try {
        std::lock_guard<std::mutex> lock(c.mutex);
        c.foundAt[&t] = Cache::Found{stored, resolvedPath};
        c.real.erase(&t); // worked out again from there
        c.used.store(true, std::memory_order_release);
    } catch (...) {
        // Without memory the name is taken as stored.
    }
}

} // namespace album
