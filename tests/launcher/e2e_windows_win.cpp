// Lists the visible top-level windows of the Wine session as the system itself sees
// them, with their child controls, for the end-to-end test:
//   qz_e2e_windows.exe
// One line per window, texts in hexadecimal bytes of the ANSI code page:
//   window pid=N class=NAME rect=L,T,R,B title=HEX
//   child class=NAME visible=0|1 rect=L,T,R,B text=HEX     (screen coordinates)
//   foreground title=HEX focus=CLASS                          (the foreground window and,
//                                                            in its thread, the focus)
//   screen dpi=N bits=N                                       (the DPI and colour depth
//                                                            that programs are shown)
//   codepage acp=N                                            (the ANSI code page)
#include <windows.h>

#include <cstdio>
#include <string>

namespace
{

std::string Hex(const char* cszText)
{
    static const char s_cszDigits[] = "0123456789abcdef";
    std::string strHex;
    for (const unsigned char* pby = (const unsigned char*)cszText; *pby; ++pby)
    {
        strHex += s_cszDigits[*pby >> 4];
        strHex += s_cszDigits[*pby & 15];
    }
    return strHex;
}

BOOL CALLBACK PrintChild(HWND hWnd, LPARAM)
{
    char szClass[256] = "";
    char szText[1024] = "";
    RECT rcWindow = {};
    ::GetClassNameA(hWnd, szClass, sizeof(szClass));
    ::GetWindowTextA(hWnd, szText, sizeof(szText));
    ::GetWindowRect(hWnd, &rcWindow);
    printf("child class=%s visible=%d rect=%ld,%ld,%ld,%ld text=%s\n", szClass, ::IsWindowVisible(hWnd) ? 1 : 0,
           rcWindow.left, rcWindow.top, rcWindow.right, rcWindow.bottom, Hex(szText).c_str());
    return TRUE;
}

BOOL CALLBACK PrintWindow(HWND hWnd, LPARAM)
{
    if (!::IsWindowVisible(hWnd))
        return TRUE;
    char szClass[256] = "";
    char szTitle[1024] = "";
    RECT rcWindow = {};
    DWORD dwProcessId = 0;
    ::GetWindowThreadProcessId(hWnd, &dwProcessId);
    ::GetClassNameA(hWnd, szClass, sizeof(szClass));
    ::GetWindowTextA(hWnd, szTitle, sizeof(szTitle));
    ::GetWindowRect(hWnd, &rcWindow);
    printf("window pid=%lu class=%s rect=%ld,%ld,%ld,%ld title=%s\n", dwProcessId, szClass, rcWindow.left,
           rcWindow.top, rcWindow.right, rcWindow.bottom, Hex(szTitle).c_str());
    ::EnumChildWindows(hWnd, PrintChild, 0);
    return TRUE;
}

}  // namespace

int main()
{
    if (!::EnumWindows(PrintWindow, 0))
        return 1;
    char szTitle[1024] = "";
    char szFocusClass[256] = "-";
    HWND hForeground = ::GetForegroundWindow();
    if (hForeground)
    {
        GUITHREADINFO ThreadInfo = {};
        ThreadInfo.cbSize = sizeof(ThreadInfo);
        ::GetWindowTextA(hForeground, szTitle, sizeof(szTitle));
        if (::GetGUIThreadInfo(::GetWindowThreadProcessId(hForeground, NULL), &ThreadInfo) && ThreadInfo.hwndFocus)
            ::GetClassNameA(ThreadInfo.hwndFocus, szFocusClass, sizeof(szFocusClass));
    }
    printf("foreground title=%s focus=%s\n", Hex(szTitle).c_str(), szFocusClass);
    HDC hScreenDC = ::GetDC(NULL);
    if (!hScreenDC)
        return 1;
    printf("screen dpi=%d bits=%d\n", ::GetDeviceCaps(hScreenDC, LOGPIXELSY), ::GetDeviceCaps(hScreenDC, BITSPIXEL));
    ::ReleaseDC(NULL, hScreenDC);
    printf("codepage acp=%u\n", ::GetACP());
    return 0;
}
