// One album file changed by one caller at a time within the process. A caller that loads an album
// file, changes it and saves it holds the file's lock from the load to the save, so that two
// threads adding to one album cannot each save their own copy over the other's.
#pragma once

#include <string>

namespace album {

class AlbumFileLock {
public:
    // Waits while another thread holds the file. The file is named as the caller names it; forms
    // of one path (letter case, "." and "..", short names) share one lock.
    explicit AlbumFileLock(const char* path);
    ~AlbumFileLock();
    AlbumFileLock(const AlbumFileLock&) = delete;
    AlbumFileLock& operator=(const AlbumFileLock&) = delete;

    // False when the file could not be had: the calling thread holds it already (waiting would
    // never end), or the path cannot be named.
    explicit operator bool() const { return held_; }

private:
    std::string key_;
    bool held_ = false;
};

} // namespace album
