#include "win/AbortCheck.h"

#include <windows.h>

namespace {

bool KeyboardEsc()
{
    // Non-zero when the key is down or was pressed since the last query.
    return GetAsyncKeyState(VK_ESCAPE) != 0;
}

AbortCheckFn g_check = KeyboardEsc;
thread_local std::atomic<bool>* t_stop = nullptr; // the work this thread runs, if any
thread_local bool t_keyToo = false;

} // namespace

bool EscAbortCheck()
{
    if (!t_stop)
        return g_check();
    if (t_stop->load(std::memory_order_relaxed))
        return true;
    if (t_keyToo && g_check()) {
        t_stop->store(true);
        return true;
    }
    return false;
}

AbortCheckFollowsWork::AbortCheckFollowsWork(std::atomic<bool>& stop, bool keyToo)
    : previousStop_(t_stop), previousKeyToo_(t_keyToo)
{
    t_stop = &stop;
    t_keyToo = keyToo;
}

AbortCheckFollowsWork::~AbortCheckFollowsWork()
{
    t_stop = previousStop_;
    t_keyToo = previousKeyToo_;
}

AbortCheckFn SetAbortCheck(AbortCheckFn fn)
{
    AbortCheckFn old = g_check;
    g_check = fn ? fn : KeyboardEsc;
    return old;
}
