// Writing bitmap files, drawing images, the format list in a combo box, and the open-file dialog
// driven as a user would.
#include "ImgIoTestUtil.h"

using namespace imgiotest;

namespace {

// The packed bitmap of a bitmap file in a movable block, with spare bytes after it.
HGLOBAL BlockOf(const Bytes& file, size_t spare = 0)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, file.size() - 14 + spare);
    memcpy(GlobalLock(block), file.data() + 14, file.size() - 14);
    GlobalUnlock(block);
    return block;
}

std::string FilterOf(HWND combo, int selection)
{
    SendMessageA(combo, CB_SETCURSEL, WPARAM(selection), 0);
    char buf[IMGIO_FILTER_MAX];
    memset(buf, 'z', sizeof buf);
    const int n = ImgIoFormatFilter(combo, buf);
    return n == int(strnlen(buf, sizeof buf)) ? buf : "length and text differ";
}

// Once the file dialog shows: types the name and presses OK, or Cancel when there is none.
std::string g_typed, g_typeShown;
void CALLBACK DriveDialog(HWND, UINT, UINT_PTR, DWORD)
{
    HWND dlg = FindWindowA("#32770", nullptr);
    if (!dlg || !IsWindowVisible(dlg) || g_typeShown.size())
        return;
    char type[256] = "?";
    GetDlgItemTextA(dlg, 0x470 /* cmb1: file types */, type, sizeof type);
    g_typeShown = type;
    SetWindowTextA(GetDlgItem(dlg, 0x47C) ? GetDlgItem(dlg, 0x47C) : GetDlgItem(dlg, 0x480), g_typed.c_str()); // cmb13, edt1
    const int button = g_typed.empty() ? IDCANCEL : IDOK;
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), LPARAM(GetDlgItem(dlg, button)));
}

} // namespace

TEST(ImgIoWrite, BitmapFileIsTheHeaderThenTheBlockAndFailuresLeaveTheOldFile)
{
    testsupport::ScratchDir dir;
    std::vector<RGBQUAD> ramp;
    for (int i = 0; i < 256; ++i)
        ramp.push_back(RGBQUAD{uint8_t(i), uint8_t(255 - i), uint8_t(i / 2), 0});
    const Bytes files[] = {
        MakeBmp(5, 3, 24, {}, PatternValue), MakeBmp(6, 2, 8, ramp, [](int x, int y) { return x * 40u + y; }),
        MakeBmp(7, 3, 4, {ramp[0], ramp[90], ramp[200]}, [](int x, int y) { return (x + y) % 3u; }),
        MakeBmp(13, 2, 1, {ramp[10], ramp[250]}, [](int x, int y) { return (x * y + x) % 2u; })};
    const std::string keep = dir.File("keep.bmp"), folder = dir.File("sub");
    testsupport::WriteBytes(keep, Bytes(5000, 'x'));
    for (const Bytes& file : files) {
        // Exactly the path given (no extension added), an old file replaced; spare bytes in the block are no image.
        HGLOBAL block = BlockOf(file, 7);
        for (const std::string& path : {dir.File(std::to_string(file.size())), keep}) {
            ASSERT_EQ(ImgIoWriteFile(block, path.c_str(), IMGIO_FORMAT_BMP, 0), IMGIO_WRITE_OK);
            EXPECT_EQ(testsupport::ReadBytes(path), file);
        }
        const Image orig = TakeImage(block);
        ExpectPicture(ReadImage(keep), orig.l.bitCount, orig.l.width, orig.l.height,
                      [&](int x, int y) { return orig.At(x, y); }, std::to_string(file.size()));
    }
    const Bytes old(300, 'k');
    testsupport::WriteBytes(keep, old);
    CreateDirectoryA(folder.c_str(), nullptr);
    HGLOBAL good = BlockOf(files[0]), junk = testsupport::MakeBlock(200, 7);
    EXPECT_EQ(ImgIoWriteFile(junk, keep.c_str(), IMGIO_FORMAT_BMP, 0), IMGIO_WRITE_BAD_IMAGE);
    EXPECT_EQ(ImgIoWriteFile(good, keep.c_str(), 3, 0), IMGIO_WRITE_UNSUPPORTED);
    EXPECT_EQ(ImgIoWriteFile(good, folder.c_str(), IMGIO_FORMAT_BMP, 0), IMGIO_WRITE_FAILED);
    SetFileAttributesA(keep.c_str(), FILE_ATTRIBUTE_READONLY); // the user's "keep this"
    EXPECT_EQ(ImgIoWriteFile(good, keep.c_str(), IMGIO_FORMAT_BMP, 0), IMGIO_WRITE_FAILED);
    SetFileAttributesA(keep.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(testsupport::ReadBytes(keep), old);
    RemoveDirectoryA(folder.c_str());
    EXPECT_EQ(dir.List().size(), 5u) << "a temporary file was left behind";
    GlobalFree(junk);
    GlobalFree(good);
}

TEST(ImgIoDraw, PixelsInAMemoryDcAndTheDcsStateKept)
{
    HGLOBAL colour = BlockOf(MakeBmp(4, 3, 24, {}, PatternValue)), junk = testsupport::MakeBlock(100, 3);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, CreateBitmap(24, 24, 1, 32, nullptr));
    PatBlt(dc, 0, 0, 24, 24, BLACKNESS);
    auto at = [dc](int x, int y) { COLORREF c = GetPixel(dc, x, y); return Rgb{GetRValue(c), GetGValue(c), GetBValue(c)}; };
    SetStretchBltMode(dc, BLACKONWHITE);
    SetBrushOrgEx(dc, 3, 1, nullptr);
    const RECT one = {2, 3, 6, 6}, twice = {10, 10, 18, 16}, reduced = {20, 0, 22, 2}, empty = {4, 0, 4, 3};
    EXPECT_TRUE(ImgIoDrawDib(dc, &one, colour, 0, 0, 0) && ImgIoDrawDib(dc, &twice, colour, 0, 0, 0) &&
                ImgIoDrawDib(dc, &reduced, colour, 0, 0, 0));
    // Nothing to draw, or nowhere to draw it: 0 and the surface untouched.
    const RECT inverted = {8, 3, 6, 0};
    EXPECT_FALSE(ImgIoDrawDib(dc, &inverted, junk, 0, 0, 0) || ImgIoDrawDib(dc, &empty, colour, 0, 0, 0) ||
                 ImgIoDrawDib(dc, &inverted, colour, 0, 0, 0) || ImgIoDrawDib(dc, &one, nullptr, 0, 0, 0));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) {
            EXPECT_EQ(at(10 + x, 10 + y), Pattern(x / 2, y / 2)) << x << "," << y;
            EXPECT_TRUE(x > 3 || y > 2 || at(2 + x, 3 + y) == Pattern(x, y)) << x << "," << y;
        }
    for (POINT p : {POINT{1, 3}, POINT{6, 3}, POINT{2, 2}, POINT{2, 6}, POINT{4, 0}, POINT{4, 2}, POINT{6, 0}, POINT{7, 2},
                    POINT{22, 0}, POINT{20, 2}})
        EXPECT_EQ(at(p.x, p.y), kBlack) << p.x << "," << p.y;
    EXPECT_FALSE(at(21, 1) == kBlack) << "reduced";
    POINT org;
    EXPECT_TRUE(GetStretchBltMode(dc) == BLACKONWHITE && GetBrushOrgEx(dc, &org) && org.x == 3 && org.y == 1);
    DeleteObject(SelectObject(dc, old));
    DeleteDC(dc);
    GlobalFree(colour);
    GlobalFree(junk);
}

TEST(ImgIoFormats, ListAndFilterInPlainAndSortedBoxes)
{
    HWND box[2], parent = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 300, 200, nullptr, nullptr, nullptr, nullptr);
    for (int i = 0; i < 2; ++i)
        box[i] = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | CBS_DROPDOWNLIST | (i ? CBS_SORT : 0), 0, 0, 250, 200, parent,
                                 HMENU(INT_PTR(100 + i)), nullptr, nullptr);
    ASSERT_EQ(ImgIoFormatList(box[0], 0xEFF, 0) + ImgIoFormatList(box[0], 0xEFF, 0), 18);
    EXPECT_EQ(SendMessageA(box[0], CB_GETCOUNT, 0, 0), 9) << "filling again replaces the list";
    const char* patterns[] = {"*.*", "*.BMP", "*.JPG", "*.PNG", "*.GIF", "*.TIF", "*.ICO", "*.TGA", "*.PCX"};
    char text[256];
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(FilterOf(box[0], i), patterns[i]);
        SendMessageA(box[0], CB_GETLBTEXT, WPARAM(i), LPARAM(text));
        EXPECT_TRUE(i ? strstr(text, patterns[i]) != nullptr : strcmp(text, "All image files") == 0) << text;
    }
    // Only JPEG and GIF, in a sorted box: still in list order, "all" first; no selection is no restriction.
    ASSERT_EQ(ImgIoFormatList(box[1], IMGIO_MASK_GIF | IMGIO_MASK_JPEG, 0), 3);
    EXPECT_EQ(FilterOf(box[1], 0) + FilterOf(box[1], 1) + FilterOf(box[1], 2) + FilterOf(box[1], -1), "*.**.JPG*.GIF*.*");
    // A window that is no combo box.
    EXPECT_EQ(ImgIoFormatList(parent, 0xEFF, 0) + ImgIoFormatFilter(parent, text), 0);
    DestroyWindow(parent);
}

TEST(ImgIoPick, OneFileFromTheInitialFolderAndCancel)
{
    testsupport::ScratchDir dir;
    testsupport::WriteBytes(dir.File("a.bmp"), {'B', 'M'});
    char cwd[MAX_PATH] = {}, after[MAX_PATH] = {}, buffer[2048];
    GetCurrentDirectoryA(sizeof cwd, cwd);
    IMGIOOPTIONS options;
    UINT_PTR timer = SetTimer(nullptr, 0, 50, DriveDialog);
    for (const char* typed : {"a.bmp", ""}) {
        g_typed = typed;
        g_typeShown.clear();
        memset(&options, 0xCC, sizeof options);
        const int result = ImgIoPickFileName(nullptr, 1, IMGIO_INDEX_PNG, "bmp", 0xEFF, buffer, sizeof buffer, 0x8026C,
                                             &options, dir.path().c_str());
        EXPECT_NE(g_typeShown.find("PNG"), std::string::npos) << "the type asked for first: " << g_typeShown;
        ASSERT_EQ(result, *typed ? 1 : IMGIO_PICK_CANCELLED);
        if (!*typed) {
            EXPECT_EQ(options.dwSize, 0xCCCCCCCCu) << "filled although cancelled";
            continue;
        }
        EXPECT_EQ(lstrcmpiA(buffer, dir.File("a.bmp").c_str()), 0) << buffer;
        EXPECT_EQ(buffer[strlen(buffer) + 1], '\0') << "the list ends with an empty string";
        EXPECT_TRUE(options.dwSize == sizeof options && options.dwReserved[8] == 0);
        EXPECT_EQ(options.dwFormat, DWORD(IMGIO_INDEX_PNG)) << "the chosen type";
    }
    KillTimer(nullptr, timer);
    GetCurrentDirectoryA(sizeof after, after);
    EXPECT_STREQ(after, cwd) << "the host's current folder moved";
}
