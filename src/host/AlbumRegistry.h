// The album registry: for every thread of the editor that attached to the library, the album
// manager windows it has open, which of them is active, and whether one of its album windows is
// inside a modal step that must not be started twice. Beside it, the host's callback slots.
//
// The registry has no lock, and needs none: the entry array changes only while the library's
// entry point runs for a thread attaching or detaching (the loader runs those one at a time), and
// every other operation reaches only the calling thread's own entry, which the thread finds in a
// thread-local slot rather than by walking the shared array. An operation given any id other
// than the calling thread's therefore finds no entry. Nothing here waits, so the entry point may
// call it.
#pragma once

#include <windows.h>
#include "album/HostCallbacks.h"

class CAlbumMan;

// The one place where the registry looks inside a manager. It uses nothing of a manager but the
// manager's first field, its dialog window, and answers with these windows; it neither creates
// nor deletes managers. The manager class must keep that field first.
HWND AlbumManWindow(const CAlbumMan* manager);

// The manager windows of one thread, in the order they registered.
class CThreadAlbums {
public:
    DWORD m_dwThreadId = 0;
    int m_nCount = 0;
    CAlbumMan** m_ppManagers = nullptr; // owned array; the managers are not owned
    int m_nActive = -1;                 // index in m_ppManagers; -1 until one is made active
    int m_bBusy = 0;                    // 1 while one of the thread's album windows runs a guarded modal step

    // An entry with an empty manager array of capacity 10; null when memory cannot be had.
    static CThreadAlbums* Create(DWORD threadId);
    static void Destroy(CThreadAlbums* entry);

    int AddManager(CAlbumMan* manager);
    int RemoveManager(CAlbumMan* manager);
    int MakeActive(HWND window);
    HWND GetActiveManagerWindow() const;
    HGLOBAL GetAllManagerWindows() const;

private:
    CThreadAlbums() = default;
    int m_nCapacity = 0;
};

// One per process. Operations take a thread id, in every use the calling thread's; results are
// 1 for success and 0 for failure unless stated. A thread without an entry gets the failure.
class CAlbumRegistry {
public:
    int m_nCount = 0;
    CThreadAlbums** m_ppEntries = nullptr; // owned, with the entries, in attach order

    // An empty registry (entry capacity 10); null when memory or a thread-local slot cannot be had.
    static CAlbumRegistry* Create();
    // Frees every entry's manager array, the entries and the entry array. The managers are not
    // touched.
    static void Destroy(CAlbumRegistry* registry);

    // Succeeds without change when the thread already has an entry.
    int RegisterThread(DWORD threadId);
    int UnregisterThread(DWORD threadId);

    int AddManager(DWORD threadId, CAlbumMan* manager);
    // Keeps the active manager the same one when an earlier manager is removed; removing the
    // active manager leaves none active.
    int RemoveManager(DWORD threadId, CAlbumMan* manager);
    // Makes the manager whose window this is the active one; 0 and no change when none is.
    int MakeActive(DWORD threadId, HWND window);

    // Fails when the thread is already busy: a guarded step is never entered twice.
    int EnterBusy(DWORD threadId);
    int LeaveBusy(DWORD threadId);

    // The active manager's window; the last registered one while none was made active; null
    // without managers.
    HWND GetActiveManagerWindow(DWORD threadId) const;
    // A movable, zero-initialised block of 4 + 4 x count bytes: the count as a 32-bit integer,
    // then the managers' windows in registration order, each stored as a 32-bit value
    // (HandleToLong). Window handles carry only 32 significant bits, in 64-bit processes too, so
    // a reader gets each window back with LongToHandle; the layout is the same for 32-bit and
    // 64-bit hosts. Null for a thread without an entry; the caller frees the block.
    HGLOBAL GetAllManagerWindows(DWORD threadId) const;
    // 1 when the thread has fewer than limit managers (or no entry), else 0.
    int CountBelowLimit(DWORD threadId, int limit) const;
    // The thread's managers in registration order, their number in *count (0 without an entry).
    // The array stays the registry's and changes with the next add or remove.
    CAlbumMan** GetThreadManagers(DWORD threadId, int* count) const;

    // The thread's entry, or null.
    CThreadAlbums* Find(DWORD threadId) const;

private:
    friend CAlbumRegistry& AlbumRegistry();
    constexpr CAlbumRegistry() = default;
    // Stands in while the process has no registry: it takes no thread.
    static CAlbumRegistry s_empty;
    int m_nCapacity = 0;
    DWORD m_dwSlot = TLS_OUT_OF_INDEXES; // thread-local slot holding each thread's own entry
};

// The process's registry, made by the library's entry point at the first attachment and
// destroyed at the last detachment. While there is none (before, after, or when it could not
// be made), AlbumRegistry() is an empty registry that takes no thread, so every operation answers
// as for a thread without an entry.
int CreateAlbumRegistry();
void DestroyAlbumRegistry();
CAlbumRegistry& AlbumRegistry();
// The calling thread's entry in the process's registry.
int RegisterAlbumThread();
int UnregisterAlbumThread();

// The host's callbacks: null at load, each replaced by the next call of its setter and never
// cleared. The manager window calls them.
struct CHostCallbacks {
    DockCreateProc pfnDockCreate;
    DockQueryProc pfnDockQuery;
    DockDestroyProc pfnDockDestroy;
    AcquireProc pfnAcquire;
    AlbumHelpProc pfnAlbumHelp;
};
extern CHostCallbacks g_HostCallbacks;
