// Resource albums: the four classes, their grid and messages, the conversion of brush, stamp and
// shape images, and adding and deleting items.
#include "control/BrushAlbumCtrl.h"

#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <new>
#include <string>
#include <vector>
#include "album/AlbumMessages.h"
#include "album/ThumbBuild.h"
#include "album/TextKeys.h"
#include "host/AlbumRegistry.h"
#include "imaging/DibConvert.h"
#include "imaging/Marks.h"
#include "imaging/ModalGuard.h"
#include "resource.h"
#include "vendor_standins/imgio/imgio.h"
#include "views/ViewCreateInfo.h"
#include "win/Gdi.h"
#include "win/Handles.h"
#include "win/WindowObject.h"

namespace {

// In registration order, with the kind each class gives.
struct ResourceClass {
    const char* name;
    int kind;
};
const ResourceClass kClasses[] = {{"BrushAlbumCtrl", RESALBUM_KIND_BRUSH},
                                  {"TextureAlbumCtrl", RESALBUM_KIND_TEXTURE},
                                  {"StampAlbumCtrl", RESALBUM_KIND_STAMP},
                                  {"ShapeAlbumCtrl", RESALBUM_KIND_SHAPE}};

const char kProfile[] = "album.ini";
const int kMinCellSide = 5; // a thumbnail is 4 pixels smaller than its cell
const int kBrushSide = 128;
const int kStampSide = 256;
const int kScaleLevel = -192;
const DWORD kStampResolution = 72;
// How many "name (n)" a new resource file may try before the add is given up.
const int kMaxNameTries = 999;
// Picker arguments: every format, the multiple-selection explorer dialog.
const char kDefaultExt[] = "bmp";
const DWORD kFormatMask = 0xEFF;
const int kPickBufferSize = 2048;
const DWORD kPickFlags = 0x8026C;

int g_cellWidth = 0;
int g_cellHeight = 0;
HBRUSH g_background = nullptr;

const ResourceClass* ClassNamed(const char* name)
{
    for (const ResourceClass& c : kClasses)
        if (textkeys::EqualNoCase(name, c.name))
            return &c;
    return nullptr;
}

// A window of one of the four classes, of this process, run by our class procedure: registered
// with any of the instances the host gave, so that a later registration orphans no live control.
bool IsResourceWindow(HWND hwnd)
{
    char name[MAX_PATH + 1];
    if (!hwnd || !IsWindow(hwnd) || !GetClassNameA(hwnd, name, sizeof name))
        return false;
    const ResourceClass* c = ClassNamed(name);
    return c && win::IsWindowOfClassProc(hwnd, c->name, BrushAlbumCtrlClassProc);
}

CBrushAlbumCtrl* MakeOwnedControl(HWND)
{
    CBrushAlbumCtrl* control = new (std::nothrow) CBrushAlbumCtrl;
    if (control)
        control->m_bOwnedByWindow = 1;
    return control;
}

LRESULT SendToParent(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    HWND parent = hwnd ? GetParent(hwnd) : nullptr;
    return parent ? SendMessageA(parent, msg, wParam, lParam) : 0;
}

bool Exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

bool FolderExists(const char* path)
{
    const DWORD a = GetFileAttributesA(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// printf into a path buffer; false (and an empty buffer) when the result would not fit whole. A
// path cut short would name another file.
template <class... Args>
bool FormatPath(char* out, size_t size, const char* format, Args... args)
{
    const int n = snprintf(out, size, format, args...);
    if (n < 0 || size_t(n) >= size) {
        out[0] = '\0';
        return false;
    }
    return true;
}

// The file name of path without its folder and without its last extension.
void BaseName(const char* path, char* out, size_t size)
{
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == '/' || *p == ':')
            name = p + 1;
    win::CopyText(out, size, name);
    if (char* dot = strrchr(out, '.'))
        *dot = '\0';
}

bool ProfileSaysTrue(const char* section, const char* key, const char* fallback)
{
    char value[255];
    GetPrivateProfileStringA(section, key, fallback, value, sizeof value, kProfile);
    return textkeys::EqualNoCase(value, "TRUE");
}

// The size that fits a width x height image into limit pixels a side, keeping its proportions.
SIZE LimitedSize(int width, int height, int limit)
{
    const int larger = width > height ? width : height;
    if (larger <= limit)
        return SIZE{width, height};
    const int smaller = width > height ? height : width;
    int64_t other = (int64_t(smaller) * limit + larger / 2) / larger;
    if (other < 1)
        other = 1;
    return width > height ? SIZE{limit, LONG(other)} : SIZE{LONG(other), limit};
}

// The conversion behind brushes and stamps: grey, limited in size, then inverted and level-scaled
// as the profile's section says.
HGLOBAL MakeResourceImage(HGLOBAL image, int limit, bool ownResolution, const char* section)
{
    int width = 0, height = 0;
    DWORD resolution = kStampResolution;
    if (ownResolution) {
        dibconvert::LockedDib source(image);
        if (!source.ok())
            return nullptr;
        width = source.layout().width;
        height = source.layout().height;
        resolution = source.layout().headerSize >= sizeof(BITMAPINFOHEADER)
                         ? DWORD(reinterpret_cast<const BITMAPINFOHEADER*>(source.bytes())->biXPelsPerMeter)
                         : 0;
    } else if (!GetDibSize(image, &width, &height)) {
        return nullptr;
    }
    const SIZE size = LimitedSize(width, height, limit);

    win::GlobalBlock gray;
    HGLOBAL grayImage = image;
    if (!IsGrayPaletteDib(image)) {
        gray.reset(DibToGray(image));
        if (!gray)
            return nullptr;
        grayImage = gray.get();
    }
    win::GlobalBlock result(ResampleDib(grayImage, size.cx, size.cy, resolution));
    if (!result)
        return nullptr;
    if (ProfileSaysTrue(section, "Invert", "FALSE")) {
        win::GlobalBlock inverted(InvertDib(result.get()));
        if (!inverted)
            return nullptr;
        result = std::move(inverted);
    }
    if (ProfileSaysTrue(section, "Scale", "TRUE")) {
        win::GlobalBlock scaled(ScaleDibLevels(result.get(), kScaleLevel));
        if (!scaled)
            return nullptr;
        result = std::move(scaled);
    }
    return result.release();
}

} // namespace

// ---- registration and the class procedure ----

int CBrushAlbumCtrlRegister(HINSTANCE instance, int cellWidth, int cellHeight)
{
    if (cellWidth < kMinCellSide || cellHeight < kMinCellSide)
        return 0;
    g_cellWidth = cellWidth;
    g_cellHeight = cellHeight;
    if (!g_background)
        g_background = CreateSolidBrush(RGB(0xC0, 0xC0, 0xC0));
    for (const ResourceClass& c : kClasses)
        if (!win::RegisterObjectClass(instance, c.name, BrushAlbumCtrlClassProc, g_background))
            return 0; // somebody else's class of that name, or no registration
    // The grid's own classes are normally there since the library started.
    const int cells = CThumbviewRegister(instance);
    const int lists = CThumbListViewRegister(instance);
    return cells && lists ? 1 : 0;
}

void UnregisterBrushAlbumCtrlClasses(HINSTANCE instance)
{
    for (const ResourceClass& c : kClasses)
        UnregisterClassA(c.name, instance);
    if (g_background) {
        DeleteObject(g_background);
        g_background = nullptr;
    }
}

SIZE BrushAlbumCellSize() { return SIZE{g_cellWidth, g_cellHeight}; }

CBrushAlbumCtrl* BrushAlbumCtrlOf(HWND hwnd)
{
    return IsResourceWindow(hwnd) ? static_cast<CBrushAlbumCtrl*>(win::UserData(hwnd)) : nullptr;
}

LRESULT CALLBACK BrushAlbumCtrlClassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    static const win::WindowBinding<CBrushAlbumCtrl> binding = [] {
        win::WindowBinding<CBrushAlbumCtrl> b;
        b.makeDefault = MakeOwnedControl;
        b.ownedByWindow = [](const CBrushAlbumCtrl& c) { return c.m_bOwnedByWindow != 0; };
        return b;
    }();
    return win::DispatchToObject<CBrushAlbumCtrl, &CBrushAlbumCtrl::BrushAlbumCtrlWndProc>(hwnd, msg, wParam,
                                                                                          lParam, binding);
}

// ---- construction ----

CBrushAlbumCtrl::CBrushAlbumCtrl() : m_hWnd(nullptr), m_bOwnedByWindow(0), m_pAlbum(nullptr), m_nKind(RESALBUM_KIND_NONE)
{
    m_szCurrentFolder[0] = '\0';
    m_szProgramFolder[0] = '\0';
    char exe[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, exe, sizeof exe);
    if (n > 0 && n < sizeof exe) {
        if (char* cut = strrchr(exe, '\\')) {
            cut[1] = '\0';
            win::CopyText(m_szProgramFolder, sizeof m_szProgramFolder, exe);
        }
    }
}

CBrushAlbumCtrl::~CBrushAlbumCtrl()
{
    delete m_pAlbum;
    m_pAlbum = nullptr;
    // A window that outlives its caller-owned object must not reach it any more.
    if (m_hWnd && IsWindow(m_hWnd) && win::UserData(m_hWnd) == this)
        win::SetUserData(m_hWnd, nullptr);
}

CAlbum* CBrushAlbumCtrl::GetAlbum() { return m_pAlbum; }

int CBrushAlbumCtrl::OnInitCtrl(HWND w)
{
    if (!w || m_pAlbum || !IsResourceWindow(w))
        return 0;
    char className[MAX_PATH + 1];
    if (!GetClassNameA(w, className, sizeof className))
        return 0;
    m_hWnd = w;
    m_nKind = ClassNamed(className)->kind;

    RECT client;
    GetClientRect(w, &client);
    const int rows = g_cellHeight > 0 ? (client.bottom - client.top) / g_cellHeight : 0;
    const int cols = g_cellWidth > 0 ? (client.right - client.left) / g_cellWidth : 0;
    RECT area = {client.left, client.top, cols * g_cellWidth, rows * g_cellHeight};
    tagAlbumViewCreateInfo info = ResourceAlbumViewInfo(rows, cols, m_nKind == RESALBUM_KIND_BRUSH);
    m_pAlbum = new (std::nothrow) CAlbum(w, area, info);
    if (!m_pAlbum)
        return 0;
    m_pAlbum->m_Doc.SetAutoCheck(0);
    if (g_cellWidth > 4 && g_cellHeight > 4)
        m_pAlbum->m_Doc.SetThumbnailSize(WORD(g_cellWidth - 4), WORD(g_cellHeight - 4));
    win::CopyText(m_szCurrentFolder, sizeof m_szCurrentFolder, m_szProgramFolder);

    char text[MAX_PATH];
    if (GetWindowTextA(w, text, sizeof text) > 0) {
        m_pAlbum->SetDragDrop(0);
        char path[MAX_PATH];
        if (FormatPath(path, sizeof path, "%s%s", m_szProgramFolder, text) && !m_pAlbum->Load(path) &&
            !Exists(path))
            m_pAlbum->m_Doc.SetPath(path); // a first run: the first add creates the album file
    }
    return 1;
}

// ---- messages ----

LRESULT CBrushAlbumCtrl::BrushAlbumCtrlWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:
        OnInitCtrl(hwnd);
        break;
    case WM_SIZE:
        if (m_pAlbum) {
            const int height = HIWORD(lParam) > 0 ? HIWORD(lParam) - 1 : 0;
            MoveWindow(m_pAlbum->m_hWnd, 0, 0, LOWORD(lParam), height, FALSE);
            m_pAlbum->UpDataThumbListView(-1);
            InvalidateRect(hwnd, nullptr, TRUE);
        }
        break;
    case WM_PAINT:
        if (m_pAlbum) {
            win::PaintDC paint(hwnd);
            PaintGrid(paint.dc());
        }
        break;
    case WM_PRINTCLIENT:
        PaintGrid(reinterpret_cast<HDC>(wParam));
        break;
    case WM_HSCROLL:
    case WM_VSCROLL:
        if (!m_pAlbum)
            break;
        SendMessageA(m_pAlbum->m_hWnd, msg == WM_HSCROLL ? WM_ALBUM_HSCROLL : WM_ALBUM_VSCROLL, wParam, 100);
        return 0;
    case WM_ALBUM_OPEN:
        SendToParent(hwnd, msg, wParam, lParam);
        break;
    case WM_ALBUM_CELLUP:
        ForwardClick(wParam, lParam);
        break;
    default:
        break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void CBrushAlbumCtrl::PaintGrid(HDC dc)
{
    if (!dc || !m_pAlbum || !m_hWnd)
        return;
    const int rows = m_pAlbum->m_aci.nRows, cols = m_pAlbum->m_aci.nCols;
    RECT client;
    if (rows <= 0 || cols <= 0 || !GetClientRect(m_hWnd, &client))
        return; // smaller than one cell: no grid
    const int width = client.right / cols, height = (client.bottom - 1) / rows;
    win::Pen pen(CreatePen(PS_SOLID, 1, RGB(0x80, 0x80, 0x80)));
    win::SelectGuard select(dc, pen.get());
    POINT old;
    MoveToEx(dc, 0, 0, &old);
    for (int i = 0; i <= rows; ++i) {
        MoveToEx(dc, 0, i * height, nullptr);
        LineTo(dc, cols * width, i * height);
    }
    for (int i = 0; i <= cols; ++i) {
        MoveToEx(dc, i * width, 0, nullptr);
        LineTo(dc, i * width, client.bottom - 1);
    }
    MoveToEx(dc, old.x, old.y, nullptr);
}

void CBrushAlbumCtrl::ForwardClick(WPARAM keys, LPARAM cellParam)
{
    if (!m_pAlbum || !cellParam || !m_pAlbum->m_ppCells)
        return;
    // Only a cell of this album: the pointer arrives in a message anybody may send.
    CThumbView2* cell = nullptr;
    for (int i = 0; i < m_pAlbum->m_nCount && !cell; ++i)
        if (reinterpret_cast<LPARAM>(m_pAlbum->m_ppCells[i]) == cellParam)
            cell = m_pAlbum->m_ppCells[i];
    if (!cell || !cell->m_pThumbnail)
        return;
    char full[MAX_PATH] = "";
    m_pAlbum->m_Doc.GetThumbnailFullPath(cell->m_pThumbnail->m_Info.szFileName, full);
    SendToParent(m_hWnd, WM_ALBUM_CELLUP, keys, reinterpret_cast<LPARAM>(full));
}

// ---- conversions ----

HGLOBAL CBrushAlbumCtrl::MakeBrushImage(HGLOBAL image)
{
    return MakeResourceImage(image, kBrushSide, true, "Brush Parameter");
}

HGLOBAL CBrushAlbumCtrl::MakeStampImage(HGLOBAL image)
{
    return MakeResourceImage(image, kStampSide, false, "Stamp Parameter");
}

// ---- adding and deleting ----

bool CBrushAlbumCtrl::ResourceFolder(char* out, size_t size) const
{
    const char* leaf = m_nKind == RESALBUM_KIND_BRUSH   ? "brush"
                       : m_nKind == RESALBUM_KIND_STAMP ? "stamps"
                       : m_nKind == RESALBUM_KIND_SHAPE ? "Shapes"
                                                        : nullptr;
    out[0] = '\0';
    return leaf && m_szProgramFolder[0] && FormatPath(out, size, "%s%s", m_szProgramFolder, leaf);
}

bool CBrushAlbumCtrl::InResourceFolder(const char* path) const
{
    char folder[MAX_PATH], fullFolder[MAX_PATH], full[MAX_PATH];
    if (!path || !ResourceFolder(folder, sizeof folder))
        return false;
    const DWORD f = GetFullPathNameA(folder, sizeof fullFolder, fullFolder, nullptr);
    const DWORD n = GetFullPathNameA(path, sizeof full, full, nullptr);
    if (f == 0 || f >= sizeof fullFolder || n <= f + 1 || n >= sizeof full || full[f] != '\\' ||
        strchr(full + f + 1, '\\'))
        return false;
    full[f] = '\0';
    return textkeys::EqualNoCase(full, fullFolder);
}

bool CBrushAlbumCtrl::StoreAlbum()
{
    CAlbumDoc2& doc = m_pAlbum->m_Doc;
    if (!doc.GetPath()[0])
        return true;
    return !doc.HoldsOnlyPartOf(doc.GetPath()) && m_pAlbum->Save(doc.GetPath());
}

void CBrushAlbumCtrl::UndoUnstored()
{
    char path[ALBUM_PATH_BUFFER];
    win::CopyText(path, sizeof path, m_pAlbum->m_Doc.GetPath());
    m_pAlbum->Load(path); // no file yet: an empty album, still named after it
    ModalMessageBoxIds(m_hWnd, IDS_RESOURCE_NOT_SAVED, IDS_CAPTION_RESOURCES, MB_ICONEXCLAMATION);
}

int CBrushAlbumCtrl::AddItems()
{
    if (!m_pAlbum || !m_hWnd)
        return 0;
    const DWORD thread = GetCurrentThreadId();
    if (!AlbumRegistry().EnterBusy(thread)) {
        MessageBeep(0);
        return 0;
    }
    std::vector<char> buffer(kPickBufferSize, '\0');
    IMGIOOPTIONS options = {};
    int picked;
    {
        HTHREADGUARD guard = DisableThreadWindows();
        picked = ImgIoPickFileName(m_hWnd, 1, 0, kDefaultExt, kFormatMask, buffer.data(), kPickBufferSize,
                                   kPickFlags, &options, m_szCurrentFolder);
        EnableThreadWindows(guard);
    }
    AlbumRegistry().LeaveBusy(thread);
    if (HWND parent = GetParent(m_hWnd)) {
        InvalidateRect(parent, nullptr, TRUE);
        UpdateWindow(parent);
    }
    if (picked < 0)
        return 0;
    buffer.back() = '\0';

    const int before = m_pAlbum->GetThumbNailCount();
    int added = 0;
    {
        win::WaitCursor wait;
        // One full path, or a folder followed by names; each ends with a NUL, the list with an empty one.
        const char* first = buffer.data();
        const char* const end = buffer.data() + buffer.size();
        const char* name = first + strlen(first) + 1;
        if (name >= end || *name == '\0') {
            added += AddItemFile(first, &options);
            char drive[_MAX_DRIVE], dir[_MAX_DIR];
            _splitpath(first, drive, dir, nullptr, nullptr);
            FormatPath(m_szCurrentFolder, sizeof m_szCurrentFolder, "%s%s", drive, dir);
        } else {
            win::CopyText(m_szCurrentFolder, sizeof m_szCurrentFolder, first);
            const size_t folderLength = strlen(first);
            const char* separator = folderLength && first[folderLength - 1] == '\\' ? "" : "\\";
            for (; name < end && *name; name += strlen(name) + 1) {
                char path[MAX_PATH];
                if (FormatPath(path, sizeof path, "%s%s%s", first, separator, name))
                    added += AddItemFile(path, &options);
            }
        }
    }
    if (added && !StoreAlbum()) {
        // Shown and stored must agree: the new items go again, and the files written for them
        // with them (left behind, they would push a later add of the image to "name (2)").
        CAlbumDoc2& doc = m_pAlbum->m_Doc;
        for (CThumbnail2* t = doc.GetThumbnail(before + 1); t && t != doc.m_pEnd; t = t->m_pNext) {
            char file[MAX_PATH];
            if (doc.GetThumbnailFullPath(t->m_Info.szFileName, file) && InResourceFolder(file))
                DeleteFileA(file);
        }
        UndoUnstored();
        return 0;
    }
    return 1;
}

int CBrushAlbumCtrl::AddItemFile(const char* path, tagIMGIOOPTIONS* options)
{
    if (!m_pAlbum || !path || !*path || m_nKind == RESALBUM_KIND_NONE)
        return 0;
    const bool texture = m_nKind == RESALBUM_KIND_TEXTURE;

    // The new file's name: the source's base name, or the first "name (n)" that neither a file of
    // the folder nor an item of the album uses. Two sources with one base name (star.bmp,
    // star.png) must not share one file: the second would overwrite the first item's image,
    // and deleting either would take the other's file.
    char target[MAX_PATH] = "";
    if (!texture) {
        char folder[MAX_PATH], base[MAX_PATH];
        if (!ResourceFolder(folder, sizeof folder))
            return 0;
        if (!FolderExists(folder) && !CreateDirectoryA(folder, nullptr))
            return 0;
        BaseName(path, base, sizeof base);
        if (!base[0])
            return 0;
        bool found = false;
        for (int n = 1; n <= kMaxNameTries && !found; ++n) {
            const bool fits = n == 1 ? FormatPath(target, sizeof target, "%s\\%s", folder, base)
                                     : FormatPath(target, sizeof target, "%s\\%s (%d)", folder, base, n);
            if (!fits)
                return 0;
            found = !Exists(target) && !m_pAlbum->m_Doc.FindFileInDoc(target);
        }
        if (!found)
            return 0;
    }

    win::GlobalBlock source(ImgIoReadFile(path, 0, options));
    if (!source) {
        ModalMessageBoxIds(m_hWnd, IDS_FORMAT_INVALID, IDS_OPEN_FILE_CAPTION, MB_ICONEXCLAMATION);
        return 0;
    }
    const WORD boxWidth = m_pAlbum->m_Doc.m_wThumbWidth, boxHeight = m_pAlbum->m_Doc.m_wThumbHeight;

    if (texture) {
        int width = 0, height = 0;
        GetDibSize(source.get(), &width, &height);
        win::GlobalBlock fitted(FitDibToBox(source.get(), boxWidth, boxHeight));
        if (!fitted || !m_pAlbum->InsertFromThumbnail(fitted.get(), "", path, nullptr, WORD(width), WORD(height)))
            return 0;
        fitted.release(); // the thumbnail's now
        return 1;
    }

    win::GlobalBlock converted(m_nKind == RESALBUM_KIND_BRUSH ? MakeBrushImage(source.get())
                                                               : MakeStampImage(source.get()));
    if (!converted) {
        ModalMessageBoxIds(m_hWnd, IDS_GRAY_CONVERT_FAILED, IDS_CAPTION_RESOURCES, MB_ICONEXCLAMATION);
        return 0;
    }
    if (ImgIoWriteFile(converted.get(), target, IMGIO_FORMAT_BMP, 0) != IMGIO_WRITE_OK)
        return 0;

    // The source's mark goes with the image; a brush's two parameter bytes stand in the record
    // where the image size would.
    BYTE first = 0, second = 0;
    int width = 0, height = 0;
    if (GetBrushMark(path, &first, &second)) {
        SetBrushMark(target, first, second);
        width = first;
        height = second;
    } else {
        if (IsStampFile(path))
            SetStampMark(target);
        GetDibSize(converted.get(), &width, &height);
    }
    win::GlobalBlock fitted(FitDibToBox(converted.get(), boxWidth, boxHeight));
    if (!fitted || !m_pAlbum->InsertFromThumbnail(fitted.get(), "", target, nullptr, WORD(width), WORD(height))) {
        DeleteFileA(target); // written for this item alone
        return 0;
    }
    fitted.release();
    return 1;
}

int CBrushAlbumCtrl::DeleteItems()
{
    if (!m_pAlbum || !m_pAlbum->HaveSel())
        return 0;
    char focused[MAX_PATH] = "";
    m_pAlbum->GetCurrentThumbNailFullPath(focused);
    if (focused[0]) {
        const bool brushMarked = m_nKind == RESALBUM_KIND_BRUSH && GetBrushMark(focused, nullptr, nullptr);
        const bool stampMarked =
            (m_nKind == RESALBUM_KIND_STAMP || m_nKind == RESALBUM_KIND_SHAPE) && IsStampFile(focused);
        if (brushMarked || stampMarked) {
            MessageBeep(0);
            return 0;
        }
    }
    if (ModalMessageBoxIds(m_hWnd, IDS_CONFIRM_DELETE, IDS_CAPTION_RESOURCES, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return 0;

    // Files go with their items, except textures (the user's own images) and a file that an item
    // staying behind still shows (albums written before names were kept apart may share one).
    // They go only once the album is stored without their items: until then it lists them. A
    // picture outside the resource folder is the user's own (an album copied from elsewhere, or
    // made in the album manager): its item leaves the album only.
    int withFiles = m_nKind != RESALBUM_KIND_TEXTURE;
    CAlbumDoc2& doc = m_pAlbum->m_Doc;
    std::vector<std::string> files;
    for (CThumbnail2* s = doc.m_pEnd->m_pNext; withFiles && s != doc.m_pEnd; s = s->m_pNext) {
        if (!s->m_bSelect)
            continue;
        char gone[MAX_PATH];
        if (!doc.GetThumbnailFullPath(s->m_Info.szFileName, gone))
            continue;
        for (CThumbnail2* t = doc.m_pEnd->m_pNext; t != doc.m_pEnd; t = t->m_pNext) {
            char kept[MAX_PATH];
            if (!t->m_bSelect && doc.GetThumbnailFullPath(t->m_Info.szFileName, kept) &&
                textkeys::EqualNoCase(gone, kept)) {
                withFiles = 0;
                break;
            }
        }
        if (InResourceFolder(gone))
            files.push_back(gone);
    }
    if (!m_pAlbum->RemoveSelected(0))
        return 0;
    if (!StoreAlbum()) {
        UndoUnstored();
        return 0;
    }
    for (size_t i = 0; withFiles && i < files.size(); ++i)
        DeleteFileA(files[i].c_str());
    return 1;
}
