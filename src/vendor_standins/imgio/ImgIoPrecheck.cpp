// Checks made on a file before the platform's decoder sees it.
// - JPEG, PNG and GIF must reach their end marker. The decoders show what they have of a cut-off
//   file (a JPEG's missing rows come out gray); we refuse such a file outright, so that a
//   half-copied or half-downloaded image never becomes a thumbnail.
// - The frame the decoder will produce is sized from the file's own headers and must be within
//   the decoding budget. The decoders trust those sizes: some decode the whole frame as soon as
//   they are handed the file (PNG, JPEG, GIF, icons), some overflow 32-bit sizes on the way, so a
//   check after the decoder has opened the file would come too late.
// - Headers the decoders would follow into huge allocations or missing data are refused: a TIFF
//   entry whose values lie outside the file, a GIF image with no colour table at all, an
//   uncompressed bitmap without all its rows.
#include "ImgIoInternal.h"

#include <algorithm>
#include <new>
#include <memory>
#include <vector>
#include <string.h>

namespace imgio {
namespace {

// Sequential reading through a buffer, with long skips done by moving the window.
class Reader {
public:
    explicit Reader(ByteSource& source) : source_(source), size_(source.Size()) {}
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    uint64_t Size() const { return size_; }
    uint64_t Position() const { return base_ + pos_; }

    bool Byte(uint8_t* b)
    {
        if (pos_ == len_ && !Refill())
            return false;
        *b = buf_[pos_++];
        return true;
    }

    bool Read(void* dst, size_t n)
    {
        auto* out = static_cast<uint8_t*>(dst);
        while (n > 0) {
            if (pos_ == len_ && !Refill())
                return false;
            size_t chunk = len_ - pos_ < n ? len_ - pos_ : n;
            memcpy(out, buf_ + pos_, chunk);
            pos_ += chunk;
            out += chunk;
            n -= chunk;
        }
        return true;
    }

    // To offset, which may be the end of the file but not beyond it.
    bool Seek(uint64_t offset)
    {
        if (offset > size_)
            return false;
        if (offset >= base_ && offset <= base_ + len_) {
            pos_ = size_t(offset - base_);
        } else {
            base_ = offset;
            pos_ = len_ = 0;
        }
        return true;
    }

    // False when the file ends first: it is cut short.
    bool Skip(uint64_t n) { return n <= size_ - Position() && Seek(Position() + n); }

private:
    bool Refill()
    {
        base_ += len_;
        pos_ = len_ = 0;
        const uint64_t left = size_ - base_;
        const size_t want = left < sizeof buf_ ? size_t(left) : sizeof buf_;
        if (want == 0 || ReadCancelled() || !source_.ReadAt(base_, buf_, want))
            return false;
        len_ = want;
        return true;
    }

    ByteSource& source_;
    const uint64_t size_;
    uint64_t base_ = 0; // file offset of buf_[0]
    size_t pos_ = 0;
    size_t len_ = 0;
    uint8_t buf_[32768];
};

uint32_t BigEndian32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}
uint16_t BigEndian16(const uint8_t* p) { return uint16_t((p[0] << 8) | p[1]); }

// The bitmap file's info header sizes the frame. RLE frames are held at 32 bits by the decoder.
bool BmpSound(Reader& r)
{
    uint8_t h[14 + 40];
    if (!r.Read(h, 18))
        return false;
    const uint32_t offBits = ReadU32(h + 10);
    const uint32_t infoSize = ReadU32(h + 14);
    FrameCost cost;
    unsigned bits = 0;
    uint32_t compression = BI_RGB;
    if (infoSize == 12) {
        if (!r.Read(h + 18, 8))
            return false;
        cost.width = ReadU16(h + 18);
        cost.height = ReadU16(h + 20);
        bits = ReadU16(h + 24);
    } else if (infoSize == 40 || infoSize == 52 || infoSize == 56 || infoSize == 64 || infoSize == 108 ||
               infoSize == 124) {
        if (!r.Read(h + 18, 36))
            return false;
        const int32_t w = int32_t(ReadU32(h + 18)), height = int32_t(ReadU32(h + 22));
        if (w <= 0 || height == 0 || height == INT32_MIN)
            return false;
        cost.width = uint64_t(w);
        cost.height = uint64_t(height < 0 ? -int64_t(height) : height);
        bits = ReadU16(h + 28);
        compression = ReadU32(h + 30);
    } else {
        return false;
    }

    bool allRows = true; // uncompressed: every row must be in the file
    cost.decodedBits = bits;
    switch (compression) {
    case BI_RGB:
        if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
            return false;
        break;
    case BI_RLE8:
    case BI_RLE4:
        if (bits != (compression == BI_RLE8 ? 8u : 4u))
            return false;
        allRows = false;
        cost.decodedBits = 32;
        break;
    case BI_BITFIELDS:
    case 6: // BI_ALPHABITFIELDS
        if (bits != 16 && bits != 32)
            return false;
        break;
    default: // embedded JPEG or PNG, or nothing we know
        return false;
    }
    if (!WithinBudget(cost) || offBits >= r.Size())
        return false;
    // Within the budget these products cannot overflow.
    const uint64_t stride = (cost.width * bits + 31) / 32 * 4;
    return !allRows || stride * cost.height <= r.Size() - offBits;
}

// IHDR sizes the frame; chunk by chunk to IEND. The decoder widens RGB with a transparent colour,
// and gray with alpha, to RGBA.
bool PngSound(Reader& r)
{
    uint8_t head[8 + 8 + 13];
    if (!r.Read(head, sizeof head) || BigEndian32(head + 8) != 13 || memcmp(head + 12, "IHDR", 4) != 0)
        return false;
    const uint8_t* ihdr = head + 16;
    const unsigned depth = ihdr[8], type = ihdr[9];
    bool depthOk = false;
    switch (type) {
    case 0: depthOk = depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16; break;
    case 3: depthOk = depth == 1 || depth == 2 || depth == 4 || depth == 8; break;
    case 2: case 4: case 6: depthOk = depth == 8 || depth == 16; break;
    }
    if (!depthOk || ihdr[10] != 0 || ihdr[11] != 0 || ihdr[12] > 1 || !r.Skip(4))
        return false;

    bool transparentColour = false, ended = false;
    uint8_t chunk[8];
    while (!ended && r.Read(chunk, sizeof chunk)) {
        const uint32_t length = BigEndian32(chunk);
        if (length > 0x7FFFFFFFu || !r.Skip(uint64_t(length) + 4))
            return false;
        transparentColour = transparentColour || memcmp(chunk + 4, "tRNS", 4) == 0;
        ended = memcmp(chunk + 4, "IEND", 4) == 0;
    }
    if (!ended)
        return false;

    FrameCost cost;
    cost.width = BigEndian32(ihdr);
    cost.height = BigEndian32(ihdr + 4);
    switch (type) {
    case 0: cost.decodedBits = transparentColour && depth == 16 ? 64 : depth; break;
    case 2: cost.decodedBits = (transparentColour ? 4 : 3) * depth; break;
    case 3: cost.decodedBits = depth; break;
    default: cost.decodedBits = 4 * depth; break;
    }
    return WithinBudget(cost);
}

bool IsFrameMarker(uint8_t m) { return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC; }

// Marker segments, and the entropy-coded data after each start of scan, to EOI. The one frame
// header sizes the frame. The decoder holds the whole frame as coefficients (two bytes per
// sample) when the image comes in more than one scan: progressive, or a first scan without all
// the frame's components (it decides that at the first scan). Each scan costs the decoder a pass
// over the blocks it covers, however few bytes it has: their sum is held to a few passes over the
// frame (JpegScanWorkLimit).
bool JpegSound(Reader& r, DecodePlan* plan)
{
    uint8_t b[2];
    if (!r.Read(b, 2) || b[0] != 0xFF || b[1] != 0xD8)
        return false;
    FrameCost cost;
    cost.scale = plan->scale;
    bool haveFrame = false, progressive = false;
    struct Component {
        uint8_t id;
        unsigned h, v;
    } component[4] = {};
    unsigned components = 0, firstScanComponents = 0, scans = 0, samples = 0, maxH = 1, maxV = 1;
    uint64_t mcusPerRow = 0, iMcuRows = 0, scanWork = 0, workLimit = 0;
    uint8_t marker = 0;
    bool haveMarker = false;
    for (;;) {
        if (!haveMarker) {
            uint8_t c;
            if (!r.Byte(&c) || c != 0xFF)
                return false;
            do {
                if (!r.Byte(&marker))
                    return false;
            } while (marker == 0xFF);
        }
        haveMarker = false;
        if (marker == 0xD9)
            break;
        if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01)
            continue;
        uint8_t len[2];
        if (!r.Read(len, 2))
            return false;
        const unsigned length = BigEndian16(len);
        if (length < 2)
            return false;
        if (IsFrameMarker(marker)) {
            // Precision, height, width, components (1 to 4, three bytes each).
            uint8_t sof[6 + 3 * 4];
            if (haveFrame || length < 8 || !r.Read(sof, 6))
                return false;
            components = sof[5];
            if (components < 1 || components > 4 || length != 8 + 3 * components || !r.Read(sof + 6, 3 * components))
                return false;
            for (unsigned i = 0; i < components; ++i) {
                const unsigned h = sof[6 + 3 * i + 1] >> 4, v = sof[6 + 3 * i + 1] & 15;
                if (h < 1 || h > 4 || v < 1 || v > 4)
                    return false;
                component[i] = Component{sof[6 + 3 * i], h, v};
                samples += h * v;
                maxH = h > maxH ? h : maxH;
                maxV = v > maxV ? v : maxV;
            }
            haveFrame = true;
            progressive = marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
            cost.height = BigEndian16(sof + 1); // 0 (the height comes later, in a DNL) is refused
            cost.width = BigEndian16(sof + 3);
            cost.decodedBits = (sof[0] > 8 ? 16 : 8) * components;
            mcusPerRow = (cost.width + 8 * maxH - 1) / (8 * maxH);
            iMcuRows = (cost.height + 8 * maxV - 1) / (8 * maxV);
            workLimit = JpegScanWorkLimit(iMcuRows * mcusPerRow * samples);
            continue;
        }
        if (marker != 0xDA) {
            if (!r.Skip(length - 2))
                return false;
            continue;
        }
        // Start of scan: its components (each of the frame's, once), then three bytes.
        uint8_t sos[1 + 2 * 4 + 3];
        if (!haveFrame || length < 3 || !r.Read(sos, 1) || sos[0] < 1 || sos[0] > 4 || length != 6 + 2u * sos[0] ||
            !r.Read(sos + 1, length - 3))
            return false;
        const unsigned inScan = sos[0];
        unsigned used = 0, blocksPerMcu = 0;
        uint64_t blocksPerRow = 0;
        for (unsigned i = 0; i < inScan; ++i) {
            unsigned k = 0;
            while (k < components && component[k].id != sos[1 + 2 * i])
                ++k;
            if (k == components || (used & (1u << k)))
                return false;
            used |= 1u << k;
            const Component& c = component[k];
            blocksPerMcu += c.h * c.v;
            // A scan of one component goes over its own blocks, v rows of them per row of MCUs.
            const uint64_t samplesWide = (cost.width * c.h + maxH - 1) / maxH;
            blocksPerRow = (samplesWide + 7) / 8 * c.v;
        }
        if (inScan > 1) {
            if (blocksPerMcu > 10) // more than the decoder takes in one MCU
                return false;
            blocksPerRow = mcusPerRow * blocksPerMcu;
        }
        if (scans++ == 0)
            firstScanComponents = inScan;
        scanWork += iMcuRows * blocksPerRow;
        if (scanWork > workLimit)
            return false;
        // Scan data: 0xFF is followed by 0 (a stuffed byte), a restart marker, more 0xFF fill,
        // or the next marker.
        uint8_t c;
        for (;;) {
            if (!r.Byte(&c))
                return false;
            if (c != 0xFF)
                continue;
            do {
                if (!r.Byte(&c))
                    return false;
            } while (c == 0xFF);
            if (c == 0 || (c >= 0xD0 && c <= 0xD7))
                continue;
            marker = c;
            haveMarker = true;
            break;
        }
    }
    if (!haveFrame || scans == 0)
        return false;
    if (progressive || firstScanComponents < components || scans > 1) {
        // Two bytes a coefficient, 64 to a block, every block of the frame's whole MCUs.
        cost.storedBits = (16 * samples + maxH * maxV - 1) / (maxH * maxV);
        cost.storedWidth = mcusPerRow * 8 * maxH;
        cost.storedHeight = iMcuRows * 8 * maxV;
    }
    if (!WithinBudget(cost))
        return false;
    plan->decoderBytes = DecoderBytes(cost);
    plan->workingBytes = uint64_t(components) * (mcusPerRow * 8 * maxH) * (8 * maxV) * 4;
    return true;
}

bool SkipSubBlocks(Reader& r)
{
    uint8_t n;
    for (;;) {
        if (!r.Byte(&n))
            return false;
        if (n == 0)
            return true;
        if (!r.Skip(n))
            return false;
    }
}

// Extensions and images to the trailer. The decoder holds every image at a byte per pixel at
// once, and gives the first one its own palette or the screen's: one of them must be there.
bool GifSound(Reader& r)
{
    uint8_t screen[13];
    if (!r.Read(screen, sizeof screen))
        return false;
    if (uint64_t(ReadU16(screen + 6)) * ReadU16(screen + 8) > kMaxDecodedPixels)
        return false;
    const bool globalTable = (screen[10] & 0x80) != 0;
    if (globalTable && !r.Skip(3u << ((screen[10] & 7) + 1)))
        return false;
    unsigned images = 0;
    uint64_t heldBytes = 0;
    for (;;) {
        uint8_t kind;
        if (!r.Byte(&kind))
            return false;
        if (kind == 0x3B)
            return images > 0;
        if (kind == 0x21) {
            uint8_t label;
            if (!r.Byte(&label) || !SkipSubBlocks(r))
                return false;
        } else if (kind == 0x2C) {
            uint8_t desc[9];
            if (!r.Read(desc, sizeof desc))
                return false;
            FrameCost cost;
            cost.width = ReadU16(desc + 4);
            cost.height = ReadU16(desc + 6);
            cost.decodedBits = 8;
            heldBytes += cost.width * cost.height;
            const bool localTable = (desc[8] & 0x80) != 0;
            if ((images++ == 0 && !WithinBudget(cost)) || heldBytes > kMaxDecoderBytes || !(localTable || globalTable))
                return false;
            if (localTable && !r.Skip(3u << ((desc[8] & 7) + 1)))
                return false;
            uint8_t codeSize;
            if (!r.Byte(&codeSize) || !SkipSubBlocks(r))
                return false;
        } else {
            return false;
        }
    }
}

// The decoder walks the whole chain of directories before it decodes the first one: a chain that
// comes back to a directory, or runs longer than any sane file, would keep it busy for seconds.
// The walk ends where the chain does, or where it leaves the file.
bool TiffChainSound(Reader& r, uint32_t first, bool little)
{
    constexpr size_t kMaxDirectories = 1000;
    auto u16 = [little](const uint8_t* p) { return little ? ReadU16(p) : BigEndian16(p); };
    auto u32 = [little](const uint8_t* p) { return little ? ReadU32(p) : BigEndian32(p); };
    std::vector<uint32_t> seen(1, first);
    uint8_t link[4];
    if (!r.Read(link, sizeof link))
        return true;
    for (uint32_t next = u32(link); next != 0; next = u32(link)) {
        if (std::find(seen.begin(), seen.end(), next) != seen.end() || seen.size() == kMaxDirectories)
            return false;
        seen.push_back(next);
        uint8_t count[2];
        if (!r.Seek(next) || !r.Read(count, sizeof count) || !r.Skip(12ull * u16(count)) || !r.Read(link, sizeof link))
            return true;
    }
    return true;
}

// The first directory sizes the frame; its entries' values must lie inside the file (the
// decoder allocates and reads whatever count an entry declares).
bool TiffSound(Reader& r)
{
    constexpr unsigned kMaxSamples = 16; // samples per pixel, far more than any image has
    uint8_t head[8];
    if (!r.Read(head, sizeof head))
        return false;
    const bool little = head[0] == 'I';
    auto u16 = [little](const uint8_t* p) { return little ? ReadU16(p) : BigEndian16(p); };
    auto u32 = [little](const uint8_t* p) { return little ? ReadU32(p) : BigEndian32(p); };
    const uint64_t size = r.Size();
    const uint32_t ifd = u32(head + 4);
    uint8_t countBytes[2];
    if (ifd < 8 || !r.Seek(ifd) || !r.Read(countBytes, 2))
        return false;
    const unsigned count = u16(countBytes);
    if (count == 0 || 12ull * count > size - r.Position())
        return false;

    FrameCost cost;
    unsigned samplesPerPixel = 1, maxBitsPerSample = 1;
    for (unsigned i = 0; i < count; ++i) {
        uint8_t e[12];
        if (!r.Read(e, sizeof e))
            return false;
        static const uint8_t kTypeBytes[14] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
        const unsigned tag = u16(e), type = u16(e + 2);
        const uint32_t values = u32(e + 4);
        const uint64_t bytes = uint64_t(values) * (type < 14 ? kTypeBytes[type] : 0);
        const uint32_t offset = u32(e + 8);
        if (bytes > 4 && (offset > size || bytes > size - offset))
            return false;
        // Short and long values stand left-justified in the entry when they fit.
        const uint32_t first = type == 3 ? u16(e + 8) : type == 4 ? u32(e + 8) : 0;
        if ((tag == 256 || tag == 257 || tag == 277) && (values == 0 || (type != 3 && type != 4)))
            return false;
        if (tag == 256)
            cost.width = first;
        else if (tag == 257)
            cost.height = first;
        else if (tag == 277)
            samplesPerPixel = first;
        else if (tag == 258) {
            // Shorts as the format says; some writers use longs.
            if ((type != 3 && type != 4) || values == 0 || values > kMaxSamples)
                return false;
            const unsigned size = type == 3 ? 2 : 4;
            uint8_t all[4 * kMaxSamples];
            const uint64_t back = r.Position();
            if (bytes <= 4)
                memcpy(all, e + 8, 4);
            else if (!r.Seek(offset) || !r.Read(all, size_t(bytes)) || !r.Seek(back))
                return false;
            maxBitsPerSample = 0;
            for (unsigned k = 0; k < values; ++k) {
                const uint32_t bits = size == 2 ? u16(all + 2 * k) : u32(all + 4 * k);
                maxBitsPerSample = bits > maxBitsPerSample ? unsigned(bits > 1024 ? 1024 : bits) : maxBitsPerSample;
            }
        }
    }
    if (samplesPerPixel < 1 || samplesPerPixel > kMaxSamples || maxBitsPerSample < 1 || maxBitsPerSample > 64)
        return false;
    cost.decodedBits = samplesPerPixel * maxBitsPerSample;
    return WithinBudget(cost) && TiffChainSound(r, ifd, little);
}

// The largest icon image with a sound header; -1 when any entry is unsound.
int LargestIconImage(Reader& r)
{
    constexpr uint32_t kMaxIconSide = 4096;
    const uint64_t size = r.Size();
    uint8_t dir[6];
    if (!r.Read(dir, sizeof dir))
        return -1;
    const unsigned count = ReadU16(dir + 4);
    if (count == 0 || size < 6 + 16ull * count)
        return -1;
    // The directory first (it is contiguous), then each image's header.
    struct Entry { uint32_t bytes, offset; };
    std::unique_ptr<Entry[]> list(new (std::nothrow) Entry[count]);
    if (!list)
        return -1;
    for (unsigned i = 0; i < count; ++i) {
        uint8_t entry[16];
        if (!r.Read(entry, sizeof entry))
            return -1;
        list[i] = Entry{ReadU32(entry + 8), ReadU32(entry + 12)};
    }
    int best = -1;
    uint64_t bestArea = 0;
    for (unsigned i = 0; i < count; ++i) {
        const Entry& e = list[i];
        if (e.bytes < 40 || e.offset < 6 + 16ull * count || uint64_t(e.offset) + e.bytes > size)
            return -1;
        uint8_t head[40];
        if (!r.Seek(e.offset) || !r.Read(head, sizeof head))
            return -1;
        uint32_t w = 0, h = 0;
        static const uint8_t png[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
        if (memcmp(head, png, 8) == 0) {
            w = BigEndian32(head + 16);
            h = BigEndian32(head + 20);
        } else {
            // A bitmap header: colour rows and mask rows, so twice the image's height.
            uint32_t headerSize = ReadU32(head);
            int32_t bw = int32_t(ReadU32(head + 4)), bh = int32_t(ReadU32(head + 8));
            uint16_t bits = ReadU16(head + 14);
            uint32_t colours = ReadU32(head + 32);
            if (headerSize < 40 || headerSize > e.bytes || bw <= 0 || bh < 2)
                return -1;
            if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
                return -1;
            w = uint32_t(bw);
            h = uint32_t(bh) / 2;
            uint64_t palette = bits <= 8 ? uint64_t(colours && colours < (1u << bits) ? colours : 1u << bits) * 4 : 0;
            uint64_t colourRows = ((uint64_t(w) * bits + 31) / 32) * 4 * h;
            if (headerSize + palette + colourRows > e.bytes)
                return -1;
        }
        if (w == 0 || h == 0 || w > kMaxIconSide || h > kMaxIconSide)
            return -1;
        if (uint64_t(w) * h > bestArea) {
            bestArea = uint64_t(w) * h;
            best = int(i);
        }
    }
    return best;
}

bool StartsWith(const uint8_t* p, size_t n, const void* sig, size_t sigBytes)
{
    return n >= sigBytes && memcmp(p, sig, sigBytes) == 0;
}

} // namespace

bool MemorySource::ReadAt(uint64_t offset, void* dst, size_t n)
{
    if (offset > size_ || n > size_ - offset)
        return false;
    memcpy(dst, data_ + offset, n);
    return true;
}

Container ContainerOf(const uint8_t* p, size_t n)
{
    static const uint8_t png[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    static const uint8_t jpeg[] = {0xFF, 0xD8, 0xFF};
    static const uint8_t tiffLe[] = {'I', 'I', 42, 0};
    static const uint8_t tiffBe[] = {'M', 'M', 0, 42};
    static const uint8_t ico[] = {0, 0, 1, 0};
    if (StartsWith(p, n, "BM", 2) && n >= 26)
        return Container::Bmp;
    if (StartsWith(p, n, png, sizeof png))
        return Container::Png;
    if (StartsWith(p, n, jpeg, sizeof jpeg))
        return Container::Jpeg;
    if (StartsWith(p, n, "GIF87a", 6) || StartsWith(p, n, "GIF89a", 6))
        return Container::Gif;
    if (StartsWith(p, n, tiffLe, sizeof tiffLe) || StartsWith(p, n, tiffBe, sizeof tiffBe))
        return Container::Tiff;
    if (StartsWith(p, n, ico, sizeof ico) && n >= 6 && ReadU16(p + 4) > 0)
        return Container::Ico;
    return Container::None;
}

bool PrecheckFile(ByteSource& file, Container container, DecodePlan* plan)
{
    plan->frame = 0;
    plan->decoderBytes = plan->workingBytes = 0;
    Reader r(file);
    switch (container) {
    case Container::Bmp: return BmpSound(r);
    case Container::Png: return PngSound(r);
    case Container::Jpeg: return JpegSound(r, plan);
    case Container::Gif: return GifSound(r);
    case Container::Tiff: return TiffSound(r);
    case Container::Ico: return (plan->frame = LargestIconImage(r)) >= 0;
    case Container::None: break;
    }
    return false;
}

} // namespace imgio
