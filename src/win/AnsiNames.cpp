#include "win/AnsiNames.h"

#include <string.h>
#include <vector>

namespace win {

bool AnsiEntryName(const WCHAR* name, const WCHAR* shortName, char* out, size_t outSize)
{
    if (NarrowExactly(name, -1, out, outSize))
        return true;
    return shortName && shortName[0] && NarrowExactly(shortName, -1, out, outSize);
}

namespace {

bool IsSeparator(WCHAR c) { return c == L'\\' || c == L'/'; }

} // namespace

int AnsiPathOf(const WCHAR* widePath, char* out, size_t outSize)
{
    if (!out || outSize == 0)
        return kAnsiPathTooLong;
    out[0] = '\0';
    if (!widePath)
        return kAnsiPathMissing;
    if (NarrowExactly(widePath, -1, out, outSize))
        return kAnsiPathMade;
    std::string result;
    const size_t length = wcslen(widePath);
    size_t at = 0;
    while (at < length) {
        size_t end = at;
        while (end < length && !IsSeparator(widePath[end]))
            ++end;
        char part[MAX_PATH * 3];
        if (end > at && !NarrowExactly(widePath + at, int(end - at), part, sizeof part)) {
            // The short form of the path up to this component ends in its short name.
            std::wstring prefix(widePath, end);
            WCHAR shortPath[MAX_PATH * 2];
            const DWORD n = GetShortPathNameW(prefix.c_str(), shortPath, MAX_PATH * 2);
            if (n == 0 || n >= MAX_PATH * 2)
                return n == 0 && GetLastError() != ERROR_FILE_NOT_FOUND && GetLastError() != ERROR_PATH_NOT_FOUND
                           ? kAnsiPathNoShortName
                           : kAnsiPathMissing;
            const WCHAR* last = shortPath;
            for (const WCHAR* p = shortPath; *p; ++p)
                if (IsSeparator(*p))
                    last = p + 1;
            // Without a short name the platform gives the long one back, which cannot be carried.
            if (!NarrowExactly(last, -1, part, sizeof part))
                return kAnsiPathNoShortName;
        } else if (end == at) {
            part[0] = '\0';
        }
        result += part;
        if (end < length)
            result += char(widePath[end]);
        at = end + 1;
    }
    if (result.size() >= outSize)
        return kAnsiPathTooLong;
    memcpy(out, result.c_str(), result.size() + 1);
    return kAnsiPathMade;
}

bool MayHoldShortNames(const char* path) { return path && strchr(path, '~'); }

bool RealPathOf(const char* path, std::wstring& out)
{
    out.clear();
    if (!MayHoldShortNames(path))
        return false;
    const std::wstring wide = WideOfAnsi(path);
    WCHAR longer[MAX_PATH * 2];
    const DWORD n = GetLongPathNameW(wide.c_str(), longer, MAX_PATH * 2);
    if (n == 0 || n >= MAX_PATH * 2)
        return false;
    // Both forms have the same components, one for one; only the replaced ones change.
    std::wstring result;
    bool replaced = false;
    size_t a = 0, b = 0;
    const std::wstring real(longer);
    while (a <= wide.size() && b <= real.size()) {
        size_t ea = a, eb = b;
        while (ea < wide.size() && !IsSeparator(wide[ea]))
            ++ea;
        while (eb < real.size() && !IsSeparator(real[eb]))
            ++eb;
        char narrow[MAX_PATH * 3];
        if (eb > b && !NarrowExactly(real.data() + b, int(eb - b), narrow, sizeof narrow)) {
            result.append(real, b, eb - b);
            replaced = true;
        } else {
            result.append(wide, a, ea - a);
        }
        if (ea >= wide.size() || eb >= real.size())
            break;
        result += wide[ea];
        a = ea + 1;
        b = eb + 1;
    }
    if (!replaced)
        return false;
    out = std::move(result);
    return true;
}

bool RealStoredName(const char* stored, const char* resolved, std::wstring& out)
{
    out.clear();
    std::wstring real;
    if (!stored || !resolved || !MayHoldShortNames(stored) || !RealPathOf(resolved, real))
        return false;
    size_t parts = 1;
    for (const char* p = stored; *p; ++p)
        parts += IsSeparator(static_cast<unsigned char>(*p));
    size_t from = real.size();
    while (parts > 0 && from > 0)
        if (IsSeparator(real[--from]))
            --parts;
    if (parts == 0)
        ++from;
    // Only a replaced component tells a real name; the parts kept as they are stored change nothing.
    if (real.compare(from, std::wstring::npos, WideOfAnsi(stored)) == 0)
        return false;
    out = real.substr(from);
    return true;
}

std::wstring UpperCaseWide(const std::wstring& text)
{
    std::wstring out(text);
    if (!out.empty() &&
        !LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, text.c_str(), int(text.size()), &out[0], int(out.size())))
        CharUpperBuffW(&out[0], DWORD(out.size()));
    return out;
}

std::string Utf8Of(const WCHAR* text, int length)
{
    if (!text)
        return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        return std::string();
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, &out[0], n, nullptr, nullptr);
    if (length < 0 && !out.empty())
        out.pop_back(); // the NUL
    return out;
}

std::wstring WideOfAnsi(const char* text, int length)
{
    if (!text)
        return std::wstring();
    const int n = MultiByteToWideChar(CP_ACP, 0, text, length, nullptr, 0);
    if (n <= 0)
        return std::wstring();
    std::wstring out(size_t(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, length, &out[0], n);
    if (length < 0 && !out.empty())
        out.pop_back();
    return out;
}

} // namespace win
