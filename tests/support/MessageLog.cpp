#include "support/MessageLog.h"

namespace testsupport {

MessageLog::MessageLog(int width, int height, UINT first, UINT last) : first_(first), last_(last)
{
    static ATOM atom = [] {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        wc.lpszClassName = "AlbumTestMessageLog";
        return RegisterClassA(&wc);
    }();
    (void)atom;
    RECT r = {0, 0, width, height};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    hwnd_ = CreateWindowExA(0, "AlbumTestMessageLog", "test", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0,
                            r.right - r.left, r.bottom - r.top, nullptr, nullptr, GetModuleHandleA(nullptr), this);
    ShowWindow(hwnd_, SW_SHOW);
    UpdateWindow(hwnd_);
}

MessageLog::~MessageLog()
{
    if (IsWindow(hwnd_)) {
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

std::vector<UINT> MessageLog::Codes() const
{
    std::vector<UINT> codes;
    for (const LoggedMessage& m : messages)
        codes.push_back(m.msg);
    return codes;
}

LRESULT CALLBACK MessageLog::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* log = reinterpret_cast<MessageLog*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (log && msg >= log->first_ && msg <= log->last_) {
        log->messages.push_back({msg, wParam, lParam});
        if (log->onMessage)
            log->onMessage(msg, wParam, lParam);
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

} // namespace testsupport
