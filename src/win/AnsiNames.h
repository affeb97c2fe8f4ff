// Names from the system arrive in UTF-16; albums store them, and open their files, through the
// ANSI functions. A name the ANSI code page cannot carry exactly (a character with no counterpart,
// which a best fit would pass off as another file's) is taken by its short (8.3) name, which
// every ANSI function opens; a name that converts exactly stays as it is.
#pragma once

#include <windows.h>
#include <stddef.h>
#include <string>

namespace win {

// text (length characters, or -1: up to its NUL) in the ANSI code page, exactly: false when some
// character has no exact counterpart or the result (with its NUL) does not fit outSize bytes.
bool NarrowExactly(const WCHAR* text, int length, char* out, size_t outSize);

// The name the ANSI functions use for one directory entry: its name when that converts exactly,
// else its short name (false when it has none, or that does not convert either).
bool AnsiEntryName(const WCHAR* name, const WCHAR* shortName, char* out, size_t outSize);

enum AnsiPathResult {
    kAnsiPathMade = 0,
    kAnsiPathNoShortName = -1, // a component cannot be carried and has no short name
    kAnsiPathTooLong = -2,     // the result does not fit out
    kAnsiPathMissing = -3,     // a component that needs its short name is not there
};

// The path the ANSI functions open for widePath: each component carried exactly stays as
// written, each other one is replaced by its short name (GetShortPathNameW). out is always a
// string, empty unless kAnsiPathMade.
int AnsiPathOf(const WCHAR* widePath, char* out, size_t outSize);

// Whether a stored path may hold a short name standing for a name the code page cannot carry:
// the platform's short names all have a "~"; a path without one is shown as it is stored.
bool MayHoldShortNames(const char* path);

// The path as people know it: each component of path (as the ANSI functions take it) that is a
// short name standing for a name the code page cannot carry, replaced by that real name; the
// other components as written. Asks the file system (GetLongPathNameW): callers keep the answer.
// False (out empty) when no component was replaced or the file is not there.
bool RealPathOf(const char* path, std::wstring& out);

// A stored name (a full path, or a path relative to a folder the album looks in) as people know
// it, found through resolved, the path the album resolved it to: as many trailing components of
// resolved's real path (RealPathOf) as stored has. False (out empty) when none was replaced.
bool RealStoredName(const char* stored, const char* resolved, std::wstring& out);

// text upper-cased in Unicode (every script's letters, not only the code page's), for matching
// names without regard to case.
std::wstring UpperCaseWide(const std::wstring& text);

// UTF-16 to UTF-8 and back (for consoles, pipes and messages); invalid input gives U+FFFD.
std::string Utf8Of(const WCHAR* text, int length = -1);
std::wstring WideOfAnsi(const char* text, int length = -1);

} // namespace win
