// A 32-bit top-down bitmap selected into a memory DC and filled with one colour: tests draw, print
// or copy the screen into it and read its pixels back.
#pragma once

#include <windows.h>
#include <algorithm>

namespace testsupport {

struct MemoryCanvas {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    DWORD* bits = nullptr;
    RECT rc = {};
    MemoryCanvas(int width, int height, DWORD fill = 0xFFFFFF) : rc{0, 0, width, height}
    {
        BITMAPINFO bi = {{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
        bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
        old = SelectObject(dc, bitmap);
        std::fill(bits, bits + size_t(width) * size_t(height), fill);
    }
    // The size of a window's client area.
    explicit MemoryCanvas(HWND window, DWORD fill = 0xFFFFFF) : MemoryCanvas(ClientSize(window).x, ClientSize(window).y, fill) {}
    ~MemoryCanvas() { SelectObject(dc, old), DeleteDC(dc), DeleteObject(bitmap); }
    MemoryCanvas(const MemoryCanvas&) = delete;
    MemoryCanvas& operator=(const MemoryCanvas&) = delete;

    COLORREF At(int x, int y) const { const DWORD p = bits[y * rc.right + x]; return RGB(p >> 16, p >> 8, p); }
    static POINT ClientSize(HWND window)
    {
        RECT r = {};
        GetClientRect(window, &r);
        return {r.right, r.bottom};
    }
};

} // namespace testsupport
