// Reading and writing album files.
#include "album/AlbumDoc.h"

#include <string.h>
#include <algorithm>
#include <memory>
#include <new>
#include <string>
#include <vector>
#include "album/AlbumFileSource.h"
#include "album/FileIo.h"
#include "album/FolderListing.h"
#include "album/SourceFile.h"
#include "win/Handles.h"

namespace {

constexpr uint64_t kHeaderSize = sizeof(tagALBUMFILEHEADER);
constexpr uint64_t kRecordSize = sizeof(tagALBUMINFOHEADER);

} // namespace

int CAlbumDoc2::Load(const char* path)
{
    // A path the document cannot hold whole would make a later save write another file.
    if (!path || !*path || strlen(path) >= sizeof m_szPath)
        return 0;
    CleanTable();
    m_nLoadOutcome = ALBUM_LOAD_NONE;
    m_dwLoadAnnounced = 0;
    m_nLoadRead = 0;
    win::WaitCursor wait;
    // The source checks of a load look sources up through one listing per folder.
    std::unique_ptr<album::ListingScope> listings;
    if (m_bAutoCheck)
        listings.reset(new (std::nothrow) album::ListingScope);

    int rebuilt = 0;
    DWORD announced = 0;
    albumread::Stop stop = albumread::Stop::Complete;
    {
        win::UniqueHandle file;
        tagALBUMFILEHEADER header;
        if (!albumread::OpenAlbumFile(path, &file, &header))
            return 0;
        albumread::FileSource source(file.get());

        win::CopyText(m_szPath, sizeof m_szPath, path);
        win::TerminateField(header.szDescription, sizeof header.szDescription);
        win::CopyText(m_szDescription, sizeof m_szDescription, header.szDescription);
        announced = header.dwCount;
        m_dwLoadAnnounced = announced;
        m_nLoadOutcome = ALBUM_LOAD_PARTIAL;

        LARGE_INTEGER size;
        if (!GetFileSizeEx(file.get(), &size))
            return 1; // nothing can be read safely; the file stays as it is
        // The source checks run once everything is read: meanwhile the folders they look in are
        // listed on another thread, each as soon as a stored name first names it.
        std::vector<CThumbnail2*> toCheck;
        std::string lastFolder;
        try {
            stop = albumread::ReadThumbnails(
                source, static_cast<uint64_t>(size.QuadPart), announced,
                [this, &toCheck, &lastFolder](tagALBUMINFOHEADER& rec, HGLOBAL image, int id) {
                    CThumbnail2* t = new (std::nothrow) CThumbnail2(&rec, image, id, 1);
                    if (!t) {
                        GlobalFree(image);
                        return false;
                    }
                    Insert(t, nullptr);
                    if (m_bAutoCheck) {
                        toCheck.push_back(t);
                        const char* name = t->m_Info.szFileName;
                        const char* cut = strrchr(name, '\\');
                        const size_t folder = cut ? size_t(cut - name) : 0;
                        if (toCheck.size() == 1 || lastFolder.compare(0, std::string::npos, name, folder) != 0) {
                            lastFolder.assign(name, folder);
                            album::PrefetchSourceFolders(*this, name);
                        }
                    }
                    return true;
                });
        } catch (...) {
            stop = albumread::Stop::OutOfMemory;
        }
        for (CThumbnail2* t : toCheck)
            if (Refresh(t))
                ++rebuilt;
    }

    // Put right a file that announced more than it held, or whose thumbnails were rebuilt. Only
    // an album read to its real end may be rewritten: after a failed read, a refused size or a
    // want of memory the rest of the album is still on disk and must stay there. A file from
    // which nothing could be read is never rewritten.
    const bool readToEnd = stop == albumread::Stop::Complete || stop == albumread::Stop::FileEnded;
    m_nLoadRead = m_nCount;
    m_nLoadOutcome = readToEnd ? ALBUM_LOAD_WHOLE : ALBUM_LOAD_PARTIAL;
    if (m_nCount > 0 && readToEnd && (static_cast<DWORD>(m_nCount) != announced || rebuilt > 0))
        Save(path);
    return 1;
}

bool albumread::OpenAlbumFile(const char* path, win::UniqueHandle* file, tagALBUMFILEHEADER* header)
{
    file->reset(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!*file)
        return false;
    FileSource source(file->get());
    size_t got = 0;
    return source.ReadAt(0, header, sizeof *header, &got) && got == sizeof *header &&
           header->dwMagic == ALBUM_FILE_MAGIC;
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
            // What the reader would not read back is not written: a save must not lose the
            // thumbnails behind it at the next load.
            if (!albumread::ImageSizeReadable(t->m_Info.dwDibSize) || !t->m_hDib ||
                GlobalSize(t->m_hDib) < t->m_Info.dwDibSize)
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
        if (!writer.Flush() || !out.Commit())
            return 0;
        // The file now holds exactly what the document does.
        if (lstrcmpiA(path, m_szPath) == 0)
            m_nLoadOutcome = ALBUM_LOAD_WHOLE;
        return 1;
    } catch (...) {
        return 0;
    }
}
