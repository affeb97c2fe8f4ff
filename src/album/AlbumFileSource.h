// Album files read from disk: the reader's bytes from an open file, and the opening of an album
// file with its header (apart from AlbumRead.h, which reads from any source of bytes).
#pragma once

#include "album/AlbumRead.h"
#include "album/FileIo.h"
#include "win/Handles.h"

namespace albumread {

// Album bytes from an open file.
class FileSource : public Source {
public:
    explicit FileSource(HANDLE file) : reader_(file) {}
    bool ReadAt(uint64_t offset, void* dst, size_t size, size_t* got) override
    {
        return reader_.ReadAt(offset, dst, size, got);
    }

private:
    fileio::Reader reader_;
};

// Opens an album file for reading and reads its header: false when the file cannot be opened or
// does not begin with an album header.
bool OpenAlbumFile(const char* path, win::UniqueHandle* file, tagALBUMFILEHEADER* header);

} // namespace albumread
