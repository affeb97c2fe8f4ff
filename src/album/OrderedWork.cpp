#include "album/OrderedWork.h"

#include "win/AbortCheck.h"

namespace album {

namespace {
std::atomic<unsigned> g_workers{0};
std::atomic<WorkerStartHook> g_startHook{nullptr};
}

unsigned ThumbnailWorkers()
{
    const unsigned set = g_workers;
    if (set)
        return set;
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwNumberOfProcessors > 0 ? unsigned(info.dwNumberOfProcessors) : 1u;
}

unsigned SetThumbnailWorkers(unsigned count) { return g_workers.exchange(count); }

WorkerStartHook SetWorkerStartHook(WorkerStartHook hook) { return g_startHook.exchange(hook); }

OrderedWork::OrderedWork(size_t count, std::function<void(size_t)> work, unsigned threads, size_t ahead,
                         bool firstAlone)
    : count_(count), ahead_(ahead ? ahead : 1), firstAlone_(firstAlone), work_(std::move(work)), done_(count, 0),
      finished_(CreateEventA(nullptr, FALSE, FALSE, nullptr))
{
    if (threads == 0)
        threads = 1;
    if (threads > count)
        threads = unsigned(count);
    try {
        for (unsigned i = 0; i < threads; ++i) {
            const WorkerStartHook mayStart = g_startHook;
            if (mayStart && !mayStart())
                break;
            threads_.emplace_back([this] { Run(); });
        }
    } catch (...) {
        // Fewer workers than asked for (or none): with none the taker runs the items itself.
    }
}

OrderedWork::~OrderedWork()
{
    Cancel();
    for (std::thread& t : threads_)
        if (t.joinable())
            t.join();
}

void OrderedWork::Run()
{
    AbortCheckFollowsWork escIsTheTakers(stopped_, false);
    for (;;) {
        size_t item;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            room_.wait(lock, [this] {
                return stopped_ || next_ >= count_ ||
                       (next_ < taken_ + ahead_ && (!firstAlone_ || next_ == 0 || done_[0]));
            });
            if (stopped_ || next_ >= count_)
                return;
            item = next_++;
        }
        work_(item);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_[item] = 1;
        }
        ready_.notify_all();
        if (item == 0 && firstAlone_)
            room_.notify_all();
        if (finished_)
            SetEvent(finished_.get());
    }
}

void OrderedWork::RunHereUpTo(size_t i, std::unique_lock<std::mutex>& lock)
{
    if (!threads_.empty() || i >= count_)
        return;
    AbortCheckFollowsWork escStopsTheWork(stopped_, true);
    while (next_ <= i && !stopped_) {
        const size_t item = next_++;
        lock.unlock();
        work_(item);
        lock.lock();
        done_[item] = 1;
    }
}

bool OrderedWork::Done(size_t i)
{
    std::unique_lock<std::mutex> lock(mutex_);
    RunHereUpTo(i, lock);
    return i < count_ && done_[i];
}

bool OrderedWork::Wait(size_t i, DWORD ms)
{
    if (i >= count_)
        return false;
    std::unique_lock<std::mutex> lock(mutex_);
    RunHereUpTo(i, lock);
    auto ready = [&] { return done_[i] != 0 || (stopped_ && next_ <= i); };
    if (ms == INFINITE)
        ready_.wait(lock, ready);
    else
        ready_.wait_for(lock, std::chrono::milliseconds(ms), ready);
    return done_[i] != 0;
}

void OrderedWork::Taken(size_t i)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (i + 1 > taken_)
            taken_ = i + 1;
    }
    room_.notify_all();
}

void OrderedWork::Cancel()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopped_ = true;
    }
    room_.notify_all();
    ready_.notify_all();
}

} // namespace album
