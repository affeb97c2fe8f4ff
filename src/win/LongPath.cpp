#include "win/LongPath.h"

#include <string.h>
#include "win/AnsiNames.h"

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/' || c == '\n'; }

// Walks the components of a path, skipping empty ones (doubled separators).
struct ComponentReader {
    const char* p;
    // The next component as [start, start + length); false at the end.
    bool Next(const char** start, size_t* length)
    {
        while (*p && IsSeparator(*p))
            ++p;
        if (!*p)
            return false;
        *start = p;
        while (*p && !IsSeparator(*p))
            ++p;
        *length = size_t(p - *start);
        return true;
    }
};

// The result under construction; it never grows beyond MAX_PATH - 1 characters.
struct PathBuilder {
    char text[MAX_PATH];
    size_t length = 0;

    PathBuilder() { text[0] = '\0'; }
    bool Append(const char* s, size_t n)
    {
        if (n >= MAX_PATH - length)
            return false;
        memcpy(text + length, s, n);
        length += n;
        text[length] = '\0';
        return true;
    }
    bool Append(const char* s) { return Append(s, strlen(s)); }
};

// The name the directory stores for the last component of path, as the ANSI functions open it
// (its short name when the code page cannot carry it); false when there is no such entry.
bool StoredName(const char* path, char (&name)[MAX_PATH])
{
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(win::WideOfAnsi(path).c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    FindClose(h);
    fd.cFileName[MAX_PATH - 1] = L'\0';
    fd.cAlternateFileName[13] = L'\0';
    return win::AnsiEntryName(fd.cFileName, fd.cAlternateFileName, name, sizeof name);
}

} // namespace

int LongPathOf(const char* path, char* out)
{
    if (out)
        out[0] = '\0';
    if (!path || !out || !*path)
        return -2;

    PathBuilder result;
    const char* rest = path;
    const bool hasDrive = ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
                          path[1] == ':';
    if (hasDrive) {
        result.Append(path, 2);
        rest = path + 2;
    }

    ComponentReader reader{rest};
    const char* part = nullptr;
    size_t partLength = 0;
    bool havePart = reader.Next(&part, &partLength);

    if (!hasDrive) {
        if (!havePart)
            return -2;
        if (IsSeparator(rest[0]) && IsSeparator(rest[1])) {
            // A network name: server and share are no directory entries that could be looked up.
            if (!result.Append("\\\\") || !result.Append(part, partLength))
                return -1;
            havePart = reader.Next(&part, &partLength);
            if (havePart && (!result.Append("\\") || !result.Append(part, partLength)))
                return -1;
            havePart = havePart && reader.Next(&part, &partLength);
        } else if (IsSeparator(rest[0])) {
            if (!result.Append("\\") || !result.Append(part, partLength))
                return -1;
            havePart = reader.Next(&part, &partLength);
        }
        // A relative path stays relative: its first component is looked up against the current
        // directory like the others, rather than against the root of the drive.
    }

    // "C:name" names an entry of the drive's current directory, as a relative path does of the
    // current directory: its first component follows the drive without a separator, so that it
    // is looked up (and kept) where the platform would open it, not at the drive's root.
    bool joinDrive = hasDrive && !IsSeparator(rest[0]);
    for (; havePart; havePart = reader.Next(&part, &partLength)) {
        if (result.length > 0 && !joinDrive && !result.Append("\\"))
            return -1;
        joinDrive = false;
        const size_t keep = result.length;
        if (!result.Append(part, partLength))
            return -1;
        if ((partLength == 1 && part[0] == '.') || (partLength == 2 && part[0] == '.' && part[1] == '.'))
            continue; // not entry names: a lookup would resolve them instead of naming them
        // A wildcard would find some other entry; such a path names no single file.
        if (memchr(part, '*', partLength) || memchr(part, '?', partLength))
            return -1;
        char stored[MAX_PATH];
        if (!StoredName(result.text, stored))
            return -1;
        result.length = keep;
        result.text[keep] = '\0';
        if (!result.Append(stored))
            return -1;
    }

    if (result.length == 0)
        return -2;
    memcpy(out, result.text, result.length + 1);
    return 0;
}

std::string BaseNameOf(const char* path)
{
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == '/' || *p == ':')
            name = p + 1;
    std::string s(name);
    const size_t dot = s.find_last_of('.');
    return dot == std::string::npos ? s : s.substr(0, dot);
}
