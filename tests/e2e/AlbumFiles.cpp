#include "AlbumFiles.h"

#include "album.h"

namespace e2e {

bool MakeAlbum(const std::string& album, const std::vector<std::string>& images, int thumbSide)
{
    CAlbumDoc2 doc;
    doc.SetThumbnailSize(WORD(thumbSide), WORD(thumbSide));
    for (const std::string& image : images) {
        CThumbnail2* t = BuildThumbnailFromFile(image.c_str(), WORD(thumbSide), WORD(thumbSide), nullptr);
        if (!t)
            return false;
        doc.Insert(t, nullptr);
    }
    doc.SetPath(album.c_str());
    return doc.Save(album.c_str()) != 0;
}

AlbumContents ReadAlbum(const std::string& album)
{
    AlbumContents c;
    CAlbumDoc2 doc;
    doc.SetAutoCheck(0);
    if (doc.Load(album.c_str()) != 1)
        return c;
    for (int i = 1; i <= doc.GetCount(); ++i) {
        const tagALBUMINFOHEADER* info = doc.GetThumbnail(i)->GetInfo();
        char name[sizeof info->szFileName + 1] = "";
        memcpy(name, info->szFileName, sizeof info->szFileName);
        c.names.push_back(strrchr(name, '\\') ? strrchr(name, '\\') + 1 : name);
        c.sizes.emplace_back(info->wWidth, info->wHeight);
    }
    return c;
}

} // namespace e2e
