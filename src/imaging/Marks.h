// Marks in the reserved words of a bitmap file's header (bytes 6-9) that tell brush files (with
// two parameter bytes) and stamp files apart from ordinary images. The file is not checked to be
// a bitmap; only its first 14 bytes are read or rewritten.
#pragma once

#include <windows.h>

// Writes the two words into bytes 6-9: 0 done; -1 cannot be opened for reading and writing;
// -2 fewer than 14 bytes (the file is left unchanged); -3 the bytes could not be written back.
int WriteFileMark(const char* path, WORD first, WORD second);
// Reads the two words from bytes 6-9: 0 done; -1 cannot be opened; -2 fewer than 14 bytes.
int ReadFileMark(const char* path, WORD* first, WORD* second);
// 1 when the stamp mark ("ST" "AM") was written / is present, else 0.
int SetStampMark(const char* path);
int IsStampFile(const char* path);
// The brush mark ("BR" and the two parameter bytes): 1 when written / present (outputs set,
// either may be null), else 0 with the outputs untouched.
int SetBrushMark(const char* path, BYTE first, BYTE second);
int GetBrushMark(const char* path, BYTE* first, BYTE* second);
