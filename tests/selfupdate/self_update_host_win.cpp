// A stand-in launcher for the self-update tests and the benchmark: a console program
// with the launcher's resources, its own FileVersion and a fixed test update server.
// Like the launcher it makes its folder the working directory, opens the log with the
// launcher's settings and runs the self-update once on a worker thread; it shows no
// window. It prints "selfupdate result=R seconds=S" and exits with 10 + R, so a crash
// or a failed start (any other code) is never taken for a result. Started with
// "--self-test" it answers as the launcher does; the broken variants of the trial-start
// tests hang there (QZ_TEST_SELF_TEST_HANGS) or import a library no system has
// (QZ_TEST_MISSING_LIBRARY).
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "app/launcher_dialog.h"
#include "app/launcher_self_test.h"
#include "base/log.h"
#include "base/program_path.h"
#include "base/wide_text.h"
#include "selfupdate/trial_start.h"
#include "selfupdate/worker_thread.h"
#include "tests/support/qz_test_clock.h"

namespace
{

const int QZ_HOST_EXIT_BASE = 10;
const int QZ_HOST_EXIT_BROKEN = 2;

int RunSelfUpdate(void* pvResult)
{
    *static_cast<int*>(pvResult) = QZ_ArdunLauncherDlg::_SelfUpdateFunction(NULL);
    return 0;
}

}  // namespace

#ifdef QZ_TEST_MISSING_LIBRARY
extern "C" __declspec(dllimport) int qz_missing_library_function();
#endif

int main(int argc, char** argv)
{
    if (argc == 2 && QZ_IsSelfTestArgument(argv[1]))
    {
#if defined(QZ_TEST_SELF_TEST_HANGS)
        ::Sleep(INFINITE);
#elif defined(QZ_TEST_MISSING_LIBRARY)
        return qz_missing_library_function();
#endif
        return QZ_RunLauncherSelfTest();
    }
    // The benchmark's measure of the trial start alone: "--trial-start <program>".
    if (argc == 3 && strcmp(argv[1], "--trial-start") == 0)
    {
        double dTrialStart = QZ_Seconds();
        int nTrialResult = QZ_TrialStart(argv[2], ".\\", QZ_TRIAL_START_MAX_WAIT);
        printf("trialstart result=%d seconds=%.6f\n", nTrialResult, QZ_Seconds() - dTrialStart);
        return nTrialResult ? 0 : QZ_HOST_EXIT_BROKEN;
    }
    char szProgram[QZ_UTF8_PATH_SIZE];
    std::string strFolder;
    int nLength = QZ_GetProgramPath(szProgram, sizeof(szProgram));
    if (nLength <= 0 || nLength >= (int)sizeof(szProgram) || !QZ_GetPathFolder(szProgram, &strFolder))
    {
        fprintf(stderr, "self-update host: cannot find its own folder\n");
        return QZ_HOST_EXIT_BROKEN;
    }
    if (!SetCurrentDirectoryW(QZ_Utf8ToWide(strFolder.c_str()).c_str()))
    {
        fprintf(stderr, "self-update host: cannot change to %s (error %lu)\n", strFolder.c_str(), GetLastError());
        return QZ_HOST_EXIT_BROKEN;
    }

    QZ_LogSettings LogSettings;
    memset(&LogSettings, 0, sizeof(LogSettings));
    strcpy(LogSettings.szRootPath, "Logs");
    strcpy(LogSettings.szName, "ArdunLauncher");
    LogSettings.nOptions = LOG_OPTION_FILE;
    LogSettings.nMaxLinesPerFile = 100000;
    if (!QZ_OpenLog(&LogSettings))
    {
        fprintf(stderr, "self-update host: cannot open the log in %sLogs\n", strFolder.c_str());
        return QZ_HOST_EXIT_BROKEN;
    }

    int nResult = -1;
    QZ_WorkerThread SelfUpdateThread;
    double dStart = QZ_Seconds();
    if (!SelfUpdateThread.Create(RunSelfUpdate, &nResult))
    {
        fprintf(stderr, "self-update host: cannot start the worker thread\n");
        QZ_CloseLog();
        return QZ_HOST_EXIT_BROKEN;
    }
    SelfUpdateThread.WaitAndClose();
    double dSeconds = QZ_Seconds() - dStart;
    QZ_CloseLog();

    printf("selfupdate result=%d seconds=%.6f\n", nResult, dSeconds);
    fflush(stdout);
    return (nResult == 0 || nResult == 1) ? QZ_HOST_EXIT_BASE + nResult : QZ_HOST_EXIT_BROKEN;
}
