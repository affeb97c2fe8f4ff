// The batch dialog as the album manager uses it, played by a script: the user's images change only
// after the warning is confirmed, and the result says whether they did (the album is reloaded then).
#include "BatchUiInternal.h"
#include "batchui.h"
#include "imgio.h"
#include "support/DialogScript.h"
#include "support/TestSupport.h"
#include "win/Dib.h"
#include "win/Handles.h"

using testsupport::DialogScript;
using Bytes = std::vector<unsigned char>;

TEST(BatchUi, TheUsersImagesChangeOnlyAfterTheWarningAndTheResultSaysSo)
{
    testsupport::ScratchDir src, out;
    const std::string files[3] = {src.File("big.bmp"), src.File("small.bmp"), src.File("t.tga")};
    testsupport::WriteBmpFile(files[0], 40, 20, 1);
    testsupport::WriteBmpFile(files[1], 8, 8, 2);
    testsupport::WriteSlowTgaFile(files[2], 128, 20); // a TGA the library reads, cannot write
    char paths[3][MAX_PATH] = {};
    std::vector<Bytes> before;
    for (int i = 0; i < 3; ++i) {
        lstrcpynA(paths[i], files[i].c_str(), MAX_PATH);
        before.push_back(testsupport::ReadBytes(files[i]));
    }
    auto unchanged = [&](int i) { return testsupport::ReadBytes(paths[i]) == before[size_t(i)]; };
    // Longest sides at most 16, as copies into out or in place; then Start.
    auto start = [&](bool replace) {
        return [&, replace](HWND dlg) {
            EXPECT_EQ(IsDlgButtonChecked(dlg, batchui::kReplace), BST_UNCHECKED) << "replacing is never the default";
            CheckDlgButton(dlg, batchui::kReplace, replace ? BST_CHECKED : BST_UNCHECKED);
            CheckDlgButton(dlg, batchui::kResize, BST_CHECKED);
            SetDlgItemTextA(dlg, batchui::kMaxSide, "16");
            SetDlgItemTextA(dlg, batchui::kFolder, out.path().c_str());
            DialogScript::Press(dlg, IDOK);
        };
    };

    // Copies: new files in the chosen folder, the sources as they were, nothing to reload.
    {
        DialogScript script;
        script.On(batchui::kTitle, start(false)).Answer(batchui::kTitle, IDOK);
        EXPECT_EQ(BatchUiOpenDialog(nullptr, paths, 3), 0);
        EXPECT_EQ(out.List().size(), 3u);
        EXPECT_TRUE(unchanged(0) && unchanged(1) && unchanged(2) && src.List().size() == 3);
    }
    // "No" to the warning: nothing written, the dialog stays for another choice, then is closed.
    {
        DialogScript script;
        script.On(batchui::kTitle, start(true)).Answer(batchui::kTitle, IDNO).On(batchui::kTitle, [](HWND dlg) {
            DialogScript::Press(dlg, IDCANCEL);
        }).Answer(batchui::kTitle, IDCANCEL); // the last only were a run begun after all
        EXPECT_EQ(BatchUiOpenDialog(nullptr, paths, 3), BATCHUI_CANCELLED);
        ASSERT_EQ(script.texts.size(), 1u);
        EXPECT_NE(script.texts[0].find("cannot be undone"), std::string::npos) << script.texts[0];
        EXPECT_TRUE(unchanged(0) && unchanged(1) && unchanged(2));
    }
    // "Yes": only the bitmap file that the change applies to is replaced, and that is reported.
    DialogScript script;
    script.On(batchui::kTitle, start(true)).Answer(batchui::kTitle, IDYES).On(batchui::kTitle, [](HWND) {}) // active again
        .Answer(batchui::kTitle, IDOK);
    EXPECT_EQ(BatchUiOpenDialog(nullptr, paths, 3), 1);
    ASSERT_EQ(script.texts.size(), 2u);
    EXPECT_NE(script.texts[1].find("1 of 3 images were replaced"), std::string::npos) << script.texts[1];
    win::GlobalBlock replaced(ImgIoReadFile(paths[0], 0, nullptr));
    dib::Layout l = {};
    EXPECT_TRUE(dib::IsValidBlock(replaced.get(), &l) && l.width == 16 && l.height == 8) << l.width << "x" << l.height;
    EXPECT_TRUE(unchanged(1) && unchanged(2)) << "already small enough; a format that cannot be written back";
    EXPECT_EQ(src.List().size(), 3u) << "no stray files";
    EXPECT_EQ(BatchUiOpenDialog(nullptr, nullptr, 1) * 10 + BatchUiOpenDialog(nullptr, paths, 0), BATCHUI_FAILED * 11);
}
