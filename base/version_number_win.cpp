#include "base/version_number.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <new>
#include <string>

#include "base/log.h"
#include "base/system_library.h"
#include "base/wide_text.h"

namespace
{

// The version functions, from version.dll of the system folder, loaded at the first
// use: the library is not one of the system's known libraries, so an import would be
// looked for beside the program first.
struct QZ_VersionFunctions
{
    decltype(&GetFileVersionInfoSizeW) pfnGetFileVersionInfoSizeW;
    decltype(&GetFileVersionInfoW) pfnGetFileVersionInfoW;
    decltype(&VerQueryValueW) pfnVerQueryValueW;
};

// Loaded once, by the first caller; the library stays loaded.
QZ_VersionFunctions* GetVersionFunctions()
{
    static const char* const s_apszNames[] = { "GetFileVersionInfoSizeW", "GetFileVersionInfoW", "VerQueryValueW" };
    return QZ_GetSystemFunctions<QZ_VersionFunctions>("version.dll", s_apszNames);
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
    wchar_t* pwszFileVersion = NULL;
    UINT uValueLength = 0;
    char szSubBlock[128];
    std::wstring wstrFileName;
    std::wstring wstrFileVersion;
    QZ_VersionFunctions* pVersion = NULL;

    // The only check without a summary line: there is no name to report.
    QZLOG_PROCESS_ERROR(cszFileName);

    QZLOG_PROCESS_ERROR(cszFileName[0]);
    QZLOG_PROCESS_ERROR(pstrRetVersionNumber);

    pVersion = GetVersionFunctions();
    QZLOG_PROCESS_ERROR(pVersion && "LoadLibrary(version.dll)");

    // The name is UTF-8, like every path of the program; the wide functions read the
    // file whatever its folder's name and the system's code page.
    wstrFileName = QZ_Utf8ToWide(cszFileName);
    dwVersionInfoSize = pVersion->pfnGetFileVersionInfoSizeW(wstrFileName.c_str(), NULL);
    QZLOG_PROCESS_ERROR(dwVersionInfoSize);

    pbyVersionInfo = new (std::nothrow) unsigned char[dwVersionInfoSize];
    QZLOG_PROCESS_ERROR(pbyVersionInfo);

    nRetCode = pVersion->pfnGetFileVersionInfoW(wstrFileName.c_str(), 0, dwVersionInfoSize, pbyVersionInfo);
    QZLOG_PROCESS_ERROR(nRetCode && "GetFileVersionInfo()");

    // A table of (language, code page) word pairs; only the first pair is used. A
    // value too short to hold one pair counts as missing rather than being read past.
    nRetCode = pVersion->pfnVerQueryValueW(pbyVersionInfo, L"\\VarFileInfo\\Translation", (LPVOID*)&pwTranslation,
                                           &uValueLength);
    nRetCode = nRetCode && pwTranslation && uValueLength >= 2 * sizeof(WORD);
    QZLOG_PROCESS_ERROR(nRetCode && "VerQueryValue(Translation)");

    nRetCode = snprintf(szSubBlock, _countof(szSubBlock), "\\StringFileInfo\\%04x%04x\\FileVersion",
                        pwTranslation[0], pwTranslation[1]);
    QZLOG_PROCESS_ERROR(nRetCode > 0);
    QZLOG_PROCESS_ERROR(nRetCode < _countof(szSubBlock));

    nRetCode = pVersion->pfnVerQueryValueW(pbyVersionInfo, QZ_Utf8ToWide(szSubBlock).c_str(), (LPVOID*)&pwszFileVersion,
                                           &uValueLength);
    nRetCode = nRetCode && pwszFileVersion;
    QZLOG_PROCESS_ERROR(nRetCode && "VerQueryValue(FileInfo)");

    // The text up to its NUL, never past the value's reported length (in characters).
    wstrFileVersion.assign(pwszFileVersion, wcsnlen(pwszFileVersion, uValueLength));
    *pstrRetVersionNumber = QZ_WideToUtf8(wstrFileVersion.c_str());

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
