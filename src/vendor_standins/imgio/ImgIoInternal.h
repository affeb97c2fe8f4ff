// Pieces shared by the ImgIO sources: the output bitmap builder, COM scopes, the decoders and the
// format table. Nothing here is exported.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <stddef.h>
#include <stdint.h>
#include "imgio.h"
#include "win/Handles.h"

namespace imgio {

// Pixel data beyond this is refused: no album or editor use needs it, and a hostile header
// must not make us allocate gigabytes.
constexpr uint64_t kMaxImageBytes = uint64_t(1) << 30;
// Files our own decoders read whole; the largest legitimate one is an uncompressed 32-bit image
// whose 24-bit result just fits.
constexpr uint64_t kMaxFileBytes = kMaxImageBytes / 3 * 4 + (uint64_t(1) << 20);

// Builds the packed bottom-up bitmap in a new movable block, locked while it is being filled.
class DibWriter {
public:
    DibWriter() = default;
    ~DibWriter();
    DibWriter(const DibWriter&) = delete;
    DibWriter& operator=(const DibWriter&) = delete;

    // A zeroed bitmap of the given size and depth with room for paletteEntries colours.
    // False for depths other than 1, 4, 8, 24, for empty or oversized images, or without memory.
    bool Create(uint32_t width, uint32_t height, uint16_t bitCount, uint32_t paletteEntries);
    void SetResolution(int32_t xPelsPerMeter, int32_t yPelsPerMeter);

    RGBQUAD* Palette() const { return palette_; }
    // Row y of the picture counted from its top (stored bottom-up).
    uint8_t* Row(uint32_t y) const { return bits_ + size_t(height_ - 1 - y) * stride_; }
    size_t Stride() const { return stride_; }
    uint32_t Width() const { return width_; }
    uint32_t Height() const { return height_; }

    // Unlocks and hands over the block.
    HGLOBAL Finish();

private:
    win::GlobalBlock block_;
    BITMAPINFOHEADER* header_ = nullptr;
    RGBQUAD* palette_ = nullptr;
    uint8_t* bits_ = nullptr;
    size_t stride_ = 0;
    uint32_t width_ = 0;
    uint32_t height_ = 0;
};

// One colour component with alpha laid over white.
inline uint8_t OverWhite(uint8_t c, uint8_t a)
{
    return uint8_t((unsigned(c) * a + 255u * (255u - a) + 127u) / 255u);
}

// Pixels per metre for a resolution in dots per inch; 0 when it is not a usable value.
int32_t PelsPerMeterFromDpi(double dpi);

inline uint16_t ReadU16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t ReadU32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// COM for the calling thread for the lifetime of the scope. A thread that already runs in a
// multithreaded apartment keeps it (and nothing is undone at the end).
class ComScope {
public:
    ComScope() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() { if (SUCCEEDED(hr_)) CoUninitialize(); }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    bool Usable() const { return SUCCEEDED(hr_) || hr_ == RPC_E_CHANGED_MODE; }

private:
    HRESULT hr_;
};

// Owner of one COM interface reference.
template <class T>
class ComRef {
public:
    ComRef() = default;
    ~ComRef() { Reset(); }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    T** Put() { Reset(); return &p_; }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }
    explicit operator bool() const { return p_ != nullptr; }
    void Reset() { if (p_) { p_->Release(); p_ = nullptr; } }

private:
    T* p_ = nullptr;
};

// Decoders. Each returns the new image block or null; none reads outside [data, data + size).
HGLOBAL DecodeTga(const uint8_t* data, size_t size);
HGLOBAL DecodePcx(const uint8_t* data, size_t size);
// Decodes frame of path with the platform's imaging component, insisting on the given container
// format. bmpHeader, when given, holds the first 46 bytes of a bitmap file with an info header of
// 40 bytes or more (for its exact resolution).
HGLOBAL DecodeWithWic(LPCSTR path, const GUID& container, int frame, const uint8_t* bmpHeader);

// Checks an open file of the given container format before it is decoded: JPEG, PNG and GIF
// must reach their end marker, an icon's headers must be sound. frame receives the frame to
// decode (an icon's largest image, otherwise 0).
bool PrecheckFile(HANDLE file, const GUID& container, int* frame);

// Header checks used to pick a decoder from a file's first bytes (at least 18 / 128 bytes).
bool LooksLikeTga(const uint8_t* header, size_t size);
bool LooksLikePcx(const uint8_t* header, size_t size);
// Whether the TGA 2.0 signature ends the data.
bool HasTgaFooter(const uint8_t* data, size_t size);

// The supported formats in list order; index 0 stands for all of them.
enum FormatIndex : int {
    kFormatAll = IMGIO_INDEX_ALL,
    kFormatBmp = IMGIO_INDEX_BMP,
    kFormatJpeg = IMGIO_INDEX_JPEG,
    kFormatPng = IMGIO_INDEX_PNG,
    kFormatGif = IMGIO_INDEX_GIF,
    kFormatTiff = IMGIO_INDEX_TIFF,
    kFormatIco = IMGIO_INDEX_ICO,
    kFormatTga = IMGIO_INDEX_TGA,
    kFormatPcx = IMGIO_INDEX_PCX,
    kFormatCount
};

struct FormatInfo {
    const char* label;    // combo box and dialog text
    const char* pattern;  // the pattern ImgIoFormatFilter reports, "*.BMP"
    const char* patterns; // what the file dialog matches, "*.bmp;*.dib"
    DWORD maskBit;        // bit in a format mask (0 for the "all" entry)
};

const FormatInfo& Format(int index);
// Whether a caller's format mask admits format index (a mask naming no known format admits all).
bool MaskAdmits(DWORD mask, int index);

} // namespace imgio
