#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>
#include "AbmTool.h"

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

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
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
