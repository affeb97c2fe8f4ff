// Exact conversion of UTF-16 text to the ANSI code page, apart from the file system lookups of
// AnsiNames.cpp, so that code reading raw directory records can use it alone.
#include "win/AnsiNames.h"

namespace win {

bool NarrowExactly(const WCHAR* text, int length, char* out, size_t outSize)
{
    if (outSize == 0)
        return false;
    out[0] = '\0';
    if (!text)
        return false;
    size_t chars = length < 0 ? 0 : size_t(length);
    if (length < 0)
        while (text[chars])
            ++chars;
    if (chars == 0)
        return true;
    if (chars >= outSize)
        return false;
    BOOL substituted = FALSE;
    const bool utf8 = GetACP() == CP_UTF8; // converts every valid name exactly, and takes no flag
    const int n = WideCharToMultiByte(CP_ACP, utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS, text, int(chars),
                                      out, int(outSize - 1 < 0x7FFFFFFF ? outSize - 1 : 0x7FFFFFFF), nullptr,
                                      utf8 ? nullptr : &substituted);
    if (n <= 0 || substituted) {
        out[0] = '\0';
        return false;
    }
    out[n] = '\0';
    return true;
}

} // namespace win
