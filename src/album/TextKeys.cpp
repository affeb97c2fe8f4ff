#include "album/TextKeys.h"

#include <string.h>
#include "win/Handles.h"

namespace textkeys {

static char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

std::string FoldedName(const char* field)
{
    std::string s(field, win::FieldLength(field, ALBUM_TEXT_FIELD));
    for (char& c : s)
        c = LowerAscii(c);
    return s;
}

bool EqualNoCase(const char* a, const char* b)
{
    for (;; ++a, ++b) {
        if (LowerAscii(*a) != LowerAscii(*b))
            return false;
        if (*a == '\0')
            return true;
    }
}

bool EqualFieldsNoCase(const char* a, const char* b)
{
    const size_t n = win::FieldLength(a, ALBUM_TEXT_FIELD);
    if (n != win::FieldLength(b, ALBUM_TEXT_FIELD))
        return false;
    for (size_t i = 0; i < n; ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

const char* NameAfterFolder(const char* name)
{
    const char* after = name;
    for (const char* p = name; *p; ++p)
        if (*p == '\\' || *p == ':')
            after = p + 1;
    return after;
}

const char* FileNameInPath(const char* path)
{
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == '/' || *p == ':')
            name = p + 1;
    return name;
}

void SortText(const tagALBUMINFOHEADER& info, int key, char out[ALBUM_TEXT_FIELD])
{
    char name[ALBUM_TEXT_FIELD];
    win::CopyText(name, sizeof name, info.szFileName);
    switch (key) {
    case 0:
        win::CopyText(out, ALBUM_TEXT_FIELD, NameAfterFolder(name));
        break;
    case 1: {
        size_t len = strlen(name);
        win::CopyText(out, ALBUM_TEXT_FIELD, len > 3 ? name + len - 3 : name);
        break;
    }
    default:
        win::CopyText(out, ALBUM_TEXT_FIELD, info.szDescription);
        break;
    }
}

} // namespace textkeys
