#include "album/AlbumDoc.h"

#include <string.h>
#include "win/Handles.h"

CAlbumDoc2::CAlbumDoc2()
    : m_bAutoCheck(1), m_wThumbWidth(0), m_wThumbHeight(0), m_nLoadOutcome(ALBUM_LOAD_NONE), m_dwLoadAnnounced(0),
      m_nLoadRead(0)
{
    m_szExePath[0] = '\0';
    m_szPath[0] = '\0';
    m_szDescription[0] = '\0';
}

CAlbumDoc2::~CAlbumDoc2() = default;

CAlbumDoc2& CAlbumDoc2::operator=(const CAlbumDoc2& other)
{
    if (this == &other)
        return *this;
    CThumbTable2::operator=(other);
    memcpy(m_szExePath, other.m_szExePath, sizeof m_szExePath);
    memcpy(m_szPath, other.m_szPath, sizeof m_szPath);
    memcpy(m_szDescription, other.m_szDescription, sizeof m_szDescription);
    m_bAutoCheck = other.m_bAutoCheck;
    m_wThumbWidth = other.m_wThumbWidth;
    m_wThumbHeight = other.m_wThumbHeight;
    m_nLoadOutcome = other.m_nLoadOutcome;
    m_dwLoadAnnounced = other.m_dwLoadAnnounced;
    m_nLoadRead = other.m_nLoadRead;
    return *this;
}

char* CAlbumDoc2::GetPath() { return m_szPath; }

void CAlbumDoc2::SetPath(const char* path)
{
    // A path cut to fit would name another file at the next save: keep the old one.
    if (!path || strlen(path) >= sizeof m_szPath)
        return;
    if (lstrcmpiA(path, m_szPath) != 0)
        m_nLoadOutcome = ALBUM_LOAD_NONE; // what was read of the old file says nothing of this one
    win::CopyText(m_szPath, sizeof m_szPath, path);
    if (m_szDescription[0] == '\0')
        win::CopyText(m_szDescription, sizeof m_szDescription, m_szPath);
}

int CAlbumDoc2::HoldsOnlyPartOf(const char* path) const
{
    return path && m_nLoadOutcome == ALBUM_LOAD_PARTIAL && lstrcmpiA(path, m_szPath) == 0;
}

char* CAlbumDoc2::GetDescription() { return m_szDescription; }

void CAlbumDoc2::SetDescription(const char* description)
{
    win::CopyText(m_szDescription, sizeof m_szDescription, description);
}

char* CAlbumDoc2::GetExePath() { return m_szExePath; }

void CAlbumDoc2::SetExePath(const char* folder)
{
    win::CopyText(m_szExePath, sizeof m_szExePath, folder);
}

void CAlbumDoc2::SetAutoCheck(int check) { m_bAutoCheck = check; }

int CAlbumDoc2::SetThumbnailSize(WORD width, WORD height)
{
    if (width == 0 || height == 0)
        return 0;
    m_wThumbWidth = width;
    m_wThumbHeight = height;
    return 1;
}
