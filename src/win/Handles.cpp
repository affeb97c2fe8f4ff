#include "win/Handles.h"

#include <string.h>

namespace win {

void UniqueHandle::reset(HANDLE h)
{
    if (valid())
        CloseHandle(h_);
    h_ = h;
}

bool UniqueHandle::close()
{
    bool ok = true;
    if (valid())
        ok = CloseHandle(h_) != FALSE;
    h_ = INVALID_HANDLE_VALUE;
    return ok;
}

GlobalBlock GlobalBlock::Allocate(size_t size, bool zero)
{
    const UINT zeroFlag = zero ? GMEM_ZEROINIT : 0;
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | zeroFlag, size);
    // The process has room for only 65536 movable blocks; a big album needs more. A fixed block
    // serves every Global* call the same way.
    if (!h)
        h = GlobalAlloc(GMEM_FIXED | zeroFlag, size);
    return GlobalBlock(h);
}

void GlobalBlock::reset(HGLOBAL h)
{
    if (h_ != nullptr && h_ != h)
        GlobalFree(h_);
    h_ = h;
}

GlobalLockGuard::GlobalLockGuard(HGLOBAL h)
    : h_(h), p_(h ? GlobalLock(h) : nullptr), size_(p_ ? GlobalSize(h) : 0)
{
}

GlobalLockGuard::~GlobalLockGuard()
{
    if (p_)
        GlobalUnlock(h_);
}

WaitCursor::WaitCursor()
{
    SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)));
}

WaitCursor::~WaitCursor()
{
    SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
}

void CopyText(char* dst, size_t dstSize, const char* src)
{
    if (!dst || dstSize == 0)
        return;
    if (!src)
        src = "";
    size_t n = strnlen(src, dstSize - 1);
    memmove(dst, src, n);
    dst[n] = '\0';
}

size_t FieldLength(const char* field, size_t fieldSize)
{
    return fieldSize ? strnlen(field, fieldSize - 1) : 0;
}

void TerminateField(char* field, size_t fieldSize)
{
    if (fieldSize && memchr(field, '\0', fieldSize) == nullptr)
        field[fieldSize - 1] = '\0';
}

} // namespace win
