// Driving windows as a person does: mouse and keyboard input through the system's input queue
// (SendInput), so it reaches whatever window is under the cursor or has the focus, in this process
// or another. Reading is done with window messages. Used by the host's scripted tour and by the
// end-to-end tests. Nothing here waits a fixed time: each input waits until the system has taken
// it, and the steps that need the program's answer (a drag, a menu) wait for that answer.
#pragma once

#include <windows.h>
#include <functional>
#include <string>
#include <vector>

namespace drive {

void MoveTo(POINT screen);
// Left click; modifier (VK_CONTROL, VK_SHIFT or 0) is held around it.
void Click(POINT screen, WORD modifier = 0);
void DoubleClick(POINT screen);
// Presses the left button at from, moves in steps to to, releases; modifier (VK_CONTROL for a
// copy) is pressed over the target and held until the program has handled the release. Waits
// until the program has the mouse before releasing it, and until it has let it go after.
// (Sizing a window that snaps its size to a grid takes one step: each small step would be
// snapped back.)
void Drag(POINT from, POINT to, WORD modifier = 0, int steps = 12);
// A key, with a modifier (VK_CONTROL, VK_MENU, VK_SHIFT or 0) held around it.
void Press(WORD vk, WORD modifier = 0);
// Types text into the focused window.
void Type(const std::string& text);
// The same for text in any script.
void Type(const std::wstring& text);
// Whether window w, or a window inside it, has the keyboard focus of its thread.
bool HasFocus(HWND w);
// Clicks window w and waits until it has the keyboard focus; false when it does not get it.
bool Focus(HWND w);
// A command of window's menu by its access keys: the window is activated with a click on its
// caption, then Alt+first key, then each of the rest, each once the menu before it is open.
// True once the last key has closed the menus (or, for one key, its menu is open).
bool Menu(HWND window, const std::string& keys);

// The centre of a window, or a point in its client area, in screen coordinates.
POINT Center(HWND w);
POINT ClientPoint(HWND w, int x, int y);

// Polls until done() holds (true) or ms pass (false).
bool WaitUntil(const std::function<bool()>& done, DWORD ms = 30000);
// Polls until find() gives a window.
HWND WaitFor(const std::function<HWND()>& find, DWORD ms = 30000);

// A visible top-level window of process pid (0: any) with this class (null: any) and title
// (null: any).
HWND TopLevel(DWORD pid, const char* cls, const char* title);
// Every descendant of parent with this class (null: any), visible ones only, ordered by rows
// from the top left (the order of a grid's cells).
std::vector<HWND> Descendants(HWND parent, const char* cls);
// The first visible descendant with this class and text (null: any).
HWND Descendant(HWND parent, const char* cls, const char* text);
// A window's text (WM_GETTEXT, also across processes).
std::string Text(HWND w);
// The items of a combo box (CB_GETLBTEXT).
std::vector<std::string> ComboItems(HWND combo);
// Opens a combo box's list with its arrow and clicks the item with this text (the list must show
// it without scrolling). False when there is no such item or the list did not open.
bool ChooseInCombo(HWND combo, const std::string& item);

} // namespace drive
