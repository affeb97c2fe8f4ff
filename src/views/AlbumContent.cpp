// What an album holds and hands out: inserting, removing, reordering, copying for a drag,
// sorting, refreshing, and the lists of full paths.
#include "album/Album.h"

#include <string.h>
#include <new>
#include <algorithm>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>
#include "album/AlbumMessages.h"
#include "win/Dib.h"
#include "album/FileStatus.h"
#include "album/FolderListing.h"
#include "album/SourceFile.h"
#include "album/TextKeys.h"
#include "views/AlbumViewOps.h"
#include "win/Handles.h"

namespace {

int Min(int a, int b) { return a < b ? a : b; }

// Counts, for positions 1..n, how many of them are marked: the number a thumbnail had when it
// was removed follows from its original number and the removals before it.
class RemovedBefore {
public:
    explicit RemovedBefore(int n) : tree_(static_cast<size_t>(n) + 1, 0) {}
    void Mark(int position)
    {
        for (int i = position; i < static_cast<int>(tree_.size()); i += i & -i)
            ++tree_[static_cast<size_t>(i)];
    }
    // Marked positions below position.
    int Below(int position) const
    {
        int sum = 0;
        for (int i = position - 1; i > 0; i -= i & -i)
            sum += tree_[static_cast<size_t>(i)];
        return sum;
    }

private:
    std::vector<int> tree_;
};

} // namespace

int CAlbum::RefreshAlbum()
{
    album::ListingScope listings; // one listing per source folder for the whole refresh
    int all = 1;
    for (CThumbnail2* t = m_Doc.m_pEnd->m_pNext; t != m_Doc.m_pEnd; t = t->m_pNext)
        if (!m_Doc.Refresh(t))
            all = 0;
    m_pOps->SendToParent(*this, WM_ALBUM_LAYOUT, reinterpret_cast<WPARAM>(m_hWnd), 0);
    UpDataThumbListView(-1);
    return all;
}

int CAlbum::InsertFromThumbnail(HGLOBAL dib, const char* description, const char* path, CThumbnail2* before,
                                WORD width, WORD height)
{
    if (!path)
        return 0;
    char name[MAX_PATH];
    win::CopyText(name, sizeof name, path);
    if (strlen(path) >= ALBUM_TEXT_FIELD) {
        DWORD n = GetShortPathNameA(path, name, sizeof name);
        if (n == 0 || n >= ALBUM_TEXT_FIELD) {
            m_pOps->Beep(*this);
            return 0;
        }
    }
    if (CThumbnail2* existing = m_Doc.FindFileInDoc(name)) {
        m_Doc.Refresh(existing);
        const int cell = CellOfNumber(existing->m_nID);
        if (cell >= 0)
            m_pOps->Attach(*this, cell, existing);
        return 0;
    }
    // The picture must be a bitmap we can show; a damaged one stays the caller's.
    dib::Layout layout;
    if (!dib || !dib::IsValidBlock(dib, &layout))
        return 0;

    tagALBUMINFOHEADER rec;
    memset(&rec, 0, sizeof rec);
    // A file that cannot be examined gets size and time 0, so the next source check (which
    // finds it newer) rebuilds the thumbnail from it once it is there.
    FileStatus status;
    if (QueryFileStatus(name, &status)) {
        rec.dwFileSize = static_cast<DWORD>(status.size);
        rec.dwFileTime = status.sourceTime();
    }
    win::CopyText(rec.szFileName, sizeof rec.szFileName, name);
    win::CopyText(rec.szDescription, sizeof rec.szDescription, description ? description : " ");
    rec.wBitCount = layout.bitCount;
    rec.wThumbWidth = static_cast<WORD>(layout.width);
    rec.wThumbHeight = static_cast<WORD>(layout.height);
    rec.dwDibSize = static_cast<DWORD>(GlobalSize(dib));
    rec.wWidth = width;
    rec.wHeight = height;
    CThumbnail2* t = new (std::nothrow) CThumbnail2(&rec, dib, 0, 1);
    if (!t)
        return 0;
    const bool beforeFirstShown = before && before == m_pFirstShown;
    m_Doc.Insert(t, before);
    if (beforeFirstShown)
        m_pFirstShown = t;
    if (!IsShown(t->m_nID)) {
        m_pFirstShown = t;
        m_nFirstShown = t->m_nID;
    }
    UpDataThumbListView(t->m_nID);
    m_pOps->SendToParent(*this, WM_ALBUM_LAYOUT, reinterpret_cast<WPARAM>(m_hWnd), 0);
    return 1;
}

namespace {

std::string UpperAscii(const char* s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return out;
}

bool StartsWithNoCase(const char* text, const char* prefix, size_t n)
{
    for (size_t i = 0; i < n; ++i) {
        char a = text[i], b = prefix[i];
        if (a >= 'a' && a <= 'z') a = char(a - 'a' + 'A');
        if (b >= 'a' && b <= 'z') b = char(b - 'a' + 'A');
        if (a != b || a == '\0')
            return false;
    }
    return true;
}

// FindFileInDoc for many paths in a row, while thumbnails are being added: the stored names are
// indexed once instead of the whole album being walked for each path. A path matches a stored
// name equal to it, or one that resolves to it, and a resolved name is the name behind the
// program folder or the album's folder; so only those three names need looking up.
class StoredNameIndex {
public:
    explicit StoredNameIndex(CAlbumDoc2& doc) : doc_(doc)
    {
        for (CThumbnail2* t = doc.m_pEnd->m_pNext; t != doc.m_pEnd; t = t->m_pNext)
            Add(t);
    }
    void Add(CThumbnail2* t) { names_.emplace(UpperAscii(Name(t).c_str()), t); }

    // The first thumbnail in album order that stands for path; rank orders thumbnails.
    template <class Rank>
    CThumbnail2* Find(const char* path, Rank rank)
    {
        const size_t exe = strnlen(doc_.m_szExePath, sizeof doc_.m_szExePath);
        const size_t folder = album::AlbumFolderLength(doc_.m_szPath);
        const size_t length = strlen(path);
        const char* keys[3] = {path, nullptr, nullptr};
        if (exe > 0 && exe < length && StartsWithNoCase(path, doc_.m_szExePath, exe))
            keys[1] = path + exe;
        if (folder > 0 && folder < length && StartsWithNoCase(path, doc_.m_szPath, folder))
            keys[2] = path + folder;
        CThumbnail2* best = nullptr;
        char resolved[MAX_PATH];
        for (const char* key : keys) {
            if (!key)
                continue;
            auto range = names_.equal_range(UpperAscii(key));
            for (auto it = range.first; it != range.second; ++it) {
                CThumbnail2* t = it->second;
                if (best && rank(best) < rank(t))
                    continue;
                const std::string name = Name(t);
                bool match = textkeys::EqualNoCase(path, name.c_str());
                if (!match) {
                    doc_.GetThumbnailFullPath(name.c_str(), resolved);
                    match = textkeys::EqualNoCase(path, resolved);
                }
                if (match)
                    best = t;
            }
        }
        return best;
    }

private:
    static std::string Name(CThumbnail2* t)
    {
        return std::string(t->m_Info.szFileName, win::FieldLength(t->m_Info.szFileName, sizeof t->m_Info.szFileName));
    }

    CAlbumDoc2& doc_;
    std::unordered_multimap<std::string, CThumbnail2*> names_;
};

} // namespace

int CAlbum::InsertFromTable(CThumbTable2* source, CThumbnail2* before)
{
    if (!before)
        before = m_pFocus ? m_pFocus : m_Doc.m_pEnd;
    CThumbnail2* const previous = before->m_pPrev;
    if (!source || source->GetCount() == 0)
        return 0;

    // Every thumbnail goes in first; the grid is laid out and painted once at the end. The first
    // shown thumbnail moves as it would have moved with a layout after each one, worked out on
    // numbers: the new thumbnails take the places from base + 1 on, those behind them move back
    // (their numbers are put right at the end).
    album::ListingScope listings;
    std::unique_ptr<StoredNameIndex> held;
    std::unordered_map<CThumbnail2*, int> added; // new thumbnail -> its place among the new
    try {
        held.reset(new StoredNameIndex(m_Doc));
    } catch (...) {
        held.reset(); // the album is walked for each name instead
    }
    const int base = previous == m_Doc.m_pEnd ? 0 : previous->m_nID;
    const int cells = CellTotal(), line = LineLength();
    int inserted = 0, counted = 0;
    // The first shown thumbnail's number as the album now stands (m_nFirstShown is what the view
    // keeps, brought up to date after each thumbnail as a layout would).
    int shown = m_pFirstShown && m_pFirstShown != m_Doc.m_pEnd ? m_pFirstShown->m_nID : -1;
    auto rank = [&](CThumbnail2* t) -> long long {
        auto it = added.find(t);
        if (it != added.end())
            return base + it->second;
        return t->m_nID <= base ? t->m_nID : (long long)t->m_nID + inserted;
    };
    auto isShown = [&](int number) {
        return m_nFirstShown >= 1 && number >= m_nFirstShown && number < m_nFirstShown + cells;
    };

    while (source->m_nCount > 0) {
        CThumbnail2* t = source->m_pEnd->m_pNext;
        t->m_pPrev->m_pNext = t->m_pNext;
        t->m_pNext->m_pPrev = t->m_pPrev;
        --source->m_nCount;
        char name[ALBUM_TEXT_FIELD];
        memcpy(name, t->m_Info.szFileName, sizeof name);
        win::TerminateField(name, sizeof name);
        CThumbnail2* existing = nullptr;
        if (held) {
            try {
                existing = held->Find(name, rank);
            } catch (...) {
                held.reset();
                existing = m_Doc.FindFileInDoc(name);
            }
        } else {
            existing = m_Doc.FindFileInDoc(name);
        }
        if (existing) {
            if (m_Doc.Refresh(existing))
                ++counted;
            delete t;
            continue;
        }
        // In before `before`, as the table inserts.
        t->m_pPrev = before->m_pPrev;
        t->m_pNext = before;
        before->m_pPrev->m_pNext = t;
        before->m_pPrev = t;
        ++m_Doc.m_nCount;
        ++inserted;
        ++counted;
        const int number = base + inserted;
        t->m_nID = number;
        if (held) {
            try {
                added.emplace(t, inserted);
                held->Add(t);
            } catch (...) {
                held.reset();
            }
        }
        if (before == m_pFirstShown) {
            m_pFirstShown = previous->m_pNext;
            shown = base + 1;
        }
        if (!isShown(number)) {
            m_pFirstShown = t;
            m_nFirstShown = shown = number;
        }
        // What the layout would do now: start from the first thumbnail, or pull a first shown
        // thumbnail that leaves a whole line empty back to the last page.
        const int count = m_Doc.m_nCount;
        if (!m_pFirstShown) {
            m_pFirstShown = m_Doc.m_pEnd->m_pNext;
            m_nFirstShown = shown = 1;
        }
        if (cells > 0 && line > 0 && (m_nFirstShown + cells - count - 1) / line >= 1) {
            int pad = line - count % line;
            if (pad == line)
                pad = 0;
            m_nFirstShown = std::max(count + pad - cells + 1, 1);
            m_pFirstShown = m_Doc.GetThumbnail(m_nFirstShown); // counts places, not numbers
            shown = m_nFirstShown;
        }
        m_nFirstShown = shown;
    }
    source->m_pEnd->m_pNext = source->m_pEnd->m_pPrev = source->m_pEnd;
    if (inserted > 0) {
        int id = base;
        for (CThumbnail2* t = previous->m_pNext; t != m_Doc.m_pEnd; t = t->m_pNext)
            t->m_nID = ++id;
        if (m_pFirstShown)
            m_nFirstShown = m_pFirstShown->m_nID;
        UpDataThumbListView(-1);
        m_pOps->SendToParent(*this, WM_ALBUM_LAYOUT, reinterpret_cast<WPARAM>(m_hWnd), 0);
    }
    return counted;
}

int CAlbum::RemoveSelected(int deleteFiles)
{
    if (!m_pSelHead)
        return 0;
    CThumbnail2* const end = m_Doc.m_pEnd;
    // Thumbnails are unlinked as they go and renumbered once at the end; the number each had
    // when it was removed follows from the removals before it.
    RemovedBefore removed(m_Doc.GetCount());
    int resume = -1;
    auto removeOne = [&](CThumbnail2* t) {
        const int original = t->m_nID;
        const int number = original - removed.Below(original);
        if (t == m_pFirstShown)
            m_pFirstShown = t->m_pNext;
        if (t == m_pShiftAnchor)
            m_pShiftAnchor = nullptr;
        if (deleteFiles) {
            char path[MAX_PATH];
            if (m_Doc.GetThumbnailFullPath(t->m_Info.szFileName, path))
                DeleteFileA(path);
        }
        t->m_pPrev->m_pNext = t->m_pNext;
        t->m_pNext->m_pPrev = t->m_pPrev;
        --m_Doc.m_nCount;
        removed.Mark(original);
        if (t == m_pFocus)
            m_pFocus = nullptr;
        delete t;
        resume = resume < number ? number : resume - 1;
    };

    DetachCells(true);
    CThumbnail2* head = m_pSelHead;
    // Single-selection mode has only the head; the walk is not skipped there so that no selected
    // thumbnail is left linked to a destroyed one should the mode have changed meanwhile.
    while (head->m_pNextSel && head->m_pNextSel != head) {
        CThumbnail2* victim = head->m_pNextSel;
        victim->m_pPrevSel->m_pNextSel = victim->m_pNextSel;
        victim->m_pNextSel->m_pPrevSel = victim->m_pPrevSel;
        removeOne(victim);
        head = head->m_pNextSel;
    }
    removeOne(head);

    // Renumber the list once.
    int id = 0;
    for (CThumbnail2* t = end->m_pNext; t != end; t = t->m_pNext)
        t->m_nID = ++id;
    if (m_pFirstShown == end) {
        m_pFirstShown = nullptr;
        m_nFirstShown = -1;
    } else if (m_pFirstShown) {
        m_nFirstShown = m_pFirstShown->m_nID;
    }
    m_pSelHead = nullptr;
    m_nSelHead = -1;
    // A focus that was not removed loses its mark here, or it would stay marked beside the
    // thumbnail that becomes current below.
    SetThumbviewFocus(nullptr);
    UpDataThumbListView(-1);
    resume = Min(resume, m_Doc.GetCount());
    if (resume != 0)
        SetCurrentFocus(resume);
    m_pOps->SendToParent(*this, WM_ALBUM_LAYOUT, reinterpret_cast<WPARAM>(m_hWnd), 0);
    return 1;
}

int CAlbum::DoExchange(CThumbView2* target)
{
    // Only a cell of this grid shows a thumbnail of this album.
    if (IndexOfCell(target) < 0)
        return 0;
    return ExchangeWith(target->GetThumbnail());
}

int CAlbum::ExchangeWith(CThumbnail2* target)
{
    CThumbnail2* moved = m_pFocus;
    if (!moved || !target || moved == target)
        return 0;
    const int movedNumber = moved->m_nID, targetNumber = target->m_nID;
    // Moved forward it lands after the target, moved backward before it.
    CThumbnail2* at = targetNumber > movedNumber ? target->m_pNext : target;
    if (moved == m_pFirstShown)
        m_pFirstShown = moved->m_pNext;
    m_Doc.Remove(moved, 0);
    m_Doc.Insert(moved, at == m_Doc.m_pEnd ? nullptr : at);
    if (at == m_pFirstShown)
        m_pFirstShown = moved;
    // A move across the first shown thumbnail renumbers it; the grid is laid out from its
    // present number, or a whole line could be left empty at the end.
    if (m_pFirstShown)
        m_nFirstShown = m_pFirstShown->m_nID;
    return UpDataThumbListView(Min(movedNumber, targetNumber));
}

int CAlbum::GetDragDate(CAlbumDoc2* destination)
{
    if (!destination || !m_pSelHead)
        return 0;
    int copied = 0;
    auto copy = [&](CThumbnail2* t) {
        if (CThumbnail2* clone = t->Clone()) {
            destination->Insert(clone, nullptr);
            ++copied;
        }
    };
    for (CThumbnail2* t = m_pSelHead->m_pNextSel; t && t != m_pSelHead; t = t->m_pNextSel)
        copy(t);
    copy(m_pSelHead);
    destination->SetExePath(m_Doc.GetExePath());
    win::CopyText(destination->m_szPath, sizeof destination->m_szPath, m_Doc.GetPath());
    if (destination->GetDescription()[0] == '\0')
        destination->SetDescription(m_Doc.GetPath());
    return copied;
}

int CAlbum::SortByName(int reverse) { return SortAndShow(*this, CThumbTable2::SortName, reverse); }
int CAlbum::SortByType(int reverse) { return SortAndShow(*this, CThumbTable2::SortType, reverse); }
int CAlbum::SortBySize(int reverse) { return SortAndShow(*this, CThumbTable2::SortSize, reverse); }
int CAlbum::SortByDate(int reverse) { return SortAndShow(*this, CThumbTable2::SortDate, reverse); }
int CAlbum::SortByDesc(int reverse) { return SortAndShow(*this, CThumbTable2::SortDescription, reverse); }

int CAlbum::SortAndShow(CAlbum& album, int key, int reverse)
{
    if (!album.m_Doc.SortBy(key, reverse))
        return 0;
    // The grid stays at the same place; the selection and focus stay with their thumbnails.
    album.m_pFirstShown = album.m_Doc.GetThumbnail(album.m_nFirstShown);
    return album.UpDataThumbListView(-1);
}

namespace {

// The paths of the given thumbnails that resolve, as one fixed block of 260-character slots.
template <typename Walk>
int PathList(CAlbumDoc2& doc, int capacity, Walk walk, int& count, char (*&list)[MAX_PATH])
{
    HGLOBAL block = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, static_cast<SIZE_T>(capacity) * MAX_PATH);
    if (!block)
        return 0;
    auto* slots = static_cast<char(*)[MAX_PATH]>(block);
    album::ListingScope listings;
    int stored = 0;
    walk([&](CThumbnail2* t) {
        if (stored < capacity && doc.GetThumbnailFullPath(t->m_Info.szFileName, slots[stored]))
            ++stored;
    });
    count = stored;
    list = slots;
    return 1;
}

} // namespace

int CAlbum::GetImageList(int& count, char (*&list)[MAX_PATH])
{
    count = 0;
    const int total = m_Doc.GetCount();
    if (total == 0)
        return 0;
    return PathList(m_Doc, total, [&](auto&& each) {
        for (CThumbnail2* t = m_Doc.m_pEnd->m_pNext; t != m_Doc.m_pEnd; t = t->m_pNext)
            each(t);
    }, count, list);
}

int CAlbum::GetSelectImageList(int& count, char (*&list)[MAX_PATH])
{
    count = 0;
    if (!m_pSelHead)
        return 0;
    int selected = 1;
    for (CThumbnail2* t = m_pSelHead->m_pNextSel; t && t != m_pSelHead; t = t->m_pNextSel)
        ++selected;
    // Most recent selection first: the head, then along the ring.
    return PathList(m_Doc, selected, [&](auto&& each) {
        each(m_pSelHead);
        for (CThumbnail2* t = m_pSelHead->m_pNextSel; t && t != m_pSelHead; t = t->m_pNextSel)
            each(t);
    }, count, list);
}
