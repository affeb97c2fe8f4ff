#include <windows.h>

#include <stdlib.h>
#include <string.h>

namespace {

// A block handle points at this record; the bytes live in their own allocation of exactly the
// block's size.
struct Block {
    size_t size;
    unsigned locks;
    unsigned char* bytes;
};

// Like the real allocator under memory pressure: asking for more than this fails. Keeps the
// fuzzer from spending its time on (legitimately refused) gigabyte requests.
constexpr size_t kMaxBlock = size_t(1) << 28;

} // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes)
{
    if (bytes > kMaxBlock)
        return nullptr;
    Block* b = static_cast<Block*>(malloc(sizeof(Block)));
    unsigned char* bytesOf = static_cast<unsigned char*>(malloc(bytes ? bytes : 1));
    if (!b || !bytesOf) {
        free(b);
        free(bytesOf);
        return nullptr;
    }
    if (flags & GMEM_ZEROINIT)
        memset(bytesOf, 0, bytes);
    *b = Block{bytes, 0, bytesOf};
    return b;
}

HGLOBAL GlobalFree(HGLOBAL block)
{
    if (Block* b = static_cast<Block*>(block)) {
        free(b->bytes);
        free(b);
    }
    return nullptr;
}

LPVOID GlobalLock(HGLOBAL block)
{
    Block* b = static_cast<Block*>(block);
    if (!b)
        return nullptr;
    ++b->locks;
    return b->bytes;
}

BOOL GlobalUnlock(HGLOBAL block)
{
    Block* b = static_cast<Block*>(block);
    if (!b || b->locks == 0)
        abort(); // unbalanced unlock: a fault of the code under test
    return --b->locks != 0;
}

SIZE_T GlobalSize(HGLOBAL block)
{
    return block ? static_cast<Block*>(block)->size : 0;
}

BOOL CloseHandle(HANDLE) { return TRUE; }
SHORT GetAsyncKeyState(int) { return 0; }
HCURSOR LoadCursorA(HINSTANCE, LPCSTR) { return nullptr; }
HCURSOR SetCursor(HCURSOR) { return nullptr; }

UINT GetACP() { return 1252; }

int WideCharToMultiByte(UINT, DWORD, const WCHAR* wide, int wideCount, LPSTR out, int outSize, LPCSTR,
                        BOOL* usedDefault)
{
    if (!wide || wideCount < 0 || outSize < 0)
        return 0;
    if (usedDefault)
        *usedDefault = FALSE;
    if (outSize && wideCount > outSize)
        return 0; // the buffer is too small: nothing converted
    for (int i = 0; i < wideCount; ++i) {
        const bool ascii = wide[i] < 0x80;
        if (!ascii && usedDefault)
            *usedDefault = TRUE;
        if (outSize)
            out[i] = ascii ? char(wide[i]) : '?';
    }
    return wideCount;
}
