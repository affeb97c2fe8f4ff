// The few Win32 types and calls the byte-parsing code uses, for building it natively (Linux,
// clang) under the fuzzer and sanitizers. Memory blocks are plain heap blocks of exactly the
// requested size, so that AddressSanitizer sees every byte read or written past their end.
#pragma once

#include <stddef.h>
#include <stdint.h>

#define WINAPI
#define CALLBACK
#define TRUE 1
#define FALSE 0
#define MAX_PATH 260

typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef unsigned int UINT;
typedef int INT;
typedef int BOOL;
typedef char CHAR;
typedef char CCHAR;
typedef char16_t WCHAR; // UTF-16, as on Windows
typedef short SHORT;
typedef int64_t LONGLONG;
typedef size_t SIZE_T;
typedef intptr_t LONG_PTR;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef void* LPVOID;
typedef void* HANDLE;
typedef void* HGLOBAL;
typedef struct ShimWindow* HWND;
typedef struct ShimDc* HDC;
typedef struct ShimCursor* HCURSOR;
typedef struct ShimInstance* HINSTANCE;

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(intptr_t(-1)))

typedef union _LARGE_INTEGER {
    struct {
        DWORD LowPart;
        LONG HighPart;
    } u;
    LONGLONG QuadPart;
} LARGE_INTEGER;

typedef struct _FILETIME {
    DWORD dwLowDateTime, dwHighDateTime;
} FILETIME;

typedef struct tagRECT {
    LONG left, top, right, bottom;
} RECT;

typedef struct tagRGBQUAD {
    BYTE rgbBlue, rgbGreen, rgbRed, rgbReserved;
} RGBQUAD;

typedef struct tagBITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
} BITMAPINFOHEADER;
static_assert(sizeof(BITMAPINFOHEADER) == 40, "the bitmap info header is 40 bytes");

#define BI_RGB 0
#define BI_RLE8 1
#define BI_RLE4 2
#define BI_BITFIELDS 3

#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_ZEROINIT 0x0040

#define VK_ESCAPE 0x1B
#define IDC_ARROW (reinterpret_cast<LPSTR>(32512))
#define IDC_WAIT (reinterpret_cast<LPSTR>(32514))

#define CP_ACP 0
#define CP_UTF8 65001
#define WC_NO_BEST_FIT_CHARS 0x400
#define WC_ERR_INVALID_CHARS 0x80

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
HGLOBAL GlobalFree(HGLOBAL block);
LPVOID GlobalLock(HGLOBAL block);
BOOL GlobalUnlock(HGLOBAL block);
SIZE_T GlobalSize(HGLOBAL block);
BOOL CloseHandle(HANDLE handle);
SHORT GetAsyncKeyState(int key);
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name);
HCURSOR SetCursor(HCURSOR cursor);
// An ANSI code page of ASCII alone: every other character is the default character.
UINT GetACP();
int WideCharToMultiByte(UINT codePage, DWORD flags, const WCHAR* wide, int wideCount, LPSTR out, int outSize,
                        LPCSTR defaultChar, BOOL* usedDefault);
