// Times programs from their process start to a point of their start-up, alternating
// two programs round by round so that drift in the machine's load hits both alike:
//   qz_bench_launch_timer updater ROUNDS PROGRAM-A PROGRAM-B
//       until the program starts a process of its own (the client's updater); seen
//       through a job object whose completion port reports every new process
//   qz_bench_launch_timer window ROUNDS PROGRAM-A PROGRAM-B
//       until the program has a visible top-level window (then it is closed with
//       WM_CLOSE), and in column "sized" until that window has the launcher
//       window's size, 262 x 338 pixels
// Each program runs in its own folder, which is also its working directory. Every run
// waits for the program to end before the next starts. Prints one line per run and
// a summary line per program:
//   summary program=A median_ms=... best_ms=... [sized_median_ms=...]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{

const DWORD RUN_TIMEOUT_MS = 30000;

double NowMs()
{
    static LARGE_INTEGER s_Frequency = {};
    if (!s_Frequency.QuadPart)
        ::QueryPerformanceFrequency(&s_Frequency);
    LARGE_INTEGER Counter;
    ::QueryPerformanceCounter(&Counter);
    return (double)Counter.QuadPart * 1000.0 / (double)s_Frequency.QuadPart;
}

double Median(std::vector<double> Values)
{
    std::sort(Values.begin(), Values.end());
    size_t n = Values.size();
    return n % 2 ? Values[n / 2] : (Values[n / 2 - 1] + Values[n / 2]) / 2;
}

std::string FolderOf(const std::string& strProgram)
{
    size_t nSlash = strProgram.find_last_of("\\/");
    return nSlash == std::string::npos ? std::string(".") : strProgram.substr(0, nSlash);
}

bool StartProcess(const std::string& strProgram, DWORD dwFlags, PROCESS_INFORMATION& ProcessInfo)
{
    std::string strCommandLine = "\"" + strProgram + "\"";
    std::string strFolder = FolderOf(strProgram);
    STARTUPINFOA StartupInfo = {};
    StartupInfo.cb = sizeof(StartupInfo);
    ProcessInfo = PROCESS_INFORMATION();
    if (!::CreateProcessA(strProgram.c_str(), &strCommandLine[0], NULL, NULL, FALSE, dwFlags, NULL,
                          strFolder.c_str(), &StartupInfo, &ProcessInfo))
    {
        fprintf(stderr, "CreateProcessA failed for %s, error %lu\n", strProgram.c_str(), ::GetLastError());
        return false;
    }
    return true;
}

bool WaitForEnd(PROCESS_INFORMATION& ProcessInfo, const std::string& strProgram)
{
    bool bEnded = ::WaitForSingleObject(ProcessInfo.hProcess, RUN_TIMEOUT_MS) == WAIT_OBJECT_0;
    if (!bEnded)
    {
        fprintf(stderr, "%s did not end within %lu ms\n", strProgram.c_str(), RUN_TIMEOUT_MS);
        ::TerminateProcess(ProcessInfo.hProcess, 1);
    }
    ::CloseHandle(ProcessInfo.hThread);
    ::CloseHandle(ProcessInfo.hProcess);
    return bEnded;
}

// Milliseconds from the creation of the program's process to the creation of the
// first other process in its job (its children join the job), or a negative value.
double TimeToChildProcess(const std::string& strProgram)
{
    double dResult = -1;
    HANDLE hJob = ::CreateJobObjectA(NULL, NULL);
    HANDLE hPort = ::CreateIoCompletionPort(INVALID_HANDLE_VALUE, NULL, 0, 1);
    JOBOBJECT_ASSOCIATE_COMPLETION_PORT Port = {};
    Port.CompletionKey = hJob;
    Port.CompletionPort = hPort;
    if (!hJob || !hPort ||
        !::SetInformationJobObject(hJob, JobObjectAssociateCompletionPortInformation, &Port, sizeof(Port)))
    {
        fprintf(stderr, "cannot set up the job object, error %lu\n", ::GetLastError());
        return -1;
    }

    double dStart = NowMs();
    PROCESS_INFORMATION ProcessInfo;
    if (StartProcess(strProgram, CREATE_SUSPENDED, ProcessInfo))
    {
        if (!::AssignProcessToJobObject(hJob, ProcessInfo.hProcess))
            fprintf(stderr, "AssignProcessToJobObject failed, error %lu\n", ::GetLastError());
        ::ResumeThread(ProcessInfo.hThread);
        for (;;)
        {
            DWORD dwMessage = 0;
            ULONG_PTR nKey = 0;
            LPOVERLAPPED pOverlapped = NULL;
            double dLeft = RUN_TIMEOUT_MS - (NowMs() - dStart);
            if (dLeft <= 0 || !::GetQueuedCompletionStatus(hPort, &dwMessage, &nKey, &pOverlapped, (DWORD)dLeft))
            {
                fprintf(stderr, "%s started no process within %lu ms\n", strProgram.c_str(), RUN_TIMEOUT_MS);
                break;
            }
            if (dwMessage == JOB_OBJECT_MSG_NEW_PROCESS && (DWORD)(ULONG_PTR)pOverlapped != ProcessInfo.dwProcessId)
            {
                dResult = NowMs() - dStart;
                break;
            }
        }
        if (!WaitForEnd(ProcessInfo, strProgram))
            dResult = -1;
    }
    ::CloseHandle(hPort);
    ::CloseHandle(hJob);
    return dResult;
}

struct WindowSearch
{
    DWORD dwProcessId;
    HWND hWnd;
};

BOOL CALLBACK FindVisibleWindow(HWND hWnd, LPARAM lParam)
{
    WindowSearch* pSearch = (WindowSearch*)lParam;
    DWORD dwProcessId = 0;
    ::GetWindowThreadProcessId(hWnd, &dwProcessId);
    if (dwProcessId == pSearch->dwProcessId && ::IsWindowVisible(hWnd))
    {
        pSearch->hWnd = hWnd;
        return FALSE;
    }
    return TRUE;
}

// Milliseconds from the creation of the program's process to its first visible
// top-level window, and (in dSized) to that window having the launcher's size.
double TimeToWindow(const std::string& strProgram, double& dSized)
{
    double dResult = -1;
    dSized = -1;
    double dStart = NowMs();
    PROCESS_INFORMATION ProcessInfo;
    if (!StartProcess(strProgram, 0, ProcessInfo))
        return -1;

    WindowSearch Search = { ProcessInfo.dwProcessId, NULL };
    while (NowMs() - dStart < RUN_TIMEOUT_MS)
    {
        if (!Search.hWnd)
        {
            ::EnumWindows(FindVisibleWindow, (LPARAM)&Search);
            if (Search.hWnd)
                dResult = NowMs() - dStart;
        }
        if (Search.hWnd)
        {
            RECT rcWindow = {};
            ::GetWindowRect(Search.hWnd, &rcWindow);
            if (rcWindow.right - rcWindow.left == 262 && rcWindow.bottom - rcWindow.top == 338)
            {
                dSized = NowMs() - dStart;
                break;
            }
        }
        if (::WaitForSingleObject(ProcessInfo.hProcess, 1) == WAIT_OBJECT_0)
            break;
    }
    if (!Search.hWnd)
        fprintf(stderr, "%s showed no window\n", strProgram.c_str());
    else
        ::PostMessageA(Search.hWnd, WM_CLOSE, 0, 0);
    if (!WaitForEnd(ProcessInfo, strProgram))
        dResult = -1;
    return dResult;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 5 || (strcmp(argv[1], "updater") != 0 && strcmp(argv[1], "window") != 0))
    {
        fprintf(stderr, "usage: qz_bench_launch_timer updater|window ROUNDS PROGRAM-A PROGRAM-B\n");
        return 2;
    }
    bool bWindow = strcmp(argv[1], "window") == 0;
    int nRounds = std::max(1, atoi(argv[2]));
    const std::string Programs[2] = { argv[3], argv[4] };
    std::vector<double> Times[2];
    std::vector<double> SizedTimes[2];

    for (int nRound = 0; nRound < nRounds; ++nRound)
    {
        for (int k = 0; k < 2; ++k)
        {
            // Alternate which program goes first.
            int i = (nRound % 2) ? 1 - k : k;
            double dSized = -1;
            double dTime = bWindow ? TimeToWindow(Programs[i], dSized) : TimeToChildProcess(Programs[i]);
            if (dTime < 0)
                return 1;
            Times[i].push_back(dTime);
            if (dSized >= 0)
                SizedTimes[i].push_back(dSized);
            printf("run round=%d program=%c ms=%.1f", nRound + 1, 'A' + i, dTime);
            if (dSized >= 0)
                printf(" sized_ms=%.1f", dSized);
            printf("\n");
            fflush(stdout);
            // Let the started programs (and Wine's clean-up) settle before the next run.
            ::Sleep(300);
        }
    }
    for (int i = 0; i < 2; ++i)
    {
        printf("summary program=%c median_ms=%.1f best_ms=%.1f", 'A' + i, Median(Times[i]),
               *std::min_element(Times[i].begin(), Times[i].end()));
        if (SizedTimes[i].size() == Times[i].size())
            printf(" sized_median_ms=%.1f", Median(SizedTimes[i]));
        printf("\n");
    }
    return 0;
}
