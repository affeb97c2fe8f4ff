// Helpers shared by the image-file library tests: decoding into inspectable images, encoding
// test files with the platform's encoders, and truncation and damage loops.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
#include <wincodec.h>
#include <ostream>
#include <string>
#include <vector>
#include "album/Dib.h"
#include "imgio.h"

namespace imgiotest {
struct Rgb {
    int r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};
void PrintTo(const Rgb& c, std::ostream* os);

// A decoded image copied out of its block.
struct Image {
    bool ok = false;
    bool movable = false;
    BITMAPINFOHEADER header = {};
    dib::Layout layout = {};
    std::vector<unsigned char> bytes;

    int Width() const { return layout.width; }
    int Height() const { return layout.height; }
    int Bits() const { return layout.bitCount; }
    unsigned PaletteSize() const { return layout.paletteEntries; }
    Rgb PaletteAt(unsigned i) const;
    const unsigned char* Row(int yFromTop) const;
    unsigned IndexAt(int x, int y) const;
    Rgb At(int x, int y) const;
    bool IsGrayRamp() const;
};

// Takes over the block: checks it, copies it and frees it.
Image TakeImage(HGLOBAL block);
Image ReadImage(const std::string& path, IMGIOOPTIONS* options = nullptr);
Image ReadBytes(const std::string& path, const std::vector<unsigned char>& bytes);
// Writes prefixes of bytes to path and reads each: every length below 64 and in the last 16
// bytes, and about a hundred more spread between. Returns the first length that was accepted, 0 when
// every one was refused.
size_t FirstAcceptedPrefix(const std::string& path, const std::vector<unsigned char>& bytes);
// Frames (each w x h, rows top-down with the given stride) in a container made by the platform's
// encoder; fails the test when the encoder would store another pixel format.
std::vector<unsigned char> Encode(const GUID& container, const GUID& format, UINT w, UINT h,
                                  const std::vector<const void*>& frames, UINT stride,
                                  const std::vector<WICColor>& palette = {}, double dpi = 0);
// Reads copies of good with a few bytes changed (a fixed sequence of changes): each must be
// refused or read as a well-formed bitmap, and none may crash.
void MutateAndRead(const std::string& path, const std::vector<unsigned char>& good, int rounds);
} // namespace imgiotest
