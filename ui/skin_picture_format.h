// The form the skin's pictures are stored in (tools/pack_artwork.py writes it), free of
// the platform: a 12-byte header, then the picture's rows compressed with LZNT1. The
// decompression is the system's (ui/skin_picture_win.cpp); this reads the header and
// turns the decompressed rows back into pixels.
#ifndef QZ_UI_SKIN_PICTURE_FORMAT_H
#define QZ_UI_SKIN_PICTURE_FORMAT_H

#include <cstddef>
#include <cstdint>

// Bytes of the header: "QZSK", width and height (16 bits each), the size of the rows
// once decompressed (32 bits), all little-endian.
const size_t QZ_SKIN_PICTURE_HEADER_SIZE = 12;

struct QZ_SkinPictureHeader
{
    int nWidth;
    int nHeight;
    uint32_t uRowsSize;  // nWidth * nHeight * 3
};

// Reads the header of a stored picture of uSize bytes. false when it is too short, not
// of this form, or its sizes do not agree (an empty picture, or rows of another size
// than 3 bytes a pixel).
bool QZ_ReadSkinPictureHeader(const uint8_t* pbyData, size_t uSize, QZ_SkinPictureHeader* pHeader);

// Turns the decompressed rows (from the top, 3 bytes a pixel, blue, green, red, each
// byte stored as its difference modulo 256 from the same byte one row up) into pixels
// 0x00RRGGBB, rows from the top.
void QZ_UnpackSkinRows(const uint8_t* pbyRows, int nWidth, int nHeight, uint32_t* puPixels);

#endif  // QZ_UI_SKIN_PICTURE_FORMAT_H
