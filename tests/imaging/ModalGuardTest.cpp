#include <gtest/gtest.h>
#include <string.h>
#include <algorithm>
#include <functional>
#include <string>
#include "imaging/LongPath.h"
#include "imaging/ModalGuard.h"
#include "resource.h"
#include "support/TestSupport.h"

namespace {

HWND MakeTopWindow(const char* className)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = className;
    RegisterClassA(&wc); // once per name; later calls fail harmlessly
    return CreateWindowExA(0, className, "guard test", WS_OVERLAPPEDWINDOW, 10, 10, 200, 120, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

// A top-level window of this thread, destroyed with the object.
struct TopWindow {
    HWND hwnd;
    explicit TopWindow(const char* className = "AlbumGuardPlain") : hwnd(MakeTopWindow(className)) { EXPECT_NE(hwnd, nullptr); }
    ~TopWindow() { if (IsWindow(hwnd)) DestroyWindow(hwnd); }
    bool enabled() const { return IsWindowEnabled(hwnd) != FALSE; }
};

// EnableThreadWindows(null) answers 1 and changes nothing exactly when no guard is active.
bool NoGuardActive() { return EnableThreadWindows(nullptr) == 1; }

// A window of a second thread, alive until the object is destroyed.
struct OtherThreadWindow {
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr), stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HWND hwnd = nullptr;
    HANDLE thread;
    OtherThreadWindow() : thread(CreateThread(nullptr, 0, Run, this, 0, nullptr)) { WaitForSingleObject(ready, 10000); }
    ~OtherThreadWindow()
    {
        SetEvent(stop);
        WaitForSingleObject(thread, 10000);
        CloseHandle(thread), CloseHandle(stop), CloseHandle(ready);
    }
    static DWORD WINAPI Run(LPVOID p)
    {
        auto* self = static_cast<OtherThreadWindow*>(p);
        self->hwnd = MakeTopWindow("AlbumGuardOtherThread");
        SetEvent(self->ready);
        while (MsgWaitForMultipleObjects(1, &self->stop, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
        }
        DestroyWindow(self->hwnd);
        return 0;
    }
};

// Presses a button in message boxes and dialogs from a thread timer, which their modal loops
// dispatch: the first visible dialog-class window of this thread with the given caption is
// inspected once, then gets the command. After many ticks any dialog is cancelled, so a failing
// test cannot hang the run.
struct BoxDriver {
    const char* caption;
    WPARAM command;
    std::function<void(HWND)> inspect;
    int pressed = 0, ticks = 0;
};
BoxDriver* g_driver = nullptr;

struct BoxSearch {
    const char* caption; // null: any
    HWND found;
};

BOOL CALLBACK FindBoxProc(HWND hwnd, LPARAM p)
{
    auto* s = reinterpret_cast<BoxSearch*>(p);
    char cls[64], text[256];
    GetWindowTextA(hwnd, text, sizeof text);
    // The last resort (no caption) takes any dialog, shown or not.
    if (GetClassNameA(hwnd, cls, sizeof cls) && strcmp(cls, "#32770") == 0 &&
        (!s->caption || (IsWindowVisible(hwnd) && strcmp(text, s->caption) == 0))) {
        s->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND FindBox(const char* caption)
{
    BoxSearch s{caption, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindBoxProc, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

void CALLBACK DriveTimer(HWND, UINT, UINT_PTR, DWORD)
{
    BoxDriver* d = g_driver;
    if (!d)
        return;
    if (++d->ticks > 200) {
        if (HWND any = FindBox(nullptr))
            PostMessageA(any, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    HWND box = FindBox(d->caption);
    if (!box)
        return;
    if (d->pressed++ == 0 && d->inspect)
        d->inspect(box);
    PostMessageA(box, WM_COMMAND, d->command, 0);
}

struct DriverScope {
    UINT_PTR timer;
    explicit DriverScope(BoxDriver* d) : timer(SetTimer(nullptr, 0, 30, DriveTimer)) { g_driver = d; }
    ~DriverScope() { KillTimer(nullptr, timer), g_driver = nullptr; }
};

} // namespace

TEST(ModalGuard, DisablesTheEnabledWindowsOfThisThreadOnly)
{
    ASSERT_TRUE(NoGuardActive());
    TopWindow plain, already, doomed, templ("tEMPLATE wINDOW cLASS"), host("LUMICRAFT 2000");
    OtherThreadWindow other;
    ASSERT_NE(other.hwnd, nullptr);
    EnableWindow(already.hwnd, FALSE);

    HTHREADGUARD guard = DisableThreadWindows();
    ASSERT_NE(guard, nullptr);
    EXPECT_FALSE(plain.enabled());
    EXPECT_FALSE(doomed.enabled());
    EXPECT_TRUE(templ.enabled());
    EXPECT_TRUE(host.enabled());
    EXPECT_TRUE(IsWindowEnabled(other.hwnd));

    // Guards do not nest, and only the active guard ends the guard.
    EXPECT_EQ(DisableThreadWindows(), nullptr);
    EXPECT_EQ(EnableThreadWindows(nullptr), 0);
    int notAGuard = 0;
    EXPECT_EQ(EnableThreadWindows(reinterpret_cast<HTHREADGUARD>(&notAGuard)), 0);
    EXPECT_FALSE(plain.enabled());

    // A window created meanwhile is not the guard's; one destroyed meanwhile is skipped.
    TopWindow later;
    DestroyWindow(doomed.hwnd);
    EXPECT_EQ(EnableThreadWindows(guard), 1);
    EXPECT_TRUE(plain.enabled());
    EXPECT_FALSE(already.enabled()); // disabled before the guard: stays so
    EXPECT_TRUE(later.enabled());
    EXPECT_TRUE(templ.enabled());
    EXPECT_TRUE(IsWindowEnabled(other.hwnd));
    EXPECT_TRUE(NoGuardActive());

    guard = DisableThreadWindows(); // a new guard once the old one ended
    ASSERT_NE(guard, nullptr);
    EXPECT_FALSE(later.enabled());
    EXPECT_EQ(EnableThreadWindows(guard), 1);
    EXPECT_TRUE(later.enabled());
}

TEST(ModalGuard, MessageBoxFromTheStringTableRunsGuarded)
{
    TopWindow owner, bystander;
    bool bystanderEnabled = true, guardActive = false;
    std::string texts;
    BoxDriver d{"Lumicraft 2000", IDNO, [&](HWND box) {
                    bystanderEnabled = bystander.enabled();
                    guardActive = !NoGuardActive();
                    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
                        char text[512];
                        GetWindowTextA(c, text, sizeof text);
                        texts += std::string(text) + "|";
                    }
                }};
    int result;
    {
        DriverScope drive(&d);
        result = ModalMessageBoxIds(owner.hwnd, IDS_SAVE_MODIFIED, IDS_CAPTION_MANAGER, MB_YESNO | MB_ICONQUESTION);
    }
    EXPECT_EQ(result, IDNO);
    EXPECT_EQ(d.pressed, 1);
    EXPECT_FALSE(bystanderEnabled);
    EXPECT_TRUE(guardActive);
    EXPECT_NE(texts.find("Your album has been modified. Save it?"), std::string::npos) << texts;
    EXPECT_TRUE(bystander.enabled());
    EXPECT_TRUE(owner.enabled());
    EXPECT_TRUE(NoGuardActive());
}

namespace {

struct NestedRun {
    HWND bystander;
    bool disabledInDialog = false, guardInDialog = false, guardAfterBox = false, disabledAfterBox = false;
    int boxResult = 0;
};

INT_PTR CALLBACK NestedDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* run = reinterpret_cast<NestedRun*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        PostMessageA(hwnd, WM_APP, 0, 0);
        return TRUE;
    case WM_APP:
        run->disabledInDialog = !IsWindowEnabled(run->bystander);
        run->guardInDialog = !NoGuardActive();
        run->boxResult = ModalMessageBox(hwnd, "inner", "Nested box", MB_OKCANCEL);
        run->guardAfterBox = !NoGuardActive();
        run->disabledAfterBox = !IsWindowEnabled(run->bystander);
        EndDialog(hwnd, 4321);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) { // only the driver's last resort
            EndDialog(hwnd, -7);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

} // namespace

TEST(ModalGuard, MessageBoxInsideAGuardedDialogKeepsTheDialogsGuard)
{
    // A dialog template every system has: the common "Find" dialog of comdlg32.
    HMODULE comdlg = LoadLibraryA("comdlg32.dll");
    ASSERT_NE(comdlg, nullptr);
    const LPCSTR findTemplate = MAKEINTRESOURCEA(1540);
    if (!FindResourceA(comdlg, findTemplate, MAKEINTRESOURCEA(5) /* RT_DIALOG */)) {
        FreeLibrary(comdlg);
        GTEST_SKIP() << "no Find dialog template in comdlg32";
    }
    TopWindow owner, bystander;
    NestedRun run;
    run.bystander = bystander.hwnd;
    BoxDriver d{"Nested box", IDOK, nullptr};
    INT_PTR result;
    {
        DriverScope drive(&d);
        result = ModalDialogBox(comdlg, findTemplate, owner.hwnd, NestedDialogProc, reinterpret_cast<LPARAM>(&run));
    }
    FreeLibrary(comdlg);

    EXPECT_EQ(result, 4321);
    EXPECT_TRUE(run.disabledInDialog);
    EXPECT_TRUE(run.guardInDialog);
    EXPECT_EQ(run.boxResult, IDOK);
    EXPECT_TRUE(run.guardAfterBox); // the box took no guard and released none
    EXPECT_TRUE(run.disabledAfterBox);
    EXPECT_TRUE(bystander.enabled()); // the dialog's guard ended with the dialog
    EXPECT_TRUE(owner.enabled());
    EXPECT_TRUE(NoGuardActive());
}

namespace {

std::string Upper(std::string s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return s;
}

std::string LongOf(const std::string& path, int* rc)
{
    char out[MAX_PATH];
    memset(out, 'x', sizeof out);
    *rc = LongPathOf(path.c_str(), out);
    return out;
}

} // namespace

TEST(LongPath, RestoresTheStoredNamesOfEveryComponent)
{
    testsupport::ScratchDir scratch;
    const std::string dir = scratch.File("Program Files Test Dir"), file = dir + "\\photo file long name.bmp";
    ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));
    testsupport::WriteBytes(file, {1, 2, 3});
    struct Cleanup {
        std::string dir, file;
        ~Cleanup() { DeleteFileA(file.c_str()), RemoveDirectoryA(dir.c_str()); }
    } cleanup{dir, file};
    const std::string tail = "\\Program Files Test Dir\\photo file long name.bmp";
    char spelled[MAX_PATH]; // the scratch folder as the file system spells it
    ASSERT_GT(GetLongPathNameA(scratch.path().c_str(), spelled, sizeof spelled), 0u);
    const std::string base = spelled;

    // From the short form, upper-cased (where no 8.3 names exist the short form is the long one
    // and the letter case still has to come back).
    char shortForm[MAX_PATH];
    DWORD n = GetShortPathNameA(file.c_str(), shortForm, sizeof shortForm);
    ASSERT_TRUE(n > 0 && n < sizeof shortForm);
    int rc;
    std::string result = LongOf(Upper(shortForm), &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(Upper(result), Upper(base + tail));
    EXPECT_EQ(result.substr(result.size() - std::min(result.size(), tail.size())), tail);

    // Slashes, doubled separators, "." and ".." as they come.
    EXPECT_EQ(LongOf(scratch.path() + "/program files test dir//PHOTO FILE LONG NAME.BMP", &rc), base + tail);
    EXPECT_EQ(LongOf(scratch.path() + "\\PROGRAM FILES TEST DIR\\..\\program files test dir\\.\\photo file long name.BMP", &rc),
              base + "\\Program Files Test Dir\\..\\Program Files Test Dir\\.\\photo file long name.bmp");
    EXPECT_EQ(rc, 0);

    // A component that does not exist, or a wildcard that would name some other entry.
    for (const std::string& bad : {scratch.path() + "\\No Such Folder\\photo file long name.bmp", dir + "\\missing.bmp",
                                   dir + "\\photo*.bmp"}) {
        EXPECT_EQ(LongOf(bad, &rc), "") << bad;
        EXPECT_EQ(rc, -1) << bad;
    }

    // Without a drive: a relative path stays relative to the current directory; a rooted one
    // keeps its first component as written.
    char oldDir[MAX_PATH];
    GetCurrentDirectoryA(sizeof oldDir, oldDir);
    ASSERT_TRUE(SetCurrentDirectoryA(scratch.path().c_str()));
    std::string relative = LongOf("program files test dir\\PHOTO FILE LONG NAME.BMP", &rc);
    int relativeRc = rc;
    const std::string rooted = Upper(base.substr(2) + tail);
    std::string fromRoot = LongOf(rooted, &rc);
    SetCurrentDirectoryA(oldDir);
    EXPECT_EQ(relativeRc, 0);
    EXPECT_EQ(relative, tail.substr(1));
    EXPECT_EQ(rc, 0);
    const std::string first = rooted.substr(0, rooted.find('\\', 1));
    EXPECT_EQ(fromRoot, first + (base + tail).substr(2 + first.size()));
}

TEST(LongPath, NothingToBuild)
{
    int rc;
    for (const char* nothing : {"", "\\", "/\\/"}) {
        EXPECT_EQ(LongOf(nothing, &rc), "");
        EXPECT_EQ(rc, -2) << nothing;
    }
    EXPECT_EQ(LongPathOf(nullptr, nullptr), -2);
    // A drive alone, and a network share, need no lookup.
    EXPECT_EQ(LongOf("C:", &rc), "C:");
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(LongOf("\\\\server\\share", &rc), "\\\\server\\share");
    EXPECT_EQ(rc, 0);
}
