#include "AbmTool.h"
#include "win/AnsiNames.h"

#include <windows.h>
#include <io.h>
#include <stdio.h>
#include <string.h>
#include <time.h>
#include <algorithm>
#include <atomic>
#include "album.h"
#include "album/ThumbBuild.h"
#include "win/Dib.h"
#include "imgio.h"

namespace abmtool {

namespace {

// Loads an album as it is on disk: no source checks, no rewrite.
struct Album : CAlbumDoc2 {
    using CThumbTable2::SortBy;
    bool Open(const std::string& path)
    {
        SetAutoCheck(0);
        if (!Load(path.c_str())) {
            fprintf(stderr, "abmtool: cannot read album %s (missing, or not an album file)\n", path.c_str());
            return false;
        }
        return true;
    }
};

std::string Lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return s;
}

// Album text as it may be shown on a terminal or used in a file name: control characters (which
// a damaged or hostile album may hold) become '_'.
std::string WithoutControls(const char* text)
{
    std::string s(text ? text : "");
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 32 || c == 127)
            c = '_';
    return s;
}

std::string FormatTime(DWORD t)
{
    // Stored times are unsigned seconds since 1970.
    time_t v = static_cast<time_t>(t);
    struct tm parts;
    char text[32];
    if (gmtime_s(&parts, &v) != 0 || !strftime(text, sizeof text, "%Y-%m-%d %H:%M", &parts))
        return "?";
    return text;
}

// "what done/total" on stderr: rewritten in place on a console, a line every few seconds (and
// at the end) when stderr goes to a file or a pipe.
class Progress {
public:
    Progress(const char* what, size_t total)
        : what_(what), total_(total), console_(_isatty(_fileno(stderr)) != 0), last_(GetTickCount())
    {
    }
    void Step(size_t done)
    {
        DWORD now = GetTickCount();
        if (done != total_ && now - last_ < (console_ ? 250u : 3000u))
            return;
        fprintf(stderr, console_ ? "\r%s %zu/%zu" : "%s %zu/%zu\n", what_, done, total_);
        fflush(stderr);
        last_ = now;
    }
    ~Progress()
    {
        if (console_)
            fprintf(stderr, "\n");
    }

private:
    const char* what_;
    size_t total_;
    bool console_;
    DWORD last_;
};

std::atomic<bool> g_interrupted{false};

bool Interrupted() { return g_interrupted; }

// While a build runs, Ctrl+C stops it instead of ending the process half-way: the library's abort
// check (the Esc key's otherwise, which a console program has no business watching) answers
// whether it was pressed, so the decodes under way stop at their next check; nothing is written. A new album is written whole or not at all, so one arriving during the save is too late.
class Interruptible {
public:
    Interruptible() : previous_(SetAlbumAbortCheck(Interrupted))
    {
        g_interrupted = false;
        SetConsoleCtrlHandler(ConsoleControl, TRUE);
    }
    ~Interruptible()
    {
        SetConsoleCtrlHandler(ConsoleControl, FALSE);
        SetAlbumAbortCheck(previous_);
    }
    Interruptible(const Interruptible&) = delete;
    Interruptible& operator=(const Interruptible&) = delete;

private:
    AlbumAbortCheck previous_;
};

} // namespace

BOOL WINAPI ConsoleControl(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    g_interrupted = true;
    return TRUE;
}

std::string FullPath(const std::string& path)
{
    std::string p = path;
    std::replace(p.begin(), p.end(), '/', '\\');
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(p.c_str(), sizeof full, full, nullptr);
    if (n == 0 || n >= sizeof full)
        return p;
    return full;
}

bool IsImageFileName(const std::string& name)
{
    static const char* const kExtensions[] = {".bmp", ".dib", ".jpg", ".jpeg", ".jpe", ".png", ".gif",
                                              ".tif", ".tiff", ".ico", ".tga", ".pcx"};
    std::string lower = Lower(name);
    for (const char* ext : kExtensions) {
        size_t n = strlen(ext);
        if (lower.size() > n && lower.compare(lower.size() - n, n, ext) == 0)
            return true;
    }
    return false;
}

std::vector<std::string> ListImageFiles(const std::string& folder, bool recursive)
{
    std::vector<std::string> files, folders;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(win::WideOfAnsi((folder + "\\*").c_str()).c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!wcscmp(fd.cFileName, L".") || !wcscmp(fd.cFileName, L".."))
                continue;
            const std::string real = win::Utf8Of(fd.cFileName);
            const bool isFolder = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            if (!isFolder && !IsImageFileName(real))
                continue;
            // Names in another script are taken by their short names, which open through the
            // ANSI functions; without one the file cannot be kept in an album.
            char name[MAX_PATH];
            fd.cAlternateFileName[13] = L'\0';
            if (!win::AnsiEntryName(fd.cFileName, fd.cAlternateFileName, name, sizeof name)) {
                fprintf(stderr, "abmtool: %s\\%s cannot be added: its name cannot be stored in an album on this system\n",
                        win::Utf8Of(win::WideOfAnsi(folder.c_str()).c_str()).c_str(), real.c_str());
                continue;
            }
            (isFolder ? folders : files).push_back(name);
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    auto byName = [](const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) < 0; };
    std::sort(files.begin(), files.end(), byName);
    std::sort(folders.begin(), folders.end(), byName);
    std::vector<std::string> out;
    for (const std::string& f : files)
        out.push_back(folder + "\\" + f);
    if (recursive)
        for (const std::string& sub : folders) {
            std::vector<std::string> inner = ListImageFiles(folder + "\\" + sub, true);
            out.insert(out.end(), inner.begin(), inner.end());
        }
    return out;
}

int Build(const std::string& folderArg, const std::string& albumArg, const BuildOptions& options)
{
    const std::string folder = FullPath(folderArg), album = FullPath(albumArg);
    DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        fprintf(stderr, "abmtool: %s is not a folder\n", folder.c_str());
        return 1;
    }
    std::vector<std::string> files = ListImageFiles(folder, options.recursive);
    if (files.empty()) {
        fprintf(stderr, "abmtool: no image files in %s\n", folder.c_str());
        return 1;
    }

    Interruptible interruptible;
    Album doc;
    doc.SetAutoCheck(0);
    doc.SetThumbnailSize(WORD(options.size), WORD(options.size));
    doc.SetDescription(folder.c_str());
    std::vector<std::string> skipped;
    // Decoded and fitted on every core, inserted here in file order.
    struct Receiver {
        const std::vector<std::string>& files;
        const BuildOptions& options;
        Album& doc;
        std::vector<std::string>& skipped;
        Progress progress;
        bool failed = false;
    } receiver{files, options, doc, skipped, Progress("Building thumbnails", files.size())};
    {
        std::vector<const char*> paths;
        for (const std::string& f : files)
            paths.push_back(f.c_str());
        BuildThumbnailsFromFiles(
            paths.data(), int(paths.size()), WORD(options.size), WORD(options.size),
            options.embedded ? ALBUM_BUILD_EMBEDDED : 0, options.threads,
            [](void* context, int i, CThumbnail2* t) -> int {
                auto& r = *static_cast<Receiver*>(context);
                const std::string& file = r.files[size_t(i)];
                if (t) {
                    r.doc.Insert(t, nullptr);
                } else if (r.options.skipUnreadable) {
                    r.skipped.push_back(file);
                } else {
                    fprintf(stderr, "\nabmtool: cannot read image %s; nothing written (use --skip-unreadable)\n",
                            file.c_str());
                    r.failed = true;
                    return 0;
                }
                r.progress.Step(size_t(i) + 1);
                return 1;
            },
            &receiver);
    }
    if (g_interrupted) {
        fprintf(stderr, "\nabmtool: stopped; nothing written\n");
        return kInterrupted;
    }
    if (receiver.failed)
        return 1;
    for (const std::string& s : skipped)
        fprintf(stderr, "abmtool: skipped unreadable image %s\n", s.c_str());
    if (doc.GetCount() == 0) {
        fprintf(stderr, "abmtool: no image could be read; nothing written\n");
        return 1;
    }
    if (!doc.Save(album.c_str())) {
        fprintf(stderr, "abmtool: cannot write %s\n", album.c_str());
        return 1;
    }
    printf("Built %s: %d thumbnails (box %d) from %s\n", album.c_str(), doc.GetCount(), options.size, folder.c_str());
    return 0;
}

int Info()
{
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    printf("JPEG decoder:   %s\nWorker threads: %lu (one per processor)\n", ImgIoJpegDecoder(),
           static_cast<unsigned long>(system.dwNumberOfProcessors));
    return 0;
}

// Text in the ANSI code page as UTF-8, which `list` prints to consoles and pipes alike.
std::string Utf8(const std::string& ansi) { return win::Utf8Of(win::WideOfAnsi(ansi.c_str()).c_str()); }

// A stored name as `list` shows it: a short name standing for a name the code page cannot carry
// is shown by that real name (found through the source, resolved), marked with what is stored.
std::string ShownName(const char* stored, const char* resolved)
{
    const std::string plain = Utf8(WithoutControls(stored));
    std::wstring real;
    if (!win::RealStoredName(stored, resolved, real))
        return plain;
    return win::Utf8Of(real.c_str()) + " (stored as " + plain + ")";
}

int List(const std::string& albumArg)
{
    const std::string path = FullPath(albumArg);
    Album doc;
    if (!doc.Open(path))
        return 1;
    printf("Album:       %s\nDescription: %s\nThumbnails:  %d\n\n", Utf8(path).c_str(),
           Utf8(WithoutControls(doc.GetDescription())).c_str(), doc.GetCount());
    printf("%5s  %-32s %11s %10s %-16s %7s  %s\n", "#", "name", "image", "bytes", "date (UTC)", "thumb", "description / source");
    char resolved[MAX_PATH];
    for (int i = 1; i <= doc.GetCount(); ++i) {
        CThumbnail2* t = doc.GetThumbnail(i);
        const tagALBUMINFOHEADER& r = *t->GetInfo();
        char image[32], thumb[16];
        snprintf(image, sizeof image, "%ux%ux%u", r.wWidth, r.wHeight, r.wBitCount);
        snprintf(thumb, sizeof thumb, "%ux%u", r.wThumbWidth, r.wThumbHeight);
        bool found = doc.GetThumbnailFullPath(r.szFileName, resolved) && GetFileAttributesA(resolved) != INVALID_FILE_ATTRIBUTES;
        printf("%5d  %-32s %11s %10lu %-16s %7s  \"%s\" %s\n", i, ShownName(r.szFileName, found ? resolved : nullptr).c_str(),
               image, static_cast<unsigned long>(r.dwFileSize), FormatTime(r.dwFileTime).c_str(), thumb,
               Utf8(WithoutControls(r.szDescription)).c_str(), found ? "" : "(source missing)");
    }
    return 0;
}

int Verify(const std::string& albumArg)
{
    const std::string path = FullPath(albumArg);
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) {
        fprintf(stderr, "abmtool: cannot open %s\n", path.c_str());
        return 1;
    }
    std::vector<unsigned char> bytes;
    unsigned char buf[1 << 16];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        bytes.insert(bytes.end(), buf, buf + n);
    fclose(f);

    int errors = 0, warnings = 0;
    auto error = [&](const char* fmt, auto... args) { ++errors; printf("error: "); printf(fmt, args...); printf("\n"); };
    auto warning = [&](const char* fmt, auto... args) { ++warnings; printf("warning: "); printf(fmt, args...); printf("\n"); };

    tagALBUMFILEHEADER header;
    if (bytes.size() < sizeof header) {
        printf("error: %zu bytes: too short for an album header\n", bytes.size());
        return 1;
    }
    memcpy(&header, bytes.data(), sizeof header);
    if (header.dwMagic != ALBUM_FILE_MAGIC) {
        printf("error: not an album file (no PALM signature)\n");
        return 1;
    }
    if (!memchr(header.szDescription, 0, sizeof header.szDescription))
        warning("album description is not terminated");
    const uint64_t count = header.dwCount;
    const uint64_t area = sizeof header + count * sizeof(tagALBUMINFOHEADER);
    if (header.dwDibOffset != area)
        warning("header image offset %lu, expected %llu", (unsigned long)header.dwDibOffset, (unsigned long long)area);
    if (area > bytes.size()) {
        error("file ends inside the records: %llu records announced, room for %llu", (unsigned long long)count,
              (unsigned long long)((bytes.size() - sizeof header) / sizeof(tagALBUMINFOHEADER)));
    }
    uint64_t expectedEnd = area;
    const uint64_t records = std::min<uint64_t>(count, (bytes.size() - sizeof header) / sizeof(tagALBUMINFOHEADER));
    for (uint64_t i = 0; i < records; ++i) {
        tagALBUMINFOHEADER r;
        memcpy(&r, bytes.data() + sizeof header + i * sizeof r, sizeof r);
        unsigned long no = static_cast<unsigned long>(i + 1);
        if (!memchr(r.szFileName, 0, sizeof r.szFileName) || r.szFileName[0] == '\0')
            error("thumbnail %lu: stored name is empty or not terminated", no);
        if (!memchr(r.szDescription, 0, sizeof r.szDescription))
            warning("thumbnail %lu: description is not terminated", no);
        const uint64_t start = area + r.dwDibOffset, end = start + r.dwDibSize;
        if (start != expectedEnd)
            warning("thumbnail %lu: image at %llu, expected %llu", no, (unsigned long long)start,
                    (unsigned long long)expectedEnd);
        expectedEnd = end;
        if (end > bytes.size()) {
            error("thumbnail %lu: image runs past the end of the file", no);
            continue;
        }
        dib::Layout layout;
        if (!dib::Parse(bytes.data() + start, r.dwDibSize, &layout)) {
            error("thumbnail %lu: image is not a valid bitmap", no);
            continue;
        }
        if (layout.width != r.wThumbWidth || layout.height != r.wThumbHeight)
            warning("thumbnail %lu: image is %dx%d, record says %ux%u", no, layout.width, layout.height,
                    r.wThumbWidth, r.wThumbHeight);
    }
    if (header.dwFileSize != bytes.size())
        warning("header file size %lu, file has %zu bytes", (unsigned long)header.dwFileSize, bytes.size());
    if (expectedEnd < bytes.size())
        warning("%llu bytes after the last image", (unsigned long long)(bytes.size() - expectedEnd));

    printf("%s: %llu thumbnails, %d errors, %d warnings\n", path.c_str(), (unsigned long long)count, errors, warnings);
    return errors ? 1 : 0;
}

int Export(const std::string& albumArg, const std::string& folderArg)
{
    const std::string path = FullPath(albumArg), folder = FullPath(folderArg);
    Album doc;
    if (!doc.Open(path))
        return 1;

    // Every target name first: export writes only files it creates, so nothing of the user's is
    // overwritten, and undoing a failed export removes only what this export wrote.
    std::vector<std::string> targets;
    for (int i = 1; i <= doc.GetCount(); ++i) {
        // Number + the stored name's file name, with its extension replaced.
        std::string name = WithoutControls(doc.GetThumbnail(i)->GetInfo()->szFileName);
        size_t cut = name.find_last_of("\\/:");
        if (cut != std::string::npos)
            name = name.substr(cut + 1);
        size_t dot = name.find_last_of('.');
        if (dot != std::string::npos)
            name = name.substr(0, dot);
        for (char& c : name)
            if (strchr("<>\"|?*", c))
                c = '_';
        char file[MAX_PATH];
        int n = snprintf(file, sizeof file, "%s\\%04d_%s.bmp", folder.c_str(), i, name.c_str());
        if (n < 0 || size_t(n) >= sizeof file) {
            fprintf(stderr, "abmtool: the folder path %s is too long for the exported names\n", folder.c_str());
            return 1;
        }
        if (GetFileAttributesA(file) != INVALID_FILE_ATTRIBUTES) {
            fprintf(stderr, "abmtool: %s already exists; nothing was exported\n", file);
            return 1;
        }
        targets.push_back(file);
    }
    if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        fprintf(stderr, "abmtool: cannot create folder %s\n", folder.c_str());
        return 1;
    }
    std::vector<std::string> written;
    auto undo = [&] {
        for (const std::string& w : written)
            DeleteFileA(w.c_str());
    };
    {
        Progress progress("Exporting", targets.size());
        for (size_t i = 0; i < targets.size(); ++i) {
            const char* file = targets[i].c_str();
            // A file that appeared meanwhile is not ours to replace.
            bool appeared = GetFileAttributesA(file) != INVALID_FILE_ATTRIBUTES;
            if (appeared || ImgIoWriteFile(doc.GetThumbnail(int(i) + 1)->GetDib(), file, IMGIO_FORMAT_BMP, 0) != 0) {
                fprintf(stderr, "\nabmtool: cannot write %s%s; removed what was exported\n", file,
                        appeared ? " (it exists)" : "");
                undo();
                return 1;
            }
            written.push_back(targets[i]);
            progress.Step(i + 1);
        }
    }
    printf("Exported %zu thumbnails to %s\n", written.size(), folder.c_str());
    return 0;
}

int Sort(const std::string& albumArg, const std::string& keyName, bool reverse)
{
    static const char* const kKeys[] = {"name", "type", "size", "date", "description"};
    int key = -1;
    for (int k = 0; k < 5; ++k)
        if (Lower(keyName) == kKeys[k])
            key = k;
    if (key < 0) {
        fprintf(stderr, "abmtool: sort key must be name, type, size, date or description\n");
        return 2;
    }
    const std::string path = FullPath(albumArg);
    Album doc;
    if (!doc.Open(path))
        return 1;
    if (doc.HoldsOnlyPartOf(path.c_str())) {
        fprintf(stderr, "abmtool: only %d of %lu thumbnails of %s could be read; the album is left as it is\n",
                doc.GetLoadRead(), static_cast<unsigned long>(doc.GetLoadAnnounced()), path.c_str());
        return 1;
    }
    doc.SortBy(key, reverse ? 1 : 0);
    if (!doc.Save(path.c_str())) {
        fprintf(stderr, "abmtool: cannot write %s; the album is unchanged\n", path.c_str());
        return 1;
    }
    printf("Sorted %s by %s%s (%d thumbnails)\n", path.c_str(), kKeys[key], reverse ? ", reversed" : "", doc.GetCount());
    return 0;
}

} // namespace abmtool
