// A stand-in for the log on the host build, where the real log (Win32 code) is not
// built: it formats lines exactly like the log and keeps them in memory while a
// QZ_CapturedLog is alive. Weak, so a real log linked in later takes precedence.
#ifndef _WIN32

#include <cstdarg>
#include <cstring>
#include <ctime>
#include <functional>
#include <mutex>
#include <thread>

#include "base/log.h"
#include "base/log_format.h"
#include "tests/support/qz_captured_log.h"

namespace
{

std::mutex g_CaptureLock;
int g_nCaptures = 0;
std::vector<std::string> g_Lines;

}  // namespace

__attribute__((weak)) int QZ_WriteLog(int nLevel, const char* cszFormat, ...)
{
    std::lock_guard<std::mutex> Guard(g_CaptureLock);
    if (g_nCaptures == 0)
        return 1;

    char szLine[QZ_LOG_LINE_SIZE];
    QZ_LogTime Time;
    time_t tNow = time(nullptr);
    struct tm Local;
    localtime_r(&tNow, &Local);
    Time = QZ_LogTime{Local.tm_year + 1900, Local.tm_mon + 1, Local.tm_mday, Local.tm_hour, Local.tm_min,
                      Local.tm_sec};

    va_list Args;
    va_start(Args, cszFormat);
    unsigned long ulThreadID = (unsigned long)std::hash<std::thread::id>()(std::this_thread::get_id());
    QZ_FormatLogLine(szLine, Time, nLevel, ulThreadID, cszFormat, Args);
    va_end(Args);
    g_Lines.push_back(szLine);
    return 1;
}

std::vector<std::string> QZ_AllCapturedLogLines()
{
    std::lock_guard<std::mutex> Guard(g_CaptureLock);
    return g_Lines;
}

bool QZ_BeginLogCapture()
{
    std::lock_guard<std::mutex> Guard(g_CaptureLock);
    ++g_nCaptures;
    return true;
}

void QZ_EndLogCapture()
{
    std::lock_guard<std::mutex> Guard(g_CaptureLock);
    if (--g_nCaptures == 0)
        g_Lines.clear();
}

#endif  // _WIN32
