// The long form of a path: every component after the drive replaced by the name the file system
// stores for it (so "PROGRA~1" becomes "Program Files").
#pragma once

#include <windows.h>
#include <string>

// out receives the long form (at most MAX_PATH bytes with its NUL) and is always a string.
//   0  built;
//  -1  a component does not exist, or the long form does not fit in MAX_PATH bytes (out empty);
//  -2  there was nothing to build: a null or empty path, or one without drive and components.
// Paths without a drive: "\\server\share\..." keeps server and share as written and converts the
// rest; "\dir\..." keeps its first component as written; a relative path is converted against
// the current directory and stays relative, and so does a drive-relative one ("C:name" against
// the current directory of drive C). "." and ".." are kept as they are.
int LongPathOf(const char* path, char* out);

// The last component of a path without its extension ("C:\Albums\Trips.abm" gives "Trips").
std::string BaseNameOf(const char* path);
