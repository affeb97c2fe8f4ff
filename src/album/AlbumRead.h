// The record-and-image reading of album files, apart from files and documents: it reads from any
// source of bytes and hands every thumbnail it could read to a sink, so that damaged and hostile
// files can be driven through it directly.
#pragma once

#include <windows.h>
#include <stdint.h>
#include <stddef.h>
#include <functional>
#include "album/AlbumFile.h"

namespace albumread {

// Bytes of an album file by position.
class Source {
public:
    virtual ~Source() = default;
    // Reads up to size bytes at offset; got receives how many arrived (fewer at the end of the
    // data). False when the read itself failed, which is not the end of the data.
    virtual bool ReadAt(uint64_t offset, void* dst, size_t size, size_t* got) = 0;
};

// Why reading stopped.
enum class Stop {
    Complete,   // every announced record was read
    FileEnded,  // the data ended inside the records or before an image: an honest truncation
    ReadFailed, // a read failed (bad sector, dropped share): what was read is not the whole album
    Refused,    // a size the file cannot back
    OutOfMemory // a block or a thumbnail could not be had
};

// The largest image that may be cut by the end of the file. A cut image's block keeps its
// declared size, so this bounds what a damaged size can make the reader hold and a save write; it
// lies above any thumbnail (abmtool's largest box, 1024 pixels a side at 24 bits, is 3 MiB), so an
// album cut inside its last image still loads up to that image. A cut image whose header can be
// read may besides declare no more than that header spans, plus kDibSizeSlack. (The fuzz build
// lowers the cap so that its runs stay quick.)
#ifndef ALBUM_MAX_CUT_IMAGE_BYTES
#define ALBUM_MAX_CUT_IMAGE_BYTES (4ull << 20)
#endif
constexpr uint64_t kMaxCutImageBytes = ALBUM_MAX_CUT_IMAGE_BYTES;
// How much more than its bitmap a record's image size may say: the size of the block that held
// the image, which the allocator may have rounded up.
constexpr uint64_t kDibSizeSlack = 64;
// The reader allocates this much more than each stored image.
constexpr size_t kImageSlack = 10;

// Takes over one record (with its text fields terminated and wReserved2 cleared) and its image
// block, identifier = 1-based position. Returns false when it could not (out of memory); it then
// frees the block itself.
using Sink = std::function<bool(tagALBUMINFOHEADER& record, HGLOBAL image, int identifier)>;

// Reads up to count records and their images from an album file of fileSize bytes whose header
// has been read.
Stop ReadThumbnails(Source& source, uint64_t fileSize, uint32_t count, const Sink& sink);

// Whether a block of size plus the reader's slack can be asked for in a process whose sizes are
// SizeT (a 32-bit process cannot take an image of nearly 4 GiB and 10 bytes more).
template <class SizeT>
constexpr bool FitsWithSlack(uint64_t size)
{
    return size <= uint64_t(SizeT(~SizeT(0))) - kImageSlack;
}

// Whether Load reads back a thumbnail of this image size once it is written.
inline bool ImageSizeReadable(DWORD dibSize) { return dibSize != 0; }

} // namespace albumread
