// The launcher window's skin: its picture is composed from three bitmap pieces (top,
// stretchable middle band, bottom), and every pixel of SHAPE_KEY_COLOR in it is cut out
// of the window. This is the skin's arithmetic, free of the platform: the picture's
// height for a number of server choices, and the runs of non-key pixels in one row of
// the picture, from which the window's shape is built. The window class composes and
// cuts (app/launcher_skin_win.cpp).
#ifndef QZ_UI_WINDOW_SKIN_H
#define QZ_UI_WINDOW_SKIN_H

#include <cstdint>

// Pixels of exactly this colour, RGB(255, 87, 226) as a platform colour value
// 0x00BBGGRR, lie outside the window's shape.
const uint32_t SHAPE_KEY_COLOR = 0x00E257FFu;

// Width of the composed picture, whatever the pieces' widths.
const int QZ_SKIN_PICTURE_WIDTH = 262;

// The window's layout at 96 DPI, in pixels of its picture (ui/skin_scale.h scales it):
// the place and size of one part.
struct QZ_SkinBox
{
    int nLeft;
    int nTop;
    int nWidth;
    int nHeight;
};

// The first server choice's button; each further one QZ_SKIN_CHOICE_PITCH lower.
const QZ_SkinBox QZ_SKIN_CHOICE_BUTTON = { 39, 52, 183, 33 };
const int QZ_SKIN_CHOICE_PITCH = 59;
const QZ_SkinBox QZ_SKIN_CLOSE_BUTTON = { 234, 8, 13, 14 };
// The clue text; its nTop counts up from the picture's bottom edge.
const QZ_SkinBox QZ_SKIN_CLUE_TEXT = { 32, 154, 204, 70 };
// The picture's height less the choice buttons and the gaps between them.
const int QZ_SKIN_FRAME_HEIGHT = 242;

// Height of the picture for nChoiceCount server choices: room for the buttons (the
// layout above) above the bottom piece, but never less
// than nPiecesHeight, the three pieces' heights together, so the middle band is never
// squeezed below its own height.
int QZ_SkinPictureHeight(int nChoiceCount, int nPiecesHeight);

// One run of pixels of a row: [nLeft, nRight).
struct QZ_PixelRun
{
    int nLeft;
    int nRight;
};

// Finds the next run of non-key pixels of a row of nWidth pixels, starting at nStart.
// PixelAt(x) gives the colour of pixel x; pixels equal to uKeyColor are outside the
// shape. Returns false when only key pixels remain. The right edge of a run is the
// next key pixel, or nWidth when the run reaches the row's end.
template <typename PixelAt>
bool QZ_FindPixelRun(PixelAt&& GetPixelAt, int nWidth, int nStart, uint32_t uKeyColor,
                     QZ_PixelRun* pRun)
{
    int x = nStart < 0 ? 0 : nStart;
    while (x < nWidth && (uint32_t)GetPixelAt(x) == uKeyColor)
        ++x;
    if (x >= nWidth)
        return false;
    pRun->nLeft = x;
    while (x < nWidth && (uint32_t)GetPixelAt(x) != uKeyColor)
        ++x;
    pRun->nRight = x;
    return true;
}

// QZ_FindPixelRun over a buffer of colour values.
bool QZ_NextPixelRun(const uint32_t* puRow, int nWidth, int nStart, uint32_t uKeyColor,
                     QZ_PixelRun* pRun);

#endif  // QZ_UI_WINDOW_SKIN_H
