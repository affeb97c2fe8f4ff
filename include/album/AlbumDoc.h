// One album in memory: the thumbnail table, the album file's path and description, and what is
// needed to find the source images again.
#pragma once

#include "ThumbTable.h"

#define ALBUM_PATH_BUFFER 256

// Box side used to rebuild a thumbnail when neither the document nor the thumbnail gives one.
constexpr WORD kDefaultThumbnailSide = 96;

// How the last Load read its album file.
enum AlbumLoadOutcome {
    ALBUM_LOAD_NONE = 0,   // nothing read: no Load yet, or the file was refused
    ALBUM_LOAD_WHOLE = 1,  // read to its end: every thumbnail, or all that a cut file holds
    ALBUM_LOAD_PARTIAL = 2 // stopped early (a failed read, a size it cannot back, want of memory):
                           // the file holds thumbnails the document does not
};

class ALBUM_API CAlbumDoc2 : public CThumbTable2 {
public:
    CAlbumDoc2();
    ~CAlbumDoc2() override;

    // Shallow copy of every field, the table's count and list included.
    CAlbumDoc2& operator=(const CAlbumDoc2& other);
    CAlbumDoc2(const CAlbumDoc2&) = delete;

    char* GetPath();
    // Also copies the path into the description when the description is empty. A path of 256
    // characters or more does not fit and is refused: the document keeps its path. Another path
    // than the loaded one leaves the load outcome behind (ALBUM_LOAD_NONE).
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
    // rebuilt); never after a failed read or a size it cannot back. GetLoadOutcome tells which.
    int Load(const char* path);
    // Writes the album to path. The old file is replaced only once the new one is complete; on
    // failure it is left as it was. Non-zero on success. A save to the document's own path makes
    // the file whole again (ALBUM_LOAD_WHOLE).
    int Save(const char* path);

    // How the last Load ended; the thumbnails its file announced and those it read.
    AlbumLoadOutcome GetLoadOutcome() const { return static_cast<AlbumLoadOutcome>(m_nLoadOutcome); }
    DWORD GetLoadAnnounced() const { return m_dwLoadAnnounced; }
    int GetLoadRead() const { return m_nLoadRead; }
    // Whether path is the document's album file and the last Load read only part of it, nothing
    // having been saved there since: saving over it would lose the thumbnails left unread. Every
    // caller that loads, changes and saves an album asks this before it saves.
    int HoldsOnlyPartOf(const char* path) const;

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
    int m_nLoadOutcome;       // AlbumLoadOutcome of the last Load, for the album file at m_szPath
    DWORD m_dwLoadAnnounced;  // thumbnails that file announced
    int m_nLoadRead;          // thumbnails read from it
};

// Kept for hosts that set it; stored names always keep one folder level.
ALBUM_API void ChangeRelativePathDepth(int depth);
