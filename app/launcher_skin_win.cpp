// The launcher window's composed background and its shape (the arithmetic is
// ui/window_skin.h's).
#include "app/launcher_dialog.h"

#include "base/log.h"
#include "res/resource.h"
#include "ui/skin_picture.h"
#include "ui/window_shape.h"
#include "ui/window_skin.h"

namespace
{

// The steps' check lines name the routine they are steps of.
#define QZ_SKIN_CHECK(Condition) \
    QZLOG_PROCESS_ERROR_AS(Condition, #Condition, "QZ_ArdunLauncherDlg::_InitBackgroundBitmap")

// One piece of the background at the window's DPI, with its size.
int LoadPiece(UINT uId, int nDpi, CBitmap* pPiece, BITMAP* pInfo)
{
    int nResult = 0;
    int nRetCode = 0;

    nRetCode = pPiece->Attach(QZ_LoadSkinPicture(uId, nDpi));
    QZ_SKIN_CHECK(nRetCode);
    nRetCode = pPiece->GetBitmap(pInfo);
    QZ_SKIN_CHECK(nRetCode);

    nResult = 1;
Exit0:
    return nResult;
}

// Draws a piece across the picture selected in pWorkDC, at y and nHeight high (the
// middle band stretched, the others at their own size).
int DrawPiece(CDC* pWorkDC, CDC* pWindowDC, CBitmap* pPiece, const BITMAP& Info, int y, int nWidth, int nHeight)
{
    int nResult = 0;
    int nRetCode = 0;
    CDC PieceDC;
    HGDIOBJ pOldPiece = NULL;

    nRetCode = PieceDC.CreateCompatibleDC(pWindowDC);
    QZ_SKIN_CHECK(nRetCode);
    pOldPiece = PieceDC.SelectObject(pPiece);
    QZ_SKIN_CHECK(pOldPiece);
    nRetCode = pWorkDC->StretchBlt(0, y, nWidth, nHeight, &PieceDC, 0, 0, Info.bmWidth, Info.bmHeight, SRCCOPY);
    QZ_SKIN_CHECK(nRetCode);

    nResult = 1;
Exit0:
    if (pOldPiece)
        PieceDC.SelectObject(pOldPiece);
    PieceDC.DeleteDC();
    return nResult;
}

}  // namespace

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
    CDC WorkDC;
    CBitmap TopBitmap;
    CBitmap MiddleBitmap;
    CBitmap BottomBitmap;
    BITMAP TopInfo = {};
    BITMAP MiddleInfo = {};
    BITMAP BottomInfo = {};
    int nWidth = _Scale(QZ_SKIN_PICTURE_WIDTH);
    int nHeight = 0;
    HGDIOBJ pOldBackground = NULL;

    nRetCode = WindowDC.Attach(::GetDC(m_hWnd));
    QZLOG_PROCESS_ERROR(nRetCode && "GetDC()");

    nRetCode = LoadPiece(IDB_BACKGROUND_TOP, m_nDpi, &TopBitmap, &TopInfo) &&
               LoadPiece(IDB_BACKGROUND_MIDDLE, m_nDpi, &MiddleBitmap, &MiddleInfo) &&
               LoadPiece(IDB_BACKGROUND_BOTTOM, m_nDpi, &BottomBitmap, &BottomInfo);
    QZ_PROCESS_ERROR(nRetCode);

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

    nRetCode = DrawPiece(&WorkDC, &WindowDC, &TopBitmap, TopInfo, 0, nWidth, TopInfo.bmHeight) &&
               DrawPiece(&WorkDC, &WindowDC, &MiddleBitmap, MiddleInfo, TopInfo.bmHeight, nWidth,
                         nHeight - TopInfo.bmHeight - BottomInfo.bmHeight) &&
               DrawPiece(&WorkDC, &WindowDC, &BottomBitmap, BottomInfo, nHeight - BottomInfo.bmHeight, nWidth,
                         BottomInfo.bmHeight);
    QZ_PROCESS_ERROR(nRetCode);

    nResult = 1;
Exit0:
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
