// The launcher window's skin: its picture is composed from three bitmap pieces (top,
// stretchable middle band, bottom), and every pixel of SHAPE_KEY_COLOR in it is cut out
// of the window. QZ_ArdunLauncherDlg::_InitBackgroundBitmap and _InitDialogRegion
// (window_skin_win.cpp) do the work.
#ifndef QZ_UI_WINDOW_SKIN_H
#define QZ_UI_WINDOW_SKIN_H

#include <windows.h>

#include "ui/window_skin_layout.h"

// Pixels of exactly this colour lie outside the window's shape.
#define SHAPE_KEY_COLOR RGB(255, 87, 226)

#endif  // QZ_UI_WINDOW_SKIN_H
