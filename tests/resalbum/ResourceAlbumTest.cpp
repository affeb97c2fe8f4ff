// Resource albums in a real parent window: conversions, classes and grid, adding into resource
// folders, deleting, clicks reported to the parent, the real file picker, and refused windows.
#include <memory>
#include "album/AlbumCtrl.h"
#include "album/AlbumMessages.h"
#include "control/BrushAlbumCtrl.h"
#include "host/AlbumRegistry.h"
#include "imaging/DibConvert.h"
#include "imaging/Marks.h"
#include "support/DialogScript.h"
#include "support/MemoryCanvas.h"
#include "support/MessageLog.h"
#include "support/ScriptedEsc.h"
#include "support/TestSupport.h"
#include "vendor_standins/imgio/imgio.h"
#include "win/Handles.h"
#include "win/Module.h"

using namespace testsupport;

namespace {

const int kCellWidth = 40, kCellHeight = 48;
const char kCaption[] = "Lumicraft 2000";

// A value in album.ini for the lifetime of the object.
struct ProfileValue {
    const char *section, *key;
    ProfileValue(const char* s, const char* k, const char* value) : section(s), key(k)
    {
        WritePrivateProfileStringA(section, key, value, "album.ini");
    }
    ~ProfileValue() { WritePrivateProfileStringA(section, key, nullptr, "album.ini"); }
};

// A 24-bit image of one colour.
HGLOBAL Plain(int width, int height, BYTE level)
{
    const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
    return MakePackedDib(width, height, 24, {}, std::vector<unsigned char>(stride * height, level));
}

// The first pixel byte and the size of an image; the image is freed.
struct Shape {
    int width = 0, height = 0, gray = 0, level = -1;
};
Shape Take(HGLOBAL image)
{
    Shape s;
    if (!image)
        return s;
    GetDibSize(image, &s.width, &s.height);
    s.gray = IsGrayPaletteDib(image);
    {
        win::GlobalLockGuard lock(image);
        const auto* h = static_cast<const BITMAPINFOHEADER*>(lock.data());
        s.level = lock.bytes()[h->biSize + h->biClrUsed * 4];
    }
    GlobalFree(image);
    return s;
}

// The file picker's step: names typed into its name box, then button.
DialogScript::Action TypeAndPress(const std::string& names, int button)
{
    return [names, button](HWND dialog) {
        HWND edit = GetDlgItem(dialog, 0x47C) ? GetDlgItem(dialog, 0x47C) : GetDlgItem(dialog, 0x480);
        SetWindowTextA(edit, names.c_str());
        DialogScript::Press(dialog, button);
    };
}

// Lets a test call the protected initialisation on any window.
struct ExposedCtrl : CBrushAlbumCtrl {
    using CBrushAlbumCtrl::OnInitCtrl;
};

struct ResAlbumTest : ::testing::Test {
    static inline MessageLog* parent = nullptr;
    static void SetUpTestSuite()
    {
        CreateAlbumRegistry();
        RegisterAlbumThread();
        ASSERT_EQ(CAlbumCtrl::Register(AlbumInstance()), 1);
        ASSERT_EQ(CBrushAlbumCtrlRegister(AlbumInstance(), kCellWidth, kCellHeight), 1);
        parent = new MessageLog(420, 300);
    }
    static void TearDownTestSuite()
    {
        delete parent;
        parent = nullptr;
    }

    ScratchDir program, pics;
    std::vector<HWND> made;
    std::vector<std::unique_ptr<CBrushAlbumCtrl>> objects;

    void TearDown() override
    {
        for (HWND w : made)
            if (IsWindow(w))
                DestroyWindow(w);
        objects.clear();
        parent->onMessage = nullptr;
    }

    std::string Folder() const { return program.path() + "\\"; }
    // A control over an object of the test whose program folder is the scratch folder.
    CBrushAlbumCtrl* Make(const char* cls, const char* text, int width = 250, int height = 100)
    {
        objects.push_back(std::make_unique<CBrushAlbumCtrl>());
        CBrushAlbumCtrl* c = objects.back().get();
        win::CopyText(c->m_szProgramFolder, sizeof c->m_szProgramFolder, Folder().c_str());
        HWND w = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE, 0, 0, width, height, parent->hwnd(), nullptr,
                                 AlbumInstance(), c);
        EXPECT_NE(w, nullptr) << cls;
        made.push_back(w);
        return c;
    }
    std::string Bmp(const std::string& name, int width = 60, int height = 30, unsigned seed = 1)
    {
        WriteBmpFile(pics.File(name), width, height, seed);
        return pics.File(name);
    }
    static std::string Name(CBrushAlbumCtrl* c, int n) { return c->GetAlbum()->m_Doc.GetThumbnail(n)->m_Info.szFileName; }
    // The size item n records.
    static std::vector<int> Size(CBrushAlbumCtrl* c, int n)
    {
        const tagALBUMINFOHEADER& r = c->GetAlbum()->m_Doc.GetThumbnail(n)->m_Info;
        return {r.wWidth, r.wHeight};
    }
    // Deletes the item numbered focus, the questions answered in turn: the result and the texts asked.
    static std::pair<int, std::vector<std::string>> Delete(CBrushAlbumCtrl* c, int focus, std::vector<int> answers)
    {
        EXPECT_EQ(c->GetAlbum()->SetCurrentFocus(focus), 1);
        DialogScript script;
        for (int answer : answers)
            script.Answer(kCaption, answer);
        const int result = c->DeleteItems();
        return {result, script.texts};
    }
};

} // namespace

TEST_F(ResAlbumTest, ImagesAreGreyLimitedInSizeAndFollowTheProfile)
{
    // Within the limit: kept at its size. (Images over it shrink as the files added show.)
    HGLOBAL source = MakeDib(100, 40, 3);
    const Shape s = Take(CBrushAlbumCtrl::MakeBrushImage(source));
    EXPECT_EQ(std::vector<int>({s.width, s.height, s.gray}), std::vector<int>({100, 40, 1}));
    GlobalFree(source);
    EXPECT_EQ(CBrushAlbumCtrl::MakeBrushImage(nullptr), nullptr);

    // A black image: inverted it is white, level-scaled white is 192.
    HGLOBAL black = Plain(8, 8, 0);
    auto brush = [&] { return Take(CBrushAlbumCtrl::MakeBrushImage(black)).level; };
    auto stamp = [&] { return Take(CBrushAlbumCtrl::MakeStampImage(black)).level; };
    EXPECT_EQ(brush() * 1000 + stamp(), 0) << "defaults: not inverted";
    {
        ProfileValue invert("Brush Parameter", "Invert", "true");
        EXPECT_EQ(brush(), 192) << "inverted, then scaled by default";
        EXPECT_EQ(stamp(), 0) << "stamps read their own section";
        ProfileValue scale("Brush Parameter", "Scale", "TrUe");
        EXPECT_EQ(brush(), 192);
    }
    ProfileValue invert("Stamp Parameter", "Invert", "TRUE"), scale("Stamp Parameter", "Scale", "FALSE");
    EXPECT_EQ(stamp() * 1000 + brush(), 255 * 1000 + 0);
    GlobalFree(black);
}

TEST_F(ResAlbumTest, ClassesBuildTheirGridAndLoadTheirAlbum)
{
    EXPECT_EQ(CBrushAlbumCtrlRegister(AlbumInstance(), kCellWidth, kCellHeight), 1) << "again: already ours";
    EXPECT_EQ(CBrushAlbumCtrlRegister(AlbumInstance(), 4, 60), 0) << "no room for a thumbnail";

    const struct {
        const char* cls;
        int kind;
    } classes[] = {{"BrushAlbumCtrl", RESALBUM_KIND_BRUSH},
                   {"stampalbumctrl", RESALBUM_KIND_STAMP},
                   {"TextureAlbumCtrl", RESALBUM_KIND_TEXTURE},
                   {"ShapeAlbumCtrl", RESALBUM_KIND_SHAPE}};
    for (const auto& k : classes) {
        CBrushAlbumCtrl* c = Make(k.cls, "", 250, 100);
        ASSERT_NE(c->GetAlbum(), nullptr) << k.cls;
        const tagAlbumViewCreateInfo& aci = c->GetAlbum()->m_aci;
        EXPECT_EQ(c->m_nKind, k.kind);
        EXPECT_EQ(aci.nRows * 100 + aci.nCols, 2 * 100 + 6) << "100 / 48 rows, 250 / 40 columns";
        EXPECT_EQ(aci.bToolTip, k.kind == RESALBUM_KIND_BRUSH ? 1 : 0);
        EXPECT_EQ(c->GetAlbum()->m_Doc.m_wThumbWidth * 1000 + c->GetAlbum()->m_Doc.m_wThumbHeight, 36 * 1000 + 44);
        EXPECT_EQ(c->GetAlbum()->m_bDragDrop, 1) << "no text: drag-and-drop stays on";
        EXPECT_STREQ(c->m_szCurrentFolder, Folder().c_str());
    }

    // The window's text names the album in the program folder; such a control does not drag.
    SaveAlbum(program.File("tex.abm"), {"C:\\pics\\p1.bmp", "C:\\pics\\p2.bmp", "C:\\pics\\p3.bmp"});
    CBrushAlbumCtrl* loaded = Make("TextureAlbumCtrl", "tex.abm", 250, 100);
    EXPECT_EQ(loaded->GetAlbum()->GetThumbNailCount(), 3);
    EXPECT_EQ(loaded->GetAlbum()->m_bDragDrop, 0);

    // The grid: grey lines at every cell edge, cell height from the client height less one.
    MemoryCanvas grid(loaded->m_hWnd);
    SendMessageA(loaded->m_hWnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(grid.dc), PRF_CLIENT);
    const int rows = loaded->GetAlbum()->m_aci.nRows, cols = loaded->GetAlbum()->m_aci.nCols;
    const int cw = 250 / cols, ch = 99 / rows;
    int wrong = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 250; ++x) {
            const bool line = (y % ch == 0 && y <= rows * ch && x < cols * cw) || (x % cw == 0 && x <= cols * cw && y < 99);
            wrong += (grid.At(x, y) == RGB(0x80, 0x80, 0x80)) != line;
        }
    EXPECT_EQ(wrong, 0) << rows << " rows of " << ch << ", " << cols << " columns of " << cw;
    // Smaller than one cell: no grid, no fault.
    CBrushAlbumCtrl* tiny = Make("BrushAlbumCtrl", "", 30, 30);
    EXPECT_EQ(tiny->GetAlbum()->m_aci.nRows * tiny->GetAlbum()->m_aci.nCols, 0);
    MemoryCanvas blank(tiny->m_hWnd);
    SendMessageA(tiny->m_hWnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(blank.dc), PRF_CLIENT);
    EXPECT_EQ(std::count(blank.bits, blank.bits + 900, 0xFFFFFFu), 900);
}

TEST_F(ResAlbumTest, AddingWritesConvertedFilesIntoResourceFoldersUnderFreeNames)
{
    CBrushAlbumCtrl* brushes = Make("BrushAlbumCtrl", "brush.abm");
    const std::string brushDir = program.File("brush");

    // The first brush makes the folder; the file is the base name, without extension.
    ASSERT_EQ(brushes->AddItemFile(Bmp("star.bmp", 300, 150, 1).c_str(), nullptr), 1);
    const std::string star = brushDir + "\\star", star2 = brushDir + "\\star (2)";
    EXPECT_EQ(Name(brushes, 1), star);
    const Shape written = Take(ImgIoReadFile(star.c_str(), 0, nullptr));
    EXPECT_EQ(std::vector<int>({written.width, written.height, written.gray}), std::vector<int>({128, 64, 1}));
    EXPECT_EQ(Size(brushes, 1), std::vector<int>({128, 64}));

    // The same base name again: the first item's file stays as it is, the second gets a free name.
    const std::vector<unsigned char> before = ReadBytes(star);
    WriteBmpFile(pics.File("star.png"), 50, 50, 9);
    ASSERT_EQ(brushes->AddItemFile(pics.File("star.png").c_str(), nullptr), 1);
    EXPECT_EQ(ReadBytes(star), before);
    EXPECT_EQ(Name(brushes, 2), star2);
    EXPECT_TRUE(FileExists(star2));

    // A brush file's mark and parameter bytes come along, and stand in the record for its size.
    const std::string marked = Bmp("soft.bmp", 20, 20, 4);
    ASSERT_EQ(SetBrushMark(marked.c_str(), 7, 200), 1);
    ASSERT_EQ(brushes->AddItemFile(marked.c_str(), nullptr), 1);
    BYTE a = 0, b = 0;
    EXPECT_EQ(GetBrushMark((brushDir + "\\soft").c_str(), &a, &b), 1);
    EXPECT_EQ((std::vector<int>{a, b}), std::vector<int>({7, 200}));
    EXPECT_EQ(Size(brushes, 3), std::vector<int>({7, 200}));

    // Stamps and shapes have folders of their own and keep a stamp mark.
    const std::string seal = Bmp("seal.bmp", 150, 600, 5);
    ASSERT_EQ(SetStampMark(seal.c_str()), 1);
    CBrushAlbumCtrl* stamps = Make("StampAlbumCtrl", "");
    CBrushAlbumCtrl* shapes = Make("ShapeAlbumCtrl", "");
    ASSERT_EQ(stamps->AddItemFile(seal.c_str(), nullptr), 1);
    ASSERT_EQ(shapes->AddItemFile(Bmp("ring.bmp").c_str(), nullptr), 1);
    EXPECT_EQ(IsStampFile(program.File("stamps\\seal").c_str()) * 10 + IsStampFile(program.File("Shapes\\ring").c_str()), 10);
    EXPECT_EQ(Take(ImgIoReadFile(program.File("stamps\\seal").c_str(), 0, nullptr)).width, 64);
    EXPECT_EQ(Name(shapes, 1), program.File("Shapes\\ring"));

    // A texture is recorded where it is, with its own size; nothing is written.
    CBrushAlbumCtrl* textures = Make("TextureAlbumCtrl", "");
    const std::string photo = Bmp("photo.bmp", 90, 70, 6);
    const size_t programFiles = program.List().size();
    ASSERT_EQ(textures->AddItemFile(photo.c_str(), nullptr), 1);
    EXPECT_EQ(Name(textures, 1), photo);
    EXPECT_EQ(Size(textures, 1), std::vector<int>({90, 70}));
    EXPECT_EQ(program.List().size(), programFiles);

    // Failures say so; a name that does not fit is refused, never cut to another file's name.
    const size_t brushFiles = ListFolder(brushDir).size();
    {
        DialogScript script;
        script.Answer("Open file ", IDOK);
        WriteBytes(pics.File("junk.bmp"), std::vector<unsigned char>(64, 'j'));
        EXPECT_EQ(brushes->AddItemFile(pics.File("junk.bmp").c_str(), nullptr), 0);
        EXPECT_EQ(script.texts, std::vector<std::string>{"The document's format is invalid or not supported."});
    }
    {
        DialogScript script;
        script.Answer(kCaption, IDOK);
        ScriptedEsc esc(-1); // Esc stops the grey conversion
        EXPECT_EQ(brushes->AddItemFile(Bmp("late.bmp").c_str(), nullptr), 0);
        EXPECT_EQ(script.texts, std::vector<std::string>{"The Image can not convert  into gray scale!"});
    }
    EXPECT_EQ(ListFolder(brushDir).size(), brushFiles);
    const std::string deep = program.File("long\\" + std::string(150, 'p')) + "\\";
    CreateDirectoryA(program.File("long").c_str(), nullptr);
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr));
    win::CopyText(brushes->m_szProgramFolder, MAX_PATH, deep.c_str());
    const std::string longName = Bmp(std::string(100, 'n') + ".bmp");
    EXPECT_EQ(brushes->AddItemFile(longName.c_str(), nullptr), 0);
    EXPECT_EQ(ListFolder(deep + "brush").size(), 0u) << "written under a shortened name";
    EXPECT_EQ(brushes->GetAlbum()->GetThumbNailCount(), 3);
}

TEST_F(ResAlbumTest, DeletingTakesBrushFilesButKeepsTexturesMarkedItemsAndSharedFiles)
{
    CBrushAlbumCtrl* brushes = Make("BrushAlbumCtrl", "brush.abm");
    ASSERT_EQ(brushes->AddItemFile(Bmp("a.bmp").c_str(), nullptr), 1);
    ASSERT_EQ(brushes->AddItemFile(Bmp("b.bmp").c_str(), nullptr), 1);
    const std::string a = program.File("brush\\a");
    const std::vector<std::string> sure = {"Are you sure you want to delete the selected object(s)?"};
    EXPECT_EQ(brushes->DeleteItems(), 0) << "nothing selected";
    EXPECT_EQ(Delete(brushes, 1, {IDNO}), std::make_pair(0, sure)) << "the user said no";
    EXPECT_TRUE(FileExists(a));
    EXPECT_EQ(Delete(brushes, 1, {IDYES}), std::make_pair(1, sure));
    EXPECT_FALSE(FileExists(a));
    EXPECT_EQ(brushes->GetAlbum()->GetThumbNailCount(), 1);
    EXPECT_EQ(CountInAlbum(program.File("brush.abm")), 1) << "saved at once";

    // An album file that cannot be written: the item and its file stay, and the user is told.
    SetFileAttributesA(program.File("brush.abm").c_str(), FILE_ATTRIBUTE_READONLY);
    const auto refused = Delete(brushes, 1, {IDYES, IDOK});
    EXPECT_EQ(refused.first, 0);
    EXPECT_EQ(refused.second.back(), "The album file could not be saved. Nothing was changed.");
    SetFileAttributesA(program.File("brush.abm").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(FileExists(program.File("brush\\b")));
    EXPECT_EQ(brushes->GetAlbum()->GetThumbNailCount(), 1);

    // A texture goes from the album only.
    CBrushAlbumCtrl* textures = Make("TextureAlbumCtrl", "tex.abm");
    const std::string photo = Bmp("photo.bmp");
    ASSERT_EQ(textures->AddItemFile(photo.c_str(), nullptr), 1);
    EXPECT_EQ(Delete(textures, 1, {IDYES}).first, 1);
    EXPECT_TRUE(FileExists(photo));
    EXPECT_EQ(CountInAlbum(program.File("tex.abm")), 0);

    // A brush whose file carries the brush mark only beeps: no question, nothing removed.
    const std::string hard = Bmp("hard.bmp");
    SetBrushMark(hard.c_str(), 1, 2);
    ASSERT_EQ(brushes->AddItemFile(hard.c_str(), nullptr), 1);
    EXPECT_EQ(Delete(brushes, 2, {IDYES}), std::make_pair(0, std::vector<std::string>{})) << "asked although marked";
    EXPECT_TRUE(FileExists(program.File("brush\\hard")));

    // Two items on one file (an older album): the file goes with the last of them.
    const std::string shared = program.File("brush\\b");
    SaveAlbum(program.File("old.abm"), {shared, shared});
    CBrushAlbumCtrl* old = Make("BrushAlbumCtrl", "old.abm");
    ASSERT_EQ(old->GetAlbum()->GetThumbNailCount(), 2);
    EXPECT_EQ(Delete(old, 1, {IDYES}).first, 1);
    EXPECT_TRUE(FileExists(shared)) << "the remaining item's file went too";
    EXPECT_EQ(Delete(old, 1, {IDYES}).first, 1);
    EXPECT_FALSE(FileExists(shared));

    // Items naming the user's pictures outside the resource folder leave the album only.
    const std::string own = Bmp("own.bmp"), escape = program.File("escape.bmp");
    WriteBmpFile(escape, 8, 8, 1);
    SaveAlbum(program.File("mixed.abm"), {own, program.File("brush\\..\\escape.bmp")});
    CBrushAlbumCtrl* mixed = Make("BrushAlbumCtrl", "mixed.abm");
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(Delete(mixed, 1, {IDYES}).first, 1);
    EXPECT_TRUE(FileExists(own) && FileExists(escape));
    EXPECT_EQ(CountInAlbum(program.File("mixed.abm")), 0);
}

TEST_F(ResAlbumTest, ClicksTellTheParentTheItemsFullPath)
{
    CBrushAlbumCtrl* brushes = Make("BrushAlbumCtrl", "brush.abm");
    ASSERT_EQ(brushes->AddItemFile(Bmp("a.bmp").c_str(), nullptr), 1);
    ASSERT_EQ(brushes->AddItemFile(Bmp("b.bmp").c_str(), nullptr), 1);
    CAlbum* album = brushes->GetAlbum();
    ASSERT_GE(album->m_nCount, 2);
    // The grid fills column by column: item 2 is in the second row.
    HWND second = album->m_ppCells[album->m_aci.nCols]->m_hWnd, empty = album->m_ppCells[1]->m_hWnd;
    std::vector<std::string> paths; // what each 0x503 names, while it is sent
    parent->onMessage = [&](UINT msg, WPARAM, LPARAM l) { msg == WM_ALBUM_CELLUP && (paths.push_back(reinterpret_cast<const char*>(l)), 0); };
    for (HWND cell : {second, empty}) {
        SendMessageA(cell, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        SendMessageA(cell, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    }
    // Cell pointers arrive in messages: one that is no cell of this album is ignored.
    SendMessageA(brushes->m_hWnd, WM_ALBUM_CELLUP, 0, reinterpret_cast<LPARAM>(&paths));
    EXPECT_EQ(paths, std::vector<std::string>{program.File("brush\\b")});
    EXPECT_EQ(album->GetCurrentFocus(), 2);

    // A double click goes up as it came: the cell in lParam.
    parent->Clear();
    SendMessageA(second, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    const LPARAM cell = reinterpret_cast<LPARAM>(album->m_ppCells[album->m_aci.nCols]);
    EXPECT_EQ(std::count_if(parent->messages.begin(), parent->messages.end(),
                            [&](const LoggedMessage& m) { return m.msg == WM_ALBUM_OPEN && m.lParam == cell; }), 1);
    EXPECT_EQ(paths.size(), 1u);
}

TEST_F(ResAlbumTest, AddItemsRunsThePickerOnceTheThreadIsFree)
{
    CBrushAlbumCtrl* brushes = Make("BrushAlbumCtrl", "brush.abm");
    Bmp("a.bmp");
    Bmp("b.bmp");
    ScratchDir other;
    WriteBmpFile(other.File("c.bmp"), 30, 30, 3);
    win::CopyText(brushes->m_szCurrentFolder, MAX_PATH, pics.path().c_str());
    DialogScript script;
    script.On("Open", TypeAndPress("\"a.bmp\" \"b.bmp\"", IDOK))
        .On("Open", TypeAndPress(other.File("c.bmp"), IDOK))
        .On("Open", TypeAndPress("", IDCANCEL))
        .On("Open", TypeAndPress("", IDCANCEL));
    EXPECT_EQ(brushes->AddItems(), 1);
    EXPECT_EQ(brushes->GetAlbum()->GetThumbNailCount(), 2);
    EXPECT_EQ(CountInAlbum(program.File("brush.abm")), 2) << "the first add creates the album file";
    EXPECT_STREQ(brushes->m_szCurrentFolder, pics.path().c_str());

    EXPECT_EQ(brushes->AddItems(), 1);
    EXPECT_EQ(CountInAlbum(program.File("brush.abm")), 3);
    EXPECT_STREQ(brushes->m_szCurrentFolder, (other.path() + "\\").c_str()) << "the picked file's folder";

    EXPECT_EQ(brushes->AddItems(), 0) << "cancelled";
    ASSERT_EQ(AlbumRegistry().EnterBusy(GetCurrentThreadId()), 1);
    EXPECT_EQ(brushes->AddItems(), 0) << "the thread is busy";
    AlbumRegistry().LeaveBusy(GetCurrentThreadId());
    EXPECT_EQ(script.Pending(), 1u) << "a picker ran while the thread was busy";
}

TEST_F(ResAlbumTest, AnAddThatCannotBeStoredIsTakenBack)
{
    // The album file read-only, or read only in part (its second image declares 768 MiB).
    SaveAlbum(program.File("brush.abm"), {"x1"});
    SaveAlbum(program.File("damaged.abm"), {"x1", "x2", "x3"});
    std::vector<unsigned char> bytes = ReadBytes(program.File("damaged.abm"));
    bytes[144 + 288 + 283] = 0x30;
    WriteBytes(program.File("damaged.abm"), bytes);
    SetFileAttributesA(program.File("brush.abm").c_str(), FILE_ATTRIBUTE_READONLY);
    Bmp("a.bmp");
    Bmp("b.bmp");
    for (const char* name : {"brush.abm", "damaged.abm"}) {
        CBrushAlbumCtrl* c = Make("BrushAlbumCtrl", name);
        const std::vector<unsigned char> before = ReadBytes(program.File(name));
        win::CopyText(c->m_szCurrentFolder, MAX_PATH, pics.path().c_str());
        DialogScript script;
        script.On("Open", TypeAndPress("\"a.bmp\" \"b.bmp\"", IDOK)).Answer(kCaption, IDOK);
        EXPECT_EQ(c->AddItems(), 0) << name;
        EXPECT_EQ(c->GetAlbum()->GetThumbNailCount(), 1) << name;
        EXPECT_EQ(ListFolder(program.File("brush")).size(), 0u) << name;
        EXPECT_EQ(ReadBytes(program.File(name)), before) << name;
        EXPECT_EQ(script.texts, std::vector<std::string>{"The album file could not be saved. Nothing was changed."});
    }
    SetFileAttributesA(program.File("brush.abm").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(ResAlbumTest, OnlyLiveWindowsOfTheFourClassesGiveTheirObject)
{
    CBrushAlbumCtrl* mine = Make("BrushAlbumCtrl", "");
    // A later registration with another instance orphans none of the controls made before it.
    const HINSTANCE other = GetModuleHandleA("kernel32.dll");
    CBrushAlbumCtrlRegister(other, kCellWidth, kCellHeight);
    HWND late = CreateWindowExA(0, "StampAlbumCtrl", "", WS_CHILD, 0, 0, 100, 100, parent->hwnd(), nullptr, other, nullptr);
    EXPECT_EQ(BrushAlbumCtrlOf(mine->m_hWnd), mine);
    EXPECT_NE(BrushAlbumCtrlOf(late), nullptr);
    DestroyWindow(late);
    for (const char* cls : {"BrushAlbumCtrl", "TextureAlbumCtrl", "StampAlbumCtrl", "ShapeAlbumCtrl", "ThumbViewClass",
                            "CThumbListView2"})
        UnregisterClassA(cls, other);
    // Made by the window procedure: owned by the window, and gone with it.
    HWND owned = CreateWindowExA(0, "shapealbumctrl", "", WS_CHILD, 0, 0, 100, 100, parent->hwnd(), nullptr,
                                 AlbumInstance(), nullptr);
    CBrushAlbumCtrl* ownedObject = BrushAlbumCtrlOf(owned);
    ASSERT_NE(ownedObject, nullptr);
    EXPECT_EQ(ownedObject->m_bOwnedByWindow, 1);
    EXPECT_EQ(ownedObject->m_nKind, RESALBUM_KIND_SHAPE);
    DestroyWindow(owned);
    EXPECT_EQ(BrushAlbumCtrlOf(owned), nullptr);
    // A creator that deletes its object before the window: the window no longer leads to it.
    Make("TextureAlbumCtrl", "");
    HWND orphan = made.back();
    objects.back().reset();
    EXPECT_EQ(BrushAlbumCtrlOf(orphan), nullptr);
    SendMessageA(orphan, WM_ALBUM_CELLUP, 0, 0);

    // The right name from another module, with anything in its user data.
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA("gdi32.dll");
    wc.lpszClassName = "BrushAlbumCtrl";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND impostor = CreateWindowExA(0, "BrushAlbumCtrl", "", WS_CHILD, 0, 0, 10, 10, parent->hwnd(), nullptr,
                                    wc.hInstance, nullptr);
    ASSERT_NE(impostor, nullptr);
    SetWindowLongPtrA(impostor, GWLP_USERDATA, 0x1234);
    EXPECT_EQ(BrushAlbumCtrlOf(impostor), nullptr);
    for (HWND w : {HWND(nullptr), reinterpret_cast<HWND>(0x12345), GetDesktopWindow(), parent->hwnd()})
        EXPECT_EQ(BrushAlbumCtrlOf(w), nullptr);

    // The initialisation takes none of these windows either.
    ExposedCtrl loose;
    for (HWND w : {impostor, parent->hwnd(), owned})
        EXPECT_EQ(loose.OnInitCtrl(w), 0);
    EXPECT_EQ(loose.GetAlbum(), nullptr);
    DestroyWindow(impostor);
    UnregisterClassA("BrushAlbumCtrl", wc.hInstance);
}
