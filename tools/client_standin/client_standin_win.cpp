// Stands in for a client program ("clientpatch.exe", "ClientSetup.exe") in test and
// demo client folders. It records how it was started: its own path, its command line
// and its working directory, appended to "<its own file name>.record.txt" beside it, in
// UTF-8 (read through the wide functions, so any folder name is recorded as it is).
// The demo build (QZ_STANDIN_SHOW_WINDOW) also shows a small window saying which
// program of which folder was started.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace
{

std::string g_strMessage;

std::string Utf8(const wchar_t* cwszText)
{
    int nLength = ::WideCharToMultiByte(CP_UTF8, 0, cwszText, -1, NULL, 0, NULL, NULL);
    std::string strText(nLength > 0 ? (size_t)nLength : 1, '\0');
    if (nLength > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, cwszText, -1, &strText[0], nLength, NULL, NULL);
    strText.resize(strlen(strText.c_str()));
    return strText;
}

std::string WorkingDirectory()
{
    wchar_t wszWorkingDirectory[MAX_PATH] = L"";
    ::GetCurrentDirectoryW(MAX_PATH, wszWorkingDirectory);
    return Utf8(wszWorkingDirectory);
}

void RecordStart(const wchar_t* cwszProgramPath)
{
    std::wstring wstrRecordPath = std::wstring(cwszProgramPath) + L".record.txt";

    FILE* fpRecord = _wfopen(wstrRecordPath.c_str(), L"ab");
    if (!fpRecord)
        return;
    fprintf(fpRecord, "program=%s\r\ncommand_line=%s\r\nworking_directory=%s\r\n\r\n",
            Utf8(cwszProgramPath).c_str(), Utf8(::GetCommandLineW()).c_str(), WorkingDirectory().c_str());
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
        std::wstring wstrMessage(g_strMessage.size() + 1, L'\0');
        int nLength = ::MultiByteToWideChar(CP_UTF8, 0, g_strMessage.c_str(), -1, &wstrMessage[0],
                                            (int)wstrMessage.size());
        ::DrawTextW(hDC, wstrMessage.c_str(), nLength > 0 ? nLength - 1 : 0, &rcClient, DT_WORDBREAK | DT_NOPREFIX);
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

// cszProgramPath is UTF-8, and so is the message.
void ShowStartWindow(HINSTANCE hInstance, const char* cszProgramPath)
{
    const char* cszName = strrchr(cszProgramPath, '\\');
    cszName = cszName ? cszName + 1 : cszProgramPath;
    std::string strFolder(cszProgramPath, (size_t)(cszName - cszProgramPath));

    g_strMessage = std::string("Stand-in client program started: ") + cszName + "\r\n\r\nFolder: " +
                   strFolder + "\r\nCommand line: " + Utf8(::GetCommandLineW()) +
                   "\r\nWorking directory: " + WorkingDirectory() +
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
    wchar_t wszProgramPath[MAX_PATH] = L"";
    DWORD dwLength = ::GetModuleFileNameW(NULL, wszProgramPath, MAX_PATH);
    if (dwLength == 0 || dwLength >= MAX_PATH)
        return 1;
    RecordStart(wszProgramPath);
#ifdef QZ_STANDIN_SHOW_WINDOW
    ShowStartWindow(hInstance, Utf8(wszProgramPath).c_str());
#endif
    return 0;
}
