// The print settings every album manager of the process shares, the "Print Thumbnails" dialog
// that sets them, and printer setup.
#pragma once

#include <windows.h>
#include <commdlg.h>

class CAlbum;

namespace printing {

struct Settings {
    PRINTDLGA printer;  // the printer chosen with "Printer Setup"; without device names the default one
    int printAll;       // "Print All Thumbnails" (else only the selected ones)
    int printNames;     // "Print File Name"
    int size;           // box side in sixteenths of an inch
};
// The process's settings: no printer chosen, selected thumbnails, no names, 1 inch.
Settings& Current();

// The sizes the dialog offers, in its list's order.
struct SizeChoice {
    const char* text;
    int size;
};
extern const SizeChoice kSizes[4];

// Dialog 110. Opens on "Print All Thumbnails", "Print File Name" and "2 inch" whatever was chosen
// before; OK stores the choices in Current() and ends with 1, Cancel ends with 0; "Printer Setup"
// runs printer setup over the dialog.
INT_PTR CALLBACK PrintThumbnailsProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);

// The platform's print setup dialog on the process's printer record; what it returns is kept for
// every later print.
void PrinterSetup(HWND owner);

// What the manager's Print command calls once the dialog is confirmed: CAlbum::Print unless a
// test puts its own in place.
using AlbumPrintCall = int (*)(CAlbum& album, const char* document, int selection, int names, int width, int height,
                               PRINTDLGA printer);
extern AlbumPrintCall g_printAlbum;

} // namespace printing
