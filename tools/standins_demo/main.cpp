// Shows the control kit's command bar and dock trigger as the album manager uses them (pictures
// and captions from album.dll), for people and screenshots to look at; or the batch dialog.
// Usage: standins_demo.exe                 the bars (the mouse over Find on the first), and a trigger
//                                          with its panel open
//        standins_demo.exe --held          the same, Save held down on the second bar instead
//        standins_demo.exe --batch FILE... the batch dialog for these images; prints its result
#include <windows.h>
#include <stdio.h>
#include <string.h>
#include <array>
#include <vector>
#include "batchui.h"
#include "ctrlkit.h"

namespace {

const UINT kCommands[9] = {1003, 1008, 1005, 1002, 1004, 1001, 1007, 1011, 1012};
const UINT kStrips[4] = {104, 106, 105, 106};
const UINT kCaptions[9] = {31, 37, 32, 33, 34, 35, 36, 38, 39};
HBRUSH g_face = CreateSolidBrush(RGB(192, 192, 192));

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORBTN:
        SetBkColor(reinterpret_cast<HDC>(wParam), RGB(192, 192, 192));
        return reinterpret_cast<LRESULT>(g_face);
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED)
            printf("command %u\n", LOWORD(wParam));
        fflush(stdout);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

HWND Label(HWND parent, const char* text, int x, int y, int w)
{
    HWND label = CreateWindowExA(0, "STATIC", text, WS_CHILD | WS_VISIBLE, x, y, w, 16, parent, nullptr, nullptr, nullptr);
    SendMessageA(label, WM_SETFONT, WPARAM(GetStockObject(DEFAULT_GUI_FONT)), 0);
    return label;
}

HWND Bar(HWND parent, HINSTANCE album, int x, int y)
{
    HWND bar = CreateWindowExA(0, CTRLKIT_TOOLBAR_CLASS, "", WS_CHILD | WS_VISIBLE, x, y, 298, 20, parent,
                               reinterpret_cast<HMENU>(206), GetModuleHandleA(nullptr), nullptr);
    CtrlKitInitToolbar(bar, parent, 9, kCommands, album, kStrips, kCaptions);
    return bar;
}

LPARAM Centre(int button) { return MAKELPARAM((button * 298 / 9 + (button + 1) * 298 / 9) / 2, 10); }

int Batch(int argc, char** argv)
{
    std::vector<std::array<char, MAX_PATH>> paths(size_t(argc > 2 ? argc - 2 : 0));
    for (int i = 2; i < argc; ++i)
        GetFullPathNameA(argv[i], MAX_PATH, paths[size_t(i - 2)].data(), nullptr);
    const int result =
        BatchUiOpenDialog(nullptr, reinterpret_cast<const char(*)[MAX_PATH]>(paths.data()), int(paths.size()));
    printf("BatchUiOpenDialog: %d\n", result);
    return result < 0 ? 1 : 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && strcmp(argv[1], "--batch") == 0)
        return Batch(argc, argv);
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HINSTANCE album = LoadLibraryA("album.dll");
    if (!album) {
        fprintf(stderr, "album.dll not found beside the program\n");
        return 1;
    }
    WNDCLASSA wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = g_face;
    wc.lpszClassName = "StandInsDemo";
    RegisterClassA(&wc);
    CtrlKitRegisterBarClass(instance);
    HWND main = CreateWindowExA(0, "StandInsDemo", "Control kit", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 20, 20, 520,
                                300, nullptr, nullptr, instance, nullptr);

    const bool holdSave = argc > 1 && strcmp(argv[1], "--held") == 0;
    Label(main, holdSave ? "At rest:" : "At rest, the mouse over Find:", 10, 10, 300);
    HWND hover = Bar(main, album, 10, 28);
    Label(main, holdSave ? "Save held down:" : "At rest:", 10, 58, 300);
    HWND held = Bar(main, album, 10, 76);
    Label(main, "Print and Batch disabled:", 10, 106, 300);
    HWND disabled = Bar(main, album, 10, 124);
    CtrlKitEnableButton(disabled, 1007, FALSE);
    CtrlKitEnableButton(disabled, 1011, FALSE);

    // A docked window's header row, hidden, and its trigger with the panel open.
    Label(main, "Dock trigger, its panel open:", 10, 154, 300);
    HWND row[3] = {Label(main, "Album:", 10, 200, 40),
                   CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN, 54,
                                   198, 140, 120, main, reinterpret_cast<HMENU>(101), nullptr, nullptr),
                   Bar(main, album, 200, 198)};
    SendMessageA(row[1], WM_SETFONT, WPARAM(GetStockObject(DEFAULT_GUI_FONT)), 0);
    for (const char* name : {"Holidays", "Family", "New Album"})
        SendMessageA(row[1], CB_ADDSTRING, 0, LPARAM(name));
    SendMessageA(row[1], CB_SETCURSEL, 0, 0);
    for (HWND w : row)
        ShowWindow(w, SW_HIDE);
    HWND trigger = CtrlKitCreateDockTrigger(RECT{10, 172, 30, 25}, main, 3, row);

    ShowWindow(main, SW_SHOW);
    UpdateWindow(main);
    SendMessageA(trigger, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(15, 12));
    SendMessageA(trigger, WM_LBUTTONUP, 0, MAKELPARAM(15, 12));
    // The real pointer goes there too, or the bar would see it leave at once.
    HWND bar = holdSave ? held : hover;
    const int button = holdSave ? 5 : 1;
    POINT p = {LOWORD(Centre(button)), HIWORD(Centre(button))};
    ClientToScreen(bar, &p);
    SetCursorPos(p.x, p.y);
    SendMessageA(bar, WM_MOUSEMOVE, 0, Centre(button));
    if (holdSave)
        SendMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, Centre(button));

    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    return 0;
}
