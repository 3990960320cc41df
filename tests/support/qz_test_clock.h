// Seconds on the performance counter, for tests and test helpers that time pauses.
#ifndef QZ_TESTS_SUPPORT_QZ_TEST_CLOCK_H
#define QZ_TESTS_SUPPORT_QZ_TEST_CLOCK_H

#include <windows.h>

inline double QZ_Seconds()
{
    LARGE_INTEGER Frequency;
    LARGE_INTEGER Counter;
    QueryPerformanceFrequency(&Frequency);
    QueryPerformanceCounter(&Counter);
    return (double)Counter.QuadPart / (double)Frequency.QuadPart;
}

#endif  // QZ_TESTS_SUPPORT_QZ_TEST_CLOCK_H
