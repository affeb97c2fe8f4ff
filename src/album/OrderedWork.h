// Work on many items spread over worker threads, taken back in item order: the thumbnails of a
// folder are decoded and fitted on every core while one thread inserts them as a single thread
// would, so the album comes out the same whatever the number of workers.
#pragma once

#include <windows.h>
#include <stddef.h>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>
#include "win/Handles.h"

namespace album {

// Worker threads for thumbnail work: the number set for tests and tools, else one per processor.
unsigned ThumbnailWorkers();
// 0: one per processor (the default); otherwise that many. Returns the previous setting.
unsigned SetThumbnailWorkers(unsigned count);

// Tests: whether a worker thread may be started (null: always). Returns the previous hook.
using WorkerStartHook = bool (*)();
WorkerStartHook SetWorkerStartHook(WorkerStartHook hook);

class OrderedWork {
public:
    // Runs work(i) for i = 0 .. count - 1 on `threads` workers, never more than `ahead` items past
    // the first item not yet taken. On a worker the Esc check answers whether the work was
    // cancelled (the taker watches Esc), so that a long step stops soon after Cancel. When no
    // worker can be started, the taker runs the items itself in Done and Wait, its Esc check
    // asked as well (a yes cancels the work). With firstAlone, item 0 runs alone and the other
    // workers start once it is done: it is ready soonest, not slowed by the items beside it (what
    // a window shows first). work must not throw.
    OrderedWork(size_t count, std::function<void(size_t)> work, unsigned threads, size_t ahead,
                bool firstAlone = false);
    // Cancels and waits for the workers: items under way stop at their next Esc check.
    ~OrderedWork();
    OrderedWork(const OrderedWork&) = delete;
    OrderedWork& operator=(const OrderedWork&) = delete;

    // Whether item i is finished; without workers the items up to i run here first.
    bool Done(size_t i);
    // Waits for item i (INFINITE, or up to ms) and is true when it is finished; false at once
    // when the work was cancelled before it ran. Without workers the items up to i run here.
    bool Wait(size_t i, DWORD ms = INFINITE);
    // Item i and those before it are taken: workers may move on past them.
    void Taken(size_t i);
    // Set whenever an item finishes (auto-reset): to wait for work and messages together.
    HANDLE FinishedEvent() const { return finished_.get(); }
    // No item starts any more; running ones stop at their next Esc check. Items that never ran
    // stay not done.
    void Cancel();
    // Whether the work was cancelled (by Cancel, or by Esc while the taker ran an item itself).
    bool Cancelled() const { return stopped_.load(); }

private:
    void Run();
    // Without workers: runs the items up to i on this thread. Called with the lock held.
    void RunHereUpTo(size_t i, std::unique_lock<std::mutex>& lock);

    const size_t count_;
    const size_t ahead_;
    const bool firstAlone_;
    std::function<void(size_t)> work_;
    std::mutex mutex_;
    std::condition_variable room_;   // a worker waits here for the window to move on
    std::condition_variable ready_;  // the taker waits here for its item
    std::vector<char> done_;
    size_t next_ = 0;                // the next item a worker will start
    size_t taken_ = 0;               // items before this are taken
    std::atomic<bool> stopped_{false}; // cancelled; set under mutex_ so that waiters see it
    win::UniqueHandle finished_;
    std::vector<std::thread> threads_;
};

} // namespace album
