#include "ui/window_skin.h"

int QZ_SkinPictureHeight(int nChoiceCount, int nPiecesHeight)
{
    int nHeight = QZ_SKIN_FRAME_HEIGHT;
    if (nChoiceCount > 0)
        nHeight = QZ_SKIN_FRAME_HEIGHT + QZ_SKIN_CHOICE_BUTTON.nHeight * nChoiceCount +
                  (QZ_SKIN_CHOICE_PITCH - QZ_SKIN_CHOICE_BUTTON.nHeight) * (nChoiceCount - 1);
    if (nPiecesHeight > nHeight)
        nHeight = nPiecesHeight;
    return nHeight;
}

bool QZ_NextPixelRun(const uint32_t* puRow, int nWidth, int nStart, uint32_t uKeyColor,
                     QZ_PixelRun* pRun)
{
    return QZ_FindPixelRun([puRow](int x) { return puRow[x]; }, nWidth, nStart, uKeyColor, pRun);
}
