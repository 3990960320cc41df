// The skin's pictures at the window's scale. They are stored compressed in the
// program's resources, one set per scale (tools/make_artwork.py draws them,
// tools/pack_artwork.py packs them: resource types SKIN100, SKIN150 and SKIN200, each
// picture under the same id in every set), and unpacked when loaded with the system's
// own LZNT1 decompressor.
#ifndef QZ_UI_SKIN_PICTURE_H
#define QZ_UI_SKIN_PICTURE_H

#include <windows.h>

// Loads picture nID for a window at nDpi: a 32-bit DIB section (rows from the top) of
// its 100% width and height scaled by QZ_ScaleLength. It is unpacked from the set for
// the DPI (ui/skin_scale.h; a set without the picture gives way to the next larger set,
// then to the next smaller one) and, when that set's picture has another size, resized
// smoothly with the shape's key colour kept sharp. The caller owns the bitmap. NULL,
// after check lines with the failed call and the platform's code, when the picture is
// missing or damaged or the system cannot unpack it.
HBITMAP QZ_LoadSkinPicture(UINT nID, int nDpi);

#endif  // QZ_UI_SKIN_PICTURE_H
