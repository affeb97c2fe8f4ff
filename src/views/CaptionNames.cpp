#include "views/CaptionNames.h"

#include <string.h>
#include <string>
#include <vector>
#include "album/Album.h"
#include "album/CaptionCache.h"
#include "album/FolderListing.h"
#include "album/TextKeys.h"
#include "win/Handles.h"

namespace captions {

namespace {

// The stored name's key: FNV-1a of its text, never 0 (0 means nothing kept).
unsigned KeyOf(const tagALBUMINFOHEADER& info)
{
    uint32_t h = 2166136261u;
    const size_t n = win::FieldLength(info.szFileName, sizeof info.szFileName);
    for (size_t i = 0; i < n; ++i)
        h = (h ^ uint8_t(info.szFileName[i])) * 16777619u;
    return h ? h : 1u;
}

void StoredName(const CThumbnail2& t, char* out, size_t outSize)
{
    const size_t n = win::FieldLength(t.m_Info.szFileName, sizeof t.m_Info.szFileName);
    const size_t m = n < outSize - 1 ? n : outSize - 1;
    memcpy(out, t.m_Info.szFileName, m);
    out[m] = '\0';
}

// Keeps shown (the last part of a short path of t's source, or null when there is none) for t.
void Keep(CThumbnail2& t, const char* shown)
{
    char stored[ALBUM_TEXT_FIELD];
    StoredName(t, stored, sizeof stored);
    album::KeptCaption kept;
    if (shown && !textkeys::EqualNoCase(shown, textkeys::FileNameInPath(stored))) {
        if (strlen(shown) >= sizeof kept.name)
            return; // nothing that fits: worked out again at each paint, as before
        win::CopyText(kept.name, sizeof kept.name, shown);
    }
    kept.forName = KeyOf(t.m_Info);
    album::KeepCaption(&t, kept);
}

// The name kept for t's present stored name, if any.
bool Kept(const CThumbnail2& t, album::KeptCaption* out = nullptr)
{
    album::KeptCaption kept;
    if (!album::FindKeptCaption(&t, kept) || kept.forName != KeyOf(t.m_Info))
        return false;
    if (out)
        *out = kept;
    return true;
}

// Finds t's name as the platform's short path would end, through the current listings.
void Find(CThumbnail2& t)
{
    char stored[ALBUM_TEXT_FIELD];
    StoredName(t, stored, sizeof stored);
    if (!stored[0]) {
        Keep(t, nullptr);
        return;
    }
    char name[MAX_PATH];
    switch (album::ShortNameOf(stored, name, sizeof name)) {
    case 1:
        Keep(t, name);
        return;
    case 0:
        Keep(t, nullptr); // no short path: the stored name
        return;
    default: {
        char path[MAX_PATH];
        const DWORD n = GetShortPathNameA(stored, path, MAX_PATH);
        Keep(t, n > 0 && n < MAX_PATH ? textkeys::FileNameInPath(path) : nullptr);
        return;
    }
    }
}

std::string FolderOf(const CThumbnail2& t)
{
    char stored[ALBUM_TEXT_FIELD];
    StoredName(t, stored, sizeof stored);
    const char* last = nullptr;
    for (const char* p = stored; *p; ++p)
        if (*p == '\\' || *p == '/')
            last = p;
    return last ? std::string(stored, size_t(last - stored)) : std::string();
}

} // namespace

void CaptionPath(CThumbnail2& t, char* out, size_t outSize)
{
    if (!outSize)
        return;
    album::KeptCaption kept;
    if (!Kept(t, &kept)) {
        char stored[ALBUM_TEXT_FIELD];
        StoredName(t, stored, sizeof stored);
        char path[MAX_PATH];
        const DWORD n = stored[0] ? GetShortPathNameA(stored, path, MAX_PATH) : 0;
        Keep(t, n > 0 && n < MAX_PATH ? textkeys::FileNameInPath(path) : nullptr);
        if (!Kept(t, &kept)) { // a name too long to keep, or no memory to keep it in
            win::CopyText(out, outSize, n > 0 && n < MAX_PATH ? path : stored);
            return;
        }
    }
    if (kept.name[0])
        win::CopyText(out, outSize, kept.name);
    else
        StoredName(t, out, outSize);
}

void FillShownCaptions(CAlbum& album)
{
    try {
        std::vector<std::string> folders;
        album::ListingScope listings(album::ListingScope::KeepCaptions);
        for (int i = 0; i < album.m_nCount; ++i) {
            CThumbView2* cell = album.m_ppCells ? album.m_ppCells[i] : nullptr;
            CThumbnail2* t = cell ? cell->m_pThumbnail : nullptr;
            if (!t || Kept(*t))
                continue;
            Find(*t);
            std::string folder = FolderOf(*t);
            bool known = false;
            for (const std::string& f : folders)
                known = known || f == folder;
            if (!known)
                folders.push_back(std::move(folder));
        }
        if (folders.empty())
            return;
        // The rest of those folders' thumbnails, from the listings just made: later pages are
        // painted without asking the file system.
        CThumbnail2* end = album.m_Doc.m_pEnd;
        for (CThumbnail2* t = end->m_pNext; t != end; t = t->m_pNext) {
            if (Kept(*t))
                continue;
            const std::string folder = FolderOf(*t);
            for (const std::string& f : folders)
                if (f == folder) {
                    Find(*t);
                    break;
                }
        }
    } catch (...) {
        // Without memory the names are worked out as each cell paints.
    }
}

} // namespace captions
