// The launcher window's composed background and its shape (the arithmetic is
// ui/window_skin.h's).
#include "app/launcher_dialog.h"

#include "base/log.h"
#include "res/resource.h"
#include "ui/skin_picture.h"
#include "ui/window_shape.h"
#include "ui/window_skin.h"

// Composes m_BackgroundBitmap at the window's DPI, 262 pixels wide and as high as the
// server choices need at 96 DPI, both scaled: the top piece at the top, the bottom
// piece against the bottom, the middle band stretched between them. The pieces come at
// the DPI's size (ui/skin_picture.h), so only the band is stretched. The pieces and the
// picture are DIB sections, the picture of 32 bits a pixel: a display of fewer colours
// (16 bits) would store the key colour as a nearby one, and the shape would no longer
// be cut.
int QZ_ArdunLauncherDlg::_InitBackgroundBitmap()
{
    int nResult = 0;
    int nRetCode = 0;
    CDC WindowDC;
    CBitmap TopBitmap;
    CBitmap MiddleBitmap;
    CBitmap BottomBitmap;
    BITMAP TopInfo = {};
    BITMAP MiddleInfo = {};
    BITMAP BottomInfo = {};
    int nWidth = _Scale(QZ_SKIN_PICTURE_WIDTH);
    int nHeight = 0;
    CDC WorkDC;
    CDC TopDC;
    CDC MiddleDC;
    CDC BottomDC;
    HGDIOBJ pOldBackground = NULL;
    HGDIOBJ pOldTop = NULL;
    HGDIOBJ pOldMiddle = NULL;
    HGDIOBJ pOldBottom = NULL;

    nRetCode = WindowDC.Attach(::GetDC(m_hWnd));
    QZLOG_PROCESS_ERROR(nRetCode && "GetDC()");

    nRetCode = TopBitmap.Attach(QZ_LoadSkinPicture(IDB_BACKGROUND_TOP, m_nDpi));
    QZLOG_PROCESS_ERROR(nRetCode);
    nRetCode = TopBitmap.GetBitmap(&TopInfo);
    QZLOG_PROCESS_ERROR(nRetCode);

    nRetCode = MiddleBitmap.Attach(QZ_LoadSkinPicture(IDB_BACKGROUND_MIDDLE, m_nDpi));
    QZLOG_PROCESS_ERROR(nRetCode);
    nRetCode = MiddleBitmap.GetBitmap(&MiddleInfo);
    QZLOG_PROCESS_ERROR(nRetCode);

    nRetCode = BottomBitmap.Attach(QZ_LoadSkinPicture(IDB_BACKGROUND_BOTTOM, m_nDpi));
    QZLOG_PROCESS_ERROR(nRetCode);
    nRetCode = BottomBitmap.GetBitmap(&BottomInfo);
    QZLOG_PROCESS_ERROR(nRetCode);

    nHeight = _Scale(QZ_SkinPictureHeight((int)m_ServerItemList.size(), 0));
    if (nHeight < TopInfo.bmHeight + MiddleInfo.bmHeight + BottomInfo.bmHeight)
        nHeight = TopInfo.bmHeight + MiddleInfo.bmHeight + BottomInfo.bmHeight;

    m_BackgroundBitmap.DeleteObject();
    nRetCode = m_BackgroundBitmap.CreateDIBSection32(nWidth, nHeight);
    QZLOG_PROCESS_ERROR(nRetCode);

    nRetCode = WorkDC.CreateCompatibleDC(&WindowDC);
    QZLOG_PROCESS_ERROR(nRetCode);
    pOldBackground = WorkDC.SelectObject(&m_BackgroundBitmap);
    QZLOG_PROCESS_ERROR(pOldBackground);

    nRetCode = TopDC.CreateCompatibleDC(&WindowDC);
    QZLOG_PROCESS_ERROR(nRetCode);
    pOldTop = TopDC.SelectObject(&TopBitmap);
    QZLOG_PROCESS_ERROR(pOldTop);
    nRetCode = WorkDC.StretchBlt(0, 0, nWidth, TopInfo.bmHeight, &TopDC, 0, 0, TopInfo.bmWidth,
                                 TopInfo.bmHeight, SRCCOPY);
    QZLOG_PROCESS_ERROR(nRetCode);

    nRetCode = MiddleDC.CreateCompatibleDC(&WindowDC);
    QZLOG_PROCESS_ERROR(nRetCode);
    pOldMiddle = MiddleDC.SelectObject(&MiddleBitmap);
    QZLOG_PROCESS_ERROR(pOldMiddle);
    nRetCode = WorkDC.StretchBlt(0, TopInfo.bmHeight, nWidth,
                                 nHeight - TopInfo.bmHeight - BottomInfo.bmHeight, &MiddleDC, 0, 0,
                                 MiddleInfo.bmWidth, MiddleInfo.bmHeight, SRCCOPY);
    QZLOG_PROCESS_ERROR(nRetCode);

    nRetCode = BottomDC.CreateCompatibleDC(&WindowDC);
    QZLOG_PROCESS_ERROR(nRetCode);
    pOldBottom = BottomDC.SelectObject(&BottomBitmap);
    QZLOG_PROCESS_ERROR(pOldBottom);
    nRetCode = WorkDC.StretchBlt(0, nHeight - BottomInfo.bmHeight, nWidth, BottomInfo.bmHeight,
                                 &BottomDC, 0, 0, BottomInfo.bmWidth, BottomInfo.bmHeight, SRCCOPY);
    QZLOG_PROCESS_ERROR(nRetCode);

    nResult = 1;
Exit0:
    if (pOldBottom)
        BottomDC.SelectObject(pOldBottom);
    BottomDC.DeleteDC();
    if (pOldMiddle)
        MiddleDC.SelectObject(pOldMiddle);
    MiddleDC.DeleteDC();
    if (pOldTop)
        TopDC.SelectObject(pOldTop);
    TopDC.DeleteDC();
    if (pOldBackground)
        WorkDC.SelectObject(pOldBackground);
    WorkDC.DeleteDC();
    if (WindowDC.GetSafeHdc())
        ::ReleaseDC(m_hWnd, WindowDC.Detach());
    BottomBitmap.DeleteObject();
    MiddleBitmap.DeleteObject();
    TopBitmap.DeleteObject();
    return nResult;
}

// Sizes and centres the window to m_BackgroundBitmap (or puts it at prcPlace's corner)
// and cuts its shape: the region of every run of pixels that are not SHAPE_KEY_COLOR
// (ui/window_shape.h).
int QZ_ArdunLauncherDlg::_InitDialogRegion(const RECT* prcPlace)
{
    int nResult = 0;
    int nRetCode = 0;
    BITMAP BackgroundInfo = {};
    HRGN hShape = NULL;

    nRetCode = m_BackgroundBitmap.GetBitmap(&BackgroundInfo);
    QZLOG_PROCESS_ERROR(nRetCode);

    if (prcPlace)
    {
        MoveWindow(prcPlace->left, prcPlace->top, BackgroundInfo.bmWidth, BackgroundInfo.bmHeight, TRUE);
    }
    else
    {
        MoveWindow(0, 0, BackgroundInfo.bmWidth, BackgroundInfo.bmHeight, TRUE);
        CenterWindow();
    }

    hShape = QZ_CreateShapeRegion(m_BackgroundBitmap, SHAPE_KEY_COLOR);
    nRetCode = hShape != NULL;
    QZLOG_PROCESS_ERROR(nRetCode);

    nRetCode = SetWindowRgn(hShape, TRUE);
    QZLOG_PROCESS_ERROR(nRetCode);
    hShape = NULL;  // the window owns the shape now

    if (!prcPlace)
        SetForegroundWindow();

    nResult = 1;
Exit0:
    if (hShape)
        ::DeleteObject(hShape);
    return nResult;
}
