// ImgIoPickFileName: the common open-file dialog with our file types.
#include "ImgIoInternal.h"

#include <commdlg.h>
#include <string.h>
#include <string>
#include "win/AnsiNames.h"

namespace imgio {
namespace {

// A dialog filter: pairs of NUL-terminated strings, ended by an empty one. Appends that do not fit
// are dropped whole.
class FilterText {
public:
    bool Add(const char* text)
    {
        size_t n = strlen(text);
        if (used_ + n + 2 > sizeof text_)
            return false;
        memcpy(text_ + used_, text, n + 1);
        used_ += n + 1;
        text_[used_] = '\0';
        return true;
    }
    bool AddPair(const char* label, const char* patterns)
    {
        size_t mark = used_;
        if (Add(label) && Add(patterns))
            return true;
        used_ = mark;
        text_[used_] = '\0';
        return false;
    }
    const char* Get() const { return text_; }

private:
    char text_[2048] = {};
    size_t used_ = 0;
};

// Appends ';' and text to a pattern list of size bytes, if it fits.
void AppendPattern(char* list, size_t size, const char* text)
{
    size_t used = strlen(list), n = strlen(text);
    if (used + n + 2 > size)
        return;
    if (used)
        list[used++] = ';';
    memcpy(list + used, text, n + 1);
}

// Makes the dialog's answer the list our callers expect and counts its files; -1 when it does
// not fit the buffer with its closing empty string.
int FinishList(char* buffer, size_t size, WORD fileOffset)
{
    size_t first = strnlen(buffer, size);
    if (first == 0 || first + 1 >= size)
        return -1;
    // Several files: the folder, a NUL, then the names (the dialog ends the list itself).
    if (fileOffset > 0 && fileOffset == first + 1) {
        int count = 0;
        size_t at = first + 1;
        while (at < size && buffer[at]) {
            size_t n = strnlen(buffer + at, size - at);
            if (at + n + 1 >= size)
                return -1;
            ++count;
            at += n + 1;
        }
        return at < size && count > 0 ? count : -1;
    }
    // One file: its full path; the closing empty string is ours to add.
    buffer[first + 1] = '\0';
    return 1;
}

// UTF-16 text of `chars` characters (NULs inside kept), from the ANSI code page.
std::wstring Widen(const char* text, size_t chars)
{
    return chars ? win::WideOfAnsi(text, int(chars)) : std::wstring();
}

// The dialog's UTF-16 answer as the list our callers expect, in the ANSI code page: the folder
// and each name as the ANSI functions open them (a name in another script by its short name; one
// that has none is left out). The count of files, or -1 when none is left or the list does not
// fit.
int NarrowPicked(const WCHAR* wide, size_t wideChars, WORD fileOffset, char* buffer, size_t size)
{
    std::wstring folder(wide, wcsnlen(wide, wideChars));
    std::wstring names;
    if (fileOffset == 0 || fileOffset != folder.size() + 1) {
        // One file: its full path.
        char ansi[MAX_PATH];
        if (win::AnsiPathOf(folder.c_str(), ansi, sizeof ansi) != win::kAnsiPathMade || strlen(ansi) + 2 > size)
            return -1;
        memcpy(buffer, ansi, strlen(ansi) + 1);
        buffer[strlen(ansi) + 1] = '\0';
        return 1;
    }
    for (size_t at = fileOffset; at < wideChars && wide[at];) {
        const size_t n = wcsnlen(wide + at, wideChars - at);
        names.append(wide + at, n).push_back(L'\0');
        at += n + 1;
    }
    char ansiFolder[MAX_PATH];
    if (win::AnsiPathOf(folder.c_str(), ansiFolder, sizeof ansiFolder) != win::kAnsiPathMade)
        return -1;
    std::string list = std::string(ansiFolder) + '\0';
    int count = 0;
    for (size_t at = 0; at < names.size(); at += wcslen(names.c_str() + at) + 1) {
        std::wstring path = folder;
        if (path.back() != L'\\')
            path += L'\\';
        path += names.c_str() + at;
        char ansi[MAX_PATH];
        if (win::AnsiPathOf(path.c_str(), ansi, sizeof ansi) != win::kAnsiPathMade)
            continue;
        const char* name = ansi;
        for (const char* p = ansi; *p; ++p)
            if (*p == '\\' || *p == '/')
                name = p + 1;
        list.append(name).push_back('\0');
        ++count;
    }
    list.push_back('\0');
    if (count == 0 || list.size() > size)
        return -1;
    memcpy(buffer, list.data(), list.size());
    return count;
}

int Pick(HWND owner, int formatIndex, LPCSTR defaultExt, DWORD formatMask, LPSTR buffer, int bufferSize,
         DWORD flags, IMGIOOPTIONS* options, LPCSTR initialFolder)
{
    if (!buffer || bufferSize < 4)
        return IMGIO_PICK_ERROR;
    const size_t size = size_t(bufferSize);
    // A caller's initial name must end inside the buffer.
    if (!memchr(buffer, '\0', size))
        buffer[0] = '\0';

    // "All image files", each admitted format, then every file; dialogFormat maps the dialog's
    // 1-based type index to our format index.
    FilterText filter;
    int dialogFormat[kFormatCount + 2] = {};
    int types = 0;
    char allPatterns[512] = {};
    for (int i = 1; i < kFormatCount; ++i)
        if (MaskAdmits(formatMask, i))
            AppendPattern(allPatterns, sizeof allPatterns, Format(i).patterns);
    if (filter.AddPair(Format(kFormatAll).label, allPatterns))
        dialogFormat[++types] = kFormatAll;
    int initialType = 1;
    for (int i = 1; i < kFormatCount; ++i) {
        if (!MaskAdmits(formatMask, i))
            continue;
        char label[128];
        wsprintfA(label, "%s (%s)", Format(i).label, Format(i).patterns);
        if (!filter.AddPair(label, Format(i).patterns))
            continue;
        dialogFormat[++types] = i;
        if (i == formatIndex)
            initialType = types;
    }
    if (filter.AddPair("All files (*.*)", "*.*"))
        dialogFormat[++types] = kFormatAll;

    // Our dialog has no template and needs no hook; without them the system shows its own
    // current dialog. The host's current folder is not ours to change.
    const DWORD dropped = OFN_ENABLETEMPLATE | OFN_ENABLETEMPLATEHANDLE | OFN_ENABLEHOOK | OFN_SHOWHELP |
                          OFN_ENABLEINCLUDENOTIFY | OFN_NOVALIDATE;
    // The dialog in UTF-16, so that files named in any script are given back by names that open.
    const char* filterText = filter.Get();
    size_t filterChars = 0;
    while (filterText[filterChars] || filterText[filterChars + 1])
        ++filterChars;
    const std::wstring wideFilter = Widen(filterText, filterChars + 2);
    const std::wstring wideFolder = initialFolder ? win::WideOfAnsi(initialFolder) : std::wstring();
    const std::wstring wideExt = defaultExt ? win::WideOfAnsi(defaultExt) : std::wstring();
    std::wstring wideBuffer = win::WideOfAnsi(buffer);
    wideBuffer.resize(size, L'\0');
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner && IsWindow(owner) ? owner : nullptr;
    ofn.lpstrFilter = wideFilter.c_str();
    ofn.nFilterIndex = DWORD(initialType);
    ofn.lpstrFile = &wideBuffer[0];
    ofn.nMaxFile = DWORD(size);
    ofn.lpstrInitialDir = wideFolder.empty() ? nullptr : wideFolder.c_str();
    ofn.lpstrDefExt = wideExt.empty() ? nullptr : wideExt.c_str();
    ofn.Flags = (flags & ~dropped) | OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR;

    if (!GetOpenFileNameW(&ofn))
        return CommDlgExtendedError() == 0 ? IMGIO_PICK_CANCELLED : IMGIO_PICK_ERROR;

    int count = NarrowPicked(wideBuffer.data(), size, ofn.nFileOffset, buffer, size);
    if (count > 0)
        count = FinishList(buffer, size, count > 1 || buffer[strlen(buffer) + 1] ? WORD(strlen(buffer) + 1) : 0);
    if (count < 0) {
        buffer[0] = '\0';
        buffer[1] = '\0';
        return IMGIO_PICK_ERROR;
    }
    if (options) {
        ZeroMemory(options, sizeof *options);
        options->dwSize = sizeof *options;
        int type = int(ofn.nFilterIndex);
        options->dwFormat = DWORD(type >= 1 && type <= types ? dialogFormat[type] : kFormatAll);
    }
    return count;
}

} // namespace
} // namespace imgio

extern "C" IMGIO_API int WINAPI ImgIoPickFileName(HWND owner, int mode, int formatIndex, LPCSTR defaultExt,
                                                  DWORD formatMask, LPSTR buffer, int bufferSize, DWORD flags,
                                                  IMGIOOPTIONS* options, LPCSTR initialFolder)
{
    return imgio::Pick(owner, formatIndex, defaultExt, formatMask, buffer, bufferSize, flags, options,
                       initialFolder);
}
