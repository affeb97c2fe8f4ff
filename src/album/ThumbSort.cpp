// Sorting a thumbnail table. The order is that of a stable selection sort picking, each round,
// the first thumbnail with the extreme key; a stable merge sort with a strict comparison gives
// exactly that order in O(n log n).
#include "album/ThumbTable.h"

#include <stdint.h>
#include <algorithm>
#include <array>
#include <vector>
#include "album/TextKeys.h"

namespace {

struct Item {
    CThumbnail2* thumb;
    uint32_t number;     // size or date keys
    uint32_t text;       // index into the text keys
};

} // namespace

int CThumbTable2::SortBy(int key, int reverse)
{
    // An empty table, or a key no caller passes: nothing to do.
    if (m_nCount <= 0 || key < SortName || key > SortDescription)
        return 0;

    try {
        std::vector<Item> items;
        items.reserve(static_cast<size_t>(m_nCount));
        const bool textKey = key == SortName || key == SortType || key == SortDescription;
        std::vector<std::array<char, ALBUM_TEXT_FIELD>> texts;
        if (textKey)
            texts.reserve(static_cast<size_t>(m_nCount));

        for (CThumbnail2* t = m_pEnd->m_pNext; t != m_pEnd; t = t->m_pNext) {
            Item item{t, 0, 0};
            if (textKey) {
                texts.emplace_back();
                textkeys::SortText(t->m_Info, key, texts.back().data());
                item.text = static_cast<uint32_t>(texts.size() - 1);
            } else {
                item.number = key == SortSize ? t->m_Info.dwFileSize : t->m_Info.dwFileTime;
            }
            items.push_back(item);
        }

        if (textKey) {
            const int sign = reverse ? -1 : 1;
            std::stable_sort(items.begin(), items.end(), [&](const Item& a, const Item& b) {
                return sign * lstrcmpA(texts[a.text].data(), texts[b.text].data()) < 0;
            });
        } else {
            // Size: smallest first. Date: newest first. The reverse flag turns either round.
            const bool descending = (key == SortDate) != (reverse != 0);
            if (descending)
                std::stable_sort(items.begin(), items.end(),
                                 [](const Item& a, const Item& b) { return a.number > b.number; });
            else
                std::stable_sort(items.begin(), items.end(),
                                 [](const Item& a, const Item& b) { return a.number < b.number; });
        }

        // Relink in the new order and renumber.
        CThumbnail2* prev = m_pEnd;
        int id = 0;
        for (const Item& item : items) {
            item.thumb->m_pPrev = prev;
            prev->m_pNext = item.thumb;
            item.thumb->m_nID = ++id;
            prev = item.thumb;
        }
        prev->m_pNext = m_pEnd;
        m_pEnd->m_pPrev = prev;
    } catch (...) {
        // Out of memory before anything was relinked: the table keeps its order.
        return 0;
    }
    return 1;
}
