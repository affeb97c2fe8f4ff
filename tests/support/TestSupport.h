// Shared helpers for the test programs: scratch folders, files, thumbnails; and the headers every
// test program uses.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
#include <stdint.h>
#include <string.h>
#include <algorithm>
#include <functional>
#include <string>
#include <vector>
#include "album/AlbumFile.h"

namespace testsupport {

// A fresh folder under the temporary directory, removed with everything in it when destroyed
// (links are removed, never followed).
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "\\" + name; }
    // Names of the files in the folder.
    std::vector<std::string> List() const;

private:
    std::string path_;
    bool made_ = false; // removed at the end only when this made it
};

// Removes a folder with everything in it (links are removed, never followed).
void RemoveTree(const std::string& path);
// Names of the files and folders in a folder.
std::vector<std::string> ListFolder(const std::string& folder);

// path as a "\\?\" wide path, which the wide file functions take past MAX_PATH.
std::wstring LongWidePath(const std::string& path);

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
// A movable block holding a packed DIB of any depth: a 40-byte header, the palette bytes (blue,
// green, red, reserved per entry), then height rows padded to 4 bytes taken from rows (zero
// where rows is short). biClrUsed counts the palette's entries unless clrUsed is given; both
// resolutions are resolution.
HGLOBAL MakePackedDib(int width, int height, int bits, const std::vector<unsigned char>& palette = {},
                      const std::vector<unsigned char>& rows = {}, LONG resolution = 0, long clrUsed = -1);

// Writes a 24-bit Windows bitmap file whose pixels follow from seed.
void WriteBmpFile(const std::string& path, int width, int height, unsigned seed);
// Writes folder\Фото 2026\写真.bmp (as WriteBmpFile), whose folder and file names the ANSI code
// page cannot carry. Its path as the ANSI functions open it (by short names); empty on failure.
std::string WriteBmpNamedInOtherScripts(const std::string& folder, int width, int height);
// Writes a run-length encoded 24-bit TGA file of width x height (a multiple of 128 pixels) in
// runs of 128: a few bytes that take the decoder long (seconds at 14000 x 14000 under Wine).
void WriteSlowTgaFile(const std::string& path, int width, int height);
// The keyboard state of this thread: only the given virtual keys held.
void HoldKeys(const std::vector<int>& keys = {});
// The process's working set in bytes: tests see big decodes under way by its growth.
size_t WorkingSet();
// Seconds since 1970 as a file time; sets a file's creation and last-write times to such seconds.
FILETIME ToFileTime(uint32_t seconds);
void SetFileTimes(const std::string& path, uint32_t created, uint32_t written);

tagALBUMINFOHEADER MakeRecord(const char* name, DWORD fileSize = 0, DWORD fileTime = 0,
                              const char* description = " ");
// An album file of thumbnails standing for the records, or for records of the names, each with an
// 8 x 6 picture of its own (the sources need not exist); a failure to save fails the test.
void SaveAlbum(const std::string& path, const std::vector<tagALBUMINFOHEADER>& records);
void SaveAlbum(const std::string& path, const std::vector<std::string>& names);
// The number of thumbnails an album file holds as read (its sources not looked at); -1 when it
// cannot be read.
int CountInAlbum(const std::string& path);

} // namespace testsupport
