// The format table and the combo box list built from it.
#include "ImgIoInternal.h"

#include <string.h>

namespace imgio {
namespace {

const FormatInfo kFormats[kFormatCount] = {
    {"All image files", "*.*", nullptr, 0},
    {"BMP - Windows bitmap", "*.BMP", "*.bmp;*.dib", IMGIO_MASK_BMP},
    {"JPEG - JFIF compressed", "*.JPG", "*.jpg;*.jpeg;*.jpe;*.jfif", IMGIO_MASK_JPEG},
    {"PNG - Portable Network Graphics", "*.PNG", "*.png", IMGIO_MASK_PNG},
    {"GIF - CompuServe graphics", "*.GIF", "*.gif", IMGIO_MASK_GIF},
    {"TIFF - Tagged image file", "*.TIF", "*.tif;*.tiff", IMGIO_MASK_TIFF},
    {"ICO - Windows icon", "*.ICO", "*.ico", IMGIO_MASK_ICO},
    {"TGA - Truevision Targa", "*.TGA", "*.tga", IMGIO_MASK_TGA},
    {"PCX - ZSoft Paintbrush", "*.PCX", "*.pcx", IMGIO_MASK_PCX},
};

bool IsComboBox(HWND wnd)
{
    char name[64];
    if (!IsWindow(wnd) || GetClassNameA(wnd, name, sizeof name) == 0)
        return false;
    CharLowerA(name);
    return strstr(name, "combo") != nullptr;
}

} // namespace

const FormatInfo& Format(int index)
{
    return kFormats[index >= 0 && index < kFormatCount ? index : 0];
}

bool MaskAdmits(DWORD mask, int index)
{
    if (index == kFormatAll)
        return true;
    if (index < 0 || index >= kFormatCount)
        return false;
    if ((mask & IMGIO_MASK_ALL) == 0)
        return true;
    return (mask & kFormats[index].maskBit) != 0;
}

} // namespace imgio

extern "C" IMGIO_API int WINAPI ImgIoFormatList(HWND combo, DWORD formatMask, int reserved)
{
    using namespace imgio;
    if (!IsComboBox(combo))
        return 0;
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    int count = 0;
    for (int i = 0; i < kFormatCount; ++i) {
        if (!MaskAdmits(formatMask, i))
            continue;
        char text[96];
        if (i == kFormatAll)
            win::CopyText(text, sizeof text, kFormats[i].label);
        else
            wsprintfA(text, "%s (%s)", kFormats[i].label, kFormats[i].pattern);
        // Inserted, not added: a sorted combo box must still keep "all" first.
        LRESULT at = SendMessageA(combo, CB_INSERTSTRING, WPARAM(-1), LPARAM(text));
        if (at < 0)
            break;
        SendMessageA(combo, CB_SETITEMDATA, WPARAM(at), LPARAM(i));
        ++count;
    }
    return count;
}

extern "C" IMGIO_API int WINAPI ImgIoFormatFilter(HWND combo, LPSTR buffer)
{
    using namespace imgio;
    if (!buffer)
        return 0;
    buffer[0] = '\0';
    if (!IsComboBox(combo))
        return 0;
    LRESULT sel = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    // Nothing chosen is no restriction, like the first entry.
    LRESULT format = sel == CB_ERR ? LRESULT(kFormatAll) : SendMessageA(combo, CB_GETITEMDATA, WPARAM(sel), 0);
    if (format < 0 || format >= kFormatCount)
        return 0;
    win::CopyText(buffer, IMGIO_FILTER_MAX, kFormats[format].pattern);
    return int(strlen(buffer));
}
