// The batch dialog as the album manager uses it, driven by a timer that fills its fields, presses
// its buttons and answers its message boxes: the user's images change only after the warning is
// confirmed, and the result says whether they did (the manager reloads the album only then).
#include <array>
#include "BatchUiInternal.h"
#include "batchui.h"
#include "imgio.h"
#include "support/TestSupport.h"
#include "win/Dib.h"
#include "win/Handles.h"

namespace {

using Bytes = std::vector<unsigned char>;

// Plays the user: fills the dialog once and presses Start, answers the message boxes in turn,
// and presses Cancel once every answer is used and the dialog is idle again.
struct Driver {
    std::function<void(HWND)> fill;
    std::vector<int> answers;
    std::vector<std::string> boxes; // the texts of the message boxes, in order
    bool filled = false, cancelled = false;
    HWND lastBox = nullptr;
} g_driver;

void Click(HWND dlg, int id) { PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(GetDlgItem(dlg, id))); }

// (A named function: a lambda would lack the platform's calling convention on 32-bit builds.)
BOOL CALLBACK CollectDialog(HWND w, LPARAM list)
{
    char name[16] = {};
    GetClassNameA(w, name, sizeof name);
    if (IsWindowVisible(w) && strcmp(name, "#32770") == 0)
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(w);
    return TRUE;
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
{
    Driver& d = g_driver;
    std::vector<HWND> dialogs;
    EnumThreadWindows(GetCurrentThreadId(), CollectDialog, LPARAM(&dialogs));
    for (HWND w : dialogs) // a message box first: its text is item 0xFFFF
        if (!GetDlgItem(w, batchui::kFolder) && w != d.lastBox) {
            char text[1024] = {};
            GetDlgItemTextA(w, 0xFFFF, text, sizeof text);
            d.boxes.push_back(text);
            d.lastBox = w;
            Click(w, d.boxes.size() <= d.answers.size() ? d.answers[d.boxes.size() - 1] : IDCANCEL);
            return;
        }
    for (HWND w : dialogs) {
        if (!GetDlgItem(w, batchui::kFolder))
            continue;
        if (!d.filled)
            d.fill(w), d.filled = true, Click(w, IDOK);
        else if (!d.cancelled && d.boxes.size() >= d.answers.size() && IsWindowEnabled(GetDlgItem(w, IDOK)))
            d.cancelled = true, Click(w, IDCANCEL);
    }
}

int RunDialog(std::function<void(HWND)> fill, std::vector<int> answers, const std::vector<std::string>& paths)
{
    g_driver = Driver{fill, answers, {}};
    std::vector<std::array<char, MAX_PATH>> slots(paths.size());
    for (size_t i = 0; i < paths.size(); ++i)
        lstrcpynA(slots[i].data(), paths[i].c_str(), MAX_PATH);
    const UINT_PTR timer = SetTimer(nullptr, 0, 40, Tick);
    const int result = BatchUiOpenDialog(nullptr, reinterpret_cast<const char(*)[MAX_PATH]>(slots.data()), int(slots.size()));
    KillTimer(nullptr, timer);
    return result;
}

void SetCheck(HWND dlg, int id, bool on)
{
    if ((IsDlgButtonChecked(dlg, id) == BST_CHECKED) != on)
        SendMessageA(GetDlgItem(dlg, id), BM_CLICK, 0, 0);
}

} // namespace

TEST(BatchUi, TheUsersImagesChangeOnlyAfterTheWarningAndTheResultSaysSo)
{
    testsupport::ScratchDir src, out;
    const std::string big = src.File("big.bmp"), small = src.File("small.bmp"), tga = src.File("t.tga");
    testsupport::WriteBmpFile(big, 40, 20, 1);
    testsupport::WriteBmpFile(small, 8, 8, 2);
    Bytes t = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 40, 0, 20, 0, 24, 0}; // a TGA the library reads, cannot write
    t.resize(t.size() + 40 * 20 * 3, 0x40);
    testsupport::WriteBytes(tga, t);
    const std::vector<std::string> paths = {big, small, tga};
    std::vector<Bytes> before;
    for (const std::string& p : paths)
        before.push_back(testsupport::ReadBytes(p));
    auto unchanged = [&](size_t i) { return testsupport::ReadBytes(paths[i]) == before[i]; };
    auto reduce = [](bool replace) {
        return [replace](HWND dlg) {
            EXPECT_EQ(IsDlgButtonChecked(dlg, batchui::kReplace), BST_UNCHECKED) << "replacing is never the default";
            SetCheck(dlg, batchui::kReplace, replace);
            SetCheck(dlg, batchui::kResize, true);
            SetDlgItemTextA(dlg, batchui::kMaxSide, "16");
            SetCheck(dlg, batchui::kGray, false);
        };
    };

    // Copies: new files in the chosen folder, the sources as they were, nothing to reload.
    const std::string folder = out.path();
    auto copies = reduce(false);
    EXPECT_EQ(RunDialog([&](HWND dlg) { copies(dlg), SetDlgItemTextA(dlg, batchui::kFolder, folder.c_str()); }, {IDOK},
                        paths), 0);
    EXPECT_EQ(out.List().size(), 3u);
    EXPECT_TRUE(unchanged(0) && unchanged(1) && unchanged(2) && src.List().size() == 3);

    // "No" to the warning: nothing written, the dialog stays for another choice, then is closed.
    EXPECT_EQ(RunDialog(reduce(true), {IDNO}, paths), BATCHUI_CANCELLED);
    ASSERT_EQ(g_driver.boxes.size(), 1u);
    EXPECT_NE(g_driver.boxes[0].find("cannot be undone"), std::string::npos) << g_driver.boxes[0];
    EXPECT_TRUE(unchanged(0) && unchanged(1) && unchanged(2));

    // "Yes": only the bitmap file that the change applies to is replaced, and that is reported.
    EXPECT_EQ(RunDialog(reduce(true), {IDYES, IDOK}, paths), 1);
    ASSERT_EQ(g_driver.boxes.size(), 2u);
    EXPECT_NE(g_driver.boxes[1].find("1 of 3 images were replaced"), std::string::npos) << g_driver.boxes[1];
    win::GlobalBlock replaced(ImgIoReadFile(big.c_str(), 0, nullptr));
    dib::Layout l = {};
    EXPECT_TRUE(dib::IsValidBlock(replaced.get(), &l) && l.width == 16 && l.height == 8) << l.width << "x" << l.height;
    EXPECT_TRUE(unchanged(1) && unchanged(2)) << "already small enough; a format that cannot be written back";
    EXPECT_EQ(src.List().size(), 3u) << "no stray files";

    const char slot[1][MAX_PATH] = {"x.bmp"};
    EXPECT_EQ(BatchUiOpenDialog(nullptr, nullptr, 1) * 10 + BatchUiOpenDialog(nullptr, slot, 0), BATCHUI_FAILED * 11);
}
