// Album files as the album reader reads them: records and images from the fuzzer's bytes, with a
// read that fails part-way when the last byte asks for it. Every image handed on must be a block
// of the record's size plus the reader's slack, and reading must stop where the rules say.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "album/AlbumRead.h"

namespace {

class MemorySource : public albumread::Source {
public:
    MemorySource(const uint8_t* data, size_t size, unsigned failAt) : data_(data), size_(size), failAt_(failAt) {}
    bool ReadAt(uint64_t offset, void* dst, size_t size, size_t* got) override
    {
        *got = 0;
        if (++reads_ == failAt_)
            return false;
        if (offset >= size_)
            return true;
        *got = size < size_ - offset ? size : size_t(size_ - offset);
        memcpy(dst, data_ + offset, *got);
        return true;
    }

private:
    const uint8_t* data_;
    size_t size_;
    unsigned failAt_;
    unsigned reads_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < sizeof(tagALBUMFILEHEADER) + 1)
        return 0;
    const unsigned failAt = data[size - 1] % 8; // 0: every read succeeds
    --size;
    tagALBUMFILEHEADER header;
    memcpy(&header, data, sizeof header);
    MemorySource source(data, size, failAt);
    int expected = 1;
    albumread::ReadThumbnails(source, size, header.dwCount, [&](tagALBUMINFOHEADER& rec, HGLOBAL image, int id) {
        if (id != expected++ || GlobalSize(image) != size_t(rec.dwDibSize) + albumread::kImageSlack ||
            rec.wReserved2 != 0 || !memchr(rec.szFileName, 0, sizeof rec.szFileName) ||
            !memchr(rec.szDescription, 0, sizeof rec.szDescription)) {
            fprintf(stderr, "the reader handed on a record or image it should not have\n");
            abort();
        }
        GlobalFree(image);
        return true;
    });
    return 0;
}
