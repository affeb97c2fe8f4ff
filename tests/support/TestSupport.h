// Shared helpers for the test programs: scratch folders, files, thumbnails.
#pragma once

#include <windows.h>
#include <stdint.h>
#include <string>
#include <vector>
#include "album/AlbumFile.h"

namespace testsupport {

// A fresh folder under the temporary directory, removed with its files when destroyed.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "\\" + name; }
    // Names of the files in the folder.
    std::vector<std::string> List() const;

private:
    std::string path_;
};

std::vector<unsigned char> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes);
bool FileExists(const std::string& path);

// A movable block holding a 24-bit packed DIB of the given size whose bytes follow from seed,
// padded with extra zero bytes at the end.
HGLOBAL MakeDib(int width, int height, unsigned seed, size_t extra = 0);
// A movable block of exactly size bytes filled from seed (not a bitmap; the file format does
// not look inside images).
HGLOBAL MakeBlock(size_t size, unsigned seed);
std::vector<unsigned char> BlockBytes(HGLOBAL block);

// Writes a 24-bit Windows bitmap file whose pixels follow from seed.
void WriteBmpFile(const std::string& path, int width, int height, unsigned seed);
// Sets a file's creation and last-write times to the given seconds since 1970.
void SetFileTimes(const std::string& path, uint32_t created, uint32_t written);

tagALBUMINFOHEADER MakeRecord(const char* name, DWORD fileSize = 0, DWORD fileTime = 0,
                              const char* description = " ");

} // namespace testsupport
