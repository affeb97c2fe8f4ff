// What is on the screen in a rectangle, as the packed bitmap the album and image libraries take.
#include <string.h>
#include "Driver.h"
#include "Host.h"
#include "Raii.h"

HGLOBAL CaptureScreen(const RECT& area)
{
    const int width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384)
        return nullptr;
    WindowDc screen(nullptr);
    MemoryDc memory(CreateCompatibleDC(screen.get()));
    GdiObject bitmap(CreateCompatibleBitmap(screen.get(), width, height));
    if (!screen.get() || !memory || !bitmap)
        return nullptr;
    {
        Selected into(memory.get(), bitmap.get());
        if (!BitBlt(memory.get(), 0, 0, width, height, screen.get(), area.left, area.top, SRCCOPY))
            return nullptr;
    }
    const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
    const size_t bits = stride * size_t(height);
    GlobalBlock block(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(BITMAPINFOHEADER) + bits));
    if (!block)
        return nullptr;
    {
        Locked lock(block.get());
        auto* header = static_cast<BITMAPINFOHEADER*>(lock.get());
        if (!header)
            return nullptr;
        header->biSize = sizeof *header;
        header->biWidth = width;
        header->biHeight = height; // bottom-up
        header->biPlanes = 1;
        header->biBitCount = 24;
        header->biCompression = BI_RGB;
        header->biSizeImage = DWORD(bits);
        header->biXPelsPerMeter = header->biYPelsPerMeter = 3780;
        BITMAPINFO info = {};
        info.bmiHeader = *header;
        if (GetDIBits(memory.get(), static_cast<HBITMAP>(bitmap.get()), 0, UINT(height), header + 1, &info,
                      DIB_RGB_COLORS) != height)
            return nullptr;
    }
    return block.release();
}

bool SameImage(HGLOBAL a, HGLOBAL b)
{
    if (!a || !b || GlobalSize(a) != GlobalSize(b))
        return false;
    Locked la(a), lb(b);
    return la.get() && lb.get() && memcmp(la.get(), lb.get(), GlobalSize(a)) == 0;
}

namespace {

BOOL CALLBACK PaintNow(HWND w, LPARAM pid)
{
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner == DWORD(pid) && IsWindowVisible(w))
        RedrawWindow(w, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    return TRUE;
}

} // namespace

HGLOBAL CaptureSettledScreen(const RECT& area, DWORD pid)
{
    EnumWindows(PaintNow, LPARAM(pid));
    GlobalBlock last(CaptureScreen(area)), settled;
    drive::WaitUntil([&] {
        GlobalBlock next(CaptureScreen(area));
        if (SameImage(last.get(), next.get())) {
            settled = std::move(next);
            return true;
        }
        last = std::move(next);
        return false;
    });
    return settled.release();
}
