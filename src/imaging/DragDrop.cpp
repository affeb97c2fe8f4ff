// The drag-and-drop transport: arming on a press, the start threshold, the invisible drag window
// that holds the mouse and walks the windows under the cursor, and the path list for the editor.
#include "imaging/DragDrop.h"

#include <windowsx.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>
#include "album/AlbumDoc.h"
#include "album/AlbumMessages.h"
#include "imaging/OleDrag.h"
#include "win/Handles.h"
#include "win/Module.h"
#include "win/WindowObject.h"

namespace {

const char kDragClass[] = "DDWDNCLASS";

// One drag at a time per process; everything runs on the user-interface thread.
struct Transport {
    HWND armed = nullptr;
    WORD pressX = 0;           // the press position as its lParam carried it (16 bits each,
                               // compared as signed client coordinates)
    WORD pressY = 0;
    int kind = 0;              // data kind given at the press
    HWND source = nullptr;
    HWND dragWindow = nullptr;
    HWND last = nullptr;       // where the previous move's walk ended
    bool registered = false;
    HINSTANCE classInstance = nullptr;
    bool releasing = false;    // the transport itself gives up the capture or closes the window
    bool dropping = false;     // inside the release sequence
    int sending = 0;           // depth of sends made by a move
    bool captureLost = false;  // lost while a move was sending; acted on when the send returns
    CAlbumDoc2* liveTable = nullptr; // the table the source handed over, from code 1 until code 2
    bool handedOut = false;    // inside the OLE drag the drag went on as outside this process
    bool nothingToHandOut = false; // outside, the thumbnails have no source file: "no drop"
};

tagDRAGRECORD g_record;
Transport g;

LRESULT CALLBACK DragWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

bool RegisterDragClass(HINSTANCE instance)
{
    if (g.registered)
        return true;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DragWindowProc;
    wc.hInstance = instance;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kDragClass;
    if (!RegisterClassA(&wc)) {
        // Someone registered the name before us: usable only if it is really ours.
        WNDCLASSA existing = {};
        if (GetLastError() != ERROR_CLASS_ALREADY_EXISTS || !GetClassInfoA(instance, kDragClass, &existing) ||
            existing.lpfnWndProc != DragWindowProc)
            return false;
    }
    g.registered = true;
    g.classInstance = instance;
    return true;
}

// Every send goes through here: bHandled is cleared, and the codes that concern the data carry
// the armed kind again whatever an earlier receiver wrote.
void Send(HWND to, int code)
{
    if (code == DRAG_CODE_FETCH || code == DRAG_CODE_DONE || code == DRAG_CODE_DROP || code == DRAG_CODE_LEAVE)
        g_record.nKind = g.kind;
    g_record.nCode = code;
    g_record.bHandled = 0;
    SendMessageA(to, WM_ALBUM_DRAG, 0, reinterpret_cast<LPARAM>(&g_record));
}

void SendAt(HWND to, int code, POINT screen)
{
    ScreenToClient(to, &screen);
    g_record.x = screen.x;
    g_record.y = screen.y;
    Send(to, code);
}

bool Alive(HWND w) { return w && IsWindow(w); }

// Screen position of a mouse message of the drag window (signed client coordinates).
POINT ScreenPoint(HWND dragWindow, LPARAM lParam)
{
    POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ClientToScreen(dragWindow, &pt);
    return pt;
}

// Closes the drag window (the transport is idle afterwards) unless someone already did.
void CloseDragWindow(HWND dragWindow)
{
    if (Alive(dragWindow)) {
        g.releasing = true;
        if (GetCapture() == dragWindow)
            ReleaseCapture();
        DestroyWindow(dragWindow);
        g.releasing = false;
    }
    if (g.dragWindow == dragWindow) { // normally already reset by WM_NCDESTROY
        g.dragWindow = nullptr;
        g.source = nullptr;
        g.last = nullptr;
    }
}

// The source's table lives only from code 1 to code 2; no stale pointer stays in the record.
void ForgetTable()
{
    g.liveTable = nullptr;
    g_record.pTable = nullptr;
    g_record.nCount = 0;
}

// The drag ends without a drop (capture taken away, window closed by someone else, source gone):
// the window that shows a drop mark is told to remove it, and a living source hears that nobody
// took the thumbnails.
void EndWithoutDrop(bool tellSource)
{
    HWND last = g.last, source = g.source;
    g.dropping = true;
    g_record.nResult = DRAG_RESULT_REFUSED;
    if (Alive(last))
        Send(last, DRAG_CODE_LEAVE);
    if (tellSource && Alive(source)) {
        g_record.nResult = DRAG_RESULT_NOBODY;
        Send(source, DRAG_CODE_DONE);
    }
    ForgetTable();
    g.dropping = false;
}

void Abandon(HWND dragWindow, bool tellSource)
{
    EndWithoutDrop(tellSource);
    CloseDragWindow(dragWindow);
}

// After a send made by a move: false when the drag has ended meanwhile (cancelled, or the capture
// was lost while the receiver ran, which ends it now).
bool StillDragging(HWND dragWindow)
{
    if (g.dragWindow != dragWindow)
        return false;
    if (g.captureLost) {
        g.captureLost = false;
        Abandon(dragWindow, true);
        return false;
    }
    return true;
}

// The full paths of a table's thumbnails in order; names that do not resolve are left out (given as
// stored, a receiver would resolve them against its own current folder and could open an unrelated
// file).
std::vector<std::string> TablePaths(CAlbumDoc2* table)
{
    std::vector<std::string> paths;
    const int count = table && table->m_pEnd ? table->GetCount() : 0;
    int n = 0;
    // Walked directly (not by index) so a long list costs one pass.
    for (CThumbnail2* t = count > 0 ? table->m_pEnd->m_pNext : nullptr; t && t != table->m_pEnd && n < count;
         t = t->m_pNext, ++n) {
        char name[ALBUM_TEXT_FIELD];
        memcpy(name, t->m_Info.szFileName, sizeof name);
        win::TerminateField(name, sizeof name);
        char path[MAX_PATH];
        if (!table->GetThumbnailFullPath(name, path))
            continue;
        const size_t length = strnlen(path, sizeof path - 1);
        if (length > 0)
            paths.emplace_back(path, length);
    }
    return paths;
}

// A window of another process, or none: the drag has left the editor.
bool OutsideProcess(HWND w) { return !w || !win::IsOwnWindow(w); }

bool CursorBackInside()
{
    POINT pt;
    return GetCursorPos(&pt) && !OutsideProcess(WindowFromPoint(pt));
}

// The drag has left the editor's windows: the source's thumbnails go on as an OLE drag of their
// files (and a picture of the first), which other programs take. The album is not changed
// whatever the target does: the source hears that nobody took them before the OLE drag begins.
// True when the drag is over; false when it goes on here (nothing to offer, or the cursor came
// back over a window of this process with the button still down).
bool HandOut(HWND dragWindow)
{
    HWND source = g.source;
    ++g.sending;
    g.dropping = true; // the source's fetch and closing codes, as in a release
    g_record.nResult = DRAG_RESULT_REFUSED;
    g_record.bHandled = 1;
    Send(source, DRAG_CODE_FETCH);
    std::vector<std::string> files;
    HGLOBAL picture = nullptr;
    CAlbumDoc2* table = g_record.bHandled ? g_record.pTable : nullptr;
    if (g.dragWindow == dragWindow && table) {
        files = oledrag::ExistingFiles(TablePaths(table));
        HGLOBAL first = !files.empty() && table->m_pEnd->m_pNext != table->m_pEnd ? table->m_pEnd->m_pNext->GetDib()
                                                                                 : nullptr;
        win::GlobalLockGuard from(first);
        win::GlobalBlock copy = from ? win::GlobalBlock::Allocate(from.size(), false) : win::GlobalBlock();
        win::GlobalLockGuard to(copy.get());
        if (from && to) {
            memcpy(to.data(), from.data(), from.size());
            picture = copy.release();
        }
    }
    if (Alive(source)) {
        g_record.nResult = DRAG_RESULT_NOBODY;
        Send(source, DRAG_CODE_DONE);
    }
    ForgetTable();
    g.dropping = false;
    --g.sending;
    if (g.dragWindow != dragWindow) { // the source cancelled (nothing selected)
        if (picture)
            GlobalFree(picture);
        return true;
    }
    IDataObject* data = files.empty() ? nullptr : oledrag::CreateFileDataObject(files, picture);
    if (!data) {
        if (picture)
            GlobalFree(picture);
        g.nothingToHandOut = true;
        return false;
    }
    g.handedOut = true;
    DWORD effect = DROPEFFECT_NONE;
    const oledrag::DragOutEnd end = oledrag::DragOut(data, CursorBackInside, &effect);
    data->Release();
    g.handedOut = false;
    g.captureLost = false;
    if (end == oledrag::DragOutEnd::BackInside && g.dragWindow == dragWindow && (GetKeyState(VK_LBUTTON) < 0 ||
                                                                               GetAsyncKeyState(VK_LBUTTON) < 0)) {
        SetCapture(dragWindow);
        if (GetCapture() == dragWindow)
            return true; // the drag goes on here from the next move
    }
    if (end == oledrag::DragOutEnd::Failed)
        g.nothingToHandOut = true;
    if (end == oledrag::DragOutEnd::Failed && g.dragWindow == dragWindow)
        return false;
    CloseDragWindow(dragWindow);
    return true;
}

void OnDragMove(HWND dragWindow, WPARAM keys, LPARAM lParam)
{
    if (!Alive(g.source)) { // nothing could be dropped any more
        Abandon(dragWindow, false);
        return;
    }
    POINT pt = ScreenPoint(dragWindow, lParam);
    HWND w = WindowFromPoint(pt);
    HWND last = Alive(g.last) ? g.last : nullptr;
    g_record.nResult = DRAG_RESULT_REFUSED;
    g_record.bHandled = 1;
    g_record.nKeys = static_cast<int>(keys);

    if (OutsideProcess(w)) {
        if (last) { // the mark goes before anything is handed out
            ++g.sending;
            Send(last, DRAG_CODE_LEAVE);
            --g.sending;
            g.last = nullptr;
            if (!StillDragging(dragWindow))
                return;
        }
        if (g.kind == DRAG_KIND_THUMBNAILS && !g.nothingToHandOut && HandOut(dragWindow))
            return;
        SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_NO)));
        return;
    }
    g.nothingToHandOut = false;

    ++g.sending;
    bool alive = true;
    if (last && w && last != w) {
        Send(last, DRAG_CODE_LEAVE);
        alive = StillDragging(dragWindow);
        if (alive && g_record.nResult == DRAG_RESULT_ACCEPTED) {
            g.last = w;
            --g.sending;
            return;
        }
    }
    // Up the parent chain while the windows take part and none claims the drag. The walk ends
    // on the claimer, on the parent of the first window that does not take part, or on none.
    while (alive && w && g_record.bHandled) {
        SendAt(w, DRAG_CODE_OVER, pt);
        bool claimed = g_record.nResult == DRAG_RESULT_ACCEPTED;
        if (claimed)
            g.last = w; // so that a drag ended by this send still clears the claimer's mark
        alive = StillDragging(dragWindow);
        if (claimed)
            break;
        w = GetParent(w);
    }
    --g.sending;
    if (alive)
        g.last = w;
}

void OnDragRelease(HWND dragWindow, WPARAM keys, LPARAM lParam)
{
    HWND source = g.source, lastClaimer = g.last;
    g.dropping = true;
    g.releasing = true;
    ReleaseCapture();
    g.releasing = false;

    POINT pt = ScreenPoint(dragWindow, lParam);
    HWND w = WindowFromPoint(pt);
    g_record.nResult = DRAG_RESULT_REFUSED;
    g_record.bHandled = 1;
    g_record.nKeys = static_cast<int>(keys);

    if (!Alive(source)) {
        if (Alive(lastClaimer))
            Send(lastClaimer, DRAG_CODE_LEAVE);
    } else {
        bool tellSource = true;
        // Who accepts the drop: the window under the cursor or one of its ancestors.
        while (w) {
            SendAt(w, DRAG_CODE_ACCEPT, pt);
            if (g.dragWindow != dragWindow) { // cancelled: no drop, no table to free yet
                w = nullptr;
                tellSource = false;
                break;
            }
            if (g_record.nResult == DRAG_RESULT_ACCEPTED)
                break;
            w = GetParent(w);
        }
        if (tellSource && !w) {
            g_record.nResult = DRAG_RESULT_NOBODY;
        } else if (tellSource) {
            HWND acceptor = w;
            // A window that sets nResult without taking part gets nothing; nor does a source
            // that does not answer the fetch.
            tellSource = g_record.bHandled && Alive(source);
            if (tellSource) {
                Send(source, DRAG_CODE_FETCH);
                tellSource = g_record.bHandled != 0;
                if (tellSource)
                    g.liveTable = g_record.pTable;
            }
            if (tellSource) {
                // The source may cancel while fetching (nothing to give), and either window may
                // have gone: then nothing is dropped, but the source still frees its table.
                if (g.dragWindow == dragWindow && Alive(acceptor))
                    Send(acceptor, DRAG_CODE_DROP);
                else
                    g_record.nResult = DRAG_RESULT_REFUSED;
            }
        }
        // The source frees its table on code 2: from here on it is no longer handed out.
        g.liveTable = nullptr;
        if (tellSource && Alive(source))
            Send(source, DRAG_CODE_DONE);
    }
    ForgetTable();
    g.dropping = false;
    CloseDragWindow(dragWindow);
}

void OnCaptureLost(HWND dragWindow)
{
    if (g.dragWindow != dragWindow || g.releasing || g.dropping || g.handedOut)
        return;
    if (g.sending > 0)
        g.captureLost = true; // a receiver is still running; the move ends the drag afterwards
    else
        Abandon(dragWindow, true);
}

LRESULT CALLBACK DragWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:
        SetCapture(hwnd);
        if (GetCapture() != hwnd)
            return -1; // a drag window without the mouse would never end
        g.dragWindow = hwnd;
        g.captureLost = false;
        return 0;
    case WM_MOUSEMOVE:
        if (g.dragWindow == hwnd && !g.dropping && g.sending == 0)
            OnDragMove(hwnd, wParam, lParam);
        return 0;
    case WM_LBUTTONUP:
        if (g.dragWindow == hwnd && !g.dropping && g.sending == 0)
            OnDragRelease(hwnd, wParam, lParam);
        return 0;
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lParam) != hwnd)
            OnCaptureLost(hwnd);
        return 0;
    case WM_CANCELMODE:
        OnCaptureLost(hwnd);
        return 0;
    case WM_DESTROY:
        if (g.dragWindow == hwnd && !g.releasing && !g.dropping)
            EndWithoutDrop(true); // closed by someone else
        break;
    case WM_NCDESTROY:
        if (g.dragWindow == hwnd) {
            g.dragWindow = nullptr;
            g.source = nullptr;
            g.last = nullptr;
        }
        break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

} // namespace

void ArmDrag(HWND window, WPARAM /*keys*/, LPARAM position, int kind)
{
    g.armed = window;
    g.pressX = LOWORD(position);
    g.pressY = HIWORD(position);
    g.kind = kind;
}

bool CheckDragStart(HWND window, WPARAM wParam, LPARAM lParam)
{
    if (!(wParam & MK_LBUTTON)) {
        g.armed = nullptr;
        return false;
    }
    if (!window || window != g.armed)
        return false;
    // Positions are compared as signed client coordinates, so a move left of or above the window
    // measures its true distance rather than a 16-bit wrap-around.
    int dx = GET_X_LPARAM(lParam) - static_cast<short>(g.pressX);
    int dy = GET_Y_LPARAM(lParam) - static_cast<short>(g.pressY);
    if (abs(dx) < GetSystemMetrics(SM_CXDRAG) && abs(dy) < GetSystemMetrics(SM_CYDRAG))
        return false;
    g.armed = nullptr;
    if (g.dragWindow || g.dropping || !IsWindow(window))
        return false; // one drag at a time, also while a drop is being delivered

    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
    if (!RegisterDragClass(instance ? instance : AlbumInstance()))
        return false;

    g.source = window;
    g.last = nullptr;
    g.nothingToHandOut = false;
    g_record.nKind = g.kind;
    g_record.nResult = DRAG_RESULT_REFUSED;
    g_record.bHandled = 0;
    ForgetTable();
    // The class is local to the instance it was registered with, so the window is made there.
    HWND dragWindow = CreateWindowExA(0, kDragClass, "ddwnd", 0, 0, 0, 0, 0, nullptr, nullptr, g.classInstance,
                                      nullptr);
    if (!dragWindow) {
        g.source = nullptr;
        return false;
    }
    return true;
}

bool CancelDrag(HWND /*window*/)
{
    g.armed = nullptr;
    if (g.dragWindow)
        CloseDragWindow(g.dragWindow);
    return true;
}

tagDRAGRECORD* DragRecord() { return &g_record; }

bool IsDragging() { return g.dragWindow != nullptr; }

bool IsLiveDragRecord(LPARAM lParam)
{
    return lParam == reinterpret_cast<LPARAM>(&g_record) && (g.dragWindow || g.dropping);
}

HGLOBAL GetDropData(LPARAM lParam)
{
    // A table exists only while a drop is being delivered, and only the one its source handed over
    // is walked. The editor may pass a copy of the record, but a copy kept past the drop names a
    // table the source has already freed: without a live drop nothing is read at all.
    CAlbumDoc2* const table = g.liveTable;
    if (!lParam || !table)
        return nullptr;
    const tagDRAGRECORD* record = reinterpret_cast<const tagDRAGRECORD*>(lParam);
    if (record->nKind != DRAG_KIND_THUMBNAILS || record->pTable != table || !table->m_pEnd)
        return nullptr;
    int count = table->GetCount();
    if (count <= 0 || static_cast<size_t>(count) > SIZE_MAX / MAX_PATH)
        return nullptr;

    win::GlobalBlock block = win::GlobalBlock::Allocate(static_cast<size_t>(count) * MAX_PATH, true);
    if (!block)
        return nullptr;
    {
        win::GlobalLockGuard lock(block.get());
        if (!lock)
            return nullptr;
        char* out = static_cast<char*>(lock.data());
        size_t used = 0;
        for (const std::string& path : TablePaths(table)) {
            if (used + path.size() + 1 > static_cast<size_t>(count) * MAX_PATH)
                continue;
            memcpy(out + used, path.c_str(), path.size() + 1);
            used += path.size() + 1;
        }
    }
    return block.release();
}
