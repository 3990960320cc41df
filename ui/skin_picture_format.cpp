#include "ui/skin_picture_format.h"

#include <cstring>

bool QZ_ReadSkinPictureHeader(const uint8_t* pbyData, size_t uSize, QZ_SkinPictureHeader* pHeader)
{
    if (!pbyData || uSize < QZ_SKIN_PICTURE_HEADER_SIZE || memcmp(pbyData, "QZSK", 4) != 0)
        return false;
    pHeader->nWidth = pbyData[4] | (pbyData[5] << 8);
    pHeader->nHeight = pbyData[6] | (pbyData[7] << 8);
    pHeader->uRowsSize = (uint32_t)pbyData[8] | ((uint32_t)pbyData[9] << 8) | ((uint32_t)pbyData[10] << 16) |
                         ((uint32_t)pbyData[11] << 24);
    return pHeader->nWidth > 0 && pHeader->nHeight > 0 &&
           pHeader->uRowsSize == (uint32_t)pHeader->nWidth * (uint32_t)pHeader->nHeight * 3u;
}

void QZ_UnpackSkinRows(const uint8_t* pbyRows, int nWidth, int nHeight, uint32_t* puPixels)
{
    for (int y = 0; y < nHeight; ++y)
    {
        const uint8_t* pbyRow = pbyRows + (size_t)y * (size_t)nWidth * 3;
        uint32_t* puRow = puPixels + (size_t)y * (size_t)nWidth;
        const uint32_t* puAbove = y > 0 ? puRow - nWidth : NULL;
        for (int x = 0; x < nWidth; ++x)
        {
            uint32_t uBlue = pbyRow[x * 3];
            uint32_t uGreen = pbyRow[x * 3 + 1];
            uint32_t uRed = pbyRow[x * 3 + 2];
            if (puAbove)
            {
                uBlue = (uBlue + (puAbove[x] & 0xFF)) & 0xFF;
                uGreen = (uGreen + ((puAbove[x] >> 8) & 0xFF)) & 0xFF;
                uRed = (uRed + ((puAbove[x] >> 16) & 0xFF)) & 0xFF;
            }
            puRow[x] = (uRed << 16) | (uGreen << 8) | uBlue;
        }
    }
}
