#include "search/ImageFiles.h"

#include <malloc.h>
#include <stdlib.h>
#include <string.h>
#include <new>
#include "win/AbortCheck.h"
#include "win/Handles.h"
#include "win/Realloc.h"

namespace {

const char* const kImagePatterns[] = {
    "*.lcf", "*.JPG", "*.BMP", "*.TIF", "*.GIF", "*.png", "*.PCX", "*.TGA", "*.fpx", "*.psd", "*.PCD",
};

bool IsValidList(PathSlot** list, int* count)
{
    if (!list || !count || *count < 0)
        return false;
    return (*list == nullptr) == (*count == 0);
}

// folder + "\" + name into out; false when it does not fit (a cut path would name another file).
// No second backslash after a folder that already ends in one ("C:\").
bool JoinPath(char (&out)[MAX_PATH], const char* folder, const char* name)
{
    size_t f = strlen(folder), n = strlen(name);
    bool separator = f == 0 || (folder[f - 1] != '\\' && folder[f - 1] != '/');
    size_t total = f + (separator ? 1 : 0) + n;
    if (total >= MAX_PATH)
        return false;
    memcpy(out, folder, f);
    if (separator)
        out[f++] = '\\';
    memcpy(out + f, name, n);
    out[total] = '\0';
    return true;
}

class FindHandle {
public:
    FindHandle(const char* pattern, WIN32_FIND_DATAA* data) : h_(FindFirstFileA(pattern, data)) {}
    ~FindHandle()
    {
        if (h_ != INVALID_HANDLE_VALUE)
            FindClose(h_);
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    bool Next(WIN32_FIND_DATAA* data) { return FindNextFileA(h_, data) != 0; }

private:
    HANDLE h_;
};

// What identifies a folder however it is reached.
struct FolderId {
    DWORD volume, high, low;
    bool operator==(const FolderId& o) const { return volume == o.volume && high == o.high && low == o.low; }
};

bool ReadFolderId(const char* path, FolderId* id)
{
    win::UniqueHandle h(CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!h || !GetFileInformationByHandle(h.get(), &info))
        return false;
    *id = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
    return true;
}

// One folder of the walk and the folders above it, their identities read only when a link
// turns up.
struct WalkFolder {
    const char* path;
    const WalkFolder* parent;
    mutable int idState = 0; // 0 unread, 1 read, -1 unreadable
    mutable FolderId id = {};

    bool Is(const FolderId& other) const
    {
        if (idState == 0)
            idState = ReadFolderId(path, &id) ? 1 : -1;
        return idState == 1 && id == other;
    }
    bool IsOrIsBelow(const FolderId& other) const
    {
        for (const WalkFolder* f = this; f; f = f->parent)
            if (f->Is(other))
                return true;
        return false;
    }
};

int Collect(const WalkFolder& here, PathSlot** list, int* count)
{
    char pattern[MAX_PATH];
    if (!JoinPath(pattern, here.path, "*."))
        return kListUnreadable;
    WIN32_FIND_DATAA fd;
    FindHandle find(pattern, &fd);
    if (!find.valid())
        return kListUnreadable;
    do {
        if (EscAbortCheck())
            return kListStopped;
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        // "*." asks for names without an extension; not every file system honours that, so
        // the name is checked here too. This also passes over "." and "..".
        if (strchr(fd.cFileName, '.'))
            continue;
        char path[MAX_PATH];
        if (!JoinPath(path, here.path, fd.cFileName))
            continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            // A link back to a folder of this walk would be walked again and again.
            FolderId target;
            if (ReadFolderId(path, &target) && here.IsOrIsBelow(target))
                continue;
        }
        if (!AppendPath(list, count, path))
            return kListNoMemory;
        WalkFolder inner{path, &here};
        int result = Collect(inner, list, count);
        if (result == kListStopped || result == kListNoMemory)
            return result;
    } while (find.Next(&fd));
    return 0;
}

// Calls take(path, entry) for the folder's image files, pattern by pattern in the fixed order,
// each pattern's files in the order the file system returns them. When take answers false the
// current pattern ends and the next goes on.
template <class Take>
void ForEachImageFile(const char* folder, Take take)
{
    if (!folder)
        return;
    for (const char* image : kImagePatterns) {
        char pattern[MAX_PATH];
        if (!JoinPath(pattern, folder, image))
            break; // the folder itself is too long for any pattern
        WIN32_FIND_DATAA fd;
        FindHandle find(pattern, &fd);
        if (!find.valid())
            continue;
        do {
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                continue; // a folder named "x.jpg" is not an image
            char path[MAX_PATH];
            if (!JoinPath(path, folder, fd.cFileName))
                continue;
            if (!take(static_cast<const char*>(path), static_cast<const WIN32_FIND_DATAA&>(fd)))
                break;
        } while (find.Next(&fd));
    }
}

} // namespace

bool AppendPath(PathSlot** list, int* count, const char* path)
{
    if (!list || !count || !path)
        return false;
    size_t length = strnlen(path, MAX_PATH);
    if (length >= MAX_PATH)
        return false;
    char copy[MAX_PATH]; // the path may lie in the list that is about to move
    memcpy(copy, path, length);
    // The list grows to count + 1 slots as far as its owner can tell; underneath, room is made
    // in steps, so a list of many thousand paths is not copied once per path.
    size_t capacity = *list ? _msize(*list) / sizeof(PathSlot) : 0;
    size_t needed = static_cast<size_t>(*count) + 1;
    if (needed > capacity) {
        size_t room = needed < 8 ? 8 : needed + needed / 2;
        void* grown = win::Realloc(*list, room * sizeof(PathSlot));
        if (!grown)
            return false;
        *list = static_cast<PathSlot*>(grown);
    }
    memcpy((*list)[*count], copy, length);
    (*list)[*count][length] = '\0';
    ++*count;
    return true;
}

void FreePathList(PathSlot** list, int* count)
{
    if (list) {
        free(*list);
        *list = nullptr;
    }
    if (count)
        *count = 0;
}

int CollectSubfolders(const char* folder, PathSlot** list, int* count)
{
    if (!IsValidList(list, count))
        return kListRefused;
    if (!folder)
        return kListUnreadable;
    return Collect(WalkFolder{folder, nullptr}, list, count);
}

int ListImageFiles(const char* folder, PathSlot** list, int* count)
{
    if (!IsValidList(list, count))
        return kListRefused;
    ForEachImageFile(folder, [&](const char* path, const WIN32_FIND_DATAA&) {
        if (AppendPath(list, count, path))
            return true;
        FreePathList(list, count);
        return false;
    });
    return *count;
}

int ListImageFileEntries(const char* folder, std::vector<ImageFileEntry>& entries)
{
    ForEachImageFile(folder, [&](const char* path, const WIN32_FIND_DATAA& fd) {
        ImageFileEntry e;
        memcpy(e.path, path, strlen(path) + 1);
        e.size = (uint64_t(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
        e.created = fd.ftCreationTime;
        e.written = fd.ftLastWriteTime;
        try {
            entries.push_back(e);
            return true;
        } catch (const std::bad_alloc&) {
            entries.clear();
            return false;
        }
    });
    return static_cast<int>(entries.size());
}

int ScanFolderFiles(const char* folder, PathSlot** list, int* count, int includeSubfolders)
{
    if (!IsValidList(list, count))
        return kListRefused;
    win::WaitCursor wait;
    if (!includeSubfolders)
        return ListImageFiles(folder, list, count);

    PathSlot* folders = nullptr;
    int folderCount = 0;
    int result = CollectSubfolders(folder, &folders, &folderCount);
    // The folder's own files come after those of all its subfolders.
    if (result == 0 && !AppendPath(&folders, &folderCount, folder))
        result = kListNoMemory;
    if (result == 0)
        for (int i = 0; i < folderCount; ++i)
            ListImageFiles(folders[i], list, count);
    FreePathList(&folders, &folderCount);
    return result == 0 ? *count : result;
}
