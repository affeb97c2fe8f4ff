// ImgIoReadFile: picks a decoder from the file's first bytes. The six formats with a signature go
// to the platform's imaging component; PCX (recognisable by its header) and TGA (no signature:
// its extension, its 2.0 footer or the picker's choice says so) to our own decoders. Nothing
// else is tried, so an unknown file is refused the same way on every system.
#include "ImgIoInternal.h"

#include <new>
#include <memory>
#include <vector>
#include <string.h>

namespace imgio {
namespace {

constexpr size_t kProbeBytes = 128;

// The open file, read by offset; its size as it was when it was opened (nobody can write to it
// while we hold it).
class HandleSource : public ByteSource {
public:
    HandleSource(HANDLE file, uint64_t size) : file_(file), size_(size) {}
    uint64_t Size() const override { return size_; }
    bool ReadAt(uint64_t offset, void* dst, size_t n) override
    {
        if (offset > size_ || n > size_ - offset)
            return false;
        auto* out = static_cast<uint8_t*>(dst);
        while (n > 0) {
            OVERLAPPED at = {};
            at.Offset = DWORD(offset);
            at.OffsetHigh = DWORD(offset >> 32);
            const DWORD chunk = n > (1u << 24) ? (1u << 24) : DWORD(n);
            DWORD got = 0;
            if (ReadCancelled() || !ReadFile(file_, out, chunk, &got, &at) || got == 0)
                return false;
            out += got;
            offset += got;
            n -= got;
        }
        return true;
    }

private:
    HANDLE file_;
    uint64_t size_;
};

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

// Whether the file ends with the TGA 2.0 footer.
bool FooterSaysTga(ByteSource& file)
{
    constexpr size_t kTail = 18 + 26;
    uint8_t tail[kTail] = {};
    return file.Size() >= kTail && file.ReadAt(file.Size() - kTail, tail, kTail) && HasTgaFooter(tail, kTail);
}

// A whole file's bytes in a buffer the calling thread keeps for its next file: a fresh block of
// several megabytes for every photo costs a mapping and a page fault per page, a good part of a
// reduced decode under Wine (and every worker pays it at once). Buffers beyond kKeptBytes are
// given back after use; a thread's buffer goes with the thread.
class ThreadFileBuffer {
public:
    explicit ThreadFileBuffer(size_t size)
    {
        if (size == 0)
            return;
        try {
            if (buffer_.size() < size)
                buffer_.resize(size);
            data_ = buffer_.data();
        } catch (...) {
            Release();
        }
    }
    ~ThreadFileBuffer()
    {
        if (buffer_.size() > kKeptBytes)
            Release();
    }
    ThreadFileBuffer(const ThreadFileBuffer&) = delete;
    ThreadFileBuffer& operator=(const ThreadFileBuffer&) = delete;
    uint8_t* get() const { return data_; }
    explicit operator bool() const { return data_ != nullptr; }

private:
    static constexpr size_t kKeptBytes = size_t(32) << 20;
    static void Release() { std::vector<uint8_t>().swap(buffer_); }
    static thread_local std::vector<uint8_t> buffer_;
    uint8_t* data_ = nullptr;
};

thread_local std::vector<uint8_t> ThreadFileBuffer::buffer_;

// A JPEG file, read whole when the library can decode it (ReadJpegBytes), else by the platform's
// decoder at full size. The file stays open.
HGLOBAL ReadJpeg(LPCSTR path, HANDLE file, ByteSource& onDisk, IMGIOSIZEDREAD* request)
{
    const uint64_t size = onDisk.Size();
    ThreadFileBuffer data(HaveJpegDecoder() && size <= kMaxFileBytes ? size_t(size) : 0);
    if (data) {
        if (!onDisk.ReadAt(0, data.get(), size_t(size)))
            return nullptr;
        HGLOBAL image = nullptr;
        if (ReadJpegBytes(path, data.get(), size_t(size), request, &image) != JpegResult::Unsupported)
            return image;
    }
    // The platform's decoder, at full size: held to the budget at that size.
    MemorySource inMemory(data.get(), data ? size_t(size) : 0);
    ByteSource& bytes = data ? static_cast<ByteSource&>(inMemory) : onDisk;
    JpegHeaders h;
    const bool headers = ReadJpegHeaders(bytes, &h);
    if (!headers)
        h = JpegHeaders(); // the checks below decide; turned by nothing
    DecodePlan plan;
    if (!PrecheckFile(bytes, Container::Jpeg, &plan))
        return nullptr;
    if (!data)
        BeforeDecode(path);
    HGLOBAL image = OrientImage(DecodeWithWic(file, Container::Jpeg, plan, nullptr), h.orientation);
    if (image && request) {
        request->nReduction = 1;
        if (headers)
            OrientedSize(h.orientation, h.width, h.height, &request->nImageWidth, &request->nImageHeight);
        else // what the headers could not say, the image does
            SizeOf(image, &request->nImageWidth, &request->nImageHeight);
    }
    return image;
}

HGLOBAL Read(LPCSTR path, const IMGIOOPTIONS* options, IMGIOSIZEDREAD* request)
{
    if (!path || !*path)
        return nullptr;
    // Others may read the file while we do, nobody may write, rename or delete it: what is
    // checked here is what gets decoded, from this same handle.
    win::UniqueHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    // Only disk files: a device name such as CON or a pipe could block the caller forever.
    if (!file || GetFileType(file.get()) != FILE_TYPE_DISK)
        return nullptr;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0)
        return nullptr;
    HandleSource source(file.get(), uint64_t(size.QuadPart));

    uint8_t probe[kProbeBytes] = {};
    const size_t probeBytes = size.QuadPart < LONGLONG(kProbeBytes) ? size_t(size.QuadPart) : kProbeBytes;
    if (!source.ReadAt(0, probe, probeBytes))
        return nullptr;

    const Container container = ContainerOf(probe, probeBytes);
    if (container == Container::Jpeg)
        return ReadJpeg(path, file.get(), source, request);
    HGLOBAL image = nullptr;
    if (container != Container::None) {
        DecodePlan plan;
        if (!PrecheckFile(source, container, &plan))
            return nullptr;
        BeforeDecode(path);
        // A bitmap file with a full info header states its resolution exactly.
        const bool bmpResolution = container == Container::Bmp && probeBytes >= 46 && ReadU32(probe + 14) >= 40;
        image = DecodeWithWic(file.get(), container, plan, bmpResolution ? probe : nullptr);
    } else {
        FrameCost cost;
        const bool pcx = LooksLikePcx(probe, probeBytes, &cost);
        if (!pcx && !LooksLikeTga(probe, probeBytes, &cost))
            return nullptr;
        // TGA has no signature: a plausible header alone is not enough to claim a file.
        if (!pcx && !HasTgaExtension(path) && !(options && options->dwFormat == DWORD(kFormatTga)) &&
            !FooterSaysTga(source))
            return nullptr;
        // Refused from the header, before the file is read whole.
        if (!WithinBudget(cost) || uint64_t(size.QuadPart) > kMaxFileBytes)
            return nullptr;

        const size_t total = size_t(size.QuadPart);
        std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[total]);
        if (!data || !source.ReadAt(0, data.get(), total))
            return nullptr;
        file.reset();
        image = pcx ? DecodePcx(data.get(), total) : DecodeTga(data.get(), total);
    }
    if (image && request) {
        SizeOf(image, &request->nImageWidth, &request->nImageHeight);
        request->nReduction = 1;
    }
    return image;
}

} // namespace

} // namespace imgio

extern "C" IMGIO_API HGLOBAL WINAPI ImgIoReadFile(LPCSTR path, int reserved, IMGIOOPTIONS* options)
{
    return imgio::Read(path, options, nullptr);
}

extern "C" IMGIO_API HGLOBAL WINAPI ImgIoReadFileSized(LPCSTR path, int reserved, IMGIOOPTIONS* options,
                                                       IMGIOSIZEDREAD* request)
{
    if (request && request->dwSize != sizeof(IMGIOSIZEDREAD))
        return nullptr;
    return imgio::Read(path, options, request);
}

extern "C" IMGIO_API const char* WINAPI ImgIoJpegDecoder(void) { return imgio::JpegDecoderName(); }
