// Printing an album: the printer's device context from a print-dialog record, then the contact
// sheets on it, with the job's progress and its Cancel button shown over the album's window.
#include "album/Album.h"

#include <stddef.h>
#include <string.h>
#include "views/PrintProgress.h"
#include "views/PrintSheets.h"
#include "win/Handles.h"

namespace {

// The first NUL-terminated string at offset inside a locked DEVNAMES block, or null when the
// offset or the string runs outside the block.
const char* DevNamesText(const win::GlobalLockGuard& names, WORD offset)
{
    if (offset >= names.size())
        return nullptr;
    const char* text = reinterpret_cast<const char*>(names.bytes()) + offset;
    return memchr(text, '\0', names.size() - offset) ? text : nullptr;
}

// A device context for the printer a print-dialog record names, or for the default printer when
// it names none. Handles looked up here belong to this object; the record's own stay the caller's.
class PrinterDC {
public:
    explicit PrinterDC(PRINTDLGA record)
    {
        if (!record.hDevNames) {
            // PrintDlg refuses to look up the default printer while the record holds a device
            // mode; a device mode without device names is the caller's and is left alone.
            record.lStructSize = sizeof(PRINTDLGA);
            record.hwndOwner = nullptr;
            record.hDevMode = nullptr;
            record.Flags = PD_RETURNDEFAULT;
            const BOOL found = PrintDlgA(&record);
            ownedMode_.reset(record.hDevMode);
            ownedNames_.reset(record.hDevNames);
            if (!found || !record.hDevNames)
                return;
        }
        win::GlobalLockGuard names(record.hDevNames);
        if (!names || names.size() < sizeof(DEVNAMES))
            return;
        const DEVNAMES* dn = static_cast<const DEVNAMES*>(names.data());
        const char* driver = DevNamesText(names, dn->wDriverOffset);
        const char* device = DevNamesText(names, dn->wDeviceOffset);
        const char* port = DevNamesText(names, dn->wOutputOffset);
        if (!driver || !device)
            return;
        win::GlobalLockGuard mode(record.hDevMode);
        DEVMODEA* dm = nullptr;
        if (mode && mode.size() >= offsetof(DEVMODEA, dmCopies) + sizeof(short)) {
            dm = static_cast<DEVMODEA*>(mode.data());
            dm->dmCopies = 1;
        }
        dc_ = CreateDCA(driver, device, port, dm);
    }
    ~PrinterDC()
    {
        if (dc_)
            DeleteDC(dc_);
    }
    PrinterDC(const PrinterDC&) = delete;
    PrinterDC& operator=(const PrinterDC&) = delete;

    HDC get() const { return dc_; }

private:
    win::GlobalBlock ownedMode_;
    win::GlobalBlock ownedNames_;
    HDC dc_ = nullptr;
};

static_assert(sizeof(void*) != 4 || sizeof(PRINTDLGA) == 66, "the 32-bit print-dialog record is 66 bytes");

} // namespace

int CAlbum::Print(const char* document, int selection, int names, int width, int height, tagPDA printer)
{
    if (width <= 0 || height <= 0)
        return 0;
    PrinterDC dc(printer);
    if (!dc.get())
        return 0;
    const printing::PageCaps caps = {GetDeviceCaps(dc.get(), HORZRES), GetDeviceCaps(dc.get(), VERTRES),
                                     GetDeviceCaps(dc.get(), LOGPIXELSX)};
    printing::SheetOptions options = {document ? document : "", selection == 1, names == 1, width, height};
    printing::PrintProgress progress(m_hWnd, options.document, dc.get());
    printing::PrinterJob job(dc.get(), &progress);
    return printing::PrintSheets(dc.get(), caps, m_Doc, options, job);
}
