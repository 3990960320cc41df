// Stands in for a client program ("clientpatch.exe", "ClientSetup.exe") in test and
// demo client folders. It records how it was started: its own path, its command line
// and its working directory, appended to "<its own file name>.record.txt" beside it.
// The demo build (QZ_STANDIN_SHOW_WINDOW) also shows a small window saying which
// program of which folder was started.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace
{

std::string g_strMessage;

void RecordStart(const char* cszProgramPath)
{
    char szWorkingDirectory[MAX_PATH] = "";
    std::string strRecordPath = std::string(cszProgramPath) + ".record.txt";

    ::GetCurrentDirectoryA(sizeof(szWorkingDirectory), szWorkingDirectory);
    FILE* fpRecord = fopen(strRecordPath.c_str(), "ab");
    if (!fpRecord)
        return;
    fprintf(fpRecord, "program=%s\r\ncommand_line=%s\r\nworking_directory=%s\r\n\r\n", cszProgramPath,
            ::GetCommandLineA(), szWorkingDirectory);
    fclose(fpRecord);
}

#ifdef QZ_STANDIN_SHOW_WINDOW
LRESULT CALLBACK StandinWindowProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam)
{
    switch (nMessage)
    {
    case WM_PAINT:
    {
        PAINTSTRUCT ps;
        HDC hDC = ::BeginPaint(hWnd, &ps);
        RECT rcClient;
        ::GetClientRect(hWnd, &rcClient);
        ::InflateRect(&rcClient, -12, -12);
        ::SelectObject(hDC, ::GetStockObject(DEFAULT_GUI_FONT));
        ::SetBkMode(hDC, TRANSPARENT);
        ::DrawTextA(hDC, g_strMessage.c_str(), -1, &rcClient, DT_WORDBREAK | DT_NOPREFIX);
        ::EndPaint(hWnd, &ps);
        return 0;
    }
    case WM_TIMER:
    case WM_LBUTTONUP:
        ::DestroyWindow(hWnd);
        return 0;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcA(hWnd, nMessage, wParam, lParam);
}

void ShowStartWindow(HINSTANCE hInstance, const char* cszProgramPath)
{
    char szWorkingDirectory[MAX_PATH] = "";
    ::GetCurrentDirectoryA(sizeof(szWorkingDirectory), szWorkingDirectory);
    const char* cszName = strrchr(cszProgramPath, '\\');
    cszName = cszName ? cszName + 1 : cszProgramPath;
    std::string strFolder(cszProgramPath, (size_t)(cszName - cszProgramPath));

    g_strMessage = std::string("Stand-in client program started: ") + cszName + "\r\n\r\nFolder: " +
                   strFolder + "\r\nCommand line: " + ::GetCommandLineA() +
                   "\r\nWorking directory: " + szWorkingDirectory +
                   "\r\n\r\n(Click to close; closes by itself after 20 seconds.)";

    WNDCLASSA WindowClass = {};
    WindowClass.lpfnWndProc = StandinWindowProc;
    WindowClass.hInstance = hInstance;
    WindowClass.hCursor = ::LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    WindowClass.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    WindowClass.lpszClassName = "QZClientStandin";
    ::RegisterClassA(&WindowClass);

    HWND hWnd = ::CreateWindowExA(0, "QZClientStandin", cszName, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                                  60, 60, 460, 200, NULL, NULL, hInstance, NULL);
    if (!hWnd)
        return;
    ::ShowWindow(hWnd, SW_SHOW);
    ::SetTimer(hWnd, 1, 20000, NULL);
    MSG Message;
    while (::GetMessageA(&Message, NULL, 0, 0) > 0)
    {
        ::TranslateMessage(&Message);
        ::DispatchMessageA(&Message);
    }
}
#endif

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    char szProgramPath[MAX_PATH] = "";
    DWORD dwLength = ::GetModuleFileNameA(NULL, szProgramPath, sizeof(szProgramPath));
    if (dwLength == 0 || dwLength >= sizeof(szProgramPath))
        return 1;
    RecordStart(szProgramPath);
#ifdef QZ_STANDIN_SHOW_WINDOW
    ShowStartWindow(hInstance, szProgramPath);
#endif
    return 0;
}
