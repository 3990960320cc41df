// Baseline of the start-up benchmark: shows one plain popup window of the launcher
// window's size, centred, and runs until it is closed.
#include <windows.h>

namespace
{

LRESULT CALLBACK MinimalWindowProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam)
{
    if (nMessage == WM_DESTROY)
    {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcA(hWnd, nMessage, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int nShowCommand)
{
    const int nWidth = 262;
    const int nHeight = 338;
    WNDCLASSA WindowClass = {};
    WindowClass.lpfnWndProc = MinimalWindowProc;
    WindowClass.hInstance = hInstance;
    WindowClass.hCursor = ::LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    WindowClass.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    WindowClass.lpszClassName = "QZBenchMinimalWindow";
    if (!::RegisterClassA(&WindowClass))
        return 1;
    int x = (::GetSystemMetrics(SM_CXSCREEN) - nWidth) / 2;
    int y = (::GetSystemMetrics(SM_CYSCREEN) - nHeight) / 2;
    HWND hWnd = ::CreateWindowExA(WS_EX_APPWINDOW, "QZBenchMinimalWindow", "Minimal", WS_POPUP | WS_MINIMIZEBOX, x,
                                  y, nWidth, nHeight, NULL, NULL, hInstance, NULL);
    if (!hWnd)
        return 1;
    ::ShowWindow(hWnd, SW_SHOW);
    ::UpdateWindow(hWnd);
    MSG Message;
    while (::GetMessageA(&Message, NULL, 0, 0) > 0)
    {
        ::TranslateMessage(&Message);
        ::DispatchMessageA(&Message);
    }
    return 0;
}
