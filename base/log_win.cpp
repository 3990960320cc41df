#include "base/log.h"

#include <windows.h>
#include <direct.h>
#include <errno.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "base/log_clock.h"
#include "base/log_format.h"
#include "base/wide_text.h"

namespace
{

// The lock exists from static initialisation to process exit, so every thread can
// write at any time, also before QZ_OpenLog and after QZ_CloseLog.
class QZ_LogLock
{
public:
    QZ_LogLock() { InitializeCriticalSection(&m_CriticalSection); }
    ~QZ_LogLock() { DeleteCriticalSection(&m_CriticalSection); }
    void Enter() { EnterCriticalSection(&m_CriticalSection); }
    void Leave() { LeaveCriticalSection(&m_CriticalSection); }

private:
    CRITICAL_SECTION m_CriticalSection;
};

QZ_LogLock     g_LogLock;
QZ_LogSettings g_Settings;  // nOptions 0 until QZ_OpenLog: nothing is written
char  g_szLogPath[QZ_LOG_PATH_SIZE];
int   g_nFile = -1;
bool  g_bNewFileWanted = true;
int   g_nFileDay = 0;
int   g_nFileMonth = 0;
int   g_nFileYear = 0;
int   g_nLinesInFile = 0;
QZ_LOG_CLOCK_FUNCTION g_pfnClock = nullptr;

void GetLocalLogTime(QZ_LogTime* pTime)
{
    time_t tNow = time(nullptr);
    struct tm* pLocal = localtime(&tNow);
    if (!pLocal)
    {
        // Without a local time the stamps read as the epoch rather than garbage.
        *pTime = QZ_LogTime{1970, 1, 1, 0, 0, 0};
        return;
    }
    pTime->nYear = pLocal->tm_year + 1900;
    pTime->nMonth = pLocal->tm_mon + 1;
    pTime->nDay = pLocal->tm_mday;
    pTime->nHour = pLocal->tm_hour;
    pTime->nMinute = pLocal->tm_min;
    pTime->nSecond = pLocal->tm_sec;
}

void GetLogTime(QZ_LogTime* pTime)
{
    if (g_pfnClock)
        g_pfnClock(pTime);
    else
        GetLocalLogTime(pTime);
}

void CloseLogFile()
{
    if (g_nFile != -1)
    {
        _close(g_nFile);
        g_nFile = -1;
    }
}

// The log's paths are UTF-8, like every path of the program, and go to the wide
// functions: the folders and files are made whatever the system's code page, and the
// error lines name them in UTF-8.
bool MakeFolder(const char* cszPath)
{
    if (_wmkdir(QZ_Utf8ToWide(cszPath).c_str()) == 0 || errno == EEXIST)
        return true;
    fprintf(stderr, "QZLog: QZ_mkdir(\"%s\") failed = %s\n", cszPath, strerror(errno));
    return false;
}

// Opens the file named for Time. File names have a resolution of one second; when a
// file of that name already exists (a second file begun within the same second, by
// this process or another launcher), "_1", "_2", ... is added before ".log" so the
// earlier file is never truncated.
int OpenNamedLogFile(const char* cszDayPath, const QZ_LogTime& Time, char* szFilePath)
{
    const int nFlags = _O_WRONLY | _O_APPEND | _O_CREAT | _O_EXCL | _O_BINARY;
    int nFile = -1;
    for (int nSuffix = 0; nSuffix < 1000; ++nSuffix)
    {
        char szSuffix[16] = "";
        if (nSuffix > 0)
            snprintf(szSuffix, sizeof(szSuffix), "_%d", nSuffix);
        int nRetCode = snprintf(szFilePath, QZ_LOG_PATH_SIZE, "%s%s_%d_%2.2d_%2.2d_%2.2d_%2.2d_%2.2d%s.log",
                                cszDayPath, g_Settings.szName, Time.nYear, Time.nMonth, Time.nDay,
                                Time.nHour, Time.nMinute, Time.nSecond, szSuffix);
        if (nRetCode < 0 || nRetCode >= QZ_LOG_PATH_SIZE)
        {
            errno = ENAMETOOLONG;
            return -1;
        }
        nFile = _wopen(QZ_Utf8ToWide(szFilePath).c_str(), nFlags, _S_IREAD | _S_IWRITE);
        if (nFile != -1 || errno != EEXIST)
            return nFile;
    }
    return -1;
}

// Called with the lock held.
bool OpenNewLogFile(const QZ_LogTime& Time)
{
    char szRootPath[QZ_LOG_PATH_SIZE];
    char szDayPath[QZ_LOG_PATH_SIZE];
    char szFilePath[QZ_LOG_PATH_SIZE];
    int nRetCode = 0;

    snprintf(szRootPath, sizeof(szRootPath), "%s", g_Settings.szRootPath);
    if (!MakeFolder(szRootPath) || !MakeFolder(g_szLogPath))
    {
        CloseLogFile();
        return false;
    }

    CloseLogFile();

    nRetCode = snprintf(szDayPath, sizeof(szDayPath), "%s%d_%2.2d_%2.2d/", g_szLogPath, Time.nYear,
                        Time.nMonth, Time.nDay);
    if (nRetCode < 0 || nRetCode >= (int)sizeof(szDayPath))
        szDayPath[sizeof(szDayPath) - 1] = '\0';
    MakeFolder(szDayPath);

    g_nFile = OpenNamedLogFile(szDayPath, Time, szFilePath);
    if (g_nFile == -1)
    {
        fprintf(stderr, "QZLog: open(\"%s\") failed = %s\n", szFilePath, strerror(errno));
        return false;
    }
    return true;
}

}  // namespace

void QZ_SetLogClock(QZ_LOG_CLOCK_FUNCTION pfnClock)
{
    g_pfnClock = pfnClock;
}

void QZ_ResetLog()
{
    g_LogLock.Enter();
    CloseLogFile();
    memset(&g_Settings, 0, sizeof(g_Settings));
    memset(g_szLogPath, 0, sizeof(g_szLogPath));
    g_bNewFileWanted = true;
    g_nFileDay = 0;
    g_nFileMonth = 0;
    g_nFileYear = 0;
    g_nLinesInFile = 0;
    g_pfnClock = nullptr;
    g_LogLock.Leave();
}

int QZ_OpenLog(const QZ_LogSettings* pSettings)
{
    QZ_LogSettings Settings;
    int nRetCode = 0;

    if (!pSettings || !pSettings->szRootPath[0] || !pSettings->szName[0])
        return 0;

    Settings = *pSettings;
    if (Settings.nOptions == 0)
        Settings.nOptions = LOG_OPTION_FILE;
    if (Settings.nMaxLinesPerFile <= 0)
        Settings.nMaxLinesPerFile = 32768;
    Settings.szRootPath[sizeof(Settings.szRootPath) - 1] = '\0';
    Settings.szName[sizeof(Settings.szName) - 1] = '\0';

    if (Settings.nOptions & LOG_OPTION_FILE)
    {
        char szLogPath[QZ_LOG_PATH_SIZE];
        if (!QZ_NormalizeLogRoot(Settings.szRootPath, sizeof(Settings.szRootPath)))
            return 0;
        QZ_NormalizeLogName(Settings.szName);
        nRetCode = snprintf(szLogPath, sizeof(szLogPath), "%s%s/", Settings.szRootPath, Settings.szName);
        if (nRetCode < 0 || nRetCode > 1022)
            return 0;
        memcpy(g_szLogPath, szLogPath, sizeof(g_szLogPath));
    }

    g_Settings = Settings;
    return 1;
}

int QZ_WriteLog(int nLevel, const char* cszFormat, ...)
{
    char szLine[QZ_LOG_LINE_SIZE];
    QZ_LogTime Time;
    va_list Args;
    int nLength = 0;
    int nOptions = g_Settings.nOptions;
    // Callers report GetLastError() after their check line: keep it intact.
    DWORD dwLastError = GetLastError();
    int nErrno = errno;

    GetLogTime(&Time);

    va_start(Args, cszFormat);
    nLength = QZ_FormatLogLine(szLine, Time, nLevel, GetCurrentThreadId(), cszFormat, Args);
    va_end(Args);

    if (nOptions & LOG_OPTION_STDOUT)
        fputs(szLine, stdout);
    if (nOptions & LOG_OPTION_STDERR)
        fputs(szLine, stderr);

    if (nOptions & LOG_OPTION_FILE)
    {
        g_LogLock.Enter();

        if (g_bNewFileWanted || g_nLinesInFile >= g_Settings.nMaxLinesPerFile ||
            Time.nDay != g_nFileDay || Time.nMonth != g_nFileMonth || Time.nYear != g_nFileYear)
        {
            g_nFileDay = Time.nDay;
            g_nFileMonth = Time.nMonth;
            g_nFileYear = Time.nYear;
            g_bNewFileWanted = false;
            if (!OpenNewLogFile(Time))
            {
                g_LogLock.Leave();
                errno = nErrno;
                SetLastError(dwLastError);
                return 0;
            }
            g_nLinesInFile = 0;
        }

        if (g_nFile != -1)
        {
            if (_write(g_nFile, szLine, (unsigned)nLength) != nLength)
                fputs("warning : error on write log file, please check your hard disk!\n", stdout);
        }
        ++g_nLinesInFile;

        g_LogLock.Leave();
    }
    errno = nErrno;
    SetLastError(dwLastError);
    return 1;
}

void QZ_CloseLog()
{
    g_LogLock.Enter();
    CloseLogFile();
    g_LogLock.Leave();
}
