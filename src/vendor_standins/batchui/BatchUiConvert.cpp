// The batch tool's image work: whatever the depth of an image, it becomes 24-bit pixels through
// the platform's bitmap conversion, is reduced by averaging, and optionally turned gray.
#include "BatchUiInternal.h"

#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <algorithm>
#include <vector>
#include "win/Dib.h"
#include "win/Gdi.h"
#include "win/Handles.h"

namespace batchui {

const char kTitle[] = "Batch Convert";

namespace {

AbortCheck g_abortCheck = nullptr;

bool IsGrayRamp(const unsigned char* block, const dib::Layout& layout)
{
    if (layout.bitCount != 8 || layout.paletteEntries != 256)
        return false;
    const unsigned char* palette = block + layout.bitsOffset - 256 * 4;
    for (int i = 0; i < 256; ++i)
        if (palette[i * 4] != i || palette[i * 4 + 1] != i || palette[i * 4 + 2] != i)
            return false;
    return true;
}

// The target size: the longest side brought down to maxSide, the other in proportion (at least 1).
void TargetSize(int32_t w, int32_t h, int maxSide, int32_t& tw, int32_t& th)
{
    tw = w;
    th = h;
    const int32_t longest = w > h ? w : h;
    if (maxSide <= 0 || longest <= maxSide)
        return;
    auto scale = [&](int32_t side) {
        const int64_t v = (int64_t(side) * maxSide + longest / 2) / longest;
        return int32_t(v < 1 ? 1 : v);
    };
    tw = w == longest ? maxSide : scale(w);
    th = h == longest ? maxSide : scale(h);
}

} // namespace

HGLOBAL ConvertImage(HGLOBAL image, const Changes& changes)
{
    dib::Layout in;
    win::GlobalLockGuard lock(image);
    if (!lock || !dib::Parse(lock.data(), lock.size(), &in))
        return nullptr;
    const int32_t w = in.width, h = in.height;

    // Every depth, palette and bit-field layout to plain 24-bit rows, by the platform.
    BITMAPINFO rgbInfo = {};
    rgbInfo.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* rgbBits = nullptr;
    win::Bitmap rgb(CreateDIBSection(nullptr, &rgbInfo, DIB_RGB_COLORS, &rgbBits, nullptr, 0));
    win::MemoryDC dc;
    if (!rgb || !rgbBits || !dc.dc())
        return nullptr;
    {
        win::SelectGuard select(dc.dc(), rgb.get());
        if (!select.ok() ||
            SetDIBitsToDevice(dc.dc(), 0, 0, DWORD(w), DWORD(h), 0, 0, 0, UINT(h), lock.bytes() + in.bitsOffset,
                              static_cast<const BITMAPINFO*>(lock.data()), DIB_RGB_COLORS) == 0)
            return nullptr;
        GdiFlush();
    }
    const size_t inStride = dib::Stride(w, 24);
    const auto* src = static_cast<const unsigned char*>(rgbBits);

    int32_t tw, th;
    TargetSize(w, h, changes.maxSide, tw, th);
    const uint16_t bits = changes.gray ? 8 : 24;
    const size_t outStride = dib::Stride(tw, bits);
    const size_t paletteBytes = changes.gray ? 256 * 4 : 0;
    if (!outStride || size_t(th) > (SIZE_MAX - sizeof(BITMAPINFOHEADER) - paletteBytes) / outStride ||
        outStride * size_t(th) > 0xFFFFFFFFu)
        return nullptr;
    win::GlobalBlock out = win::GlobalBlock::Allocate(sizeof(BITMAPINFOHEADER) + paletteBytes + outStride * th, true);
    if (!out)
        return nullptr;
    {
        win::GlobalLockGuard outLock(out.get());
        if (!outLock)
            return nullptr;
        auto* header = static_cast<BITMAPINFOHEADER*>(outLock.data());
        const auto* inHeader = static_cast<const BITMAPINFOHEADER*>(lock.data());
        *header = {sizeof(BITMAPINFOHEADER), tw, th, 1, bits, BI_RGB, DWORD(outStride * th),
                   inHeader->biXPelsPerMeter, inHeader->biYPelsPerMeter, changes.gray ? 256u : 0u, 0};
        unsigned char* palette = outLock.bytes() + sizeof(BITMAPINFOHEADER);
        for (size_t i = 0; i < paletteBytes / 4; ++i)
            palette[i * 4] = palette[i * 4 + 1] = palette[i * 4 + 2] = static_cast<unsigned char>(i);
        unsigned char* dst = palette + paletteBytes;

        // Each target pixel averages the block of source pixels it covers (rows bottom-up in both).
        std::vector<int32_t> colFrom(size_t(tw) + 1);
        for (int32_t x = 0; x <= tw; ++x)
            colFrom[size_t(x)] = int32_t(int64_t(x) * w / tw);
        std::vector<uint64_t> sums(size_t(tw) * 3);
        for (int32_t ty = 0; ty < th; ++ty) {
            const int32_t y0 = int32_t(int64_t(ty) * h / th);
            int32_t y1 = int32_t(int64_t(ty + 1) * h / th);
            if (y1 <= y0)
                y1 = y0 + 1;
            std::fill(sums.begin(), sums.end(), 0);
            for (int32_t y = y0; y < y1; ++y) {
                const unsigned char* row = src + size_t(y) * inStride;
                for (int32_t tx = 0; tx < tw; ++tx) {
                    int32_t x0 = colFrom[size_t(tx)], x1 = colFrom[size_t(tx) + 1];
                    if (x1 <= x0)
                        x1 = x0 + 1;
                    uint64_t* s = &sums[size_t(tx) * 3];
                    for (int32_t x = x0; x < x1; ++x) {
                        s[0] += row[size_t(x) * 3];
                        s[1] += row[size_t(x) * 3 + 1];
                        s[2] += row[size_t(x) * 3 + 2];
                    }
                }
            }
            unsigned char* outRow = dst + size_t(ty) * outStride;
            for (int32_t tx = 0; tx < tw; ++tx) {
                int32_t x0 = colFrom[size_t(tx)], x1 = colFrom[size_t(tx) + 1];
                if (x1 <= x0)
                    x1 = x0 + 1;
                const uint64_t n = uint64_t(x1 - x0) * uint64_t(y1 - y0);
                const uint64_t* s = &sums[size_t(tx) * 3];
                const unsigned b = unsigned((s[0] + n / 2) / n), g = unsigned((s[1] + n / 2) / n),
                               r = unsigned((s[2] + n / 2) / n);
                if (changes.gray) {
                    outRow[tx] = static_cast<unsigned char>((r * 30 + g * 59 + b * 11) / 100);
                } else {
                    outRow[size_t(tx) * 3] = static_cast<unsigned char>(b);
                    outRow[size_t(tx) * 3 + 1] = static_cast<unsigned char>(g);
                    outRow[size_t(tx) * 3 + 2] = static_cast<unsigned char>(r);
                }
            }
        }
    }
    return out.release();
}

bool ChangesImage(HGLOBAL image, const Changes& changes)
{
    dib::Layout in;
    win::GlobalLockGuard lock(image);
    if (!lock || !dib::Parse(lock.data(), lock.size(), &in))
        return false;
    const int32_t longest = in.width > in.height ? in.width : in.height;
    return (changes.maxSide > 0 && longest > changes.maxSide) || (changes.gray && !IsGrayRamp(lock.bytes(), in));
}

bool CopyPath(const char* folder, const char* source, char* out, size_t outSize)
{
    if (!folder || !*folder || !source || !out || !outSize)
        return false;
    const char* name = source;
    for (const char* p = source; *p; ++p)
        if (*p == '\\' || *p == '/' || *p == ':')
            name = p + 1;
    size_t stem = strlen(name);
    if (const char* dot = strrchr(name, '.'))
        stem = size_t(dot - name);
    if (stem == 0)
        return false;
    const size_t folderLength = strlen(folder);
    const char* separator = folder[folderLength - 1] == '\\' || folder[folderLength - 1] == '/' ? "" : "\\";
    for (int n = 1; n < 10000; ++n) {
        char suffix[16] = "";
        if (n > 1)
            snprintf(suffix, sizeof suffix, " (%d)", n);
        const int written = snprintf(out, outSize, "%s%s%.*s%s.bmp", folder, separator, int(stem), name, suffix);
        if (written < 0 || size_t(written) >= outSize) {
            out[0] = '\0';
            return false; // refused rather than cut
        }
        if (GetFileAttributesA(out) == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_FILE_NOT_FOUND)
            return true;
    }
    out[0] = '\0';
    return false;
}

bool IsBitmapFile(const char* path)
{
    win::UniqueHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    char magic[2];
    DWORD got = 0;
    return file && ReadFile(file.get(), magic, 2, &got, nullptr) && got == 2 && magic[0] == 'B' && magic[1] == 'M';
}

AbortCheck SetAbortCheck(AbortCheck check)
{
    AbortCheck old = g_abortCheck;
    g_abortCheck = check;
    return old;
}

bool AbortRequested()
{
    return g_abortCheck ? g_abortCheck() : GetAsyncKeyState(VK_ESCAPE) != 0;
}

} // namespace batchui
