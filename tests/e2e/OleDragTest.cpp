// Files dragged between the album window and another program with real mouse input. This test
// program is the other program: a window with a drop target and a DoDragDrop of its own; its drop
// target is called through its message queue, so this thread pumps while another moves the mouse.
#include <gtest/gtest.h>
#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>
#include "Driver.h"
#include "HostSession.h"
#include "Raii.h"

using namespace e2e;

namespace {

// One interface on the stack: no counting.
template <class I>
struct OnStack : I {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        *out = iid == IID_IUnknown || iid == __uuidof(I) ? this : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
};

// A drop target that takes files, remembering what the last drop offered.
struct FileTarget final : OnStack<IDropTarget> {
    std::vector<std::string> files;
    std::atomic<bool> dropped{false};

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) override
    {
        *effect = DROPEFFECT_COPY;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override { return DragEnter(nullptr, 0, {}, effect); }
    HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override
    {
        FORMATETC hdrop = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM medium = {};
        if (SUCCEEDED(data->GetData(&hdrop, &medium))) {
            HDROP drop = static_cast<HDROP>(medium.hGlobal);
            for (UINT i = 0, n = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0); i < n; ++i) {
                char path[MAX_PATH] = "";
                DragQueryFileA(drop, i, path, sizeof path);
                files.push_back(path);
            }
            ReleaseStgMedium(&medium);
        }
        *effect = DROPEFFECT_COPY;
        dropped = true;
        return S_OK;
    }
};

struct PidlTraits { static void Free(PIDLIST_ABSOLUTE item) { ILFree(item); } };

// Files of one folder as a file manager offers them: the shell's own data object of the items (not
// copied: its item lists are owned).
struct ShellFiles {
    std::vector<Owned<PIDLIST_ABSOLUTE, PidlTraits>> items;
    IDataObject* data = nullptr;

    explicit ShellFiles(const std::vector<std::string>& paths)
    {
        std::vector<PCUITEMID_CHILD> children;
        for (const std::string& path : paths) {
            PIDLIST_ABSOLUTE item = nullptr;
            if (FAILED(SHParseDisplayName(std::wstring(path.begin(), path.end()).c_str(), nullptr, &item, 0, nullptr)))
                return;
            items.emplace_back(item);
            children.push_back(ILFindLastID(item));
        }
        IShellFolder* folder = nullptr;
        if (items.empty() ||
            FAILED(SHBindToParent(items[0].get(), IID_IShellFolder, reinterpret_cast<void**>(&folder), nullptr)))
            return;
        folder->GetUIObjectOf(nullptr, UINT(children.size()), children.data(), IID_IDataObject, nullptr,
                              reinterpret_cast<void**>(&data));
        folder->Release();
    }
    ~ShellFiles()
    {
        if (data)
            data->Release();
    }
};

struct DropSource final : OnStack<IDropSource> {
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD keys) override
    {
        return escape ? DRAGDROP_S_CANCEL : keys & MK_LBUTTON ? S_OK : DRAGDROP_S_DROP;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
};

std::atomic<bool> g_pressed{false};

LRESULT CALLBACK OtherProc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_LBUTTONDOWN)
        g_pressed = true;
    return DefWindowProcA(w, msg, wParam, lParam);
}

// The other program's window, on top at r.
HWND OtherWindow(RECT r)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = OtherProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "E2eOtherProgram";
    RegisterClassA(&wc);
    return CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "other", WS_POPUP | WS_BORDER | WS_VISIBLE, r.left,
                           r.top, r.right - r.left, r.bottom - r.top, nullptr, nullptr, wc.hInstance, nullptr);
}

// Handles this thread's messages until done() holds (true) or ms pass (false).
bool PumpUntil(const std::function<bool()>& done, DWORD ms = 30000)
{
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > ms)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
    return true;
}

void LeftButton(POINT at, bool down)
{
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dx = at.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = at.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    in.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | (down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP);
    SendInput(1, &in, sizeof in);
}

// The red drop mark along the top of a card cell's picture.
bool DropMarkShown(HWND cell)
{
    POINT p = {20, 4};
    ClientToScreen(cell, &p);
    const WindowDc screen(nullptr);
    return GetPixel(screen.get(), p.x, p.y) == RGB(255, 0, 0);
}

struct Ole {
    Ole() { OleInitialize(nullptr); }
    ~Ole() { OleUninitialize(); }
};

} // namespace

// The other program drags two images and a text file onto the album's one cell: the images go in
// there, the text file is counted as skipped. Then the two new thumbnails, selected, are dragged
// onto the other program: it gets their two files, and the album keeps them.
TEST(EndToEnd, DragFilesToAndFromAnotherProgram)
{
    Ole ole;
    e2e::Folder albums, images;
    for (const char* n : {"a", "x", "y"})
        WriteImage(images / (std::string(n) + ".bmp"), 80, 60, unsigned(n[0]));
    testsupport::WriteBytes(images / "notes.txt", {'n', 'o'});
    ASSERT_TRUE(MakeAlbum(albums / "A.abm", {images / "a.bmp"}));
    HostSession host({"--albums", albums.path()});
    HWND manager = OpenAt(host, "A", 1, {10, 60, 620, 400});
    ASSERT_NE(manager, nullptr);
    HWND other = OtherWindow({760, 100, 1060, 400});

    // Pressed in the other program, dragged onto a's cell, released there.
    ShellFiles files({images / "x.bmp", images / "notes.txt", images / "y.bmp"});
    ASSERT_NE(files.data, nullptr);
    HWND cell = Cells(manager)[0];
    const DWORD self = GetCurrentThreadId();
    std::thread mover([&] {
        LeftButton(drive::Center(other), true);
        drive::WaitUntil([&] { // this thread has the mouse: its drag loop runs
            GUITHREADINFO info = {sizeof(GUITHREADINFO)};
            return GetGUIThreadInfo(self, &info) && info.hwndCapture;
        });
        // A drag loop takes the cursor's place from the moves it sees: the cursor goes on moving
        // a pixel to and fro over the cell until the mark shows.
        const POINT to = drive::Center(cell);
        int nudge = 0;
        EXPECT_TRUE(drive::WaitUntil([&] {
            drive::MoveTo(POINT{to.x + (++nudge & 1), to.y});
            return DropMarkShown(cell);
        })) << "the cell under the cursor is marked";
        EXPECT_TRUE(SaveScreenshot(ProgramFolder() + "drop.bmp", host.pid()));
        LeftButton(to, false);
    });
    ASSERT_TRUE(PumpUntil([] { return g_pressed.load(); }));
    DropSource source;
    DWORD effect = DROPEFFECT_NONE;
    EXPECT_EQ(DoDragDrop(files.data, &source, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect), DRAGDROP_S_DROP);
    mover.join();
    EXPECT_EQ(effect, DWORD(DROPEFFECT_COPY));
    EXPECT_TRUE(drive::WaitUntil([&] {
        return drive::Text(GetDlgItem(manager, 207)) == "Image files in album: 3 (1 dropped files skipped: not images)";
    }));

    // x and y selected and dragged onto the other program.
    FileTarget target;
    ASSERT_EQ(RegisterDragDrop(other, &target), S_OK);
    drive::Click(drive::Center(Cells(manager)[0]));
    drive::Click(drive::Center(Cells(manager)[1]), VK_CONTROL);
    std::atomic<bool> moved{false};
    std::thread hand([&] {
        drive::Drag(drive::Center(Cells(manager)[1]), drive::Center(other));
        moved = true;
    });
    EXPECT_TRUE(PumpUntil([&] { return moved && target.dropped; }));
    hand.join();
    EXPECT_EQ(target.files, (std::vector<std::string>{images / "x.bmp", images / "y.bmp"}));
    RevokeDragDrop(other);
    DestroyWindow(other);
    ASSERT_TRUE(Click(manager, kSave));
    // The program lets go of this one's objects as it ends: this thread answers meanwhile.
    std::atomic<int> exited{-1};
    std::thread closer([&] { exited = host.Exit(); });
    EXPECT_TRUE(PumpUntil([&] { return exited >= 0; }, 60000));
    closer.join();
    ASSERT_EQ(exited, 1);
    EXPECT_EQ(ReadAlbum(albums / "A.abm").names, (std::vector<std::string>{"x.bmp", "y.bmp", "a.bmp"}))
        << "dragged out, the thumbnails stay";
}
