// ImgIoDrawDib: the image stretched into a rectangle of a device context.
#include "ImgIoInternal.h"

#include "win/Dib.h"

extern "C" IMGIO_API int WINAPI ImgIoDrawDib(HDC dc, const RECT* dest, HGLOBAL dib, int reserved1,
                                             int reserved2, int reserved3)
{
    if (!dc || !dest || !dib)
        return 0;
    const LONGLONG w = LONGLONG(dest->right) - dest->left;
    const LONGLONG h = LONGLONG(dest->bottom) - dest->top;
    if (w <= 0 || h <= 0 || w > 0x7FFFFFFF || h > 0x7FFFFFFF)
        return 0;

    win::GlobalLockGuard lock(dib);
    dib::Layout layout;
    if (!lock || !dib::Parse(lock.data(), lock.size(), &layout))
        return 0;

    const int saved = SaveDC(dc);
    if (!saved)
        return 0;
    // Halftoning averages the pixels a reduction drops; enlarging wants plain copies of pixels.
    const bool reducing = w < layout.width || h < layout.height;
    SetStretchBltMode(dc, reducing ? HALFTONE : COLORONCOLOR);
    if (reducing)
        SetBrushOrgEx(dc, 0, 0, nullptr);
    const int lines = StretchDIBits(dc, dest->left, dest->top, int(w), int(h), 0, 0, layout.width, layout.height,
                                    lock.bytes() + layout.bitsOffset,
                                    reinterpret_cast<const BITMAPINFO*>(lock.data()), DIB_RGB_COLORS, SRCCOPY);
    RestoreDC(dc, saved);
    return lines != 0 && lines != int(GDI_ERROR);
}
