// The format list in a combo box, and the open-file dialog driven as a user would.
#include <gtest/gtest.h>
#include <windows.h>
#include <string.h>
#include <string>
#include <vector>
#include "imgio.h"
#include "support/TestSupport.h"

namespace {

// A hidden owner window with one combo box.
struct ComboHost {
    HWND parent = nullptr;
    HWND combo = nullptr;
    explicit ComboHost(DWORD style = 0)
    {
        parent = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        combo = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VSCROLL | CBS_DROPDOWNLIST | style, 0, 0, 250, 200,
                                parent, HMENU(144), GetModuleHandleA(nullptr), nullptr);
    }
    ~ComboHost() { DestroyWindow(parent); }
    int Count() const { return int(SendMessageA(combo, CB_GETCOUNT, 0, 0)); }
    std::string Text(int i) const
    {
        char buf[256] = {};
        SendMessageA(combo, CB_GETLBTEXT, WPARAM(i), LPARAM(buf));
        return buf;
    }
    std::string Filter(int i) const
    {
        SendMessageA(combo, CB_SETCURSEL, WPARAM(i), 0);
        char buf[IMGIO_FILTER_MAX];
        memset(buf, 'z', sizeof buf);
        int n = ImgIoFormatFilter(combo, buf);
        EXPECT_EQ(size_t(n), strnlen(buf, sizeof buf));
        return std::string(buf, strnlen(buf, sizeof buf));
    }
};

// ---- driving the file dialog ----

// What the timer does once the dialog shows: type text into the file name box and press OK,
// or press Cancel. It also notes the file type shown when the dialog opened.
struct DialogScript {
    std::string typeName; // empty: cancel
    bool done = false;
    bool found = false;
    int ticks = 0;
    std::string typeShown;
};
DialogScript* g_script = nullptr;

BOOL CALLBACK FindDialog(HWND wnd, LPARAM out)
{
    char cls[32] = {};
    GetClassNameA(wnd, cls, sizeof cls);
    if (strcmp(cls, "#32770") == 0 && IsWindowVisible(wnd)) {
        *reinterpret_cast<HWND*>(out) = wnd;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK DriveDialog(HWND, UINT, UINT_PTR, DWORD)
{
    DialogScript& s = *g_script;
    if (s.done)
        return;
    HWND dlg = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindDialog, LPARAM(&dlg));
    if (!dlg) {
        if (++s.ticks > 200) // ten seconds without a dialog: give up
            s.done = true;
        return;
    }
    s.found = true;
    s.done = true;
    char type[256] = {};
    GetDlgItemTextA(dlg, 0x470 /* cmb1: file types */, type, sizeof type);
    s.typeShown = type;
    if (s.typeName.empty()) {
        PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), LPARAM(GetDlgItem(dlg, IDCANCEL)));
        return;
    }
    HWND name = GetDlgItem(dlg, 0x47C); // cmb13: file name
    if (!name)
        name = GetDlgItem(dlg, 0x480); // edt1
    SetWindowTextA(name, s.typeName.c_str());
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(GetDlgItem(dlg, IDOK)));
}

struct PickResult {
    int result = 0;
    std::vector<std::string> list; // the buffer's strings up to the empty one
    IMGIOOPTIONS options = {};
    DialogScript script;
};

PickResult Pick(const std::string& typed, const std::string& folder, int formatIndex, int bufferSize = 2048)
{
    PickResult r;
    r.script.typeName = typed;
    g_script = &r.script;
    memset(&r.options, 0xCC, sizeof r.options);
    std::vector<char> buffer(size_t(bufferSize), '\0');
    UINT_PTR timer = SetTimer(nullptr, 0, 50, DriveDialog);
    r.result = ImgIoPickFileName(nullptr, 1, formatIndex, "bmp", 0xEFF, buffer.data(), bufferSize, 0x8026C,
                                 &r.options, folder.c_str());
    KillTimer(nullptr, timer);
    g_script = nullptr;
    if (r.result > 0) {
        for (size_t at = 0; at < buffer.size() && buffer[at];) {
            size_t n = strnlen(&buffer[at], buffer.size() - at);
            r.list.emplace_back(&buffer[at], n);
            at += n + 1;
        }
    }
    return r;
}

std::string CurrentDir()
{
    char buf[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof buf, buf);
    return buf;
}

} // namespace

TEST(ImgIoFormats, ListsEveryFormatAfterTheAllEntry)
{
    ComboHost host;
    ASSERT_EQ(ImgIoFormatList(host.combo, 0xEFF, 0), 9);
    ASSERT_EQ(host.Count(), 9);
    EXPECT_EQ(host.Text(0), "All image files");
    const char* patterns[] = {"*.*", "*.BMP", "*.JPG", "*.PNG", "*.GIF", "*.TIF", "*.ICO", "*.TGA", "*.PCX"};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(host.Filter(i), patterns[i]) << i;
        if (i) {
            EXPECT_NE(host.Text(i).find(patterns[i]), std::string::npos) << host.Text(i);
        }
    }
    // Filling again replaces the list.
    EXPECT_EQ(ImgIoFormatList(host.combo, 0xEFF, 0), 9);
    EXPECT_EQ(host.Count(), 9);
}

TEST(ImgIoFormats, MaskSortedBoxesAndForeignWindows)
{
    // Only BMP and TGA, in a sorted box: the "all" entry still comes first.
    ComboHost sorted(CBS_SORT);
    ASSERT_EQ(ImgIoFormatList(sorted.combo, IMGIO_MASK_TGA | IMGIO_MASK_BMP, 0), 3);
    EXPECT_EQ(sorted.Text(0), "All image files");
    EXPECT_EQ(sorted.Filter(0), "*.*");
    EXPECT_EQ(sorted.Filter(1), "*.BMP");
    EXPECT_EQ(sorted.Filter(2), "*.TGA");

    // Nothing selected is no restriction.
    SendMessageA(sorted.combo, CB_SETCURSEL, WPARAM(-1), 0);
    char buf[IMGIO_FILTER_MAX];
    EXPECT_EQ(ImgIoFormatFilter(sorted.combo, buf), 3);
    EXPECT_STREQ(buf, "*.*");

    // An item that is not ours, a window that is no combo box, no window at all.
    ComboHost foreign;
    SendMessageA(foreign.combo, CB_ADDSTRING, 0, LPARAM("Bitmaps"));
    SendMessageA(foreign.combo, CB_SETITEMDATA, 0, 1234);
    SendMessageA(foreign.combo, CB_SETCURSEL, 0, 0);
    strcpy(buf, "junk");
    EXPECT_EQ(ImgIoFormatFilter(foreign.combo, buf), 0);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(ImgIoFormatList(foreign.parent, 0xEFF, 0), 0);
    EXPECT_EQ(ImgIoFormatFilter(foreign.parent, buf), 0);
    EXPECT_EQ(ImgIoFormatList(nullptr, 0xEFF, 0), 0);
    EXPECT_EQ(ImgIoFormatFilter(sorted.combo, nullptr), 0);
}

TEST(ImgIoPick, OneFileFromTheInitialFolder)
{
    testsupport::ScratchDir dir;
    testsupport::WriteBytes(dir.File("a.bmp"), {'B', 'M'});
    const std::string cwd = CurrentDir();

    PickResult r = Pick("a.bmp", dir.path(), IMGIO_INDEX_PNG);
    ASSERT_TRUE(r.script.found) << "the dialog never showed";
    ASSERT_EQ(r.result, 1);
    ASSERT_EQ(r.list.size(), 1u);
    EXPECT_EQ(lstrcmpiA(r.list[0].c_str(), dir.File("a.bmp").c_str()), 0) << r.list[0];
    // The type asked for was the one shown, and it is reported back.
    EXPECT_NE(r.script.typeShown.find("PNG"), std::string::npos) << r.script.typeShown;
    EXPECT_EQ(r.options.dwSize, sizeof(IMGIOOPTIONS));
    EXPECT_EQ(r.options.dwFormat, DWORD(IMGIO_INDEX_PNG));
    EXPECT_EQ(r.options.dwReserved[8], 0u);
    EXPECT_EQ(CurrentDir(), cwd) << "the host's current folder moved";
}

TEST(ImgIoPick, SeveralFilesAndCancel)
{
    testsupport::ScratchDir dir;
    testsupport::WriteBytes(dir.File("one.bmp"), {'B', 'M'});
    testsupport::WriteBytes(dir.File("two.png"), {'x'});

    PickResult r = Pick("\"one.bmp\" \"two.png\"", dir.path(), 0);
    ASSERT_TRUE(r.script.found);
    ASSERT_EQ(r.result, 2);
    ASSERT_EQ(r.list.size(), 3u);
    EXPECT_EQ(lstrcmpiA(r.list[0].c_str(), dir.path().c_str()), 0) << r.list[0];
    EXPECT_EQ(r.list[1], "one.bmp");
    EXPECT_EQ(r.list[2], "two.png");
    EXPECT_NE(r.script.typeShown.find("All image files"), std::string::npos) << r.script.typeShown;
    EXPECT_EQ(r.options.dwFormat, DWORD(IMGIO_INDEX_ALL));

    PickResult c = Pick("", dir.path(), 0);
    ASSERT_TRUE(c.script.found);
    EXPECT_EQ(c.result, IMGIO_PICK_CANCELLED);
    // Not filled when cancelled.
    EXPECT_EQ(c.options.dwSize, 0xCCCCCCCCu);

    char small[2];
    EXPECT_EQ(ImgIoPickFileName(nullptr, 1, 0, "bmp", 0xEFF, small, sizeof small, 0x8026C, nullptr, nullptr),
              IMGIO_PICK_ERROR);
    EXPECT_EQ(ImgIoPickFileName(nullptr, 1, 0, "bmp", 0xEFF, nullptr, 2048, 0x8026C, nullptr, nullptr),
              IMGIO_PICK_ERROR);
}
