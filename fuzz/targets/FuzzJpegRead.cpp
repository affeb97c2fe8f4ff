// Reading a JPEG for a thumbnail as the worker threads do: what the header check passes is
// decoded with the library at the thumbnail's reduction (or its embedded thumbnail taken) and
// turned upright by its EXIF orientation, under the memory shim. Input: a file; an odd-sized one
// may give its embedded thumbnail.
//
// Whatever the bytes, the result is a well-formed bitmap at least the size asked for (unless it
// is the embedded thumbnail or the image is smaller), and the memory held while reading never
// goes beyond what the header check granted the decoder and its working rows
// (DecodePlan::decoderBytes and workingBytes), a megabyte of tables and structures, and one copy
// of the result when it is turned.
#include <sanitizer/allocator_interface.h>
#include <stdio.h>
#include <stdlib.h>
#include "FuzzCheck.h"
#include "ImgIoInternal.h"

namespace {

int64_t g_live = 0, g_peak = 0; // bytes allocated through malloc, now and at most

void OnMalloc(const volatile void*, size_t bytes)
{
    g_live += int64_t(bytes);
    g_peak = g_live > g_peak ? g_live : g_peak;
}

void OnFree(const volatile void* p) { g_live -= int64_t(__sanitizer_get_allocated_size(const_cast<void*>(p))); }

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    constexpr unsigned kBox = 96; // the thumbnail box; the read asks for twice that
    IMGIOSIZEDREAD request = {};
    request.dwSize = sizeof request;
    request.dwFlags = size % 2 ? IMGIO_SIZED_EMBEDDED : 0;
    request.nMinWidth = request.nMinHeight = 2 * kBox;
    request.nEmbeddedWidth = request.nEmbeddedHeight = kBox;
    imgio::MemorySource file(data, size);
    imgio::JpegHeaders h;
    imgio::ReadJpegHeaders(file, &h);

    const int64_t before = g_live;
    g_peak = g_live;
    HGLOBAL image = nullptr;
    uint64_t charged = 0;
    imgio::ReadJpegBytes(nullptr, data, size, &request, &image, &charged);
    const int64_t held = g_peak - before;

    const uint64_t turned = image && h.orientation > 1 ? GlobalSize(image) : 0;
    if (uint64_t(held) > charged + turned + (uint64_t(1) << 20)) {
        fprintf(stderr, "reading held %lld bytes; the check granted %llu (frame %u x %u, %u components)\n",
                static_cast<long long>(held), static_cast<unsigned long long>(charged), h.width, h.height,
                h.components);
        abort();
    }
    dib::Layout l;
    if (image && dib::IsValidBlock(image, &l) && request.nReduction > 1 &&
        (uint32_t(l.width) < 2 * kBox || uint32_t(l.height) < 2 * kBox)) {
        fprintf(stderr, "reduced by %u to %d x %d, less than asked for\n", request.nReduction, l.width, l.height);
        abort();
    }
    ExpectWellFormed(image, "ReadJpegBytes");
    return 0;
}
