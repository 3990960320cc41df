#include "bench/http/bench_report.h"

#include <windows.h>
#include <psapi.h>

#include <cstdio>

double QZ_BenchSeconds()
{
    LARGE_INTEGER Frequency;
    LARGE_INTEGER Counter;
    QueryPerformanceFrequency(&Frequency);
    QueryPerformanceCounter(&Counter);
    return (double)Counter.QuadPart / (double)Frequency.QuadPart;
}

void QZ_BenchReport(int nResult, const char* cszFileName, double dSeconds)
{
    WIN32_FILE_ATTRIBUTE_DATA FileData;
    unsigned long long ullBytes = 0;
    if (GetFileAttributesExA(cszFileName, GetFileExInfoStandard, &FileData))
        ullBytes = ((unsigned long long)FileData.nFileSizeHigh << 32) | FileData.nFileSizeLow;

    PROCESS_MEMORY_COUNTERS Counters;
    Counters.cb = sizeof(Counters);
    unsigned long long ullPeak = 0;
    if (GetProcessMemoryInfo(GetCurrentProcess(), &Counters, sizeof(Counters)))
        ullPeak = Counters.PeakWorkingSetSize;

    FILETIME ftCreation, ftExit, ftKernel, ftUser;
    double dCpuSeconds = 0.0;
    if (GetProcessTimes(GetCurrentProcess(), &ftCreation, &ftExit, &ftKernel, &ftUser))
    {
        ULARGE_INTEGER Kernel, User;
        Kernel.LowPart = ftKernel.dwLowDateTime;
        Kernel.HighPart = ftKernel.dwHighDateTime;
        User.LowPart = ftUser.dwLowDateTime;
        User.HighPart = ftUser.dwHighDateTime;
        dCpuSeconds = (double)(Kernel.QuadPart + User.QuadPart) / 1e7;
    }

    printf("result=%d bytes=%llu seconds=%.6f cpu_seconds=%.6f peak_working_set=%llu\n", nResult, ullBytes, dSeconds,
           dCpuSeconds, ullPeak);
    fflush(stdout);
}
