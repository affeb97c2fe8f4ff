// abmtool's commands on real album files: what they print and what they leave on disk.
#include <io.h>
#include <stdio.h>
#include <thread>
#include "AbmTool.h"
#include "album/AlbumDoc.h"
#include "support/TestSupport.h"

using namespace testsupport;

namespace {

// Runs a command with its standard output going to a file: its exit code, and what it printed in
// *printed when given.
template <class F>
int Command(const ScratchDir& dir, F run, std::string* printed = nullptr)
{
    const std::string file = dir.File("stdout.txt");
    fflush(stdout);
    int saved = _dup(_fileno(stdout));
    FILE* f = fopen(file.c_str(), "wb");
    _dup2(_fileno(f), _fileno(stdout));
    const int result = run();
    fflush(stdout);
    _dup2(saved, _fileno(stdout));
    _close(saved);
    fclose(f);
    const std::vector<unsigned char> bytes = ReadBytes(file);
    if (printed)
        printed->assign(bytes.begin(), bytes.end());
    DeleteFileA(file.c_str());
    return result;
}

// An album of thumbnails with the given stored names; a thumbnail named "broken" holds an image
// that is no bitmap.
std::string MakeAlbum(const ScratchDir& dir, const std::vector<std::string>& names, const char* description)
{
    CAlbumDoc2 doc;
    for (const std::string& name : names) {
        auto rec = MakeRecord(name.c_str(), 10, 0, "\x1b[31mred\r");
        HGLOBAL image = name == "broken" ? MakeBlock(64, 1) : MakeDib(4, 3, 7);
        rec.dwDibSize = DWORD(GlobalSize(image));
        doc.Insert(new CThumbnail2(&rec, image, 0, 1), nullptr);
    }
    doc.SetDescription(description);
    const std::string path = dir.File("album.abm");
    EXPECT_NE(doc.Save(path.c_str()), 0);
    return path;
}

} // namespace

// A name in another script, built from its file, is listed in UTF-8; control characters never.
TEST(AbmTool, ListPrintsNamesInUtf8AndNoControlCharacters)
{
    ScratchDir dir;
    ASSERT_FALSE(testsupport::WriteBmpNamedInOtherScripts(dir.path(), 4, 3).empty());
    ASSERT_EQ(Command(dir, [&] { return abmtool::Build(dir.path(), dir.File("a.abm"), abmtool::BuildOptions{32, true}); }), 0);
    std::string out;
    EXPECT_EQ(Command(dir, [&] { return abmtool::List(dir.File("a.abm")); }, &out), 0);
    EXPECT_NE(out.find("\xE5\x86\x99\xE7\x9C\x9F.bmp (stored as "), std::string::npos) << out; // 写真.bmp

    const std::string album = MakeAlbum(dir, {"a\x07\x1b]0;title\x07.bmp"}, "desc\x1b[2J\x08");
    EXPECT_EQ(Command(dir, [&] { return abmtool::List(album); }, &out), 0);
    for (char c : out)
        ASSERT_TRUE(static_cast<unsigned char>(c) >= 32 || c == '\n') << "control character " << int(c) << " in\n" << out;
    EXPECT_NE(out.find("desc_[2J_"), std::string::npos) << out;
    EXPECT_NE(out.find("_[31mred_"), std::string::npos) << out;
}

TEST(AbmTool, ExportNeverTouchesFilesItDidNotWrite)
{
    ScratchDir dir;
    std::string album = MakeAlbum(dir, {"Trip\\a.jpg", "b.png"}, "x");
    const std::string out = dir.File("out");
    ASSERT_TRUE(CreateDirectoryA(out.c_str(), nullptr));
    const std::string mine = out + "\\0002_b.bmp", other = out + "\\keep.txt";
    WriteBytes(mine, {'m', 'i', 'n', 'e'});
    WriteBytes(other, {'k'});

    // A target name that exists: refused before anything is written.
    EXPECT_EQ(Command(dir, [&] { return abmtool::Export(album, out); }), 1);
    EXPECT_EQ(ReadBytes(mine), (std::vector<unsigned char>{'m', 'i', 'n', 'e'}));
    EXPECT_FALSE(FileExists(out + "\\0001_a.bmp"));

    // A failure part way: the undo removes what the export wrote, and only that.
    DeleteFileA(mine.c_str());
    album = MakeAlbum(dir, {"Trip\\a.jpg", "broken", "c.png"}, "x");
    EXPECT_EQ(Command(dir, [&] { return abmtool::Export(album, out); }), 1);
    EXPECT_FALSE(FileExists(out + "\\0001_a.bmp"));
    EXPECT_TRUE(FileExists(other));

    // Into an empty place it writes every thumbnail.
    DeleteFileA(other.c_str());
    album = MakeAlbum(dir, {"Trip\\a.jpg", "b.png"}, "x");
    EXPECT_EQ(Command(dir, [&] { return abmtool::Export(album, out); }), 0);
    EXPECT_TRUE(FileExists(out + "\\0001_a.bmp") && FileExists(out + "\\0002_b.bmp"));
}

TEST(AbmTool, SortLeavesAnAlbumReadOnlyInPartAsItIs)
{
    ScratchDir dir;
    const std::string album = MakeAlbum(dir, {"c.bmp", "b.bmp", "a.bmp"}, "x");
    std::vector<unsigned char> file = ReadBytes(album);
    file[144 + 288 + 283] = 0x30; // the second image declares 768 MiB
    WriteBytes(album, file);
    EXPECT_EQ(Command(dir, [&] { return abmtool::Sort(album, "name", false); }), 1);
    EXPECT_EQ(ReadBytes(album), file);
}

// Thumbnails are made on worker threads: the album must be the one a single thread makes.
TEST(AbmTool, BuildMakesTheSameAlbumOnOneWorkerOrMany)
{
    ScratchDir dir;
    const std::string images = dir.File("images");
    CreateDirectoryA(images.c_str(), nullptr);
    // Sizes far apart, so that workers finish out of order; one file is no image.
    for (int i = 0; i < 16; ++i)
        WriteBmpFile(images + "\\f" + std::to_string(10 + i) + ".bmp", i % 5 == 0 ? 1600 : 25 + i, i % 5 == 0 ? 1200 : 15 + i,
                     unsigned(i));
    WriteBytes(images + "\\f13b.bmp", {'B', 'M', 0, 0});
    auto build = [&](int threads) {
        abmtool::BuildOptions options;
        options.skipUnreadable = true;
        options.threads = threads;
        const std::string album = dir.File("t" + std::to_string(threads) + ".abm");
        EXPECT_EQ(Command(dir, [&] { return abmtool::Build(images, album, options); }), 0);
        return ReadBytes(album);
    };
    const auto one = build(1);
    ASSERT_FALSE(one.empty());
    EXPECT_TRUE(build(4) == one && build(3) == one);
    // Without --skip-unreadable the build stops at that file and writes nothing.
    abmtool::BuildOptions strict;
    strict.threads = 4;
    EXPECT_EQ(Command(dir, [&] { return abmtool::Build(images, dir.File("strict.abm"), strict); }), 1);
    EXPECT_FALSE(FileExists(dir.File("strict.abm")));
}

// Ctrl+C during a build stops the decodes under way and writes nothing.
TEST(AbmTool, CtrlCStopsABuildWritingNothing)
{
    ScratchDir dir;
    const std::string images = dir.File("images"), album = dir.File("big.abm");
    CreateDirectoryA(images.c_str(), nullptr);
    for (int i = 0; i < 4; ++i)
        WriteSlowTgaFile(images + "\\b" + std::to_string(i) + ".tga", 14000, 14000);
    const size_t base = WorkingSet();
    DWORD pressed = 0;
    // Ctrl+C once the workers have written 300 MB of their frames (588 MB each).
    std::thread user([&] {
        for (const DWORD t0 = GetTickCount(); !pressed && GetTickCount() - t0 < 60000; Sleep(5))
            if (WorkingSet() > base + (size_t(300) << 20))
                pressed = GetTickCount();
        EXPECT_TRUE(abmtool::ConsoleControl(CTRL_C_EVENT));
    });
    abmtool::BuildOptions options;
    options.threads = 2;
    const DWORD start = GetTickCount();
    const int result = Command(dir, [&] { return abmtool::Build(images, album, options); });
    const DWORD stopped = GetTickCount();
    user.join();
    ASSERT_NE(pressed, 0u) << "the decodes never got under way";
    EXPECT_EQ(result, abmtool::kInterrupted);
    // Waiting for the frames' second halves would take about as long as their first halves took.
    EXPECT_LT(stopped - pressed, (pressed - start) / 4) << "the build waited for the decodes to end";
    EXPECT_EQ(dir.List(), std::vector<std::string>{"images"}) << "nothing written, not even in part";
    EXPECT_FALSE(abmtool::ConsoleControl(CTRL_CLOSE_EVENT)) << "closing the console is not ours to stop";
}
