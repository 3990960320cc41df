#include "tests/support/test_log_capture.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/log.h"

namespace
{

std::vector<std::string> ListFolder(const std::string& strFolder, const char* cszPattern, bool bFolders)
{
    std::vector<std::string> Names;
    WIN32_FIND_DATAA FindData;
    HANDLE hFind = FindFirstFileA((strFolder + cszPattern).c_str(), &FindData);
    if (hFind == INVALID_HANDLE_VALUE)
        return Names;
    do
    {
        bool bFolder = (FindData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (strcmp(FindData.cFileName, ".") == 0 || strcmp(FindData.cFileName, "..") == 0)
            continue;
        if (bFolder == bFolders)
            Names.push_back(FindData.cFileName);
    } while (FindNextFileA(hFind, &FindData));
    FindClose(hFind);
    std::sort(Names.begin(), Names.end());
    return Names;
}

}  // namespace

std::string QZ_MakeTestTempFolder(const char* cszPrefix)
{
    char szTemp[MAX_PATH];
    DWORD dwLength = GetTempPathA(sizeof(szTemp), szTemp);
    std::string strBase = (dwLength > 0 && dwLength < sizeof(szTemp)) ? szTemp : ".\\";
    if (strBase.back() != '\\')
        strBase += '\\';
    for (unsigned uTry = 0; uTry < 1000; ++uTry)
    {
        char szName[128];
        snprintf(szName, sizeof(szName), "%s_%lu_%lu_%u\\", cszPrefix, (unsigned long)GetCurrentProcessId(),
                 (unsigned long)GetTickCount(), uTry);
        std::string strFolder = strBase + szName;
        if (CreateDirectoryA(strFolder.c_str(), NULL))
            return strFolder;
    }
    return std::string();
}

void QZ_RemoveTestFolder(const std::string& strFolder)
{
    if (strFolder.empty())
        return;
    for (const std::string& strName : ListFolder(strFolder, "*", true))
        QZ_RemoveTestFolder(strFolder + strName + "\\");
    for (const std::string& strName : ListFolder(strFolder, "*", false))
    {
        std::string strFile = strFolder + strName;
        SetFileAttributesA(strFile.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(strFile.c_str());
    }
    RemoveDirectoryA(strFolder.c_str());
}

bool QZ_TestLogCapture::Open(const char* cszName)
{
    QZ_LogSettings Settings;
    memset(&Settings, 0, sizeof(Settings));

    m_strFolder = QZ_MakeTestTempFolder("qz_log");
    if (m_strFolder.empty())
        return false;
    snprintf(Settings.szRootPath, sizeof(Settings.szRootPath), "%sLogs", m_strFolder.c_str());
    snprintf(Settings.szName, sizeof(Settings.szName), "%s", cszName);
    Settings.nOptions = LOG_OPTION_FILE;
    Settings.nMaxLinesPerFile = 100000;
    m_strLogFolder = m_strFolder + "Logs\\" + cszName + "\\";
    return QZ_OpenLog(&Settings) != 0;
}

void QZ_TestLogCapture::Close()
{
    QZ_CloseLog();
    QZ_RemoveTestFolder(m_strFolder);
    m_strFolder.clear();
}

// All files of the log in the order they were begun: the day folders and the file
// names sort by their dates, and only the last file grows.
std::string QZ_TestLogCapture::_ReadAll() const
{
    std::string strText;
    for (const std::string& strDay : ListFolder(m_strLogFolder, "*", true))
    {
        std::string strDayFolder = m_strLogFolder + strDay + "\\";
        for (const std::string& strFile : ListFolder(strDayFolder, "*.log", false))
        {
            FILE* fpFile = fopen((strDayFolder + strFile).c_str(), "rb");
            if (!fpFile)
                continue;
            char szBuffer[4096];
            size_t uRead = 0;
            while ((uRead = fread(szBuffer, 1, sizeof(szBuffer), fpFile)) > 0)
                strText.append(szBuffer, uRead);
            fclose(fpFile);
        }
    }
    return strText;
}

size_t QZ_TestLogCapture::Mark() const
{
    return _ReadAll().size();
}

std::vector<QZ_TestLogMessage> QZ_TestLogCapture::Since(size_t uMark) const
{
    std::vector<QZ_TestLogMessage> Messages;
    std::string strText = _ReadAll();
    size_t uBegin = std::min(uMark, strText.size());
    while (uBegin < strText.size())
    {
        size_t uEnd = strText.find('\n', uBegin);
        if (uEnd == std::string::npos)
            uEnd = strText.size();
        std::string strLine = strText.substr(uBegin, uEnd - uBegin);
        // Header: YYYYMMDD-hhmmss<LEVEL:TTTTTTTT>: message
        QZ_TestLogMessage Message;
        size_t uLevel = strLine.find('<');
        size_t uText = strLine.find(">: ");
        if (uLevel != std::string::npos && uText != std::string::npos && uText > uLevel)
        {
            Message.strLevel = strLine.substr(uLevel + 1, 5);
            Message.strMessage = strLine.substr(uText + 3);
        }
        else
        {
            Message.strMessage = strLine;
        }
        Messages.push_back(Message);
        uBegin = uEnd + 1;
    }
    return Messages;
}
