// The functions through which the editor takes part in docking, acquiring images and help. The
// editor installs them with SetDockFunction, SetAcquireFunction and SetAlbumHelpFunction; the
// album manager window calls them.
#pragma once

#include <windows.h>

// Makes a dock frame for a manager window; the returned window becomes the manager's frame.
typedef HWND (*DockCreateProc)(HWND manager, int, int, bool);
// Asked about the dock frame before the manager window is first shown.
typedef int (*DockQueryProc)(HWND frame);
// Releases the dock frame when the manager window is destroyed.
typedef int (*DockDestroyProc)(HWND manager, HWND frame);
// The manager's "Acquire" command.
typedef int (*AcquireProc)(HWND manager);
// The manager's "Help" command; topic is 0.
typedef int (*AlbumHelpProc)(HWND manager, int topic);
