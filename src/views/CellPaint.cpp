#include "views/CellPaint.h"

#include <stdio.h>
#include <string.h>
#include <algorithm>
#include <string>

namespace cellpaint {

namespace {

const char* AfterLast(const char* text, const char* separators)
{
    const char* start = text;
    for (const char* p = text; *p; ++p)
        if (strchr(separators, *p))
            start = p + 1;
    return start;
}

} // namespace

RECT PictureRect(const RECT& area, long long width, long long height)
{
    // 64-bit: a damaged or absurd picture size must not wrap the arithmetic.
    const long long hm = std::max<long long>((area.right - width - area.left) / 2, 0);
    const long long vm = std::max<long long>((area.bottom - height - area.top) / 2, 0);
    const long long left = area.left + hm;
    const long long top = area.top + vm;
    RECT r;
    r.left = LONG(left);
    r.top = LONG(top);
    r.right = LONG(std::min<long long>(left + width, area.right - hm));
    r.bottom = LONG(std::min<long long>(top + height, area.bottom - vm));
    return r;
}

void LowerField(char* out, size_t outSize, const char* field, size_t fieldSize)
{
    if (!out || outSize == 0)
        return;
    size_t n = field ? strnlen(field, fieldSize ? fieldSize - 1 : 0) : 0;
    n = std::min(n, outSize - 1);
    if (n)
        memcpy(out, field, n);
    out[n] = '\0';
    if (n)
        CharLowerBuffA(out, DWORD(n));
}

namespace {

// The name, or its first characters, "~" and its last four; count is the name's length and
// width(text, n) the width of its first n characters.
template <class Char, class Width>
std::basic_string<Char> Shortened(const Char* name, int len, int limit, Width width)
{
    if (len <= 4)
        return std::basic_string<Char>(name, size_t(len));
    const Char* tail = name + len - 4;
    const int tailWidth = width(tail, 4);
    int n = len - 4;
    int w;
    do {
        w = width(name, n);
        --n;
    } while (n >= 1 && w + tailWidth > limit);
    if (n == len - 5)
        return std::basic_string<Char>(name, size_t(len));
    std::basic_string<Char> out(name, size_t(n > 0 ? n : 0));
    out += Char('~');
    return out.append(tail, 4);
}

} // namespace

void ShortName(const char* path, int limit, const TextMeasure& measure, char* out, size_t outSize)
{
    if (!out || outSize == 0)
        return;
    const char* name = AfterLast(path ? path : "", "\\");
    const std::string shown = Shortened(name, int(strlen(name)), limit,
                                        [&](const char* text, int count) { return measure.Width(text, count); });
    snprintf(out, outSize, "%s", shown.c_str());
}

std::wstring ShortName(const std::wstring& name, int limit, const WideTextMeasure& measure)
{
    return Shortened(name.c_str(), int(name.size()), limit,
                     [&](const wchar_t* text, int count) { return measure.Width(text, count); });
}

void CardCaption(int id, const char* path, int limit, const TextMeasure& measure, char* out, size_t outSize)
{
    if (!out || outSize == 0)
        return;
    const char* base = AfterLast(path ? path : "", "\\/:");
    const char* dot = strrchr(base, '.');
    const char* ext = dot ? dot : base + strlen(base);
    const int len = int(ext - base);

    char prefix[16];
    snprintf(prefix, sizeof prefix, "%d. ", id);
    const int fixed = measure.Width(ext, int(strlen(ext))) + measure.Width(prefix, int(strlen(prefix)));
    int n = len;
    int width;
    do {
        width = measure.Width(base, n);
        --n;
    } while (n >= 1 && width + fixed > limit);

    const char* name = base;
    int kept = len;
    if (n != len - 1) { // did not fit whole: keep the tail
        kept = std::max(n, 0);
        name = base + len - kept;
    }
    snprintf(out, outSize, "%s%.*s%s", prefix, kept, name, ext);
}

RECT NameBox(const RECT& client, int textHeight)
{
    RECT r;
    r.top = client.bottom - textHeight - 4;
    r.bottom = r.top + textHeight;
    r.left = client.right / 20;
    r.right = client.right - client.right / 20;
    return r;
}

RECT NumberBox(const RECT& client, int numberWidth, int textHeight, const RECT* nameBox)
{
    RECT r;
    const int boxWidth = numberWidth + 4;
    r.left = (client.right - boxWidth) / 2;
    r.right = client.right - r.left;
    if (nameBox) {
        r.top = nameBox->top - textHeight - 1;
        r.bottom = r.top + textHeight;
    } else {
        r.top = client.bottom - (textHeight * 12) / 10;
        r.bottom = r.top + (textHeight * 11) / 10;
    }
    return r;
}

} // namespace cellpaint
