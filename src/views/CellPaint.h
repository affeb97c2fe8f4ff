// Layout arithmetic of a thumbnail cell: where the picture goes, where the caption boxes go and
// how a name is shortened to fit. Pure functions, so they can be checked without a window; the
// cell supplies text widths from its device context.
#pragma once

#include <windows.h>
#include <stddef.h>
#include <string>

namespace cellpaint {

// Buffer size for any caption text built here (a 260-character path plus a number prefix).
const size_t kCaptionChars = 300;

// Width in pixels of the first count characters of text.
class TextMeasure {
public:
    virtual int Width(const char* text, int count) const = 0;

protected:
    ~TextMeasure() = default;
};

// The picture of width x height centred in area, never wider or taller than the area: the
// margins are half the spare room (none when the picture is larger), and the far edges are cut
// at the area's edge less the margin.
RECT PictureRect(const RECT& area, long long width, long long height);

// Lower-cased copy of a fixed text field that may lack its NUL (at most fieldSize - 1 chars).
void LowerField(char* out, size_t outSize, const char* field, size_t fieldSize);

// The name line of a plain cell: the part of path after the last backslash. When it does not fit
// in limit pixels, its first characters, "~" and its last four characters (the extension). Names
// of four characters or fewer are kept whole.
void ShortName(const char* path, int limit, const TextMeasure& measure, char* out, size_t outSize);

// The same for a real name (a source whose name the ANSI code page cannot carry), drawn with the
// wide text functions.
class WideTextMeasure {
public:
    virtual int Width(const wchar_t* text, int count) const = 0;

protected:
    ~WideTextMeasure() = default;
};
std::wstring ShortName(const std::wstring& name, int limit, const WideTextMeasure& measure);

// The caption of a card cell: "<id>. " + file name + extension. When that does not fit in limit
// pixels the file name is cut from the front, keeping its tail, so the end of the name that
// tells similar files apart stays visible.
void CardCaption(int id, const char* path, int limit, const TextMeasure& measure, char* out, size_t outSize);

// Caption boxes of a plain cell with client rectangle client (laid out against its right and
// bottom) and text height textHeight. The name sits 4 pixels above the bottom; the number box,
// numberWidth + 4 wide and centred, sits directly above the name, or without a name line starts
// 1.2 text heights above the bottom.
RECT NameBox(const RECT& client, int textHeight);
RECT NumberBox(const RECT& client, int numberWidth, int textHeight, const RECT* nameBox);

} // namespace cellpaint
