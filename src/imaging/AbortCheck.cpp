#include "imaging/AbortCheck.h"

#include <windows.h>

namespace {

bool KeyboardEsc()
{
    // Non-zero when the key is down or was pressed since the last query.
    return GetAsyncKeyState(VK_ESCAPE) != 0;
}

AbortCheckFn g_check = KeyboardEsc;
thread_local bool t_off = false;

} // namespace

bool EscAbortCheck() { return !t_off && g_check(); }

AbortCheckOffOnThisThread::AbortCheckOffOnThisThread() : previous_(t_off) { t_off = true; }
AbortCheckOffOnThisThread::~AbortCheckOffOnThisThread() { t_off = previous_; }

AbortCheckFn SetAbortCheck(AbortCheckFn fn)
{
    AbortCheckFn old = g_check;
    g_check = fn ? fn : KeyboardEsc;
    return old;
}
