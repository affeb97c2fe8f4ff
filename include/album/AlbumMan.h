// The album manager: the object behind one album manager window (a modeless dialog listing the
// albums of one album folder, showing the current album in its album control). It creates,
// renames, saves and switches albums and adds, deletes, sorts and searches images.
#pragma once

#include "AlbumCtrl.h"
#include <shellapi.h>

class ALBUM_API CAlbumMan {
public:
    CAlbumMan();
    ~CAlbumMan();
    CAlbumMan(const CAlbumMan& other);
    CAlbumMan& operator=(const CAlbumMan& other);

    // A manager making thumbnails of width x height; null unless both are 1 to 65535.
    static CAlbumMan* CreateAlbumMan(int width, int height);
    // 1 and the new size when both are 1 to 65535; 0 and no change otherwise.
    int SetAlbumOption(int width, int height);
    // Settings of the Add dialog: file type shown first, default extension (up to 15 characters),
    // the types offered, and the folder it starts in.
    void SetOpenFileFormat(int formatIndex, const char* defaultExt, int formatMask, const char* initialFolder);

    // Creates and fills the manager window owned by host for the albums of folder. 0 when host
    // is no window, the folder does not exist, or the window cannot be made.
    int Open(HWND host, const char* folder);
    // A second manager window on this one's folder under parent; its dialog, or null.
    HWND NewWindow(HWND parent);
    CAlbumCtrl* GetAlbumCtrl();
    // The current album's file path into a 260-byte buffer; 1.
    int GetCurrentAlbumName(char* path);

    // The album list.
    void LoadAlbumList();
    int AddFileToList(const char* name, int select);
    void ClearAlbumList();
    // folder + "\" + the entry's text + ".abm" into a 260-byte buffer; 0 when it does not fit or
    // the entry does not exist.
    int GetAlbumPath(int index, char* path);

    // Album life cycle.
    int NewAlbum();
    int Save();
    void DoNeedSave();
    int Reload(const char* path);

    // Adding images.
    int Add();
    int AddFolder();
    // Fits dib into the thumbnail box and inserts it; the caller keeps dib.
    int InsertFromDib(HGLOBAL dib, const char* description, const char* path, const char* unused);
    int InsertFromFile(const char* path, const char* description);
    int OnDropFiles(HDROP drop);

    // Commands on the current album.
    int Delete();
    int Sort();
    void Search();
    int RefreshAlbum();
    void UpdateDescLine();

    // Docking: the window size (width low 16 bits, height high 16) for a dock request and a
    // proposed size packed the same way.
    DWORD MoveSize(int request, DWORD proposed);
    // The thumbnail menu for a right click (the 0x507 message's wParam and lParam).
    void ShowPopupMenu(WPARAM wParam, LPARAM lParam);
    // The print command of the manager window: contact sheets of the current album.
    int Print();

    // Full paths of the active manager window's album (every thumbnail, or the selected ones) as
    // one fixed block of 260-character slots the caller frees. 0 when there is no such window.
    static int GetImageListFromActiveAlbum(int& count, char (*&list)[MAX_PATH]);
    static int GetSelectImageListFromActiveAlbum(int& count, char (*&list)[MAX_PATH]);

public:
    // The dialog window stays the first field: the album registry knows managers by it.
    HWND m_hDlg;
    char m_szFolder[MAX_PATH];
    int m_nAlbumCount;             // list entries, "New Album" included
    CAlbumCtrl* m_pCtrl;           // the dialog's album control (item 104); not owned
    int m_nThumbWidth;
    int m_nThumbHeight;
    int m_bModified;
    int m_bNewAlbum;               // the current album is the unsaved "New Album"
    int m_nCurrent;                // list index of the current album; -1 none
    CThumbnail2* m_pDescTarget;    // whose description the description box shows; null: the album's
    HWND m_hDockTrigger;
    int m_nOpenFormat;
    char m_szDefaultExt[16];
    int m_nFormatMask;
    char m_szInitialFolder[MAX_PATH];
    int m_nDockMode;
    HWND m_hDockFrame;
    HWND m_hAlbumList;             // the drop-down list (item 101)
    HWND m_hHost;
};

static_assert(offsetof(CAlbumMan, m_hDlg) == 0, "the dialog window is the manager's first field");
