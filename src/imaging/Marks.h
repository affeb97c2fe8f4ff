// Marks in the reserved words of a bitmap file's header (bytes 6-9) that tell brush files (with
// two parameter bytes) and stamp files apart from ordinary images.
#pragma once

#include <windows.h>

int WriteFileMark(const char* path, WORD first, WORD second);
int ReadFileMark(const char* path, WORD* first, WORD* second);
int SetStampMark(const char* path);
int IsStampFile(const char* path);
int SetBrushMark(const char* path, BYTE first, BYTE second);
int GetBrushMark(const char* path, BYTE* first, BYTE* second);
