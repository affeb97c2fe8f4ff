// One album in memory: the thumbnail table, the album file's path and description, and what is
// needed to find the source images again.
#pragma once

#include "ThumbTable.h"

#define ALBUM_PATH_BUFFER 256

// Box side used to rebuild a thumbnail when neither the document nor the thumbnail gives one.
constexpr WORD kDefaultThumbnailSide = 96;

class ALBUM_API CAlbumDoc2 : public CThumbTable2 {
public:
    CAlbumDoc2();
    ~CAlbumDoc2() override;

    // Shallow copy of every field, the table's count and list included.
    CAlbumDoc2& operator=(const CAlbumDoc2& other);
    CAlbumDoc2(const CAlbumDoc2&) = delete;

    char* GetPath();
    // Also copies the path into the description when the description is empty. A path of 256
    // characters or more does not fit and is refused: the document keeps its path.
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
    // header is short or wrong, and 0 without touching the document for a path of 256 characters
    // or more. The file is rewritten only when it really ended early (or thumbnails were
    // rebuilt); never after a failed read or a size it cannot back.
    int Load(const char* path);
    // Writes the album to path. The old file is replaced only once the new one is complete; on
    // failure it is left as it was. Non-zero on success.
    int Save(const char* path);

    // Resolves a stored name: a name with a drive (or a network name) as it stands; otherwise the
    // program folder + name, then the album's folder + name, whichever exists. out holds 260
    // bytes; 1 when found, else 0 with out empty.
    int GetThumbnailFullPath(const char* name, char* out);
    // The first thumbnail whose stored name or resolved path equals path, ignoring ASCII case.
    CThumbnail2* FindFileInDoc(const char* path);
    // Brings one thumbnail up to date with its source image; 1 when it was rebuilt.
    int Refresh(CThumbnail2* t);

private:
    // -1 source gone; 1 unchanged; 0 changed (the record's dwFileTime is then updated).
    int CheckSourceFile(tagALBUMINFOHEADER* info, const char* fullPath);

public:
    char m_szExePath[MAX_PATH];
    char m_szPath[ALBUM_PATH_BUFFER];
    char m_szDescription[ALBUM_PATH_BUFFER];
    int m_bAutoCheck;
    WORD m_wThumbWidth;
    WORD m_wThumbHeight;
};

// Kept for hosts that set it; stored names always keep one folder level.
ALBUM_API void ChangeRelativePathDepth(int depth);
