// Small owners for Win32 resources, so that no early return leaks a handle or leaves a block
// locked. All are movable and not copyable.
#pragma once

#include <windows.h>
#include <stddef.h>
#include <utility>

namespace win {

// A kernel handle (file, event, ...). INVALID_HANDLE_VALUE and null both mean "none".
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE h) : h_(h) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& o) noexcept : h_(o.release()) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept { reset(o.release()); return *this; }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    HANDLE get() const { return h_; }
    bool valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
    explicit operator bool() const { return valid(); }
    HANDLE release() { HANDLE h = h_; h_ = INVALID_HANDLE_VALUE; return h; }
    void reset(HANDLE h = INVALID_HANDLE_VALUE);
    // Closes now and reports whether the close succeeded (a write may only fail at close).
    bool close();

private:
    HANDLE h_ = INVALID_HANDLE_VALUE;
};

// A global memory block owned until released.
class GlobalBlock {
public:
    GlobalBlock() = default;
    explicit GlobalBlock(HGLOBAL h) : h_(h) {}
    ~GlobalBlock() { reset(); }
    GlobalBlock(GlobalBlock&& o) noexcept : h_(o.release()) {}
    GlobalBlock& operator=(GlobalBlock&& o) noexcept { reset(o.release()); return *this; }
    GlobalBlock(const GlobalBlock&) = delete;
    GlobalBlock& operator=(const GlobalBlock&) = delete;

    // A movable block of size bytes (a fixed one once the process runs out of movable handles);
    // zeroed when zero is true. Empty on failure.
    static GlobalBlock Allocate(size_t size, bool zero);

    HGLOBAL get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    HGLOBAL release() { HGLOBAL h = h_; h_ = nullptr; return h; }
    void reset(HGLOBAL h = nullptr);

private:
    HGLOBAL h_ = nullptr;
};

// GlobalLock for the lifetime of the guard. data() is null when the lock failed.
class GlobalLockGuard {
public:
    explicit GlobalLockGuard(HGLOBAL h);
    ~GlobalLockGuard();
    GlobalLockGuard(const GlobalLockGuard&) = delete;
    GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;

    void* data() const { return p_; }
    unsigned char* bytes() const { return static_cast<unsigned char*>(p_); }
    size_t size() const { return size_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    HGLOBAL h_;
    void* p_;
    size_t size_;
};

// Shows the wait cursor until destroyed, then the arrow cursor.
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// Truncating copy into a buffer of dstSize bytes; the result is always NUL-terminated.
void CopyText(char* dst, size_t dstSize, const char* src);
// Length of a string held in a fixed field that may lack its NUL: at most fieldSize - 1.
size_t FieldLength(const char* field, size_t fieldSize);
// Makes a fixed field a string of at most fieldSize - 1 characters. A field that already holds a
// NUL is left byte for byte as it is.
void TerminateField(char* field, size_t fieldSize);

} // namespace win
