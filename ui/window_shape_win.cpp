#include "ui/window_shape.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/log.h"
#include "framework/fx_gdi.h"
#include "ui/window_skin.h"

namespace
{

// Rows read at a time: the picture goes through a small buffer that stays in the cache,
// instead of a copy of the whole picture in fresh memory.
const int QZ_SHAPE_STRIP_ROWS = 32;

// The shape's rectangles, row by row. Rows with the same runs as the row above extend
// that row's rectangles downwards, so the region is handed over in bands, as the
// system keeps it.
class QZ_ShapeBands
{
public:
    void AddRow(const uint32_t* puRow, int nWidth, int y, uint32_t uKeyPixel)
    {
        QZ_PixelRun Run = {};
        auto GetPixelAt = [puRow](int x) { return puRow[x] & 0x00FFFFFF; };

        m_RowRuns.clear();
        for (int x = 0; QZ_FindPixelRun(GetPixelAt, nWidth, x, uKeyPixel, &Run); x = Run.nRight)
            m_RowRuns.push_back(Run);
        if (y > 0 && _SameAsBandAbove())
        {
            for (size_t i = m_Runs.size() - m_uBandRuns; i < m_Runs.size(); ++i)
                m_Runs[i].bottom = y + 1;
            return;
        }
        for (const QZ_PixelRun& RowRun : m_RowRuns)
            m_Runs.push_back(RECT{ RowRun.nLeft, y, RowRun.nRight, y + 1 });
        m_uBandRuns = m_RowRuns.size();
    }

    // The region of every rectangle, within the picture's bounds; NULL on failure.
    HRGN MakeRegion(int nWidth, int nHeight) const
    {
        std::vector<BYTE> ShapeData(sizeof(RGNDATAHEADER) + m_Runs.size() * sizeof(RECT));
        RGNDATAHEADER* pHeader = (RGNDATAHEADER*)ShapeData.data();

        pHeader->dwSize = sizeof(RGNDATAHEADER);
        pHeader->iType = RDH_RECTANGLES;
        pHeader->nCount = (DWORD)m_Runs.size();
        pHeader->nRgnSize = (DWORD)(m_Runs.size() * sizeof(RECT));
        pHeader->rcBound = RECT{ 0, 0, nWidth, nHeight };
        if (!m_Runs.empty())
            memcpy(ShapeData.data() + sizeof(RGNDATAHEADER), m_Runs.data(), m_Runs.size() * sizeof(RECT));
        return ::ExtCreateRegion(NULL, (DWORD)ShapeData.size(), (const RGNDATA*)ShapeData.data());
    }

private:
    bool _SameAsBandAbove() const
    {
        if (m_RowRuns.size() != m_uBandRuns)
            return false;
        for (size_t i = 0; i < m_uBandRuns; ++i)
        {
            const RECT& Above = m_Runs[m_Runs.size() - m_uBandRuns + i];
            if (Above.left != m_RowRuns[i].nLeft || Above.right != m_RowRuns[i].nRight)
                return false;
        }
        return true;
    }

    std::vector<RECT> m_Runs;
    std::vector<QZ_PixelRun> m_RowRuns;
    size_t m_uBandRuns = 0;  // rectangles of the band that the last row belongs to
};

}  // namespace

HRGN QZ_CreateShapeRegion(HBITMAP hPicture, uint32_t uKeyColor)
{
    HRGN hResult = NULL;
    int nRetCode = 0;
    BITMAP Info = {};
    BITMAPINFO Format = {};
    HDC hMemoryDC = NULL;
    std::vector<uint32_t> Strip;
    QZ_ShapeBands Bands;
    const uint32_t uKeyPixel = QZ_Dib32Pixel(uKeyColor);

    nRetCode = ::GetObjectA(hPicture, sizeof(Info), &Info);
    QZLOG_PROCESS_ERROR(nRetCode && "GetObject()");
    QZLOG_PROCESS_ERROR(Info.bmWidth > 0 && Info.bmHeight > 0);

    // 32 bits a pixel, whatever the picture's own format; scan lines are numbered from
    // the bottom row.
    Format = QZ_Dib32Format(Info.bmWidth, Info.bmHeight);
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

        for (int nRow = 0; nRow < nRows; ++nRow)
            Bands.AddRow(&Strip[(size_t)(nRows - 1 - nRow) * (size_t)Info.bmWidth], Info.bmWidth, nTop + nRow,
                         uKeyPixel);
    }

    hResult = Bands.MakeRegion(Info.bmWidth, Info.bmHeight);
    QZLOG_PROCESS_ERROR(hResult && "ExtCreateRegion()");

Exit0:
    if (!hResult)
        QZ_WriteLog(LOG_LEVEL_DEBUG, "Failed to cut the window shape from the picture, Error code: %d.",
                    (int)GetLastError());
    if (hMemoryDC)
        ::DeleteDC(hMemoryDC);
    return hResult;
}
