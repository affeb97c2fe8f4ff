#include "album/ThumbBuild.h"

#include <string.h>
#include <atomic>
#include <new>
#include <vector>
#include "win/Dib.h"
#include "album/FileStatus.h"
#include "album/OrderedWork.h"
#include "album/SourceFile.h"
#include "album/ThumbFit.h"
#include "win/AbortCheck.h"
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

namespace album {

namespace {

std::atomic<bool> g_embedded{false};

BOOL CALLBACK EscStopsTheRead() { return EscAbortCheck() ? TRUE : FALSE; }

// While this lives, a read on this thread stops when its Esc check says so (on a worker: when
// the work was cancelled).
class ReadsStopOnEsc {
public:
    ReadsStopOnEsc() : previous_(ImgIoSetCancelCheck(EscStopsTheRead)) {}
    ~ReadsStopOnEsc() { ImgIoSetCancelCheck(previous_); }
    ReadsStopOnEsc(const ReadsStopOnEsc&) = delete;
    ReadsStopOnEsc& operator=(const ReadsStopOnEsc&) = delete;

private:
    IMGIOCANCELCHECK previous_;
};

} // namespace

void SetEmbeddedThumbnails(bool on) { g_embedded = on; }
bool EmbeddedThumbnails() { return g_embedded; }

bool ReadForThumbnail(const char* path, WORD boxWidth, WORD boxHeight, IMGIOOPTIONS* options, bool embedded,
                      ThumbnailSource* out)
{
    IMGIOSIZEDREAD request;
    memset(&request, 0, sizeof request);
    request.dwSize = sizeof request;
    request.dwFlags = embedded ? IMGIO_SIZED_EMBEDDED : 0;
    // Twice the box: the exact resampler then works from at least two samples a pixel.
    request.nMinWidth = 2u * boxWidth;
    request.nMinHeight = 2u * boxHeight;
    request.nEmbeddedWidth = boxWidth;
    request.nEmbeddedHeight = boxHeight;
    EscAbortCheck(); // an earlier press does not stop this read
    ReadsStopOnEsc stoppable;
    out->image.reset(ImgIoReadFileSized(path, 0, options, &request));
    out->width = request.nImageWidth;
    out->height = request.nImageHeight;
    return bool(out->image);
}

CThumbnail2* BuildThumbnailFromSource(HGLOBAL image, uint32_t fullWidth, uint32_t fullHeight, const char* path,
                                      WORD boxWidth, WORD boxHeight, const char* description)
{
    if (!image)
        return nullptr;
    dib::Layout source;
    if (!dib::IsValidBlock(image, &source))
        return nullptr;
    if (fullWidth == 0 || fullHeight == 0) {
        fullWidth = uint32_t(source.width);
        fullHeight = uint32_t(source.height);
    }
    win::GlobalBlock thumb(FitDibToBoxAs(image, boxWidth, boxHeight, fullWidth, fullHeight));
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
    StoredSourceName(path, rec.szFileName, sizeof rec.szFileName);

    dib::Layout made;
    if (!dib::IsValidBlock(thumb.get(), &made))
        return nullptr;
    rec.wBitCount = source.bitCount;
    rec.wWidth = WORD(fullWidth);
    rec.wHeight = WORD(fullHeight);
    rec.wThumbWidth = WORD(made.width);
    rec.wThumbHeight = WORD(made.height);
    rec.dwDibSize = DWORD(GlobalSize(thumb.get()));
    win::CopyText(rec.szDescription, sizeof rec.szDescription, description ? description : " ");

    CThumbnail2* t = new (std::nothrow) CThumbnail2(&rec, thumb.get(), 0, 1);
    if (t)
        thumb.release();
    return t;
}

} // namespace album

AlbumAbortCheck SetAlbumAbortCheck(AlbumAbortCheck check) { return SetAbortCheck(check); }

CThumbnail2* BuildThumbnailFromDib(HGLOBAL image, const char* path, WORD boxWidth, WORD boxHeight,
                                   const char* description)
{
    return album::BuildThumbnailFromSource(image, 0, 0, path, boxWidth, boxHeight, description);
}

CThumbnail2* BuildThumbnailFromFile(const char* path, WORD boxWidth, WORD boxHeight, const char* description)
{
    if (!path)
        return nullptr;
    IMGIOOPTIONS options;
    memset(&options, 0, sizeof options);
    album::ThumbnailSource source;
    if (!album::ReadForThumbnail(path, boxWidth, boxHeight, &options, album::EmbeddedThumbnails(), &source))
        return nullptr;
    return album::BuildThumbnailFromSource(source.image.get(), source.width, source.height, path, boxWidth,
                                           boxHeight, description);
}

int BuildThumbnailsFromFiles(const char* const* paths, int count, WORD boxWidth, WORD boxHeight, DWORD flags,
                             int workers, ThumbnailReceiver receive, void* context)
{
    if (!paths || count <= 0 || !receive)
        return 0;
    const bool embedded = (flags & ALBUM_BUILD_EMBEDDED) != 0;
    const size_t n = size_t(count);
    std::vector<CThumbnail2*> made;
    try {
        made.assign(n, nullptr);
    } catch (...) {
        return 0;
    }
    const unsigned threads = workers > 0 ? unsigned(workers) : album::ThumbnailWorkers();
    int handed = 0;
    EscAbortCheck(); // an Esc pressed before the run does not stop it
    {
        album::OrderedWork work(
            n,
            [&](size_t i) {
                if (!paths[i])
                    return;
                IMGIOOPTIONS options;
                memset(&options, 0, sizeof options);
                album::ThumbnailSource source;
                if (album::ReadForThumbnail(paths[i], boxWidth, boxHeight, &options, embedded, &source))
                    made[i] = album::BuildThumbnailFromSource(source.image.get(), source.width, source.height,
                                                              paths[i], boxWidth, boxHeight, nullptr);
            },
            threads, 4 * size_t(threads));
        for (size_t i = 0; i < n; ++i) {
            // Esc stops the run, the files under way too: a long decode is not waited for.
            while (!work.Wait(i, 30) && !work.Cancelled())
                if (EscAbortCheck())
                    work.Cancel();
            if (work.Cancelled())
                break;
            CThumbnail2* t = made[i];
            made[i] = nullptr;
            work.Taken(i);
            ++handed;
            if (!receive(context, int(i), t))
                break;
        }
    } // the workers are gone from here on (cancelled, they stop at their next check)
    for (CThumbnail2* t : made)
        delete t;
    return handed;
}
