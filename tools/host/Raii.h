// Small owners for the handles the host takes from Win32: each gives its handle back on every
// path out of a scope.
#pragma once

#include <windows.h>
#include <utility>

template <typename Handle, typename Traits>
class Owned {
public:
    Owned() = default;
    explicit Owned(Handle h) : h_(h) {}
    ~Owned() { reset(); }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    Owned(Owned&& o) noexcept : h_(std::exchange(o.h_, Handle())) {}
    Owned& operator=(Owned&& o) noexcept
    {
        if (this != &o) {
            reset();
            h_ = std::exchange(o.h_, Handle());
        }
        return *this;
    }
    Handle get() const { return h_; }
    explicit operator bool() const { return h_ != Handle(); }
    Handle release() { return std::exchange(h_, Handle()); }
    void reset(Handle h = Handle())
    {
        if (h_ != Handle())
            Traits::Free(h_);
        h_ = h;
    }

private:
    Handle h_ = Handle();
};

struct GlobalTraits { static void Free(HGLOBAL h) { GlobalFree(h); } };
struct GdiTraits { static void Free(HGDIOBJ h) { DeleteObject(h); } };
struct MemDcTraits { static void Free(HDC h) { DeleteDC(h); } };
using GlobalBlock = Owned<HGLOBAL, GlobalTraits>;
using GdiObject = Owned<HGDIOBJ, GdiTraits>;
using MemoryDc = Owned<HDC, MemDcTraits>;

// A window's device context (null window: the screen), released at the end of the scope.
class WindowDc {
public:
    explicit WindowDc(HWND w) : w_(w), dc_(GetDC(w)) {}
    ~WindowDc()
    {
        if (dc_)
            ReleaseDC(w_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND w_;
    HDC dc_;
};

// An object selected into a DC, the previous one put back at the end of the scope.
class Selected {
public:
    Selected(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
    ~Selected()
    {
        if (old_)
            SelectObject(dc_, old_);
    }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// GlobalLock for the scope.
class Locked {
public:
    explicit Locked(HGLOBAL h) : h_(h), p_(h ? GlobalLock(h) : nullptr) {}
    ~Locked()
    {
        if (p_)
            GlobalUnlock(h_);
    }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
    void* get() const { return p_; }

private:
    HGLOBAL h_;
    void* p_;
};

// BeginPaint/EndPaint.
class Painting {
public:
    explicit Painting(HWND w) : w_(w) { dc_ = BeginPaint(w, &ps_); }
    ~Painting() { EndPaint(w_, &ps_); }
    Painting(const Painting&) = delete;
    Painting& operator=(const Painting&) = delete;
    HDC dc() const { return dc_; }

private:
    HWND w_;
    PAINTSTRUCT ps_;
    HDC dc_;
};
