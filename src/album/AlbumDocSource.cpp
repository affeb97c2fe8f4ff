// Finding a thumbnail's source image again and noticing that it changed.
#include "album/AlbumDoc.h"

#include <string.h>
#include "album/CaptionCache.h"
#include "album/FileStatus.h"
#include "album/FolderListing.h"
#include "album/SourceFile.h"
#include "album/TextKeys.h"
#include "album/ThumbBuild.h"
#include "win/Handles.h"

namespace {

int g_relativePathDepth = 1;

// A drive letter and colon, or a network name (two backslashes).
bool HasDrivePart(const char* name)
{
    return (name[0] != '\0' && name[1] == ':') || (name[0] == '\\' && name[1] == '\\');
}

// folder + name into out (MAX_PATH bytes) when it fits and names an existing file system entry.
bool TryCandidate(const char* folder, size_t folderLength, const char* name, char* out)
{
    const size_t nameLength = strlen(name);
    if (folderLength + nameLength >= MAX_PATH)
        return false;
    char candidate[MAX_PATH];
    memcpy(candidate, folder, folderLength);
    memcpy(candidate + folderLength, name, nameLength + 1);
    if (!album::PathExists(candidate))
        return false;
    memcpy(out, candidate, folderLength + nameLength + 1);
    return true;
}

// Length of the drive and folder part of a path, up to and including its last separator.
size_t FolderLength(const char* path)
{
    size_t length = 0;
    for (size_t i = 0; path[i]; ++i)
        if (path[i] == '\\' || path[i] == '/' || (i == 1 && path[i] == ':'))
            length = i + 1;
    return length;
}

bool EndsWithNoCase(const char* text, const char* tail)
{
    size_t a = strlen(text), b = strlen(tail);
    return b <= a && textkeys::EqualNoCase(text + (a - b), tail);
}

} // namespace

void ChangeRelativePathDepth(int depth) { g_relativePathDepth = depth; }

namespace album {

size_t AlbumFolderLength(const char* albumPath) { return albumPath ? FolderLength(albumPath) : 0; }

void PrefetchSourceFolders(CAlbumDoc2& doc, const char* name)
{
    if (!name || !*name)
        return;
    if (HasDrivePart(name)) {
        PrefetchFolderOf(name);
        return;
    }
    // The two candidates, as GetThumbnailFullPath tries them.
    const char* folders[] = {doc.m_szExePath, doc.m_szPath};
    const size_t lengths[] = {strnlen(doc.m_szExePath, sizeof doc.m_szExePath), FolderLength(doc.m_szPath)};
    for (int i = 0; i < 2; ++i) {
        const size_t nameLength = strlen(name);
        if (lengths[i] + nameLength >= MAX_PATH)
            continue;
        char candidate[MAX_PATH];
        memcpy(candidate, folders[i], lengths[i]);
        memcpy(candidate + lengths[i], name, nameLength + 1);
        PrefetchFolderOf(candidate);
    }
}

} // namespace album

int CAlbumDoc2::GetThumbnailFullPath(const char* name, char* out)
{
    if (!name || !out)
        return 0;
    out[0] = '\0';
    if (HasDrivePart(name)) {
        win::CopyText(out, MAX_PATH, name);
        return 1;
    }
    if (TryCandidate(m_szExePath, strnlen(m_szExePath, sizeof m_szExePath), name, out))
        return 1;
    if (TryCandidate(m_szPath, FolderLength(m_szPath), name, out))
        return 1;
    return 0;
}

CThumbnail2* CAlbumDoc2::FindFileInDoc(const char* path)
{
    if (!path)
        return nullptr;
    char resolved[MAX_PATH];
    for (CThumbnail2* t = m_pEnd->m_pNext; t != m_pEnd; t = t->m_pNext) {
        const char* name = t->m_Info.szFileName;
        if (textkeys::EqualNoCase(path, name))
            return t;
        // A resolved name ends with the stored name, so only then is the file system asked.
        if (!EndsWithNoCase(path, name))
            continue;
        GetThumbnailFullPath(name, resolved);
        if (textkeys::EqualNoCase(path, resolved))
            return t;
    }
    return nullptr;
}

int CAlbumDoc2::CheckSourceFile(tagALBUMINFOHEADER* info, const char* fullPath)
{
    FileStatus status;
    if (!album::QuerySourceStatus(fullPath, &status))
        return -1;
    if (status.lastWriteTime <= info->dwFileTime)
        return 1;
    info->dwFileTime = status.sourceTime();
    return 0;
}

int CAlbumDoc2::Refresh(CThumbnail2* t)
{
    if (!t)
        return 0;
    char fullPath[MAX_PATH];
    if (!GetThumbnailFullPath(t->m_Info.szFileName, fullPath)) {
        t->m_bExist = 0;
        return 0;
    }
    album::KeepRealFileName(*t, fullPath);
    switch (CheckSourceFile(&t->m_Info, fullPath)) {
    case -1:
        t->m_bExist = 0;
        return 0;
    case 1:
        t->m_bExist = 1;
        return 0;
    default:
        break;
    }

    // A document whose owner never set a thumbnail size rebuilds at the scale the thumbnail
    // already has.
    WORD boxWidth = m_wThumbWidth, boxHeight = m_wThumbHeight;
    if (boxWidth == 0 || boxHeight == 0) {
        WORD side = t->m_Info.wThumbWidth > t->m_Info.wThumbHeight ? t->m_Info.wThumbWidth : t->m_Info.wThumbHeight;
        boxWidth = boxHeight = side ? side : kDefaultThumbnailSide;
    }
    CThumbnail2* fresh = BuildThumbnailFromFile(fullPath, boxWidth, boxHeight, nullptr);
    if (!fresh) {
        // The updated time stays, so the next check finds the file unchanged.
        t->m_bExist = 1;
        return 0;
    }
    memcpy(fresh->m_Info.szFileName, t->m_Info.szFileName, sizeof fresh->m_Info.szFileName);
    HGLOBAL old = t->m_hDib;
    t->m_hDib = fresh->m_hDib;
    fresh->m_hDib = old;
    t->m_Info = fresh->m_Info;
    delete fresh; // frees the old image
    t->m_bExist = 1;
    return 1;
}
