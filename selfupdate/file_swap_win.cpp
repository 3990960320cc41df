#include "selfupdate/file_swap.h"

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "base/log.h"
#include "base/wide_text.h"
#include "selfupdate/self_update.h"

#define QZ_CHECK(Condition) QZLOG_PROCESS_ERROR_AS(Condition, #Condition, QZ_SELF_UPDATE_ROUTINE)

namespace
{

const int   QZ_MOVE_FILE_TRIES = 3;
const DWORD QZ_MOVE_FILE_PAUSE = 500;  // milliseconds, after every failed try

// A rename of an open file through the system's own call (FileRenameInformation),
// which works the same from Windows XP on and under Wine.
struct QZ_FileRenameInformation
{
    BOOLEAN bReplaceIfExists;
    HANDLE hRootDirectory;
    ULONG ulFileNameLength;
    WCHAR wszFileName[1];
};
typedef LONG(NTAPI* QZ_PFN_NT_SET_INFORMATION_FILE)(HANDLE hFile, void* pIoStatus, void* pvInformation,
                                                    ULONG ulLength, int nInformationClass);
typedef ULONG(NTAPI* QZ_PFN_RTL_NT_STATUS_TO_DOS_ERROR)(LONG lStatus);
const int QZ_FILE_RENAME_INFORMATION_CLASS = 10;

// One try of a move: 1 when done, else 0 with the error code in *pdwError.
typedef int (*QZ_PFN_MOVE_TRY)(const void* pvContext, const char* cszSource, const char* cszDestination,
                               DWORD* pdwError);

// The system's own spelling of a path: "\??\C:\..." or "\??\UNC\server\...".
std::wstring ToSystemPath(const char* cszPath)
{
    std::wstring wstrPath = QZ_Utf8ToWide(cszPath);
    if (wstrPath.compare(0, 4, L"\\\\?\\") == 0)
        return L"\\??\\" + wstrPath.substr(4);
    if (wstrPath.compare(0, 2, L"\\\\") == 0)
        return L"\\??\\UNC\\" + wstrPath.substr(2);
    return L"\\??\\" + wstrPath;
}

int MoveByName(const void* pvContext, const char* cszSource, const char* cszDestination, DWORD* pdwError)
{
    // Written through: the swap is on disk before the procedure says it is done.
    if (::MoveFileExW(QZ_Utf8ToWide(cszSource).c_str(), QZ_Utf8ToWide(cszDestination).c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return 1;
    *pdwError = ::GetLastError();
    return 0;
}

// Renames the file held open as *pvContext (a HANDLE) to cszDestination, replacing it.
int RenameByHandle(const void* pvContext, const char* cszSource, const char* cszDestination, DWORD* pdwError)
{
    static QZ_PFN_NT_SET_INFORMATION_FILE s_pfnSetInformation = NULL;
    static QZ_PFN_RTL_NT_STATUS_TO_DOS_ERROR s_pfnToDosError = NULL;
    HMODULE hNtdll = ::GetModuleHandleW(L"ntdll.dll");
    std::wstring wstrDestination = ToSystemPath(cszDestination);
    std::vector<unsigned char> Information(offsetof(QZ_FileRenameInformation, wszFileName) +
                                           (wstrDestination.size() + 1) * sizeof(WCHAR));
    QZ_FileRenameInformation* pRename = (QZ_FileRenameInformation*)&Information[0];
    ULONG_PTR aulIoStatus[2] = { 0, 0 };
    LONG lStatus = 0;

    if (!s_pfnSetInformation && hNtdll)
    {
        s_pfnSetInformation = (QZ_PFN_NT_SET_INFORMATION_FILE)(void*)::GetProcAddress(hNtdll, "NtSetInformationFile");
        s_pfnToDosError = (QZ_PFN_RTL_NT_STATUS_TO_DOS_ERROR)(void*)::GetProcAddress(hNtdll, "RtlNtStatusToDosError");
    }
    if (!s_pfnSetInformation || !s_pfnToDosError)
    {
        *pdwError = ERROR_PROC_NOT_FOUND;
        return 0;
    }
    pRename->bReplaceIfExists = TRUE;
    pRename->hRootDirectory = NULL;
    pRename->ulFileNameLength = (ULONG)(wstrDestination.size() * sizeof(WCHAR));
    memcpy(pRename->wszFileName, wstrDestination.c_str(), (wstrDestination.size() + 1) * sizeof(WCHAR));
    lStatus = s_pfnSetInformation(*(const HANDLE*)pvContext, aulIoStatus, pRename, (ULONG)Information.size(),
                                  QZ_FILE_RENAME_INFORMATION_CLASS);
    if (lStatus >= 0)
        return 1;
    *pdwError = s_pfnToDosError(lStatus);
    return 0;
}

// Up to three tries of a move, with a pause after each failed one; the two lines of a
// failed move name _MoveFile, the routine the launcher moves its files with.
int MoveWithRetries(QZ_PFN_MOVE_TRY pfnTry, const void* pvContext, const char* cszSource,
                    const char* cszDestination)
{
    int nResult = 0;
    DWORD dwLastError = 0;

    // A read-only or hidden destination would refuse to be replaced. It need not exist.
    ::SetFileAttributesW(QZ_Utf8ToWide(cszDestination).c_str(), FILE_ATTRIBUTE_NORMAL);

    for (int nTry = 0; nTry < QZ_MOVE_FILE_TRIES; ++nTry)
    {
        if (pfnTry(pvContext, cszSource, cszDestination, &dwLastError))
        {
            nResult = 1;
            goto Exit0;
        }
        ::Sleep(QZ_MOVE_FILE_PAUSE);
    }
    QZLOG_PROCESS_ERROR_AS(false, "false", QZ_MOVE_FILE_ROUTINE);

Exit0:
    if (!nResult)
    {
        QZ_WriteLog(LOG_LEVEL_DEBUG, "Failed to move file `%s` to `%s`, Error code : %d.", cszSource, cszDestination,
                    (int)dwLastError);
    }
    return nResult;
}

// The last way back: the old file copied under the program's name.
int CopyBack(const char* cszOldFile, const char* cszProgram)
{
    int nResult = 0;
    int nRetCode = 0;

    nRetCode = ::CopyFileW(QZ_Utf8ToWide(cszOldFile).c_str(), QZ_Utf8ToWide(cszProgram).c_str(), FALSE);
    if (!nRetCode)
    {
        QZ_WriteLog(LOG_LEVEL_DEBUG, "Failed to copy file `%s` to `%s`, Error code : %d.", cszOldFile, cszProgram,
                    (int)::GetLastError());
    }
    QZ_CHECK(nRetCode && "CopyFileW()");

    nResult = 1;
Exit0:
    return nResult;
}

}  // namespace

int QZ_MoveFileWithRetries(const char* cszSource, const char* cszDestination)
{
    return MoveWithRetries(MoveByName, NULL, cszSource, cszDestination);
}

void* QZ_OpenVerifiedFile(const char* cszFileName)
{
    HANDLE hFile = INVALID_HANDLE_VALUE;
    DWORD dwLastError = 0;
    std::wstring wstrFileName = QZ_Utf8ToWide(cszFileName);

    for (int nTry = 0; nTry < QZ_MOVE_FILE_TRIES && hFile == INVALID_HANDLE_VALUE; ++nTry)
    {
        if (nTry > 0)
            ::Sleep(QZ_MOVE_FILE_PAUSE);
        hFile = ::CreateFileW(wstrFileName.c_str(), GENERIC_READ | DELETE, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
        dwLastError = ::GetLastError();
    }
    if (hFile == INVALID_HANDLE_VALUE)
    {
        QZ_WriteLog(LOG_LEVEL_DEBUG, "Failed to open `%s` for the swap, Error code : %d.", cszFileName,
                    (int)dwLastError);
    }
    return hFile;
}

int QZ_SwapInVerifiedFile(void* hVerifiedFile, const char* cszNewFile, const char* cszProgram,
                          const char* cszOldFile, int* pnKeepOldFile)
{
    int nResult = 0;
    int nRetCode = 0;

    *pnKeepOldFile = 0;

    // The running program's file may be renamed, not replaced: move it aside first.
    nRetCode = QZ_MoveFileWithRetries(cszProgram, cszOldFile);
    QZ_CHECK(nRetCode && "_MoveFile()");

    // Renamed through the handle held since the checks: nothing else can take the
    // file's place, and no name held by another program can stop it.
    nRetCode = MoveWithRetries(RenameByHandle, &hVerifiedFile, cszNewFile, cszProgram);
    if (nRetCode)
    {
        nResult = 1;
        goto Exit0;
    }

    // Put the old launcher back under its own name. Should that fail too, the file
    // moved aside is the only launcher left, so the clean-up must not delete it.
    nRetCode = QZ_MoveFileWithRetries(cszOldFile, cszProgram);
    if (!nRetCode)
        nRetCode = CopyBack(cszOldFile, cszProgram);
    *pnKeepOldFile = !nRetCode;
    QZ_CHECK(false && "_MoveFile()");

Exit0:
    return nResult;
}
