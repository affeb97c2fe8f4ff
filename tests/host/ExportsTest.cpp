// The exported free functions as the editor calls them: public headers and the DLL only.
#include <thread>
#include "album.h"
#include "support/DialogScript.h"
#include "support/TestSupport.h"

using namespace testsupport;

namespace {

void Pump()
{
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
}

// A scratch folder with a "pics" subfolder for the images.
struct Folder : testsupport::ScratchDir {
    Folder() { CreateDirectoryA(File("pics").c_str(), nullptr); }
    std::string Pic(const std::string& name) const { return File("pics\\" + name); }
    char* c() { return const_cast<char*>(path().c_str()); }
};

// An album file of the named bitmap files, made in the folder's "pics" subfolder.
void MakeAlbum(const Folder& folder, const std::string& name, const std::vector<std::string>& images)
{
    CAlbumDoc2 doc;
    for (const std::string& image : images) {
        WriteBmpFile(folder.Pic(image), 40, 30, 1);
        doc.Insert(BuildThumbnailFromFile(folder.Pic(image).c_str(), 32, 32, nullptr), nullptr);
    }
    ASSERT_NE(doc.Save(folder.File(name + ".abm").c_str()), 0);
}

// Waits for event while answering what other threads send to this thread's windows.
void WaitPumping(HANDLE event)
{
    MSG m;
    while (MsgWaitForMultipleObjects(1, &event, FALSE, 30000, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1)
        PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

const char kCancel[] = "(cancel)"; // as the album or a new album's name: that dialog is cancelled

// AddToAlbum as the editor calls it: the album chosen (and named, when new) by a script that
// must see every dialog it answers; beforeOk runs while the choice is up.
int AddFrom(Folder& folder, const std::string& album, const std::string& name, const std::vector<std::string>& files,
            int* results, const std::function<void()>& beforeOk = nullptr)
{
    DialogScript script;
    script.On("Add To Album", [&](HWND d) {
        HWND list = GetDlgItem(d, 101);
        SendMessageA(list, CB_SETCURSEL, SendMessageA(list, CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(album.c_str())), 0);
        if (beforeOk)
            beforeOk();
        DialogScript::Press(d, album == kCancel ? IDCANCEL : IDOK);
    });
    if (name == kCancel)
        script.Answer("Save New Album", IDCANCEL);
    else if (!name.empty())
        script.Type("Save New Album", 99, name);
    std::string buffer;
    for (const std::string& f : files)
        buffer += f + '\0';
    char* p = &buffer[0];
    const int added = AddToAlbum(nullptr, folder.c(), &p, int(files.size()), results, POINT{48, 48});
    EXPECT_EQ(script.Pending(), 0u) << album;
    return added;
}

// While this thread's "Save New Album" closes, another thread adds to a new album of its own.
HANDLE g_nameAccepted, g_otherAdded;
LRESULT CALLBACK LetAnotherAddWhileTheNameDialogCloses(int code, WPARAM wParam, LPARAM lParam)
{
    char title[64] = "";
    if (code == HCBT_DESTROYWND && GetWindowTextA(HWND(wParam), title, sizeof title) &&
        strcmp(title, "Save New Album") == 0) {
        SetEvent(g_nameAccepted);
        WaitPumping(g_otherAdded);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

struct Exports : ::testing::Test {
    HWND host = nullptr;
    std::vector<HWND> managers;
    void SetUp() override
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "ExportsTestHost";
        RegisterClassA(&wc);
        host = CreateWindowExA(0, wc.lpszClassName, "host", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                               wc.hInstance, nullptr);
        WritePrivateProfileStringA("Context", "LastOpen", "", "album.ini");
    }
    void TearDown() override
    {
        for (HWND m : managers)
            if (IsWindow(m))
                DestroyWindow(m);
        DestroyWindow(host);
        Pump();
    }
    HWND Open(Folder& folder)
    {
        HWND m = OpenAlbumManagerEx(host, folder.c(), 64, 64, 0);
        managers.push_back(m);
        return m;
    }
};

} // namespace

TEST_F(Exports, WindowsThatAreNotManagersAreRefused)
{
    Folder folder;
    HWND manager = Open(folder);
    ASSERT_NE(manager, nullptr);

    // Garbage user data, a control of this library, a destroyed manager, another process's window.
    HWND foreign = CreateWindowExA(0, "STATIC", "x", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    SetWindowLongPtrA(foreign, GWLP_USERDATA, 0x12345678);
    HWND control = CreateWindowExA(0, "ManDlgAlbumCtrl", "", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr,
                                   GetModuleHandleA("album.dll"), nullptr);
    HWND gone = Open(folder);
    DestroyWindow(gone);
    HGLOBAL image = MakeDib(8, 8, 1);
    char path[] = "C:\\x.bmp";
    for (HWND w : {HWND(nullptr), foreign, control, gone, GetDesktopWindow()}) {
        EXPECT_EQ(InsertFromDib(w, image, nullptr, path), 0);
        EXPECT_EQ(SetAlbumOption(w, 10, 10), 0);
        EXPECT_EQ(CloneNewAlbumManager(w), nullptr);
        EXPECT_EQ(SetFocusToAbm(w), 1) << "returns 1 even where it gives no focus";
        char out[MAX_PATH] = "";
        EXPECT_EQ(AddItemToAbmCtrl(w), 0);
        EXPECT_EQ(DeleteItemFromAbmCtrl(w), 0);
        EXPECT_EQ(SetCurrentBrushSelection(w, 1), 0);
        EXPECT_EQ(GetCurrentBrushSelection(w), -1);
        EXPECT_EQ(GetBrushCount(w), -1);
        EXPECT_EQ(GetCurrentBrushFullPath(w, out), -1);
    }
    // On the manager itself: a null path reads nothing; the size takes only sensible values.
    EXPECT_EQ(InsertFromDib(manager, image, nullptr, nullptr), 0);
    for (POINT refused : {POINT{0, 10}, POINT{65536, 10}, POINT{10, 65568}}) {
        EXPECT_EQ(SetAlbumOption(manager, refused.x, refused.y), 0) << refused.x << "x" << refused.y;
        EXPECT_EQ(OpenAlbumManagerEx(host, folder.c(), refused.x, refused.y, 0), nullptr);
    }
    EXPECT_EQ(SetAlbumOption(manager, 65535, 65535), 1);
    GlobalFree(image);
    DestroyWindow(foreign);
    DestroyWindow(control);

    // Any dialog of this process with an item 104 gives that item the focus.
    HWND dialog = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    HWND item = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, dialog, HMENU(104), nullptr, nullptr);
    EXPECT_EQ(SetFocusToAbm(dialog), 1);
    EXPECT_EQ(GetFocus(), item);
    DestroyWindow(dialog);
}

TEST_F(Exports, ActiveAlbumListsAndLimits)
{
    Folder folder;
    MakeAlbum(folder, "a", {"one.bmp", "two.bmp"});
    WritePrivateProfileStringA("Context", "LastOpen", "a", "album.ini");
    HWND first = Open(folder), second = Open(folder);
    ASSERT_TRUE(first && second);
    SendMessageA(first, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(GetActiveAlbum(), first);

    int count = 0;
    char (*paths)[MAX_PATH] = nullptr;
    ASSERT_EQ(GetAcitveAlbumThumbnialList(count, paths), 1);
    EXPECT_EQ(count, 2);
    GlobalFree(paths);
    paths = nullptr;
    EXPECT_EQ(GetAcitveAlbumSelectedThumbnialList(count, paths), 0) << "nothing selected";
    EXPECT_EQ(paths, nullptr);

    // The clone opens a third window and answers with the one it was given; the limit counts it.
    EXPECT_EQ(CloneNewAlbumManager(first), first);
    HGLOBAL block = GetAllAlbum();
    const int* words = static_cast<const int*>(GlobalLock(block));
    ASSERT_EQ(words[0], 3);
    managers.push_back(static_cast<HWND>(LongToHandle(words[3])));
    GlobalUnlock(block);
    GlobalFree(block);
    EXPECT_EQ(CanOpenMoreAlbum(3) * 10 + CanOpenMoreAlbum(4), 1);
}

TEST_F(Exports, AlbumChoiceCutsTheNameAtItsFirstDot)
{
    Folder folder;
    MakeAlbum(folder, "Trip.2000", {"t.bmp"});
    char result[MAX_PATH] = "";
    DialogScript script;
    std::string listed;
    script.On("Pick", [&listed](HWND d) {
        char text[64] = "";
        SendDlgItemMessageA(d, 101, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text));
        listed = text;
        DialogScript::Press(d, IDOK);
    });
    char caption[] = "Pick";
    EXPECT_EQ(SelectAlbumDlg(host, folder.c(), result, 0, caption), 1);
    EXPECT_EQ(listed, "Trip.2000");
    EXPECT_STREQ(result, "Trip");
    script.Answer("Pick", IDCANCEL);
    EXPECT_EQ(SelectAlbumDlg(host, folder.c(), result, 1, nullptr), 0) << "the caption stays from before";
}

TEST_F(Exports, AddToAlbumOpenClosedAndNew)
{
    Folder folder;
    MakeAlbum(folder, "a", {"held.bmp"});
    const std::string one = folder.Pic("one.bmp"), two = folder.Pic("two.bmp"), bad = folder.Pic("bad.bmp");
    WriteBmpFile(one, 50, 40, 1);
    WriteBmpFile(two, 40, 50, 2);
    WriteBytes(bad, {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'});
    int r[4] = {7, 7, 7, 7};
    auto results = [&r](int n) { return std::vector<int>(r, r + n); };

    // A closed album, rewritten: one held already, one unreadable; no result past the files given.
    EXPECT_EQ(AddFrom(folder, "a", "", {one, folder.Pic("held.bmp"), bad}, r), 1);
    EXPECT_EQ(results(4), std::vector<int>({1, 1, 0, 7}));
    EXPECT_EQ(CountInAlbum(folder.File("a.abm")), 2);

    // A failed save keeps the file as it was and reports only what it held.
    const std::vector<unsigned char> before = ReadBytes(folder.File("a.abm"));
    SetFileAttributesA(folder.File("a.abm").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(AddFrom(folder, "a", "", {two, one}, r), -1);
    EXPECT_EQ(results(2), std::vector<int>({0, 1}));
    EXPECT_EQ(ReadBytes(folder.File("a.abm")), before);
    SetFileAttributesA(folder.File("a.abm").c_str(), FILE_ATTRIBUTE_NORMAL);

    // An album read only in part (a record declares 768 MiB) is never saved over: -1, untouched.
    MakeAlbum(folder, "d", {"d1.bmp", "d2.bmp", "d3.bmp"});
    std::vector<unsigned char> damaged = ReadBytes(folder.File("d.abm"));
    const uint32_t huge = 768u << 20;
    memcpy(&damaged[144 + 288 + 280], &huge, 4);
    WriteBytes(folder.File("d.abm"), damaged);
    r[0] = r[1] = 7;
    EXPECT_EQ(AddFrom(folder, "d", "", {two, one}, r), -1);
    EXPECT_EQ(results(2), std::vector<int>({7, 7}));
    EXPECT_EQ(ReadBytes(folder.File("d.abm")), damaged);

    // The album open in a manager of this thread: into its view (one held already), not written.
    WritePrivateProfileStringA("Context", "LastOpen", "a", "album.ini");
    HWND manager = Open(folder);
    EXPECT_EQ(AddFrom(folder, "a", "", {two, one}, r), 1);
    EXPECT_EQ(results(2), std::vector<int>({1, 1}));
    EXPECT_EQ(ReadBytes(folder.File("a.abm")), before);
    CAlbumMan* m = reinterpret_cast<CAlbumMan*>(GetWindowLongPtrA(manager, GWLP_USERDATA));
    EXPECT_EQ(m->GetAlbumCtrl()->GetAlbum()->GetThumbNailCount(), 3);
    DestroyWindow(manager);

    // A new album: named in the dialog, holding what could be read.
    EXPECT_EQ(AddFrom(folder, "New Album", "Fresh", {two, bad}, r), 1);
    EXPECT_EQ(CountInAlbum(folder.File("Fresh.abm")), 1);

    // Cancelled choice: 0, results untouched; cancelled name: -1.
    r[0] = r[1] = 9;
    EXPECT_EQ(AddFrom(folder, kCancel, "", {one, two}, r), 0);
    EXPECT_EQ(AddFrom(folder, "New Album", kCancel, {one, two}, r), -1);
    EXPECT_EQ(results(2), std::vector<int>({9, 9}));
}

TEST_F(Exports, AddsFromTwoThreadsAllArriveEachUnderItsOwnName)
{
    Folder folder;
    std::vector<std::string> files[2];
    for (int t = 0; t < 2; ++t)
        for (int i = 0; i < 8; ++i) {
            files[t].push_back(folder.Pic("t" + std::to_string(t) + "_" + std::to_string(i) + ".bmp"));
            WriteBmpFile(files[t].back(), 640, 480, 3);
        }
    // Both threads load the closed album at once (they meet while their choices are up).
    HANDLE ready[2] = {CreateEventA(nullptr, TRUE, FALSE, nullptr), CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    HANDLE done[2] = {CreateEventA(nullptr, TRUE, FALSE, nullptr), CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    for (int round = 0; round < 3; ++round) {
        MakeAlbum(folder, "a", {"held.bmp"});
        int results[2][8] = {}, returned[2] = {-2, -2};
        std::vector<std::thread> threads;
        for (int t = 0; t < 2; ++t) {
            ResetEvent(ready[t]);
            ResetEvent(done[t]);
            threads.emplace_back([&, t] {
                returned[t] = AddFrom(folder, "a", "", files[t], results[t], [&, t] {
                    SetEvent(ready[t]);
                    WaitPumping(ready[1 - t]);
                });
                SetEvent(done[t]);
            });
        }
        WaitPumping(done[0]);
        WaitPumping(done[1]);
        for (std::thread& t : threads)
            t.join();
        EXPECT_EQ(returned[0] * 10 + returned[1], 0) << "every file added, round " << round;
        EXPECT_EQ(CountInAlbum(folder.File("a.abm")), 17) << "round " << round;
    }

    // Two new albums named at once: each call keeps the name its own dialog accepted.
    g_nameAccepted = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    g_otherAdded = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    int mine[1] = {}, theirs[1] = {};
    std::thread other([&] {
        WaitForSingleObject(g_nameAccepted, 30000);
        AddFrom(folder, "New Album", "second", {files[1][0]}, theirs);
        SetEvent(g_otherAdded);
    });
    HHOOK hook = SetWindowsHookExA(WH_CBT, LetAnotherAddWhileTheNameDialogCloses, nullptr, GetCurrentThreadId());
    EXPECT_EQ(AddFrom(folder, "New Album", "first", {files[0][0], files[0][1]}, mine), 0);
    UnhookWindowsHookEx(hook);
    other.join();
    EXPECT_EQ(CountInAlbum(folder.File("first.abm")) * 10 + CountInAlbum(folder.File("second.abm")), 21);
    for (HANDLE h : {ready[0], ready[1], done[0], done[1], g_nameAccepted, g_otherAdded})
        CloseHandle(h);
}
