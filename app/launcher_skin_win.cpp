// The launcher window's composed background and its shape (the arithmetic is
// ui/window_skin.h's).
#include "app/launcher_dialog.h"

#include <cstring>
#include <vector>

#include "base/log.h"
#include "res/resource.h"
#include "ui/window_skin.h"

// Composes m_BackgroundBitmap, 262 pixels wide and as high as the server choices need:
// the top piece at the top, the bottom piece against the bottom, the middle band
// stretched between them. The picture is in the display's format.
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
    int nWidth = QZ_SKIN_PICTURE_WIDTH;
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

    nRetCode = TopBitmap.LoadBitmap(IDB_BACKGROUND_TOP);
    QZLOG_PROCESS_ERROR(nRetCode);
    nRetCode = TopBitmap.GetBitmap(&TopInfo);
    QZLOG_PROCESS_ERROR(nRetCode);

    nRetCode = MiddleBitmap.LoadBitmap(IDB_BACKGROUND_MIDDLE);
    QZLOG_PROCESS_ERROR(nRetCode);
    nRetCode = MiddleBitmap.GetBitmap(&MiddleInfo);
    QZLOG_PROCESS_ERROR(nRetCode);

    nRetCode = BottomBitmap.LoadBitmap(IDB_BACKGROUND_BOTTOM);
    QZLOG_PROCESS_ERROR(nRetCode);
    nRetCode = BottomBitmap.GetBitmap(&BottomInfo);
    QZLOG_PROCESS_ERROR(nRetCode);

    nHeight = QZ_SkinPictureHeight((int)m_ServerItemList.size(),
                                   TopInfo.bmHeight + MiddleInfo.bmHeight + BottomInfo.bmHeight);

    m_BackgroundBitmap.DeleteObject();
    nRetCode = m_BackgroundBitmap.CreateCompatibleBitmap(&WindowDC, nWidth, nHeight);
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

// Sizes and centres the window to m_BackgroundBitmap and cuts its shape: one region
// rectangle one pixel high per run of pixels that are not SHAPE_KEY_COLOR. The picture
// is read once, whole (GetDIBits), and the region made in one call from all the runs.
int QZ_ArdunLauncherDlg::_InitDialogRegion()
{
    int nResult = 0;
    int nRetCode = 0;
    BITMAP BackgroundInfo = {};
    BITMAPINFO PictureFormat = {};
    int nWidth = 0;
    int nHeight = 0;
    CDC MemoryDC;
    HRGN hShape = NULL;
    QZ_PixelRun Run = {};
    std::vector<uint32_t> Pixels;
    std::vector<RECT> Runs;
    std::vector<BYTE> ShapeData;
    RGNDATAHEADER* pShapeHeader = NULL;
    // The key as a 32-bit DIB pixel holds it: 0x00RRGGBB, where a colour value is 0x00BBGGRR.
    const uint32_t uKeyPixel =
        ((SHAPE_KEY_COLOR & 0xFF) << 16) | (SHAPE_KEY_COLOR & 0xFF00) | ((SHAPE_KEY_COLOR >> 16) & 0xFF);

    nRetCode = m_BackgroundBitmap.GetBitmap(&BackgroundInfo);
    QZLOG_PROCESS_ERROR(nRetCode);
    nWidth = BackgroundInfo.bmWidth;
    nHeight = BackgroundInfo.bmHeight;

    MoveWindow(0, 0, nWidth, nHeight, TRUE);
    CenterWindow();

    nRetCode = MemoryDC.CreateCompatibleDC(NULL);
    QZLOG_PROCESS_ERROR(nRetCode);

    // Top row first, 32 bits a pixel.
    PictureFormat.bmiHeader.biSize = sizeof(PictureFormat.bmiHeader);
    PictureFormat.bmiHeader.biWidth = nWidth;
    PictureFormat.bmiHeader.biHeight = -nHeight;
    PictureFormat.bmiHeader.biPlanes = 1;
    PictureFormat.bmiHeader.biBitCount = 32;
    PictureFormat.bmiHeader.biCompression = BI_RGB;
    Pixels.resize((size_t)nWidth * (size_t)nHeight);
    nRetCode = ::GetDIBits(MemoryDC, m_BackgroundBitmap, 0, (UINT)nHeight, Pixels.data(), &PictureFormat,
                           DIB_RGB_COLORS) == nHeight;
    QZLOG_PROCESS_ERROR(nRetCode && "GetDIBits()");

    for (int y = 0; y < nHeight; ++y)
    {
        uint32_t* puRow = &Pixels[(size_t)y * (size_t)nWidth];
        for (int x = 0; x < nWidth; ++x)
            puRow[x] &= 0x00FFFFFF;
        for (int x = 0; QZ_NextPixelRun(puRow, nWidth, x, uKeyPixel, &Run); x = Run.nRight)
            Runs.push_back(RECT{ Run.nLeft, y, Run.nRight, y + 1 });
    }

    ShapeData.resize(sizeof(RGNDATAHEADER) + Runs.size() * sizeof(RECT));
    pShapeHeader = (RGNDATAHEADER*)ShapeData.data();
    pShapeHeader->dwSize = sizeof(RGNDATAHEADER);
    pShapeHeader->iType = RDH_RECTANGLES;
    pShapeHeader->nCount = (DWORD)Runs.size();
    pShapeHeader->nRgnSize = (DWORD)(Runs.size() * sizeof(RECT));
    pShapeHeader->rcBound = RECT{ 0, 0, nWidth, nHeight };
    if (!Runs.empty())
        memcpy(ShapeData.data() + sizeof(RGNDATAHEADER), Runs.data(), Runs.size() * sizeof(RECT));
    hShape = ::ExtCreateRegion(NULL, (DWORD)ShapeData.size(), (const RGNDATA*)ShapeData.data());
    nRetCode = hShape != NULL;
    QZLOG_PROCESS_ERROR(nRetCode);

    nRetCode = SetWindowRgn(hShape, TRUE);
    QZLOG_PROCESS_ERROR(nRetCode);
    hShape = NULL;  // the window owns the shape now

    SetForegroundWindow();

    nResult = 1;
Exit0:
    if (hShape)
        ::DeleteObject(hShape);
    MemoryDC.DeleteDC();
    return nResult;
}
