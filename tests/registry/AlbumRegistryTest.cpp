// The per-thread registry of album manager windows: active manager, growth, busy state, the
// "all managers" block and the separation of threads.
#include "support/TestSupport.h"
#include <condition_variable>
#include <mutex>
#include <thread>
#include "host/AlbumRegistry.h"
#include "win/Realloc.h"

namespace {

// Stands in for a manager: the registry reads nothing but the first field, the window.
struct FakeManager {
    HWND window;
};

CAlbumMan* Man(FakeManager& m) { return reinterpret_cast<CAlbumMan*>(&m); }

HWND FakeWindow(int i) { return reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1000 + 4 * i)); }

// A registry of its own with the calling thread registered.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        registry = CAlbumRegistry::Create();
        ASSERT_NE(registry, nullptr);
        ASSERT_EQ(registry->RegisterThread(me), 1);
    }
    void TearDown() override { CAlbumRegistry::Destroy(registry); }

    const DWORD me = GetCurrentThreadId();
    CAlbumRegistry* registry = nullptr;
};

// A thread that runs what it is given, one task at a time, until destroyed.
class Worker {
public:
    Worker() : thread_([this] { Loop(); }) {}
    ~Worker()
    {
        Run(nullptr);
        thread_.join();
    }
    // Runs task on the worker and waits for it; a null task ends the worker.
    void Run(std::function<void()> task)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        task_ = task ? task : [this] { stop_ = true; };
        pending_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return !pending_; });
    }
    DWORD id() const { return id_; }

private:
    void Loop()
    {
        id_ = GetCurrentThreadId();
        std::unique_lock<std::mutex> lock(mutex_);
        while (!stop_) {
            changed_.wait(lock, [this] { return pending_; });
            task_();
            pending_ = false;
            changed_.notify_all();
        }
    }
    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void()> task_;
    bool pending_ = false, stop_ = false;
    DWORD id_ = 0;
    std::thread thread_;
};

void* FailingRealloc(void*, size_t) { return nullptr; }

} // namespace

TEST_F(RegistryTest, ActiveManagerFollowsActivationAndRemoval)
{
    FakeManager m[4] = {{FakeWindow(1)}, {FakeWindow(2)}, {FakeWindow(3)}, {nullptr}};
    EXPECT_EQ(registry->RegisterThread(me), 1);
    EXPECT_EQ(registry->m_nCount, 1) << "registering twice leaves one entry";
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(registry->AddManager(me, Man(m[i])), 1);
    EXPECT_EQ(registry->AddManager(me, nullptr), 0);
    EXPECT_EQ(registry->GetActiveManagerWindow(me), FakeWindow(3)) << "none made active: the last registered";

    // Active until another is activated: not a window not made yet, an unknown one or none.
    EXPECT_EQ(registry->MakeActive(me, FakeWindow(2)), 1);
    ASSERT_EQ(registry->AddManager(me, Man(m[3])), 1);
    EXPECT_EQ(registry->MakeActive(me, FakeWindow(9)) + registry->MakeActive(me, nullptr), 0);
    EXPECT_EQ(registry->GetActiveManagerWindow(me), FakeWindow(2));
    ASSERT_EQ(registry->RemoveManager(me, Man(m[3])), 1);

    // Removing the first of three while the third is active keeps the third active.
    EXPECT_EQ(registry->MakeActive(me, FakeWindow(3)), 1);
    ASSERT_EQ(registry->RemoveManager(me, Man(m[0])), 1);
    EXPECT_EQ(registry->GetActiveManagerWindow(me), FakeWindow(3));
    ASSERT_EQ(registry->AddManager(me, Man(m[0])), 1); // now 2, 3, 1

    // Removing the active one leaves none active: the last registered answers.
    ASSERT_EQ(registry->MakeActive(me, FakeWindow(2)), 1);
    ASSERT_EQ(registry->RemoveManager(me, Man(m[1])), 1);
    EXPECT_EQ(registry->GetActiveManagerWindow(me), FakeWindow(1));
    EXPECT_EQ(registry->RemoveManager(me, Man(m[1])) + registry->RemoveManager(me, nullptr), 0) << "already gone; none";
    int count = -1;
    CAlbumMan** list = registry->GetThreadManagers(me, &count);
    ASSERT_EQ(count, 2);
    EXPECT_TRUE(list[0] == Man(m[2]) && list[1] == Man(m[0]));
}

TEST_F(RegistryTest, ManagerArrayGrowsByTenAndFailedGrowthKeepsWhatWasThere)
{
    FakeManager m[21];
    for (int i = 0; i < 21; ++i)
        m[i].window = FakeWindow(i);
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(registry->AddManager(me, Man(m[i])), 1) << i;
        if (i == 10) { // the eleventh is found like the others
            EXPECT_EQ(registry->MakeActive(me, FakeWindow(10)), 1);
            EXPECT_EQ(registry->GetActiveManagerWindow(me), FakeWindow(10));
        }
    }
    win::ReallocFn old = win::SetRealloc(FailingRealloc);
    EXPECT_EQ(registry->AddManager(me, Man(m[20])), 0) << "the 21st needs a growth that fails";
    win::SetRealloc(old);
    int count = 0;
    CAlbumMan** list = registry->GetThreadManagers(me, &count);
    ASSERT_EQ(count, 20);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(list[i], Man(m[i])) << i;
    EXPECT_EQ(registry->AddManager(me, Man(m[20])), 1) << "growth works again";
}

TEST_F(RegistryTest, BusyIsEnteredOnlyOnce)
{
    // A second enter fails until the first caller leaves; without an entry nothing does.
    std::string results;
    for (int (CAlbumRegistry::*call)(DWORD) : {&CAlbumRegistry::EnterBusy, &CAlbumRegistry::EnterBusy,
                                              &CAlbumRegistry::LeaveBusy, &CAlbumRegistry::EnterBusy,
                                              &CAlbumRegistry::LeaveBusy, &CAlbumRegistry::LeaveBusy,
                                              &CAlbumRegistry::UnregisterThread, &CAlbumRegistry::EnterBusy,
                                              &CAlbumRegistry::LeaveBusy, &CAlbumRegistry::UnregisterThread})
        results += std::to_string((registry->*call)(me));
    EXPECT_EQ(results, "1011111000");
}

TEST_F(RegistryTest, AllManagersBlockHoldsTheCountAndWindowsAs32BitValues)
{
    // The block as the host reads it: a count, then 4 bytes per window.
    auto values = [&] {
        HGLOBAL block = registry->GetAllManagerWindows(me);
        std::vector<LONG> v;
        if (const auto* p = static_cast<const LONG*>(block ? GlobalLock(block) : nullptr)) // movable: locked
            v.assign(p, p + GlobalSize(block) / 4), GlobalUnlock(block);
        EXPECT_EQ(GlobalFree(block), nullptr);
        return v;
    };
    EXPECT_EQ(values(), std::vector<LONG>{0});

    // The last a handle whose 32-bit value has the top bit set: readers sign-extend it back.
    FakeManager m[4] = {{FakeWindow(1)}, {FakeWindow(2)}, {FakeWindow(3)},
                        {reinterpret_cast<HWND>(static_cast<INT_PTR>(static_cast<LONG>(0x80001234)))}};
    for (FakeManager& man : m)
        ASSERT_EQ(registry->AddManager(me, Man(man)), 1);
    ASSERT_EQ(registry->MakeActive(me, FakeWindow(1)), 1); // the order is registration order anyway

    const std::vector<LONG> got = values();
    ASSERT_EQ(got.size(), 5u);
    EXPECT_EQ(got[0], 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(LongToHandle(got[size_t(1 + i)]), m[i].window) << i;
}

TEST(RegistryThreads, EachThreadSeesOnlyItsOwnManagers)
{
    CAlbumRegistry* registry = CAlbumRegistry::Create();
    ASSERT_NE(registry, nullptr);
    const DWORD me = GetCurrentThreadId();
    FakeManager a[3] = {{FakeWindow(1)}, {FakeWindow(2)}, {FakeWindow(3)}};
    FakeManager b = {FakeWindow(7)};
    {
        Worker first, second, third;
        first.Run([&] {
            ASSERT_EQ(registry->RegisterThread(first.id()), 1);
            for (FakeManager& m : a)
                ASSERT_EQ(registry->AddManager(first.id(), Man(m)), 1);
        });
        second.Run([&] { ASSERT_EQ(registry->RegisterThread(second.id()), 1); });
        third.Run([&] {
            ASSERT_EQ(registry->RegisterThread(third.id()), 1);
            ASSERT_EQ(registry->AddManager(third.id(), Man(b)), 1);
        });
        ASSERT_EQ(registry->m_nCount, 3);

        first.Run([&] {
            EXPECT_EQ(registry->GetActiveManagerWindow(first.id()), FakeWindow(3));
            EXPECT_EQ(registry->CountBelowLimit(first.id(), 3), 0) << "three managers, limit 3";
            EXPECT_EQ(registry->CountBelowLimit(first.id(), 4), 1);
            EXPECT_EQ(registry->MakeActive(first.id(), FakeWindow(7)), 0) << "another thread's window";
        });
        second.Run([&] {
            EXPECT_EQ(registry->CountBelowLimit(second.id(), 3), 1) << "no managers on this thread";
            EXPECT_EQ(registry->GetActiveManagerWindow(second.id()), nullptr);
            // Naming another thread reaches nothing.
            int count = -1;
            EXPECT_EQ(registry->GetThreadManagers(first.id(), &count), nullptr);
            EXPECT_EQ(count, 0);
            EXPECT_EQ(registry->AddManager(first.id(), Man(b)), 0);
        });
        // This thread has no entry at all.
        EXPECT_EQ(registry->GetAllManagerWindows(me), nullptr);
        EXPECT_EQ(registry->CountBelowLimit(me, 1), 1);
        EXPECT_EQ(registry->EnterBusy(me), 0);

        // The first entry goes; the later ones move down in order and keep their managers.
        first.Run([&] { EXPECT_EQ(registry->UnregisterThread(first.id()), 1); });
        ASSERT_EQ(registry->m_nCount, 2);
        EXPECT_EQ(registry->m_ppEntries[0]->m_dwThreadId, second.id());
        EXPECT_EQ(registry->m_ppEntries[1]->m_dwThreadId, third.id());
        third.Run([&] { EXPECT_EQ(registry->GetActiveManagerWindow(third.id()), FakeWindow(7)); });
        first.Run([&] { EXPECT_EQ(registry->GetActiveManagerWindow(first.id()), nullptr); });
    }

    // Twelve more threads: the entry array grows past ten, attach order kept.
    std::vector<DWORD> ids;
    for (int i = 0; i < 12; ++i) {
        Worker w;
        w.Run([&] { EXPECT_EQ(registry->RegisterThread(w.id()), 1); });
        ids.push_back(w.id());
    }
    ASSERT_EQ(registry->m_nCount, 14);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(registry->m_ppEntries[2 + i]->m_dwThreadId, ids[i]) << i;
    CAlbumRegistry::Destroy(registry);
}

// The library's entry point, linked in from its source and called as the loader calls it.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);

TEST(RegistryThreads, EntryPointGivesEveryAttachingThreadItsEntry)
{
    const DWORD me = GetCurrentThreadId();
    ASSERT_EQ(RegisterAlbumThread(), 0) << "no registry before the library is loaded";
    HINSTANCE self = GetModuleHandleA(nullptr);
    ASSERT_TRUE(DllMain(self, DLL_PROCESS_ATTACH, nullptr));
    EXPECT_EQ(AlbumRegistry().m_nCount, 1);
    EXPECT_EQ(AlbumRegistry().EnterBusy(me), 1);
    {
        Worker w;
        w.Run([&] {
            ASSERT_TRUE(DllMain(self, DLL_THREAD_ATTACH, nullptr));
            EXPECT_EQ(AlbumRegistry().EnterBusy(w.id()), 1) << "its own entry, not busy";
        });
        EXPECT_EQ(AlbumRegistry().m_nCount, 2);
        w.Run([&] { ASSERT_TRUE(DllMain(self, DLL_THREAD_DETACH, nullptr)); });
        EXPECT_EQ(AlbumRegistry().m_nCount, 1);
        EXPECT_EQ(AlbumRegistry().m_ppEntries[0]->m_dwThreadId, me);
    }
    ASSERT_TRUE(DllMain(self, DLL_PROCESS_DETACH, nullptr));

    // Without a registry nothing is held and nothing can be registered.
    EXPECT_EQ(AlbumRegistry().m_nCount, 0);
    EXPECT_EQ(RegisterAlbumThread(), 0) << "the registry is gone with the library";
}
