// The album view model without windows, with a recording stand-in for the window operations.
#include <stdlib.h>
#include <random>
#include "album/Album.h"
#include "album/AlbumMessages.h"
#include "support/TestSupport.h"
#include "views/AlbumViewOps.h"
#include "views/ViewCreateInfo.h"

using namespace testsupport;
using Ids = std::vector<int>;
using Codes = std::vector<UINT>;

namespace {

struct FakeOps : AlbumViewOps {
    std::vector<CThumbnail2*> cells;
    std::vector<std::string> names; // each cell's thumbnail's name when it was attached
    Codes sent;
    std::vector<LPARAM> lparams;
    std::string repaints; // "3W 4B ": cell index, whole or bands
    int beeps = 0, failCell = -1, stale = 0;
    int Attach(CAlbum&, int cell, CThumbnail2* t) override
    {
        cells.at(size_t(cell)) = t, names.at(size_t(cell)) = t ? t->m_Info.szFileName : "";
        return cell != failCell;
    }
    CThumbnail2* Shown(CAlbum&, int cell) override { return size_t(cell) < cells.size() ? cells[size_t(cell)] : nullptr; }
    void Invalidate(CAlbum&, int cell, Repaint what) override
    {
        EXPECT_TRUE(cell >= 0 && cell < int(cells.size()));
        repaints += std::to_string(cell) + (what == Whole ? "W " : "B ");
    }
    // The parent may repaint while told: every cell must show the thumbnail it was given, still held.
    void SendToParent(CAlbum& album, UINT msg, WPARAM, LPARAM l) override
    {
        sent.push_back(msg), lparams.push_back(l);
        for (size_t i = 0; i < cells.size(); ++i) {
            bool held = !cells[i];
            for (CThumbnail2* t = album.m_Doc.m_pEnd->m_pNext; t != album.m_Doc.m_pEnd && !held; t = t->m_pNext)
                held = t == cells[i] && names[i] == t->m_Info.szFileName;
            stale += !held;
        }
    }
    void Beep(CAlbum&) override { ++beeps; }
};

tagAlbumViewCreateInfo Grid(int rows, int cols, int scrollDir = ACI_SCROLL_VERTICAL, int select = ACI_SELECT_MULTI)
{
    tagAlbumViewCreateInfo aci = DefaultListViewInfo();
    aci.nRows = rows, aci.nCols = cols, aci.nScrollDir = scrollDir, aci.nSelectMode = select;
    return aci;
}
std::string Name(int i) { return "C:\\pics\\" + std::to_string(1000 + i).substr(1) + ".bmp"; }
int SerialOf(const char* name) { return atoi(name + 8); }
std::string Join(const Ids& ids)
{
    std::string s;
    for (int id : ids)
        s += (s.empty() ? "" : " ") + std::to_string(id);
    return s;
}

// Thumbnails named by serial, their sizes falling as the serials rise.
struct TestAlbum : CAlbum {
    FakeOps ops;
    TestAlbum(tagAlbumViewCreateInfo aci, int count, bool shown = true) : CAlbum(nullptr, aci)
    {
        m_pOps = &ops;
        ops.cells.assign(size_t(CellTotal()), nullptr), ops.names.resize(ops.cells.size());
        for (int i = 1; i <= count; ++i)
            Add(Name(i), DWORD(1000 - i));
        if (shown)
            UpDataThumbListView(-1);
    }
    using CAlbum::CellOfNumber, CAlbum::CellOfPosition, CAlbum::CellTotal, CAlbum::Deselect, CAlbum::DeselectAll,
        CAlbum::ExchangeWith, CAlbum::HandleClick, CAlbum::IsShown, CAlbum::ScrollTo, CAlbum::Select,
        CAlbum::SetThumbviewFocus;

    void Add(const std::string& name, DWORD size = 0)
    {
        auto rec = MakeRecord(name.c_str(), size);
        HGLOBAL dib = MakeDib(4, 4, size);
        rec.dwDibSize = DWORD(GlobalSize(dib)), rec.wThumbWidth = rec.wThumbHeight = 4;
        m_Doc.Insert(new CThumbnail2(&rec, dib, 0, 1), nullptr);
    }
    CThumbnail2* T(int n) { return m_Doc.GetThumbnail(n); }
    int Serial(int n) { return SerialOf(T(n)->m_Info.szFileName); }
    void Press(int n, WPARAM keys) { HandleClick(WM_ALBUM_CELLDOWN, keys, CellOfNumber(n), T(n)); }
    void Click(int n, WPARAM keys = 0) { Press(n, keys), HandleClick(WM_ALBUM_CELLUP, keys, CellOfNumber(n), T(n)); }
    static void Shift(bool down) { down ? HoldKeys({VK_SHIFT}) : HoldKeys(); }
    void Key(int vk, bool shift = false) { Shift(shift), OnKeyDown(WM_KEYDOWN, WPARAM(vk), 0); }
    Ids Walk(bool serials, bool selectedOnly)
    {
        Ids v;
        for (CThumbnail2* t = m_Doc.m_pEnd->m_pNext; t != m_Doc.m_pEnd; t = t->m_pNext)
            if (!selectedOnly || t->m_bSelect)
                v.push_back(serials ? SerialOf(t->m_Info.szFileName) : t->m_nID);
        return v;
    }
    std::string Order() { return Join(Walk(true, false)); }
    // "numbers shown by cell index (0 empty) | selected numbers | focus | beeps"
    std::string State()
    {
        Ids cells;
        for (CThumbnail2* t : ops.cells)
            cells.push_back(t ? t->m_nID : 0);
        return Join(cells) + " | " + Join(Walk(false, true)) + " | " + Join({GetCurrentFocus(), ops.beeps});
    }

    // The rules every operation must leave intact.
    void ExpectSound()
    {
        const int count = m_Doc.GetCount(), cells = CellTotal();
        int n = 0, selected = 0, ring = 0;
        bool focusIn = !m_pFocus, anchorIn = !m_pShiftAnchor;
        for (CThumbnail2* t = m_Doc.m_pEnd->m_pNext; t != m_Doc.m_pEnd; t = t->m_pNext) {
            ASSERT_TRUE(++n <= count && t->m_nID == n && t->m_pPrev->m_pNext == t) << "list at " << n;
            selected += t->m_bSelect;
            focusIn |= t == m_pFocus;
            anchorIn |= t == m_pShiftAnchor;
            // Only the focus may carry the mark; the focus itself lacks it after a direct set.
            EXPECT_TRUE(!t->m_bFocus || t == m_pFocus) << "stray focus mark on " << n;
        }
        ASSERT_TRUE(n == count && focusIn && anchorIn);
        for (CThumbnail2* s = m_pSelHead; s && (s != m_pSelHead || ring == 0); s = s->m_pNextSel)
            ASSERT_TRUE(s->m_bSelect && s->m_pNextSel && s->m_pNextSel->m_pPrevSel == s && ++ring <= count);
        EXPECT_EQ(ring, selected);
        EXPECT_EQ(m_nSelHead, m_pSelHead ? m_pSelHead->m_nID : -1);
        EXPECT_TRUE(m_aci.nSelectMode != ACI_SELECT_SINGLE || ring <= 1);
        if (count) {
            ASSERT_TRUE(m_pFirstShown && m_pFirstShown != m_Doc.m_pEnd && m_nFirstShown == m_pFirstShown->m_nID);
            EXPECT_TRUE(m_nFirstShown == 1 || (m_nFirstShown + cells - count - 1) / LineLength() < 1) << "empty line";
        }
        EXPECT_EQ(m_nFirstShown, count ? m_pFirstShown->m_nID : -1);
        for (int k = 0; k < cells; ++k) // pointers only: a stale one must not be read
            ASSERT_EQ(ops.cells[size_t(CellOfPosition(k))], count ? T(m_nFirstShown + k) : nullptr) << "at " << k;
        EXPECT_EQ(ops.stale, 0) << "a cell pointed at a destroyed thumbnail while the parent was told";
    }
};

} // namespace

TEST(AlbumModel, PagingAndAttaching)
{
    TestAlbum a(Grid(2, 3), 10);
    a.Key(VK_NEXT);
    a.Key(VK_NEXT); // the second beeps
    EXPECT_EQ(a.State(), "7 8 9 10 0 0 |  | -1 1");
    EXPECT_EQ(a.ops.sent, (Codes{WM_ALBUM_LAYOUT, WM_ALBUM_LAYOUT})) << "after every key";

    // A first shown that would leave a whole line empty is pulled back to the last full page.
    TestAlbum c(Grid(3, 5), 23);
    c.m_pFirstShown = c.T(16), c.m_nFirstShown = 16;
    EXPECT_EQ(c.UpDataThumbListView(-1), 1);
    EXPECT_EQ(c.State(), "11 12 13 14 15 16 17 18 19 20 21 22 23 0 0 |  | -1 0");
    // A cell that cannot be updated is reported; the cells after it still get their thumbnails.
    c.ops.failCell = 2;
    c.ops.cells.assign(15, nullptr);
    EXPECT_EQ(c.UpDataThumbListView(-1), 0);
    c.ExpectSound();

    TestAlbum none(Grid(0, 3), 5); // no cells: nothing to show or move
    none.Key(VK_RIGHT), none.Key(VK_NEXT);
    EXPECT_EQ(none.UpDataThumbListView(-1) * 10 + none.SetCurrentFocus(2) + none.HaveSel(), 10);
}

TEST(AlbumModel, ScrollTableByValue)
{
    // 20 thumbnails; vertical 2 x 3 (line 3, page 2 lines) or horizontal (line 2, page 3 lines).
    // {direction, first shown, code, position, range maximum, minimum, new first shown; 0: a beep}
    const int V = ACI_SCROLL_VERTICAL, H = ACI_SCROLL_HORIZONTAL;
    const int table[][7] = {
        {V, 4, SB_LINEUP, 0, 100, 0, 1}, {V, 1, SB_LINEUP, 0, 100, 0, 0},
        {V, 13, SB_LINEDOWN, 0, 100, 0, 16}, {V, 16, SB_LINEDOWN, 0, 100, 0, 0},
        {V, 15, SB_PAGEUP, 0, 100, 0, 7}, {V, 7, SB_PAGEUP, 0, 100, 0, 1}, {V, 1, SB_PAGEUP, 0, 100, 0, 0},
        {V, 1, SB_PAGEDOWN, 0, 100, 0, 7}, {V, 13, SB_PAGEDOWN, 0, 100, 0, 16}, {V, 16, SB_PAGEDOWN, 0, 100, 0, 0},
        {V, 7, SB_TOP, 0, 100, 0, 1}, {V, 1, SB_TOP, 0, 100, 0, 0}, {V, 4, SB_BOTTOM, 0, 100, 0, 16},
        {V, 16, SB_BOTTOM, 0, 100, 0, 0}, {V, 1, SB_THUMBPOSITION, 50, 100, 0, 7},
        {V, 16, SB_THUMBTRACK, 0, 100, 0, 1}, {V, 1, SB_THUMBTRACK, 40, 100, 20, 7}, {V, 4, SB_THUMBPOSITION, 50, 9, 9, 4},
        {H, 1, SB_LINEDOWN, 0, 100, 0, 3}, {H, 1, SB_PAGEDOWN, 0, 100, 0, 7}, {H, 1, SB_THUMBPOSITION, 100, 100, 0, 15},
    };
    for (const auto& row : table) {
        TestAlbum a(Grid(2, 3, row[0]), 20);
        a.ScrollTo(row[1]);
        a.OnScroll(WM_HSCROLL, MAKEWPARAM(row[2], row[3]), MAKELPARAM(row[4], row[5]));
        EXPECT_EQ(Ids({a.GetFirstViewNailID(), a.ops.beeps}), Ids({row[6] ? row[6] : row[1], row[6] ? 0 : 1}))
            << "direction " << row[0] << " from " << row[1] << " code " << row[2];
    }
}

TEST(AlbumModel, KeyboardNavigation)
{
    // Sideways scrolling fills the grid column by column and swaps the arrow keys' axes.
    TestAlbum h(Grid(2, 3, ACI_SCROLL_HORIZONTAL), 10);
    h.SetCurrentFocus(1), h.Key(VK_RIGHT);
    EXPECT_EQ(h.State(), "1 3 5 2 4 6 | 3 | 3 0");
    h.SetCurrentFocus(1), h.Key(VK_DOWN), h.Key(VK_LEFT);
    EXPECT_EQ(h.State(), "1 3 5 2 4 6 | 2 | 2 1") << "no column before the first";
    h.SetCurrentFocus(5), h.Key(VK_RIGHT); // past the last shown column: it comes in as the last
    EXPECT_EQ(h.State(), "3 5 7 4 6 8 | 7 | 7 1");

    TestAlbum s(Grid(2, 3), 10);
    s.SetCurrentFocus(4);
    s.Key(VK_SHIFT, true), s.Key(VK_RIGHT, true), s.Key(VK_RIGHT, true);
    EXPECT_EQ(s.State(), "1 2 3 4 5 6 | 4 5 6 | 6 0");
    s.Key(VK_LEFT, true);
    EXPECT_EQ(s.State(), "1 2 3 4 5 6 | 4 5 | 5 0");

    // An empty album beeps at every navigation key, whatever the selection mode.
    for (int mode : {ACI_SELECT_SINGLE, ACI_SELECT_MULTI}) {
        TestAlbum e(Grid(2, 3, ACI_SCROLL_VERTICAL, mode), 0);
        for (int vk : {VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN, VK_PRIOR, VK_NEXT, VK_HOME, VK_END})
            e.Key(vk, false), e.Key(vk, true);
        EXPECT_EQ(e.State(), "0 0 0 0 0 0 |  | -1 16");
        EXPECT_EQ(e.SetCurrentFocus(1) + e.RemoveSelected(0), 0);
    }
    TestAlbum::Shift(false);
}

TEST(AlbumModel, RepaintRequests)
{
    // "cell W": repaint whole, "cell B": the bands around the picture; thumbnail n in cell n - 1.
    TestAlbum a(Grid(3, 3), 20);
    auto after = [&a](auto action) { a.ops.repaints.clear(), action(); return a.ops.repaints; };
    EXPECT_EQ(after([&] { a.Click(2); }), "1B ");
    EXPECT_EQ(after([&] { a.Key(VK_RIGHT); }), "1B 1W 2W ") << "old selection, then the cells from 2 to 3";
    a.Key(VK_SHIFT, true); // anchor 3
    EXPECT_EQ(after([&] { a.Key(VK_RIGHT, true); }), "2W 3W ");
    EXPECT_EQ(after([&] { a.Key(VK_DOWN, true); }), "2W 3W 4W 5W 6W ");
    EXPECT_EQ(after([&] { a.Key(VK_UP, true); }), "2W 3W 4W 5W 6W ") << "the run given up is repainted too";
    a.OnKeyUp(WM_KEYUP, VK_SHIFT, 0);
    EXPECT_EQ(after([&] { a.Key(VK_DOWN); }), "2B 3B 3W 4W 5W 6W ");
    EXPECT_EQ(after([&] { a.Key(VK_DOWN); }), "6B ") << "scrolled: the cells are attached again instead";
    EXPECT_EQ(a.GetFirstViewNailID(), 4);
    TestAlbum b(Grid(3, 3), 20);
    b.Click(5, MK_CONTROL);
    EXPECT_EQ(b.ops.repaints, "4W 4B ") << "a Ctrl-click that makes the first focus";
    TestAlbum::Shift(false);
}

TEST(AlbumModel, ClickRules)
{
    TestAlbum m(Grid(3, 3), 10);
    m.Click(2), m.Click(4, MK_CONTROL), m.Click(6, MK_CONTROL);
    m.Press(4, 0); // a press on a selected thumbnail waits for the release (a drag may start)
    EXPECT_EQ(m.State(), "1 2 3 4 5 6 7 8 9 | 2 4 6 | 2 0");
    m.HandleClick(WM_ALBUM_CELLUP, 0, m.CellOfNumber(4), m.T(4));
    EXPECT_EQ(m.State(), "1 2 3 4 5 6 7 8 9 | 4 | 4 0");

    // A press whose release never reached the cell (a drag took the mouse) leaves nothing pending.
    TestAlbum p(Grid(3, 3), 10);
    p.Click(2), p.Click(4, MK_CONTROL), p.Press(4, 0), p.Click(7, MK_CONTROL);
    EXPECT_EQ(p.State(), "1 2 3 4 5 6 7 8 9 | 2 4 7 | 2 0");

    // Ctrl-clicking the focus hands the focus to the lowest one still selected.
    m.Click(5), m.Click(2, MK_CONTROL), m.Click(7, MK_CONTROL);
    m.ops.sent.clear(), m.ops.lparams.clear();
    m.Click(5, MK_CONTROL);
    EXPECT_EQ(m.State(), "1 2 3 4 5 6 7 8 9 | 2 7 | 2 0");
    EXPECT_EQ(m.ops.sent, Codes{WM_ALBUM_FOCUS});
    EXPECT_EQ(m.ops.lparams, std::vector<LPARAM>{LPARAM(m.T(2))});

    // Shift-clicks select the run from the focus, which stays.
    m.Click(3), m.Click(8, MK_SHIFT);
    EXPECT_EQ(m.State(), "1 2 3 4 5 6 7 8 9 | 3 4 5 6 7 8 | 3 0");

    // Single selection: Ctrl and Shift are plain clicks, Shift with End only scrolls.
    TestAlbum one(Grid(3, 3, ACI_SCROLL_VERTICAL, ACI_SELECT_SINGLE), 10);
    one.Click(3), one.Click(5, MK_CONTROL), one.Click(8, MK_SHIFT), one.Click(2, MK_CONTROL | MK_SHIFT);
    EXPECT_EQ(one.State(), "1 2 3 4 5 6 7 8 9 | 2 | 2 0");
    one.Key(VK_SHIFT, true), one.Key(VK_END, true);
    EXPECT_EQ(one.State(), "4 5 6 7 8 9 10 0 0 | 2 | 2 0");
    TestAlbum::Shift(false);
}

TEST(AlbumContent, RemovingTheSelection)
{
    // Clicked in this order, the last entry being the former number made current: the ring is
    // removed skipping along from its head, which decides it.
    for (Ids order : {Ids{4, 5, 3}, Ids{5, 4, 6}, Ids{4, 1, 5, 6}, Ids{4, 5, 1, 3, 2}}) {
        TestAlbum a(Grid(2, 3), 10);
        a.Click(order[0]);
        for (size_t i = 1; i + 1 < order.size(); ++i)
            a.Click(order[i], MK_CONTROL);
        EXPECT_EQ(a.RemoveSelected(0), 1);
        EXPECT_EQ(Ids({a.Serial(a.GetCurrentFocus()), a.HaveSel()}), Ids({order.back(), 1}));
        EXPECT_EQ(a.Walk(false, true), Ids{a.GetCurrentFocus()});
        a.ExpectSound(); // no cell showed a removed thumbnail while the parent was told
    }
    // Everything: no focus, an empty grid, no thumbnail made current.
    TestAlbum b(Grid(2, 3), 10);
    b.Click(1), b.Key(VK_SHIFT, true), b.Key(VK_END, true), TestAlbum::Shift(false);
    b.ops.sent.clear(), b.ops.lparams.clear();
    EXPECT_EQ(b.RemoveSelected(0), 1);
    EXPECT_EQ(b.State(), "0 0 0 0 0 0 |  | -1 0");
    EXPECT_EQ(b.ops.sent, (Codes{WM_ALBUM_FOCUS, WM_ALBUM_LAYOUT}));
    EXPECT_EQ(b.ops.lparams[0], 0);

    // A focus outside the selection loses its mark; files go only when asked.
    ScratchDir dir;
    TestAlbum c(Grid(2, 3), 10);
    const std::string file = dir.File("gone.bmp");
    WriteBmpFile(file, 4, 4, 1);
    c.Add(file);
    c.SetThumbviewFocus(c.T(3));
    c.Select(c.T(7)), c.Select(c.T(11));
    c.Deselect(c.T(5)); // not selected: the ring stays
    EXPECT_EQ(c.RemoveSelected(1), 1);
    EXPECT_FALSE(FileExists(file));
    EXPECT_EQ(c.Serial(c.GetCurrentFocus()), 10);
    c.ExpectSound();

    // A record switched to single selection while several are selected: all of them go.
    TestAlbum d(Grid(2, 3), 10);
    d.Click(2), d.Click(3, MK_CONTROL), d.Click(4, MK_CONTROL);
    d.m_aci.nSelectMode = ACI_SELECT_SINGLE;
    EXPECT_EQ(d.RemoveSelected(0), 1);
    EXPECT_EQ(d.Order(), "1 5 6 7 8 9 10");
    d.ExpectSound();
}

TEST(AlbumContent, InsertingPictures)
{
    TestAlbum a(Grid(2, 3), 10);
    // A path already held (in any case): only a refresh, and the picture stays the caller's.
    HGLOBAL dib = MakeDib(8, 6, 1);
    EXPECT_EQ(a.InsertFromThumbnail(dib, "d", "c:\\PICS\\002.BMP", nullptr, 80, 60), 0);
    EXPECT_EQ(a.InsertFromThumbnail(nullptr, "", Name(3).c_str(), nullptr, 0, 0), 0);
    EXPECT_EQ(a.GetThumbNailCount() * 10 + a.T(2)->m_bExist + a.T(3)->m_bExist, 100) << "sources missing";

    // A new picture at the end, beyond the shown page, is scrolled into view.
    ScratchDir dir;
    const std::string path = dir.File("new.bmp");
    WriteBmpFile(path, 8, 6, 3);
    SetFileTimes(path, 1000, 2000);
    EXPECT_EQ(a.InsertFromThumbnail(dib, "desc", path.c_str(), nullptr, 800, 600), 1);
    const tagALBUMINFOHEADER& r = a.T(11)->m_Info;
    EXPECT_EQ(std::string(r.szFileName) + "|" + r.szDescription, path + "|desc");
    EXPECT_EQ(Ids({int(r.dwFileTime), int(r.dwFileSize), r.wThumbWidth, r.wThumbHeight, r.wWidth, r.wHeight}),
              Ids({2000, int(ReadBytes(path).size()), 8, 6, 800, 600}));
    EXPECT_TRUE(r.dwDibSize == GlobalSize(dib) && a.T(11)->m_hDib == dib);
    EXPECT_EQ(a.State(), "7 8 9 10 11 0 |  | -1 0");
    EXPECT_EQ(a.ops.sent.back(), UINT(WM_ALBUM_LAYOUT));

    // Before the first shown: the new one is shown first.
    EXPECT_EQ(a.InsertFromThumbnail(MakeDib(4, 4, 2), "", Name(99).c_str(), a.T(7), 4, 4), 1);
    EXPECT_EQ(a.State() + " " + std::to_string(a.Serial(7)), "7 8 9 10 11 12 |  | -1 0 99");

    // A path that cannot be brought to 127 characters.
    HGLOBAL spare = MakeDib(4, 4, 3);
    const std::string longPath = "C:\\" + std::string(150, 'a') + ".bmp";
    EXPECT_EQ(a.InsertFromThumbnail(spare, "", longPath.c_str(), nullptr, 4, 4), 0);
    EXPECT_EQ(a.ops.beeps, 1);
    GlobalFree(spare);
}

TEST(AlbumContent, InsertingTables)
{
    // Held names are refreshed instead, and counted only when rebuilt.
    ScratchDir dir;
    const std::string file = dir.File("held.bmp");
    WriteBmpFile(file, 8, 6, 1);
    TestAlbum a(Grid(2, 3), 10);
    a.Add(file); // 11, older than its file
    a.ScrollTo(4), a.Click(4);
    CThumbTable2 source;
    for (const std::string& name : {Name(21), Name(6), Name(22), file}) {
        auto rec = MakeRecord(name.c_str());
        source.Insert(new CThumbnail2(&rec, MakeDib(4, 4, 1), 0, 1), nullptr);
    }
    a.ops.sent.clear();
    EXPECT_EQ(a.InsertFromTable(&source, nullptr), 3) << "21, 22 and the rebuilt file; 6 has no file";
    EXPECT_EQ(a.ops.sent, (Codes{WM_ALBUM_LAYOUT})) << "laid out once for the whole table";
    EXPECT_EQ(source.GetCount() + a.T(13)->m_Info.wWidth * 10, 80) << "emptied; the held thumbnail rebuilt";

    // Refreshing succeeds only when every thumbnail was rebuilt (none; a newer file; not again).
    TestAlbum r(Grid(2, 3), 0);
    WriteBmpFile(dir.File("fresh.bmp"), 8, 6, 2);
    const int none = r.RefreshAlbum();
    r.Add(dir.File("fresh.bmp"));
    EXPECT_EQ(Ids({none, r.RefreshAlbum(), r.T(1)->m_Info.wWidth, r.RefreshAlbum()}), Ids({1, 1, 8, 0}));
    EXPECT_TRUE(r.ops.cells[0] == r.T(1) && r.ops.sent == Codes(3, WM_ALBUM_LAYOUT));
}

TEST(AlbumModel, LoadAndFreeResetTheView)
{
    ScratchDir dir;
    const std::string path = dir.File("other.abm");
    SaveAlbum(path, {Name(31), Name(32), Name(33), Name(34)});
    for (bool load : {true, false}) {
        TestAlbum a(Grid(2, 3), 10);
        a.m_Doc.SetAutoCheck(0);
        a.Click(2), a.Click(5, MK_CONTROL), a.Key(VK_SHIFT, true); // selection, focus and anchor
        a.ops.sent.clear();
        if (load)
            EXPECT_EQ(a.Load(path.c_str()), 1);
        else
            a.FreeAlbumData();
        EXPECT_EQ(a.State(), load ? "1 2 3 4 0 0 |  | -1 0" : "0 0 0 0 0 0 |  | -1 0");
        EXPECT_EQ(a.ops.sent, load ? Codes{WM_ALBUM_LAYOUT} : Codes{});
        a.ExpectSound(); // also: no cell showed a freed thumbnail when the parent was told
        a.Key(VK_RIGHT, true); // Shift still down: no anchor is left from the old album
        EXPECT_EQ(a.State(), load ? "1 2 3 4 0 0 | 1 2 | 2 0" : "0 0 0 0 0 0 |  | -1 1");
    }
    // A file that cannot be read changes nothing: the album, its selection and its focus stay.
    TestAlbum k(Grid(2, 3), 10);
    k.Click(2), k.Click(5, MK_CONTROL);
    WriteBytes(dir.File("damaged.abm"), std::vector<unsigned char>(300, 7));
    EXPECT_EQ(k.Load(dir.File("damaged.abm").c_str()), 0);
    EXPECT_EQ(k.State() + " " + k.m_Doc.GetPath(), "1 2 3 4 5 6 | 2 5 | 2 0 ");
    k.ExpectSound();
    TestAlbum::Shift(false);
}

TEST(AlbumContent, ExchangeListsDragCopiesAndSorts)
{
    TestAlbum a(Grid(3, 3), 10);
    a.Click(2);
    EXPECT_EQ(a.ExchangeWith(a.T(5)), 1);
    EXPECT_EQ(a.Order() + " focus " + std::to_string(a.GetCurrentFocus()), "1 3 4 5 2 6 7 8 9 10 focus 5");
    TestAlbum b(Grid(3, 3), 10);
    b.Click(5);
    EXPECT_EQ(b.ExchangeWith(b.T(2)), 1);
    EXPECT_EQ(b.Order(), "1 5 2 3 4 6 7 8 9 10");
    EXPECT_EQ(b.ExchangeWith(b.T(2)) + b.DoExchange(nullptr), 0) << "onto itself; no cell";

    // Path lists: one fixed block of 260-character slots; unresolvable names are left out.
    strcpy(b.T(4)->m_Info.szFileName, "nowhere\\x.bmp");
    int n = -1;
    char(*list)[MAX_PATH] = nullptr;
    ASSERT_EQ(b.GetImageList(n, list), 1);
    EXPECT_EQ(Ids({n, SerialOf(list[3])}), Ids({9, 4}));
    EXPECT_TRUE(GlobalSize(list) >= 10 * MAX_PATH && GlobalHandle(list) == HGLOBAL(list)) << "fixed memory";
    GlobalFree(list);
    b.Click(3), b.Click(7, MK_CONTROL), b.Click(5, MK_CONTROL);
    ASSERT_EQ(b.GetSelectImageList(n, list), 1);
    EXPECT_EQ(Ids({n, SerialOf(list[0]), SerialOf(list[1]), SerialOf(list[2])}), Ids({3, 4, 7, 2})) << "newest first";
    GlobalFree(list);

    // Drag copies (unselected): the older selections first, the newest last; the paths go along.
    b.m_Doc.SetPath("C:\\albums\\trip.abm");
    CAlbumDoc2 drag;
    EXPECT_EQ(b.GetDragDate(&drag) + b.GetDragDate(nullptr), 3);
    Ids copied;
    for (int i = 1; i <= drag.GetCount(); ++i)
        copied.push_back(SerialOf(drag.GetThumbnail(i)->m_Info.szFileName) + 100 * drag.GetThumbnail(i)->m_bSelect);
    EXPECT_EQ(Join(copied), "7 2 4");
    EXPECT_EQ(std::string(drag.GetPath()) + "|" + drag.GetDescription(), "C:\\albums\\trip.abm|C:\\albums\\trip.abm");
    b.DeselectAll();
    EXPECT_EQ(b.GetSelectImageList(n, list), 0);
    EXPECT_EQ(n, 0);

    // Sorting keeps the shown place; the selection and focus stay with their thumbnails.
    TestAlbum s(Grid(2, 3), 10);
    s.Click(2), s.Click(5, MK_CONTROL), s.Key(VK_NEXT);
    EXPECT_EQ(s.SortBySize(0), 1);
    EXPECT_EQ(s.Order() + " / " + s.State(), "10 9 8 7 6 5 4 3 2 1 / 7 8 9 10 0 0 | 6 9 | 9 0");
    TestAlbum empty(Grid(2, 3), 0);
    EXPECT_EQ(empty.SortByName(0) + empty.GetImageList(n = 5, list), 0);
    EXPECT_EQ(n, 0);
}

TEST(AlbumModel, RandomOperationsKeepTheViewSound)
{
    std::mt19937 rng(2024);
    int serial = 100;
    const WPARAM keySets[] = {0, MK_CONTROL, MK_SHIFT, MK_CONTROL | MK_SHIFT};
    const int vks[] = {VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN, VK_PRIOR, VK_NEXT, VK_HOME, VK_END, VK_SHIFT, 'A'};
    for (int dir : {ACI_SCROLL_VERTICAL, ACI_SCROLL_HORIZONTAL})
        for (int mode : {ACI_SELECT_SINGLE, ACI_SELECT_MULTI}) {
            TestAlbum a(Grid(3, 4, dir, mode), int(rng() % 30));
            for (int step = 0; step < 1500 && !::testing::Test::HasFailure(); ++step) {
                SCOPED_TRACE("direction " + std::to_string(dir) + ", mode " + std::to_string(mode) + ", step " +
                             std::to_string(step));
                const int count = a.GetThumbNailCount(), cell = int(rng() % 12), pick = int(rng() % (count + 2));
                CThumbnail2* const at = rng() % 3 ? a.T(pick) : a.m_pFirstShown;
                switch (rng() % 11) {
                case 0: case 1: case 2: case 3: // a press, and its release here or elsewhere
                    a.HandleClick(rng() % 5 ? WM_ALBUM_CELLDOWN : WM_ALBUM_MENU, keySets[rng() % 4], cell,
                                  a.ops.cells[size_t(cell)]);
                    if (rng() % 4)
                        a.HandleClick(WM_ALBUM_CELLUP, keySets[rng() % 4], int(rng() % 12), a.ops.cells[rng() % 12]);
                    break;
                case 4: case 5:
                    a.Key(vks[rng() % 10], rng() % 2 != 0);
                    if (rng() % 3 == 0)
                        a.OnKeyUp(WM_KEYUP, VK_SHIFT, 0);
                    break;
                case 6: a.OnScroll(WM_VSCROLL, MAKEWPARAM(rng() % 9, rng() % 120), MAKELPARAM(100, 0)); break;
                case 7: a.RemoveSelected(0); break;
                case 8: a.InsertFromThumbnail(MakeDib(4, 4, 1), "", Name(serial++).c_str(), at, 4, 4); break;
                case 9: rng() % 2 ? a.ExchangeWith(a.T(pick)) : a.SetCurrentFocus(pick); break;
                default: rng() % 2 ? a.SortByName(int(rng() % 2)) : a.SortBySize(int(rng() % 2)); break;
                }
                a.ExpectSound();
            }
        }
    TestAlbum::Shift(false);
}

namespace {

struct SourceTable : CThumbTable2 {
    using CThumbTable2::Remove;
};

// A table inserted one thumbnail at a time, each laid out and announced on its own.
int InsertOneByOne(TestAlbum& a, SourceTable& source, CThumbnail2* before)
{
    if (!before)
        before = a.m_pFocus ? a.m_pFocus : a.m_Doc.m_pEnd;
    CThumbnail2* const previous = before->m_pPrev;
    int counted = 0;
    while (source.GetCount() > 0) {
        CThumbnail2* t = source.m_pEnd->m_pNext;
        source.Remove(t, 0);
        if (CThumbnail2* existing = a.m_Doc.FindFileInDoc(t->m_Info.szFileName)) {
            counted += a.m_Doc.Refresh(existing) ? 1 : 0;
            delete t;
            continue;
        }
        a.m_Doc.Insert(t, before);
        ++counted;
        if (before == a.m_pFirstShown)
            a.m_pFirstShown = previous->m_pNext;
        if (!a.IsShown(t->m_nID)) {
            a.m_pFirstShown = t;
            a.m_nFirstShown = t->m_nID;
        }
        a.UpDataThumbListView(t->m_nID);
    }
    return counted;
}

} // namespace

// A pasted table is laid out once, and the album ends as it ended when each thumbnail was laid
// out on its own, whatever the grid, the place and the names.
TEST(AlbumContent, PastingATableEndsAsPastingOneByOneEnded)
{
    std::mt19937 rng(77);
    for (int round = 0; round < 400 && !::testing::Test::HasFailure(); ++round) {
        const int rows = 1 + int(rng() % 4), cols = 1 + int(rng() % 4), count = int(rng() % 30);
        const int dir = rng() % 2 ? ACI_SCROLL_VERTICAL : ACI_SCROLL_HORIZONTAL;
        const unsigned seed = rng();
        TestAlbum batch(Grid(rows, cols, dir), count), single(Grid(rows, cols, dir), count);
        SourceTable sources[2];
        CThumbnail2* before[2] = {nullptr, nullptr};
        TestAlbum* albums[2] = {&batch, &single};
        for (int k = 0; k < 2; ++k) {
            std::mt19937 same(seed); // both albums get the same view and the same table
            TestAlbum& a = *albums[k];
            if (count && same() % 2)
                a.ScrollTo(1 + int(same() % unsigned(count)));
            if (count && same() % 3)
                a.Click(a.GetFirstViewNailID() + int(same() % unsigned(std::min(count - a.GetFirstViewNailID() + 1, rows * cols))));
            const int n = int(same() % 12);
            for (int i = 0; i < n; ++i) {
                // New names, names the album holds (in any letter case), names twice in the table.
                std::string name = Name(200 + int(same() % 8));
                if (count && same() % 3 == 0)
                    name = Name(1 + int(same() % unsigned(count)));
                if (same() % 4 == 0)
                    for (char& c : name)
                        c = char(toupper(c));
                auto rec = MakeRecord(name.c_str());
                sources[k].Insert(new CThumbnail2(&rec, MakeDib(4, 4, 3), 0, 1), nullptr);
            }
            const unsigned where = same() % 3;
            before[k] = where == 0 || !count ? nullptr : where == 1 ? a.m_pFirstShown : a.T(1 + int(same() % unsigned(count)));
        }
        SCOPED_TRACE("round " + std::to_string(round));
        const int pasted = batch.InsertFromTable(&sources[0], before[0]);
        const int oneByOne = InsertOneByOne(single, sources[1], before[1]);
        EXPECT_EQ(pasted, oneByOne);
        EXPECT_EQ(batch.Order(), single.Order());
        EXPECT_EQ(batch.m_nSelHead, single.m_nSelHead);
        EXPECT_EQ(batch.State(), single.State());
        EXPECT_EQ(sources[0].GetCount(), 0);
        batch.ExpectSound();
    }
}
