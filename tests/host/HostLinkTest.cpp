// Uses the library the way a host does: the public header and the DLL, nothing else.
#include <stdio.h>
#include "album.h"
#include "support/TestSupport.h"

TEST(HostLink, DocumentsBuiltAndReadThroughTheDll)
{
    testsupport::ScratchDir dir;
    const std::string path = dir.File("host.abm");
    {
        CAlbumDoc2 doc;
        doc.SetPath(path.c_str());
        EXPECT_STREQ(doc.GetDescription(), path.c_str()) << "an empty description takes the path";
        doc.SetDescription("from the host");
        EXPECT_EQ(doc.SetThumbnailSize(0, 80), 0);
        EXPECT_EQ(doc.SetThumbnailSize(96, 80), 1);
        for (int i = 0; i < 3; ++i) {
            tagALBUMINFOHEADER rec = {};
            snprintf(rec.szFileName, sizeof rec.szFileName, "Pics\\%c.bmp", 'c' - i);
            rec.dwFileSize = DWORD(100 * (i + 1));
            rec.dwDibSize = 64;
            doc.Insert(new CThumbnail2(&rec, testsupport::MakeBlock(64, unsigned(i)), 0, 1), nullptr);
        }
        ASSERT_EQ(doc.GetCount(), 3);
        ASSERT_NE(doc.Save(path.c_str()), 0);
    }
    CAlbumDoc2 back;
    back.SetAutoCheck(0);
    ASSERT_EQ(back.Load(path.c_str()), 1);
    ASSERT_EQ(back.GetCount(), 3);
    EXPECT_STREQ(back.GetDescription(), "from the host");
    EXPECT_STREQ(back.GetThumbnail(3)->GetInfo()->szFileName, "Pics\\a.bmp");
    EXPECT_EQ(back.GetThumbnail(2)->GetID(), 2);
    EXPECT_EQ(back.GetThumbnail(4), nullptr);

    CThumbnail2* clone = back.GetThumbnail(1)->Clone();
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(clone->GetInfo()->dwFileSize, 100u);
    delete clone;
}
