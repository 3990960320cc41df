// The launcher window's shape, cut from its picture: the region of all pixels that are
// not the key colour (see ui/window_skin.h).
#ifndef QZ_UI_WINDOW_SHAPE_H
#define QZ_UI_WINDOW_SHAPE_H

#include <windows.h>

#include <cstdint>

// Reads hPicture once, whole, and makes its shape in one call: the region of every run
// of pixels whose colour is not uKeyColor (a colour value, 0x00BBGGRR), row by row.
// Returns the region, which the caller owns, or NULL when the picture could not be read
// or the region not made (logged: the failed call and the platform's error code).
// hPicture must not be selected into a device context.
HRGN QZ_CreateShapeRegion(HBITMAP hPicture, uint32_t uKeyColor);

#endif  // QZ_UI_WINDOW_SHAPE_H
