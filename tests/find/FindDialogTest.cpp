// The Find dialog run for real by OpenSearchDlg: each test's steps run inside its modal loop,
// sending the commands and texts a user would, while a script answers its boxes and dialogs.
#include "FindTestUtil.h"
#include <commctrl.h>
#include <limits.h>
#include "album/AlbumExports.h"
#include "album/AlbumMessages.h"
#include "control/ManagerState.h"
#include "search/SearchDates.h"
#include "search/SearchDlg.h"
#include "support/DialogScript.h"
#include "support/ManagerSuite.h"
#include "support/ScriptedEsc.h"

using namespace findtest;
using testsupport::DialogScript;
using testsupport::MenuStates;

namespace {

// The editor's window records open requests and saved-results notices.
struct HostMessage {
    UINT msg;
    WPARAM wParam;
    std::string path;
};
std::vector<HostMessage> g_hostLog;

__time64_t g_now = 0; // a fixed clock
__time64_t FixedClock() { return g_now; }
void SetToday(int year, int month, int day)
{
    tm t = {0, 0, 10, day, month - 1, year - 1900, 0, 0, -1};
    g_now = _mktime64(&t);
}

// The dialog's traffic from the scanner.
struct Traffic {
    std::vector<std::string> examined, shown; // the files examined; the information line meanwhile
    int batches = 0;
    std::function<void()> onBatch;
};
Traffic g_traffic;
WNDPROC g_dialogProc = nullptr;

LRESULT CALLBACK WatchProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_ALBUM_SEARCH && wParam == 2)
        g_traffic.examined.push_back(reinterpret_cast<const char*>(lParam));
    LRESULT result = CallWindowProcA(g_dialogProc, dlg, msg, wParam, lParam);
    if (msg == WM_ALBUM_SEARCH && wParam == 2)
        g_traffic.shown.push_back(testsupport::ItemText(dlg, finddlg::kInfo));
    if (msg == WM_ALBUM_SEARCH && wParam == 1) {
        ++g_traffic.batches;
        if (g_traffic.onBatch)
            g_traffic.onBatch();
    }
    return result;
}

std::function<void(HWND)> g_body;
HWND g_dialog = nullptr;
bool g_ran = false;

void CALLBACK RunBody(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    HWND dlg = g_dialog;
    if (!IsWindowVisible(dlg)) {
        // The modal loop shows the dialog once its queue first runs empty: the steps wait for it.
        SetTimer(nullptr, 0, 10, RunBody);
        return;
    }
    g_ran = true;
    g_traffic = Traffic();
    g_dialogProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(dlg, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchProc)));
    auto body = std::move(g_body);
    body(dlg);
    // Whatever the steps left, the dialog ends without asking.
    if (CSearchDlg* s = SearchDlgOfWindow(dlg)) {
        s->m_bUnsaved = 0;
        EndDialog(dlg, 0);
    }
}

std::string Text(HWND dlg, int id) { return testsupport::ItemText(dlg, id); }
std::vector<std::string> Items(HWND dlg, int id) { return testsupport::ComboItems(GetDlgItem(dlg, id)); }

// '1' for each control that passes the test (IsWindowEnabled, IsWindowVisible, Checked), '0' for the others.
BOOL WINAPI Checked(HWND button) { return SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }
std::string Flags(HWND dlg, BOOL(WINAPI* test)(HWND), std::initializer_list<int> ids)
{
    std::string flags;
    for (int id : ids)
        flags += test(GetDlgItem(dlg, id)) ? '1' : '0';
    return flags;
}
std::string Day(const tm& t)
{
    return std::to_string(t.tm_year + 1900) + "-" + std::to_string(t.tm_mon + 1) + "-" + std::to_string(t.tm_mday);
}

void Command(HWND dlg, int id, int code = BN_CLICKED)
{
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
}
// A click on a radio button of the group first..last, or on a check box, then its notification.
void Click(HWND dlg, int id, int first = 0, int last = 0)
{
    if (first)
        CheckRadioButton(dlg, first, last, id);
    else
        CheckDlgButton(dlg, id, IsDlgButtonChecked(dlg, id) == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
    Command(dlg, id);
}
void LookIn(HWND dlg, int id) { Click(dlg, id, finddlg::kLookInAlbum, finddlg::kLookInFolder); }
// The date radio buttons: all images or modified; between two dates or during the last months or days.
void Dates(HWND dlg, int id)
{
    id <= finddlg::kModified ? Click(dlg, id, finddlg::kAllImages, finddlg::kModified)
                             : Click(dlg, id, finddlg::kBetween, finddlg::kPrevDays);
}
void Type(HWND dlg, int id, const std::string& text) { SetDlgItemTextA(dlg, id, text.c_str()); }
void Choose(HWND dlg, int id, int index)
{
    SendDlgItemMessageA(dlg, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    Command(dlg, id, CBN_SELCHANGE);
}
// A search of the folder's files.
void FindInFolder(HWND dlg, const std::string& folder)
{
    LookIn(dlg, finddlg::kLookInFolder);
    Type(dlg, finddlg::kFolder, folder);
    Command(dlg, finddlg::kFind);
}

std::string Profile(const char* key, const char* fallback = "-")
{
    char value[MAX_PATH];
    GetPrivateProfileStringA(finddlg::kHistorySection, key, fallback, value, sizeof value, finddlg::kHistoryProfile);
    return value;
}
void WriteHistory(const std::vector<std::string>& folders, int count = -1)
{
    WritePrivateProfileStringA(finddlg::kHistorySection, nullptr, nullptr, finddlg::kHistoryProfile);
    WritePrivateProfileStringA(finddlg::kHistorySection, "ITEMNUM",
                               std::to_string(count < 0 ? int(folders.size()) : count).c_str(), finddlg::kHistoryProfile);
    for (size_t i = 0; i < folders.size(); ++i)
        WritePrivateProfileStringA(finddlg::kHistorySection, std::to_string(i).c_str(), folders[i].c_str(),
                                   finddlg::kHistoryProfile);
}

// The manager windows' suite, with an editor's window that also logs the saved results' notice.
struct FindDialogTest : testsupport::ManagerSuite {
    static inline testsupport::MessageLog* log = nullptr;
    static void SetUpTestSuite()
    {
        ManagerSuite::SetUpTestSuite();
        log = new testsupport::MessageLog(200, 100, WM_ALBUM_OPEN, WM_ALBUM_RESULTS);
        log->onMessage = [](UINT msg, WPARAM wParam, LPARAM lParam) {
            if (msg == WM_ALBUM_OPEN || msg == WM_ALBUM_RESULTS) // the path is the text of one or the other
                g_hostLog.push_back({msg, msg == WM_ALBUM_OPEN ? 0 : wParam,
                                     reinterpret_cast<const char*>(msg == WM_ALBUM_OPEN ? wParam : lParam)});
        };
    }
    static void TearDownTestSuite()
    {
        delete log;
        ManagerSuite::TearDownTestSuite();
    }
    void SetUp() override
    {
        oldClock = search::SetClock(FixedClock);
        SetToday(2024, 5, 20);
        g_hostLog.clear();
        WritePrivateProfileStringA(finddlg::kHistorySection, nullptr, nullptr, finddlg::kHistoryProfile);
    }
    void TearDown() override { search::SetClock(oldClock), manager::SetClipboard(nullptr); }

    // Opens the Find dialog on the album folder; body runs once it is up, answers scripts its boxes.
    int Find(std::function<void(HWND, CSearchDlg&)> body, std::function<void(DialogScript&)> answers = {},
             int width = 8, int height = 8)
    {
        DialogScript s;
        s.On("Find", [](HWND w) {
            g_dialog = w;
            SetTimer(nullptr, 0, 0, RunBody);
        });
        if (answers)
            answers(s);
        script = &s;
        g_ran = false;
        g_body = [body](HWND dlg) {
            CSearchDlg* object = SearchDlgOfWindow(dlg);
            ASSERT_NE(object, nullptr);
            body(dlg, *object);
        };
        const int result = OpenSearchDlg(log->hwnd(), const_cast<char*>(albums.root().c_str()), width, height);
        EXPECT_TRUE(g_ran) << "the dialog came up";
        texts = s.texts;
        EXPECT_EQ(s.Pending(), 0u) << "every dialog the script waits for came up";
        script = nullptr;
        return result;
    }

    Tree albums;
    DialogScript* script = nullptr;
    std::vector<std::string> texts;
    search::ClockFn oldClock = nullptr;
    testsupport::ScriptedEsc esc; // "Esc" at the next check after Press(1)
};

const char kTimeInvalid[] = "The time  is Invalid!";
const char kWildcards[] = "Wildcard search is not supported!";

} // namespace

// The scan gets the album list in the list's order, or the one album chosen in it.
TEST_F(FindDialogTest, OpensOnTheAlbumsTheHistoryAndTodaysDates)
{
    // "d.abmx" answers the "*.abm" search by its short name only: not an album.
    for (const char* name : {"c.abm", "a.abm", "b.abm", "d.abmx"})
        WriteAlbum(albums.Path(name), {{"D:\\x.bmp", "beach"}});
    WriteHistory({"D:\\more", "NOTFIND", "C:\\photos"}, 4);
    SetToday(2024, 1, 15);
    const int result = Find([&](HWND dlg, CSearchDlg& s) {
        // A month back from 15 January is December of the year before.
        EXPECT_EQ(Text(dlg, finddlg::kFromDate) + " " + Text(dlg, finddlg::kToDate) + " " + Text(dlg, finddlg::kFind),
                  "2023-12-15 2024-1-15 Find Now");
        EXPECT_EQ(Items(dlg, finddlg::kAlbum), (std::vector<std::string>{"All Albums", "a.abm", "b.abm", "c.abm"}));
        EXPECT_EQ(Items(dlg, finddlg::kFolder), (std::vector<std::string>{"C:\\photos", "D:\\more"}))
            << "entries that were never written are left out";
        EXPECT_EQ(Flags(dlg, Checked, {finddlg::kLookInAlbum, finddlg::kAllImages}), "11");
        EXPECT_EQ(Flags(dlg, IsWindowVisible, {finddlg::kName, finddlg::kSubfolders, finddlg::kAllImages}), "110")
            << "the first tab's controls";
        EXPECT_EQ(Flags(dlg, IsWindowEnabled, {finddlg::kSave, finddlg::kFolder, finddlg::kFromDate}), "000");
        // The tabs switch the pages.
        SendDlgItemMessageA(dlg, finddlg::kTabs, TCM_SETCURSEL, 2, 0);
        NMHDR change = {GetDlgItem(dlg, finddlg::kTabs), UINT_PTR(finddlg::kTabs), UINT(TCN_SELCHANGE)};
        SendMessageA(dlg, WM_NOTIFY, finddlg::kTabs, reinterpret_cast<LPARAM>(&change));
        EXPECT_EQ(Flags(dlg, IsWindowVisible, {finddlg::kType, finddlg::kName, finddlg::kSubfolders}), "100");
        Command(dlg, finddlg::kFind);
        EXPECT_EQ(g_traffic.examined,
                  (std::vector<std::string>{albums.Path("a.abm"), albums.Path("b.abm"), albums.Path("c.abm")}));
        Choose(dlg, finddlg::kAlbum, 2); // "b.abm"
        g_traffic.examined.clear();
        Command(dlg, finddlg::kFind);
        EXPECT_EQ(g_traffic.examined, std::vector<std::string>{albums.Path("b.abm")});
        EXPECT_EQ(s.Results()->GetThumbNailCount(), 1);
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(OpenSearchDlg(nullptr, const_cast<char*>(albums.root().c_str()), 8, 8), 0);
}

TEST_F(FindDialogTest, DatesAndWildcardsAreRefusedBeforeASearch)
{
    SetToday(2023, 3, 31);
    Find(
        [this](HWND dlg, CSearchDlg& s) {
            Dates(dlg, finddlg::kBetween);
            EXPECT_EQ(Flags(dlg, Checked, {finddlg::kModified, finddlg::kAllImages}), "10");
            EXPECT_EQ(Flags(dlg, IsWindowEnabled, {finddlg::kFromDate, finddlg::kMonths}), "10");
            EXPECT_EQ(Text(dlg, finddlg::kFromDate), "2023-2-31") << "the day is kept, whatever the month holds";
            // Typed letters do not reach the date edits.
            SendDlgItemMessageA(dlg, finddlg::kToDate, WM_CHAR, 'x', 0);
            SendDlgItemMessageA(dlg, finddlg::kToDate, WM_CHAR, '/', 0);
            EXPECT_EQ(Text(dlg, finddlg::kToDate), "2023-3-31");

            // 1999 has no 29 February, April no 31st, reversed dates: refused, the first date's edit
            // shown on its tab with the focus, and no search started.
            const struct { const char *from, *to; } refused[] = {{"1999-2-29", "2023-3-31"}, {"2001-4-31", "2001-5-1"},
                                                                {"2001-1-2", "2001-1-1"}};
            for (const auto& r : refused) {
                Type(dlg, finddlg::kFromDate, r.from);
                Type(dlg, finddlg::kToDate, r.to);
                Command(dlg, finddlg::kFind);
                EXPECT_EQ(script->texts.size(), size_t(&r - refused + 1)) << r.from;
                EXPECT_EQ(SendDlgItemMessageA(dlg, finddlg::kTabs, TCM_GETCURSEL, 0, 0), 1);
                EXPECT_TRUE(IsWindowVisible(GetDlgItem(dlg, finddlg::kFromDate)) &&
                            GetFocus() == GetDlgItem(dlg, finddlg::kFromDate));
                EXPECT_EQ(s.m_nSearchState, kSearchNew);
                EXPECT_EQ(Text(dlg, finddlg::kInfo), "Album Info");
            }
            EXPECT_EQ(script->texts, std::vector<std::string>(3, kTimeInvalid));

            // 2000 has a 29 February; any separator will do.
            Type(dlg, finddlg::kFromDate, "2000-2-29");
            Type(dlg, finddlg::kToDate, "2000.3/1");
            Command(dlg, finddlg::kFind);
            EXPECT_EQ(script->texts.size(), 3u);
            EXPECT_EQ(std::to_string(s.m_Criteria.bDateFilter) + " " + Day(s.m_Criteria.tmFrom) + " " + Day(s.m_Criteria.tmTo),
                      "1 2000-2-29 2000-3-1");
            EXPECT_EQ(Text(dlg, finddlg::kInfo) + "|" + Text(dlg, finddlg::kFind), "  0  image(s) found !|Find Now");

            Type(dlg, finddlg::kName, "a*b");
            Command(dlg, finddlg::kFind);
            ASSERT_EQ(script->texts.size(), 4u);
            EXPECT_EQ(script->texts[3], kWildcards);
            EXPECT_EQ(GetFocus(), GetDlgItem(dlg, finddlg::kName));
            Type(dlg, finddlg::kName, "a?b");
            Command(dlg, finddlg::kFind);
            EXPECT_EQ(script->texts.size(), 5u);
        },
        [](DialogScript& s) {
            for (int i = 0; i < 5; ++i)
                s.Answer("Lumicraft 2000", IDOK);
        });
}

TEST_F(FindDialogTest, CriteriaAreReadFromTheControls)
{
    SetToday(2023, 6, 15);
    Find([this](HWND dlg, CSearchDlg& s) {
        const tagAlbumSearchCreteria& c = s.m_Criteria;
        auto find = [&] { Command(dlg, finddlg::kFind); };
        Type(dlg, finddlg::kName, "trip");
        Type(dlg, finddlg::kDescription, "Beach");
        find();
        EXPECT_EQ(std::string(c.szName) + "|" + c.szDescription + "|" + c.szAlbumPath + "|" + c.szFolderPath,
                  "TRIP|BEACH|All Albums|");
        EXPECT_EQ(std::vector<int>({c.bDateFilter, c.nLookIn}), std::vector<int>({0, ALBUM_LOOK_IN_ALBUM}));
        SetDlgItemTextW(dlg, finddlg::kName, L"写真"); // no wildcards, though "??" in the code page
        find();
        EXPECT_EQ(std::wstring(s.m_szTypedName), L"写真");
        EXPECT_STREQ(c.szName, "??");
        Type(dlg, finddlg::kName, "trip");
        Click(dlg, finddlg::kMatchCase);
        find();
        EXPECT_EQ(std::string(c.szDescription) + " " + std::to_string(c.bMatchCase), "Beach 1");

        // "During the previous" 14 months in June: April of the year before, the day kept; 10 days.
        Dates(dlg, finddlg::kPrevMonths);
        EXPECT_EQ(Flags(dlg, IsWindowEnabled, {finddlg::kMonths, finddlg::kFromDate}), "10");
        Type(dlg, finddlg::kMonths, "14");
        find();
        EXPECT_EQ(std::to_string(c.bDateFilter) + " " + Day(c.tmFrom) + " " + Day(c.tmTo), "1 2022-4-15 2023-6-15");
        Dates(dlg, finddlg::kPrevDays);
        Type(dlg, finddlg::kDays, "10");
        find();
        EXPECT_EQ(Day(c.tmFrom), "2023-6-5");
        Dates(dlg, finddlg::kAllImages);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, finddlg::kDays)));

        // The type as the image-file library names it, from its dot.
        const std::vector<std::string> types = Items(dlg, finddlg::kType);
        const auto jpeg = std::find_if(types.begin(), types.end(), [](const std::string& t) { return t.find("*.JPG") != t.npos; });
        ASSERT_TRUE(jpeg != types.begin() && jpeg != types.end());
        Choose(dlg, finddlg::kType, int(jpeg - types.begin()));
        find();
        EXPECT_EQ(std::string(c.szType) + " " + std::to_string(c.bDateFilter), ".JPG 0");

        // Sizes in kilobytes, "At most" negated; seven digits stop at the largest bound, not wrap.
        const struct { int kind; const char* text; int bound; } sizes[] = {
            {2, "100", -100 * 1024}, {1, "5", 5 * 1024}, {1, "0", 0}, {0, "7", 0}, {1, "9999999", INT_MAX}};
        for (const auto& size : sizes) {
            Choose(dlg, finddlg::kSizeKind, size.kind);
            Type(dlg, finddlg::kSize, size.text);
            find();
            EXPECT_EQ(c.nSize, size.bound) << size.kind << " " << size.text;
        }

        // Looking in a folder: its path, its subfolders, and no description.
        LookIn(dlg, finddlg::kLookInFolder);
        EXPECT_EQ(Flags(dlg, IsWindowEnabled, {finddlg::kFolder, finddlg::kDescription, finddlg::kAlbum}), "100");
        Type(dlg, finddlg::kFolder, albums.root());
        Click(dlg, finddlg::kSubfolders);
        find();
        EXPECT_EQ(std::vector<int>({c.nLookIn, c.bSubFolder}), std::vector<int>({ALBUM_LOOK_IN_FOLDER, 1}));
        EXPECT_EQ(std::string(c.szFolderPath) + "|" + c.szAlbumPath, albums.root() + "|");
        LookIn(dlg, finddlg::kLookInAlbum);
        EXPECT_EQ(Flags(dlg, IsWindowEnabled, {finddlg::kDescription, finddlg::kFolder}), "10");
    });
}

TEST_F(FindDialogTest, AFolderSearchStopsWithEscContinuesAndThenOnlyBeeps)
{
    Tree photos;
    testsupport::WriteBytes(photos.Path("c.lcf"), {'x'}); // no thumbnail can be made of it
    const std::string a = photos.Image("a.JPG");
    photos.Image("b.bmp");
    Find([&](HWND dlg, CSearchDlg& s) {
        RECT collapsed, window;
        GetWindowRect(dlg, &collapsed);
        g_traffic.onBatch = [] {
            if (g_traffic.batches == 1)
                testsupport::ScriptedEsc::Press(1); // Esc while a.JPG's thumbnail is shown
        };
        FindInFolder(dlg, photos.root());
        EXPECT_EQ(g_traffic.shown.back(), "Scanning  " + a + " - Press Esc to abort!") << "the last file examined";
        EXPECT_EQ(Text(dlg, finddlg::kFind) + "|" + Text(dlg, finddlg::kInfo), "Continue|  1  image(s) found !");
        EXPECT_EQ(std::vector<int>({s.m_nSearchState, s.Results()->GetThumbNailCount()}), std::vector<int>({kSearchStopped, 1}));
        EXPECT_EQ(Flags(dlg, IsWindowEnabled, {finddlg::kSave, finddlg::kFind}), "11");
        GetWindowRect(dlg, &window);
        EXPECT_GT(window.bottom - window.top, collapsed.bottom - collapsed.top) << "the results show below the criteria";
        // Sizing with results to show snaps to whole result columns and rows.
        RECT drag = {window.left, window.top, window.right + 100, window.bottom + 120};
        SendMessageA(dlg, WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&drag));
        EXPECT_EQ(std::vector<LONG>({drag.left, drag.right - drag.left, drag.bottom - drag.top}),
                  std::vector<LONG>({window.left, window.right - window.left + 94, window.bottom - window.top + 113}));

        Command(dlg, finddlg::kFind); // Continue: where it goes on is the scan test's
        EXPECT_EQ(std::vector<int>({s.Results()->GetThumbNailCount(), s.m_nSearchState}), std::vector<int>({2, kSearchFinished}))
            << "earlier results are kept";
        EXPECT_EQ(Text(dlg, finddlg::kFind), "Find Now");
        Command(dlg, finddlg::kFind);
        EXPECT_EQ(g_traffic.examined.size(), 3u) << "a search that ran to its end only beeps";
        EXPECT_EQ(Text(dlg, finddlg::kInfo) + "|" + Flags(dlg, IsWindowEnabled, {finddlg::kFind}), "  2  image(s) found !|1");
        Type(dlg, finddlg::kName, "B");
        EXPECT_EQ(s.m_nSearchState, kSearchNew) << "a changed criterion allows a new search";
        Command(dlg, finddlg::kFind);
        EXPECT_EQ(s.Results()->GetThumbNailCount(), 1) << "a new search starts with no results";

        // Opening a result: the editor gets the found file's whole path.
        SendMessageA(GetDlgItem(dlg, finddlg::kResults), WM_ALBUM_OPEN, 0, reinterpret_cast<LPARAM>(s.Results()->m_ppCells[0]));
        ASSERT_EQ(g_hostLog.size(), 1u);
        EXPECT_EQ(g_hostLog[0].path, photos.Path("b.bmp"));
    });
}

TEST_F(FindDialogTest, ResultsAreDescribedCopiedPastedAndDeleted)
{
    Tree photos;
    const std::string one = photos.Image("one.bmp", 3000), two = photos.Image("two.bmp"), three = photos.Image("three.bmp");
    testsupport::SetFileTimes(one, Noon(2021, 7, 4), Noon(2021, 7, 4));
    Find(
        [&](HWND dlg, CSearchDlg& s) {
            FindInFolder(dlg, photos.root());
            CAlbum* results = s.Results();
            ASSERT_EQ(results->GetThumbNailCount(), 3);
            auto focus = [&](const std::string& file) {
                CThumbnail2* t = results->m_Doc.FindFileInDoc(file.c_str());
                return t ? results->SetCurrentFocus(t->m_nID), t->m_nID : 0;
            };
            // The focused result's day (UTC), size and dimensions; its description is edited in place.
            const int first = focus(one);
            ASSERT_GT(first, 0);
            EXPECT_EQ(Text(dlg, finddlg::kInfo) + "|" + Text(dlg, finddlg::kResultDesc), "Date: 7/4/2021  File Size: 3 KB   12x 9| ");
            Type(dlg, finddlg::kResultDesc, "sunset");
            results->SetCurrentFocus(first == 1 ? 2 : 1);
            EXPECT_STREQ(results->m_Doc.GetThumbnail(first)->m_Info.szDescription, "sunset");

            // The "search album" menu: Cut and Delete over a result, Paste with something to
            // paste; no Open, which is the editor's.
            auto menu = [&](LPARAM cell) {
                std::vector<UINT> states = MenuStates([&] { SendMessageA(dlg, WM_ALBUM_MENU, 0, cell); },
                                                      {finddlg::kCut, finddlg::kDelete, finddlg::kPaste, 40007});
                std::string grayed;
                for (UINT state : states)
                    grayed += state == ~0u ? '-' : state & MF_GRAYED ? 'g' : 'e';
                return grayed;
            };
            EXPECT_EQ(menu(0), "ggg-") << "nothing under the mouse, nothing to paste";
            EXPECT_EQ(menu(reinterpret_cast<LPARAM>(results->m_ppCells[0])), "eeg-");

            // Copy and cut go through the shared clipboard; paste brings the cut one back.
            focus(one);
            Command(dlg, finddlg::kCopy, 0);
            ASSERT_TRUE(manager::Clipboard() && manager::Clipboard()->GetCount() == 1);
            EXPECT_STREQ(manager::Clipboard()->GetThumbnail(1)->m_Info.szFileName, one.c_str());
            Command(dlg, finddlg::kCut, 0);
            EXPECT_EQ(results->GetThumbNailCount(), 2);
            EXPECT_EQ(results->m_Doc.FindFileInDoc(one.c_str()), nullptr);
            EXPECT_TRUE(testsupport::FileExists(one)) << "cutting never touches the file";
            EXPECT_EQ(menu(0), "gge-");
            Command(dlg, finddlg::kPaste, 0);
            EXPECT_EQ(results->GetThumbNailCount(), 3);

            // Delete: "Delete Options" cancelled, then thumbnails only, then with the file, where it lies.
            for (const auto& d : {std::make_pair(two, 3), std::make_pair(two, 2), std::make_pair(three, 1)}) {
                ASSERT_GT(focus(d.first), 0);
                Command(dlg, finddlg::kDelete, 0);
                EXPECT_EQ(results->GetThumbNailCount(), d.second);
                EXPECT_EQ(testsupport::FileExists(d.first), d.second > 1) << d.second;
            }
        },
        [](DialogScript& s) {
            s.On("Delete Options", [](HWND d) { DialogScript::Press(d, IDCANCEL); });
            s.On("Delete Options", [](HWND d) { DialogScript::Press(d, IDOK); });
            s.On("Delete Options", [](HWND d) {
                CheckRadioButton(d, 1024, 1025, 1025);
                DialogScript::Press(d, IDOK);
            });
        });
}

// Unsaved results are asked for on closing: No keeps the folder history as it was; Yes saves them
// as an album, tells the editor, and writes the history; results that cannot be saved stay.
TEST_F(FindDialogTest, SavedResultsBecomeAnAlbumAndClosingAsksForUnsavedOnes)
{
    Tree photos;
    photos.Image("p.bmp");
    photos.Image("q.bmp");
    std::vector<std::string> history;
    for (int i = 0; i < 25; ++i)
        history.push_back("A:\\f" + std::string(i < 10 ? "0" : "") + std::to_string(i));
    WriteHistory(history);
    HWND seen = nullptr;
    auto searchAndExit = [&](HWND dlg, CSearchDlg&) {
        seen = dlg;
        FindInFolder(dlg, photos.root());
        EXPECT_EQ(Items(dlg, finddlg::kFolder).size(), 26u);
        Command(dlg, finddlg::kExit);
        EXPECT_FALSE(IsWindowVisible(dlg));
    };
    Find(searchAndExit, [](DialogScript& s) { s.Answer("Lumicraft 2000", IDNO); });
    EXPECT_EQ(texts, std::vector<std::string>{"Save the results?"});
    EXPECT_EQ(Profile("0") + " " + Profile("ITEMNUM"), "A:\\f00 25");

    // Results that cannot be saved (a thumbnail whose image the writer cannot back) stay with the
    // dialog: saved by the button, or Yes to saving on close and the save fails, or the name cancelled.
    Find(
        [&](HWND dlg, CSearchDlg& s) {
            FindInFolder(dlg, photos.root());
            CAlbum* results = s.Results();
            ASSERT_EQ(results->GetThumbNailCount(), 2);
            results->m_Doc.GetThumbnail(1)->m_Info.dwDibSize += 100000;
            Command(dlg, finddlg::kSave);
            EXPECT_EQ(script->texts, std::vector<std::string>{"The results could not be saved as an album!"});
            EXPECT_EQ(s.m_bUnsaved, 1);
            for (int i = 0; i < 2; ++i) {
                Command(dlg, finddlg::kExit);
                EXPECT_TRUE(IsWindowVisible(dlg) && results->GetThumbNailCount() == 2) << i;
            }
        },
        [](DialogScript& s) {
            s.Type("Save New Album", 99, "first").Answer("Lumicraft 2000", IDOK);
            s.Answer("Lumicraft 2000", IDYES).Type("Save New Album", 99, "second").Answer("Lumicraft 2000", IDOK);
            s.Answer("Lumicraft 2000", IDYES).On("Save New Album", [](HWND d) { DialogScript::Press(d, IDCANCEL); });
        });
    EXPECT_FALSE(testsupport::FileExists(albums.Path("first.abm")));
    EXPECT_TRUE(g_hostLog.empty()) << "no notice without a saved album";

    // At most 25 folders are written, the searched one first.
    Find(searchAndExit, [](DialogScript& s) {
        s.Answer("Lumicraft 2000", IDYES);
        s.Type("Save New Album", 99, "kept");
    });
    EXPECT_EQ(Profile("ITEMNUM") + " " + Profile("0") + " " + Profile("1") + " " + Profile("24") + " " + Profile("25"),
              "25 " + photos.root() + " A:\\f00 A:\\f23 -");
    ASSERT_EQ(g_hostLog.size(), 1u);
    EXPECT_TRUE(g_hostLog[0].msg == WM_ALBUM_RESULTS && g_hostLog[0].wParam == reinterpret_cast<WPARAM>(seen));
    EXPECT_EQ(g_hostLog[0].path, albums.Path("kept.abm"));
    CAlbumDoc2 saved;
    ASSERT_EQ(saved.Load(albums.Path("kept.abm").c_str()), 1);
    ASSERT_EQ(saved.GetCount(), 2);
    EXPECT_EQ(std::string(saved.GetThumbnail(1)->m_Info.szFileName).rfind(photos.root(), 0), 0u)
        << "the saved album names the files where they are";

    // A history claiming more entries than it ever holds shows no more than 25 of them.
    history.push_back("A:\\f25");
    history.push_back("A:\\f26");
    WriteHistory(history, 999999);
    Find([&](HWND dlg, CSearchDlg&) { EXPECT_EQ(Items(dlg, finddlg::kFolder).size(), 25u); });
}

TEST_F(FindDialogTest, TheManagersFindCommandOpensTheDialogOnItsFolder)
{
    WritePrivateProfileStringA("Context", "LastOpen", "", "album.ini");
    CAlbumMan* m = CAlbumMan::CreateAlbumMan(96, 72);
    ASSERT_EQ(m->Open(log->hwnd(), const_cast<char*>(albums.root().c_str())), 1);
    HWND manager = m->m_hDlg;

    DialogScript script;
    bool opened = false;
    script.On("Find", [&](HWND dlg) {
        opened = true;
        CSearchDlg* s = SearchDlgOfWindow(dlg);
        EXPECT_TRUE(s && s->m_szAlbumFolder == albums.root() && s->m_nThumbWidth == 96 && s->m_nThumbHeight == 72 &&
                    s->m_hHost == log->hwnd());
        EXPECT_EQ(manager::g_searchRunning, 1) << "a second Find only beeps meanwhile";
        DialogScript::Press(dlg, finddlg::kExit);
    });
    SendMessageA(manager, WM_COMMAND, 1008, 0);
    EXPECT_TRUE(opened);
    EXPECT_EQ(manager::g_searchRunning, 0);
    DestroyWindow(manager);

    // A host that asks for no thumbnail size gets thumbnails all the same.
    Find([](HWND, CSearchDlg& s) { EXPECT_GT(s.m_nThumbWidth, 0); }, {}, 0, 0);
}
