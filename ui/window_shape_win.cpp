#include "ui/window_shape.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/log.h"
#include "ui/window_skin.h"

namespace
{

// Rows read at a time: the picture goes through a small buffer that stays in the cache,
// instead of a copy of the whole picture in fresh memory.
const int QZ_SHAPE_STRIP_ROWS = 32;

}  // namespace

HRGN QZ_CreateShapeRegion(HBITMAP hPicture, uint32_t uKeyColor)
{
    HRGN hResult = NULL;
    int nRetCode = 0;
    BITMAP Info = {};
    BITMAPINFO Format = {};
    HDC hMemoryDC = NULL;
    std::vector<uint32_t> Strip;
    std::vector<BYTE> ShapeData;
    std::vector<RECT> Runs;
    std::vector<QZ_PixelRun> RowRuns;
    size_t uBandRuns = 0;  // rectangles of the band that the last row belongs to
    QZ_PixelRun Run = {};
    RGNDATAHEADER* pHeader = NULL;
    // A 32-bit DIB pixel holds the colour as 0x00RRGGBB.
    const uint32_t uKeyPixel = ((uKeyColor & 0xFF) << 16) | (uKeyColor & 0xFF00) | ((uKeyColor >> 16) & 0xFF);

    nRetCode = ::GetObjectA(hPicture, sizeof(Info), &Info);
    QZLOG_PROCESS_ERROR(nRetCode && "GetObject()");
    QZLOG_PROCESS_ERROR(Info.bmWidth > 0 && Info.bmHeight > 0);

    // 32 bits a pixel, whatever the picture's own format; scan lines are numbered from
    // the bottom row.
    Format.bmiHeader.biSize = sizeof(Format.bmiHeader);
    Format.bmiHeader.biWidth = Info.bmWidth;
    Format.bmiHeader.biHeight = Info.bmHeight;
    Format.bmiHeader.biPlanes = 1;
    Format.bmiHeader.biBitCount = 32;
    Format.bmiHeader.biCompression = BI_RGB;
    Strip.resize((size_t)Info.bmWidth * QZ_SHAPE_STRIP_ROWS);
    hMemoryDC = ::CreateCompatibleDC(NULL);
    QZLOG_PROCESS_ERROR(hMemoryDC && "CreateCompatibleDC()");

    for (int nTop = 0; nTop < (int)Info.bmHeight; nTop += QZ_SHAPE_STRIP_ROWS)
    {
        int nRows = std::min(QZ_SHAPE_STRIP_ROWS, (int)Info.bmHeight - nTop);
        int nFirstScan = Info.bmHeight - nTop - nRows;
        nRetCode = ::GetDIBits(hMemoryDC, hPicture, (UINT)nFirstScan, (UINT)nRows, Strip.data(), &Format,
                               DIB_RGB_COLORS);
        QZLOG_PROCESS_ERROR((nRetCode == nRows) && "GetDIBits()");

        // Rows with the same runs as the row above extend that row's rectangles
        // downwards, so the region is handed over in bands, as the system keeps it.
        for (int nRow = 0; nRow < nRows; ++nRow)
        {
            int y = nTop + nRow;
            const uint32_t* puRow = &Strip[(size_t)(nRows - 1 - nRow) * (size_t)Info.bmWidth];
            auto GetPixelAt = [puRow](int x) { return puRow[x] & 0x00FFFFFF; };
            RowRuns.clear();
            for (int x = 0; QZ_FindPixelRun(GetPixelAt, Info.bmWidth, x, uKeyPixel, &Run); x = Run.nRight)
                RowRuns.push_back(Run);

            bool bSameAsAbove = y > 0 && RowRuns.size() == uBandRuns;
            for (size_t i = 0; bSameAsAbove && i < uBandRuns; ++i)
            {
                const RECT& Above = Runs[Runs.size() - uBandRuns + i];
                bSameAsAbove = Above.left == RowRuns[i].nLeft && Above.right == RowRuns[i].nRight;
            }
            if (bSameAsAbove)
            {
                for (size_t i = Runs.size() - uBandRuns; i < Runs.size(); ++i)
                    Runs[i].bottom = y + 1;
                continue;
            }
            for (const QZ_PixelRun& RowRun : RowRuns)
                Runs.push_back(RECT{ RowRun.nLeft, y, RowRun.nRight, y + 1 });
            uBandRuns = RowRuns.size();
        }
    }

    ShapeData.resize(sizeof(RGNDATAHEADER) + Runs.size() * sizeof(RECT));
    pHeader = (RGNDATAHEADER*)ShapeData.data();
    pHeader->dwSize = sizeof(RGNDATAHEADER);
    pHeader->iType = RDH_RECTANGLES;
    pHeader->nCount = (DWORD)Runs.size();
    pHeader->nRgnSize = (DWORD)(Runs.size() * sizeof(RECT));
    pHeader->rcBound = RECT{ 0, 0, Info.bmWidth, Info.bmHeight };
    if (!Runs.empty())
        memcpy(ShapeData.data() + sizeof(RGNDATAHEADER), Runs.data(), Runs.size() * sizeof(RECT));
    hResult = ::ExtCreateRegion(NULL, (DWORD)ShapeData.size(), (const RGNDATA*)ShapeData.data());
    QZLOG_PROCESS_ERROR(hResult && "ExtCreateRegion()");

Exit0:
    if (!hResult)
        QZ_WriteLog(LOG_LEVEL_DEBUG, "Failed to cut the window shape from the picture, Error code: %d.",
                    (int)GetLastError());
    if (hMemoryDC)
        ::DeleteDC(hMemoryDC);
    return hResult;
}
