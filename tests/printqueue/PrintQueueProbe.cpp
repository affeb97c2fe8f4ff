// Prints three real jobs for check_print_queue.py, which reads the PDFs the queue made; the printer
// is chosen through "Printer Setup" of the real "Print Thumbnails" dialog. "lcprint-cancel-TAG": 300
// thumbnails in 1-inch boxes, Cancel pressed with the mouse while the job waits at page 3.
// "lcprint-all-TAG": 25 named thumbnails in 2-inch boxes, sources plain dark gray, thumbnails light
// gray, the source of thumbnail 3 missing. "lcprint-none-TAG": only the selected, none selected.
// Prints "key value" lines for the check; the progress window's screenshot goes to FOLDER.
#include <stdio.h>
#include <string>
#include <thread>
#include <vector>
#include "Driver.h"
#include "Host.h"
#include "Raii.h"
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

// What the cancelled job showed, seen from inside its window's thread.
struct CancelWatch {
    HWND album = nullptr, view = nullptr, progress = nullptr;
    std::vector<std::string> pages;
    char caption[256] = "";
    bool owned = false, disabled = false, repainted = false;
    HANDLE atPage3 = CreateEventA(nullptr, TRUE, FALSE, nullptr), pressed = CreateEventA(nullptr, TRUE, FALSE, nullptr);
} g_watch;

// Sees the page text change. At page 2 the album's window is invalidated: it is repainted by page
// 3 only if the job lets its thread answer. At page 3 the job is held until Cancel was pressed.
LRESULT CALLBACK WatchPages(int code, WPARAM wParam, LPARAM lParam)
{
    const auto* m = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    const char* text = m->message == WM_SETTEXT ? reinterpret_cast<const char*>(m->lParam) : "";
    if (code == HC_ACTION && strncmp(text, "Printing page", 13) == 0) {
        CancelWatch& w = g_watch;
        w.progress = GetParent(m->hwnd);
        w.owned = GetWindow(w.progress, GW_OWNER) == w.album;
        GetWindowTextA(w.progress, w.caption, sizeof w.caption);
        w.pages.push_back(text);
        if (w.pages.size() == 2)
            RedrawWindow(w.album, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
        if (w.pages.size() == 3) {
            w.disabled = !IsWindowEnabled(w.album);
            w.repainted = !GetUpdateRect(w.album, nullptr, FALSE) && !GetUpdateRect(w.view, nullptr, FALSE);
            SetEvent(w.atPage3);
            MSG msg;
            for (const DWORD start = GetTickCount(); GetTickCount() - start < 120000;) {
                if (MsgWaitForMultipleObjects(1, &w.pressed, FALSE, 1000, QS_SENDMESSAGE) == WAIT_OBJECT_0)
                    break;
                PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            }
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

int main(int argc, char** argv)
{
    // Run by hand without arguments: jobs tagged "manual", the screenshot in the current folder.
    const std::string tag = argc > 2 ? argv[1] : "manual", folder = argc > 2 ? argv[2] : ".";
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
        if (i != kMissing)
            ImgIoWriteFile(GlobalBlock(Plain(200, 150, kSourceGray)).get(), source.c_str(), IMGIO_FORMAT_BMP, 0);
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
    if (!chosen.printer.hDevNames) {
        printf("error no printer chosen\n");
        return 1;
    }
    // The chosen printer and its page as the layout sees it.
    const auto* names = static_cast<const DEVNAMES*>(GlobalLock(chosen.printer.hDevNames));
    const char* base = reinterpret_cast<const char*>(names);
    HDC dc = CreateDCA(base + names->wDriverOffset, base + names->wDeviceOffset, base + names->wOutputOffset,
                       static_cast<DEVMODEA*>(GlobalLock(chosen.printer.hDevMode)));
    printf("setup-device %s\n", base + names->wDeviceOffset);
    printf("caps %d %d %d %d %d\n", GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, VERTRES), GetDeviceCaps(dc, LOGPIXELSX),
           GetDeviceCaps(dc, PHYSICALOFFSETX), GetDeviceCaps(dc, PHYSICALOFFSETY));
    DeleteDC(dc);
    GlobalUnlock(chosen.printer.hDevMode);
    GlobalUnlock(chosen.printer.hDevNames);
    printf("album %d missing %d source-gray %d thumb-gray %d box %d\n", kCount, kMissing, kSourceGray, kThumbGray,
           chosen.size);

    // 300 thumbnails whose sources are gone, printed as the first job (the queue keeps its order).
    CAlbum big(parent.hwnd(), RECT{0, 0, 300, 200}, info);
    for (int i = 1; i <= 300; ++i) {
        auto rec = MakeRecord(dir.File("gone " + std::to_string(i) + ".bmp").c_str());
        rec.wThumbWidth = 40;
        rec.wThumbHeight = 30;
        big.m_Doc.Insert(new CThumbnail2(&rec, Plain(40, 30, kThumbGray), 0, 1), nullptr);
    }
    ShowWindow(album.m_hWnd, SW_HIDE);
    g_watch.album = parent.hwnd();
    g_watch.view = big.m_hWnd;
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROCRET, WatchPages, nullptr, GetCurrentThreadId());
    std::thread presser([&] {
        if (WaitForSingleObject(g_watch.atPage3, 120000) != WAIT_OBJECT_0 || g_watch.pages.size() < 3)
            return;
        RECT a = {}, p = {};
        GetWindowRect(g_watch.album, &a);
        GetWindowRect(g_watch.progress, &p);
        UnionRect(&a, &a, &p);
        const GlobalBlock shot(CaptureSettledScreen(a, GetCurrentProcessId()));
        if (shot && ImgIoWriteFile(shot.get(), (folder + "\\progress-window.bmp").c_str(), IMGIO_FORMAT_BMP, 0) == IMGIO_WRITE_OK)
            printf("screenshot progress-window.bmp\n");
        drive::Click(drive::Center(GetDlgItem(g_watch.progress, IDCANCEL)));
        SetEvent(g_watch.pressed);
    });
    // Named as the manager names a job, after the album's file (short: the queue cuts titles at
    // 64 characters); the caption shows the album's name.
    const int cancelled = big.Print(("C:\\lcprint-cancel-" + tag + ".abm").c_str(), 2, 1, 16, 16, chosen.printer);
    SetEvent(g_watch.atPage3); // the presser ends when page 3 never came
    presser.join();
    UnhookWindowsHookEx(hook);
    printf("cancel result %d owner %d disabled %d repainted %d enabled-after %d closed %d\n", cancelled, g_watch.owned,
           g_watch.disabled, g_watch.repainted, IsWindowEnabled(parent.hwnd()) != FALSE, !IsWindow(g_watch.progress));
    printf("cancel-caption %s\n", g_watch.caption);
    for (const std::string& page : g_watch.pages)
        printf("cancel-page %s\n", page.c_str());
    DestroyWindow(big.m_hWnd);

    const int all = album.Print(("lcprint-all-" + tag).c_str(), chosen.printAll ? 2 : 1, chosen.printNames ? 1 : 2,
                                chosen.size, chosen.size, chosen.printer);
    const int blank = album.Print(("lcprint-none-" + tag).c_str(), 1, 2, 32, 32, PRINTDLGA{});
    printf("printed all %d none %d\n", all, blank);
    fflush(stdout);
    DestroyWindow(album.m_hWnd);
    return confirmed == 1 && all == 1 && blank == 1 && cancelled == -1 ? 0 : 1;
}
