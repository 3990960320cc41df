#include "tests/ui/ui_test_host.h"

#include <cstdio>
#include <cstdlib>
#include <direct.h>

#include "ui/bitmap_button.h"

namespace
{

const char s_cszHostClass[] = "QZUiTestHost";

COLORREF StripePattern(int x, int y)
{
    static const COLORREF s_Colors[] = { RGB(90, 140, 200), RGB(230, 200, 120), RGB(120, 190, 110),
                                         RGB(210, 120, 150) };
    return s_Colors[((x / 7) + (y / 5)) % 4];
}

bool RegisterHostClass()
{
    static bool s_bRegistered = false;
    if (s_bRegistered)
        return true;
    WNDCLASSA Class = {};
    Class.lpfnWndProc = ::DefWindowProcA;
    Class.hInstance = ::GetModuleHandleA(NULL);
    Class.hCursor = ::LoadCursor(NULL, IDC_ARROW);
    Class.lpszClassName = s_cszHostClass;
    s_bRegistered = ::RegisterClassA(&Class) != 0;
    return s_bRegistered;
}

}  // namespace

QZ_UiTestHost::QZ_UiTestHost() : m_Background(StripePattern), m_nEraseCount(0)
{
}

QZ_UiTestHost::~QZ_UiTestHost()
{
    Close();
}

bool QZ_UiTestHost::Open(int x, int y, int nWidth, int nHeight, BackgroundFn Background)
{
    if (Background)
        m_Background = Background;
    if (!RegisterHostClass())
        return false;
    // No WS_CLIPCHILDREN: the host paints beneath its children, as the launcher does.
    HWND hWnd = ::CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, s_cszHostClass, "ui test",
                                  WS_POPUP, x, y, nWidth, nHeight, NULL, NULL,
                                  ::GetModuleHandleA(NULL), NULL);
    if (!hWnd || !SubclassWindow(hWnd))
        return false;
    ::ShowWindow(hWnd, SW_SHOWNOACTIVATE);
    ::UpdateWindow(hWnd);
    QZ_PumpFor(100);
    return true;
}

void QZ_UiTestHost::Close()
{
    if (m_hWnd)
        DestroyWindow();
    QZ_PumpMessages();
}

int QZ_UiTestHost::CountMessages(UINT nMessage) const
{
    int nCount = 0;
    for (const QZ_UiTestMessage& Message : m_Messages)
        nCount += Message.nMessage == nMessage ? 1 : 0;
    return nCount;
}

LRESULT QZ_UiTestHost::WindowProc(UINT nMessage, WPARAM wParam, LPARAM lParam)
{
    if (nMessage == WM_BITMAPBUTTON_ENTER || nMessage == WM_BITMAPBUTTON_LEAVE || nMessage == WM_COMMAND)
        m_Messages.push_back(QZ_UiTestMessage{ nMessage, wParam, lParam });

    if (nMessage == WM_ERASEBKGND)
    {
        ++m_nEraseCount;
        HDC hDC = (HDC)wParam;
        RECT rcClient;
        ::GetClientRect(m_hWnd, &rcClient);
        RECT rcClip;
        if (::GetClipBox(hDC, &rcClip) == ERROR)
            rcClip = rcClient;
        for (int y = rcClip.top; y < rcClip.bottom; ++y)
            for (int x = rcClip.left; x < rcClip.right; ++x)
                ::SetPixelV(hDC, x, y, m_Background(x, y));
        return 1;
    }
    return CWnd::WindowProc(nMessage, wParam, lParam);
}

COLORREF QZ_UiTestHost::PixelAt(int x, int y)
{
    QZ_PumpMessages();
    HDC hDC = ::GetDC(m_hWnd);
    COLORREF Color = ::GetPixel(hDC, x, y);
    ::ReleaseDC(m_hWnd, hDC);
    return Color;
}

bool QZ_UiTestHost::SaveScreenshot(const char* cszName)
{
    QZ_PumpMessages();
    return QZ_SaveWindowScreenshot(m_hWnd, cszName);
}

void QZ_PumpMessages()
{
    MSG Message;
    for (int nRound = 0; nRound < 1000; ++nRound)
    {
        if (!::PeekMessageA(&Message, NULL, 0, 0, PM_REMOVE))
            break;
        ::TranslateMessage(&Message);
        ::DispatchMessageA(&Message);
    }
}

void QZ_PumpFor(int nMilliseconds)
{
    DWORD dwStart = ::GetTickCount();
    do
    {
        QZ_PumpMessages();
        ::MsgWaitForMultipleObjects(0, NULL, FALSE, 5, QS_ALLINPUT);
    } while ((int)(::GetTickCount() - dwStart) < nMilliseconds);
    QZ_PumpMessages();
}

bool QZ_PumpUntil(const std::function<bool()>& Done, int nTimeoutMs)
{
    DWORD dwStart = ::GetTickCount();
    for (;;)
    {
        QZ_PumpMessages();
        if (Done())
            return true;
        if ((int)(::GetTickCount() - dwStart) >= nTimeoutMs)
            return false;
        ::MsgWaitForMultipleObjects(0, NULL, FALSE, 10, QS_ALLINPUT);
    }
}

void QZ_MouseMoveTo(int nScreenX, int nScreenY)
{
    int nScreenWidth = ::GetSystemMetrics(SM_CXSCREEN);
    int nScreenHeight = ::GetSystemMetrics(SM_CYSCREEN);
    INPUT Input = {};
    Input.type = INPUT_MOUSE;
    Input.mi.dx = (LONG)(((long long)nScreenX * 65536 + nScreenWidth / 2) / nScreenWidth);
    Input.mi.dy = (LONG)(((long long)nScreenY * 65536 + nScreenHeight / 2) / nScreenHeight);
    Input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    ::SendInput(1, &Input, sizeof(Input));
    // Wait until the system has the pointer there.
    QZ_PumpUntil([&]() {
        POINT Point;
        return ::GetCursorPos(&Point) && Point.x == nScreenX && Point.y == nScreenY;
    }, 1000);
    QZ_PumpFor(30);
}

void QZ_MouseButton(bool bDown)
{
    INPUT Input = {};
    Input.type = INPUT_MOUSE;
    Input.mi.dwFlags = bDown ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    ::SendInput(1, &Input, sizeof(Input));
    QZ_PumpFor(60);
}

int QZ_CountGdiObjects()
{
    DWORD dwCount = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    if (dwCount)
        return (int)dwCount;
    // Wine keeps no such count; its handles carry the table index in their low word,
    // so the live objects can be counted by asking for each index's type.
    int nCount = 0;
    for (UINT_PTR uIndex = 1; uIndex < 0x10000; ++uIndex)
        nCount += ::GetObjectType((HGDIOBJ)uIndex) ? 1 : 0;
    return nCount;
}

bool QZ_SaveWindowScreenshot(HWND hWnd, const char* cszName)
{
    const char* cszBinaryDir = getenv("QZ_BINARY_DIR");
    std::string strFolder = std::string(cszBinaryDir ? cszBinaryDir : ".") + "/screenshots";
    _mkdir(strFolder.c_str());
    std::string strPath = strFolder + "/" + cszName + ".bmp";

    RECT rcClient;
    ::GetClientRect(hWnd, &rcClient);
    int nWidth = rcClient.right;
    int nHeight = rcClient.bottom;
    if (nWidth <= 0 || nHeight <= 0)
        return false;

    BITMAPINFOHEADER Header = {};
    Header.biSize = sizeof(Header);
    Header.biWidth = nWidth;
    Header.biHeight = nHeight;  // bottom-up, as a BMP file stores it
    Header.biPlanes = 1;
    Header.biBitCount = 24;
    Header.biCompression = BI_RGB;
    void* pvBits = NULL;
    HDC hWindowDC = ::GetDC(hWnd);
    HBITMAP hBitmap = ::CreateDIBSection(hWindowDC, (BITMAPINFO*)&Header, DIB_RGB_COLORS, &pvBits, NULL, 0);
    HDC hMemoryDC = ::CreateCompatibleDC(hWindowDC);
    HGDIOBJ hOld = ::SelectObject(hMemoryDC, hBitmap);
    ::BitBlt(hMemoryDC, 0, 0, nWidth, nHeight, hWindowDC, 0, 0, SRCCOPY);
    ::GdiFlush();

    DWORD dwStride = ((DWORD)nWidth * 3 + 3) & ~3u;
    DWORD dwImageSize = dwStride * (DWORD)nHeight;
    BITMAPFILEHEADER File = {};
    File.bfType = 0x4D42;
    File.bfOffBits = sizeof(File) + sizeof(Header);
    File.bfSize = File.bfOffBits + dwImageSize;
    bool bSaved = false;
    FILE* fpFile = fopen(strPath.c_str(), "wb");
    if (fpFile)
    {
        bSaved = fwrite(&File, sizeof(File), 1, fpFile) == 1 &&
                 fwrite(&Header, sizeof(Header), 1, fpFile) == 1 &&
                 fwrite(pvBits, dwImageSize, 1, fpFile) == 1;
        fclose(fpFile);
    }
    ::SelectObject(hMemoryDC, hOld);
    ::DeleteDC(hMemoryDC);
    ::DeleteObject(hBitmap);
    ::ReleaseDC(hWnd, hWindowDC);
    return bSaved;
}
