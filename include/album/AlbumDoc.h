// One album in memory: the thumbnail table, the album file's path and description, and what is
// needed to find the source images again.
#pragma once

#include "ThumbTable.h"

#define ALBUM_PATH_BUFFER 256

class ALBUM_API CAlbumDoc2 : public CThumbTable2 {
public:
    CAlbumDoc2();
    ~CAlbumDoc2() override;

    // Shallow copy of every field, the table's count and list included.
    CAlbumDoc2& operator=(const CAlbumDoc2& other);
    CAlbumDoc2(const CAlbumDoc2&) = delete;

    char* GetPath();
    // Also copies the path into the description when the description is empty.
    void SetPath(const char* path);
    char* GetDescription();
    void SetDescription(const char* description);
    char* GetExePath();
    void SetExePath(const char* folder);
    void SetAutoCheck(int check);
    // 0 when width * height is 0 (nothing changes); otherwise stores both and returns 1.
    int SetThumbnailSize(WORD width, WORD height);

    // Replaces the thumbnails with those of the album file. 1 when the header was accepted (even
    // if fewer thumbnails than announced could be read), 0 when the file cannot be opened or its
    // header is short or wrong.
    int Load(const char* path);
    // Writes the album to path. The old file is replaced only once the new one is complete; on
    // failure it is left as it was. Non-zero on success.
    int Save(const char* path);

    // Brings one thumbnail up to date with its source image; 1 when it was rebuilt.
    int Refresh(CThumbnail2* t);

public:
    char m_szExePath[MAX_PATH];
    char m_szPath[ALBUM_PATH_BUFFER];
    char m_szDescription[ALBUM_PATH_BUFFER];
    int m_bAutoCheck;
    WORD m_wThumbWidth;
    WORD m_wThumbHeight;
};
