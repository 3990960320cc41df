// GDI wrappers: objects that own one platform handle and release it when destroyed.
#ifndef QZ_FRAMEWORK_FX_GDI_H
#define QZ_FRAMEWORK_FX_GDI_H

#include <windows.h>

class CPoint : public POINT
{
public:
    CPoint() { x = 0; y = 0; }
    CPoint(int nX, int nY) { x = nX; y = nY; }
};

class CRect : public RECT
{
public:
    CRect() { left = top = right = bottom = 0; }
    CRect(int nLeft, int nTop, int nRight, int nBottom)
    {
        left = nLeft;
        top = nTop;
        right = nRight;
        bottom = nBottom;
    }
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    void OffsetRect(int nX, int nY) { ::OffsetRect(this, nX, nY); }
    operator LPRECT() { return this; }
    operator LPCRECT() const { return this; }
};

class CGdiObject
{
public:
    CGdiObject() : m_hObject(NULL) {}
    virtual ~CGdiObject() { DeleteObject(); }

    HGDIOBJ GetSafeHandle() const { return m_hObject; }
    BOOL Attach(HGDIOBJ hObject);
    HGDIOBJ Detach();
    // Deletes the platform object, if one is held.
    BOOL DeleteObject();

    HGDIOBJ m_hObject;

private:
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
};

class CDC;

class CBitmap : public CGdiObject
{
public:
    // Loads a bitmap resource of the application module.
    BOOL LoadBitmap(UINT nIDResource);
    BOOL CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight);
    // GetObject on the bitmap: the number of bytes stored, 0 on failure.
    int GetBitmap(BITMAP* pBitMap) const;
    operator HBITMAP() const { return (HBITMAP)m_hObject; }
};

class CFont : public CGdiObject
{
public:
    BOOL CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight,
                    BYTE bItalic, BYTE bUnderline, BYTE cStrikeOut, BYTE nCharSet,
                    BYTE nOutPrecision, BYTE nClipPrecision, BYTE nQuality,
                    BYTE nPitchAndFamily, LPCSTR lpszFacename);
    operator HFONT() const { return (HFONT)m_hObject; }
};

class CDC
{
public:
    CDC() : m_hDC(NULL), m_bOwned(FALSE) {}
    virtual ~CDC();

    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }
    BOOL Attach(HDC hDC);
    HDC Detach();

    // A memory context compatible with pDC (or the screen when pDC is NULL); owned and
    // deleted by this object.
    BOOL CreateCompatibleDC(CDC* pDC);
    BOOL DeleteDC();

    // Both return the object that was replaced, NULL on failure.
    HGDIOBJ SelectObject(CGdiObject* pObject);
    HGDIOBJ SelectObject(HGDIOBJ hObject);

    BOOL BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, DWORD dwRop);
    BOOL StretchBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc,
                    int nSrcWidth, int nSrcHeight, DWORD dwRop);
    int SetBkMode(int nBkMode);
    COLORREF SetTextColor(COLORREF crColor);
    int DrawText(LPCSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat);
    COLORREF GetPixel(int x, int y) const;
    BOOL DrawIcon(int x, int y, HICON hIcon);

    HDC m_hDC;

protected:
    BOOL m_bOwned;  // TRUE when this object created the context and must delete it

private:
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;
};

class CWnd;

// BeginPaint in the constructor, EndPaint in the destructor.
class CPaintDC : public CDC
{
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC() override;

    PAINTSTRUCT m_ps;

private:
    HWND m_hWnd;
};

#endif  // QZ_FRAMEWORK_FX_GDI_H
