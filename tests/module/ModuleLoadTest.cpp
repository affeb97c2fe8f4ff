// The library loaded and unloaded at run time, as the editor may do: the log line of every
// attachment and the count it carries.
#include <gtest/gtest.h>
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <thread>
#include <vector>

namespace {

const char kLog[] = "c:\\lc2000_LOG.TXT";

std::vector<std::string> LogLines()
{
    std::vector<std::string> lines;
    if (FILE* f = fopen(kLog, "rb")) {
        char line[600];
        while (fgets(line, sizeof line, f))
            lines.push_back(line);
        fclose(f);
    }
    return lines;
}

// The message of a line "<seconds> : <message>\n", checking the time stamp on the way.
std::string Message(const std::string& line)
{
    const size_t sep = line.find(" : ");
    EXPECT_NE(sep, std::string::npos) << line;
    const long long stamp = atoll(line.substr(0, sep).c_str());
    EXPECT_LE(llabs(stamp - static_cast<long long>(time(nullptr))), 5) << line;
    EXPECT_EQ(line.back(), '\n');
    return line.substr(sep + 3, line.size() - sep - 4);
}

} // namespace

TEST(ModuleLoad, EveryAttachmentIsCountedAndLogged)
{
    SetFileAttributesA(kLog, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(kLog);
    // A thread that runs before the library is loaded detaches without ever having attached.
    HANDLE started = CreateEventA(nullptr, TRUE, FALSE, nullptr), go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread before([&] { SetEvent(started), WaitForSingleObject(go, INFINITE); });
    WaitForSingleObject(started, INFINITE); // running before the library arrives

    HMODULE album = LoadLibraryA("album.dll");
    ASSERT_NE(album, nullptr);
    std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(Message(lines[0]), "Album - entry - ref count is 1!");

    std::thread([] {}).join();
    lines = LogLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(Message(lines[1]), "Album - entry - ref count is 2!");

    SetEvent(go);
    before.join(); // its detachment is not one of ours
    std::thread([] {}).join();
    lines = LogLines();
    ASSERT_EQ(lines.size(), 3u) << "a thread's end writes nothing";
    EXPECT_EQ(Message(lines[2]), "Album - entry - ref count is 2!");
    EXPECT_TRUE(FreeLibrary(album));
    CloseHandle(go);
    CloseHandle(started);

    // A log that cannot be opened does not keep the library from loading. (A read-only file does
    // not stop a process running as root, as the tests do; a folder in its place stops anyone.)
    ASSERT_TRUE(DeleteFileA(kLog));
    ASSERT_TRUE(CreateDirectoryA(kLog, nullptr));
    album = LoadLibraryA("album.dll");
    EXPECT_NE(album, nullptr);
    if (album)
        FreeLibrary(album);
    EXPECT_TRUE(RemoveDirectoryA(kLog)) << "still a folder: nothing was written";
}
