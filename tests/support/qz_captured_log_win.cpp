// The real log, opened once per test program into a folder of its own under the
// temporary folder; lines are read back from the files it writes.
#include "tests/support/qz_captured_log.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/log.h"
#include "tests/support/qz_test_files.h"

namespace
{

std::string g_strFolder;  // ends in "\"; empty until the log is opened
bool g_bOpen = false;

void CloseAndRemove()
{
    QZ_CloseLog();
    QZ_RemoveTestFolder(g_strFolder);
}

}  // namespace

bool QZ_BeginLogCapture()
{
    if (!g_strFolder.empty())
        return g_bOpen;

    const std::string strFolder = QZ_MakeTestTempFolder("qz_captured_log");
    if (strFolder.empty())
        return false;
    g_strFolder = strFolder;

    QZ_LogSettings Settings;
    memset(&Settings, 0, sizeof(Settings));
    snprintf(Settings.szRootPath, sizeof(Settings.szRootPath), "%sLogs", strFolder.c_str());
    snprintf(Settings.szName, sizeof(Settings.szName), "CapturedLog");
    Settings.nOptions = LOG_OPTION_FILE;
    Settings.nMaxLinesPerFile = 1000000;
    g_bOpen = QZ_OpenLog(&Settings) != 0;
    if (!g_bOpen)
        fprintf(stderr, "QZ_BeginLogCapture: QZ_OpenLog failed for %s\n", Settings.szRootPath);
    atexit(CloseAndRemove);
    return g_bOpen;
}

void QZ_EndLogCapture()
{
}

std::vector<std::string> QZ_AllCapturedLogLines()
{
    std::vector<std::string> Lines;
    if (g_strFolder.empty())
        return Lines;
    // Logs\CapturedLog\<day folders>\CapturedLog_<date and time>.log, in the order written.
    const std::string strLogFolder = g_strFolder + "Logs\\CapturedLog\\";
    for (const std::string& strDay : QZ_ListFolder(strLogFolder, "*", true))
    {
        const std::string strDayFolder = strLogFolder + strDay + "\\";
        for (const std::string& strFile : QZ_ListFolder(strDayFolder, "*.log", false))
        {
            std::string strText = QZ_ReadWholeFile(strDayFolder + strFile);
            size_t uStart = 0;
            while (uStart < strText.size())
            {
                size_t uEnd = strText.find('\n', uStart);
                uEnd = (uEnd == std::string::npos) ? strText.size() : uEnd + 1;
                Lines.push_back(strText.substr(uStart, uEnd - uStart));
                uStart = uEnd;
            }
        }
    }
    return Lines;
}
