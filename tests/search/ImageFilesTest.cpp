// Listing image files and subfolders of a real folder tree.
#include <malloc.h>
#include "find/FindTestUtil.h"
#include "support/ScriptedEsc.h"
#include "search/ImageFiles.h"
#include "win/AnsiNames.h"
#include "win/Realloc.h"

using findtest::Tree;

namespace {

// A path list owned by the test.
struct List {
    PathSlot* paths = nullptr;
    int count = 0;
    ~List() { FreePathList(&paths, &count); }
    std::vector<std::string> Strings() const { return std::vector<std::string>(paths, paths + count); }
};

// The tree most cases use:
//   c.lcf a.JPG b.bmp d.Png notes.txt e.jpeg  pics.jpg\ (a folder)
//   Alpha\  x.gif y.TIF   Alpha\Deep\  z.tga
//   Beta\   w.psd
//   dotted.d\  hidden.bmp      (has an extension: never entered)
void Populate(const Tree& t)
{
    for (const char* f : {"Alpha", "Alpha\\Deep", "Beta", "dotted.d", "pics.jpg"})
        t.Folder(f);
    for (const char* f : {"c.lcf", "a.JPG", "b.bmp", "d.Png", "notes.txt", "e.jpeg", "Alpha\\x.gif", "Alpha\\y.TIF",
                          "Alpha\\Deep\\z.tga", "Beta\\w.psd", "dotted.d\\hidden.bmp"})
        t.File(f);
}

int g_reallocs = 0, g_failAt = 0;
void* CountedRealloc(void* p, size_t n) { return ++g_reallocs == g_failAt ? nullptr : realloc(p, n); }
void* NoRealloc(void*, size_t) { return nullptr; }

// Starts a Unix shell command in the folder dir through Wine (only Wine can make the links these
// tests need). Wine does not wait for a Unix program to end, so callers wait for its effect.
bool RunShell(const std::string& script, const std::string& dir)
{
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    std::string cmd = "/bin/sh -c \"" + script + "\"";
    if (!CreateProcessA("Z:\\bin\\sh", &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi))
        return false;
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return true;
}

bool WaitUntil(bool want, const std::string& path)
{
    for (int i = 0; i < 200 && testsupport::FileExists(path) != want; ++i)
        Sleep(25);
    return testsupport::FileExists(path) == want;
}

} // namespace

TEST(ImageFiles, FolderFilesFollowThePatternOrderAndTheTreeIsWalkedDepthFirst)
{
    Tree t;
    Populate(t);
    List list;
    // No doubled backslash after a folder ending in one.
    ASSERT_EQ(ListImageFiles((t.root() + "\\").c_str(), &list.paths, &list.count), 4);
    const std::vector<std::string> own = {t.Path("c.lcf"), t.Path("a.JPG"), t.Path("b.bmp"), t.Path("d.Png")};
    EXPECT_EQ(list.Strings(), own) << ".lcf, then .JPG, then .BMP, then .png; no .txt, .jpeg or folder";

    // Alpha, Alpha\Deep, Beta (not the root, not dotted.d, not pics.jpg), siblings in the file system's order.
    List folders;
    ASSERT_EQ(CollectSubfolders(t.root().c_str(), &folders.paths, &folders.count), 0);
    const std::vector<std::string> got = folders.Strings(), alphaFirst = {t.Path("Alpha"), t.Path("Alpha\\Deep"), t.Path("Beta")};
    EXPECT_TRUE(got == alphaFirst || got == std::vector<std::string>({t.Path("Beta"), t.Path("Alpha"), t.Path("Alpha\\Deep")}))
        << "a folder is followed at once by its own subfolders";
    // The scan: the subfolders' files in the walk's order (appended, *.TIF before *.GIF), then the
    // folder's own; without subfolders, its own.
    std::vector<std::string> expected = {t.Path("Alpha\\y.TIF"), t.Path("Alpha\\x.gif"), t.Path("Alpha\\Deep\\z.tga")};
    expected.insert(got == alphaFirst ? expected.end() : expected.begin(), t.Path("Beta\\w.psd"));
    expected.insert(expected.end(), own.begin(), own.end());
    for (int sub : {1, 0}) {
        List files;
        EXPECT_EQ(ScanFolderFiles(t.root().c_str(), &files.paths, &files.count, sub), sub ? 8 : 4);
        EXPECT_EQ(files.Strings(), sub ? expected : own);
    }
}

TEST(ImageFiles, InconsistentListsAreRefusedAndFoldersThatCannotBeListedGiveNoFiles)
{
    Tree t;
    Populate(t);
    PathSlot* none = nullptr;
    int two = 2;
    EXPECT_EQ(std::vector<int>({CollectSubfolders(t.root().c_str(), &none, &two), ListImageFiles(t.root().c_str(), &none, &two),
                                ScanFolderFiles(t.root().c_str(), &none, &two, 1), two}),
              std::vector<int>({-1, -1, -1, 2}));
    EXPECT_EQ(none, nullptr);

    List held;
    ASSERT_TRUE(AppendPath(&held.paths, &held.count, "x"));
    PathSlot* array = held.paths;
    int zero = 0; // an array with count 0
    EXPECT_EQ(std::vector<int>({ListImageFiles(t.root().c_str(), &array, &zero), CollectSubfolders(t.root().c_str(), nullptr, &zero), zero}),
              std::vector<int>({-1, -1, 0}));

    // Folders that cannot be listed give no files. Wine runs these tests as the superuser here, to
    // whom no folder is unreadable; a folder that is a file, or that is gone, is what can be tried.
    for (const std::string& bad : {t.Path("a.JPG"), t.Path("gone"), std::string(300, 'x')}) {
        List list;
        EXPECT_EQ(std::vector<int>({CollectSubfolders(bad.c_str(), &list.paths, &list.count),
                                    ListImageFiles(bad.c_str(), &list.paths, &list.count),
                                    ScanFolderFiles(bad.c_str(), &list.paths, &list.count, 1), list.count}),
                  std::vector<int>({-2, 0, -2, 0})) << bad.substr(0, 40);
        EXPECT_EQ(list.paths, nullptr);
    }

    // Names that would not fit a path slot are passed over, never cut to another name.
    std::string deep = "d";
    while (t.root().size() + deep.size() < 225)
        deep += "\\dddddddddddddddddddd";
    for (size_t at = 0; at != std::string::npos;) {
        at = deep.find('\\', at + 1);
        ASSERT_TRUE(t.Folder(deep.substr(0, at)));
    }
    const std::string fits = "ok.bmp", tooLong = std::string(MAX_PATH - t.Path(deep).size(), 'n') + ".bmp";
    t.File(deep + "\\" + fits);
    t.File(deep + "\\" + tooLong);
    t.Folder(deep + "\\" + std::string(MAX_PATH - t.Path(deep).size(), 'f'));
    List files;
    EXPECT_EQ(ScanFolderFiles(t.Path(deep).c_str(), &files.paths, &files.count, 1), 1);
    EXPECT_EQ(files.Strings(), std::vector<std::string>{t.Path(deep + "\\" + fits)});
}

TEST(ImageFiles, EscOrWantOfMemoryStopsTheWalkAndTheScanListsNothing)
{
    Tree t;
    Populate(t);
    using testsupport::ScriptedEsc;
    ScriptedEsc esc(1);
    List list;
    EXPECT_EQ(CollectSubfolders(t.root().c_str(), &list.paths, &list.count), -3);
    EXPECT_EQ(list.count, 0) << "stopped before the first entry";

    // Esc inside a subfolder (checks: the walk's start, its first subfolder, the start inside that
    // one) stops the whole walk, not just that folder.
    List inner;
    ScriptedEsc::Press(3);
    EXPECT_EQ(CollectSubfolders(t.root().c_str(), &inner.paths, &inner.count), -3);
    EXPECT_EQ(inner.count, 1) << "nothing after the folder where Esc came";

    // Esc at the walk's last check, when the subfolders are known: still no file at all.
    ScriptedEsc::Press(0);
    List files;
    ASSERT_EQ(ScanFolderFiles(t.root().c_str(), &files.paths, &files.count, 1), 8);
    FreePathList(&files.paths, &files.count);
    ScriptedEsc::Press(ScriptedEsc::polls);
    EXPECT_EQ(ScanFolderFiles(t.root().c_str(), &files.paths, &files.count, 1), -3);
    EXPECT_EQ(files.count, 0) << "no file at all once the walk was stopped";

    // Listing one folder never asks.
    ScriptedEsc::Press(1);
    EXPECT_EQ(ScanFolderFiles(t.root().c_str(), &files.paths, &files.count, 0), 4);
    EXPECT_EQ(ScriptedEsc::polls, 0);
    FreePathList(&files.paths, &files.count), ScriptedEsc::Press(0);

    // Out of memory: the walk ends and the file list is emptied.
    List some;
    ASSERT_TRUE(AppendPath(&some.paths, &some.count, "kept until the failure"));

    win::ReallocFn old = win::SetRealloc(NoRealloc);
    List folders;
    EXPECT_EQ(CollectSubfolders(t.root().c_str(), &folders.paths, &folders.count), -4);
    EXPECT_EQ(ScanFolderFiles(t.root().c_str(), &files.paths, &files.count, 1), -4);
    EXPECT_EQ(files.count, 0);

    // The first growth fails (on c.lcf): the list is emptied and the later patterns go on.
    g_reallocs = 0;
    g_failAt = 1;
    win::SetRealloc(CountedRealloc);
    PathSlot* full = some.paths;
    for (int i = some.count; i < static_cast<int>(_msize(full) / sizeof(PathSlot)); ++i)
        ASSERT_TRUE(AppendPath(&some.paths, &some.count, "filler"));
    EXPECT_EQ(g_reallocs, 0) << "the list had room so far";
    EXPECT_EQ(ListImageFiles(t.root().c_str(), &some.paths, &some.count), 3);
    EXPECT_EQ(some.Strings(), (std::vector<std::string>{t.Path("a.JPG"), t.Path("b.bmp"), t.Path("d.Png")}));
    win::SetRealloc(old);
}

TEST(ImageFiles, LinkBackToAnOuterFolderIsNotWalkedAgain)
{
    Tree t;
    Populate(t);
    // Alpha\Deep\up leads back to the root, Bside to Beta.
    if (!RunShell("ln -s ../.. Alpha/Deep/up && ln -s Beta Bside", t.root()))
        GTEST_SKIP() << "links are made through Wine's Unix side";
    struct Unlink {
        const Tree& t;
        ~Unlink()
        {
            RunShell("rm -f Alpha/Deep/up Bside", t.root());
            WaitUntil(false, t.Path("Bside"));
        }
    } unlink{t};
    ASSERT_TRUE(WaitUntil(true, t.Path("Bside")));

    List folders;
    ASSERT_EQ(CollectSubfolders(t.root().c_str(), &folders.paths, &folders.count), 0);
    std::vector<std::string> got = folders.Strings();
    std::sort(got.begin(), got.end());
    // A link to a folder elsewhere in the tree is a folder like any other.
    std::vector<std::string> expected = {t.Path("Alpha"), t.Path("Alpha\\Deep"), t.Path("Beta"), t.Path("Bside")};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(got, expected);
}

// One read of each folder, the patterns matched in memory, lists what the platform's searches (one
// per pattern, one for the subfolders) list, in order, sizes and times. Names match through their
// 8.3 names ("x.tiff" is a *.TIF), a name the code page cannot spell through its short name.
TEST(ImageFiles, OneReadListsWhatThePatternSearchesList)
{
    const char* const exts[] = {"lcf", "JPG", "bmp", "Tif", "GIF", "png", "pcx", "TGA", "Fpx", "psd", "pcd"};
    struct Row {
        const char* what;
        std::vector<std::string> folders, files;
        std::vector<std::pair<std::string, DWORD>> marked; // files with attributes
    } rows[] = {
        {"every pattern in mixed case, hidden and system files, dotted folders",
         {"Sub", "Sub\\Deeper", "dot.d", "pics.jpg", "a.b.c", "UPPER", "Sub\\x.y"},
         {"notes.txt", "dot.d\\in.bmp", "a.b.c\\in.png", "Sub\\x.y\\z.gif", "UPPER\\LAST.PCD", "Sub\\Deeper\\d.JpG"},
         {{"Hid.jpg", FILE_ATTRIBUTE_HIDDEN}, {"Sub\\h.tga", FILE_ATTRIBUTE_HIDDEN},
          {"Sys.BMP", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN}, {"UPPER\\s.psd", FILE_ATTRIBUTE_SYSTEM}}},
        {"long extensions, dots and spaces, matched through 8.3 names",
         {"sp ace", "sp ace\\more"},
         {"photo.tiff", "pic.jpeg", "x.pngx", "LONGNAME123.TIF", "my photo.jpg", ".jpg", "a.b.JPG", "x.jpg.txt",
          "noext", "bmp", "sp ace\\in.gifs", "sp ace\\more\\a b.PCX"}, {}},
        {"a name beyond the code page: listed by its short name", {"Sub"}, {"a.jpg", "Sub\\b.bmp"}, {}},
    };
    for (const Row& row : rows) {
        Tree t;
        for (const std::string& f : row.folders)
            t.Folder(f);
        for (const std::string& f : row.files)
            t.File(f);
        for (int i = 0; i < 700; ++i) // more entries than one batch of the read holds
            t.File("a fairly long file name, number " + std::to_string(i) + "." + exts[i % 11]);
        for (const auto& f : row.marked)
            t.File(f.first), SetFileAttributesA(t.Path(f.first).c_str(), f.second);
        if (row.folders.size() == 1)
            CloseHandle(CreateFileW((testsupport::LongWidePath(t.Path("Sub")) + L"\\\xFF21.jpg").c_str(), GENERIC_WRITE,
                                    0, nullptr, CREATE_NEW, 0, nullptr));

        unsigned scanReads = 0; // folders read by the scan of the tree
        auto listAll = [&] {
            List files, folders;
            const unsigned reads = GetImageListingCounters().reads;
            EXPECT_GT(ScanFolderFiles(t.root().c_str(), &files.paths, &files.count, 1), 0) << row.what;
            scanReads = GetImageListingCounters().reads - reads;
            std::vector<std::string> out(files.paths, files.paths + files.count);
            EXPECT_EQ(CollectSubfolders(t.root().c_str(), &folders.paths, &folders.count), 0) << row.what;
            out.insert(out.end(), folders.paths, folders.paths + folders.count);
            std::vector<ImageFileEntry> entries; // the folder's own files, read afresh
            ListImageFileEntries(t.root().c_str(), entries);
            for (const ImageFileEntry& e : entries)
                out.push_back(std::string(e.path) + " " + std::to_string(e.size) + " " +
                              std::to_string(e.created.dwLowDateTime) + " " + std::to_string(e.written.dwLowDateTime));
            return out;
        };
        const bool was = SetImageListingInOneRead(false);
        const std::vector<std::string> searched = listAll();
        SetImageListingInOneRead(true);
        const unsigned searchedBefore = GetImageListingCounters().searched;
        EXPECT_EQ(listAll(), searched) << row.what;
        const unsigned searches = GetImageListingCounters().searched - searchedBefore;
        SetImageListingInOneRead(was);
        // The root and each folder entered (no dotted one) read once for the scan, none searched.
        const auto walked = std::count_if(row.folders.begin(), row.folders.end(),
                                          [](const std::string& f) { return f.find('.') == std::string::npos; });
        EXPECT_EQ(scanReads, unsigned(walked) + 1) << row.what;
        EXPECT_EQ(searches, 0u) << row.what;
    }
}

TEST(ImageFiles, NamesBeyondTheCodePageAreListedByShortNamesThatOpen)
{
    Tree t;
    const std::wstring root = testsupport::LongWidePath(t.root());
    ASSERT_TRUE(CreateDirectoryW((root + L"\\Фото 2026").c_str(), nullptr));
    const std::vector<std::wstring> names = {L"Фото 2026\\写真.jpg", L"Фото 2026\\סבתא.png", L"Фото 2026\\Ölberg.jpg",
                                             L"Фото.bmp"};
    for (const std::wstring& n : names)
        CloseHandle(CreateFileW((root + L"\\" + n).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    for (bool oneRead : {true, false}) {
        const bool was = SetImageListingInOneRead(oneRead);
        List files;
        EXPECT_EQ(ScanFolderFiles(t.root().c_str(), &files.paths, &files.count, 1), 4);
        SetImageListingInOneRead(was);
        std::vector<std::wstring> real;
        for (const std::string& path : files.Strings()) {
            EXPECT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << path;
            std::wstring shown;
            if (!win::RealPathOf(path.c_str(), shown))
                shown = win::WideOfAnsi(path.c_str()); // carried exactly: "Ölberg.jpg" is stored as it is
            real.push_back(shown.substr(t.root().size() + 1));
        }
        std::sort(real.begin(), real.end());
        std::vector<std::wstring> expected = names;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(real, expected) << oneRead;
    }
}
