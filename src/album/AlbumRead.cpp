#include "album/AlbumRead.h"

#include <string.h>
#include <algorithm>
#include <vector>
#include "win/Dib.h"
#include "win/Handles.h"

namespace albumread {

namespace {

constexpr uint64_t kHeaderSize = sizeof(tagALBUMFILEHEADER);
constexpr uint64_t kRecordSize = sizeof(tagALBUMINFOHEADER);
constexpr size_t kRecordBatch = 512;

// Limits what a damaged or hostile file can make the reader allocate. Complete images must lie in
// the file and together be no larger than it (a writer never overlaps them); one image may be cut
// by the end of the file, as in a truncated album, up to cutLimit.
class ImageBudget {
public:
    explicit ImageBudget(uint64_t fileSize) : fileSize_(fileSize) {}
    bool Accept(uint64_t start, uint64_t size, uint64_t cutLimit)
    {
        if (start + size > fileSize_) {
            if (cutSeen_ || size > cutLimit)
                return false;
            cutSeen_ = true;
            return true;
        }
        if (completeBytes_ + size > fileSize_)
            return false;
        completeBytes_ += size;
        return true;
    }

private:
    uint64_t fileSize_;
    uint64_t completeBytes_ = 0;
    bool cutSeen_ = false;
};

// The most an image cut by the end of the file may declare: what its own bitmap header spans and
// the few bytes a record may add, never more than a thumbnail can be. Its block keeps the declared
// size, and a save writes it whole: a damaged record must not make a small album a huge one.
uint64_t CutImageLimit(Source& source, uint64_t start, uint64_t fileSize)
{
    BITMAPINFOHEADER header;
    size_t got = 0;
    if (fileSize - start < sizeof header || !source.ReadAt(start, &header, sizeof header, &got) ||
        got != sizeof header)
        return kMaxCutImageBytes; // too little is left to tell
    const uint64_t extent = dib::DeclaredExtent(&header, sizeof header);
    return extent ? std::min(extent + kDibSizeSlack, kMaxCutImageBytes) : kMaxCutImageBytes;
}

enum class ImageRead { Ok, Empty, Failed };

// Reads one image into its block of size + slack bytes, the unread rest zero.
ImageRead ReadImage(Source& source, uint64_t start, size_t size, HGLOBAL block)
{
    win::GlobalLockGuard lock(block);
    if (!lock)
        return ImageRead::Failed;
    size_t got = 0;
    if (!source.ReadAt(start, lock.data(), size, &got))
        return ImageRead::Failed;
    if (got == 0)
        return ImageRead::Empty;
    memset(lock.bytes() + got, 0, size + kImageSlack - got);
    return ImageRead::Ok;
}

} // namespace

Stop ReadThumbnails(Source& source, uint64_t fileSize, uint32_t count, const Sink& sink)
{
    const uint64_t imageArea = kHeaderSize + uint64_t(count) * kRecordSize;
    ImageBudget budget(fileSize);
    std::vector<tagALBUMINFOHEADER> batch;
    try {
        batch.resize(std::min<size_t>(kRecordBatch, count));
    } catch (...) {
        return Stop::OutOfMemory;
    }
    for (uint64_t i = 0; i < count;) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(batch.size(), count - i));
        size_t bytes = 0;
        if (!source.ReadAt(kHeaderSize + i * kRecordSize, batch.data(), want * kRecordSize, &bytes))
            return Stop::ReadFailed;
        const size_t complete = bytes / kRecordSize;
        for (size_t k = 0; k < complete; ++k, ++i) {
            tagALBUMINFOHEADER& rec = batch[k];
            rec.wReserved2 = 0;
            win::TerminateField(rec.szFileName, sizeof rec.szFileName);
            win::TerminateField(rec.szDescription, sizeof rec.szDescription);

            const uint64_t start = imageArea + rec.dwDibOffset;
            if (rec.dwDibSize == 0 || start >= fileSize)
                return Stop::FileEnded; // no image bytes to read
            const uint64_t cutLimit =
                start + rec.dwDibSize > fileSize ? CutImageLimit(source, start, fileSize) : kMaxCutImageBytes;
            if (!budget.Accept(start, rec.dwDibSize, cutLimit) || !FitsWithSlack<size_t>(rec.dwDibSize))
                return Stop::Refused;
            win::GlobalBlock image = win::GlobalBlock::Allocate(rec.dwDibSize + kImageSlack, false);
            if (!image)
                return Stop::OutOfMemory;
            switch (ReadImage(source, start, rec.dwDibSize, image.get())) {
            case ImageRead::Failed:
                return Stop::ReadFailed;
            case ImageRead::Empty:
                return Stop::FileEnded;
            case ImageRead::Ok:
                break;
            }
            if (!sink(rec, image.release(), static_cast<int>(i + 1)))
                return Stop::OutOfMemory;
        }
        if (complete < want)
            return Stop::FileEnded; // the file ends inside the records
    }
    return Stop::Complete;
}

} // namespace albumread
