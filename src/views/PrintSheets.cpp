#include "views/PrintSheets.h"

#include <stdint.h>
#include <string.h>
#include <algorithm>
#include "album/AlbumDoc.h"
#include "win/AnsiNames.h"
#include "views/PrintProgress.h"
#include "win/Dib.h"
#include "vendor_standins/imgio/imgio.h"
#include "win/Gdi.h"
#include "win/Handles.h"

namespace printing {

namespace {

// Pictures of this many pixels or more go to the printer in bands.
constexpr int64_t kBandPixels = 0x100000;

// The source image of a thumbnail (at path, resolved by the album) as a new block, or null when
// it cannot be read.
HGLOBAL ReadSource(const char* path)
{
    if (!path[0])
        return nullptr;
    IMGIOOPTIONS options;
    memset(&options, 0, sizeof options);
    return ImgIoReadFile(path, 0, &options);
}

void DrawBox(HDC dc, const SheetLayout& grid, CAlbumDoc2& doc, CThumbnail2& t, int x, int y, bool names)
{
    const tagALBUMINFOHEADER& info = t.m_Info;
    char name[ALBUM_TEXT_FIELD];
    memcpy(name, info.szFileName, sizeof name);
    win::TerminateField(name, sizeof name);
    char path[MAX_PATH];
    if (!doc.GetThumbnailFullPath(name, path))
        path[0] = '\0'; // the source cannot be found
    const SIZE drawn = FitToBox(info.wThumbWidth, info.wThumbHeight, grid.boxWidth, grid.boxHeight);
    if (drawn.cx > 0 && drawn.cy > 0) {
        const int left = x + (grid.boxWidth - drawn.cx) / 2;
        const int top = y + (grid.boxHeight - drawn.cy) / 2;
        // The full-size picture prints far better than the thumbnail; the thumbnail stands in
        // when the source has gone or cannot be read.
        win::GlobalBlock source(ReadSource(path));
        if (!source || !DrawDibBanded(dc, left, top, drawn.cx, drawn.cy, source.get()))
            DrawDibBanded(dc, left, top, drawn.cx, drawn.cy, t.m_hDib);
    }
    std::wstring real;
    if (names && win::RealStoredName(name, path, real)) {
        // Names stored by their short names are printed by their real names.
        const std::wstring caption = ShortenCaption(dc, real, grid.boxWidth);
        TextOutW(dc, x, y + grid.boxHeight, caption.c_str(), static_cast<int>(caption.size()));
    } else if (names) {
        char caption[ALBUM_TEXT_FIELD + 4];
        const size_t length = ShortenCaption(dc, info.szFileName, win::FieldLength(info.szFileName, sizeof info.szFileName),
                                             grid.boxWidth, caption, sizeof caption);
        TextOutA(dc, x, y + grid.boxHeight, caption, static_cast<int>(length));
    }
    MoveToEx(dc, x, y, nullptr);
    LineTo(dc, x + grid.boxWidth, y);
    LineTo(dc, x + grid.boxWidth, y + grid.boxHeight);
    LineTo(dc, x, y + grid.boxHeight);
    LineTo(dc, x, y);
}

enum class Outcome { Printed, Failed, Cancelled };

// Draws the boxes page after page, asking the job before each box whether to go on.
Outcome DrawThumbnails(HDC dc, const SheetLayout& grid, CAlbumDoc2& doc, const SheetOptions& options, int pages,
                       PrintJob& job)
{
    const int oldStretch = SetStretchBltMode(dc, COLORONCOLOR);
    win::BkModeGuard transparent(dc, TRANSPARENT);
    LOGFONTA lf;
    memset(&lf, 0, sizeof lf);
    lf.lfHeight = -48;
    strcpy(lf.lfFaceName, "Arial");
    win::Font font(CreateFontIndirectA(&lf));
    win::Pen pen(CreatePen(PS_SOLID, 3, RGB(0, 0, 0)));
    win::SelectGuard useFont(dc, font.get());
    win::SelectGuard usePen(dc, pen.get());
    win::WaitCursor wait;

    Outcome outcome = Outcome::Printed;
    const int64_t perPage = int64_t(grid.columns) * grid.rows;
    int64_t k = 0;
    int page = 1;
    for (CThumbnail2* t = doc.m_pEnd->m_pNext; t != doc.m_pEnd; t = t->m_pNext) {
        if (options.selectedOnly && !t->m_bSelect)
            continue;
        if (!job.Continue()) {
            outcome = Outcome::Cancelled;
            break;
        }
        if (k == perPage) {
            if (job.FinishPage() <= 0) {
                outcome = Outcome::Failed;
                break;
            }
            job.ShowPage(++page, pages);
            if (job.BeginPage() <= 0) {
                outcome = Outcome::Failed;
                break;
            }
            k = 0;
        }
        const int row = static_cast<int>(k / grid.columns);
        const int column = static_cast<int>(k - int64_t(row) * grid.columns);
        DrawBox(dc, grid, doc, *t, column * grid.columnPitch, row * grid.rowPitch, options.names);
        ++k;
    }
    if (outcome == Outcome::Printed && !job.Continue())
        outcome = Outcome::Cancelled;
    if (oldStretch)
        SetStretchBltMode(dc, oldStretch);
    return outcome;
}

// The pages the job will have: one for every page of boxes, and one blank when nothing is printed.
int PageCount(CAlbumDoc2& doc, const SheetLayout& grid, bool selectedOnly)
{
    int64_t boxes = 0;
    for (CThumbnail2* t = doc.m_pEnd->m_pNext; t != doc.m_pEnd; t = t->m_pNext)
        boxes += !selectedOnly || t->m_bSelect;
    const int64_t perPage = int64_t(grid.columns) * grid.rows;
    return static_cast<int>(std::max<int64_t>(1, (boxes + perPage - 1) / perPage));
}

} // namespace

bool LayOutSheet(const PageCaps& caps, int boxWidth, int boxHeight, bool names, SheetLayout* out)
{
    if (!out || caps.width <= 0 || caps.height <= 0 || caps.dpi <= 0 || boxWidth <= 0 || boxHeight <= 0)
        return false;
    const int64_t width = caps.width, height = caps.height, dpi = caps.dpi;
    // A box larger than the page would give no column or row at all: it gets the page to itself.
    const int64_t columns = std::max<int64_t>(1, (width * 16 / dpi) / boxWidth);
    int64_t rows = std::max<int64_t>(1, (height * 16 / dpi) / boxHeight);
    int64_t bw = std::max<int64_t>(1, dpi * boxWidth / 16);
    int64_t bh = std::max<int64_t>(1, dpi * boxHeight / 16);
    // ... and is shrunk to what the page holds, so that the whole picture and frame are printed.
    const int64_t room = names ? kCaptionRoom : 0;
    const int64_t fitHeight = std::max<int64_t>(1, height - room);
    if (bw > width || bh > fitHeight) {
        if (width * bh >= fitHeight * bw) {
            bw = std::max<int64_t>(1, bw * fitHeight / bh);
            bh = fitHeight;
        } else {
            bh = std::max<int64_t>(1, bh * width / bw);
            bw = width;
        }
    }
    int64_t rowPitch = height / rows;
    if (names && rowPitch - bh < kCaptionRoom) {
        rows = std::max<int64_t>(1, height / (bh + kCaptionRoom));
        rowPitch = height / rows;
    }
    out->columns = static_cast<int>(columns);
    out->rows = static_cast<int>(rows);
    out->columnPitch = static_cast<int>(width / columns);
    out->rowPitch = static_cast<int>(rowPitch);
    out->boxWidth = static_cast<int>(bw);
    out->boxHeight = static_cast<int>(bh);
    return true;
}

SIZE FitToBox(int width, int height, int boxWidth, int boxHeight)
{
    SIZE s = {0, 0};
    if (width <= 0 || height <= 0)
        return s;
    if (width < height) {
        s.cy = boxHeight;
        s.cx = static_cast<LONG>(int64_t(width) * boxHeight / height);
    } else {
        s.cx = boxWidth;
        s.cy = static_cast<LONG>(int64_t(height) * boxWidth / width);
    }
    return s;
}

namespace {

bool TextExtent(HDC dc, const char* text, int n, SIZE* s) { return GetTextExtentPoint32A(dc, text, n, s) != 0; }
bool TextExtent(HDC dc, const wchar_t* text, int n, SIZE* s) { return GetTextExtentPoint32W(dc, text, n, s) != 0; }

template <class Char>
size_t Shorten(HDC dc, const Char* text, size_t length, int maxWidth, Char* out, size_t outSize)
{
    if (!out || outSize == 0)
        return 0;
    out[0] = Char(0);
    if (!text || length == 0)
        return 0;
    auto widthFrom = [dc, text, length](size_t from) {
        SIZE s = {0, 0};
        TextExtent(dc, text + from, static_cast<int>(length - from), &s);
        return s.cx;
    };
    const Char* tail = text;
    size_t tailLength = length;
    const char* dots = "";
    if (widthFrom(0) > maxWidth) {
        // The first position from which the rest fits; the last character when none does.
        size_t s = length - 1;
        for (size_t i = 1; i + 1 < length; ++i)
            if (widthFrom(i) <= maxWidth) {
                s = i;
                break;
            }
        dots = "...";
        tail = s + 4 < length ? text + s + 4 : text + length;
        tailLength = static_cast<size_t>(text + length - tail);
    }
    const size_t dotCount = strlen(dots);
    size_t n = 0;
    for (size_t i = 0; i < dotCount && n + 1 < outSize; ++i)
        out[n++] = Char(dots[i]);
    for (size_t i = 0; i < tailLength && n + 1 < outSize; ++i)
        out[n++] = tail[i];
    out[n] = Char(0);
    return n;
}

} // namespace

size_t ShortenCaption(HDC dc, const char* text, size_t length, int maxWidth, char* out, size_t outSize)
{
    return Shorten(dc, text, length, maxWidth, out, outSize);
}

std::wstring ShortenCaption(HDC dc, const std::wstring& text, int maxWidth)
{
    std::wstring out(text.size() + 4, L'\0');
    out.resize(Shorten(dc, text.c_str(), text.size(), maxWidth, &out[0], out.size()));
    return out;
}

bool DrawDibBanded(HDC dc, int x, int y, int width, int height, HGLOBAL dib)
{
    if (!dib)
        return false;
    win::GlobalLockGuard lock(dib);
    dib::Layout layout;
    if (!lock || !dib::Parse(lock.data(), lock.size(), &layout))
        return false;
    const BITMAPINFO* info = static_cast<const BITMAPINFO*>(lock.data());
    const void* bits = lock.bytes() + layout.bitsOffset;
    const int64_t sourceHeight = layout.height;
    const int64_t pixels = int64_t(layout.width) * sourceHeight;
    if (pixels < kBandPixels) {
        StretchDIBits(dc, x, y, width, height, 0, 0, layout.width, layout.height, bits, info, DIB_RGB_COLORS, SRCCOPY);
        return true;
    }
    // Band i holds the source rows from sourceHeight * i / n up, counted from the bottom of the
    // bitmap, and is stacked upward from the bottom of the destination.
    const int64_t n = pixels / kBandPixels + 1;
    for (int64_t i = 0; i < n; ++i) {
        const int64_t rowFrom = sourceHeight * i / n, rowTo = sourceHeight * (i + 1) / n;
        const int64_t below = int64_t(height) * i / n, upTo = int64_t(height) * (i + 1) / n;
        if (rowTo == rowFrom || upTo == below)
            continue;
        StretchDIBits(dc, x, static_cast<int>(y + height - upTo), width, static_cast<int>(upTo - below), 0,
                      static_cast<int>(rowFrom), layout.width, static_cast<int>(rowTo - rowFrom), bits, info,
                      DIB_RGB_COLORS, SRCCOPY);
    }
    return true;
}

int PrinterJob::BeginDocument(const char* name)
{
    DOCINFOA info;
    memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    info.lpszDocName = name;
    return StartDocA(dc_, &info);
}

int PrinterJob::BeginPage() { return StartPage(dc_); }
int PrinterJob::FinishPage() { return EndPage(dc_); }
int PrinterJob::FinishDocument() { return EndDoc(dc_); }
void PrinterJob::Abandon() { AbortDoc(dc_); }

void PrinterJob::ShowPage(int page, int pages)
{
    if (progress_)
        progress_->ShowPage(page, pages);
}

bool PrinterJob::Continue() { return !progress_ || progress_->Continue(); }

int PrintSheets(HDC dc, const PageCaps& caps, CAlbumDoc2& doc, const SheetOptions& options, PrintJob& job)
{
    SheetLayout grid;
    if (!dc || !LayOutSheet(caps, options.boxWidth, options.boxHeight, options.names, &grid))
        return 0;
    const int pages = PageCount(doc, grid, options.selectedOnly);
    job.ShowPage(1, pages);
    // A job that cannot start, turn a page or end (the queue went away, the spool disk is full)
    // is abandoned at once: nothing more is drawn into a DC whose document is gone, the spooler
    // drops what it got, and the caller learns that nothing was printed. So is a job the user
    // cancels; a call that fails once the user has cancelled (the system asks the abort
    // procedure too) counts as the cancel.
    Outcome outcome = Outcome::Failed;
    if (job.BeginDocument(options.document ? options.document : "") > 0 && job.BeginPage() > 0) {
        outcome = DrawThumbnails(dc, grid, doc, options, pages, job);
        if (outcome == Outcome::Printed && (job.FinishPage() <= 0 || job.FinishDocument() <= 0))
            outcome = Outcome::Failed;
    }
    if (outcome == Outcome::Printed)
        return 1;
    job.Abandon();
    return outcome == Outcome::Cancelled || !job.Continue() ? kPrintCancelled : 0;
}

} // namespace printing
