#include "views/ViewResources.h"

#include <string.h>
#include <mutex>

namespace viewres {

namespace {

const char* const kClassNames[] = {"CThumbListView2", "ThumbViewClass"};

struct FontEntry {
    LOGFONTA lf;
    HFONT font;
};

// A grid paints with very few fonts; past this many, fonts are made per paint.
const int kCachedFonts = 16;

std::mutex g_lock;
HBRUSH g_brushes[2] = {nullptr, nullptr};
FontEntry g_fonts[kCachedFonts];
int g_fontCount = 0;
void (*g_missHook)() = nullptr;

} // namespace

HBRUSH ClassBrush(ViewClass which)
{
    std::lock_guard<std::mutex> guard(g_lock);
    HBRUSH& brush = g_brushes[which];
    if (!brush)
        brush = CreateSolidBrush(RGB(0xC0, 0xC0, 0xC0));
    return brush;
}

HFONT CaptionFont(const LOGFONTA& lf, bool* owned)
{
    *owned = false;
    // One guard over lookup and insertion: two threads painting the same new font must not both
    // make it, nor fill one slot twice.
    std::lock_guard<std::mutex> guard(g_lock);
    for (int i = 0; i < g_fontCount; ++i)
        if (memcmp(&g_fonts[i].lf, &lf, sizeof lf) == 0)
            return g_fonts[i].font;
    if (g_missHook)
        g_missHook();
    HFONT font = CreateFontIndirectA(&lf);
    if (font && g_fontCount < kCachedFonts)
        g_fonts[g_fontCount++] = {lf, font};
    else
        *owned = font != nullptr;
    return font;
}

void ReleaseViewResources(HINSTANCE instance)
{
    std::lock_guard<std::mutex> guard(g_lock);
    for (int which : {ListClass, CellClass}) {
        if (!instance)
            break; // fonts only
        // Unregistering a class deletes its current background; ours is left when a transparent
        // list replaced it with the null brush, and is deleted here. A class that still has windows
        // cannot go, and its brush is still painted with.
        WNDCLASSA wc;
        if (GetClassInfoA(instance, kClassNames[which], &wc) &&
            !UnregisterClassA(kClassNames[which], instance))
            continue;
        HBRUSH& brush = g_brushes[which];
        if (brush && GetObjectType(brush) == OBJ_BRUSH)
            DeleteObject(brush);
        brush = nullptr;
    }
    for (int i = 0; i < g_fontCount; ++i)
        DeleteObject(g_fonts[i].font);
    g_fontCount = 0;
}

void SetCaptionFontMissHook(void (*hook)()) { g_missHook = hook; }

} // namespace viewres
