// Folder trees with image files of chosen sizes and times, and album files, for the search tests.
#pragma once

#include <stdio.h>
#include <time.h>
#include "album/AlbumDoc.h"
#include "support/TestSupport.h"

namespace findtest {

// A folder tree under the temporary folder, removed with everything in it.
class Tree : public testsupport::ScratchDir {
public:
    const std::string& root() const { return path(); }
    std::string Path(const std::string& relative) const { return ScratchDir::File(relative); }
    // Folders and empty files are made through the wide functions, which take names past MAX_PATH.
    bool Folder(const std::string& relative) const
    {
        const bool made = CreateDirectoryW(Wide(relative).c_str(), nullptr) != 0;
        EXPECT_TRUE(made) << relative;
        return made;
    }
    void File(const std::string& relative) const
    {
        HANDLE h = CreateFileW(Wide(relative).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        EXPECT_NE(h, INVALID_HANDLE_VALUE) << relative;
        CloseHandle(h);
    }

    // A 24-bit bitmap file whatever its extension says (decoders go by the content), zero-padded to size.
    std::string Image(const std::string& relative, size_t size = 0, unsigned seed = 1) const
    {
        const std::string p = Path(relative);
        testsupport::WriteBmpFile(p, 12, 9, seed);
        if (size) {
            std::vector<unsigned char> bytes = testsupport::ReadBytes(p);
            EXPECT_LE(bytes.size(), size);
            bytes.resize(size, 0);
            testsupport::WriteBytes(p, bytes);
        }
        return p;
    }

private:
    std::wstring Wide(const std::string& relative) const { return testsupport::LongWidePath(Path(relative)); }
};

// An album file of thumbnails with these stored names and descriptions, of one size and time.
struct Entry {
    std::string name;
    std::string description = " ";
};
inline void WriteAlbum(const std::string& path, const std::vector<Entry>& entries)
{
    std::vector<tagALBUMINFOHEADER> records;
    for (const Entry& e : entries)
        records.push_back(testsupport::MakeRecord(e.name.c_str(), 1000, 0x50000000, e.description.c_str()));
    testsupport::SaveAlbum(path, records);
}

// Seconds since 1970 (UTC) of a calendar day at noon.
inline uint32_t Noon(int year, int month, int day)
{
    tm t = {0, 0, 12, day, month - 1, year - 1900, 0, 0, 0};
    return uint32_t(_mkgmtime64(&t));
}

} // namespace findtest
