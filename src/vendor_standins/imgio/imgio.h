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
    DWORD dwFormat;        // format index chosen in the picker (IMGIO_INDEX_..., 0: any)
    DWORD dwFlags;         // 0
    DWORD dwReserved[9];   // 0
} IMGIOOPTIONS;

// Format indexes: the order of the format list and of the picker's file types. Reading always
// goes by a file's content; the only use of a chosen index is that IMGIO_INDEX_TGA lets a TGA
// file without the .tga extension (the one format without a signature) be read.
#define IMGIO_INDEX_ALL  0
#define IMGIO_INDEX_BMP  1
#define IMGIO_INDEX_JPEG 2
#define IMGIO_INDEX_PNG  3
#define IMGIO_INDEX_GIF  4
#define IMGIO_INDEX_TIFF 5
#define IMGIO_INDEX_ICO  6
#define IMGIO_INDEX_TGA  7
#define IMGIO_INDEX_PCX  8

// Format mask bits for ImgIoFormatList and ImgIoPickFileName. Bits 8-11 are reserved and
// ignored (callers pass 0xEFF for everything); a mask without any of these bits means all.
#define IMGIO_MASK_BMP  0x001
#define IMGIO_MASK_JPEG 0x002
#define IMGIO_MASK_PNG  0x004
#define IMGIO_MASK_GIF  0x008
#define IMGIO_MASK_TIFF 0x010
#define IMGIO_MASK_ICO  0x020
#define IMGIO_MASK_TGA  0x040
#define IMGIO_MASK_PCX  0x080
#define IMGIO_MASK_ALL  0x0FF

#define IMGIO_FORMAT_BMP 2       // ImgIoWriteFile: Windows bitmap file
#define IMGIO_FILTER_MAX 40      // ImgIoFormatFilter writes at most 39 characters and a NUL

// ImgIoWriteFile results.
#define IMGIO_WRITE_OK          0
#define IMGIO_WRITE_BAD_IMAGE   1  // no image, no path, or not a well-formed packed bitmap
#define IMGIO_WRITE_UNSUPPORTED 2  // a format other than IMGIO_FORMAT_BMP
#define IMGIO_WRITE_FAILED      3  // the file could not be written; any old file is unchanged

// ImgIoPickFileName results below zero.
#define IMGIO_PICK_CANCELLED (-1)
#define IMGIO_PICK_ERROR     (-2)  // bad arguments, buffer too small, or the dialog failed

// Reading an image for a picture of known size, such as a thumbnail (ImgIoReadFileSized).
typedef struct tagIMGIOSIZEDREAD {
    DWORD dwSize;           // sizeof(IMGIOSIZEDREAD)
    DWORD dwFlags;          // IMGIO_SIZED_...
    UINT nMinWidth;         // the image may come reduced while it stays at least this wide and
    UINT nMinHeight;        // this tall (as shown, upright); both 0: full size
    UINT nEmbeddedWidth;    // with IMGIO_SIZED_EMBEDDED: the least size (upright) an embedded
    UINT nEmbeddedHeight;   // thumbnail must have to be taken instead
    UINT nImageWidth;       // out: the image's own size, upright, whatever came back
    UINT nImageHeight;
    UINT nReduction;        // out: 1 full size; 2, 4 or 8 reduced while decoding; 0 the embedded thumbnail
    DWORD dwReserved[3];    // 0
} IMGIOSIZEDREAD;

// A camera JPEG's embedded EXIF thumbnail may stand in for the image when it is at least
// nEmbeddedWidth x nEmbeddedHeight and has the image's shape (width to height within a pixel):
// quick, but an edited photo may carry a thumbnail of what it was before.
#define IMGIO_SIZED_EMBEDDED 0x1

// The image in the file as a new movable block: 24 bits for colour images, 8-bit gray ramp for
// gray ones, 1/4/8 bits with their palette for palettised ones; alpha is composited over white.
// Formats: BMP, JPEG, PNG, GIF and TIFF (first frame, at its own size), ICO (largest image),
// TGA, PCX. JPEG, PNG and GIF files must reach their end marker. A JPEG's EXIF orientation is
// applied: a photo taken upright comes back upright (its width and height exchanged when the
// camera was turned on its side).
// biXPelsPerMeter/biYPelsPerMeter: a bitmap file's own values; for the other formats with a
// resolution the decoder's (which reports 96 dpi, 3780, for files that state none); PCX its
// header's dpi when both are set; TGA 0. Null when the file cannot be read, is not one of these
// formats, is damaged or truncated, or its frame is beyond the decoding budget: more than 200
// million pixels, or more than 800 MB held by the decoder in the frame's own format (4 bytes per
// pixel of that budget; a 64-bit RGBA frame may have 100 million pixels). Such files are refused
// from their headers, quickly and without allocating for them. The file stays open, closed to
// writers, from its first check to the end of its decoding.
IMGIO_API HGLOBAL WINAPI ImgIoReadFile(LPCSTR path, int reserved, IMGIOOPTIONS* options);
// ImgIoReadFile for a picture of known size: a JPEG is decoded at the smallest of 1/2, 1/4 and
// 1/8 of its size that still gives at least nMinWidth x nMinHeight (or full size), or its
// embedded thumbnail is taken (see IMGIO_SIZED_EMBEDDED). Other formats come at full size.
// request's output fields tell what came back. Null request: ImgIoReadFile.
IMGIO_API HGLOBAL WINAPI ImgIoReadFileSized(LPCSTR path, int reserved, IMGIOOPTIONS* options,
                                            IMGIOSIZEDREAD* request);
// Stopping reads in progress: while a check is installed on a thread, reads on that thread ask
// it as they go (between rows, bands, scans or reads of the file) and give up, returning null,
// once it answers non-zero. Each thread has its own; null removes it. Returns the check the
// thread had before.
typedef BOOL (CALLBACK* IMGIOCANCELCHECK)(void);
IMGIO_API IMGIOCANCELCHECK WINAPI ImgIoSetCancelCheck(IMGIOCANCELCHECK check);
// Which decoder reads JPEG files in this build: "libjpeg-turbo 2.1.5 (SIMD)", or "WIC" (the
// platform's imaging component, full size only) when the library was not available.
IMGIO_API const char* WINAPI ImgIoJpegDecoder(void);
// Writes the image to exactly path (no extension is added); format IMGIO_FORMAT_BMP writes a
// Windows bitmap file: the 14-byte file header, then the packed bitmap byte for byte.
// IMGIO_WRITE_OK (0) on success, another IMGIO_WRITE_... value on failure.
IMGIO_API int WINAPI ImgIoWriteFile(HGLOBAL dib, LPCSTR path, int format, int reserved);
// The common open-file dialog (any mode opens files). formatIndex (IMGIO_INDEX_...) is the file
// type shown first, formatMask the types offered, initialFolder where the dialog starts.
// Template and hook flags are ignored; explorer style, existing files only and no change of the
// current directory are always in force. Returns the number of files chosen, and the buffer
// holds the multiple-selection list: one directory or full path, then file names, each
// NUL-terminated, ended by an empty string; options (when given) is zeroed and receives the
// chosen type's index in dwFormat. IMGIO_PICK_CANCELLED or IMGIO_PICK_ERROR otherwise.
IMGIO_API int WINAPI ImgIoPickFileName(HWND owner, int mode, int formatIndex, LPCSTR defaultExt,
                                       DWORD formatMask, LPSTR buffer, int bufferSize, DWORD flags,
                                       IMGIOOPTIONS* options, LPCSTR initialFolder);
// Draws the image stretched into dest (halftoned when reduced); the DC's state is restored.
// Non-zero when drawn; 0 for a malformed image or an empty rectangle.
IMGIO_API int WINAPI ImgIoDrawDib(HDC dc, const RECT* dest, HGLOBAL dib, int reserved1, int reserved2,
                                  int reserved3);
// Replaces the combo box's items with the formats formatMask admits; entry 0, "All image files",
// means every format. Each item's data is its format index. Returns the number of items.
IMGIO_API int WINAPI ImgIoFormatList(HWND combo, DWORD formatMask, int reserved);
// The selected entry's file pattern, such as "*.BMP", "*.*" for entry 0 or no selection
// (IMGIO_FILTER_MAX bytes at most). Returns its length; 0 (and an empty buffer) on failure.
IMGIO_API int WINAPI ImgIoFormatFilter(HWND combo, LPSTR buffer);

#ifdef __cplusplus
}
#endif

#ifdef __cplusplus
static_assert(sizeof(IMGIOOPTIONS) == 48, "reading options are 48 bytes");
static_assert(sizeof(IMGIOSIZEDREAD) == 48, "sized reading requests are 48 bytes");
#endif
