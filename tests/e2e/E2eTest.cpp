// The editor stand-in driven as a person drives it: mouse clicks, drags and typing reach its real
// windows through the system's input queue. Each scenario ends with the album files read back
// through the library.
#include <windows.h>
#include <commctrl.h>
#include <memory>
#include "Driver.h"
#include "HostSession.h"
#include "Raii.h"

using namespace e2e;

namespace {

constexpr uint32_t kDay = 86400, kBase = 1600000000;

std::vector<std::string> Names(std::initializer_list<const char*> names) { return {names.begin(), names.end()}; }

// Chooses an album in a manager window's own album list.
bool SwitchAlbum(HWND manager, const std::string& album)
{
    return drive::ChooseInCombo(GetDlgItem(manager, 101), album);
}

// Whether an image window of the host with this title comes up.
bool ImageWindowShown(const HostSession& host, const std::string& title)
{
    return drive::WaitUntil([&] { return drive::Descendant(host.main(), "Lumicraft Image", title.c_str()) != nullptr; });
}

// "Save New Album", just asked for: the name typed into its box, then OK.
bool NameNewAlbum(const HostSession& host, const std::string& album)
{
    HWND dialog = host.Dialog("Save New Album");
    if (!dialog || !drive::Focus(GetDlgItem(dialog, 99)))
        return false;
    drive::Type(album);
    drive::WaitUntil([&] { return drive::Text(GetDlgItem(dialog, 99)) == album; });
    drive::Click(drive::Center(GetDlgItem(dialog, IDOK)));
    return true;
}

struct CloseTraits { static void Free(HANDLE h) { CloseHandle(h); } };

// The folder browser of process pid set to folder (BFFM_SETSELECTIONW, the path copied into that
// process's memory), asked again until its tree's selection moves: it moves only once the whole
// path is found.
bool SelectInBrowser(HWND browser, DWORD pid, const std::wstring& folder)
{
    HWND tree = drive::Descendant(browser, "SysTreeView32", nullptr);
    const Owned<HANDLE, CloseTraits> process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid));
    const size_t size = (folder.size() + 1) * sizeof(wchar_t);
    const auto release = [&process](void* at) { VirtualFreeEx(process.get(), at, 0, MEM_RELEASE); };
    const std::unique_ptr<void, decltype(release)> path(
        process ? VirtualAllocEx(process.get(), nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE) : nullptr, release);
    if (!tree || !path || !WriteProcessMemory(process.get(), path.get(), folder.c_str(), size, nullptr))
        return false;
    auto caret = [tree] { return SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0); };
    const LRESULT start = caret();
    return drive::WaitUntil([&] {
        DWORD_PTR answer = 0;
        SendMessageTimeoutW(browser, WM_USER + 103 /* BFFM_SETSELECTIONW */, TRUE, reinterpret_cast<LPARAM>(path.get()),
                            SMTO_NORMAL, 120000, &answer);
        return caret() && caret() != start;
    }, 180000);
}

std::wstring WideText(HWND w)
{
    // Sent, not GetWindowTextW: that gives another process's controls their caption, not their text.
    WCHAR text[512] = L"";
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(w, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 3000, &copied);
    text[511] = L'\0';
    return text;
}

} // namespace

// A photo named in another script: the folder "Фото 2026" holding "写真.jpg" added through the
// real folder browser, the album saved, "写真" found with the Find dialog by its real name, and
// the album opened again in a new run of the program and the photo opened from its short name.
TEST(EndToEnd, PhotosNamedInAnyScript)
{
    Folder albums, images;
    const std::wstring folder = std::wstring(images.path().begin(), images.path().end()) + L"\\Фото 2026";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::string meadow = ProgramFolder() + "meadow.jpg";
    ASSERT_TRUE(CopyFileW(std::wstring(meadow.begin(), meadow.end()).c_str(), (folder + L"\\写真.jpg").c_str(), TRUE));

    const std::string album = albums / "Names.abm";
    {
        HostSession host({"--albums", albums.path()});
        HWND manager = OpenAt(host, "New Album", 0, {300, 60, 900, 560});
        ASSERT_NE(manager, nullptr);
        ASSERT_TRUE(drive::Menu(host.main(), "af"));
        HWND browser = host.Dialog("Browse for Folder");
        ASSERT_NE(browser, nullptr);
        ASSERT_TRUE(SelectInBrowser(browser, host.pid(), folder));
        drive::Click(drive::Center(drive::Descendant(browser, "Button", "OK")));
        ASSERT_TRUE(WaitCount(manager, 1));
        ASSERT_TRUE(Click(manager, kSave));
        ASSERT_TRUE(NameNewAlbum(host, "Names"));
        ASSERT_TRUE(drive::WaitUntil([&] { return ReadAlbum(album).names.size() == 1; }));

        // Found by its name in its own script.
        drive::Menu(host.main(), "ff");
        HWND find = host.Dialog("Find");
        ASSERT_NE(find, nullptr);
        ASSERT_TRUE(drive::Focus(GetDlgItem(find, 125)));
        drive::Type(std::wstring(L"写真"));
        drive::Click(drive::Center(GetDlgItem(find, IDOK)));
        EXPECT_TRUE(drive::WaitUntil([&] { return drive::Text(GetDlgItem(find, 207)).find("1  image(s) found") != std::string::npos; }))
            << drive::Text(GetDlgItem(find, 207));
        const std::vector<HWND> found = drive::Descendants(find, "ThumbViewClass");
        ASSERT_FALSE(found.empty());
        drive::Click(drive::Center(found[0]));
        EXPECT_TRUE(drive::WaitUntil([&] { return WideText(GetDlgItem(find, 207)).rfind(L"写真.jpg  Date:", 0) == 0; }, 120000));
        drive::Click(drive::Center(GetDlgItem(find, IDCANCEL)));
        EXPECT_TRUE(host.Answer("Lumicraft 2000", "&No"));
        ASSERT_TRUE(host.Exit());
    }

    // A new run: the album opens as saved and the photo opens from its stored name.
    const AlbumContents saved = ReadAlbum(album);
    HostSession again({"--albums", albums.path()});
    HWND manager = OpenAt(again, "Names", 1, {300, 60, 900, 560});
    ASSERT_NE(manager, nullptr);
    drive::DoubleClick(drive::Center(Cells(manager)[0]));
    EXPECT_TRUE(ImageWindowShown(again, saved.names.at(0) + " (480 x 640)"));
    ASSERT_TRUE(again.Exit());
}

// Images added through the Add button, sorted by date, saved as a new album, the window closed
// and the album opened again: the same album in the same order, remembered as the last opened.
TEST(EndToEnd, AddSortSaveCloseAndReopen)
{
    Folder albums, images;
    WriteImage(images / "a.bmp", 120, 90, 1, kBase + 3 * kDay);
    WriteImage(images / "b.bmp", 90, 120, 2, kBase + 1 * kDay);
    WriteImage(images / "c.bmp", 100, 100, 3, kBase + 4 * kDay);
    WriteImage(images / "d.bmp", 60, 40, 4, kBase + 2 * kDay);

    HostSession host({"--albums", albums.path()});
    HWND manager = OpenAt(host, "New Album", 0, {300, 60, 900, 560});
    ASSERT_NE(manager, nullptr);
    ASSERT_TRUE(Click(manager, kAdd));
    HWND open = host.Dialog("Open");
    ASSERT_TRUE(open && drive::WaitUntil([open] { return drive::HasFocus(open); }));
    drive::Type(images.path()); // the keys wait in the dialog's queue while it changes folder
    drive::Press(VK_RETURN);
    drive::Type("\"a.bmp\" \"b.bmp\" \"c.bmp\" \"d.bmp\"");
    drive::Press(VK_RETURN);
    ASSERT_TRUE(WaitCount(manager, 4));

    ASSERT_TRUE(Click(manager, kSort));
    HWND sort = host.Dialog("Sort");
    ASSERT_NE(sort, nullptr);
    drive::Click(drive::Center(drive::Descendant(sort, "Button", "By File &Date")));
    ASSERT_TRUE(host.Answer("Sort", "&OK"));

    ASSERT_TRUE(Click(manager, kSave));
    ASSERT_TRUE(NameNewAlbum(host, "Trip"));
    const std::string trip = albums / "Trip.abm";
    ASSERT_TRUE(drive::WaitUntil([&] { return ReadAlbum(trip).names.size() == 4; }));

    // The window's own close box (Alt+F4 on it): nothing unsaved, so it closes at once.
    RECT caption;
    GetWindowRect(manager, &caption);
    drive::Click(POINT{caption.left + 40, caption.top + 8});
    drive::Press(VK_F4, VK_MENU);
    ASSERT_TRUE(drive::WaitUntil([&] { return host.Managers().empty(); }));

    // Open it again: the choice offers the last opened album first.
    drive::Menu(host.main(), "fa");
    HWND choice = host.Dialog("Open New Album");
    ASSERT_NE(choice, nullptr);
    EXPECT_EQ(drive::Text(GetDlgItem(choice, 101)), "Trip");
    drive::Click(drive::Center(drive::Descendant(choice, "Button", "&OK")));
    HWND again = host.NewManager({});
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(WaitCount(again, 4));
    Place(again, 300, 60, 900, 560);

    // Sorted by date, the most recent first: the first and the last thumbnail open c.bmp and b.bmp.
    drive::DoubleClick(drive::Center(Cells(again)[0]));
    EXPECT_TRUE(ImageWindowShown(host, "c.bmp (100 x 100)"));
    drive::DoubleClick(drive::Center(Cells(again)[3]));
    EXPECT_TRUE(ImageWindowShown(host, "b.bmp (90 x 120)"));

    ASSERT_TRUE(host.Exit());
}

// Thumbnails dragged from one album window to another: moved, and with Ctrl copied; both albums
// saved. The program's limit of two album windows refuses a third.
TEST(EndToEnd, DragThumbnailsBetweenWindows)
{
    Folder albums, images;
    for (const char* n : {"a1", "a2", "a3", "b1", "b2"})
        WriteImage(images / (std::string(n) + ".bmp"), 80, 60, unsigned(n[0] + n[1]));
    ASSERT_TRUE(MakeAlbum(albums / "A.abm", {images / "a1.bmp", images / "a2.bmp", images / "a3.bmp"}));
    ASSERT_TRUE(MakeAlbum(albums / "B.abm", {images / "b1.bmp", images / "b2.bmp"}));
    HostSession host({"--albums", albums.path(), "--limit", "2"});
    HWND first = OpenAt(host, "A", 3, {10, 60, 620, 400});
    ASSERT_NE(first, nullptr);
    drive::Menu(host.main(), "fn");
    HWND second = host.NewManager({first});
    ASSERT_NE(second, nullptr);
    ASSERT_TRUE(SwitchAlbum(second, "B"));
    ASSERT_TRUE(WaitCount(second, 2));
    Place(second, 640, 60, 1250, 400);

    drive::Menu(host.main(), "fn");
    EXPECT_TRUE(host.WaitStatus("At most 2 album windows"));

    // a1 onto an empty cell of B: moved to its end.
    drive::Drag(drive::Center(Cells(first)[0]), drive::Center(Cells(second)[3]));
    ASSERT_TRUE(Click(second, kSave));
    ASSERT_TRUE(Click(first, kSave));
    EXPECT_TRUE(drive::WaitUntil([&] { return ReadAlbum(albums / "B.abm").names.size() == 3; }));
    EXPECT_TRUE(drive::WaitUntil([&] { return ReadAlbum(albums / "A.abm").names.size() == 2; }));

    // a2 with Ctrl: copied (both albums as saved are read back at the end).
    drive::Drag(drive::Center(Cells(first)[0]), drive::Center(Cells(second)[4]), VK_CONTROL);
    ASSERT_TRUE(Click(second, kSave));
    ASSERT_TRUE(Click(first, kSave));
    EXPECT_TRUE(drive::WaitUntil([&] { return ReadAlbum(albums / "B.abm").names.size() == 4; }));
    ASSERT_TRUE(host.Exit());
    EXPECT_EQ(ReadAlbum(albums / "A.abm").names, Names({"a2.bmp", "a3.bmp"}));
    EXPECT_EQ(ReadAlbum(albums / "B.abm").names, Names({"b1.bmp", "b2.bmp", "a1.bmp", "a2.bmp"}));
}

// File > Add Open Images To Album with two images open in the program: into an album open in an
// album window (shown at once, written when saved), then into a closed album (its file rewritten).
TEST(EndToEnd, AddOpenImagesToOpenAndClosedAlbums)
{
    Folder albums, images;
    WriteImage(images / "o1.bmp", 64, 64, 7);
    WriteImage(images / "c1.bmp", 64, 64, 8);
    WriteImage(images / "x.bmp", 120, 80, 9);
    WriteImage(images / "y.bmp", 80, 120, 10);
    ASSERT_TRUE(MakeAlbum(albums / "Open.abm", {images / "o1.bmp"}));
    ASSERT_TRUE(MakeAlbum(albums / "Closed.abm", {images / "c1.bmp"}));

    HostSession host({"--albums", albums.path(), images / "x.bmp", images / "y.bmp"});
    ASSERT_TRUE(drive::WaitUntil([&] { return drive::Descendants(host.main(), "Lumicraft Image").size() == 2; }));
    HWND manager = OpenAt(host, "Open", 1, {300, 60, 900, 500});
    ASSERT_NE(manager, nullptr);

    ASSERT_TRUE(host.Choose("fi", "Add To Album", "Open"));
    EXPECT_TRUE(WaitCount(manager, 3));
    ASSERT_TRUE(host.Choose("fi", "Add To Album", "Closed"));
    EXPECT_TRUE(drive::WaitUntil([&] { return ReadAlbum(albums / "Closed.abm").names.size() == 3; }));
    EXPECT_EQ(Count(manager), 3) << "the album window shows another album";

    ASSERT_TRUE(Click(manager, kSave));
    EXPECT_TRUE(drive::WaitUntil([&] { return ReadAlbum(albums / "Open.abm").names.size() == 3; }));
    ASSERT_TRUE(host.Exit());

    const AlbumContents open = ReadAlbum(albums / "Open.abm"), closed = ReadAlbum(albums / "Closed.abm");
    EXPECT_EQ(open.names, Names({"o1.bmp", "x.bmp", "y.bmp"}));
    EXPECT_EQ(closed.names, Names({"c1.bmp", "x.bmp", "y.bmp"}));
}

// Find by name in all albums, the results saved as an album (which the editor is told of), and
// that album opened in an album window.
TEST(EndToEnd, FindInAllAlbumsAndKeepTheResults)
{
    Folder albums, images;
    for (const char* name : {"alpha.bmp", "beta.bmp", "gamma.bmp", "alphabet.bmp"})
        WriteImage(images / name, 64, 48, unsigned(name[0]));
    ASSERT_TRUE(MakeAlbum(albums / "First.abm", {images / "alpha.bmp", images / "beta.bmp"}));
    ASSERT_TRUE(MakeAlbum(albums / "Second.abm", {images / "gamma.bmp", images / "alphabet.bmp"}));

    HostSession host({"--albums", albums.path()});
    drive::Menu(host.main(), "ff");
    HWND find = host.Dialog("Find");
    ASSERT_NE(find, nullptr);
    ASSERT_TRUE(drive::Focus(GetDlgItem(find, 125))); // typed once the box has the focus
    drive::Type("ALPHA");
    drive::Click(drive::Center(GetDlgItem(find, IDOK)));
    ASSERT_TRUE(drive::WaitUntil([&] { return drive::Text(GetDlgItem(find, 207)).find("2  image(s) found") != std::string::npos; }))
        << drive::Text(GetDlgItem(find, 207));

    drive::Click(drive::Center(GetDlgItem(find, 122))); // Save
    ASSERT_TRUE(NameNewAlbum(host, "Found"));
    EXPECT_TRUE(host.WaitStatus("Search results saved as the album"));
    ASSERT_TRUE(drive::WaitUntil([&] { return IsWindowEnabled(find) != 0; })) << "the name dialog is over";
    drive::Click(drive::Center(GetDlgItem(find, IDCANCEL)));
    EXPECT_TRUE(drive::WaitUntil([&] { return !IsWindow(find); }));

    HWND manager = host.OpenManager("Found");
    ASSERT_NE(manager, nullptr);
    EXPECT_TRUE(WaitCount(manager, 2));
    ASSERT_TRUE(host.Exit());
    EXPECT_EQ(ReadAlbum(albums / "Found.abm").names, Names({"alpha.bmp", "alphabet.bmp"}));
}

// Damaged album files in the album folder, one truncated and one of junk: the truncated album is
// mended from its images; choosing the junk keeps the album shown, and an image added and saved
// goes into that one; a sound album still opens; the junk is not rewritten.
TEST(EndToEnd, HostileAlbumFilesInTheFolder)
{
    Folder albums, images;
    WriteImage(images / "g1.bmp", 64, 48, 11);
    WriteImage(images / "g2.bmp", 48, 64, 12);
    WriteImage(images / "g3.bmp", 40, 40, 13);
    ASSERT_TRUE(MakeAlbum(albums / "Good.abm", {images / "g1.bmp", images / "g2.bmp"}));
    const std::vector<unsigned char> good = testsupport::ReadBytes(albums / "Good.abm");
    ASSERT_GT(good.size(), 144u + 2 * 288u + 600u);
    std::vector<unsigned char> cut(good.begin(), good.end() - 500); // in the second image
    testsupport::WriteBytes(albums / "Cut.abm", cut);
    const std::vector<unsigned char> junk(4000, 0xA5);
    testsupport::WriteBytes(albums / "Junk.abm", junk);

    HostSession host({"--albums", albums.path()});
    // The thumbnail cut short is made again from its image, which is still there.
    HWND manager = OpenAt(host, "Cut", 2, {300, 60, 900, 500});
    ASSERT_NE(manager, nullptr);
    // Junk is refused with a message and the album shown stays.
    ASSERT_TRUE(SwitchAlbum(manager, "Junk"));
    ASSERT_TRUE(host.Answer("Lumicraft 2000", "OK")) << "told that Junk cannot be opened";
    ASSERT_TRUE(Click(manager, kAdd));
    HWND open = host.Dialog("Open");
    ASSERT_TRUE(open && drive::WaitUntil([open] { return drive::HasFocus(open); }));
    drive::Type(images / "g3.bmp");
    drive::Press(VK_RETURN);
    ASSERT_TRUE(WaitCount(manager, 3));
    ASSERT_TRUE(Click(manager, kSave));
    ASSERT_TRUE(drive::WaitUntil([&] { return ReadAlbum(albums / "Cut.abm").names.size() == 3; }));
    ASSERT_TRUE(SwitchAlbum(manager, "Good"));
    EXPECT_TRUE(WaitCount(manager, 2));
    ASSERT_TRUE(host.Exit());

    EXPECT_EQ(testsupport::ReadBytes(albums / "Junk.abm"), junk);
    EXPECT_EQ(ReadAlbum(albums / "Cut.abm").names, Names({"g1.bmp", "g2.bmp", "g3.bmp"}));
}

// The program's callbacks: the dock frame docks the album window (screenshot docked.bmp) and floats
// it, Acquire inserts a screenshot of the main window, Help opens the help window; a click in the
// brush and texture albums shows on the status line. The album with the screenshot is read back.
TEST(EndToEnd, DockAcquireHelpAndResourceAlbums)
{
    Folder albums;
    const std::string program = ProgramFolder();
    testsupport::RemoveTree(program + "brush");
    testsupport::RemoveTree(program + "textures");
    CreateDirectoryA((program + "brush").c_str(), nullptr);
    CreateDirectoryA((program + "textures").c_str(), nullptr);
    WriteImage(program + "brush\\dot.bmp", 32, 32, 20);
    WriteImage(program + "brush\\bar.bmp", 32, 16, 21);
    WriteImage(program + "textures\\wood.bmp", 64, 64, 22);
    ASSERT_TRUE(MakeAlbum(program + "Brushes.abm", {program + "brush\\dot.bmp", program + "brush\\bar.bmp"}, 40));
    ASSERT_TRUE(MakeAlbum(program + "Textures.abm", {program + "textures\\wood.bmp"}, 40));

    HostSession host({"--albums", albums.path()});
    HWND manager = host.OpenManager("New Album");
    ASSERT_NE(manager, nullptr);
    HWND frame = drive::TopLevel(host.pid(), "Lumicraft Dock", nullptr);
    ASSERT_NE(frame, nullptr);
    drive::Click(drive::Center(drive::Descendant(frame, "Button", "Dock")));
    ASSERT_TRUE(host.WaitStatus("Album window docked."));
    EXPECT_TRUE(SaveScreenshot(ProgramFolder() + "docked.bmp", host.pid()));
    drive::Click(drive::Center(drive::Descendant(frame, "Button", "Float")));
    ASSERT_TRUE(host.WaitStatus("Album window floating."));
    Place(manager, 300, 60, 900, 500);

    RECT mainRect;
    GetWindowRect(host.main(), &mainRect);
    ASSERT_TRUE(Click(manager, kAcquire));
    EXPECT_TRUE(WaitCount(manager, 1));
    ASSERT_TRUE(Click(manager, kHelp));
    EXPECT_NE(drive::WaitFor([&] { return drive::TopLevel(host.pid(), "Lumicraft Help", "Lumicraft 2000 Help"); }),
              nullptr);

    HWND tools = drive::TopLevel(host.pid(), "Lumicraft Tools", nullptr);
    ASSERT_NE(tools, nullptr);
    const struct { const char* control; size_t cell; std::string status; } picks[] = {
        {"BrushAlbumCtrl", 1, "Brush chosen: " + program + "brush\\bar.bmp (item 2 of 2)"},
        {"TextureAlbumCtrl", 0, "Texture chosen: " + program + "textures\\wood.bmp (item 1 of 1)"}};
    for (const auto& pick : picks) {
        const std::vector<HWND> cells =
            drive::Descendants(drive::Descendant(tools, pick.control, nullptr), "ThumbViewClass");
        ASSERT_GT(cells.size(), pick.cell);
        drive::Click(drive::Center(cells[pick.cell]));
        EXPECT_TRUE(host.WaitStatus(pick.status)) << pick.control;
    }

    ASSERT_TRUE(Click(manager, kSave));
    ASSERT_TRUE(NameNewAlbum(host, "Shots"));
    ASSERT_TRUE(drive::WaitUntil([&] { return ReadAlbum(albums / "Shots.abm").names.size() == 1; }));
    ASSERT_TRUE(host.Exit());

    const AlbumContents shots = ReadAlbum(albums / "Shots.abm");
    ASSERT_EQ(shots.names.size(), 1u);
    EXPECT_EQ(shots.names[0].rfind("Lumicraft ", 0), 0u) << shots.names[0];
    EXPECT_EQ(shots.sizes[0], std::make_pair(int(mainRect.right - mainRect.left), int(mainRect.bottom - mainRect.top)));
    DeleteFileA((program + "Brushes.abm").c_str());
    DeleteFileA((program + "Textures.abm").c_str());
    testsupport::RemoveTree(program + "brush");
    testsupport::RemoveTree(program + "textures");
}
