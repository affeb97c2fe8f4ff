// The batch dialog driven as a user would, by a timer that fills its fields, presses its buttons
// and answers its message boxes: converted copies land in the chosen folder, the sources stay byte
// for byte as they were, originals change only after the warning is confirmed, Esc stops a run.
#include <gtest/gtest.h>
#include <windows.h>
#include <string.h>
#include <array>
#include <functional>
#include <string>
#include <vector>
#include "BatchUiInternal.h"
#include "batchui.h"
#include "imgio.h"
#include "support/TestSupport.h"

namespace {

using Bytes = std::vector<unsigned char>;

// A bitmap file of one colour.
void WriteFlatBmp(const std::string& path, int w, int h, unsigned char r, unsigned char g, unsigned char b)
{
    const size_t stride = (size_t(w) * 3 + 3) & ~size_t(3);
    Bytes rows(stride * size_t(h), 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            rows[size_t(y) * stride + size_t(x) * 3] = b;
            rows[size_t(y) * stride + size_t(x) * 3 + 1] = g;
            rows[size_t(y) * stride + size_t(x) * 3 + 2] = r;
        }
    HGLOBAL dib = testsupport::MakePackedDib(w, h, 24, {}, rows);
    ASSERT_EQ(ImgIoWriteFile(dib, path.c_str(), IMGIO_FORMAT_BMP, 0), IMGIO_WRITE_OK);
    GlobalFree(dib);
}

// An uncompressed 24-bit TGA file of one colour: an image the library reads but cannot write.
void WriteFlatTga(const std::string& path, int w, int h)
{
    Bytes v = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, uint8_t(w), uint8_t(w >> 8), uint8_t(h), uint8_t(h >> 8), 24, 0};
    for (int i = 0; i < w * h; ++i)
        v.insert(v.end(), {10, 20, 30});
    testsupport::WriteBytes(path, v);
}

struct Image {
    int width = 0, height = 0, bits = 0;
    bool grayRamp = false;
    std::vector<unsigned> values; // every pixel: its byte for 8 bits, 0xRRGGBB for 24
};

Image ReadImage(const std::string& path)
{
    Image image;
    HGLOBAL block = ImgIoReadFile(path.c_str(), 0, nullptr);
    if (!block)
        return image;
    const auto* p = static_cast<const unsigned char*>(GlobalLock(block));
    const auto* h = reinterpret_cast<const BITMAPINFOHEADER*>(p);
    image.width = h->biWidth;
    image.height = h->biHeight;
    image.bits = h->biBitCount;
    const unsigned colours = h->biBitCount <= 8 ? (h->biClrUsed ? h->biClrUsed : 1u << h->biBitCount) : 0;
    image.grayRamp = colours == 256;
    for (unsigned i = 0; i < colours && image.grayRamp; ++i)
        image.grayRamp = p[40 + i * 4] == i && p[41 + i * 4] == i && p[42 + i * 4] == i;
    const unsigned char* bits = p + 40 + colours * 4;
    const size_t stride = (size_t(image.width) * image.bits + 31) / 32 * 4;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const unsigned char* px = bits + size_t(y) * stride + size_t(x) * image.bits / 8;
            image.values.push_back(image.bits == 8 ? px[0] : image.bits == 24 ? unsigned(px[2] << 16 | px[1] << 8 | px[0]) : 0xFFFFFFFF);
        }
    GlobalUnlock(block);
    GlobalFree(block);
    return image;
}

bool AllAre(const Image& image, unsigned value)
{
    if (image.values.empty())
        return false;
    for (unsigned v : image.values)
        if (v != value)
            return false;
    return true;
}

// Plays the user: fills the dialog once and presses Start, answers message boxes in turn, and
// presses Cancel once every answer is used and the dialog is idle again (when asked to).
struct Driver {
    std::function<void(HWND)> fill;
    std::vector<int> answers;
    bool cancelAtEnd = false;
    std::vector<std::string> boxes; // the texts of the message boxes, in order
    bool replaceTickedAtOpen = false;
    bool filled = false, cancelled = false;
    HWND lastBox = nullptr;
};
Driver* g_driver = nullptr;

void Click(HWND dlg, int id) { PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(GetDlgItem(dlg, id))); }

// (A named function: a lambda would lack the platform's calling convention on 32-bit builds.)
BOOL CALLBACK CollectDialog(HWND w, LPARAM list)
{
    char name[16] = {};
    GetClassNameA(w, name, sizeof name);
    if (IsWindowVisible(w) && strcmp(name, "#32770") == 0)
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(w);
    return TRUE;
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
{
    Driver& d = *g_driver;
    std::vector<HWND> dialogs;
    EnumThreadWindows(GetCurrentThreadId(), CollectDialog, LPARAM(&dialogs));
    for (HWND w : dialogs) {
        // A message box shows its text in item 0xFFFF (the batch dialog's labels have that number too).
        if (!GetDlgItem(w, 0xFFFF) || GetDlgItem(w, batchui::kFolder) || w == d.lastBox)
            continue;
        char text[1024] = {};
        GetDlgItemTextA(w, 0xFFFF, text, sizeof text);
        const int answer = d.boxes.size() < d.answers.size() ? d.answers[d.boxes.size()] : IDCANCEL;
        d.boxes.push_back(text);
        d.lastBox = w;
        Click(w, answer);
        return;
    }
    for (HWND w : dialogs) {
        if (!GetDlgItem(w, batchui::kFolder))
            continue;
        if (!d.filled) {
            d.replaceTickedAtOpen = IsDlgButtonChecked(w, batchui::kReplace) == BST_CHECKED;
            d.fill(w);
            d.filled = true;
            Click(w, IDOK);
        } else if (d.cancelAtEnd && !d.cancelled && d.boxes.size() >= d.answers.size() && IsWindowEnabled(GetDlgItem(w, IDOK))) {
            d.cancelled = true;
            Click(w, IDCANCEL);
        }
    }
}

std::string Texts(const Driver& d)
{
    std::string all;
    for (const std::string& b : d.boxes)
        all += "[" + b + "] ";
    return all;
}

int RunDialog(Driver& driver, const std::vector<std::string>& paths, const std::vector<int>& unterminated = {})
{
    std::vector<std::array<char, MAX_PATH>> slots(paths.size() + unterminated.size());
    for (size_t i = 0; i < paths.size(); ++i)
        lstrcpynA(slots[i].data(), paths[i].c_str(), MAX_PATH);
    for (size_t i = paths.size(); i < slots.size(); ++i)
        slots[i].fill('x');
    g_driver = &driver;
    const UINT_PTR timer = SetTimer(nullptr, 0, 40, Tick);
    const int result = BatchUiOpenDialog(nullptr, reinterpret_cast<const char(*)[MAX_PATH]>(slots.data()), int(slots.size()));
    KillTimer(nullptr, timer);
    g_driver = nullptr;
    return result;
}

// Sets a check box by clicking it, as a user does, when it is not as wanted.
void SetCheck(HWND dlg, int id, bool on)
{
    if ((IsDlgButtonChecked(dlg, id) == BST_CHECKED) != on)
        SendMessageA(GetDlgItem(dlg, id), BM_CLICK, 0, 0);
}

void RemoveFolder(const std::string& folder)
{
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (find != INVALID_HANDLE_VALUE) {
        do
            DeleteFileA((folder + "\\" + fd.cFileName).c_str());
        while (FindNextFileA(find, &fd));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

} // namespace

TEST(BatchUi, WritesConvertedCopiesIntoTheChosenFolderAndLeavesTheSourcesAlone)
{
    testsupport::ScratchDir src, other, out;
    const std::string a = src.File("a.bmp"), a2 = other.File("A.bmp"), tga = src.File("t.tga");
    WriteFlatBmp(a, 40, 20, 200, 100, 50);
    WriteFlatBmp(a2, 10, 30, 0, 0, 255);
    WriteFlatTga(tga, 8, 4);
    const Bytes before[] = {testsupport::ReadBytes(a), testsupport::ReadBytes(a2), testsupport::ReadBytes(tga)};
    const std::string folder = out.File("new"); // made by the dialog

    Driver d;
    d.fill = [&](HWND dlg) {
        SetDlgItemTextA(dlg, batchui::kFolder, folder.c_str());
        SetCheck(dlg, batchui::kResize, true);
        SetDlgItemTextA(dlg, batchui::kMaxSide, "16");
        SetCheck(dlg, batchui::kGray, true);
    };
    d.answers = {IDOK};
    // a listed twice (in other letter case), a missing file, and a slot without its NUL.
    std::string upper = a;
    CharUpperBuffA(&upper[0], DWORD(upper.size()));
    EXPECT_EQ(RunDialog(d, {a, a2, tga, src.File("missing.bmp"), upper}, {1}), 0) << "copies change nothing the album shows";
    ASSERT_EQ(d.boxes.size(), 1u) << Texts(d);
    EXPECT_NE(d.boxes[0].find("3 of 5 images were converted"), std::string::npos) << d.boxes[0];
    EXPECT_NE(d.boxes[0].find("Could not be read: 2"), std::string::npos) << d.boxes[0];

    // Reduced to 16 pixels on the longest side, gray (0.30 red + 0.59 green + 0.11 blue); the
    // second "a" does not overwrite the first.
    const Image first = ReadImage(folder + "\\a.bmp"), second = ReadImage(folder + "\\A (2).bmp"),
                third = ReadImage(folder + "\\t.bmp");
    EXPECT_TRUE(first.width == 16 && first.height == 8 && first.bits == 8 && first.grayRamp) << first.width << "x" << first.height;
    EXPECT_TRUE(AllAre(first, (200 * 30 + 100 * 59 + 50 * 11) / 100));
    EXPECT_TRUE(second.width == 5 && second.height == 16 && second.grayRamp) << second.width << "x" << second.height;
    EXPECT_TRUE(AllAre(second, 255 * 11 / 100));
    EXPECT_TRUE(third.width == 8 && third.height == 4 && AllAre(third, (30 * 30 + 20 * 59 + 10 * 11) / 100));
    const std::string names[] = {a, a2, tga};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(testsupport::ReadBytes(names[i]), before[i]) << names[i];
    EXPECT_EQ(src.List().size() + other.List().size(), 3u) << "nothing written beside the sources";

    // Colour kept when gray is not asked for, and no size change without "reduce".
    RemoveFolder(folder);
    d = Driver();
    d.fill = [&](HWND dlg) {
        EXPECT_EQ(GetDlgItemInt(dlg, batchui::kMaxSide, nullptr, FALSE), 16u) << "the last choices are offered again";
        SetDlgItemTextA(dlg, batchui::kFolder, folder.c_str());
        SetCheck(dlg, batchui::kResize, false);
        SetCheck(dlg, batchui::kGray, false);
    };
    d.answers = {IDOK};
    EXPECT_EQ(RunDialog(d, {a}), 0);
    const Image colour = ReadImage(folder + "\\a.bmp");
    EXPECT_TRUE(colour.width == 40 && colour.height == 20 && colour.bits == 24 && AllAre(colour, 0xC86432));
    RemoveFolder(folder);
}

TEST(BatchUi, ReplacesOriginalsOnlyAfterTheWarningIsConfirmed)
{
    testsupport::ScratchDir src;
    const std::string big = src.File("big.bmp"), small = src.File("small.bmp"), tga = src.File("t.tga");
    WriteFlatBmp(big, 40, 20, 200, 100, 50);
    WriteFlatBmp(small, 8, 8, 1, 2, 3);
    WriteFlatTga(tga, 40, 20);
    const std::vector<std::string> paths = {big, small, tga};
    std::vector<Bytes> before;
    for (const std::string& p : paths)
        before.push_back(testsupport::ReadBytes(p));
    auto replace = [](HWND dlg) {
        SetCheck(dlg, batchui::kReplace, true);
        SetCheck(dlg, batchui::kResize, true);
        SetDlgItemTextA(dlg, batchui::kMaxSide, "16");
        SetCheck(dlg, batchui::kGray, false);
    };

    // "No" to the warning: nothing written, the dialog stays for another choice.
    Driver d;
    d.fill = replace;
    d.answers = {IDNO};
    d.cancelAtEnd = true;
    EXPECT_EQ(RunDialog(d, paths), BATCHUI_CANCELLED);
    ASSERT_EQ(d.boxes.size(), 1u) << Texts(d);
    EXPECT_NE(d.boxes[0].find("cannot be undone"), std::string::npos) << d.boxes[0];
    for (size_t i = 0; i < paths.size(); ++i)
        EXPECT_EQ(testsupport::ReadBytes(paths[i]), before[i]) << paths[i];
    EXPECT_EQ(src.List().size(), 3u);

    // "Yes": only the bitmap file that the change applies to is replaced, and that is reported.
    d = Driver();
    d.fill = replace;
    d.answers = {IDYES, IDOK};
    EXPECT_EQ(RunDialog(d, paths), 1);
    EXPECT_FALSE(d.replaceTickedAtOpen) << "replacing is never offered as the default";
    ASSERT_EQ(d.boxes.size(), 2u) << Texts(d);
    EXPECT_NE(d.boxes[1].find("1 of 3 images were replaced"), std::string::npos) << d.boxes[1];
    const Image replaced = ReadImage(big);
    EXPECT_TRUE(replaced.width == 16 && replaced.height == 8 && AllAre(replaced, 0xC86432));
    EXPECT_EQ(testsupport::ReadBytes(small), before[1]) << "already small enough";
    EXPECT_EQ(testsupport::ReadBytes(tga), before[2]) << "a format that cannot be written back";
    EXPECT_EQ(src.List().size(), 3u) << "no stray files";
}

TEST(BatchUi, EscStopsTheRunAfterTheCurrentImageAndBadArgumentsShowNoDialog)
{
    testsupport::ScratchDir src, out;
    std::vector<std::string> paths;
    for (const char* name : {"1.bmp", "2.bmp", "3.bmp"}) {
        paths.push_back(src.File(name));
        WriteFlatBmp(paths.back(), 4, 4, 9, 9, 9);
    }
    // Esc is seen at the second image: the first is kept, the others are not written.
    static int checks;
    checks = 0;
    batchui::SetAbortCheck([] { return ++checks == 3; }); // the first check only clears an old press
    Driver d;
    d.fill = [&](HWND dlg) { SetDlgItemTextA(dlg, batchui::kFolder, out.path().c_str()); };
    d.answers = {IDOK};
    EXPECT_EQ(RunDialog(d, paths), 0);
    batchui::SetAbortCheck(nullptr);
    EXPECT_EQ(out.List(), std::vector<std::string>{"1.bmp"});
    ASSERT_EQ(d.boxes.size(), 1u) << Texts(d);
    EXPECT_NE(d.boxes[0].find("Not looked at (the run was stopped): 2"), std::string::npos) << d.boxes[0];

    const char slot[1][MAX_PATH] = {"x.bmp"};
    EXPECT_EQ(BatchUiOpenDialog(nullptr, nullptr, 1), BATCHUI_FAILED);
    EXPECT_EQ(BatchUiOpenDialog(nullptr, slot, 0), BATCHUI_FAILED);
}
