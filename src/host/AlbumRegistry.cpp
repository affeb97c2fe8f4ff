#include "host/AlbumRegistry.h"

#include "album/AlbumMan.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <new>
#include "win/Handles.h"
#include "win/Realloc.h"

CHostCallbacks g_HostCallbacks = {};

HWND AlbumManWindow(const CAlbumMan* manager)
{
    return manager ? manager->m_hDlg : nullptr;
}

namespace {

const int kGrowBy = 10;

// Grows an array of pointers by kGrowBy slots; false (and the array as it was) on failure.
template <typename T>
bool GrowArray(T**& array, int& capacity)
{
    void* grown = win::Realloc(array, sizeof(T*) * static_cast<size_t>(capacity + kGrowBy));
    if (!grown)
        return false;
    array = static_cast<T**>(grown);
    capacity += kGrowBy;
    return true;
}

} // namespace

// ---- CThreadAlbums ----

CThreadAlbums* CThreadAlbums::Create(DWORD threadId)
{
    CThreadAlbums* entry = new (std::nothrow) CThreadAlbums;
    if (!entry)
        return nullptr;
    entry->m_dwThreadId = threadId;
    if (!GrowArray(entry->m_ppManagers, entry->m_nCapacity)) {
        delete entry;
        return nullptr;
    }
    return entry;
}

void CThreadAlbums::Destroy(CThreadAlbums* entry)
{
    if (!entry)
        return;
    free(entry->m_ppManagers);
    delete entry;
}

int CThreadAlbums::AddManager(CAlbumMan* manager)
{
    if (!manager)
        return 0;
    if (m_nCount == m_nCapacity && !GrowArray(m_ppManagers, m_nCapacity))
        return 0;
    m_ppManagers[m_nCount++] = manager;
    return 1;
}

int CThreadAlbums::RemoveManager(CAlbumMan* manager)
{
    if (!manager)
        return 0;
    int i = 0;
    while (i < m_nCount && m_ppManagers[i] != manager)
        ++i;
    if (i == m_nCount)
        return 0;
    if (i == m_nActive)
        m_nActive = -1;
    else if (i < m_nActive)
        --m_nActive; // still the same manager once the later ones move down
    memmove(m_ppManagers + i, m_ppManagers + i + 1, sizeof(CAlbumMan*) * static_cast<size_t>(m_nCount - i - 1));
    --m_nCount;
    return 1;
}

int CThreadAlbums::MakeActive(HWND window)
{
    if (!window)
        return 0; // a manager without a window yet is never the one meant
    for (int i = 0; i < m_nCount; ++i)
        if (AlbumManWindow(m_ppManagers[i]) == window) {
            m_nActive = i;
            return 1;
        }
    return 0;
}

HWND CThreadAlbums::GetActiveManagerWindow() const
{
    if (m_nCount <= 0)
        return nullptr;
    int i = m_nActive >= 0 && m_nActive < m_nCount ? m_nActive : m_nCount - 1;
    return AlbumManWindow(m_ppManagers[i]);
}

HGLOBAL CThreadAlbums::GetAllManagerWindows() const
{
    const size_t size = 4 + 4 * static_cast<size_t>(m_nCount);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (!block)
        return nullptr;
    win::GlobalLockGuard lock(block);
    if (lock) {
        int32_t value = m_nCount;
        memcpy(lock.bytes(), &value, 4);
        for (int i = 0; i < m_nCount; ++i) {
            value = HandleToLong(AlbumManWindow(m_ppManagers[i]));
            memcpy(lock.bytes() + 4 + 4 * static_cast<size_t>(i), &value, 4);
        }
    }
    return block;
}

// ---- CAlbumRegistry ----

CAlbumRegistry* CAlbumRegistry::Create()
{
    CAlbumRegistry* registry = new (std::nothrow) CAlbumRegistry;
    if (!registry)
        return nullptr;
    registry->m_dwSlot = TlsAlloc();
    if (registry->m_dwSlot == TLS_OUT_OF_INDEXES || !GrowArray(registry->m_ppEntries, registry->m_nCapacity)) {
        Destroy(registry);
        return nullptr;
    }
    return registry;
}

void CAlbumRegistry::Destroy(CAlbumRegistry* registry)
{
    if (!registry)
        return;
    for (int i = 0; i < registry->m_nCount; ++i)
        CThreadAlbums::Destroy(registry->m_ppEntries[i]);
    free(registry->m_ppEntries);
    // Freeing the slot clears it in every thread, so no thread keeps a pointer to a freed entry.
    if (registry->m_dwSlot != TLS_OUT_OF_INDEXES)
        TlsFree(registry->m_dwSlot);
    delete registry;
}

CThreadAlbums* CAlbumRegistry::Find(DWORD threadId) const
{
    if (m_dwSlot == TLS_OUT_OF_INDEXES || threadId == 0 || threadId != GetCurrentThreadId())
        return nullptr;
    return static_cast<CThreadAlbums*>(TlsGetValue(m_dwSlot));
}

int CAlbumRegistry::RegisterThread(DWORD threadId)
{
    if (m_dwSlot == TLS_OUT_OF_INDEXES || threadId == 0 || threadId != GetCurrentThreadId())
        return 0;
    if (Find(threadId))
        return 1;
    if (m_nCount == m_nCapacity && !GrowArray(m_ppEntries, m_nCapacity))
        return 0;
    CThreadAlbums* entry = CThreadAlbums::Create(threadId);
    if (!entry)
        return 0;
    if (!TlsSetValue(m_dwSlot, entry)) {
        CThreadAlbums::Destroy(entry);
        return 0;
    }
    m_ppEntries[m_nCount++] = entry;
    return 1;
}

int CAlbumRegistry::UnregisterThread(DWORD threadId)
{
    CThreadAlbums* entry = Find(threadId);
    if (!entry)
        return 0;
    int i = 0;
    while (i < m_nCount && m_ppEntries[i] != entry)
        ++i;
    if (i < m_nCount) {
        memmove(m_ppEntries + i, m_ppEntries + i + 1, sizeof(CThreadAlbums*) * static_cast<size_t>(m_nCount - i - 1));
        --m_nCount;
    }
    TlsSetValue(m_dwSlot, nullptr);
    CThreadAlbums::Destroy(entry);
    return 1;
}

int CAlbumRegistry::AddManager(DWORD threadId, CAlbumMan* manager)
{
    CThreadAlbums* entry = Find(threadId);
    return entry ? entry->AddManager(manager) : 0;
}

int CAlbumRegistry::RemoveManager(DWORD threadId, CAlbumMan* manager)
{
    CThreadAlbums* entry = Find(threadId);
    return entry ? entry->RemoveManager(manager) : 0;
}

int CAlbumRegistry::MakeActive(DWORD threadId, HWND window)
{
    CThreadAlbums* entry = Find(threadId);
    return entry ? entry->MakeActive(window) : 0;
}

int CAlbumRegistry::EnterBusy(DWORD threadId)
{
    CThreadAlbums* entry = Find(threadId);
    if (!entry || entry->m_bBusy)
        return 0;
    entry->m_bBusy = 1;
    return 1;
}

int CAlbumRegistry::LeaveBusy(DWORD threadId)
{
    CThreadAlbums* entry = Find(threadId);
    if (!entry)
        return 0;
    entry->m_bBusy = 0;
    return 1;
}

HWND CAlbumRegistry::GetActiveManagerWindow(DWORD threadId) const
{
    CThreadAlbums* entry = Find(threadId);
    return entry ? entry->GetActiveManagerWindow() : nullptr;
}

HGLOBAL CAlbumRegistry::GetAllManagerWindows(DWORD threadId) const
{
    CThreadAlbums* entry = Find(threadId);
    return entry ? entry->GetAllManagerWindows() : nullptr;
}

int CAlbumRegistry::CountBelowLimit(DWORD threadId, int limit) const
{
    CThreadAlbums* entry = Find(threadId);
    return !entry || entry->m_nCount < limit ? 1 : 0;
}

CAlbumMan** CAlbumRegistry::GetThreadManagers(DWORD threadId, int* count) const
{
    CThreadAlbums* entry = Find(threadId);
    if (count)
        *count = entry ? entry->m_nCount : 0;
    return entry ? entry->m_ppManagers : nullptr;
}

// ---- The process's registry ----

namespace {
CAlbumRegistry* g_registry = nullptr;
} // namespace

// Without a thread-local slot, registering fails and nothing is found. Initialised before any
// code runs (no guard that could wait inside the entry point).
CAlbumRegistry CAlbumRegistry::s_empty;

CAlbumRegistry& AlbumRegistry() { return g_registry ? *g_registry : CAlbumRegistry::s_empty; }

int CreateAlbumRegistry()
{
    if (!g_registry)
        g_registry = CAlbumRegistry::Create();
    return g_registry ? 1 : 0;
}

void DestroyAlbumRegistry()
{
    CAlbumRegistry::Destroy(g_registry);
    g_registry = nullptr;
}

int RegisterAlbumThread() { return AlbumRegistry().RegisterThread(GetCurrentThreadId()); }

int UnregisterAlbumThread() { return AlbumRegistry().UnregisterThread(GetCurrentThreadId()); }
