// Image windows: one MDI child per open image, read and drawn through the image-file library.
// The image is shown whole, reduced to fit the window when it is larger, never enlarged.
#include <stdio.h>
#include <string.h>
#include "Host.h"
#include "Raii.h"
#include "imgio.h"

namespace {

struct ImageWindow {
    std::string path;
    GlobalBlock image;
    int width = 0, height = 0;
};

ImageWindow* ObjectOf(HWND w) { return reinterpret_cast<ImageWindow*>(GetWindowLongPtrA(w, GWLP_USERDATA)); }

// The image's place in a client of the given size: centred, reduced to fit.
RECT FitInto(const RECT& client, int width, int height)
{
    const int cw = client.right - client.left, ch = client.bottom - client.top;
    int w = width, h = height;
    if (w > cw || h > ch) {
        if (static_cast<long long>(cw) * height <= static_cast<long long>(ch) * width) {
            w = cw;
            h = static_cast<int>(static_cast<long long>(height) * cw / width);
        } else {
            h = ch;
            w = static_cast<int>(static_cast<long long>(width) * ch / height);
        }
    }
    w = w < 1 ? 1 : w;
    h = h < 1 ? 1 : h;
    const int x = client.left + (cw - w) / 2, y = client.top + (ch - h) / 2;
    return RECT{x, y, x + w, y + h};
}

void Paint(HWND w, ImageWindow& view)
{
    Painting paint(w);
    RECT client;
    GetClientRect(w, &client);
    FillRect(paint.dc(), &client, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    if (view.image && view.width > 0 && view.height > 0) {
        RECT at = FitInto(client, view.width, view.height);
        ImgIoDrawDib(paint.dc(), &at, view.image.get(), 0, 0, 0);
    }
}

LRESULT CALLBACK ImageProc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_NCCREATE: {
        auto* mdi = static_cast<MDICREATESTRUCTA*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        SetWindowLongPtrA(w, GWLP_USERDATA, mdi ? LONG_PTR(mdi->lParam) : 0);
        break;
    }
    case WM_PAINT:
        if (ImageWindow* view = ObjectOf(w)) {
            Paint(w, *view);
            return 0;
        }
        break;
    case WM_ERASEBKGND:
        return 1;
    case WM_SIZE:
        InvalidateRect(w, nullptr, FALSE);
        break;
    case WM_NCDESTROY:
        delete ObjectOf(w);
        SetWindowLongPtrA(w, GWLP_USERDATA, 0);
        break;
    default:
        break;
    }
    return DefMDIChildProcA(w, msg, wParam, lParam);
}

const char* BaseName(const std::string& path)
{
    const size_t slash = path.find_last_of("\\/");
    return path.c_str() + (slash == std::string::npos ? 0 : slash + 1);
}

} // namespace

bool RegisterImageClass(HINSTANCE instance)
{
    return RegisterHostClass(instance, HOST_IMAGE_CLASS, ImageProc, nullptr, true, CS_HREDRAW | CS_VREDRAW);
}

bool OpenImageWindow(const char* path)
{
    if (!path || !*path || strlen(path) >= MAX_PATH) {
        MessageBeep(0);
        SetStatus("No image to open.");
        return false;
    }
    GlobalBlock image(ImgIoReadFile(path, 0, nullptr));
    BITMAPINFOHEADER header = {};
    {
        Locked lock(image.get());
        if (lock.get())
            memcpy(&header, lock.get(), sizeof header);
    }
    if (!image || header.biWidth <= 0 || header.biHeight == 0) {
        MessageBeep(0);
        SetStatus("Cannot open %s: not an image this editor reads.", path);
        return false;
    }
    auto* view = new ImageWindow;
    view->path = path;
    view->width = header.biWidth;
    view->height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    view->image = std::move(image);

    char title[MAX_PATH + 32];
    snprintf(title, sizeof title, "%s (%d x %d)", BaseName(view->path), view->width, view->height);
    const int w = view->width + 2 * GetSystemMetrics(SM_CXFRAME) + 8;
    const int h = view->height + GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFRAME) + 8;
    MDICREATESTRUCTA mdi = {};
    mdi.szClass = HOST_IMAGE_CLASS;
    mdi.szTitle = title;
    mdi.hOwner = g_host.instance;
    mdi.x = mdi.y = CW_USEDEFAULT;
    mdi.cx = w > 480 ? 480 : w;
    mdi.cy = h > 400 ? 400 : h;
    mdi.lParam = reinterpret_cast<LPARAM>(view);
    HWND child = reinterpret_cast<HWND>(SendMessageA(g_host.client, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mdi)));
    if (!child) {
        delete view;
        SetStatus("Cannot open a window for %s.", path);
        return false;
    }
    SetStatus("Opened %s", path);
    return true;
}

std::vector<std::string> OpenImagePaths()
{
    std::vector<std::string> paths;
    for (HWND w = GetWindow(g_host.client, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
        char cls[64] = "";
        GetClassNameA(w, cls, sizeof cls);
        if (strcmp(cls, HOST_IMAGE_CLASS) == 0)
            if (ImageWindow* view = ObjectOf(w))
                paths.push_back(view->path);
    }
    // Z order lists the newest window first.
    return std::vector<std::string>(paths.rbegin(), paths.rend());
}
