// Reading pictures and window shapes back in the skin tests.
#ifndef QZ_TESTS_UI_SKIN_TEST_HELPERS_H
#define QZ_TESTS_UI_SKIN_TEST_HELPERS_H

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <vector>

// A picture's pixels, top row first, each 0x00RRGGBB.
struct QZ_Pixels
{
    int nWidth = 0;
    int nHeight = 0;
    std::vector<uint32_t> Data;

    uint32_t At(int x, int y) const { return Data[(size_t)y * (size_t)nWidth + (size_t)x]; }
    std::vector<uint32_t> Row(int y) const
    {
        return std::vector<uint32_t>(Data.begin() + (ptrdiff_t)y * nWidth, Data.begin() + (ptrdiff_t)(y + 1) * nWidth);
    }
};

inline uint32_t QZ_Rgb24(int r, int g, int b)
{
    return ((uint32_t)r << 16) | ((uint32_t)g << 8) | (uint32_t)b;
}

inline QZ_Pixels QZ_ReadPixels(HBITMAP hBitmap)
{
    QZ_Pixels Pixels;
    BITMAP Info = {};
    if (!hBitmap || !::GetObjectA(hBitmap, sizeof(Info), &Info))
        return Pixels;
    BITMAPINFO Header = {};
    Header.bmiHeader.biSize = sizeof(Header.bmiHeader);
    Header.bmiHeader.biWidth = Info.bmWidth;
    Header.bmiHeader.biHeight = -Info.bmHeight;  // top row first
    Header.bmiHeader.biPlanes = 1;
    Header.bmiHeader.biBitCount = 32;
    Header.bmiHeader.biCompression = BI_RGB;
    Pixels.Data.resize((size_t)Info.bmWidth * (size_t)Info.bmHeight);
    HDC hDC = ::GetDC(NULL);
    int nRows = ::GetDIBits(hDC, hBitmap, 0, (UINT)Info.bmHeight, Pixels.Data.data(), &Header, DIB_RGB_COLORS);
    ::ReleaseDC(NULL, hDC);
    if (nRows != Info.bmHeight)
        return QZ_Pixels();
    for (uint32_t& uPixel : Pixels.Data)
        uPixel &= 0x00FFFFFF;
    Pixels.nWidth = Info.bmWidth;
    Pixels.nHeight = Info.bmHeight;
    return Pixels;
}

// The rectangles of a window's shape, as the system keeps them.
inline std::vector<RECT> QZ_WindowRegionRects(HWND hWnd)
{
    std::vector<RECT> Rects;
    HRGN hRegion = ::CreateRectRgn(0, 0, 0, 0);
    if (::GetWindowRgn(hWnd, hRegion) != ERROR)
    {
        DWORD dwSize = ::GetRegionData(hRegion, 0, NULL);
        std::vector<char> Buffer(dwSize);
        RGNDATA* pData = (RGNDATA*)Buffer.data();
        if (dwSize && ::GetRegionData(hRegion, dwSize, pData) == dwSize)
        {
            const RECT* pRects = (const RECT*)pData->Buffer;
            Rects.assign(pRects, pRects + pData->rdh.nCount);
        }
    }
    ::DeleteObject(hRegion);
    return Rects;
}

// For each pixel of a W x H window, whether its shape's rectangles cover it.
inline std::vector<std::vector<bool>> QZ_RegionMask(const std::vector<RECT>& Rects, int nWidth, int nHeight)
{
    std::vector<std::vector<bool>> Mask((size_t)nHeight, std::vector<bool>((size_t)nWidth, false));
    for (const RECT& Rect : Rects)
        for (int y = std::max(0, (int)Rect.top); y < std::min(nHeight, (int)Rect.bottom); ++y)
            for (int x = std::max(0, (int)Rect.left); x < std::min(nWidth, (int)Rect.right); ++x)
                Mask[(size_t)y][(size_t)x] = true;
    return Mask;
}

#endif  // QZ_TESTS_UI_SKIN_TEST_HELPERS_H
