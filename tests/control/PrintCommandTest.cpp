// The manager's Print command with its real "Print Thumbnails" dialog answered by a script; the
// album's print call is replaced so that no printer is needed.
#include "album/AlbumMan.h"
#include "control/ManagerState.h"
#include "resource.h"
#include "support/DialogScript.h"
#include "support/ManagerSuite.h"
#include "support/TestSupport.h"
#include "views/PrintDialog.h"

using namespace testsupport;

namespace {

// What the dialog shows when it comes up: "all, selected, names, owner enabled | chosen size".
std::string Read(HWND d, HWND owner)
{
    std::string s;
    for (int id : {112, 113, 114})
        s += std::to_string(IsDlgButtonChecked(d, id)) + " ";
    const int chosen = int(SendDlgItemMessageA(d, 111, CB_GETCURSEL, 0, 0));
    return s + std::to_string(IsWindowEnabled(owner)) + " | " + (chosen < 0 ? "" : ComboItems(GetDlgItem(d, 111))[size_t(chosen)]);
}

struct PrintCommandTest : ManagerSuite {
    static inline std::vector<std::string> calls; // "document selection names width height"
    static inline int result = 1;
    static int Record(CAlbum&, const char* document, int selection, int names, int width, int height, PRINTDLGA)
    {
        calls.push_back(std::string(document) + " " + std::to_string(selection) + " " + std::to_string(names) + " " +
                        std::to_string(width) + " " + std::to_string(height));
        return result;
    }

    ScratchDir dir;
    CAlbumMan* manager = nullptr;
    printing::AlbumPrintCall saved = printing::g_printAlbum;
    void SetUp() override
    {
        calls.clear();
        result = 1;
        printing::g_printAlbum = Record;
    }
    void TearDown() override
    {
        printing::g_printAlbum = saved;
        if (manager && IsWindow(manager->m_hDlg))
            DestroyWindow(manager->m_hDlg);
    }
    void Open(int thumbnails)
    {
        std::vector<std::string> names;
        for (int i = 1; i <= thumbnails; ++i)
            names.push_back(dir.File(std::to_string(i) + ".bmp"));
        if (thumbnails)
            SaveAlbum(dir.File("a.abm"), names);
        WritePrivateProfileStringA("Context", "LastOpen", "a", "album.ini");
        manager = CAlbumMan::CreateAlbumMan(96, 72);
        ASSERT_EQ(manager->Open(host->hwnd(), dir.path().c_str()), 1);
    }
    void Print() { SendMessageA(manager->m_hDlg, WM_COMMAND, MAKEWPARAM(1007, 0), 0); }
};

} // namespace

TEST_F(PrintCommandTest, AnEmptyAlbumIsNotOffered)
{
    ASSERT_NO_FATAL_FAILURE(Open(0));
    DialogScript script;
    script.On("Print Thumbnails", [](HWND d) { DialogScript::Press(d, IDCANCEL); });
    EXPECT_EQ(manager->Print(), 0);
    EXPECT_EQ(script.Pending(), 1u) << "no dialog";
    EXPECT_TRUE(calls.empty());
}

TEST_F(PrintCommandTest, TheDialogOpensOnItsDefaultsAndPrintsWhatWasChosen)
{
    ASSERT_NO_FATAL_FAILURE(Open(3));
    // Choices made earlier in the process do not come back.
    printing::Current().printAll = 0;
    printing::Current().printNames = 0;
    printing::Current().size = 40;
    std::string seen;
    DialogScript script;
    script.On("Print Thumbnails", [&](HWND d) {
        EXPECT_EQ(ComboItems(GetDlgItem(d, 111)), (std::vector<std::string>{"1 inch", "1 1/2 inch", "2 inch", "2 1/2 inch"}));
        seen = Read(d, manager->m_hDlg);
        CheckRadioButton(d, 112, 113, 113);
        CheckDlgButton(d, 114, BST_UNCHECKED);
        SendDlgItemMessageA(d, 111, CB_SETCURSEL, 1, 0);
        DialogScript::Press(d, IDOK);
    });
    Print();
    EXPECT_EQ(seen, "1 0 1 0 | 2 inch") << "the defaults; the manager window waits while the dialog is up";
    const std::string album = dir.File("a.abm");
    EXPECT_EQ(calls, std::vector<std::string>{album + " 1 2 24 24"});
    auto kept = [] { return std::vector<int>({printing::Current().printAll, printing::Current().printNames, printing::Current().size}); };
    EXPECT_EQ(kept(), std::vector<int>({0, 0, 24}));

    // Again: the defaults, whatever was chosen the last time; OK as they stand.
    script.On("Print Thumbnails", [&](HWND d) {
        seen = Read(d, manager->m_hDlg);
        DialogScript::Press(d, IDOK);
    });
    Print();
    EXPECT_EQ(seen, "1 0 1 0 | 2 inch");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1], album + " 2 1 32 32");

    // Cancel prints nothing and keeps the settings.
    script.On("Print Thumbnails", [](HWND d) { DialogScript::Press(d, IDCANCEL); });
    Print();
    EXPECT_EQ(calls.size(), 2u);
    EXPECT_EQ(printing::Current().size, 32);
    EXPECT_TRUE(IsWindowEnabled(manager->m_hDlg));

    // A print that fails is reported.
    result = 0;
    script.On("Print Thumbnails", [](HWND d) { DialogScript::Press(d, IDOK); });
    script.Answer("Lumicraft 2000", IDOK);
    Print();
    EXPECT_EQ(calls.size(), 3u);
    EXPECT_EQ(script.texts, std::vector<std::string>{manager::LoadText(IDS_PRINT_FAILED)});
    EXPECT_EQ(script.Pending(), 0u);
}
