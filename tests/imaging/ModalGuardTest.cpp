#include <thread>
#include "win/LongPath.h"
#include "imaging/ModalGuard.h"
#include "resource.h"
#include "support/TestSupport.h"

namespace {

// A top-level window of the calling thread, destroyed with the object.
struct TopWindow {
    HWND hwnd;
    explicit TopWindow(const char* cls = "AlbumGuardPlain")
    {
        WNDCLASSA wc = {0, DefWindowProcA, 0, 0, GetModuleHandleA(nullptr), nullptr, nullptr, nullptr, nullptr, cls};
        RegisterClassA(&wc); // once per name; later calls fail harmlessly
        hwnd = CreateWindowExA(0, cls, "", WS_OVERLAPPEDWINDOW, 0, 0, 99, 99, nullptr, nullptr, wc.hInstance, nullptr);
    }
    ~TopWindow() { if (IsWindow(hwnd)) DestroyWindow(hwnd); }
};

// A window of a second thread, which pumps messages until the object is destroyed.
struct ForeignWindow {
    HWND hwnd = nullptr; DWORD id = 0; // the window and its thread
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread thread{[this] {
        TopWindow window;
        hwnd = window.hwnd, id = GetCurrentThreadId();
        SetEvent(ready);
        for (MSG msg; GetMessageA(&msg, nullptr, 0, 0) > 0;)
            DispatchMessageA(&msg);
    }};
    ForeignWindow() { WaitForSingleObject(ready, 10000); }
    ~ForeignWindow() { PostThreadMessageA(id, WM_QUIT, 0, 0), thread.join(), CloseHandle(ready); }
};

// With null, EnableThreadWindows answers 1 and changes nothing exactly when no guard is active.
bool NoGuardActive() { return EnableThreadWindows(nullptr) == 1; }

} // namespace

TEST(ModalGuard, DisablesTheEnabledWindowsOfThisThreadOnly)
{
    TopWindow plain, already, templ("tEMPLATE wINDOW cLASS"), host("LUMICRAFT 2000");
    ForeignWindow other;
    EnableWindow(already.hwnd, FALSE);
    auto enabled = [&] { // '1' per enabled window: plain, already, the two exempt ones, the other thread's
        std::string s;
        for (HWND w : {plain.hwnd, already.hwnd, templ.hwnd, host.hwnd, other.hwnd})
            s += IsWindowEnabled(w) ? '1' : '0';
        return s;
    };

    HTHREADGUARD guard = DisableThreadWindows();
    ASSERT_NE(guard, nullptr);
    EXPECT_EQ(enabled(), "00111");

    // Guards do not nest, and no handle but the active guard ends it.
    EXPECT_EQ(DisableThreadWindows(), nullptr);
    EXPECT_EQ(EnableThreadWindows(reinterpret_cast<HTHREADGUARD>(&guard)), 0);
    EXPECT_EQ(EnableThreadWindows(nullptr), 0);
    EXPECT_EQ(enabled(), "00111");
    EXPECT_EQ(EnableThreadWindows(guard), 1);
    EXPECT_EQ(enabled(), "10111"); // disabled before the guard: stays so
    EXPECT_TRUE(NoGuardActive());
}

namespace {

struct { HWND bystander; char text[300]; int ticks, boxResult; bool guardedInDialog, guardedAfterBox; } g_run;

// Opens the box; the dialog's timer notes its text and presses OK, or after ~6 s cancels any dialog.
INT_PTR CALLBACK NestedDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM)
{
    if (msg == WM_INITDIALOG)
        return PostMessageA(hwnd, WM_APP, 0, 0) && SetTimer(hwnd, 1, 30, nullptr);
    if (msg == WM_APP) {
        g_run.guardedInDialog = !IsWindowEnabled(g_run.bystander) && !NoGuardActive();
        g_run.boxResult = ModalMessageBoxIds(hwnd, IDS_SAVE_MODIFIED, IDS_CAPTION_MANAGER, MB_OKCANCEL);
        g_run.guardedAfterBox = !IsWindowEnabled(g_run.bystander) && !NoGuardActive();
        return EndDialog(hwnd, 4321);
    }
    const bool giveUp = msg == WM_TIMER && ++g_run.ticks > 200;
    HWND box = msg == WM_TIMER ? FindWindowA("#32770", giveUp ? nullptr : "Lumicraft 2000") : nullptr;
    if (box) {
        GetDlgItemTextA(box, 0xFFFF, g_run.text, sizeof g_run.text); // the box's text
        PostMessageA(box, WM_COMMAND, giveUp ? IDCANCEL : IDOK, 0);
    }
    return msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL ? EndDialog(hwnd, -7) : FALSE;
}

} // namespace

// The one real message box of the program: loaded from the string table, inside a guarded dialog.
TEST(ModalGuard, MessageBoxInsideAGuardedDialogKeepsTheDialogsGuard)
{
    HMODULE comdlg = LoadLibraryA("comdlg32.dll"); // its "Find" dialog template is everywhere
    const LPCSTR findTemplate = MAKEINTRESOURCEA(1540);
    TopWindow owner, bystander;
    g_run.bystander = bystander.hwnd;
    EXPECT_EQ(ModalDialogBox(comdlg, findTemplate, owner.hwnd, NestedDialogProc, 0), 4321);
    FreeLibrary(comdlg);
    EXPECT_TRUE(g_run.guardedInDialog);
    EXPECT_EQ(g_run.boxResult, IDOK);
    EXPECT_STREQ(g_run.text, "Your album has been modified. Save it?");
    EXPECT_TRUE(g_run.guardedAfterBox); // the box took no guard and released none
    EXPECT_TRUE(IsWindowEnabled(bystander.hwnd) && IsWindowEnabled(owner.hwnd)); // ended with the dialog
}

namespace {

std::string Upper(std::string s) { CharUpperBuffA(&s[0], DWORD(s.size())); return s; }

// LongPathOf's answer and result as "rc:result".
std::string LongOf(const std::string& path)
{
    char out[MAX_PATH];
    memset(out, 'x', sizeof out);
    return std::to_string(LongPathOf(path.c_str(), out)) + ":" + out;
}

} // namespace

TEST(LongPath, RestoresTheStoredNamesOfEveryComponent)
{
    testsupport::ScratchDir scratch;
    const std::string file = scratch.File("photo file long name.bmp");
    testsupport::WriteBytes(file, {1});
    char spelled[MAX_PATH], shortForm[MAX_PATH], oldDir[MAX_PATH];
    ASSERT_GT(GetLongPathNameA(file.c_str(), spelled, MAX_PATH), 0u); // as the file system spells it
    ASSERT_GT(GetShortPathNameA(file.c_str(), shortForm, MAX_PATH), 0u);
    const std::string expected = spelled;

    // From the short form, upper-cased; slashes, doubled separators and "." as they come.
    EXPECT_EQ(LongOf(Upper(shortForm)), "0:" + expected);
    EXPECT_EQ(LongOf(scratch.path() + "//./PHOTO FILE LONG NAME.BMP"),
              "0:" + expected.substr(0, expected.rfind('\\')) + "\\.\\photo file long name.bmp");
    // A component that does not exist, or a wildcard that would name some other entry.
    EXPECT_EQ(LongOf(scratch.path() + "\\No Such Folder\\photo file long name.bmp"), "-1:");
    EXPECT_EQ(LongOf(scratch.path() + "\\photo*.bmp"), "-1:");

    // Without a drive: a relative path stays relative; a rooted one keeps its first component as written.
    GetCurrentDirectoryA(sizeof oldDir, oldDir);
    ASSERT_TRUE(SetCurrentDirectoryA(scratch.path().c_str()));
    EXPECT_EQ(LongOf("PHOTO FILE LONG NAME.BMP"), "0:photo file long name.bmp");
    const std::string drive = scratch.path().substr(0, 2); // "C:name" is relative to C's current directory
    EXPECT_EQ(LongOf(drive + "PHOTO FILE LONG NAME.BMP"), "0:" + drive + "photo file long name.bmp");
    const std::string rooted = Upper(expected.substr(2)), fromRoot = LongOf(rooted);
    SetCurrentDirectoryA(oldDir);
    const size_t first = rooted.find('\\', 1);
    EXPECT_EQ(fromRoot, "0:" + rooted.substr(0, first) + expected.substr(2 + first));

    // Nothing to build; a network share needs no lookup (server and share are no directory entries).
    for (const char* nothing : {"", "\\", "/\\/"})
        EXPECT_EQ(LongOf(nothing), "-2:") << nothing;
    EXPECT_EQ(LongPathOf(nullptr, nullptr), -2);
    EXPECT_EQ(LongOf("\\\\server\\share"), "0:\\\\server\\share");
}
