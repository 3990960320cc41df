// Baseline of the start-up benchmark: starts the official client's updater the way
// the launcher does (relative command line, no arguments, the caller's working
// directory) and ends, without waiting for it.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char szCommandLine[] = ".\\bin\\zhcn\\clientpatch.exe";
    STARTUPINFOA StartupInfo = {};
    PROCESS_INFORMATION ProcessInfo = {};
    StartupInfo.cb = sizeof(StartupInfo);
    if (!::CreateProcessA(NULL, szCommandLine, NULL, NULL, FALSE, 0, NULL, NULL, &StartupInfo, &ProcessInfo))
        return 1;
    ::CloseHandle(ProcessInfo.hThread);
    ::CloseHandle(ProcessInfo.hProcess);
    return 0;
}
