#include "win/Realloc.h"

#include <stdlib.h>

namespace win {

namespace {

void* RuntimeRealloc(void* block, size_t bytes) { return realloc(block, bytes); }

ReallocFn g_realloc = RuntimeRealloc;

} // namespace

void* Realloc(void* block, size_t bytes) { return g_realloc(block, bytes); }

ReallocFn SetRealloc(ReallocFn fn)
{
    ReallocFn old = g_realloc;
    g_realloc = fn ? fn : RuntimeRealloc;
    return old;
}

} // namespace win
