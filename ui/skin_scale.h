// The skin at a display scale, free of the platform: the one rounding rule for every
// length of the window's layout, the artwork set a DPI is drawn from, and the smooth
// reduction of a picture from its set's size to the window's.
#ifndef QZ_UI_SKIN_SCALE_H
#define QZ_UI_SKIN_SCALE_H

#include <cstdint>

// The DPI at which the layout's lengths and the 100% artwork are given.
const int QZ_DESIGN_DPI = 96;

// The artwork sets, by their scale in percent (tools/make_artwork.py draws them).
const int QZ_SKIN_SET_COUNT = 3;
extern const int QZ_SKIN_SET_PERCENTS[QZ_SKIN_SET_COUNT];

// A length of the 96-DPI layout (a place or a size) at nDpi: nLength * nDpi / 96 to the
// nearest pixel, halves away from zero. Every length of the window goes through here,
// and the artwork tool rounds the same way, so each picture fills its place exactly.
int QZ_ScaleLength(int nLength, int nDpi);

// The set to draw a window at nDpi from: the first whose scale is at least nDpi / 96,
// else the largest. An index into QZ_SKIN_SET_PERCENTS.
int QZ_SkinSetForDpi(int nDpi);

// Resizes a picture of 0x00RRGGBB pixels (rows from the top) to nToWidth x nToHeight by
// averaging the area of the picture that each new pixel covers. Pixels of uKeyPixel
// (the shape's key colour, as such a pixel) stay out of the averages: a new pixel is
// the key colour when key pixels cover half of its area or more, else the average of
// the other pixels it covers, so no key colour bleeds into the window's edge and the
// shape cut from the result follows the picture's. puTo holds nToWidth * nToHeight
// pixels.
void QZ_ResizeSkinPicture(const uint32_t* puFrom, int nFromWidth, int nFromHeight, uint32_t* puTo, int nToWidth,
                          int nToHeight, uint32_t uKeyPixel);

#endif  // QZ_UI_SKIN_SCALE_H
