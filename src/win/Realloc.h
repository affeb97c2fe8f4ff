// Growth of the library's plain heap arrays (path lists, registry arrays) goes through one
// replaceable function, so that tests can make a growth fail and watch the caller cope.
#pragma once

#include <stddef.h>

namespace win {

using ReallocFn = void* (*)(void* block, size_t bytes);

// realloc of the C runtime unless a test installed its own function.
void* Realloc(void* block, size_t bytes);
// Installs fn (null: the C runtime's realloc again); returns the function that was installed.
// An installed function hands out C runtime blocks (or fails): callers free with free().
ReallocFn SetRealloc(ReallocFn fn);

} // namespace win
