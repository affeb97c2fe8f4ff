// The Find dialog run for real by OpenSearchDlg: each test's steps run inside the dialog's modal
// loop, sending it the commands and texts a user would, while a script answers its message boxes
// and small dialogs.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <limits.h>
#include <functional>
#include <string>
#include <vector>
#include "FindTestUtil.h"
#include "album/AlbumExports.h"
#include "album/AlbumMessages.h"
#include "control/ManagerState.h"
#include "host/AlbumRegistry.h"
#include "win/Module.h"
#include "win/AbortCheck.h"
#include "search/SearchDates.h"
#include "search/SearchDlg.h"
#include "support/DialogScript.h"
#include "vendor_standins/ctrlkit/ctrlkit.h"

using namespace findtest;
using testsupport::DialogScript;

namespace {

// ---- the editor's window: records open requests and saved-results notices ----

struct HostMessage {
    UINT msg;
    WPARAM wParam;
    std::string path;
};
std::vector<HostMessage> g_hostLog;

LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_ALBUM_OPEN)
        g_hostLog.push_back({msg, 0, reinterpret_cast<const char*>(wParam)});
    if (msg == WM_ALBUM_RESULTS)
        g_hostLog.push_back({msg, wParam, reinterpret_cast<const char*>(lParam)});
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// ---- a fixed clock ----

__time64_t g_now = 0;
__time64_t FixedClock() { return g_now; }
void SetToday(int year, int month, int day, int hour = 10)
{
    tm t = {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_isdst = -1;
    g_now = _mktime64(&t);
}

// ---- Esc, pressed when a test says so ----

bool g_escArmed = false;
bool ScriptedEsc()
{
    const bool answer = g_escArmed;
    g_escArmed = false;
    return answer;
}

// ---- the dialog's traffic from the scanner ----

struct Traffic {
    std::vector<std::string> examined;
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
    if (msg == WM_ALBUM_SEARCH && wParam == 1) {
        ++g_traffic.batches;
        if (g_traffic.onBatch)
            g_traffic.onBatch();
    }
    return result;
}

// ---- running the dialog ----

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

std::string Text(HWND dlg, int id)
{
    char text[512] = "";
    GetDlgItemTextA(dlg, id, text, sizeof text);
    return text;
}

std::vector<std::string> Items(HWND dlg, int id)
{
    std::vector<std::string> items;
    HWND combo = GetDlgItem(dlg, id);
    const int n = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        char text[MAX_PATH] = "";
        SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}

void Command(HWND dlg, int id, int code = BN_CLICKED)
{
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
}
// A click on a radio button or check box: its state as the click leaves it, then its notification.
void Click(HWND dlg, int id, int first = 0, int last = 0)
{
    if (first)
        CheckRadioButton(dlg, first, last, id);
    else
        CheckDlgButton(dlg, id, IsDlgButtonChecked(dlg, id) == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
    Command(dlg, id);
}
void Type(HWND dlg, int id, const std::string& text) { SetDlgItemTextA(dlg, id, text.c_str()); }
void Choose(HWND dlg, int id, int index)
{
    SendDlgItemMessageA(dlg, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    Command(dlg, id, CBN_SELCHANGE);
}
int CurrentTab(HWND dlg) { return static_cast<int>(SendDlgItemMessageA(dlg, finddlg::kTabs, TCM_GETCURSEL, 0, 0)); }
int WindowHeight(HWND w)
{
    RECT r;
    GetWindowRect(w, &r);
    return r.bottom - r.top;
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

struct FindDialogTest : ::testing::Test {
    static inline HWND host = nullptr;
    static void SetUpTestSuite()
    {
        CAlbumCtrl::Register(AlbumInstance());
        WNDCLASSA wc = {};
        wc.lpfnWndProc = HostProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "FindTestHost";
        RegisterClassA(&wc);
        host = CreateWindowExA(0, "FindTestHost", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    static void TearDownTestSuite() { DestroyWindow(host); }
    void SetUp() override
    {
        oldClock = search::SetClock(FixedClock);
        SetToday(2024, 5, 20);
        oldEsc = SetAbortCheck(ScriptedEsc);
        g_escArmed = false;
        g_hostLog.clear();
        WritePrivateProfileStringA(finddlg::kHistorySection, nullptr, nullptr, finddlg::kHistoryProfile);
    }
    void TearDown() override
    {
        search::SetClock(oldClock);
        SetAbortCheck(oldEsc);
        manager::SetClipboard(nullptr);
    }

    // Opens the Find dialog on the album folder; body runs once it is up. answers adds the
    // script's steps for the dialogs and boxes the body will meet.
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
        const int result = OpenSearchDlg(host, const_cast<char*>(albums.root().c_str()), width, height);
        EXPECT_TRUE(g_ran) << "the dialog came up";
        texts = s.texts;
        pending = s.Pending();
        script = nullptr;
        return result;
    }

    Tree albums;
    DialogScript* script = nullptr;
    std::vector<std::string> texts;
    size_t pending = 0;
    search::ClockFn oldClock = nullptr;
    AbortCheckFn oldEsc = nullptr;
};

const char kTimeInvalid[] = "The time  is Invalid!";
const char kWildcards[] = "Wildcard search is not supported!";

} // namespace

TEST_F(FindDialogTest, OpensOnTheAlbumsTheHistoryAndTodaysDates)
{
    WriteAlbum(albums.Path("b.abm"), {});
    WriteAlbum(albums.Path("a.abm"), {});
    WriteHistory({"D:\\more", "NOTFIND", "C:\\photos"}, 4);
    SetToday(2024, 1, 15);
    const int result = Find([](HWND dlg, CSearchDlg& s) {
        EXPECT_EQ(Text(dlg, 134), "2023-12-15") << "a month back from 15 January is December of the year before";
        EXPECT_EQ(Text(dlg, 136), "2024-1-15");
        EXPECT_EQ(Text(dlg, finddlg::kFind), "Find Now");
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, finddlg::kSave)));
        EXPECT_EQ(Items(dlg, finddlg::kAlbum), (std::vector<std::string>{"All Albums", "a.abm", "b.abm"}));
        EXPECT_EQ(Text(dlg, finddlg::kAlbum), "All Albums");
        EXPECT_EQ(Items(dlg, finddlg::kFolder), (std::vector<std::string>{"C:\\photos", "D:\\more"}))
            << "entries that were never written are left out";
        EXPECT_EQ(Items(dlg, finddlg::kSizeKind), (std::vector<std::string>{"", "At least", "At most"}));
        EXPECT_GT(Items(dlg, finddlg::kType).size(), 2u);
        EXPECT_EQ(SendDlgItemMessageA(dlg, finddlg::kType, CB_GETCURSEL, 0, 0), 0);
        EXPECT_TRUE(IsDlgButtonChecked(dlg, finddlg::kLookInAlbum));
        EXPECT_TRUE(IsDlgButtonChecked(dlg, finddlg::kAllImages));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, finddlg::kFolder)));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, 134)));

        // Only the first tab's controls show; the tabs switch the pages.
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(dlg, finddlg::kName)));
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(dlg, finddlg::kAllImages)));
        SendDlgItemMessageA(dlg, finddlg::kTabs, TCM_SETCURSEL, 2, 0);
        NMHDR change = {GetDlgItem(dlg, finddlg::kTabs), UINT_PTR(finddlg::kTabs), UINT(TCN_SELCHANGE)};
        SendMessageA(dlg, WM_NOTIFY, finddlg::kTabs, reinterpret_cast<LPARAM>(&change));
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(dlg, finddlg::kType)));
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(dlg, finddlg::kName)));
        EXPECT_EQ(s.m_nTab, 2);

        // Collapsed: the results lie below the dialog's client area.
        RECT client, results;
        GetClientRect(dlg, &client);
        GetWindowRect(GetDlgItem(dlg, finddlg::kResults), &results);
        MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&results), 2);
        EXPECT_GE(results.top, client.bottom);
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(OpenSearchDlg(nullptr, const_cast<char*>(albums.root().c_str()), 8, 8), 0);
}

TEST_F(FindDialogTest, DatesAndWildcardsAreRefusedBeforeASearch)
{
    SetToday(2023, 3, 31);
    Find(
        [this](HWND dlg, CSearchDlg& s) {
            Click(dlg, finddlg::kBetween, finddlg::kBetween, finddlg::kPrevDays);
            EXPECT_TRUE(IsDlgButtonChecked(dlg, finddlg::kModified));
            EXPECT_FALSE(IsDlgButtonChecked(dlg, finddlg::kAllImages));
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, 134)));
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, finddlg::kMonths)));
            EXPECT_EQ(Text(dlg, 134), "2023-2-31") << "the day is kept, whatever the month holds";

            // Typed letters do not reach the date edits.
            SendDlgItemMessageA(dlg, 136, WM_CHAR, 'x', 0);
            SendDlgItemMessageA(dlg, 136, WM_CHAR, '/', 0);
            EXPECT_EQ(Text(dlg, 136), "2023-3-31");

            Command(dlg, finddlg::kFind);
            ASSERT_EQ(script->texts.size(), 1u);
            EXPECT_EQ(script->texts[0], kTimeInvalid) << "31 February is no date";
            EXPECT_EQ(CurrentTab(dlg), 1);
            EXPECT_TRUE(IsWindowVisible(GetDlgItem(dlg, 134)));
            EXPECT_EQ(GetFocus(), GetDlgItem(dlg, 134));
            EXPECT_EQ(s.m_nSearchState, kSearchNew);
            EXPECT_EQ(Text(dlg, finddlg::kInfo), "Album Info") << "no search started";

            Type(dlg, 134, "1999-2-29");
            Command(dlg, finddlg::kFind);
            Type(dlg, 134, "2001-1-2");
            Type(dlg, 136, "2001-1-1");
            Command(dlg, finddlg::kFind);
            EXPECT_EQ(script->texts.size(), 3u) << "1999 has no 29 February; reversed dates";
            EXPECT_EQ(GetFocus(), GetDlgItem(dlg, 134));

            Type(dlg, 134, "2000-2-29");
            Type(dlg, 136, "2000.3/1");
            Command(dlg, finddlg::kFind);
            EXPECT_EQ(script->texts.size(), 3u) << "2000 has a 29 February";
            EXPECT_EQ(s.m_Criteria.bDateFilter, 1);
            EXPECT_EQ(s.m_Criteria.tmFrom.tm_year, 100);
            EXPECT_EQ(s.m_Criteria.tmFrom.tm_mon, 1);
            EXPECT_EQ(s.m_Criteria.tmFrom.tm_mday, 29);
            EXPECT_EQ(s.m_Criteria.tmTo.tm_mon, 2);
            EXPECT_EQ(Text(dlg, finddlg::kInfo), "  0  image(s) found !");
            EXPECT_EQ(Text(dlg, finddlg::kFind), "Find Now");
            EXPECT_EQ(s.m_nSearchState, kSearchNew) << "no album to search: ready for a new search";

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
    EXPECT_EQ(pending, 0u);
}

TEST_F(FindDialogTest, CriteriaAreReadFromTheControls)
{
    SetToday(2023, 6, 15);
    Find([this](HWND dlg, CSearchDlg& s) {
        const tagAlbumSearchCreteria& c = s.m_Criteria;
        Type(dlg, finddlg::kName, "trip");
        Type(dlg, finddlg::kDescription, "Beach");
        Command(dlg, finddlg::kFind);
        EXPECT_STREQ(c.szName, "TRIP");
        EXPECT_STREQ(c.szDescription, "BEACH");
        SetDlgItemTextW(dlg, finddlg::kName, L"写真"); // no wildcards, though "??" in the code page
        Command(dlg, finddlg::kFind);
        EXPECT_EQ(std::wstring(s.m_szTypedName), L"写真");
        EXPECT_STREQ(c.szName, "??");
        Type(dlg, finddlg::kName, "trip");
        Command(dlg, finddlg::kFind);
        EXPECT_EQ(c.bDateFilter, 0);
        EXPECT_EQ(c.nLookIn, ALBUM_LOOK_IN_ALBUM);
        EXPECT_STREQ(c.szAlbumPath, "All Albums");
        EXPECT_STREQ(c.szFolderPath, "");

        Click(dlg, finddlg::kMatchCase);
        Command(dlg, finddlg::kFind);
        EXPECT_STREQ(c.szDescription, "Beach");
        EXPECT_EQ(c.bMatchCase, 1);

        // "during the previous" 14 months in June: April of the year before, the day kept.
        Click(dlg, finddlg::kPrevMonths, finddlg::kBetween, finddlg::kPrevDays);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, finddlg::kMonths)));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, 134)));
        Type(dlg, finddlg::kMonths, "14");
        Command(dlg, finddlg::kFind);
        EXPECT_EQ(c.bDateFilter, 1);
        EXPECT_EQ(c.tmFrom.tm_year, 122);
        EXPECT_EQ(c.tmFrom.tm_mon, 3);
        EXPECT_EQ(c.tmFrom.tm_mday, 15);
        EXPECT_EQ(c.tmTo.tm_year, 123);
        EXPECT_EQ(c.tmTo.tm_mon, 5);
        Click(dlg, finddlg::kPrevDays, finddlg::kBetween, finddlg::kPrevDays);
        Type(dlg, finddlg::kDays, "10");
        Command(dlg, finddlg::kFind);
        EXPECT_EQ(c.tmFrom.tm_mon, 5);
        EXPECT_EQ(c.tmFrom.tm_mday, 5);
        Click(dlg, finddlg::kAllImages, finddlg::kAllImages, finddlg::kModified);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, finddlg::kDays)));

        // The type as the image-file library names it, from its dot.
        const std::vector<std::string> types = Items(dlg, finddlg::kType);
        int jpeg = -1;
        for (size_t i = 0; i < types.size(); ++i)
            if (types[i].find("*.JPG") != std::string::npos)
                jpeg = int(i);
        ASSERT_GT(jpeg, 0);
        Choose(dlg, finddlg::kType, jpeg);
        Command(dlg, finddlg::kFind);
        EXPECT_STREQ(c.szType, ".JPG");
        EXPECT_EQ(c.bDateFilter, 0);

        // Sizes in kilobytes; "At most" negated.
        struct {
            int kind;
            const char* text;
            int bound;
        } sizes[] = {{2, "100", -100 * 1024}, {1, "5", 5 * 1024}, {1, "0", 0}, {0, "7", 0},
                     {1, "9999999", INT_MAX}, {2, "9999999", -INT_MAX}};
        for (const auto& size : sizes) {
            Choose(dlg, finddlg::kSizeKind, size.kind);
            Type(dlg, finddlg::kSize, size.text);
            Command(dlg, finddlg::kFind);
            EXPECT_EQ(c.nSize, size.bound) << size.kind << " " << size.text
                                          << ": seven digits of kilobytes stop at the largest bound, not wrap";
        }

        // Looking in a folder: its path, its subfolders, and no description.
        Click(dlg, finddlg::kLookInFolder, finddlg::kLookInAlbum, finddlg::kLookInFolder);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, finddlg::kFolder)));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, finddlg::kDescription)));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, finddlg::kAlbum)));
        Type(dlg, finddlg::kFolder, albums.root());
        Click(dlg, finddlg::kSubfolders);
        Command(dlg, finddlg::kFind);
        EXPECT_EQ(c.nLookIn, ALBUM_LOOK_IN_FOLDER);
        EXPECT_EQ(std::string(c.szFolderPath), albums.root());
        EXPECT_EQ(c.bSubFolder, 1);
        EXPECT_STREQ(c.szAlbumPath, "");
        Click(dlg, finddlg::kLookInAlbum, finddlg::kLookInAlbum, finddlg::kLookInFolder);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, finddlg::kDescription)));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, finddlg::kFolder)));
    });
}

TEST_F(FindDialogTest, AFolderSearchStopsWithEscContinuesAndThenOnlyBeeps)
{
    Tree photos;
    photos.Junk("c.lcf");
    const std::string a = photos.Image("a.JPG");
    photos.Image("b.bmp");
    photos.Image("d.tif");
    photos.Image("e.gif");
    WriteHistory({"A:\\first", "B:\\second"});
    Find([&](HWND dlg, CSearchDlg& s) {
        const int collapsed = WindowHeight(dlg);
        Click(dlg, finddlg::kLookInFolder, finddlg::kLookInAlbum, finddlg::kLookInFolder);
        Type(dlg, finddlg::kFolder, photos.root());
        g_traffic.onBatch = [] {
            if (g_traffic.batches == 1)
                g_escArmed = true; // Esc while a.JPG's thumbnail is shown
        };
        Command(dlg, finddlg::kFind);
        EXPECT_EQ(g_traffic.examined, (std::vector<std::string>{photos.Path("c.lcf"), a}));
        EXPECT_EQ(Text(dlg, finddlg::kFind), "Continue");
        EXPECT_EQ(s.m_nSearchState, kSearchStopped);
        EXPECT_EQ(s.Results()->GetThumbNailCount(), 1);
        EXPECT_EQ(Text(dlg, finddlg::kInfo), "  1  image(s) found !");
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, finddlg::kSave)));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, finddlg::kFind)));
        EXPECT_GT(WindowHeight(dlg), collapsed) << "the results show below the criteria";
        // Sizing with results to show snaps to whole result columns and rows.
        RECT window;
        GetWindowRect(dlg, &window);
        const int width = window.right - window.left, expanded = window.bottom - window.top;
        RECT drag = {window.left, window.top, window.right + 100, window.bottom + 120};
        SendMessageA(dlg, WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&drag));
        EXPECT_EQ(drag.right - drag.left, width + 88 + 6);
        EXPECT_EQ(drag.bottom - drag.top, expanded + 107 + 6);
        EXPECT_EQ(drag.left, window.left);
        EXPECT_EQ(Items(dlg, finddlg::kFolder)[0], photos.root()) << "the typed folder stands first";

        Command(dlg, finddlg::kFind);
        EXPECT_EQ(g_traffic.examined.size(), 5u);
        EXPECT_EQ(std::vector<std::string>(g_traffic.examined.begin() + 2, g_traffic.examined.end()),
                  (std::vector<std::string>{photos.Path("b.bmp"), photos.Path("d.tif"), photos.Path("e.gif")}))
            << "Continue goes on at the first untested file";
        EXPECT_EQ(s.Results()->GetThumbNailCount(), 4) << "earlier results are kept";
        EXPECT_EQ(Text(dlg, finddlg::kFind), "Find Now");
        EXPECT_EQ(s.m_nSearchState, kSearchFinished);

        Command(dlg, finddlg::kFind);
        EXPECT_EQ(g_traffic.examined.size(), 5u) << "a search that ran to its end only beeps";
        EXPECT_EQ(s.Results()->GetThumbNailCount(), 4);
        EXPECT_EQ(Text(dlg, finddlg::kInfo), "  4  image(s) found !");
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, finddlg::kFind)));
        Type(dlg, finddlg::kName, "B");
        EXPECT_EQ(s.m_nSearchState, kSearchNew) << "a changed criterion allows a new search";
        Command(dlg, finddlg::kFind);
        EXPECT_EQ(s.Results()->GetThumbNailCount(), 1) << "a new search starts with no results";

        // Opening a result: the editor gets the found file's whole path.
        CAlbum* results = s.Results();
        SendMessageA(GetDlgItem(dlg, finddlg::kResults), WM_ALBUM_OPEN, 0, reinterpret_cast<LPARAM>(results->m_ppCells[0]));
        ASSERT_EQ(g_hostLog.size(), 1u);
        EXPECT_EQ(g_hostLog[0].path, photos.Path("b.bmp"));
    });
}

TEST_F(FindDialogTest, AllAlbumsAreSearchedInTheAlbumListsOrder)
{
    WriteAlbum(albums.Path("c.abm"), {{"D:\\c\\1.bmp", "beach"}, {"D:\\c\\2.bmp", "town"}});
    WriteAlbum(albums.Path("a.abm"), {{"D:\\a\\1.bmp", "Beach"}});
    WriteAlbum(albums.Path("b.abm"), {{"D:\\b\\1.bmp", "sea and beach"}});
    Find([&](HWND dlg, CSearchDlg& s) {
        Type(dlg, finddlg::kDescription, "beach");
        Command(dlg, finddlg::kFind);
        EXPECT_EQ(g_traffic.examined,
                  (std::vector<std::string>{albums.Path("a.abm"), albums.Path("b.abm"), albums.Path("c.abm")}));
        CAlbum* results = s.Results();
        ASSERT_EQ(results->GetThumbNailCount(), 3);
        EXPECT_STREQ(results->m_Doc.GetThumbnail(1)->m_Info.szFileName, "D:\\a\\1.bmp");
        EXPECT_STREQ(results->m_Doc.GetThumbnail(3)->m_Info.szFileName, "D:\\c\\1.bmp");
        EXPECT_EQ(s.m_nSearchState, kSearchFinished);

        Choose(dlg, finddlg::kAlbum, 2); // "b.abm"
        g_traffic.examined.clear();
        Command(dlg, finddlg::kFind);
        EXPECT_EQ(g_traffic.examined, std::vector<std::string>{albums.Path("b.abm")});
        EXPECT_EQ(results->GetThumbNailCount(), 1);
    });
}

TEST_F(FindDialogTest, ResultsAreDescribedCopiedPastedAndDeleted)
{
    Tree photos;
    const std::string one = photos.Image("one.bmp", 3000), two = photos.Image("two.bmp"), three = photos.Image("three.bmp");
    testsupport::SetFileTimes(one, Noon(2021, 7, 4), Noon(2021, 7, 4));
    Find(
        [&](HWND dlg, CSearchDlg& s) {
            Click(dlg, finddlg::kLookInFolder, finddlg::kLookInAlbum, finddlg::kLookInFolder);
            Type(dlg, finddlg::kFolder, photos.root());
            Command(dlg, finddlg::kFind);
            CAlbum* results = s.Results();
            ASSERT_EQ(results->GetThumbNailCount(), 3);
            int first = 1;
            while (first <= 3 && std::string(results->m_Doc.GetThumbnail(first)->m_Info.szFileName) != one)
                ++first;
            ASSERT_LE(first, 3);

            // The focused result's day (UTC), size and dimensions; its description is edited in place.
            results->SetCurrentFocus(first);
            EXPECT_EQ(Text(dlg, finddlg::kInfo), "Date: 7/4/2021  File Size: 3 KB   12x 9");
            EXPECT_EQ(Text(dlg, finddlg::kResultDesc), " ");
            Type(dlg, finddlg::kResultDesc, "sunset");
            results->SetCurrentFocus(first == 1 ? 2 : 1);
            EXPECT_STREQ(results->m_Doc.GetThumbnail(first)->m_Info.szDescription, "sunset");

            // The "search album" menu: Cut, Copy and Delete over a result, Paste with something to paste.
            struct Seen {
                UINT cut, paste, del, open;
            };
            static Seen seen;
            auto menu = [&](LPARAM cell) {
                seen = {~0u, ~0u, ~0u, ~0u};
                SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR id, DWORD) CALLBACK {
                    KillTimer(nullptr, id);
                    HWND window = FindWindowA("#32768", nullptr);
                    HMENU m = window ? reinterpret_cast<HMENU>(SendMessageA(window, MN_GETHMENU, 0, 0)) : nullptr;
                    if (m)
                        seen = {GetMenuState(m, finddlg::kCut, MF_BYCOMMAND), GetMenuState(m, finddlg::kPaste, MF_BYCOMMAND),
                                GetMenuState(m, finddlg::kDelete, MF_BYCOMMAND), GetMenuState(m, 40007, MF_BYCOMMAND)};
                    EndMenu();
                });
                SendMessageA(dlg, WM_ALBUM_MENU, 0, cell);
            };
            menu(0);
            EXPECT_TRUE(seen.cut & MF_GRAYED);
            EXPECT_TRUE(seen.del & MF_GRAYED);
            EXPECT_TRUE(seen.paste & MF_GRAYED) << "nothing to paste yet";
            EXPECT_EQ(seen.open, ~0u) << "the results' own menu has no Open";
            menu(reinterpret_cast<LPARAM>(results->m_ppCells[0]));
            EXPECT_FALSE(seen.cut & MF_GRAYED);
            EXPECT_FALSE(seen.del & MF_GRAYED);

            // Copy and cut go through the shared clipboard; paste brings the cut one back.
            results->SetCurrentFocus(first);
            Command(dlg, finddlg::kCopy, 0);
            ASSERT_NE(manager::Clipboard(), nullptr);
            ASSERT_EQ(manager::Clipboard()->GetCount(), 1);
            EXPECT_STREQ(manager::Clipboard()->GetThumbnail(1)->m_Info.szFileName, one.c_str());
            Command(dlg, finddlg::kCut, 0);
            EXPECT_EQ(results->GetThumbNailCount(), 2);
            EXPECT_EQ(results->m_Doc.FindFileInDoc(one.c_str()), nullptr);
            EXPECT_TRUE(testsupport::FileExists(one)) << "cutting never touches the file";
            menu(0);
            EXPECT_FALSE(seen.paste & MF_GRAYED);
            Command(dlg, finddlg::kPaste, 0);
            EXPECT_EQ(results->GetThumbNailCount(), 3);

            // Delete: "Delete Options" cancelled, then thumbnails only, then with the file.
            CThumbnail2* target = results->m_Doc.FindFileInDoc(two.c_str());
            ASSERT_NE(target, nullptr);
            results->SetCurrentFocus(target->m_nID);
            Command(dlg, finddlg::kDelete, 0);
            EXPECT_EQ(results->GetThumbNailCount(), 3);
            Command(dlg, finddlg::kDelete, 0);
            EXPECT_EQ(results->GetThumbNailCount(), 2);
            EXPECT_TRUE(testsupport::FileExists(two));
            target = results->m_Doc.FindFileInDoc(three.c_str());
            ASSERT_NE(target, nullptr);
            results->SetCurrentFocus(target->m_nID);
            Command(dlg, finddlg::kDelete, 0);
            EXPECT_EQ(results->GetThumbNailCount(), 1);
            EXPECT_FALSE(testsupport::FileExists(three)) << "the found file itself is deleted, where it lies";
        },
        [](DialogScript& s) {
            s.On("Delete Options", [](HWND d) { DialogScript::Press(d, IDCANCEL); });
            s.On("Delete Options", [](HWND d) { DialogScript::Press(d, IDOK); });
            s.On("Delete Options", [](HWND d) {
                CheckRadioButton(d, 1024, 1025, 1025);
                DialogScript::Press(d, IDOK);
            });
        });
    EXPECT_EQ(pending, 0u);
}

TEST_F(FindDialogTest, SavedResultsBecomeAnAlbumAndTheEditorIsTold)
{
    Tree photos;
    photos.Image("p.bmp");
    photos.Image("q.bmp");
    WriteHistory({"A:\\kept"});
    HWND seen = nullptr;
    Find(
        [&](HWND dlg, CSearchDlg& s) {
            seen = dlg;
            Click(dlg, finddlg::kLookInFolder, finddlg::kLookInAlbum, finddlg::kLookInFolder);
            Type(dlg, finddlg::kFolder, photos.root());
            Command(dlg, finddlg::kFind);
            EXPECT_EQ(s.m_bUnsaved, 1);
            Command(dlg, finddlg::kSave);
            EXPECT_EQ(s.m_bUnsaved, 0);
            Command(dlg, finddlg::kExit);
            EXPECT_FALSE(IsWindowVisible(dlg)) << "saved results close without a question";
        },
        [](DialogScript& s) { s.Type("Save New Album", 99, "found"); });
    EXPECT_TRUE(texts.empty());
    ASSERT_EQ(g_hostLog.size(), 1u);
    EXPECT_EQ(g_hostLog[0].msg, UINT(WM_ALBUM_RESULTS));
    EXPECT_EQ(g_hostLog[0].wParam, reinterpret_cast<WPARAM>(seen));
    EXPECT_EQ(g_hostLog[0].path, albums.Path("found.abm"));
    CAlbumDoc2 saved;
    ASSERT_EQ(saved.Load(albums.Path("found.abm").c_str()), 1);
    ASSERT_EQ(saved.GetCount(), 2);
    EXPECT_EQ(std::string(saved.GetThumbnail(1)->m_Info.szFileName).rfind(photos.root(), 0), 0u)
        << "the saved album names the files where they are";
    EXPECT_EQ(Profile("ITEMNUM"), "1") << "closing without a question leaves the history alone";
}

TEST_F(FindDialogTest, ClosingAsksForUnsavedResultsAndKeepsTheFolderHistory)
{
    Tree photos;
    photos.Image("p.bmp");
    std::vector<std::string> history;
    for (int i = 0; i < 25; ++i)
        history.push_back("A:\\f" + std::string(i < 10 ? "0" : "") + std::to_string(i));
    auto search = [&](HWND dlg) {
        Click(dlg, finddlg::kLookInFolder, finddlg::kLookInAlbum, finddlg::kLookInFolder);
        Type(dlg, finddlg::kFolder, photos.root());
        Command(dlg, finddlg::kFind);
    };

    // No: nothing is saved and the history stays as it was.
    WriteHistory(history);
    Find(
        [&](HWND dlg, CSearchDlg&) {
            search(dlg);
            Command(dlg, finddlg::kExit);
            EXPECT_FALSE(IsWindowVisible(dlg));
        },
        [](DialogScript& s) { s.Answer("Lumicraft 2000", IDNO); });
    EXPECT_EQ(texts, std::vector<std::string>{"Save the results?"});
    EXPECT_EQ(Profile("0"), "A:\\f00");
    EXPECT_EQ(Profile("ITEMNUM"), "25");

    // Yes: the results are saved, then at most 25 folders are written, the searched one first.
    Find(
        [&](HWND dlg, CSearchDlg&) {
            search(dlg);
            EXPECT_EQ(Items(dlg, finddlg::kFolder).size(), 26u);
            Command(dlg, finddlg::kExit);
            EXPECT_FALSE(IsWindowVisible(dlg));
        },
        [](DialogScript& s) {
            s.Answer("Lumicraft 2000", IDYES);
            s.Type("Save New Album", 99, "kept");
        });
    EXPECT_TRUE(testsupport::FileExists(albums.Path("kept.abm")));
    EXPECT_EQ(Profile("ITEMNUM"), "25");
    EXPECT_EQ(Profile("0"), photos.root());
    EXPECT_EQ(Profile("1"), "A:\\f00");
    EXPECT_EQ(Profile("24"), "A:\\f23");
    EXPECT_EQ(Profile("25"), "-");

    // A history claiming more entries than it ever holds shows no more than 25 of them.
    history.push_back("A:\\f25");
    history.push_back("A:\\f26");
    WriteHistory(history, 999999);
    Find([&](HWND dlg, CSearchDlg&) { EXPECT_EQ(Items(dlg, finddlg::kFolder).size(), 25u); });
}

TEST_F(FindDialogTest, ResultsThatCannotBeSavedStayWithTheDialog)
{
    Tree photos;
    photos.Image("p.bmp");
    Find(
        [&](HWND dlg, CSearchDlg& s) {
            Click(dlg, finddlg::kLookInFolder, finddlg::kLookInAlbum, finddlg::kLookInFolder);
            Type(dlg, finddlg::kFolder, photos.root());
            Command(dlg, finddlg::kFind);
            CAlbum* results = s.Results();
            ASSERT_EQ(results->GetThumbNailCount(), 1);
            // A thumbnail whose image the writer cannot back makes the save fail.
            results->m_Doc.GetThumbnail(1)->m_Info.dwDibSize += 100000;

            Command(dlg, finddlg::kSave);
            ASSERT_EQ(script->texts.size(), 1u);
            EXPECT_EQ(script->texts[0], "The results could not be saved as an album!");
            EXPECT_EQ(s.m_bUnsaved, 1);

            // Yes to saving on close, and the save fails: the dialog stays with its results.
            Command(dlg, finddlg::kExit);
            EXPECT_TRUE(IsWindowVisible(dlg));
            EXPECT_EQ(results->GetThumbNailCount(), 1);
            // Cancelling the name keeps it open too.
            Command(dlg, finddlg::kExit);
            EXPECT_TRUE(IsWindowVisible(dlg));
        },
        [](DialogScript& s) {
            s.Type("Save New Album", 99, "first");
            s.Answer("Lumicraft 2000", IDOK);
            s.Answer("Lumicraft 2000", IDYES);
            s.Type("Save New Album", 99, "second");
            s.Answer("Lumicraft 2000", IDOK);
            s.Answer("Lumicraft 2000", IDYES);
            s.On("Save New Album", [](HWND d) { DialogScript::Press(d, IDCANCEL); });
        });
    EXPECT_EQ(pending, 0u);
    EXPECT_TRUE(g_hostLog.empty()) << "no notice without a saved album";
    EXPECT_FALSE(testsupport::FileExists(albums.Path("first.abm")));
}

TEST_F(FindDialogTest, TheManagersFindCommandOpensTheDialogOnItsFolder)
{
    CreateAlbumRegistry();
    RegisterAlbumThread();
    CtrlKitRegisterBarClass(AlbumInstance());
    WritePrivateProfileStringA("Context", "LastOpen", "", "album.ini");
    CAlbumMan* m = CAlbumMan::CreateAlbumMan(96, 72);
    ASSERT_EQ(m->Open(host, const_cast<char*>(albums.root().c_str())), 1);
    HWND manager = m->m_hDlg;

    DialogScript script;
    bool opened = false;
    script.On("Find", [&](HWND dlg) {
        opened = true;
        CSearchDlg* s = SearchDlgOfWindow(dlg);
        EXPECT_NE(s, nullptr);
        if (s) {
            EXPECT_EQ(std::string(s->m_szAlbumFolder), albums.root());
            EXPECT_EQ(s->m_nThumbWidth, 96);
            EXPECT_EQ(s->m_nThumbHeight, 72);
            EXPECT_EQ(s->m_hHost, host);
        }
        EXPECT_EQ(manager::g_searchRunning, 1) << "a second Find only beeps meanwhile";
        DialogScript::Press(dlg, finddlg::kExit);
    });
    SendMessageA(manager, WM_COMMAND, 1008, 0);
    EXPECT_TRUE(opened);
    EXPECT_EQ(manager::g_searchRunning, 0);
    DestroyWindow(manager);
    UnregisterAlbumThread();
    DestroyAlbumRegistry();

    // A host that asks for no thumbnail size gets thumbnails all the same.
    Find([](HWND, CSearchDlg& s) { EXPECT_GT(s.m_nThumbWidth, 0); }, {}, 0, 0);
}
