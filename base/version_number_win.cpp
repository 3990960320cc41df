#include "base/version_number.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <new>

#include "base/log.h"
#include "base/system_library.h"

namespace
{

// The version functions, from version.dll of the system folder, loaded at the first
// use: the library is not one of the system's known libraries, so an import would be
// looked for beside the program first.
struct QZ_VersionFunctions
{
    decltype(&GetFileVersionInfoSizeA) pfnGetFileVersionInfoSizeA;
    decltype(&GetFileVersionInfoA) pfnGetFileVersionInfoA;
    decltype(&VerQueryValueA) pfnVerQueryValueA;
};

QZ_VersionFunctions* LoadVersionFunctions()
{
    static QZ_VersionFunctions s_Functions;
    HMODULE hModule = QZ_LoadSystemLibrary("version.dll");

    if (!hModule)
        return NULL;
    if (!QZ_ResolveFunction(hModule, "GetFileVersionInfoSizeA", s_Functions.pfnGetFileVersionInfoSizeA) ||
        !QZ_ResolveFunction(hModule, "GetFileVersionInfoA", s_Functions.pfnGetFileVersionInfoA) ||
        !QZ_ResolveFunction(hModule, "VerQueryValueA", s_Functions.pfnVerQueryValueA))
    {
        ::FreeLibrary(hModule);
        return NULL;
    }
    return &s_Functions;
}

// Loaded once, by the first caller; the library stays loaded.
QZ_VersionFunctions* GetVersionFunctions()
{
    static QZ_VersionFunctions* s_pFunctions = LoadVersionFunctions();
    return s_pFunctions;
}

}  // namespace

// "nRetCode < _countof(szSubBlock)" compares with a size; nRetCode is known positive there.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wsign-compare"

int QZ_GetApplicationFileVersionNumber(const char* cszFileName, std::string* pstrRetVersionNumber)
{
    int nResult = 0;
    int nRetCode = 0;
    DWORD dwVersionInfoSize = 0;
    unsigned char* pbyVersionInfo = NULL;
    WORD* pwTranslation = NULL;
    char* pszFileVersion = NULL;
    UINT uValueLength = 0;
    char szSubBlock[128];
    QZ_VersionFunctions* pVersion = NULL;

    // The only check without a summary line: there is no name to report.
    QZLOG_PROCESS_ERROR(cszFileName);

    QZLOG_PROCESS_ERROR(cszFileName[0]);
    QZLOG_PROCESS_ERROR(pstrRetVersionNumber);

    pVersion = GetVersionFunctions();
    QZLOG_PROCESS_ERROR(pVersion && "LoadLibrary(version.dll)");

    dwVersionInfoSize = pVersion->pfnGetFileVersionInfoSizeA(cszFileName, NULL);
    QZLOG_PROCESS_ERROR(dwVersionInfoSize);

    pbyVersionInfo = new (std::nothrow) unsigned char[dwVersionInfoSize];
    QZLOG_PROCESS_ERROR(pbyVersionInfo);

    nRetCode = pVersion->pfnGetFileVersionInfoA(cszFileName, 0, dwVersionInfoSize, pbyVersionInfo);
    QZLOG_PROCESS_ERROR(nRetCode && "GetFileVersionInfo()");

    // A table of (language, code page) word pairs; only the first pair is used. A
    // value too short to hold one pair counts as missing rather than being read past.
    nRetCode = pVersion->pfnVerQueryValueA(pbyVersionInfo, "\\VarFileInfo\\Translation", (LPVOID*)&pwTranslation,
                              &uValueLength);
    nRetCode = nRetCode && pwTranslation && uValueLength >= 2 * sizeof(WORD);
    QZLOG_PROCESS_ERROR(nRetCode && "VerQueryValue(Translation)");

    nRetCode = snprintf(szSubBlock, _countof(szSubBlock), "\\StringFileInfo\\%04x%04x\\FileVersion",
                        pwTranslation[0], pwTranslation[1]);
    QZLOG_PROCESS_ERROR(nRetCode > 0);
    QZLOG_PROCESS_ERROR(nRetCode < _countof(szSubBlock));

    nRetCode = pVersion->pfnVerQueryValueA(pbyVersionInfo, szSubBlock, (LPVOID*)&pszFileVersion, &uValueLength);
    nRetCode = nRetCode && pszFileVersion;
    QZLOG_PROCESS_ERROR(nRetCode && "VerQueryValue(FileInfo)");

    // The text up to its NUL, never past the value's reported length.
    pstrRetVersionNumber->assign(pszFileVersion, strnlen(pszFileVersion, uValueLength));

    nResult = 1;
Exit0:
    if (!nResult && cszFileName)
    {
        QZ_WriteLog(LOG_LEVEL_DEBUG, "Failed to get version number for file `%s`, Error code: %d.", cszFileName,
                    (int)GetLastError());
    }
    if (pbyVersionInfo)
    {
        delete[] pbyVersionInfo;
        pbyVersionInfo = NULL;
    }
    return nResult;
}

#pragma GCC diagnostic pop
