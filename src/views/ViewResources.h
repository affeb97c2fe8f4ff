// GDI objects the view window classes share for the life of the library: the classes' background
// brushes and the caption fonts. Managers may live on several threads, so both are guarded; both
// are given back when the library is unloaded.
#pragma once

#include <windows.h>

namespace viewres {

enum ViewClass { ListClass, CellClass };

// The light grey background brush of a view class, made on first use (null if it cannot be).
HBRUSH ClassBrush(ViewClass which);

// A caption font: cached ones are shared (owned is set false); when the cache is full the font is
// the caller's to delete (owned true). Null when the font cannot be made.
HFONT CaptionFont(const LOGFONTA& lf, bool* owned);

// Called when the library is unloaded: unregisters the view classes registered with instance
// (a class that still has windows stays, and so does its brush), deletes the remaining brushes and
// every cached caption font; with a null instance only the fonts. Views made afterwards start a new
// cache.
void ReleaseViewResources(HINSTANCE instance);

// Tests only: called, inside the cache's guard, after a lookup missed and before the font is made.
void SetCaptionFontMissHook(void (*hook)());

} // namespace viewres
