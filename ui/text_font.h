// The font of the window's texts, named in full: the face and the character set the
// texts are written for, so that the window looks the same under every system code
// page (the system's default fonts differ from one code page to the next, and some
// hold no Chinese characters at all). Where the face is missing, the character set
// still brings a font that has the texts' characters.
#ifndef QZ_UI_TEXT_FONT_H
#define QZ_UI_TEXT_FONT_H

#include <windows.h>

// "SimSun" (宋体), by its English name, which the font mapper matches whatever the
// system's language.
#define QZ_TEXT_FONT_FACE    "SimSun"
#define QZ_TEXT_FONT_CHARSET GB2312_CHARSET

// The clue text's character height in pixels (9 points at 96 DPI). Given in pixels, it
// keeps its size at any DPI, like the pictures around it.
#define QZ_CLUE_FONT_HEIGHT  (-12)

#endif  // QZ_UI_TEXT_FONT_H
