// ImgIO: the image-file library the album component reads, writes and draws images with.
// Images are packed, bottom-up device-independent bitmaps (BITMAPINFOHEADER, palette, rows padded
// to 4 bytes) in global memory blocks that the caller owns.
#pragma once

#include <windows.h>

#if defined(IMGIO_BUILD)
#define IMGIO_API __declspec(dllexport)
#else
#define IMGIO_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Reading options; the file-name picker fills one, a zeroed record means "defaults".
typedef struct tagIMGIOOPTIONS {
    DWORD dwSize;          // 0 or sizeof(IMGIOOPTIONS)
    DWORD dwFormat;        // format index chosen in the picker (0: by the file's content)
    DWORD dwFlags;
    DWORD dwReserved[9];
} IMGIOOPTIONS;

#define IMGIO_FORMAT_BMP 2       // ImgIoWriteFile: Windows bitmap file
#define IMGIO_FILTER_MAX 40      // ImgIoFormatFilter writes at most 39 characters and a NUL

// The image in the file as a new movable block: 24 bits for colour images, 8-bit gray ramp for
// gray ones, 1/4/8 bits with their palette for palettised ones; alpha is composited over white.
// Null when the file cannot be read or is not an image.
IMGIO_API HGLOBAL WINAPI ImgIoReadFile(LPCSTR path, int reserved, IMGIOOPTIONS* options);
// Writes the image to path; format IMGIO_FORMAT_BMP writes a Windows bitmap file that begins
// with the 14-byte file header. 0 on success, non-zero on failure.
IMGIO_API int WINAPI ImgIoWriteFile(HGLOBAL dib, LPCSTR path, int format, int reserved);
// The common open-file dialog. Negative when cancelled; otherwise buffer holds the
// multiple-selection list: one directory or full path, then file names, each NUL-terminated,
// ended by an empty string.
IMGIO_API int WINAPI ImgIoPickFileName(HWND owner, int mode, int formatIndex, LPCSTR defaultExt,
                                       DWORD formatMask, LPSTR buffer, int bufferSize, DWORD flags,
                                       IMGIOOPTIONS* options, LPCSTR initialFolder);
// Draws the image stretched into dest. Non-zero when drawn.
IMGIO_API int WINAPI ImgIoDrawDib(HDC dc, const RECT* dest, HGLOBAL dib, int reserved1, int reserved2,
                                  int reserved3);
// Fills the combo box with the supported formats; entry 0 means every format. Returns the count.
IMGIO_API int WINAPI ImgIoFormatList(HWND combo, DWORD formatMask, int reserved);
// The selected entry's file pattern, such as "*.BMP" (IMGIO_FILTER_MAX bytes at most).
IMGIO_API int WINAPI ImgIoFormatFilter(HWND combo, LPSTR buffer);

#ifdef __cplusplus
}
#endif

#ifdef __cplusplus
static_assert(sizeof(IMGIOOPTIONS) == 48, "reading options are 48 bytes");
#endif
