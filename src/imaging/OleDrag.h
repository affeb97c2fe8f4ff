// Files dragged between the album windows and other programs through OLE drag and drop: the data
// object offered when thumbnails are dragged out of the editor, and the drop target that album
// windows register to take files in. Windows stay outside: callers pass paths, points and handlers.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <shellapi.h>
#include <memory>
#include <string>
#include <vector>

namespace oledrag {

// OLE on the calling thread for the lifetime of a scope; each successful OleInitialize is undone
// at the end. A thread already in the multithreaded apartment (RPC_E_CHANGED_MODE) cannot do OLE
// drag and drop: Usable() is false and the caller keeps to WM_DROPFILES.
class OleScope {
public:
    OleScope() : hr_(OleInitialize(nullptr)) {}
    ~OleScope()
    {
        if (SUCCEEDED(hr_))
            OleUninitialize();
    }
    OleScope(const OleScope&) = delete;
    OleScope& operator=(const OleScope&) = delete;
    bool Usable() const { return SUCCEEDED(hr_); }

private:
    HRESULT hr_;
};

// The paths that name existing files (folders and missing files left out), in order.
std::vector<std::string> ExistingFiles(const std::vector<std::string>& paths);
// A CF_HDROP block (DROPFILES, wide names) listing paths; null when there is none or no memory.
HGLOBAL MakeFileDrop(const std::vector<std::string>& paths);
// The paths a CF_HDROP block lists as the ANSI functions open them (short names for names in
// another script); names too long, or with no name those functions can open, are left out.
std::vector<std::string> PathsOfDrop(HDROP drop);

// A data object offering CF_HDROP of paths, CF_DIB of dib when there is one (the object takes the
// block), and "Preferred DropEffect" Copy. Reference count 1: the caller releases it.
IDataObject* CreateFileDataObject(std::vector<std::string> paths, HGLOBAL dib);

// Runs OLE drag and drop of data from this thread, Copy or Move as the target chooses, until the
// button is released (Dropped, *effect what the target did), Esc is pressed (Cancelled) or
// backInside() answers true while the cursor moves (BackInside: the caller resumes its own drag).
// Failed when the thread cannot do OLE. Drop targets of this process refuse data while it is
// being dragged out.
enum class DragOutEnd { Dropped, Cancelled, BackInside, Failed };
DragOutEnd DragOut(IDataObject* data, bool (*backInside)(), DWORD* effect);

// What an album window does with files dragged over it (screen coordinates).
class FileDropHandler {
public:
    virtual ~FileDropHandler() = default;
    // The cursor is over the window: mark the place, answer whether files can be dropped there.
    virtual bool Over(POINT screen) = 0;
    // The cursor has left, or the drag ended: remove the mark.
    virtual void Leave() = 0;
    virtual void Drop(const std::vector<std::string>& paths, POINT screen) = 0;
};

// Registers an OLE drop target for window taking CF_HDROP, OLE being initialised for the window's
// lifetime. False when the thread cannot do OLE drag and drop (the window keeps WM_DROPFILES).
bool AttachFileDrop(HWND window, std::unique_ptr<FileDropHandler> handler);
// Revokes it and undoes the OLE initialisation; for WM_DESTROY. Nothing when none was attached.
void DetachFileDrop(HWND window);

} // namespace oledrag
