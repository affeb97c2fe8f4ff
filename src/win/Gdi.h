// Small owners for GDI objects and device-context state, so that painting code leaves every DC
// as it found it and deletes what it created on every path. Movable where ownership may move,
// never copyable. Declare an object's owner before the guard that selects it: the guard then
// restores the old selection before the owner deletes the object.
#pragma once

#include <windows.h>

namespace win {

// A pen, brush, font, bitmap or region, deleted when the owner goes.
template <class H>
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(H h) : h_(h) {}
    ~GdiObject() { reset(); }
    GdiObject(GdiObject&& o) noexcept : h_(o.release()) {}
    GdiObject& operator=(GdiObject&& o) noexcept { reset(o.release()); return *this; }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    H get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    H release() { H h = h_; h_ = nullptr; return h; }
    void reset(H h = nullptr)
    {
        if (h_ && h_ != h)
            DeleteObject(h_);
        h_ = h;
    }

private:
    H h_ = nullptr;
};

using Pen = GdiObject<HPEN>;
using Brush = GdiObject<HBRUSH>;
using Font = GdiObject<HFONT>;
using Bitmap = GdiObject<HBITMAP>;
using Region = GdiObject<HRGN>;

// SelectObject for the guard's lifetime. A null object or a failed selection leaves the DC as it
// was; ok() tells which.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), old_(dc && object ? SelectObject(dc, object) : nullptr)
    {
        if (old_ == HGDI_ERROR)
            old_ = nullptr;
    }
    ~SelectGuard()
    {
        if (old_)
            SelectObject(dc_, old_);
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

    bool ok() const { return old_ != nullptr; }

private:
    HDC dc_;
    HGDIOBJ old_;
};

// SetBkMode for the guard's lifetime.
class BkModeGuard {
public:
    BkModeGuard(HDC dc, int mode) : dc_(dc), old_(SetBkMode(dc, mode)) {}
    ~BkModeGuard()
    {
        if (old_)
            SetBkMode(dc_, old_);
    }
    BkModeGuard(const BkModeGuard&) = delete;
    BkModeGuard& operator=(const BkModeGuard&) = delete;

private:
    HDC dc_;
    int old_;
};

// SetTextColor for the guard's lifetime.
class TextColorGuard {
public:
    TextColorGuard(HDC dc, COLORREF color) : dc_(dc), old_(SetTextColor(dc, color)) {}
    ~TextColorGuard()
    {
        if (old_ != CLR_INVALID)
            SetTextColor(dc_, old_);
    }
    TextColorGuard(const TextColorGuard&) = delete;
    TextColorGuard& operator=(const TextColorGuard&) = delete;

private:
    HDC dc_;
    COLORREF old_;
};

// BeginPaint / EndPaint. dc() is null when painting could not begin.
class PaintDC {
public:
    explicit PaintDC(HWND hwnd) : hwnd_(hwnd), dc_(hwnd ? BeginPaint(hwnd, &ps_) : nullptr) {}
    ~PaintDC()
    {
        if (hwnd_)
            EndPaint(hwnd_, &ps_);
    }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;

    HDC dc() const { return dc_; }
    const PAINTSTRUCT& paint() const { return ps_; }

private:
    HWND hwnd_;
    PAINTSTRUCT ps_ = {};
    HDC dc_;
};

// GetDC / ReleaseDC of a window's client area.
class WindowDC {
public:
    explicit WindowDC(HWND hwnd) : hwnd_(hwnd), dc_(hwnd ? GetDC(hwnd) : nullptr) {}
    ~WindowDC()
    {
        if (dc_)
            ReleaseDC(hwnd_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;

    HDC dc() const { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

// A memory DC (CreateCompatibleDC), deleted with the owner.
class MemoryDC {
public:
    explicit MemoryDC(HDC reference = nullptr) : dc_(CreateCompatibleDC(reference)) {}
    ~MemoryDC()
    {
        if (dc_)
            DeleteDC(dc_);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;

    HDC dc() const { return dc_; }

private:
    HDC dc_;
};

} // namespace win
