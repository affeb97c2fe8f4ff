// abmtool: album files from the command line. Each command prints what it does to stdout,
// progress and problems to stderr, and returns the process exit code.
#pragma once

#include <windows.h>
#include <string>
#include <vector>

namespace abmtool {

struct BuildOptions {
    int size = 96;           // thumbnail box side in pixels
    bool recursive = false;
    bool skipUnreadable = false;
    bool embedded = false;   // camera JPEGs' embedded thumbnails where they will do
    int threads = 0;         // worker threads; 0: one per processor
};

// Exit code of a build stopped with Ctrl+C (nothing written).
constexpr int kInterrupted = 130;

int Build(const std::string& folder, const std::string& album, const BuildOptions& options);
// The console's Ctrl+C and Ctrl+Break handler while a build runs: stops the build.
BOOL WINAPI ConsoleControl(DWORD event);
int List(const std::string& album);
int Verify(const std::string& album);
int Export(const std::string& album, const std::string& folder);
int Sort(const std::string& album, const std::string& key, bool reverse);
// The JPEG decoder and the number of worker threads this build uses.
int Info();

// Absolute, backslash-separated form of a path given on the command line.
std::string FullPath(const std::string& path);
// Image files under folder, by name (file systems list in their own order), sub-folders after
// the folder's own files when recursive.
std::vector<std::string> ListImageFiles(const std::string& folder, bool recursive);
bool IsImageFileName(const std::string& name);

} // namespace abmtool
