// The editor stand-in driven as a person drives it: mouse clicks, drags and typing reach its real
// windows through the system's input queue. Each scenario ends with the album files read back
// through the library.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "AlbumFiles.h"
#include "Driver.h"
#include "HostSession.h"

using namespace e2e;

namespace {

constexpr uint32_t kDay = 86400, kBase = 1600000000;

std::vector<std::string> Names(std::initializer_list<const char*> names) { return {names.begin(), names.end()}; }

std::string LastOpen()
{
    char text[MAX_PATH] = "";
    GetPrivateProfileStringA("Context", "LastOpen", "", text, sizeof text, "album.ini");
    return text;
}

// The title of an image window of the host that starts with prefix, once there is one.
std::string ImageWindowTitle(const HostSession& host, const std::string& prefix)
{
    std::string title;
    drive::WaitUntil([&] {
        for (HWND w : drive::Descendants(host.main(), "Lumicraft Image")) {
            std::string t = drive::Text(w);
            if (t.rfind(prefix, 0) == 0) {
                title = t;
                return true;
            }
        }
        return false;
    });
    return title;
}

void ActivateByCaption(HWND window)
{
    RECT r;
    GetWindowRect(window, &r);
    drive::Click(POINT{r.left + 40, r.top + 8});
}

} // namespace

// Images added through the Add button, sorted by date, saved as a new album, the window closed
// and the album opened again: the same album in the same order, remembered as the last opened.
TEST(EndToEnd, AddSortSaveCloseAndReopen)
{
    Folder albums("albums1"), images("images1");
    WriteImage(images / "a.bmp", 120, 90, 1, kBase + 3 * kDay);
    WriteImage(images / "b.bmp", 90, 120, 2, kBase + 1 * kDay);
    WriteImage(images / "c.bmp", 100, 100, 3, kBase + 4 * kDay);
    WriteImage(images / "d.bmp", 60, 40, 4, kBase + 2 * kDay);
    // Sorting by date puts the most recent first.
    const std::vector<std::string> byDate = Names({"c.bmp", "a.bmp", "d.bmp", "b.bmp"});

    HostSession host({"--albums", albums.path()});
    ASSERT_TRUE(host.Alive());
    HWND manager = host.OpenManager("New Album");
    ASSERT_NE(manager, nullptr);
    Place(manager, 300, 60, 900, 560);

    Click(manager, kAdd);
    ASSERT_NE(host.Dialog("Open"), nullptr);
    Sleep(300);
    drive::Type(images.path());
    drive::Press(VK_RETURN);
    Sleep(500);
    drive::Type("\"a.bmp\" \"b.bmp\" \"c.bmp\" \"d.bmp\"");
    drive::Press(VK_RETURN);
    ASSERT_TRUE(WaitCount(manager, 4));

    Click(manager, kSort);
    HWND sort = host.Dialog("Sort");
    ASSERT_NE(sort, nullptr);
    drive::Click(drive::Center(drive::Descendant(sort, "Button", "By File &Date")));
    drive::Click(drive::Center(drive::Descendant(sort, "Button", "&OK")));
    ASSERT_TRUE(drive::WaitUntil([sort] { return !IsWindow(sort); }));

    Click(manager, kSave);
    HWND name = host.Dialog("Save New Album");
    ASSERT_NE(name, nullptr);
    drive::Click(drive::Center(GetDlgItem(name, 99)));
    drive::Type("Trip");
    drive::Click(drive::Center(drive::Descendant(name, "Button", "OK")));
    const std::string trip = albums / "Trip.abm";
    ASSERT_TRUE(drive::WaitUntil([&] { return ReadAlbum(trip).names.size() == 4; }));
    EXPECT_EQ(ReadAlbum(trip).names, byDate);
    const std::vector<unsigned char> saved = Bytes(trip);

    // The window's own close box (Alt+F4 on it): nothing unsaved, so it closes at once.
    ActivateByCaption(manager);
    drive::Press(VK_F4, VK_MENU);
    ASSERT_TRUE(drive::WaitUntil([&] { return host.Managers().empty(); }));
    EXPECT_EQ(LastOpen(), "Trip");

    // Open it again: the choice offers the last opened album first.
    drive::Menu(host.main(), "fa");
    HWND choice = host.Dialog("Open New Album");
    ASSERT_NE(choice, nullptr);
    HWND list = GetDlgItem(choice, 101);
    const int selected = int(SendMessageA(list, CB_GETCURSEL, 0, 0));
    ASSERT_GE(selected, 0);
    EXPECT_EQ(drive::ComboItems(list)[size_t(selected)], "Trip");
    drive::Click(drive::Center(drive::Descendant(choice, "Button", "&OK")));
    HWND again = host.NewManager({});
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(WaitCount(again, 4));
    Place(again, 300, 60, 900, 560);

    // The same order on screen: the first and the last thumbnail open c.bmp and b.bmp.
    std::vector<HWND> cells = Cells(again);
    ASSERT_GE(cells.size(), 4u);
    drive::DoubleClick(drive::Center(cells[0]));
    EXPECT_EQ(ImageWindowTitle(host, "c.bmp"), "c.bmp (100 x 100)");
    drive::DoubleClick(drive::Center(Cells(again)[3]));
    EXPECT_EQ(ImageWindowTitle(host, "b.bmp"), "b.bmp (90 x 120)");

    ASSERT_TRUE(host.Exit());
    EXPECT_EQ(Bytes(trip), saved) << "opening an album does not rewrite it";
    AlbumContents back = ReadAlbum(trip);
    ASSERT_TRUE(back.loaded);
    EXPECT_EQ(back.names, byDate);
    EXPECT_EQ(back.times, (std::vector<uint32_t>{kBase + 4 * kDay, kBase + 3 * kDay, kBase + 2 * kDay, kBase + kDay}));
    EXPECT_EQ(back.sizes[0], std::make_pair(100, 100));
}
