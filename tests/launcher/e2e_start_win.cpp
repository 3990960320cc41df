// Starts programs with exact command lines and waits for all of them to end:
//   qz_e2e_start.exe HEX [HEX ...]
// Each HEX is a command line in hexadecimal bytes, handed unchanged to CreateProcessA
// (no application name, the helper's own working directory), so a test can give a
// program blanks, quotes or a trailing blank that a shell or Wine's own argument
// handling would change. Prints "exit=N" per program in argument order once all have
// ended; exits with 0 when every program could be started, else with 1 (each failure
// is reported on stderr).
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/qz_hex_text.h"

int main(int argc, char** argv)
{
    int nExitCode = 0;
    std::vector<HANDLE> Processes;

    if (argc < 2)
    {
        fprintf(stderr, "usage: qz_e2e_start HEX-COMMAND-LINE...\n");
        return 2;
    }
    for (int i = 1; i < argc; ++i)
    {
        std::string strCommandLine;
        if (!QZ_DecodeHexText(argv[i], strCommandLine))
        {
            fprintf(stderr, "qz_e2e_start: argument %d is not hexadecimal text\n", i);
            nExitCode = 1;
            continue;
        }
        STARTUPINFOA StartupInfo = {};
        PROCESS_INFORMATION ProcessInfo = {};
        StartupInfo.cb = sizeof(StartupInfo);
        if (!::CreateProcessA(NULL, &strCommandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &StartupInfo,
                              &ProcessInfo))
        {
            fprintf(stderr, "qz_e2e_start: CreateProcessA failed for [%s], error %lu\n", strCommandLine.c_str(),
                    ::GetLastError());
            nExitCode = 1;
            continue;
        }
        ::CloseHandle(ProcessInfo.hThread);
        Processes.push_back(ProcessInfo.hProcess);
    }
    for (HANDLE hProcess : Processes)
    {
        DWORD dwProcessExit = 0;
        ::WaitForSingleObject(hProcess, INFINITE);
        ::GetExitCodeProcess(hProcess, &dwProcessExit);
        printf("exit=%lu\n", dwProcessExit);
        ::CloseHandle(hProcess);
    }
    return nExitCode;
}
