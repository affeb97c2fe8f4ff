// Sorting a thumbnail table. The order is that of a stable selection sort picking, each round,
// the first thumbnail with the extreme key: the same as a stable sort with a strict comparison.
//
// Text keys compare with lstrcmpA, which is slow enough that 100,000 names would take a second.
// So each distinct text is ranked once: ordered by its locale sort key (a byte string that
// orders like lstrcmpA), checked pair by pair with lstrcmpA itself, and only if that check
// fails ordered with lstrcmpA directly. Texts lstrcmpA calls equal share a rank; the thumbnails
// are then stably sorted by rank.
#include "album/ThumbTable.h"

#include <stdint.h>
#include <algorithm>
#include <numeric>
#include <string>
#include <unordered_map>
#include <vector>
#include "album/TextKeys.h"

namespace {

struct Item {
    CThumbnail2* thumb;
    uint32_t value; // the number, or the rank of the text
};

// Stable sort by value, ascending, or descending when the values are taken as their complements:
// three counting passes of 11 bits each, so that the time grows with the thumbnails alone.
void SortByValue(std::vector<Item>& items, bool descending)
{
    std::vector<Item> other(items.size());
    const uint32_t flip = descending ? ~0u : 0u;
    for (int shift = 0; shift < 32; shift += 11) {
        std::vector<size_t> start(2049, 0);
        for (const Item& item : items)
            ++start[(((item.value ^ flip) >> shift) & 2047) + 1];
        for (size_t i = 1; i < start.size(); ++i)
            start[i] += start[i - 1];
        for (const Item& item : items)
            other[start[((item.value ^ flip) >> shift) & 2047]++] = item;
        items.swap(other);
    }
}

} // namespace

namespace textkeys {

std::vector<uint32_t> RankTexts(const std::vector<std::string>& texts, bool useSortKeys)
{
    const size_t n = texts.size();
    std::vector<uint32_t> order(n);
    std::iota(order.begin(), order.end(), 0u);

    std::vector<std::string> keys(n);
    bool haveKeys = useSortKeys;
    const LCID locale = GetThreadLocale();
    char key[1024];
    for (size_t i = 0; i < n && haveKeys; ++i) {
        int len = LCMapStringA(locale, LCMAP_SORTKEY, texts[i].c_str(), -1, key, sizeof key);
        haveKeys = len > 0;
        if (haveKeys)
            keys[i].assign(key, static_cast<size_t>(len));
    }

    std::vector<int> step(n, 0); // lstrcmpA of each text in order with the one before it
    auto checkOrder = [&] {
        for (size_t i = 1; i < n; ++i) {
            step[i] = lstrcmpA(texts[order[i - 1]].c_str(), texts[order[i]].c_str());
            if (step[i] > 0)
                return false;
        }
        return true;
    };
    bool sorted = false;
    if (haveKeys) {
        std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return keys[a] < keys[b]; });
        sorted = checkOrder();
    }
    if (!sorted) {
        std::sort(order.begin(), order.end(),
                  [&](uint32_t a, uint32_t b) { return lstrcmpA(texts[a].c_str(), texts[b].c_str()) < 0; });
        checkOrder();
    }

    std::vector<uint32_t> rank(n, 0);
    for (size_t i = 1; i < n; ++i)
        rank[order[i]] = rank[order[i - 1]] + (step[i] != 0 ? 1 : 0);
    return rank;
}

} // namespace textkeys

int CThumbTable2::SortBy(int key, int reverse)
{
    // An empty table, or a key no caller passes: nothing to do.
    if (m_nCount <= 0 || key < SortName || key > SortDescription)
        return 0;

    try {
        std::vector<Item> items;
        items.reserve(static_cast<size_t>(m_nCount));
        bool descending;
        if (key == SortSize || key == SortDate) {
            for (CThumbnail2* t = m_pEnd->m_pNext; t != m_pEnd; t = t->m_pNext)
                items.push_back({t, key == SortSize ? t->m_Info.dwFileSize : t->m_Info.dwFileTime});
            // Size: smallest first. Date: newest first. The reverse flag turns either round.
            descending = (key == SortDate) != (reverse != 0);
        } else {
            std::unordered_map<std::string, uint32_t> index;
            std::vector<std::string> texts;
            char text[ALBUM_TEXT_FIELD];
            for (CThumbnail2* t = m_pEnd->m_pNext; t != m_pEnd; t = t->m_pNext) {
                textkeys::SortText(t->m_Info, key, text);
                auto found = index.emplace(text, static_cast<uint32_t>(texts.size()));
                if (found.second)
                    texts.push_back(text);
                items.push_back({t, found.first->second});
            }
            std::vector<uint32_t> rank = textkeys::RankTexts(texts);
            for (Item& item : items)
                item.value = rank[item.value];
            descending = reverse != 0;
        }

        SortByValue(items, descending);

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
