// The real log, opened once per test program into a folder of its own under the
// temporary folder; lines are read back from the files it writes.
#include "tests/support/qz_captured_log.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/log.h"

namespace
{

std::string g_strFolder;  // ends in "\"; empty until the log is opened

std::vector<std::string> SortedNames(const std::string& strFolder, const char* cszPattern, bool bFolders)
{
    std::vector<std::string> Names;
    WIN32_FIND_DATAA FindData;
    HANDLE hFind = FindFirstFileA((strFolder + cszPattern).c_str(), &FindData);
    if (hFind == INVALID_HANDLE_VALUE)
        return Names;
    do
    {
        bool bFolder = (FindData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (strcmp(FindData.cFileName, ".") != 0 && strcmp(FindData.cFileName, "..") != 0 && bFolder == bFolders)
            Names.push_back(FindData.cFileName);
    } while (FindNextFileA(hFind, &FindData));
    FindClose(hFind);
    std::sort(Names.begin(), Names.end());
    return Names;
}

void RemoveFolderTree(const std::string& strFolder)
{
    for (const std::string& strName : SortedNames(strFolder, "*", false))
        DeleteFileA((strFolder + strName).c_str());
    for (const std::string& strName : SortedNames(strFolder, "*", true))
        RemoveFolderTree(strFolder + strName + "\\");
    RemoveDirectoryA(strFolder.c_str());
}

void CloseAndRemove()
{
    QZ_CloseLog();
    if (!g_strFolder.empty())
        RemoveFolderTree(g_strFolder);
}

std::string ReadWholeFile(const std::string& strPath)
{
    std::string strText;
    FILE* fpFile = fopen(strPath.c_str(), "rb");
    if (!fpFile)
        return strText;
    char szBuffer[4096];
    size_t uRead = 0;
    while ((uRead = fread(szBuffer, 1, sizeof(szBuffer), fpFile)) > 0)
        strText.append(szBuffer, uRead);
    fclose(fpFile);
    return strText;
}

}  // namespace

void QZ_BeginLogCapture()
{
    if (!g_strFolder.empty())
        return;

    char szTemp[MAX_PATH];
    DWORD dwLength = GetTempPathA(MAX_PATH, szTemp);
    if (dwLength == 0 || dwLength >= MAX_PATH)
    {
        fprintf(stderr, "QZ_BeginLogCapture: GetTempPathA failed, error %lu\n", GetLastError());
        return;
    }
    char szFolder[MAX_PATH];
    snprintf(szFolder, sizeof(szFolder), "%sqz_captured_log_%lu_%lu\\", szTemp, GetCurrentProcessId(),
             GetTickCount());
    if (!CreateDirectoryA(szFolder, NULL))
    {
        fprintf(stderr, "QZ_BeginLogCapture: cannot create %s, error %lu\n", szFolder, GetLastError());
        return;
    }
    g_strFolder = szFolder;

    QZ_LogSettings Settings;
    memset(&Settings, 0, sizeof(Settings));
    snprintf(Settings.szRootPath, sizeof(Settings.szRootPath), "%sLogs", szFolder);
    snprintf(Settings.szName, sizeof(Settings.szName), "CapturedLog");
    Settings.nOptions = LOG_OPTION_FILE;
    Settings.nMaxLinesPerFile = 1000000;
    if (!QZ_OpenLog(&Settings))
        fprintf(stderr, "QZ_BeginLogCapture: QZ_OpenLog failed for %s\n", Settings.szRootPath);
    atexit(CloseAndRemove);
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
    for (const std::string& strDay : SortedNames(strLogFolder, "*", true))
    {
        const std::string strDayFolder = strLogFolder + strDay + "\\";
        for (const std::string& strFile : SortedNames(strDayFolder, "*.log", false))
        {
            std::string strText = ReadWholeFile(strDayFolder + strFile);
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
