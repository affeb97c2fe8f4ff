#!/usr/bin/env python3
"""Which folder may include which (README, "Architecture"): every #include "..." of the library,
the stand-ins and the tools is resolved as the compiler resolves it (next to the including file,
then include/, src/, resources/ and the stand-ins' folders) and checked against the table below.
Prints each include that goes where it may not, with file and line, and exits 1.

    python3 scripts/check-layers.py [ROOT]
"""
import os
import re
import sys
import tempfile

# For each folder, top-down, the folders it may include besides its own. "public" is include/
# (the headers hosts get); "imgio.h", "ctrlkit.h" and "batchui.h" are the stand-ins' own headers,
# "imgio" (and so on) their whole folders. Tests, benchmarks and fuzz targets are free.
ALLOWED = {
    "host":      {"control", "views", "imaging", "album", "resources", "win", "public", "ctrlkit.h"},
    "search":    {"control", "imaging", "album", "resources", "win", "public", "imgio.h"},
    "control":   {"host", "search", "views", "imaging", "album", "resources", "win", "public",
                  "imgio.h", "ctrlkit.h", "batchui.h"},
    "views":     {"imaging", "album", "resources", "win", "public", "imgio.h"},
    "album":     {"imaging", "win", "public", "imgio.h"},
    "imaging":   {"win", "public", "imgio.h"},
    "resources": set(),
    "public":    set(),
    "imgio":     {"win"},
    "ctrlkit":   {"win"},
    "batchui":   {"win", "imgio.h"},
    "win":       set(),
    "tools":     {"public", "win", "imgio.h", "ctrlkit.h", "batchui.h"},
}
# Where a folder may use only some files of another: the album code takes image conversions from
# imaging and nothing else of it.
ONLY = {("album", "imaging"): {"src/imaging/DibConvert.h"}}
STAND_INS = ("imgio", "ctrlkit", "batchui")
CHECKED = ("src", "include", "resources", "tools")
SEARCH_PATH = ["include", "src", "resources"] + ["src/vendor_standins/" + s for s in STAND_INS]
SOURCES = re.compile(r"\.(h|hpp|c|cpp|rc|inc)$")
INCLUDE = re.compile(r'\s*#\s*include\s*"([^"]+)"')


def folder_of(rel):
    """The table's name for the folder a file (relative to the root, with /) belongs to."""
    parts = rel.split("/")
    top = parts[0]
    if top == "include":
        return "public"
    if top in ("resources", "tools"):
        return top
    if top == "src" and len(parts) > 2:
        return parts[2] if parts[1] == "vendor_standins" and len(parts) > 3 else parts[1]
    return None


def stand_in_header(rel):
    """'imgio.h' for src/vendor_standins/imgio/imgio.h, and so on; None for any other file."""
    parts = rel.split("/")
    if len(parts) == 4 and parts[:2] == ["src", "vendor_standins"] and parts[3] == parts[2] + ".h":
        return parts[3]
    return None


def resolve(root, including_dir, name):
    for base in [including_dir] + [os.path.join(root, d) for d in SEARCH_PATH]:
        path = os.path.normpath(os.path.join(base, name))
        if os.path.isfile(path):
            return os.path.relpath(path, root).replace(os.sep, "/")
    return None


def check(root):
    """The offending includes under root, as lines to print."""
    problems = []
    for top in CHECKED:
        for dirpath, dirnames, filenames in os.walk(os.path.join(root, top)):
            dirnames.sort()
            for name in sorted(filenames):
                if not SOURCES.search(name):
                    continue
                path = os.path.join(dirpath, name)
                rel = os.path.relpath(path, root).replace(os.sep, "/")
                source = folder_of(rel)
                with open(path, encoding="utf-8", errors="replace") as f:
                    for no, line in enumerate(f, 1):
                        m = INCLUDE.match(line)
                        if not m:
                            continue
                        where = f'{rel}:{no}: #include "{m.group(1)}"'
                        if source not in ALLOWED:
                            problems.append(f"{where}: the folder of {rel} is not in the table")
                            continue
                        target = resolve(root, dirpath, m.group(1))
                        if target is None:
                            problems.append(f"{where}: found nowhere")
                            continue
                        used = folder_of(target)
                        allowed = ALLOWED[source] | {source}
                        if used not in allowed and stand_in_header(target) not in allowed:
                            problems.append(f"{where} ({target}): {source} may not use {used}")
                        elif target not in ONLY.get((source, used), {target}):
                            problems.append(f"{where} ({target}): {source} may use only "
                                            + ", ".join(sorted(ONLY[(source, used)])) + f" of {used}")
    return problems


def self_test():
    """The check finds a planted wrong include, next to the file and through the search path."""
    files = {
        "src/win/Dib.h": "",
        "src/album/Thumb.h": '#include "win/Dib.h"\n#include "imaging/DibConvert.h"\n#include "imaging/Marks.h"\n',
        "src/imaging/DibConvert.h": "",
        "src/imaging/Marks.h": "",
        "src/views/Cell.cpp": '#include "album/Thumb.h"\n#include "../control/Man.h"\n',
        "src/control/Man.h": "",
        "src/vendor_standins/imgio/Read.cpp": '#include "win/Dib.h"\n\n#include "album/Thumb.h"\n',
    }
    with tempfile.TemporaryDirectory() as root:
        for rel, text in files.items():
            os.makedirs(os.path.dirname(os.path.join(root, rel)), exist_ok=True)
            with open(os.path.join(root, rel), "w") as f:
                f.write(text)
        found = [p.split(":")[0] + ":" + p.split(":")[1] for p in check(root)]
    expected = ["src/album/Thumb.h:3", "src/vendor_standins/imgio/Read.cpp:3", "src/views/Cell.cpp:2"]
    if found != expected:
        sys.exit(f"check-layers: the self-test found {found}, not {expected}")


def main():
    self_test()
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
    problems = check(root)
    for p in problems:
        print(p)
    if problems:
        print(f"check-layers: {len(problems)} include(s) go where they may not (README, Architecture)")
        return 1
    print("check-layers: every include goes where it may")
    return 0


if __name__ == "__main__":
    sys.exit(main())
