#include "views/PrintDialog.h"

#include "album/Album.h"

namespace printing {

namespace {

Settings g_settings = {{}, 0, 0, 16};

int PrintWithAlbum(CAlbum& album, const char* document, int selection, int names, int width, int height,
                   PRINTDLGA printer)
{
    return album.Print(document, selection, names, width, height, printer);
}

enum { kSizeList = 111, kAll = 112, kSelected = 113, kNames = 114, kSetup = 1035 };

} // namespace

const SizeChoice kSizes[4] = {{"1 inch", 16}, {"1 1/2 inch", 24}, {"2 inch", 32}, {"2 1/2 inch", 40}};

AlbumPrintCall g_printAlbum = PrintWithAlbum;

Settings& Current() { return g_settings; }

void PrinterSetup(HWND owner)
{
    PRINTDLGA& record = g_settings.printer;
    record.lStructSize = sizeof(PRINTDLGA);
    record.hwndOwner = owner;
    record.Flags = PD_PRINTSETUP;
    PrintDlgA(&record);
}

INT_PTR CALLBACK PrintThumbnailsProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM)
{
    switch (msg) {
    case WM_INITDIALOG:
        CheckRadioButton(dlg, kAll, kSelected, kAll);
        CheckDlgButton(dlg, kNames, BST_CHECKED);
        for (const SizeChoice& choice : kSizes)
            SendDlgItemMessageA(dlg, kSizeList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice.text));
        SendDlgItemMessageA(dlg, kSizeList, CB_SETCURSEL, 2, 0);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: {
            g_settings.printAll = IsDlgButtonChecked(dlg, kAll) == BST_CHECKED;
            g_settings.printNames = IsDlgButtonChecked(dlg, kNames) == BST_CHECKED;
            const LRESULT chosen = SendDlgItemMessageA(dlg, kSizeList, CB_GETCURSEL, 0, 0);
            if (chosen >= 0 && chosen < LRESULT(sizeof kSizes / sizeof kSizes[0]))
                g_settings.size = kSizes[chosen].size;
            EndDialog(dlg, 1);
            return TRUE;
        }
        case IDCANCEL:
            EndDialog(dlg, 0);
            return TRUE;
        case kSetup:
            PrinterSetup(dlg);
            return TRUE;
        default:
            break;
        }
        break;
    default:
        break;
    }
    return FALSE;
}

} // namespace printing
