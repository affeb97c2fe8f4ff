// The batch dialog's pieces: its control identifiers (test programs drive the dialog by them),
// the image conversions, output names and the Esc check.
#pragma once

#include <windows.h>
#include <stddef.h>

namespace batchui {

extern const char kTitle[]; // the dialog's and its message boxes' caption

enum Control : int {
    kIntro = 1200,
    kFolder = 1202,
    kBrowse = 1203,
    kFormat = 1204,
    kResize = 1205,
    kMaxSide = 1206,
    kGray = 1207,
    kReplace = 1208,
    kProgress = 1209,
    kStatus = 1210,
};

const int kLargestSide = 30000; // the largest "at most" a user may type

// What a run does to each image. maxSide 0: no resizing.
struct Changes {
    int maxSide = 0;
    bool gray = false;
};

// The image with the changes made: a new packed bitmap, 24 bits per pixel, or 8 bits with the
// gray ramp when gray is asked for; reduced (never enlarged) by averaging so that neither side
// exceeds maxSide. Null when image is no well-formed bitmap or memory runs out.
HGLOBAL ConvertImage(HGLOBAL image, const Changes& changes);
// Whether the changes would alter the image at all (it is larger than maxSide, or not yet gray).
bool ChangesImage(HGLOBAL image, const Changes& changes);

// folder + "\" + the source's name with ".bmp" in place of its extension; when that file exists,
// "name (2).bmp", "name (3).bmp", ... False when no free name fits in outSize characters.
bool CopyPath(const char* folder, const char* source, char* out, size_t outSize);
// Whether the file starts as a Windows bitmap file does ("BM").
bool IsBitmapFile(const char* path);

// The Esc check a run polls before each image: yes when Esc is down or was pressed since the last
// check. Test programs put their own in its place (null: the keyboard again).
using AbortCheck = bool (*)();
AbortCheck SetAbortCheck(AbortCheck check);
bool AbortRequested();

} // namespace batchui
