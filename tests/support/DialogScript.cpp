#include "support/DialogScript.h"

#include <algorithm>

namespace testsupport {

namespace {
thread_local DialogScript* t_script = nullptr;
}

DialogScript::DialogScript()
{
    t_script = this;
    hook_ = SetWindowsHookExA(WH_CBT, Hook, nullptr, GetCurrentThreadId());
}

DialogScript::~DialogScript()
{
    if (hook_)
        UnhookWindowsHookEx(hook_);
    if (t_script == this)
        t_script = nullptr;
}

DialogScript& DialogScript::On(const std::string& caption, Action action)
{
    steps_.push_back({caption, std::move(action)});
    return *this;
}

DialogScript& DialogScript::Answer(const std::string& caption, int button)
{
    return On(caption, [this, button](HWND box) {
        char text[1024] = "";
        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
        texts.push_back(text);
        Press(box, button);
    });
}

DialogScript& DialogScript::Type(const std::string& caption, int id, const std::string& text, int button)
{
    return On(caption, [id, text, button](HWND dialog) {
        SetDlgItemTextA(dialog, id, text.c_str());
        Press(dialog, button);
    });
}

void DialogScript::Press(HWND dialog, int button)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}

LRESULT CALLBACK DialogScript::Hook(int code, WPARAM wParam, LPARAM lParam)
{
    DialogScript* self = t_script;
    if (code == HCBT_ACTIVATE && self && self->next_ < self->steps_.size()) {
        HWND window = reinterpret_cast<HWND>(wParam);
        char cls[32] = "", title[256] = "";
        GetClassNameA(window, cls, sizeof cls);
        GetWindowTextA(window, title, sizeof title);
        Step& step = self->steps_[self->next_];
        if (lstrcmpA(cls, "#32770") == 0 && step.caption == title) {
            ++self->next_;
            step.action(window);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

std::string ItemText(HWND dlg, int id)
{
    char text[1024] = "";
    GetDlgItemTextA(dlg, id, text, sizeof text);
    return text;
}

std::vector<std::string> ComboItems(HWND combo)
{
    std::vector<std::string> items(size_t(std::max<LRESULT>(0, SendMessageA(combo, CB_GETCOUNT, 0, 0))));
    for (size_t i = 0; i < items.size(); ++i) {
        char text[MAX_PATH] = "";
        SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        items[i] = text;
    }
    return items;
}

std::vector<UINT> MenuStates(const std::function<void()>& show, const std::vector<UINT>& commands)
{
    static std::vector<UINT> ids, states;
    ids = commands, states.assign(commands.size(), ~0u);
    SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR timer, DWORD) CALLBACK {
        KillTimer(nullptr, timer);
        HWND window = FindWindowA("#32768", nullptr);
        if (HMENU menu = window ? reinterpret_cast<HMENU>(SendMessageA(window, MN_GETHMENU, 0, 0)) : nullptr)
            for (size_t i = 0; i < ids.size(); ++i)
                states[i] = GetMenuState(menu, ids[i], MF_BYCOMMAND);
        EndMenu();
    });
    show();
    return states;
}

} // namespace testsupport
