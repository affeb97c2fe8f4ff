// Text keys taken from thumbnail records: names compared ignoring ASCII case, and the values the
// table sorts by.
#pragma once

#include <stdint.h>
#include <string>
#include <vector>
#include "album/AlbumFile.h"

namespace textkeys {

// The stored name of a record (at most 127 characters) with ASCII letters lowered.
std::string FoldedName(const char* field);

// Equal ignoring ASCII letter case (never the locale: names are file names).
bool EqualNoCase(const char* a, const char* b);
// The same for two stored names, each read as FoldedName reads it.
bool EqualFieldsNoCase(const char* a, const char* b);

// The part of a name behind its last backslash or colon; the whole name when it has neither.
const char* NameAfterFolder(const char* name);
// The file name in a path: the part behind its last backslash, slash or colon.
const char* FileNameInPath(const char* path);

// Sort value for the name, type and description keys, copied into a 128-byte buffer.
// Type: the last three characters of the stored name, or the whole name when it is shorter.
void SortText(const tagALBUMINFOHEADER& info, int key, char out[ALBUM_TEXT_FIELD]);

// The rank of each text in lstrcmpA order: 0 for the smallest, the same rank for texts lstrcmpA
// calls equal. Uses locale sort keys (checked against lstrcmpA) unless useSortKeys is false.
std::vector<uint32_t> RankTexts(const std::vector<std::string>& texts, bool useSortKeys = true);

} // namespace textkeys
