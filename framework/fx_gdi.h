// GDI wrappers: a point and a rectangle, and objects that own one platform handle and
// release it when destroyed.
#ifndef QZ_FRAMEWORK_FX_GDI_H
#define QZ_FRAMEWORK_FX_GDI_H

#include <windows.h>

#include <string>

#include "base/wide_text.h"


// The format of a 32-bit DIB of nWidth x nHeight pixels, each 0x00RRGGBB: rows from
// the bottom up, or from the top down for a negative nHeight.
inline BITMAPINFO QZ_Dib32Format(int nWidth, int nHeight)
{
    BITMAPINFO Format = {};
    Format.bmiHeader.biSize = sizeof(Format.bmiHeader);
    Format.bmiHeader.biWidth = nWidth;
    Format.bmiHeader.biHeight = nHeight;
    Format.bmiHeader.biPlanes = 1;
    Format.bmiHeader.biBitCount = 32;
    Format.bmiHeader.biCompression = BI_RGB;
    return Format;
}

// A colour (0x00BBGGRR) as a pixel of such a DIB.
inline unsigned int QZ_Dib32Pixel(COLORREF Color)
{
    return ((Color & 0xFF) << 16) | (Color & 0xFF00) | ((Color >> 16) & 0xFF);
}

class CPoint : public POINT
{
public:
    CPoint(int nX, int nY) : POINT{ nX, nY } {}
};

class CRect : public RECT
{
public:
    CRect() : RECT{} {}
    CRect(int nLeft, int nTop, int nRight, int nBottom) : RECT{ nLeft, nTop, nRight, nBottom } {}
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    void OffsetRect(int nX, int nY) { ::OffsetRect(this, nX, nY); }
    operator LPRECT() { return this; }
};

// The owner of one GDI object (bitmap, font): deleted with the wrapper or when replaced.
class CGdiObject
{
public:
    CGdiObject() : m_hObject(NULL) {}
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
    ~CGdiObject() { DeleteObject(); }

    HGDIOBJ GetSafeHandle() const { return m_hObject; }
    // Deletes the platform object, if one is held.
    BOOL DeleteObject()
    {
        HGDIOBJ hObject = m_hObject;
        m_hObject = NULL;
        return hObject ? ::DeleteObject(hObject) : FALSE;
    }

    HGDIOBJ m_hObject;

protected:
    // Takes hObject in place of the object held; a NULL handle (a failed creation)
    // changes nothing and gives FALSE.
    BOOL Attach(HGDIOBJ hObject)
    {
        if (!hObject)
            return FALSE;
        DeleteObject();
        m_hObject = hObject;
        return TRUE;
    }
};

// A device context: either attached (someone else releases it) or made by
// CreateCompatibleDC and then deleted by this object.
class CDC
{
public:
    CDC() : m_hDC(NULL), m_bOwned(FALSE) {}
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;
    ~CDC()
    {
        if (m_bOwned)
            DeleteDC();
    }

    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }
    BOOL Attach(HDC hDC)
    {
        if (!hDC)
            return FALSE;
        m_hDC = hDC;
        m_bOwned = FALSE;
        return TRUE;
    }
    HDC Detach()
    {
        HDC hDC = m_hDC;
        m_hDC = NULL;
        m_bOwned = FALSE;
        return hDC;
    }

    // A memory context compatible with pDC (or the screen when pDC is NULL).
    BOOL CreateCompatibleDC(CDC* pDC)
    {
        HDC hDC = ::CreateCompatibleDC(pDC ? pDC->m_hDC : NULL);
        if (!hDC)
            return FALSE;
        if (m_bOwned)
            DeleteDC();
        m_hDC = hDC;
        m_bOwned = TRUE;
        return TRUE;
    }
    BOOL DeleteDC()
    {
        HDC hDC = Detach();
        return hDC ? ::DeleteDC(hDC) : FALSE;
    }

    // Both return the object that was replaced, NULL on failure.
    HGDIOBJ SelectObject(CGdiObject* pObject) { return pObject ? SelectObject(pObject->m_hObject) : NULL; }
    HGDIOBJ SelectObject(HGDIOBJ hObject)
    {
        HGDIOBJ hOld = m_hDC && hObject ? ::SelectObject(m_hDC, hObject) : NULL;
        return hOld == HGDI_ERROR ? NULL : hOld;
    }

    BOOL BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, DWORD dwRop)
    {
        return ::BitBlt(m_hDC, x, y, nWidth, nHeight, pSrcDC ? pSrcDC->m_hDC : NULL, xSrc, ySrc, dwRop);
    }
    BOOL StretchBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc,
                    int nSrcWidth, int nSrcHeight, DWORD dwRop)
    {
        return ::StretchBlt(m_hDC, x, y, nWidth, nHeight, pSrcDC ? pSrcDC->m_hDC : NULL, xSrc, ySrc,
                            nSrcWidth, nSrcHeight, dwRop);
    }
    int SetBkMode(int nBkMode) { return ::SetBkMode(m_hDC, nBkMode); }
    COLORREF SetTextColor(COLORREF crColor) { return ::SetTextColor(m_hDC, crColor); }
    // Draws nCount bytes of lpszString (all of it for -1), an interface text in code
    // page 936, with the wide function.
    int DrawText(LPCSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat)
    {
        std::string strText = lpszString ? (nCount < 0 ? std::string(lpszString) : std::string(lpszString, nCount))
                                         : std::string();
        std::wstring wstrText = QZ_InterfaceTextToWide(strText.c_str());
        return ::DrawTextW(m_hDC, wstrText.c_str(), (int)wstrText.size(), lpRect, nFormat);
    }
    BOOL DrawIcon(int x, int y, HICON hIcon) { return ::DrawIcon(m_hDC, x, y, hIcon); }

    HDC m_hDC;

protected:
    BOOL m_bOwned;  // TRUE when this object created the context and must delete it
};

class CBitmap : public CGdiObject
{
public:
    // Loads a bitmap resource of the program's own module.
    BOOL LoadBitmap(UINT nIDResource)
    {
        return Attach(::LoadBitmapA(::GetModuleHandleA(NULL), MAKEINTRESOURCEA(nIDResource & 0xFFFF)));
    }
    // Takes hBitmap in place of the bitmap held; NULL (a failed load) changes nothing
    // and gives FALSE.
    BOOL Attach(HBITMAP hBitmap) { return CGdiObject::Attach(hBitmap); }
    BOOL CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight)
    {
        return Attach(::CreateCompatibleBitmap(pDC ? pDC->m_hDC : NULL, nWidth, nHeight));
    }
    // A DIB section of 32 bits a pixel (0x00RRGGBB, rows from the bottom up), which holds
    // every colour exactly at any display depth.
    BOOL CreateDIBSection32(int nWidth, int nHeight)
    {
        BITMAPINFO Format = QZ_Dib32Format(nWidth, nHeight);
        void* pvBits = NULL;
        return Attach(::CreateDIBSection(NULL, &Format, DIB_RGB_COLORS, &pvBits, NULL, 0));
    }
    // GetObject on the bitmap: the number of bytes stored, 0 on failure.
    int GetBitmap(BITMAP* pBitMap) const
    {
        return m_hObject ? ::GetObjectA(m_hObject, sizeof(BITMAP), pBitMap) : 0;
    }
    operator HBITMAP() const { return (HBITMAP)m_hObject; }
};

class CFont : public CGdiObject
{
public:
    // lpszFacename (or NULL) is an interface text in code page 936: a Chinese face name
    // reaches the font mapper intact whatever the system's code page.
    BOOL CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight,
                    BYTE bItalic, BYTE bUnderline, BYTE cStrikeOut, BYTE nCharSet,
                    BYTE nOutPrecision, BYTE nClipPrecision, BYTE nQuality,
                    BYTE nPitchAndFamily, LPCSTR lpszFacename)
    {
        std::wstring wstrFacename = QZ_InterfaceTextToWide(lpszFacename);
        return Attach(::CreateFontW(nHeight, nWidth, nEscapement, nOrientation, nWeight, bItalic,
                                    bUnderline, cStrikeOut, nCharSet, nOutPrecision, nClipPrecision,
                                    nQuality, nPitchAndFamily, lpszFacename ? wstrFacename.c_str() : NULL));
    }
    BOOL CreateFontIndirect(const LOGFONTA* pLogFont) { return Attach(::CreateFontIndirectA(pLogFont)); }
    operator HFONT() const { return (HFONT)m_hObject; }
};

#endif  // QZ_FRAMEWORK_FX_GDI_H
