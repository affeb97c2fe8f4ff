// Work on many items spread over worker threads, taken back in item order: the thumbnails of a
// folder are decoded and fitted on every core while one thread inserts them as a single thread
// would, so the album comes out the same whatever the number of workers.
#pragma once

#include <windows.h>
#include <stddef.h>
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

class OrderedWork {
public:
    // Runs work(i) for i = 0 .. count - 1 on `threads` workers, never more than `ahead` items past
    // the first item not yet taken. work runs with the Esc check off on its thread (the taker
    // watches Esc) and must not throw.
    OrderedWork(size_t count, std::function<void(size_t)> work, unsigned threads, size_t ahead);
    // Cancels and waits for the workers.
    ~OrderedWork();
    OrderedWork(const OrderedWork&) = delete;
    OrderedWork& operator=(const OrderedWork&) = delete;

    // Whether item i is finished, without waiting.
    bool Done(size_t i);
    // Waits for item i (INFINITE, or up to ms); true when it is finished.
    bool Wait(size_t i, DWORD ms = INFINITE);
    // Item i and those before it are taken: workers may move on past them.
    void Taken(size_t i);
    // Set whenever an item finishes (auto-reset): to wait for work and messages together.
    HANDLE FinishedEvent() const { return finished_.get(); }
    // No item starts any more; running ones finish. Items that never ran stay not done.
    void Cancel();

private:
    void Run();

    const size_t count_;
    const size_t ahead_;
    std::function<void(size_t)> work_;
    std::mutex mutex_;
    std::condition_variable room_;   // a worker waits here for the window to move on
    std::condition_variable ready_;  // the taker waits here for its item
    std::vector<char> done_;
    size_t next_ = 0;                // the next item a worker will start
    size_t taken_ = 0;               // items before this are taken
    bool cancelled_ = false;
    win::UniqueHandle finished_;
    std::vector<std::thread> threads_;
};

} // namespace album
