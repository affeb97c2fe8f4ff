// A top-level window that records the album's private messages it receives, so tests compare
// what child windows send with an expected sequence.
#pragma once

#include <windows.h>
#include <functional>
#include <vector>

namespace testsupport {

struct LoggedMessage {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    bool operator==(const LoggedMessage& o) const { return msg == o.msg && wParam == o.wParam && lParam == o.lParam; }
};

class MessageLog {
public:
    // A visible top-level window of the given client size that logs messages in [first, last].
    MessageLog(int width = 640, int height = 480, UINT first = 0x500, UINT last = 0x2B10);
    ~MessageLog();
    MessageLog(const MessageLog&) = delete;
    MessageLog& operator=(const MessageLog&) = delete;

    HWND hwnd() const { return hwnd_; }
    std::vector<LoggedMessage> messages;
    // Called for every logged message after it is logged (e.g. to answer a drag record).
    std::function<void(UINT msg, WPARAM wParam, LPARAM lParam)> onMessage;
    // The messages numbers only, in order.
    std::vector<UINT> Codes() const;
    void Clear() { messages.clear(); }

private:
    static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
    HWND hwnd_;
    UINT first_, last_;
};

} // namespace testsupport
