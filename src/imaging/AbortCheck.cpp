#include "imaging/AbortCheck.h"

#include <windows.h>

namespace {

bool KeyboardEsc()
{
    // Non-zero when the key is down or was pressed since the last query.
    return GetAsyncKeyState(VK_ESCAPE) != 0;
}

AbortCheckFn g_check = KeyboardEsc;

} // namespace

bool EscAbortCheck() { return g_check(); }

AbortCheckFn SetAbortCheck(AbortCheckFn fn)
{
    AbortCheckFn old = g_check;
    g_check = fn ? fn : KeyboardEsc;
    return old;
}
