#include "selfupdate/trial_start.h"

#include <windows.h>

#include <string>

#include "base/log.h"
#include "base/wide_text.h"

namespace
{

// Starts the program; the process's handle in *phProcess. The new launcher inherits
// an error mode that shows no system message box: a library it lacks, or a crash,
// must come back as an exit code, not wait for a player's click.
int StartSelfTest(const char* cszProgram, const char* cszFolder, HANDLE* phProcess)
{
    int nResult = 0;
    int nRetCode = 0;
    UINT uOldErrorMode = 0;
    std::wstring wstrProgram = QZ_Utf8ToWide(cszProgram);
    std::wstring wstrCommandLine = L"\"" + wstrProgram + L"\" " + QZ_Utf8ToWide(QZ_SELF_TEST_ARGUMENT);
    STARTUPINFOW StartupInfo;
    PROCESS_INFORMATION ProcessInformation;

    memset(&StartupInfo, 0, sizeof(StartupInfo));
    memset(&ProcessInformation, 0, sizeof(ProcessInformation));
    StartupInfo.cb = sizeof(StartupInfo);

    uOldErrorMode = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    // The name is given as the program to run, so the ".new" ending does not matter:
    // the system looks at the file's contents, not at its name.
    nRetCode = ::CreateProcessW(wstrProgram.c_str(), &wstrCommandLine[0], NULL, NULL, FALSE, 0, NULL,
                                QZ_Utf8ToWide(cszFolder).c_str(), &StartupInfo, &ProcessInformation);
    ::SetErrorMode(uOldErrorMode);
    if (!nRetCode)
    {
        QZ_WriteLog(LOG_LEVEL_DEBUG, "Failed to start `%s %s`, Error code : %d.", cszProgram, QZ_SELF_TEST_ARGUMENT,
                    (int)::GetLastError());
    }
    QZLOG_PROCESS_ERROR(nRetCode && "CreateProcessW()");

    ::CloseHandle(ProcessInformation.hThread);
    *phProcess = ProcessInformation.hProcess;

    nResult = 1;
Exit0:
    return nResult;
}

}  // namespace

int QZ_TrialStart(const char* cszProgram, const char* cszFolder, unsigned long dwWait)
{
    int nResult = 0;
    int nRetCode = 0;
    HANDLE hProcess = NULL;
    DWORD dwWaitResult = 0;
    DWORD dwExitCode = 0;

    nRetCode = StartSelfTest(cszProgram, cszFolder, &hProcess);
    QZ_PROCESS_ERROR(nRetCode);

    dwWaitResult = ::WaitForSingleObject(hProcess, dwWait);
    if (dwWaitResult != WAIT_OBJECT_0)
    {
        ::TerminateProcess(hProcess, ERROR_TIMEOUT);
        ::WaitForSingleObject(hProcess, dwWait < 1000 ? 1000 : dwWait);
        QZ_WriteLog(LOG_LEVEL_DEBUG, "The self-test of `%s` did not end within %lu ms; it was ended.", cszProgram,
                    dwWait);
    }
    QZLOG_PROCESS_ERROR(dwWaitResult == WAIT_OBJECT_0);

    nRetCode = ::GetExitCodeProcess(hProcess, &dwExitCode);
    QZLOG_PROCESS_ERROR(nRetCode && "GetExitCodeProcess()");
    if (dwExitCode != 0)
    {
        QZ_WriteLog(LOG_LEVEL_DEBUG, "The self-test of `%s` ended with exit code %lu (0x%08lX).", cszProgram,
                    (unsigned long)dwExitCode, (unsigned long)dwExitCode);
    }
    QZLOG_PROCESS_ERROR(dwExitCode == 0);

    nResult = 1;
Exit0:
    if (hProcess)
    {
        ::CloseHandle(hProcess);
        hProcess = NULL;
    }
    return nResult;
}
