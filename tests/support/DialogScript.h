// Answers the dialogs and message boxes that code under test opens on this thread: each step
// waits for a dialog with its caption to be activated, then acts on it (types, presses a button).
#pragma once

#include <windows.h>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

class DialogScript {
public:
    using Action = std::function<void(HWND)>;
    DialogScript();
    ~DialogScript();
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

    // The next dialog with this caption gets action.
    DialogScript& On(const std::string& caption, Action action);
    // The next message box with this caption: its text is recorded, then button is pressed.
    DialogScript& Answer(const std::string& caption, int button);
    // The next dialog with this caption: the text goes into control id, then button is pressed.
    DialogScript& Type(const std::string& caption, int id, const std::string& text, int button = IDOK);

    // Steps not reached yet.
    size_t Pending() const { return steps_.size() - next_; }
    // Texts of the message boxes answered, in order.
    std::vector<std::string> texts;

    // Presses a button of a dialog once its current message is handled.
    static void Press(HWND dialog, int button);

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    struct Step {
        std::string caption;
        Action action;
    };
    std::vector<Step> steps_;
    size_t next_ = 0;
    HHOOK hook_ = nullptr;
};

// The text of a dialog's control, and the items of a combo box.
std::string ItemText(HWND dlg, int id);
std::vector<std::string> ComboItems(HWND combo);

// The states (GetMenuState) of the commands in the popup menu that show() opens, which is then
// closed; ~0u for a command the menu lacks.
std::vector<UINT> MenuStates(const std::function<void()>& show, const std::vector<UINT>& commands);

} // namespace testsupport
