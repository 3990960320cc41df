#include "tests/support/qz_test_files.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

std::vector<std::string> QZ_ListFolder(const std::string& strFolder, const char* cszPattern, bool bFolders)
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
    fprintf(stderr, "QZ_MakeTestTempFolder: cannot create a folder %s_* in %s, error %lu\n", cszPrefix,
            strBase.c_str(), GetLastError());
    return std::string();
}

void QZ_RemoveTestFolder(const std::string& strFolder)
{
    if (strFolder.empty())
        return;
    for (const std::string& strName : QZ_ListFolder(strFolder, "*", true))
        QZ_RemoveTestFolder(strFolder + strName + "\\");
    for (const std::string& strName : QZ_ListFolder(strFolder, "*", false))
    {
        std::string strFile = strFolder + strName;
        SetFileAttributesA(strFile.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(strFile.c_str());
    }
    RemoveDirectoryA(strFolder.c_str());
}

QZ_TempFolder::QZ_TempFolder()
{
    m_strPath = QZ_MakeTestTempFolder("qztest");
    std::replace(m_strPath.begin(), m_strPath.end(), '\\', '/');
}

QZ_TempFolder::~QZ_TempFolder()
{
    std::string strFolder = m_strPath;
    std::replace(strFolder.begin(), strFolder.end(), '/', '\\');
    QZ_RemoveTestFolder(strFolder);
}

std::vector<std::string> QZ_ListFilesBelow(const std::string& strFolder)
{
    namespace fs = std::filesystem;
    std::vector<std::string> Files;
    std::error_code Error;
    for (fs::recursive_directory_iterator It(strFolder, Error), End; !Error && It != End; It.increment(Error))
    {
        if (!It->is_regular_file())
            continue;
        Files.push_back(fs::relative(It->path(), strFolder, Error).generic_string());
    }
    std::sort(Files.begin(), Files.end());
    return Files;
}

std::string QZ_ThisProgramPath()
{
    char szPath[MAX_PATH];
    DWORD dwLength = GetModuleFileNameA(NULL, szPath, MAX_PATH);
    return std::string(szPath, dwLength);
}

std::string QZ_ThisProgramFolder()
{
    const std::string strPath = QZ_ThisProgramPath();
    return strPath.substr(0, strPath.find_last_of("\\/") + 1);
}

bool QZ_FileExists(const std::string& strPath)
{
    return GetFileAttributesA(strPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void QZ_WriteWholeFile(const std::string& strPath, const std::string& strData, unsigned long ulAttributes)
{
    SetFileAttributesA(strPath.c_str(), FILE_ATTRIBUTE_NORMAL);
    FILE* fpFile = fopen(strPath.c_str(), "wb");
    ASSERT_TRUE(fpFile != NULL) << strPath;
    size_t uWritten = fwrite(strData.data(), 1, strData.size(), fpFile);
    int nClosed = fclose(fpFile);
    ASSERT_EQ(strData.size(), uWritten) << strPath;
    ASSERT_EQ(0, nClosed) << strPath;
    if (ulAttributes)
    {
        ASSERT_TRUE(SetFileAttributesA(strPath.c_str(), ulAttributes)) << strPath << " error " << GetLastError();
    }
}
