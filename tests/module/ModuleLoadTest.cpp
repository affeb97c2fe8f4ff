// The library loaded and unloaded at run time, as the editor may do: the log line of every
// attachment and the count it carries.
#include <gtest/gtest.h>
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
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

DWORD WINAPI Nothing(void*) { return 0; }
struct Events {
    HANDLE started, go;
};
DWORD WINAPI StartThenWait(void* arg)
{
    auto* e = static_cast<Events*>(arg);
    SetEvent(e->started);
    return WaitForSingleObject(e->go, INFINITE);
}

void RunThread(LPTHREAD_START_ROUTINE body, void* arg)
{
    HANDLE t = CreateThread(nullptr, 0, body, arg, 0, nullptr);
    WaitForSingleObject(t, INFINITE);
    CloseHandle(t);
}

} // namespace

TEST(ModuleLoad, EveryAttachmentIsCountedAndLogged)
{
    SetFileAttributesA(kLog, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(kLog);
    // A thread that runs before the library is loaded detaches without ever having attached.
    Events events = {CreateEventA(nullptr, TRUE, FALSE, nullptr), CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    HANDLE before = CreateThread(nullptr, 0, StartThenWait, &events, 0, nullptr);
    WaitForSingleObject(events.started, INFINITE); // running before the library arrives

    HMODULE album = LoadLibraryA("album.dll");
    ASSERT_NE(album, nullptr);
    std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(Message(lines[0]), "Album - entry - ref count is 1!");

    RunThread(Nothing, nullptr);
    lines = LogLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(Message(lines[1]), "Album - entry - ref count is 2!");

    SetEvent(events.go);
    WaitForSingleObject(before, INFINITE); // its detachment is not one of ours
    CloseHandle(before);
    RunThread(Nothing, nullptr);
    lines = LogLines();
    ASSERT_EQ(lines.size(), 3u) << "a thread's end writes nothing";
    EXPECT_EQ(Message(lines[2]), "Album - entry - ref count is 2!");
    EXPECT_TRUE(FreeLibrary(album));
    CloseHandle(events.go);
    CloseHandle(events.started);

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
