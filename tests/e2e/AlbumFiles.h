// Files for the scenarios: image files to add, albums made and read back through the library.
#pragma once

#include "support/TestSupport.h"

namespace e2e {

// A fresh folder under the temporary folder, removed with everything in it when destroyed.
struct Folder : testsupport::ScratchDir {
    std::string operator/(const std::string& name) const { return File(name); }
};

// A 24-bit bitmap file of width x height whose pixels follow from seed; its creation and
// last-write times are set to the given seconds since 1970 (0: left as written).
inline void WriteImage(const std::string& path, int width, int height, unsigned seed, uint32_t time = 0)
{
    testsupport::WriteBmpFile(path, width, height, seed);
    if (time)
        testsupport::SetFileTimes(path, time, time);
}

// An album file holding thumbnails of the images, in this order; false when it cannot be made.
bool MakeAlbum(const std::string& album, const std::vector<std::string>& images, int thumbSide = 80);

struct AlbumContents {
    std::vector<std::string> names; // base names of the stored file names, in album order
    std::vector<std::pair<int, int>> sizes; // source image sizes
};
// The album file as the library reads it (without looking at the source files); empty when it
// cannot be read.
AlbumContents ReadAlbum(const std::string& album);

} // namespace e2e
