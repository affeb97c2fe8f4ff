// ImgIoReadFile: picks a decoder from the file's first bytes. The six formats with a signature go
// to the platform's imaging component; PCX (recognisable by its header) and TGA (no signature:
// its extension, its 2.0 footer or the picker's choice says so) to our own decoders. Nothing
// else is tried, so an unknown file is refused the same way on every system.
#include "ImgIoInternal.h"

#include <wincodec.h>
#include <new>
#include <memory>
#include <string.h>

namespace imgio {
namespace {

constexpr size_t kProbeBytes = 128;

bool StartsWith(const uint8_t* p, size_t n, const void* sig, size_t sigBytes)
{
    return n >= sigBytes && memcmp(p, sig, sigBytes) == 0;
}

// The container format promised by a signature, or null.
const GUID* WicContainerOf(const uint8_t* p, size_t n)
{
    static const uint8_t png[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    static const uint8_t jpeg[] = {0xFF, 0xD8, 0xFF};
    static const uint8_t tiffLe[] = {'I', 'I', 42, 0};
    static const uint8_t tiffBe[] = {'M', 'M', 0, 42};
    static const uint8_t ico[] = {0, 0, 1, 0};
    if (StartsWith(p, n, "BM", 2) && n >= 26)
        return &GUID_ContainerFormatBmp;
    if (StartsWith(p, n, png, sizeof png))
        return &GUID_ContainerFormatPng;
    if (StartsWith(p, n, jpeg, sizeof jpeg))
        return &GUID_ContainerFormatJpeg;
    if (StartsWith(p, n, "GIF87a", 6) || StartsWith(p, n, "GIF89a", 6))
        return &GUID_ContainerFormatGif;
    if (StartsWith(p, n, tiffLe, sizeof tiffLe) || StartsWith(p, n, tiffBe, sizeof tiffBe))
        return &GUID_ContainerFormatTiff;
    if (StartsWith(p, n, ico, sizeof ico) && n >= 6 && ReadU16(p + 4) > 0)
        return &GUID_ContainerFormatIco;
    return nullptr;
}

bool HasTgaExtension(LPCSTR path)
{
    const char* dot = strrchr(path, '.');
    const char* slash = strrchr(path, '\\');
    const char* fwd = strrchr(path, '/');
    if (!dot || (slash && slash > dot) || (fwd && fwd > dot))
        return false;
    return lstrcmpiA(dot, ".tga") == 0 || lstrcmpiA(dot, ".vda") == 0 || lstrcmpiA(dot, ".icb") == 0 ||
           lstrcmpiA(dot, ".vst") == 0;
}

bool ReadExactly(HANDLE file, uint8_t* dst, size_t bytes)
{
    while (bytes > 0) {
        DWORD chunk = bytes > (1u << 24) ? (1u << 24) : DWORD(bytes);
        DWORD got = 0;
        if (!ReadFile(file, dst, chunk, &got, nullptr) || got == 0)
            return false;
        dst += got;
        bytes -= got;
    }
    return true;
}

// Whether the file ends with the TGA 2.0 footer; the file position is left after the first
// probeBytes bytes.
bool FooterSaysTga(HANDLE file, uint64_t size, size_t probeBytes)
{
    constexpr size_t kTail = 26;
    if (size < 18 + kTail)
        return false;
    uint8_t tail[18 + kTail] = {};
    LARGE_INTEGER at, back;
    at.QuadPart = LONGLONG(size - sizeof tail);
    back.QuadPart = LONGLONG(probeBytes);
    bool ok = SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && ReadExactly(file, tail, sizeof tail);
    if (!SetFilePointerEx(file, back, nullptr, FILE_BEGIN))
        return false;
    return ok && HasTgaFooter(tail, sizeof tail);
}

HGLOBAL Read(LPCSTR path, const IMGIOOPTIONS* options)
{
    if (!path || !*path)
        return nullptr;
    win::UniqueHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    // Only disk files: a device name such as CON or a pipe could block the caller forever.
    if (!file || GetFileType(file.get()) != FILE_TYPE_DISK)
        return nullptr;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0)
        return nullptr;

    uint8_t probe[kProbeBytes] = {};
    size_t probeBytes = size.QuadPart < LONGLONG(kProbeBytes) ? size_t(size.QuadPart) : kProbeBytes;
    if (!ReadExactly(file.get(), probe, probeBytes))
        return nullptr;

    if (const GUID* container = WicContainerOf(probe, probeBytes)) {
        int frame = 0;
        if (!PrecheckFile(file.get(), *container, &frame))
            return nullptr;
        file.reset();
        // A bitmap file with a full info header states its resolution exactly.
        bool bmpResolution = *container == GUID_ContainerFormatBmp && probeBytes >= 46 && ReadU32(probe + 14) >= 40;
        return DecodeWithWic(path, *container, frame, bmpResolution ? probe : nullptr);
    }

    bool pcx = LooksLikePcx(probe, probeBytes);
    if (!pcx && !LooksLikeTga(probe, probeBytes))
        return nullptr;
    // TGA has no signature: a plausible header alone is not enough to claim a file.
    if (!pcx && !HasTgaExtension(path) && !(options && options->dwFormat == DWORD(kFormatTga)) &&
        !FooterSaysTga(file.get(), uint64_t(size.QuadPart), probeBytes))
        return nullptr;
    if (uint64_t(size.QuadPart) > kMaxFileBytes)
        return nullptr;

    const size_t total = size_t(size.QuadPart);
    std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[total]);
    if (!data)
        return nullptr;
    memcpy(data.get(), probe, probeBytes);
    if (!ReadExactly(file.get(), data.get() + probeBytes, total - probeBytes))
        return nullptr;
    file.reset();

    return pcx ? DecodePcx(data.get(), total) : DecodeTga(data.get(), total);
}

} // namespace
} // namespace imgio

extern "C" IMGIO_API HGLOBAL WINAPI ImgIoReadFile(LPCSTR path, int reserved, IMGIOOPTIONS* options)
{
    return imgio::Read(path, options);
}
