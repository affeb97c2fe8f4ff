#include "album/ThumbBuild.h"

#include <string.h>
#include <new>
#include "album/Dib.h"
#include "album/FileStatus.h"
#include "album/SourceFile.h"
#include "vendor_standins/imgio/imgio.h"
#include "win/Handles.h"

namespace album {

void StoredSourceName(const char* path, char* out, size_t outSize)
{
    if (!path) {
        win::CopyText(out, outSize, "");
        return;
    }
    const char* last = nullptr;
    const char* secondLast = nullptr;
    // CharNextA steps over double-byte characters whose trail byte looks like a backslash.
    for (const char* p = path; *p; p = CharNextA(p)) {
        if (*p == '\\' || *p == ':') {
            secondLast = last;
            last = p;
        }
    }
    win::CopyText(out, outSize, secondLast ? secondLast + 1 : path);
}

} // namespace album

CThumbnail2* BuildThumbnailFromDib(HGLOBAL image, const char* path, WORD boxWidth, WORD boxHeight,
                                   const char* description)
{
    if (!image)
        return nullptr;
    win::GlobalBlock thumb(FitDibToBox(image, boxWidth, boxHeight));
    if (!thumb)
        return nullptr;

    // The same size and time the document's source check compares with later.
    FileStatus status;
    if (!QueryFileStatus(path, &status))
        return nullptr;
    tagALBUMINFOHEADER rec;
    memset(&rec, 0, sizeof rec);
    rec.dwFileSize = DWORD(status.size);
    rec.dwFileTime = status.sourceTime();
    rec.wReserved1 = 1;
    album::StoredSourceName(path, rec.szFileName, sizeof rec.szFileName);

    dib::Layout source, made;
    if (!dib::IsValidBlock(image, &source) || !dib::IsValidBlock(thumb.get(), &made))
        return nullptr;
    rec.wBitCount = source.bitCount;
    rec.wWidth = WORD(source.width);
    rec.wHeight = WORD(source.height);
    rec.wThumbWidth = WORD(made.width);
    rec.wThumbHeight = WORD(made.height);
    rec.dwDibSize = DWORD(GlobalSize(thumb.get()));
    win::CopyText(rec.szDescription, sizeof rec.szDescription, description ? description : " ");

    CThumbnail2* t = new (std::nothrow) CThumbnail2(&rec, thumb.get(), 0, 1);
    if (t)
        thumb.release();
    return t;
}

CThumbnail2* BuildThumbnailFromFile(const char* path, WORD boxWidth, WORD boxHeight, const char* description)
{
    if (!path)
        return nullptr;
    IMGIOOPTIONS options;
    memset(&options, 0, sizeof options);
    win::GlobalBlock image(ImgIoReadFile(path, 0, &options));
    if (!image)
        return nullptr;
    return BuildThumbnailFromDib(image.get(), path, boxWidth, boxHeight, description);
}
