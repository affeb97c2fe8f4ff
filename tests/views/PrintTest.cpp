// Contact sheets recorded into enhanced metafiles: layout, banding, shortened names, stopped jobs.
#include "album/AlbumDoc.h"
#include "support/MemoryCanvas.h"
#include "support/TestSupport.h"
#include "views/PrintSheets.h"
#include "win/AnsiNames.h"
#include "win/Gdi.h"
#include "win/Handles.h"

using namespace testsupport;
using printing::PageCaps;
using printing::SheetLayout;

namespace {

// The drawing calls a page received, as the metafile recorded them.
struct Page {
    std::vector<EMRSTRETCHDIBITS> pictures;
    std::vector<std::pair<POINTL, std::string>> texts;
    std::vector<POINT> path; // every MoveTo and LineTo point, in order
};

// A metafile DC standing in for the printer; pages are told apart by a comment at each start.
class Recording {
public:
    Recording()
    {
        RECT frame = {0, 0, 50000, 50000};
        dc_ = CreateEnhMetaFileA(nullptr, nullptr, &frame, nullptr);
    }
    ~Recording()
    {
        if (dc_)
            DeleteEnhMetaFile(CloseEnhMetaFile(dc_));
    }
    HDC dc() const { return dc_; }
    // Ends the recording and sorts its records by page.
    std::vector<Page> Pages()
    {
        HENHMETAFILE emf = CloseEnhMetaFile(dc_);
        dc_ = nullptr;
        std::vector<Page> pages;
        EnumEnhMetaFile(nullptr, emf, Collect, &pages, nullptr);
        DeleteEnhMetaFile(emf);
        return pages;
    }

private:
    static int CALLBACK Collect(HDC, HANDLETABLE*, const ENHMETARECORD* r, int, LPARAM data)
    {
        auto& pages = *reinterpret_cast<std::vector<Page>*>(data);
        if (r->iType == EMR_GDICOMMENT)
            pages.emplace_back();
        if (pages.empty())
            return 1;
        Page& page = pages.back();
        switch (r->iType) {
        case EMR_STRETCHDIBITS:
            page.pictures.push_back(*reinterpret_cast<const EMRSTRETCHDIBITS*>(r));
            break;
        case EMR_EXTTEXTOUTA:
        case EMR_EXTTEXTOUTW: { // the same record but for the characters' width
            const auto* t = reinterpret_cast<const EMREXTTEXTOUTA*>(r);
            const char* s = reinterpret_cast<const char*>(r) + t->emrtext.offString;
            std::wstring wide(t->emrtext.nChars, L'\0');
            if (r->iType == EMR_EXTTEXTOUTW)
                memcpy(&wide[0], s, wide.size() * sizeof(WCHAR));
            page.texts.push_back({t->emrtext.ptlReference, r->iType == EMR_EXTTEXTOUTA ? std::string(s, wide.size())
                                                                                       : win::Utf8Of(wide.c_str(), int(wide.size()))});
            break;
        }
        case EMR_MOVETOEX:
        case EMR_LINETO: // both a record type, a size and a point
            page.path.push_back({reinterpret_cast<const EMRLINETO*>(r)->ptl.x, reinterpret_cast<const EMRLINETO*>(r)->ptl.y});
            break;
        }
        return 1;
    }
    HDC dc_;
};

// A print job logging its calls and pages shown; it fails one call, or cancels, at its time-th.
struct TestJob : printing::PrintJob {
    explicit TestJob(HDC dc, std::string failing = "", int failingTime = 1) : dc(dc), failing(failing), time(failingTime) {}
    int Call(const std::string& name)
    {
        calls += (calls.empty() ? "" : " ") + name;
        return name == failing && --time == 0 ? 0 : 1;
    }
    int BeginDocument(const char* name) override { document = name; return Call("doc"); }
    int BeginPage() override
    {
        const int ok = Call("page");
        if (ok)
            GdiComment(dc, 4, reinterpret_cast<const BYTE*>("page"));
        return ok;
    }
    int FinishPage() override { return Call("end"); }
    int FinishDocument() override { return Call("enddoc"); }
    void Abandon() override { Call("abort"); }
    void ShowPage(int page, int pages) override
    {
        shown += (shown.empty() ? "" : " ") + std::to_string(page) + "/" + std::to_string(pages);
    }
    bool Continue() override { return failing != "cancel" || ++asked != time; }
    HDC dc;
    std::string failing;
    int time, asked = 0;
    std::string calls, document, shown;
};

const PageCaps k600 = {4800, 6600, 600};

std::string Name(int i) { return "C:\\missing\\picture " + std::to_string(i) + ".bmp"; }

// count thumbnails of 60 x 40 named after Name(i), except those given other sizes.
void Fill(CAlbumDoc2& doc, int count, int firstWidth = 60, int firstHeight = 40)
{
    for (int i = 1; i <= count; ++i) {
        auto rec = MakeRecord(Name(i).c_str());
        rec.wThumbWidth = WORD(i == 1 ? firstWidth : 60);
        rec.wThumbHeight = WORD(i == 1 ? firstHeight : 40);
        doc.Insert(new CThumbnail2(&rec, MakeDib(rec.wThumbWidth, rec.wThumbHeight, unsigned(i)), 0, 1), nullptr);
    }
}

printing::SheetOptions Options(bool selectedOnly, bool names, int size = 32)
{
    return {"sheets", selectedOnly, names, size, size};
}

int TextWidth(HDC dc, const std::string& s)
{
    SIZE size = {0, 0};
    GetTextExtentPoint32A(dc, s.c_str(), int(s.size()), &size);
    return size.cx;
}

} // namespace

TEST(PrintLayout, GridFollowsThePageAndOversizedBoxesGetThePageToThemselves)
{
    struct Case { PageCaps caps; int size; bool names; SheetLayout expected; } cases[] = {
        {k600, 16, false, {8, 11, 600, 600, 600, 600}},
        // Names need 50 pixels under 1-inch boxes that fill their rows: one row fewer.
        {k600, 16, true, {8, 10, 600, 660, 600, 600}},
        // 2 1/2 inch boxes on a page 2 inches wide: one box across, shrunk to the page.
        {{1200, 6600, 600}, 40, true, {1, 4, 1200, 1650, 1200, 1200}},
        // ... and on a page smaller than the box both ways, with room kept for the name.
        {{1200, 900, 600}, 40, true, {1, 1, 1200, 900, 850, 850}},
        {{1200, 900, 600}, 40, false, {1, 1, 1200, 900, 900, 900}},
    };
    for (const Case& c : cases) {
        SheetLayout g = {};
        ASSERT_TRUE(printing::LayOutSheet(c.caps, c.size, c.size, c.names, &g)) << c.caps.width << " " << c.size;
        const SheetLayout& e = c.expected;
        EXPECT_EQ(std::vector<int>({g.columns, g.rows, g.columnPitch, g.rowPitch, g.boxWidth, g.boxHeight}),
                  std::vector<int>({e.columns, e.rows, e.columnPitch, e.rowPitch, e.boxWidth, e.boxHeight}))
            << c.caps.width << "x" << c.caps.height << " size " << c.size << (c.names ? " names" : "");
    }
    SheetLayout g;
    EXPECT_FALSE(printing::LayOutSheet({4800, 6600, 0}, 32, 32, true, &g));
    EXPECT_FALSE(printing::LayOutSheet(k600, 0, 32, true, &g));
}

TEST(PrintSheets, BoxesPicturesNamesAndFramesLandWhereTheLayoutSays)
{
    ScratchDir dir;
    CAlbumDoc2 doc;
    Fill(doc, 25, 100, 50);
    // Thumbnail 2's source exists: the full picture is printed, not the thumbnail.
    const std::string source = dir.File("source.bmp");
    WriteBmpFile(source, 300, 200, 7);
    strcpy(doc.GetThumbnail(2)->m_Info.szFileName, source.c_str());
    // Thumbnail 6's source is stored by its short names relative to the album's folder, as a
    // thumbnail built from the file stores it: its name prints as people know it.
    const std::string shortPath = WriteBmpNamedInOtherScripts(dir.path(), 30, 20);
    strcpy(doc.GetThumbnail(6)->m_Info.szFileName, shortPath.c_str() + dir.path().size() + 1);
    doc.SetPath(dir.File("sheets.abm").c_str());
    // A record without a thumbnail size gets its frame and name but no picture.
    doc.GetThumbnail(4)->m_Info.wThumbWidth = doc.GetThumbnail(4)->m_Info.wThumbHeight = 0;

    Recording rec;
    TestJob job(rec.dc());
    ASSERT_EQ(printing::PrintSheets(rec.dc(), k600, doc, Options(false, true), job), 1);
    EXPECT_EQ(job.shown, "1/2 2/2");
    EXPECT_EQ(job.document, "sheets");
    const std::vector<Page> pages = rec.Pages();
    ASSERT_EQ(pages.size(), 2u);
    ASSERT_EQ(pages[0].pictures.size(), 19u);
    ASSERT_EQ(pages[1].pictures.size(), 5u);

    // The 100 x 50 thumbnail: 1200 x 600, 300 below the top of the first box.
    auto where = [](const EMRSTRETCHDIBITS& p) {
        return std::vector<LONG>({p.xDest, p.yDest, p.cxDest, p.cyDest, p.cxSrc, p.cySrc});
    };
    EXPECT_EQ(where(pages[0].pictures[0]), std::vector<LONG>({0, 300, 1200, 600, 100, 50}));
    // Thumbnail 2: the 300 x 200 source in the second box.
    EXPECT_EQ(where(pages[0].pictures[1]), std::vector<LONG>({1200, 200, 1200, 800, 300, 200}));

    for (size_t p = 0; p < pages.size(); ++p) {
        const size_t boxes = p == 0 ? 20 : 5;
        ASSERT_EQ(pages[p].texts.size(), boxes);
        ASSERT_EQ(pages[p].path.size(), boxes * 5);
        for (size_t k = 0; k < boxes; ++k) {
            const LONG x = LONG(k % 4) * 1200, y = LONG(k / 4) * 1320;
            const std::vector<POINT>& path = pages[p].path;
            std::vector<LONG> corners, want = {x, y, x + 1200, y, x + 1200, y + 1200, x, y + 1200, x, y};
            for (size_t i = k * 5; i < k * 5 + 5; ++i)
                corners.insert(corners.end(), {path[i].x, path[i].y});
            EXPECT_EQ(corners, want) << "page " << p << " box " << k;
            EXPECT_EQ(std::make_pair(pages[p].texts[k].first.x, pages[p].texts[k].first.y), std::make_pair(x, y + 1200));
        }
    }
    EXPECT_EQ(pages[1].texts[0].second, Name(21)) << "names that fit print whole";
    EXPECT_EQ(pages[0].texts[5].second, "Фото 2026\\写真.bmp");
}

TEST(PrintSheets, OnlyTheSelected)
{
    CAlbumDoc2 doc;
    Fill(doc, 8);
    doc.GetThumbnail(3)->m_bSelect = doc.GetThumbnail(7)->m_bSelect = 1;
    Recording rec;
    TestJob job(rec.dc());
    ASSERT_EQ(printing::PrintSheets(rec.dc(), k600, doc, Options(true, false), job), 1);
    EXPECT_EQ(job.calls + " " + job.shown, "doc page end enddoc 1/1");
    const std::vector<Page> pages = rec.Pages();
    ASSERT_EQ(pages.size(), 1u);
    ASSERT_EQ(pages[0].pictures.size(), 2u);
    EXPECT_EQ(pages[0].path.size(), 10u) << "frames of the selected only";
    EXPECT_TRUE(pages[0].texts.empty());
    EXPECT_EQ(pages[0].pictures[1].xDest, 1200) << "the second selected thumbnail takes the second box";
}

TEST(PrintSheets, BigPicturesGoInBandsStackedFromTheBottom)
{
    // The pieces a w x h picture drawn into r goes in.
    auto bands = [](int w, int h, RECT r) {
        win::GlobalBlock dib(MakeDib(w, h, 1));
        Recording rec;
        GdiComment(rec.dc(), 4, reinterpret_cast<const BYTE*>("page"));
        EXPECT_TRUE(printing::DrawDibBanded(rec.dc(), r.left, r.top, r.right, r.bottom, dib.get()));
        return rec.Pages()[0].pictures;
    };
    // 2000 x 1000 = 2,000,000 pixels: two bands of 500 source rows each.
    const std::vector<EMRSTRETCHDIBITS> big = bands(2000, 1000, {100, 50, 1200, 601});
    ASSERT_EQ(big.size(), 2u);
    const EMRSTRETCHDIBITS &low = big[0], &high = big[1];
    EXPECT_EQ(std::vector<LONG>({low.ySrc, low.cySrc, low.yDest, low.cyDest, low.xDest, low.cxDest, low.cxSrc}),
              std::vector<LONG>({0, 500, 50 + 601 - 300, 300, 100, 1200, 2000}));
    EXPECT_EQ(std::vector<LONG>({high.ySrc, high.cySrc, high.yDest, high.cyDest}), std::vector<LONG>({500, 500, 50, 301}));
    // Just under 0x100000 pixels goes in one piece; exactly 0x100000 in two.
    EXPECT_EQ(bands(1024, 1023, {0, 0, 100, 100}).size(), 1u);
    EXPECT_EQ(bands(1024, 1024, {0, 0, 100, 100}).size(), 2u);
    HGLOBAL junk = MakeBlock(100, 3);
    EXPECT_FALSE(printing::DrawDibBanded(CreateCompatibleDC(nullptr), 0, 0, 10, 10, junk));
    GlobalFree(junk);
}

TEST(PrintSheets, LongNamesKeepTheirEndBehindThreeDots)
{
    MemoryCanvas canvas(1, 1);
    const HDC dc = canvas.dc;
    LOGFONTA lf = {};
    lf.lfHeight = -48;
    strcpy(lf.lfFaceName, "Arial");
    win::Font font(CreateFontIndirectA(&lf));
    win::SelectGuard selected(dc, font.get());
    const std::string name = "C:\\Photographs\\Holidays 2019\\Beach at sunset number 42.bmp";
    char out[160];
    const int whole = TextWidth(dc, name);
    EXPECT_EQ(printing::ShortenCaption(dc, name.c_str(), name.size(), whole, out, sizeof out), name.size());
    EXPECT_EQ(std::string(out), name);

    for (int box : {whole - 1, whole / 2, 300}) {
        // The first position from which the rest fits, found by measuring every tail.
        size_t s = name.size() - 1;
        for (size_t i = 1; i + 1 < name.size(); ++i)
            if (TextWidth(dc, name.substr(i)) <= box) {
                s = i;
                break;
            }
        ASSERT_GT(TextWidth(dc, name.substr(s - 1)), box);
        printing::ShortenCaption(dc, name.c_str(), name.size(), box, out, sizeof out);
        EXPECT_EQ(std::string(out), "..." + name.substr(s + 4)) << box;
    }
    // Nothing fits: only the dots.
    printing::ShortenCaption(dc, name.c_str(), name.size(), 1, out, sizeof out);
    EXPECT_STREQ(out, "...");
    // The caption is bounded by the buffer.
    EXPECT_EQ(printing::ShortenCaption(dc, name.c_str(), name.size(), whole, out, 8), 7u);
}

TEST(PrintSheets, AJobThePrinterStopsOrTheUserCancelsIsAbandoned)
{
    CAlbumDoc2 doc;
    Fill(doc, 25);
    struct Case { std::string failing; int time; std::string calls; size_t pictures; int result; } cases[] = {
        {"doc", 1, "doc abort", 0, 0},
        {"page", 2, "doc page end page abort", 20, 0},
        {"end", 2, "doc page end page end abort", 25, 0},
        {"enddoc", 1, "doc page end page end enddoc abort", 25, 0},
        // Cancelled before the first box of page 2, and after the last box: nothing more is sent.
        {"cancel", 21, "doc page abort", 20, printing::kPrintCancelled},
        {"cancel", 26, "doc page end page abort", 25, printing::kPrintCancelled},
    };
    for (const Case& c : cases) {
        Recording rec;
        GdiComment(rec.dc(), 4, reinterpret_cast<const BYTE*>("page"));
        TestJob job(rec.dc(), c.failing, c.time);
        EXPECT_EQ(printing::PrintSheets(rec.dc(), k600, doc, Options(false, false), job), c.result) << c.calls;
        EXPECT_EQ(job.calls, c.calls);
        size_t pictures = 0;
        for (const Page& p : rec.Pages())
            pictures += p.pictures.size();
        EXPECT_EQ(pictures, c.pictures) << c.calls << ": nothing is drawn after the failure";
    }

    // A DC that cannot start a document: the real job calls fail and nothing reaches the DC.
    MemoryCanvas page(480, 660);
    printing::PrinterJob printer(page.dc);
    EXPECT_EQ(printing::PrintSheets(page.dc, {480, 660, 60}, doc, Options(false, true), printer), 0);
    EXPECT_EQ(GetPixel(page.dc, 0, 0), RGB(255, 255, 255)) << "no frame drawn";
}
