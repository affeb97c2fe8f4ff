// Album manager windows on real album folders, with their real dialogs answered by a script.
#include <shlobj.h>
#include <set>
#include "album/AlbumMan.h"
#include "album/AlbumMessages.h"
#include "album/OrderedWork.h"
#include "control/AlbumManOps.h"
#include "control/ManagerState.h"
#include "resource.h"
#include "support/DialogScript.h"
#include "support/ManagerSuite.h"
#include "support/TestSupport.h"
#include "views/PrintDialog.h"
#include "win/AbortCheck.h"

using namespace testsupport;

namespace {

std::string Text(UINT id) { return manager::LoadText(id); }

std::vector<std::string> Entries(CAlbumMan* m) { return ComboItems(m->m_hAlbumList); }
std::string Item(CAlbumMan* m, int id) { return ItemText(m->m_hDlg, id); }
// Chooses an album in the window's list, as a click in the list does.
void Choose(CAlbumMan* m, const std::string& name)
{
    SendMessageA(m->m_hAlbumList, CB_SETCURSEL, SendMessageA(m->m_hAlbumList, CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(name.c_str())), 0);
    SendMessageA(m->m_hDlg, WM_COMMAND, MAKEWPARAM(101, CBN_SELCHANGE), 0);
}
CAlbum* AlbumOf(CAlbumMan* m) { return m->GetAlbumCtrl()->GetAlbum(); }

// The album's print call, replaced: "document selection names width height" of each call.
std::vector<std::string> g_prints;
int g_printResult = 1;
int RecordPrint(CAlbum&, const char* document, int selection, int names, int width, int height, PRINTDLGA)
{
    g_prints.push_back(std::string(document) + " " + std::to_string(selection) + " " + std::to_string(names) + " " +
                       std::to_string(width) + " " + std::to_string(height));
    return g_printResult;
}

struct AlbumManTest : ManagerSuite {

    ScratchDir dir;
    std::vector<HWND> windows;
    const printing::AlbumPrintCall print = printing::g_printAlbum;
    void TearDown() override
    {
        for (HWND w : windows)
            if (IsWindow(w))
                DestroyWindow(w);
        manager::SetClipboard(nullptr);
        g_HostCallbacks = {};
        printing::g_printAlbum = print;
    }

    // An album file of count thumbnails whose source images are real files in the folder.
    void MakeAlbum(const std::string& name, int count)
    {
        std::vector<tagALBUMINFOHEADER> records;
        for (int i = 1; i <= count; ++i) {
            std::string image = dir.File(name + "_" + std::to_string(i) + ".bmp");
            WriteBmpFile(image, 20 + i, 10 + i, unsigned(i));
            SetFileTimes(image, 0x50000000u + unsigned(i) * 1000, 0x50000000u + unsigned(i) * 1000);
            records.push_back(MakeRecord(image.c_str(), DWORD(1000 * i), 0x50000000u + unsigned(i) * 1000));
            records.back().wWidth = WORD(20 + i), records.back().wHeight = WORD(10 + i);
        }
        SaveAlbum(dir.File(name + ".abm"), records);
    }

    CAlbumMan* Open(const std::string& lastOpen = "")
    {
        WritePrivateProfileStringA("Context", "LastOpen", lastOpen.c_str(), "album.ini");
        CAlbumMan* m = CAlbumMan::CreateAlbumMan(96, 72);
        EXPECT_EQ(m->Open(host->hwnd(), dir.path().c_str()), 1);
        windows.push_back(m->m_hDlg);
        return m;
    }
    void Command(CAlbumMan* m, int id, int code = 0)
    {
        SendMessageA(m->m_hDlg, WM_COMMAND, MAKEWPARAM(id, code), 0);
    }
    void SelectAll(CAlbumMan* m)
    {
        CAlbum* a = AlbumOf(m);
        a->SetCurrentFocus(1);
        HoldKeys({VK_SHIFT});
        a->OnKeyDown(WM_KEYDOWN, VK_END, 0);
        HoldKeys();
    }
};

} // namespace

TEST_F(AlbumManTest, OpensOnANewAlbumOrOnTheLastAlbumInTheFoldersOrder)
{
    // A folder without albums: a new album, neither saved nor offered for printing while empty.
    CAlbumMan* fresh = Open();
    EXPECT_EQ(Entries(fresh), std::vector<std::string>{"New Album"});
    EXPECT_EQ(fresh->m_bNewAlbum, 1);
    EXPECT_EQ(Item(fresh, 102) + "|" + Item(fresh, 207), Text(IDS_NEW_ALBUM_NAME) + "|Image files in album: 0");
    fresh->m_bModified = 1;
    EXPECT_EQ(fresh->Save(), 0);
    EXPECT_EQ(dir.List(), std::vector<std::string>{});
    {
        DialogScript none;
        none.On("Print Thumbnails", [](HWND d) { DialogScript::Press(d, IDCANCEL); });
        EXPECT_EQ(fresh->Print(), 0);
        EXPECT_EQ(none.Pending(), 1u);
    }

    MakeAlbum("b", 2);
    MakeAlbum("a", 3);
    std::vector<std::string> order; // the folder's order, then the new album
    for (const std::string& name : dir.List())
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".abm") == 0)
            order.push_back(name.substr(0, name.size() - 4));
    order.push_back("New Album");

    CAlbumMan* m = Open("A");
    EXPECT_EQ(Entries(m), order);
    ASSERT_GE(m->m_nCurrent, 0);
    EXPECT_EQ(order[size_t(m->m_nCurrent)] + " " + std::to_string(m->m_bModified) + " " + Item(m, 207),
              "a 0 Image files in album: 3");

    // Focus on a thumbnail: its date, size (2000 bytes, rounded) and dimensions.
    AlbumOf(m)->SetCurrentFocus(2);
    EXPECT_NE(Item(m, 207).find("File Size: 2 KB   22x 12"), std::string::npos) << Item(m, 207);
}

TEST_F(AlbumManTest, ThePrintDialogOpensOnItsDefaultsAndPrintsWhatWasChosen)
{
    MakeAlbum("a", 3);
    CAlbumMan* m = Open("a");
    g_prints.clear(), g_printResult = 1;
    printing::g_printAlbum = RecordPrint;
    // Choices made earlier in the process do not come back.
    printing::Current().printAll = 0;
    printing::Current().printNames = 0;
    printing::Current().size = 40;
    std::string seen; // "all selected names, owner enabled | chosen size"
    DialogScript script;
    script.On("Print Thumbnails", [&](HWND d) {
        for (int id : {112, 113, 114})
            seen += std::to_string(IsDlgButtonChecked(d, id)) + " ";
        const int chosen = int(SendDlgItemMessageA(d, 111, CB_GETCURSEL, 0, 0));
        seen += std::to_string(IsWindowEnabled(m->m_hDlg)) + " | " + (chosen < 0 ? "" : ComboItems(GetDlgItem(d, 111))[size_t(chosen)]);
        CheckRadioButton(d, 112, 113, 113);
        CheckDlgButton(d, 114, BST_UNCHECKED);
        SendDlgItemMessageA(d, 111, CB_SETCURSEL, 1, 0);
        DialogScript::Press(d, IDOK);
    });
    Command(m, 1007);
    EXPECT_EQ(seen, "1 0 1 0 | 2 inch") << "the defaults; the manager window waits while the dialog is up";
    const std::string album = dir.File("a.abm");
    EXPECT_EQ(g_prints, std::vector<std::string>{album + " 1 2 24 24"});
    auto kept = [] { return std::vector<int>({printing::Current().printAll, printing::Current().printNames, printing::Current().size}); };
    EXPECT_EQ(kept(), std::vector<int>({0, 0, 24}));

    // Again, OK on the defaults as they stand.
    script.On("Print Thumbnails", [](HWND d) { DialogScript::Press(d, IDOK); });
    Command(m, 1007);
    ASSERT_EQ(g_prints.size(), 2u);
    EXPECT_EQ(g_prints[1], album + " 2 1 32 32");

    // Cancel prints nothing and keeps the settings.
    script.On("Print Thumbnails", [](HWND d) { DialogScript::Press(d, IDCANCEL); });
    Command(m, 1007);
    EXPECT_EQ(g_prints.size(), 2u);
    EXPECT_EQ(printing::Current().size, 32);

    // A print that fails is reported.
    g_printResult = 0;
    script.On("Print Thumbnails", [](HWND d) { DialogScript::Press(d, IDOK); });
    script.Answer("Lumicraft 2000", IDOK);
    Command(m, 1007);
    EXPECT_EQ(script.texts, std::vector<std::string>{Text(IDS_PRINT_FAILED)});
    EXPECT_EQ(script.Pending(), 0u);
}

TEST_F(AlbumManTest, NameCheckRefusesWhatCannotBeAnAlbum)
{
    MakeAlbum("taken", 1);
    DialogScript script;
    struct Case { std::string name; UINT message; } cases[] = {
        {"new album", IDS_NAME_RESERVED}, {"  ", IDS_INVALID_ALBUM_NAME}, {"taken", IDS_ALBUM_EXISTS},
        {"a\\b", IDS_INVALID_ALBUM_NAME}, {"nul.txt", IDS_INVALID_ALBUM_NAME}, {"LPT1", IDS_INVALID_ALBUM_NAME},
        {"com9.old", IDS_INVALID_ALBUM_NAME}, {std::string(250, 'n'), IDS_INVALID_ALBUM_NAME}};
    for (const Case& c : cases) {
        script.Answer("Lumicraft 2000", IDOK);
        char name[MAX_PATH];
        strcpy(name, c.name.c_str());
        EXPECT_EQ(manager::CheckAlbumName(host->hwnd(), dir.path().c_str(), name, true), 0) << c.name;
        ASSERT_EQ(script.texts.size(), size_t(&c - cases + 1));
        EXPECT_EQ(script.texts.back(), Text(c.message)) << c.name;
        EXPECT_TRUE(c.name.size() < 250 || name == c.name) << "a name too long for the folder is left as it was";
    }
    char name[MAX_PATH] = "fresh";
    EXPECT_EQ(manager::CheckAlbumName(host->hwnd(), dir.path().c_str(), name, true), 1);
    EXPECT_STREQ(name, "fresh.abm");
    EXPECT_FALSE(FileExists(dir.File("fresh.abm"))) << "the test file is removed again";
    EXPECT_EQ(script.Pending(), 0u);
}

TEST_F(AlbumManTest, AnAlbumReadInPartIsReplacedOnlyWhenTheUserSaysSo)
{
    MakeAlbum("p", 4);
    std::vector<unsigned char> file = ReadBytes(dir.File("p.abm"));
    const uint32_t huge = 768u << 20; // the third image: more than the reader takes
    memcpy(&file[144 + 2 * 288 + 280], &huge, 4);
    WriteBytes(dir.File("p.abm"), file);
    CAlbumMan* m = Open("p");
    EXPECT_EQ(Item(m, 207), "Image files in album: 2 (only 2 of 4 could be read)");

    // Cancel saves nothing; Yes saves the thumbnails as a new album, the damaged one stays listed.
    DialogScript script;
    script.Answer("Album", IDCANCEL).Answer("Album", IDYES).Type("Save New Album", 99, "rescued");
    for (int i = 0; i < 2; ++i) {
        m->m_bModified = 1;
        Command(m, 1001);
        EXPECT_EQ(ReadBytes(dir.File("p.abm")), file);
    }
    EXPECT_EQ(script.texts, std::vector<std::string>(2, "Only 2 of 4 thumbnails of this album could be read. "
                                                       "Replacing it keeps only these 2. Save them as a new album instead?"));
    EXPECT_EQ(m->m_bModified, 0);
    const std::vector<std::string> entries = Entries(m);
    EXPECT_EQ(entries[size_t(m->m_nCurrent)], "rescued");
    EXPECT_EQ(std::count(entries.begin(), entries.end(), "p"), 1);
    EXPECT_EQ(CountInAlbum(dir.File("rescued.abm")), 2);

    // Back on the damaged album, No replaces it; later saves ask no more.
    Choose(m, "p");
    script.Answer("Album", IDNO);
    for (int i = 0; i < 2; ++i) {
        m->m_bModified = 1;
        Command(m, 1001);
    }
    EXPECT_EQ(ReadBytes(dir.File("p.abm"))[8], 2) << "replaced by the two thumbnails read";
    EXPECT_EQ(Item(m, 207), "Image files in album: 2");
    EXPECT_EQ(script.Pending(), 0u);
}

TEST_F(AlbumManTest, RenamingInTheListAndSwitchingAlbums)
{
    MakeAlbum("a", 2);
    MakeAlbum("b", 1);
    CAlbumMan* m = Open("a");
    const int a = m->m_nCurrent;
    // The name of another album is refused, the old name comes back; a new name renames the file.
    auto rename = [&](const char* name) {
        SetWindowTextA(m->m_hAlbumList, name);
        Command(m, 101, CBN_KILLFOCUS);
        return Entries(m)[size_t(a)] + " " + std::to_string(FileExists(dir.File("a.abm")));
    };
    EXPECT_EQ(rename("b"), "a 1");
    EXPECT_EQ(rename("Trip"), "Trip 0");
    EXPECT_TRUE(FileExists(dir.File("Trip.abm")) && CountInAlbum(dir.File("b.abm")) == 1);

    // Switching to b with unsaved changes asks first; No keeps the file as it was.
    m->m_bModified = 1;
    const std::vector<unsigned char> before = ReadBytes(dir.File("Trip.abm"));
    DialogScript script;
    script.Answer("Album", IDNO);
    const int b = a == 0 ? 1 : 0;
    Choose(m, "b");
    EXPECT_EQ(m->m_nCurrent * 10 + AlbumOf(m)->GetThumbNailCount(), b * 10 + 1);
    EXPECT_EQ(ReadBytes(dir.File("Trip.abm")), before);

    // Yes, but the save fails: the album with its changes stays current.
    m->m_bModified = 1;
    SetFileAttributesA(dir.File("b.abm").c_str(), FILE_ATTRIBUTE_READONLY);
    script.Answer("Album", IDYES);
    Choose(m, "Trip");
    SetFileAttributesA(dir.File("b.abm").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(std::vector<int>({m->m_nCurrent, m->m_bModified, int(SendMessageA(m->m_hAlbumList, CB_GETCURSEL, 0, 0))}),
              std::vector<int>({b, 1, b}));
    EXPECT_EQ(script.Pending(), 0u);
}

TEST_F(AlbumManTest, ASwitchThatCannotHappenLosesNothingAndTheListShowsTheCurrentAlbum)
{
    MakeAlbum("a", 4);
    MakeAlbum("gone", 1);
    WriteBytes(dir.File("damaged.abm"), std::vector<unsigned char>(200, 0x5A));
    CAlbumMan* m = Open("a");
    const int a = m->m_nCurrent;
    ASSERT_TRUE(DeleteFileA(dir.File("gone.abm").c_str())); // deleted while the list names it
    auto shown = [m] {
        return std::vector<int>({m->m_nCurrent, int(SendMessageA(m->m_hAlbumList, CB_GETCURSEL, 0, 0)),
                                 AlbumOf(m)->GetThumbNailCount(), AlbumOf(m)->GetCurrentFocus()});
    };
    AlbumOf(m)->SetCurrentFocus(2);
    CThumbnail2* target = m->m_pDescTarget;
    DialogScript script;
    for (const std::string name : {"damaged", "gone"}) {
        script.Answer("Lumicraft 2000", IDOK);
        Choose(m, name);
        ASSERT_FALSE(script.texts.empty());
        EXPECT_NE(script.texts.back().find("\"" + name + "\""), std::string::npos) << script.texts.back();
        EXPECT_EQ(shown(), std::vector<int>({a, a, 4, 2})) << name;
        EXPECT_EQ(m->m_pDescTarget, target);
    }
    // Leaving a new album named on the way: the list, its edit field and LastOpen follow.
    const std::string image = dir.File("new.bmp");
    WriteBmpFile(image, 30, 20, 3);
    Choose(m, "New Album");
    ASSERT_EQ(m->InsertFromFile(image.c_str(), ""), 1);
    script.Answer("Album", IDYES).Type("Save New Album", 99, "Trip");
    Choose(m, "a");
    EXPECT_TRUE(FileExists(dir.File("Trip.abm")));
    EXPECT_EQ(shown(), std::vector<int>({a, a, 4, -1}));
    char edit[MAX_PATH] = "", last[MAX_PATH] = "";
    GetWindowTextA(m->m_hAlbumList, edit, sizeof edit);
    SendMessageA(m->m_hDlg, WM_CLOSE, 0, 0);
    GetPrivateProfileStringA("Context", "LastOpen", "", last, sizeof last, "album.ini");
    EXPECT_EQ(std::string(edit) + " " + last, "a a");
    EXPECT_EQ(script.Pending(), 0u);
}

TEST_F(AlbumManTest, SortKeepsItsChoicesAndDeleteAsksHow)
{
    MakeAlbum("a", 3);
    CAlbumMan* m = Open("a");
    DialogScript script;
    script.On("Sort", [](HWND d) {
        CheckRadioButton(d, 90, 94, 93);
        CheckDlgButton(d, 89, BST_CHECKED);
        DialogScript::Press(d, IDOK);
    });
    Command(m, 1002);
    CAlbum* album = AlbumOf(m);
    EXPECT_EQ(album->m_Doc.GetThumbnail(1)->m_Info.dwFileTime, 0x50000000u + 1000) << "oldest first";
    EXPECT_EQ(m->m_bModified, 1);
    bool kept = false;
    script.On("Sort", [&kept](HWND d) {
        kept = IsDlgButtonChecked(d, 93) == BST_CHECKED && IsDlgButtonChecked(d, 89) == BST_CHECKED;
        DialogScript::Press(d, IDCANCEL);
    });
    EXPECT_EQ(m->Sort(), 0);
    EXPECT_TRUE(kept) << "the dialog opens with the last choices";

    // Delete: Cancel removes nothing; OK with "thumbnails only" removes the thumbnail, not the file.
    album->SetCurrentFocus(2);
    const std::string source = album->m_Doc.GetThumbnail(2)->m_Info.szFileName;
    script.Answer("Delete Options", IDCANCEL);
    EXPECT_EQ(m->Delete(), 0);
    script.On("Delete Options", [](HWND d) { DialogScript::Press(d, IDOK); });
    EXPECT_EQ(m->Delete(), 1);
    EXPECT_EQ(album->GetThumbNailCount(), 2);
    EXPECT_TRUE(FileExists(source));
}

TEST_F(AlbumManTest, ClipboardCopiesBetweenManagerWindowsAndThePopupMenuGraysWhatCannotApply)
{
    MakeAlbum("a", 3);
    MakeAlbum("b", 1);
    CAlbumMan* one = Open("a");
    CAlbumMan* two = Open("b");
    auto grayed = [two](LPARAM cell) { // cut, paste, help
        std::string g;
        for (UINT state : MenuStates([&] { two->ShowPopupMenu(0, cell); }, {40003, 40005, 40009}))
            g += state == ~0u ? '-' : state & MF_GRAYED ? 'g' : 'e';
        return g;
    };
    EXPECT_EQ(grayed(0), "gge") << "empty space, empty clipboard";
    Command(two, 40005);
    EXPECT_EQ(AlbumOf(two)->GetThumbNailCount(), 1) << "nothing to paste yet";
    SelectAll(one);
    Command(one, 40003); // cut: copied first, then removed
    EXPECT_EQ(AlbumOf(one)->GetThumbNailCount(), 0);
    Command(two, 40005);
    EXPECT_EQ(AlbumOf(two)->GetThumbNailCount(), 4);
    EXPECT_EQ(two->m_bModified, 1);
    EXPECT_EQ(grayed(reinterpret_cast<LPARAM>(AlbumOf(two)->m_ppCells[0])), "eee");
}

TEST_F(AlbumManTest, CloseCheckAsksAndKeepsWhatCouldNotBeSaved)
{
    MakeAlbum("a", 2);
    CAlbumMan* m = Open("a");
    HWND dlg = m->m_hDlg;
    m->m_bModified = 1;
    DialogScript script;
    script.Answer("Album", IDCANCEL);
    SendMessageA(dlg, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(dlg)) << "Cancel keeps the window";

    // Yes, but the album file cannot be replaced: the window stays with its changes.
    SetFileAttributesA(dir.File("a.abm").c_str(), FILE_ATTRIBUTE_READONLY);
    script.Answer("Album", IDYES);
    SendMessageA(dlg, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(dlg));
    EXPECT_EQ(m->m_bModified, 1);
    SetFileAttributesA(dir.File("a.abm").c_str(), FILE_ATTRIBUTE_NORMAL);

    int answer = 0;
    script.Answer("Album", IDNO);
    SendMessageA(dlg, 0x110B, 0, reinterpret_cast<LPARAM>(&answer));
    EXPECT_EQ(answer, -1);
    EXPECT_TRUE(IsWindow(dlg)) << "the frame decides";
    // Emptied, then Yes: the file is saved empty, not deleted, and the window closes.
    SelectAll(m);
    ASSERT_EQ(AlbumOf(m)->RemoveSelected(0), 1);
    script.Answer("Album", IDYES);
    SendMessageA(dlg, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(dlg));
    EXPECT_EQ(ReadBytes(dir.File("a.abm")).size(), 144u) << "saved empty, not deleted";
    EXPECT_EQ(script.texts, std::vector<std::string>(4, Text(IDS_SAVE_MODIFIED)));
    EXPECT_EQ(script.Pending(), 0u);
}

// Files dragged in go in front of the thumbnail under the cursor, a folder's images as Add Folder
// adds them, others counted; through the shell's message, those not read are told of once.
TEST_F(AlbumManTest, DroppedFilesAreAddedAndFailuresCountedOrReportedOnce)
{
    MakeAlbum("a", 2);
    CAlbumMan* m = Open("a");
    CreateDirectoryA(dir.File("sub").c_str(), nullptr);
    WriteBmpFile(dir.File("x.bmp"), 30, 20, 5);
    WriteBmpFile(dir.File("sub\\y.bmp"), 20, 30, 6);
    WriteBytes(dir.File("sub\\z.txt"), {'z'});
    WriteBytes(dir.File("notes.txt"), {'n'});
    CAlbum* album = AlbumOf(m);
    const std::vector<std::string> dropped = {dir.File("x.bmp"), dir.File("notes.txt"), dir.File("sub")};
    ASSERT_EQ(InsertDroppedFiles(*m, dropped, album->m_Doc.GetThumbnail(2)), 1);
    std::vector<std::string> names;
    for (int i = 1; i <= album->GetThumbNailCount(); ++i)
        names.push_back(strrchr(album->m_Doc.GetThumbnail(i)->m_Info.szFileName, '\\') + 1);
    EXPECT_EQ(names, (std::vector<std::string>{"a_1.bmp", "x.bmp", "y.bmp", "a_2.bmp"}));
    EXPECT_EQ(Item(m, 207), "Image files in album: 4 (1 dropped files skipped: not images)");
    EXPECT_EQ(m->m_bModified, 1);

    m->m_bModified = 0;
    std::vector<std::string> files = {dir.File("one.bmp"), dir.File("notes.txt"), dir.File("two.bmp")};
    WriteBmpFile(files[0], 40, 30, 1);
    WriteBmpFile(files[2], 30, 40, 2);
    std::string list;
    for (const std::string& f : files)
        list += f + '\0';
    list += '\0';
    HGLOBAL drop = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + list.size());
    auto* header = static_cast<DROPFILES*>(GlobalLock(drop));
    header->pFiles = sizeof(DROPFILES);
    memcpy(reinterpret_cast<char*>(header) + sizeof(DROPFILES), list.data(), list.size());
    GlobalUnlock(drop);
    DialogScript script;
    script.Answer("Lumicraft 2000", IDOK);
    SendMessageA(m->m_hDlg, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    EXPECT_EQ(album->GetThumbNailCount(), 6);
    EXPECT_EQ(script.texts, std::vector<std::string>{Text(IDS_DROP_FAILED)});
    EXPECT_EQ(m->m_bModified, 1);
    EXPECT_EQ(Item(m, 207), "Image files in album: 6");
}

namespace {

// The host's dock frame: it logs the dock messages the manager sends it.
MessageLog* g_frame = nullptr;
int g_destroyed = 0;
HWND MakeFrame(HWND, int, int, bool) { return g_frame->hwnd(); }
int DestroyFrame(HWND, HWND) { return ++g_destroyed; }

} // namespace

TEST_F(AlbumManTest, DockFrameProtocol)
{
    MakeAlbum("a", 4);
    MessageLog frame(100, 100, 0x1106, 0x1109);
    g_frame = &frame, g_destroyed = 0;
    g_HostCallbacks.pfnDockCreate = MakeFrame;
    g_HostCallbacks.pfnDockDestroy = DestroyFrame;
    CAlbumMan* m = Open("a");
    ASSERT_FALSE(frame.messages.empty());
    EXPECT_EQ(frame.messages.front(), (LoggedMessage{0x1109, 5, 0})) << "shown";
    // The cells shown: {how many, columns, rows, width, height (-1: not all alike), outside the list}.
    CAlbum* album = AlbumOf(m);
    auto cells = [album] {
        std::set<LONG> lefts, tops, widths, heights;
        RECT list, r;
        GetWindowRect(album->m_hWnd, &list);
        int shown = 0, outside = 0;
        for (int i = 0; i < album->m_nCount; ++i)
            if (album->m_ppCells[i] && IsWindowVisible(album->m_ppCells[i]->m_hWnd) &&
                GetWindowRect(album->m_ppCells[i]->m_hWnd, &r)) {
                ++shown, lefts.insert(r.left), tops.insert(r.top);
                widths.insert(r.right - r.left), heights.insert(r.bottom - r.top);
                outside += r.left < list.left || r.top < list.top || r.right > list.right || r.bottom > list.bottom;
            }
        auto alike = [](const std::set<LONG>& sizes) { return sizes.size() == 1 ? int(*sizes.begin()) : -1; };
        return std::vector<int>({shown, int(lefts.size()), int(tops.size()), alike(widths), alike(heights), outside});
    };
    RECT control;

    auto ask = [m](UINT msg, WPARAM dock, DWORD size) { // the size asked for, or docked to, as answered
        SendMessageA(m->m_hDlg, msg, dock, reinterpret_cast<LPARAM>(&size));
        return size;
    };
    EXPECT_EQ(ask(0x1107, 1, MAKELONG(500, 400)), DWORD(MAKELONG(92, 299)));
    EXPECT_FALSE(IsWindowVisible(m->m_hAlbumList));
    EXPECT_NE(m->m_hDockTrigger, nullptr);
    // Docked: one column of whole cells, as many as the control holds.
    ask(0x1107, 1, MAKELONG(500, 700));
    GetClientRect(GetDlgItem(m->m_hDlg, 104), &control);
    const int fit = std::max(1, int(control.bottom - 44) / 107);
    EXPECT_EQ(cells(), std::vector<int>({fit, 1, fit, 88, 107, 0}));
    EXPECT_EQ(ask(0x1105, 0, 0), DWORD(MAKELONG(92, 192)));
    EXPECT_EQ(m->MoveSize(2, MAKELONG(300, 50)), DWORD(MAKELONG(262, 115)));
    EXPECT_EQ(cells()[2], 1) << "one row";
    EXPECT_EQ(m->MoveSize(8, MAKELONG(10, 10)), DWORD(MAKELONG(174, 115))) << "at least one column";
    EXPECT_EQ(m->MoveSize(4, MAKELONG(10, 10)), DWORD(MAKELONG(92, 192))) << "at least one row";
    // Floating again on the grid it had; then, without a kept grid, the usual floating size.
    m->MoveSize(0, 0);
    EXPECT_EQ(m->MoveSize(0, 0), DWORD(MAKELONG(552, 298)));
    EXPECT_TRUE(IsWindowVisible(m->m_hAlbumList));
    EXPECT_EQ(m->m_hDockTrigger, nullptr);

    SendMessageA(m->m_hDlg, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(frame.hwnd())) << "the frame decides about closing (and closes)";
    EXPECT_TRUE(IsWindow(m->m_hDlg));
    DestroyWindow(m->m_hDlg);
    EXPECT_EQ(g_destroyed, 1);
}

TEST_F(AlbumManTest, ARemovedDescriptionTargetIsNeverWritten)
{
    MakeAlbum("a", 3);
    CAlbumMan* m = Open("a");
    const std::string own = AlbumOf(m)->GetDescription();
    auto rec = MakeRecord("C:\\gone.bmp", 1, 1, "untouched");
    CThumbnail2 gone(&rec, nullptr, 5, 1);
    m->m_pDescTarget = &gone; // a thumbnail the album no longer holds
    StoreDescription(*m, "typed");
    EXPECT_STREQ(gone.m_Info.szDescription, "untouched");
    EXPECT_EQ(m->m_pDescTarget, nullptr);
    EXPECT_EQ(AlbumOf(m)->GetDescription(), own);

    // Cut after typing its description: the text goes nowhere, the album's own stays (in the file too).
    AlbumOf(m)->SetCurrentFocus(1);
    SetDlgItemTextA(m->m_hDlg, 102, "edited");
    Command(m, 40003);
    EXPECT_EQ(AlbumOf(m)->GetDescription(), own);
    ASSERT_EQ(AlbumOf(m)->GetThumbNailCount(), 2);
    Command(m, 1001);
    CAlbumDoc2 saved;
    ASSERT_EQ(saved.Load(dir.File("a.abm").c_str()), 1);
    EXPECT_EQ(saved.GetDescription(), own);
    EXPECT_STREQ(saved.GetThumbnail(1)->m_Info.szDescription, " ");
}

// Adding a folder on worker threads gives the album one thread gives, tells once of a file not
// read, keeps what was added at Esc; the information line counts, then tells the album's count.
TEST_F(AlbumManTest, AddingAFolderOnWorkersGivesTheAlbumOneThreadGives)
{
    const std::string images = dir.File("images");
    CreateDirectoryA(images.c_str(), nullptr);
    // Sizes far apart, so that workers finish out of order.
    for (int i = 0; i < 14; ++i)
        WriteBmpFile(images + "\\p" + std::to_string(100 + i) + ".bmp", i % 4 == 0 ? 1400 : 30 + i, i % 4 == 0 ? 1000 : 20 + i,
                     unsigned(i));
    WriteBytes(images + "\\p105b.bmp", {'B', 'M', 1, 2, 3});
    auto build = [&](unsigned workers, int escAfter) {
        const unsigned previous = album::SetThumbnailWorkers(workers);
        CAlbumMan* m = Open();
        // "Esc" once the album holds escAfter thumbnails; without, after a minute (a run that hangs).
        static CAlbumMan* s_man;
        static int s_after;
        static DWORD s_start;
        static std::vector<std::string> s_lines; // the information line as the run polls Esc
        s_man = m, s_after = escAfter, s_start = GetTickCount(), s_lines.clear();
        const AbortCheckFn check = SetAbortCheck([] {
            if (s_lines.empty() || s_lines.back() != Item(s_man, 207))
                s_lines.push_back(Item(s_man, 207));
            return s_after < 0 ? GetTickCount() - s_start > 60000 : AlbumOf(s_man)->GetThumbNailCount() >= s_after;
        });
        DialogScript script;
        for (int i = 0; i < 16; ++i) // more than there are files: a wrong count fails instead of waiting
            script.Answer("Lumicraft 2000", IDOK);
        EXPECT_EQ(AddFolderFiles(*m, images.c_str()), 1);
        SetAbortCheck(check);
        album::SetThumbnailWorkers(previous);
        EXPECT_TRUE(escAfter >= 0 || script.texts.size() == 1u) << "the file that is no image, told once";
        const std::string saved = dir.File("w" + std::to_string(workers) + "_" + std::to_string(escAfter) + ".x");
        EXPECT_NE(AlbumOf(m)->m_Doc.Save(saved.c_str()), 0);
        EXPECT_EQ(m->m_bModified, AlbumOf(m)->GetThumbNailCount() > 0 ? 1 : 0);
        const int count = AlbumOf(m)->GetThumbNailCount();
        EXPECT_EQ(Item(m, 207), "Image files in album: " + std::to_string(count));
        std::vector<std::string> counted;
        for (int i = 1; i <= (escAfter < 0 ? 15 : count + 1); ++i)
            counted.push_back("Adding " + std::to_string(i) + " of 15 ... Esc stops");
        EXPECT_NE(std::search(s_lines.begin(), s_lines.end(), counted.begin(), counted.end()), s_lines.end())
            << "the line does not count the files one by one: " << ::testing::PrintToString(s_lines);
        DestroyWindow(m->m_hDlg);
        return ReadBytes(saved);
    };
    const auto one = build(1, -1);
    EXPECT_EQ(build(4, -1), one) << "four workers made another album than one";
    // Esc after a few files: what is there is the start of the same album.
    build(4, 6);
    CAlbumDoc2 whole, part;
    whole.SetAutoCheck(0), part.SetAutoCheck(0);
    ASSERT_TRUE(whole.Load(dir.File("w1_-1.x").c_str()) && part.Load(dir.File("w4_6.x").c_str()));
    EXPECT_EQ(whole.GetCount() * 100 + part.GetCount(), 1406);
    for (int i = 1; i <= part.GetCount(); ++i)
        EXPECT_STREQ(part.GetThumbnail(i)->m_Info.szFileName, whole.GetThumbnail(i)->m_Info.szFileName) << i;
}

// Esc while big files are decoded: the decodes stop, and the window is free at once.
TEST_F(AlbumManTest, EscStopsTheDecodesUnderWay)
{
    const std::string images = dir.File("big");
    CreateDirectoryA(images.c_str(), nullptr);
    for (int i = 0; i < 4; ++i)
        WriteSlowTgaFile(images + "\\b" + std::to_string(i) + ".tga", 14000, 14000);
    const unsigned previous = album::SetThumbnailWorkers(2);
    CAlbumMan* m = Open();
    // Esc once the workers have written 300 MB of their frames (588 MB each): mid-decode.
    static size_t s_base;
    static DWORD s_esc;
    s_base = WorkingSet();
    s_esc = 0;
    const AbortCheckFn check = SetAbortCheck([] {
        if (!s_esc && WorkingSet() > s_base + (size_t(300) << 20))
            s_esc = GetTickCount();
        return s_esc != 0;
    });
    DialogScript script;
    script.Answer("Lumicraft 2000", IDOK);
    const DWORD start = GetTickCount();
    EXPECT_EQ(AddFolderFiles(*m, images.c_str()), 1);
    const DWORD free = GetTickCount();
    SetAbortCheck(check);
    album::SetThumbnailWorkers(previous);
    ASSERT_NE(s_esc, 0u) << "the decodes never got under way";
    // Half of each frame is still to come at Esc: waiting for it would take about as long as
    // the half already made. Measured against that, the bound follows the machine's load.
    EXPECT_LT(free - s_esc, (s_esc - start) / 4) << "the window waited for the decodes to end";
    EXPECT_EQ(AlbumOf(m)->GetThumbNailCount(), 0);
    EXPECT_TRUE(script.texts.empty()) << "a stopped decode is no unreadable file";
}
