// Prints two real jobs for the print-queue check (check_print_queue.py), which then reads the
// PDFs the queue made. The printer is first chosen through "Printer Setup" of the real "Print
// Thumbnails" dialog. Job "lcprint-all-TAG": an album of 25 thumbnails, every one with its name,
// in 2-inch boxes; each source image is a plain dark gray, each thumbnail a plain light gray, and
// the source of thumbnail 3 is missing. Job "lcprint-none-TAG": only the selected thumbnails, none
// being selected, on the default printer. Prints "key value" lines the check needs.
#include <stdio.h>
#include <string>
#include <vector>
#include "album/Album.h"
#include "support/DialogScript.h"
#include "support/MessageLog.h"
#include "support/TestSupport.h"
#include "vendor_standins/imgio/imgio.h"
#include "views/PrintDialog.h"
#include "views/ViewCreateInfo.h"
#include "win/Module.h"

using namespace testsupport;

namespace {

const int kCount = 25, kMissing = 3, kSourceGray = 60, kThumbGray = 190;

HGLOBAL Plain(int width, int height, int gray)
{
    const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
    return MakePackedDib(width, height, 24, {}, std::vector<unsigned char>(stride * height, (unsigned char)gray));
}

std::string DeviceOf(const PRINTDLGA& record)
{
    if (!record.hDevNames)
        return "(none)";
    const auto* names = static_cast<const DEVNAMES*>(GlobalLock(record.hDevNames));
    std::string device = reinterpret_cast<const char*>(names) + names->wDeviceOffset;
    GlobalUnlock(record.hDevNames);
    return device;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: print_queue_probe TAG\n");
        return 2;
    }
    const std::string tag = argv[1];
    CThumbviewRegister(AlbumInstance());
    CThumbListViewRegister(AlbumInstance());
    MessageLog parent(400, 300);
    ScratchDir dir;
    tagAlbumViewCreateInfo info = ManagerCtrlViewInfo(2, 3);
    CAlbum album(parent.hwnd(), RECT{0, 0, 300, 200}, info);
    for (int i = 1; i <= kCount; ++i) {
        char name[32];
        snprintf(name, sizeof name, "photo %02d.bmp", i);
        const std::string source = dir.File(name);
        if (i != kMissing) {
            HGLOBAL image = Plain(200, 150, kSourceGray);
            ImgIoWriteFile(image, source.c_str(), IMGIO_FORMAT_BMP, 0);
            GlobalFree(image);
        }
        auto rec = MakeRecord(source.c_str());
        rec.wThumbWidth = 40;
        rec.wThumbHeight = 30;
        album.m_Doc.Insert(new CThumbnail2(&rec, Plain(40, 30, kThumbGray), 0, 1), nullptr);
    }

    // Printer Setup from the dialog, then OK.
    DialogScript script;
    script.On("Print Thumbnails", [](HWND d) { DialogScript::Press(d, 1035); })
        .On("Print Setup", [](HWND d) { DialogScript::Press(d, IDOK); })
        .On("Print Thumbnails", [](HWND d) { DialogScript::Press(d, IDOK); });
    const INT_PTR confirmed = DialogBoxParamA(AlbumInstance(), MAKEINTRESOURCEA(110), parent.hwnd(),
                                              printing::PrintThumbnailsProc, 0);
    const printing::Settings& chosen = printing::Current();
    printf("dialog %d steps-left %d\n", int(confirmed), int(script.Pending()));
    printf("setup-device %s\n", DeviceOf(chosen.printer).c_str());
    printf("choices all %d names %d size %d\n", chosen.printAll, chosen.printNames, chosen.size);

    PRINTDLGA none = {};
    none.lStructSize = sizeof none;
    none.Flags = PD_RETURNDEFAULT;
    if (!PrintDlgA(&none)) {
        printf("error no default printer\n");
        return 1;
    }
    const auto* names = static_cast<const DEVNAMES*>(GlobalLock(none.hDevNames));
    const char* base = reinterpret_cast<const char*>(names);
    HDC dc = CreateDCA(base + names->wDriverOffset, base + names->wDeviceOffset, base + names->wOutputOffset,
                       static_cast<DEVMODEA*>(GlobalLock(none.hDevMode)));
    printf("default-device %s\n", base + names->wDeviceOffset);
    printf("caps %d %d %d %d %d\n", GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, VERTRES), GetDeviceCaps(dc, LOGPIXELSX),
           GetDeviceCaps(dc, PHYSICALOFFSETX), GetDeviceCaps(dc, PHYSICALOFFSETY));
    DeleteDC(dc);
    GlobalUnlock(none.hDevMode);
    GlobalUnlock(none.hDevNames);
    GlobalFree(none.hDevMode);
    GlobalFree(none.hDevNames);
    printf("album %d missing %d source-gray %d thumb-gray %d box %d\n", kCount, kMissing, kSourceGray, kThumbGray,
           chosen.size);

    const int all = album.Print(("lcprint-all-" + tag).c_str(), chosen.printAll ? 2 : 1, chosen.printNames ? 1 : 2,
                                chosen.size, chosen.size, chosen.printer);
    const int blank = album.Print(("lcprint-none-" + tag).c_str(), 1, 2, 32, 32, PRINTDLGA{});
    printf("printed all %d none %d\n", all, blank);
    fflush(stdout);
    DestroyWindow(album.m_hWnd);
    return confirmed == 1 && all == 1 && blank == 1 ? 0 : 1;
}
