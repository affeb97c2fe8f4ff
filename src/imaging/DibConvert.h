// Whole-image conversions used to prepare brush and stamp images, the gray-ramp test and a size
// query. Every conversion returns a new block the caller owns and leaves its input alone.
#pragma once

#include <windows.h>

int IsGrayPaletteDib(HGLOBAL image);
int GetDibSize(HGLOBAL image, int* width, int* height);
HGLOBAL DibToGray(HGLOBAL image);
HGLOBAL InvertDib(HGLOBAL image);
HGLOBAL ScaleDibLevels(HGLOBAL image, int k);
