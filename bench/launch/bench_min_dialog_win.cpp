// Baseline of the start-up benchmark for the official-servers-only start: the
// launcher's own dialog template, created hidden as a modal dialog, which starts the
// official client's updater from WM_INITDIALOG the way the launcher does (relative
// command line, no arguments, the caller's working directory) and ends at once.
#include <windows.h>

#include "res/resource.h"

namespace
{

INT_PTR CALLBACK StartAndEnd(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam)
{
    if (nMessage != WM_INITDIALOG)
        return FALSE;
    char szCommandLine[] = ".\\bin\\zhcn\\clientpatch.exe";
    STARTUPINFOA StartupInfo = {};
    PROCESS_INFORMATION ProcessInfo = {};
    StartupInfo.cb = sizeof(StartupInfo);
    INT_PTR nResult = 1;
    if (::CreateProcessA(NULL, szCommandLine, NULL, NULL, FALSE, 0, NULL, NULL, &StartupInfo, &ProcessInfo))
    {
        ::CloseHandle(ProcessInfo.hThread);
        ::CloseHandle(ProcessInfo.hProcess);
        nResult = 0;
    }
    ::EndDialog(hWnd, nResult);
    return TRUE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    return (int)::DialogBoxParamA(hInstance, MAKEINTRESOURCEA(IDD_ARDUNLAUNCHER_DIALOG), NULL, StartAndEnd, 0);
}
