// Reading and writing album files.
#include "album/AlbumDoc.h"

#include <string.h>
#include <algorithm>
#include <new>
#include <vector>
#include "album/FileIo.h"
#include "win/Handles.h"

namespace {

constexpr uint64_t kHeaderSize = sizeof(tagALBUMFILEHEADER);
constexpr uint64_t kRecordSize = sizeof(tagALBUMINFOHEADER);
constexpr size_t kRecordBatch = 512;
// The reader allocates this much more than each stored image.
constexpr size_t kImageSlack = 10;

// Limits what a damaged or hostile file can make the reader allocate: no image larger than the
// whole file, complete images together no larger than the file, and at most one image cut short
// by the end of the file (a truncated album has exactly one).
class ImageBudget {
public:
    explicit ImageBudget(uint64_t fileSize) : fileSize_(fileSize) {}
    bool Accept(uint64_t start, uint64_t size)
    {
        if (size > fileSize_)
            return false;
        if (start + size > fileSize_) {
            if (partialSeen_)
                return false;
            partialSeen_ = true;
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
    bool partialSeen_ = false;
};

// Reads one image into its block of size + 10 bytes, the unread rest zero. False when nothing
// could be read.
bool ReadImage(fileio::Reader& reader, uint64_t start, size_t size, HGLOBAL block)
{
    win::GlobalLockGuard lock(block);
    size_t got = 0;
    if (!lock || !reader.ReadAt(start, lock.data(), size, &got) || got == 0)
        return false;
    memset(lock.bytes() + got, 0, size + kImageSlack - got);
    return true;
}

} // namespace

int CAlbumDoc2::Load(const char* path)
{
    CleanTable();
    if (!path || !*path)
        return 0;
    win::WaitCursor wait;

    int rebuilt = 0;
    DWORD announced = 0;
    // Set when reading stopped for want of memory (or for an image size the file cannot back),
    // not because the file ended: the album on disk is then not to be cut down to what fitted.
    bool outOfMemory = false;
    {
        win::UniqueHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN,
                                           nullptr));
        if (!file)
            return 0;
        fileio::Reader reader(file.get());
        tagALBUMFILEHEADER header;
        size_t got = 0;
        if (!reader.ReadAt(0, &header, sizeof header, &got) || got != sizeof header ||
            header.dwMagic != ALBUM_FILE_MAGIC)
            return 0;

        win::CopyText(m_szPath, sizeof m_szPath, path);
        win::TerminateField(header.szDescription, sizeof header.szDescription);
        win::CopyText(m_szDescription, sizeof m_szDescription, header.szDescription);

        LARGE_INTEGER size;
        uint64_t fileSize = GetFileSizeEx(file.get(), &size) ? static_cast<uint64_t>(size.QuadPart) : 0;
        announced = header.dwCount;
        const uint64_t imageArea = kHeaderSize + uint64_t(announced) * kRecordSize;
        ImageBudget budget(fileSize);

        std::vector<tagALBUMINFOHEADER> batch;
        try {
            batch.resize(kRecordBatch);
        } catch (...) {
            return 1;
        }
        bool stop = false;
        for (uint64_t i = 0; i < announced && !stop;) {
            size_t want = static_cast<size_t>(std::min<uint64_t>(kRecordBatch, announced - i));
            size_t bytes = 0;
            if (!reader.ReadAt(kHeaderSize + i * kRecordSize, batch.data(), want * sizeof batch[0], &bytes))
                break;
            size_t complete = bytes / sizeof batch[0];
            if (complete < want)
                stop = true; // the file ends inside the records
            for (size_t k = 0; k < complete; ++k, ++i) {
                tagALBUMINFOHEADER& rec = batch[k];
                rec.wReserved2 = 0;
                win::TerminateField(rec.szFileName, sizeof rec.szFileName);
                win::TerminateField(rec.szDescription, sizeof rec.szDescription);

                const uint64_t start = imageArea + rec.dwDibOffset;
                if (rec.dwDibSize == 0 || start >= fileSize) {
                    stop = true; // no image bytes to read
                    break;
                }
                if (!budget.Accept(start, rec.dwDibSize) || rec.dwDibSize > SIZE_MAX - kImageSlack) {
                    stop = outOfMemory = true;
                    break;
                }
                win::GlobalBlock image = win::GlobalBlock::Allocate(rec.dwDibSize + kImageSlack, false);
                CThumbnail2* t = image ? new (std::nothrow) CThumbnail2(&rec, nullptr, static_cast<int>(i + 1), 1)
                                       : nullptr;
                if (!t) {
                    stop = outOfMemory = true;
                    break;
                }
                if (!ReadImage(reader, start, rec.dwDibSize, image.get())) {
                    delete t;
                    stop = true;
                    break;
                }
                t->m_hDib = image.release();
                if (m_bAutoCheck && Refresh(t))
                    ++rebuilt;
                Insert(t, nullptr);
            }
        }
    }

    // Put right a file that announced more than it held, or whose thumbnails were rebuilt.
    // A file from which nothing could be read is never rewritten.
    if (m_nCount > 0 && !outOfMemory && (static_cast<DWORD>(m_nCount) != announced || rebuilt > 0))
        Save(path);
    return 1;
}

int CAlbumDoc2::Save(const char* path)
{
    if (!path || !*path)
        return 0;
    try {
        win::WaitCursor wait;

        // Check every thumbnail first: a block smaller than its record says cannot be written.
        const int n = m_nCount;
        std::vector<CThumbnail2*> thumbs;
        thumbs.reserve(static_cast<size_t>(n > 0 ? n : 0));
        for (CThumbnail2* t = m_pEnd->m_pNext; t != m_pEnd && static_cast<int>(thumbs.size()) < n;
             t = t->m_pNext) {
            if (!t->m_hDib || GlobalSize(t->m_hDib) < t->m_Info.dwDibSize)
                return 0;
            thumbs.push_back(t);
        }

        std::vector<tagALBUMINFOHEADER> records(thumbs.size());
        uint64_t imageBytes = 0;
        for (size_t i = 0; i < thumbs.size(); ++i) {
            records[i] = thumbs[i]->m_Info;
            records[i].dwDibOffset = static_cast<DWORD>(imageBytes);
            imageBytes += thumbs[i]->m_Info.dwDibSize;
        }
        const uint64_t dibOffset = kHeaderSize + uint64_t(records.size()) * kRecordSize;
        if (dibOffset + imageBytes > 0xFFFFFFFFull)
            return 0; // offsets would not fit the file's 32-bit fields

        tagALBUMFILEHEADER header;
        memset(&header, 0, sizeof header);
        header.dwMagic = ALBUM_FILE_MAGIC;
        header.dwCount = static_cast<DWORD>(records.size());
        header.dwDibOffset = static_cast<DWORD>(dibOffset);
        header.dwFileSize = static_cast<DWORD>(dibOffset + imageBytes);
        win::CopyText(header.szDescription, sizeof header.szDescription, m_szDescription);

        fileio::ReplacementFile out(path);
        if (!out.valid())
            return 0;
        fileio::BufferedWriter writer(out.handle());
        writer.Write(&header, sizeof header);
        if (!records.empty())
            writer.Write(records.data(), records.size() * sizeof records[0]);
        for (CThumbnail2* t : thumbs) {
            if (writer.failed())
                break;
            win::GlobalLockGuard lock(t->m_hDib);
            if (!lock)
                return 0;
            writer.Write(lock.data(), t->m_Info.dwDibSize);
        }
        if (!writer.Flush())
            return 0;
        return out.Commit() ? 1 : 0;
    } catch (...) {
        return 0;
    }
}
