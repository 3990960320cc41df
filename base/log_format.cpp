#include "base/log_format.h"

#include <cstdio>
#include <cstring>

const char* QZ_LogLevelText(int nLevel)
{
    static const char* const s_cszLevelText[8] = {
        "RESR0", "RESR1", "RESR2", "ERROR", "WARN ", "RESR3", "INFO ", "DEBUG",
    };
    return s_cszLevelText[nLevel & 7];
}

int QZ_FormatLogLine(char* szLine, const QZ_LogTime& Time, int nLevel, unsigned long ulThreadID,
                     const char* cszFormat, va_list Args)
{
    const int nMaxLength = QZ_LOG_LINE_SIZE - 1;
    int nLength = 0;
    int nRetCode = 0;
    bool bFull = false;

    // The thread identifier is shown as eight upper-case hexadecimal digits on every
    // target, where a plain %p would print sixteen on 64-bit Windows.
    nRetCode = snprintf(szLine, QZ_LOG_LINE_SIZE, "%d%2.2d%2.2d-%2.2d%2.2d%2.2d<%s:%08lX>: ",
                        Time.nYear, Time.nMonth, Time.nDay, Time.nHour, Time.nMinute,
                        Time.nSecond, QZ_LogLevelText(nLevel), ulThreadID & 0xFFFFFFFFUL);
    if (nRetCode < 0 || nRetCode > nMaxLength)
    {
        bFull = true;
        nLength = nMaxLength;
    }
    else
    {
        nLength = nRetCode;
        nRetCode = vsnprintf(szLine + nLength, (size_t)(QZ_LOG_LINE_SIZE - nLength), cszFormat ? cszFormat : "", Args);
        if (nRetCode < 0 || nRetCode > nMaxLength - nLength)
        {
            bFull = true;
            nLength = nMaxLength;
        }
        else
        {
            nLength += nRetCode;
        }
    }
    szLine[nLength] = '\0';

    if (nLength == 0 || (szLine[nLength - 1] != '\n' && szLine[nLength - 1] != '\r'))
    {
        // A message that fills the line exactly leaves no room for the line feed either.
        if (bFull || nLength == nMaxLength)
        {
            szLine[nLength - 1] = '\n';
        }
        else
        {
            szLine[nLength++] = '\n';
            szLine[nLength] = '\0';
        }
    }
    return nLength;
}

int QZ_NormalizeLogRoot(char* szRootPath, int nSize)
{
    size_t uLength = strlen(szRootPath);
    if (uLength > 0 && szRootPath[uLength - 1] == '\\')
        szRootPath[uLength - 1] = '/';
    if (uLength > 0 && szRootPath[uLength - 1] != '/')
    {
        if ((int)uLength + 1 >= nSize)
            return 0;
        szRootPath[uLength] = '/';
        szRootPath[uLength + 1] = '\0';
    }
    return 1;
}

void QZ_NormalizeLogName(char* szName)
{
    size_t uLength = strlen(szName);
    if (uLength > 0 && (szName[uLength - 1] == '/' || szName[uLength - 1] == '\\'))
        szName[uLength - 1] = '\0';
}
