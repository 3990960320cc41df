// Log line and path formatting: plain buffers, no platform calls, so it also builds
// and is tested natively.
#ifndef QZ_BASE_LOG_FORMAT_H
#define QZ_BASE_LOG_FORMAT_H

#include <cstdarg>

#define QZ_LOG_LINE_SIZE 1024
#define QZ_LOG_PATH_SIZE 1024

struct QZ_LogTime
{
    int nYear;    // in full, e.g. 2026
    int nMonth;   // 1-12
    int nDay;     // 1-31
    int nHour;
    int nMinute;
    int nSecond;
};

// The five-character text of a level; only the low three bits count.
const char* QZ_LogLevelText(int nLevel);

// Formats one complete line (header, message, line feed) into szLine, which holds
// QZ_LOG_LINE_SIZE bytes. Returns the line's length, at most QZ_LOG_LINE_SIZE - 1.
int QZ_FormatLogLine(char* szLine, const QZ_LogTime& Time, int nLevel, unsigned long ulThreadID,
                     const char* cszFormat, va_list Args);

// "root/" and "name" normalised as the settings require; returns 0 when the log
// folder path does not fit.
int QZ_NormalizeLogRoot(char* szRootPath, int nSize);
void QZ_NormalizeLogName(char* szName);

#endif  // QZ_BASE_LOG_FORMAT_H
