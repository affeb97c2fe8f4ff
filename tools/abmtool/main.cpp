#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>
#include <windows.h>
#include <shellapi.h>
#include "AbmTool.h"
#include "win/AnsiNames.h"

namespace {

int Usage()
{
    fprintf(stderr,
            "usage:\n"
            "  abmtool build FOLDER ALBUM.abm [--size N] [--recursive] [--skip-unreadable] [--embedded]\n"
            "                [--threads N]\n"
            "  abmtool list ALBUM.abm\n"
            "  abmtool verify ALBUM.abm\n"
            "  abmtool export ALBUM.abm FOLDER\n"
            "  abmtool sort ALBUM.abm name|type|size|date|description [--reverse]\n"
            "  abmtool info\n");
    return 2;
}

// The arguments as the ANSI functions open them: a path with names in another script (which the
// ANSI argument list has lost) by the short names of those components.
std::vector<std::string> Arguments(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    int wideCount = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &wideCount);
    if (!wide)
        return args;
    for (int i = 1; i < argc && wideCount == argc; ++i) {
        char exact[MAX_PATH], ansi[MAX_PATH];
        if (!win::NarrowExactly(wide[i], -1, exact, sizeof exact) &&
            win::AnsiPathOf(wide[i], ansi, sizeof ansi) == win::kAnsiPathMade)
            args[size_t(i - 1)] = ansi;
    }
    LocalFree(wide);
    return args;
}

} // namespace

int main(int argc, char** argv)
{
    // `list` prints UTF-8; a console is told so (a pipe takes the bytes as they come).
    DWORD mode;
    if (GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode))
        SetConsoleOutputCP(CP_UTF8);
    std::vector<std::string> args = Arguments(argc, argv);
    if (args.empty())
        return Usage();
    const std::string command = args[0];
    std::vector<std::string> positional;
    abmtool::BuildOptions build;
    bool reverse = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--recursive") {
            build.recursive = true;
        } else if (a == "--skip-unreadable") {
            build.skipUnreadable = true;
        } else if (a == "--embedded") {
            build.embedded = true;
        } else if (a == "--threads") {
            char* end = nullptr;
            long n = i + 1 < args.size() ? strtol(args[i + 1].c_str(), &end, 10) : 0;
            if (!end || *end != '\0' || n < 1 || n > 64) {
                fprintf(stderr, "abmtool: --threads takes a number from 1 to 64\n");
                return 2;
            }
            build.threads = int(n);
            ++i;
        } else if (a == "--reverse") {
            reverse = true;
        } else if (a == "--size") {
            char* end = nullptr;
            long n = i + 1 < args.size() ? strtol(args[i + 1].c_str(), &end, 10) : 0;
            if (!end || *end != '\0' || n < 8 || n > 1024) {
                fprintf(stderr, "abmtool: --size takes a number from 8 to 1024\n");
                return 2;
            }
            build.size = int(n);
            ++i;
        } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
            fprintf(stderr, "abmtool: unknown option %s\n", a.c_str());
            return Usage();
        } else {
            positional.push_back(a);
        }
    }

    if (command == "info" && positional.empty())
        return abmtool::Info();
    if (command == "build" && positional.size() == 2)
        return abmtool::Build(positional[0], positional[1], build);
    if (command == "list" && positional.size() == 1)
        return abmtool::List(positional[0]);
    if (command == "verify" && positional.size() == 1)
        return abmtool::Verify(positional[0]);
    if (command == "export" && positional.size() == 2)
        return abmtool::Export(positional[0], positional[1]);
    if (command == "sort" && positional.size() == 2)
        return abmtool::Sort(positional[0], positional[1], reverse);
    return Usage();
}
