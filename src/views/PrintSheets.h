// Contact sheets: an album's thumbnails laid out on printer pages as a grid of equal boxes, each
// with its picture fitted in, a thick frame and optionally the file name under it. Everything
// draws into a given DC with given page capabilities, so a metafile or a memory DC can stand in
// for the printer; the job's page and document calls go through PrintJob for the same reason.
#pragma once

#include <windows.h>
#include <string>
#include <stddef.h>

class CAlbumDoc2;

namespace printing {

// The printable page in device pixels and the horizontal resolution, which serves both directions.
struct PageCaps {
    int width;   // HORZRES
    int height;  // VERTRES
    int dpi;     // LOGPIXELSX
};

struct SheetLayout {
    int columns;
    int rows;
    int columnPitch;
    int rowPitch;
    int boxWidth;   // device pixels
    int boxHeight;
};

// Room kept under each box for its file name.
constexpr int kCaptionRoom = 50;

// The grid for boxes of boxWidth x boxHeight sixteenths of an inch. A box that does not fit the
// page gives one box across (or down) and is shrunk, keeping its proportions, to what the page
// holds (with the caption room under it when names are printed). false, and no layout, for a
// page or box without size.
bool LayOutSheet(const PageCaps& caps, int boxWidth, int boxHeight, bool names, SheetLayout* out);

// The size a thumbnail of width x height is drawn at in a box: the box's height for an upright
// picture, its width otherwise. Zero for a thumbnail without a size.
SIZE FitToBox(int width, int height, int boxWidth, int boxHeight);

// The caption of a file name (length characters) under a box maxWidth pixels wide, measured with
// the DC's font: the whole name when it fits; otherwise "..." and the end of the name. out gets at
// most outSize - 1 characters and a NUL; returns the caption's length.
size_t ShortenCaption(HDC dc, const char* text, size_t length, int maxWidth, char* out, size_t outSize);
// The same for a real name (stored by its short name), drawn with the wide text functions.
std::wstring ShortenCaption(HDC dc, const std::wstring& text, int maxWidth);

// Draws a packed DIB stretched into (x, y, width, height). A picture of 0x100000 pixels or more
// goes in horizontal bands of fewer pixels each, so no single call hands the printer driver the
// whole image. false for a block that is not a well-formed bitmap.
bool DrawDibBanded(HDC dc, int x, int y, int width, int height, HGLOBAL dib);

// The document and page calls of a print job: results as StartDoc, StartPage, EndPage and EndDoc
// give them (above zero is success).
class PrintJob {
public:
    virtual ~PrintJob() = default;
    virtual int BeginDocument(const char* name) = 0;
    virtual int BeginPage() = 0;
    virtual int FinishPage() = 0;
    virtual int FinishDocument() = 0;
    virtual void Abandon() = 0;
    // Page page of pages is about to be drawn.
    virtual void ShowPage(int page, int pages) {}
    // Asked before every box and before the job ends: false once the user has cancelled it.
    virtual bool Continue() { return true; }
};

class PrintProgress;

// The job calls of a printer DC; with a progress window, the pages are shown in it and the
// user's Cancel there stops the job.
class PrinterJob : public PrintJob {
public:
    explicit PrinterJob(HDC dc, PrintProgress* progress = nullptr) : dc_(dc), progress_(progress) {}
    int BeginDocument(const char* name) override;
    int BeginPage() override;
    int FinishPage() override;
    int FinishDocument() override;
    void Abandon() override;
    void ShowPage(int page, int pages) override;
    bool Continue() override;

private:
    HDC dc_;
    PrintProgress* progress_;
};

struct SheetOptions {
    const char* document;  // the job's name
    bool selectedOnly;
    bool names;
    int boxWidth;          // sixteenths of an inch
    int boxHeight;
};

// What PrintSheets (and CAlbum::Print) return for a job the user cancelled.
constexpr int kPrintCancelled = -1;

// Prints the document's thumbnails as one job on dc. 1 when the job was printed; 0 when the
// layout is impossible (nothing is started) or a job call failed; kPrintCancelled when the job
// stopped because the user cancelled it. A failed or cancelled job is abandoned at once and
// nothing more is drawn.
int PrintSheets(HDC dc, const PageCaps& caps, CAlbumDoc2& doc, const SheetOptions& options, PrintJob& job);

} // namespace printing
