// The self-update procedure, as named steps that share one run's state. Every check
// line names QZ_ArdunLauncherDlg::_SelfUpdateFunction, the routine the launcher runs.
#include "selfupdate/self_update.h"

#include <windows.h>

#include <string>

#include "base/http_download.h"
#include "base/log.h"
#include "base/program_path.h"
#include "base/version_number.h"
#include "base/wide_text.h"
#include "selfupdate/file_swap.h"
#include "selfupdate/folder_lock.h"
#include "selfupdate/trial_start.h"
#include "selfupdate/update_index.h"
#include "selfupdate/update_server.h"
#include "selfupdate/update_trust.h"

// The length checks compare an int with _countof(); the int is known positive there.
#pragma GCC diagnostic ignored "-Wsign-compare"

#define QZ_CHECK(Condition) QZLOG_PROCESS_ERROR_AS(Condition, #Condition, QZ_SELF_UPDATE_ROUTINE)

namespace
{

// One run's paths, values read from the index and what its clean-up must release.
struct QZ_SelfUpdateRun
{
    QZ_SelfUpdateRun() : Trust(&g_UpdateKeys), hFolderLock(NULL), hVerifiedFile(INVALID_HANDLE_VALUE),
                         nRemoveNewFile(0), nKeepOldFile(0), dwFileDeadline(0)
    {
        szApplicationName[0] = szBuffer[0] = szMD5[0] = '\0';
    }

    QZ_UpdateTrust Trust;
    char szApplicationName[QZ_UTF8_PATH_SIZE];
    char szBuffer[MAX_PATH];
    char szMD5[64];
    std::string strApplicationPath;
    std::string strNewFileName;
    std::string strOldFileName;
    std::string strIndexFileName;
    std::string strLastestVersion;
    std::string strNewFileURL;
    QZ_VersionNumber LastestVersion;
    HANDLE hFolderLock;
    HANDLE hVerifiedFile;
    int nRemoveNewFile;
    int nKeepOldFile;
    DWORD dwFileDeadline;
};

// Clears the attributes of a work file and deletes it; failures do not matter here
// (the old launcher file cannot be deleted while this process runs from it).
void RemoveWorkFile(const std::string& strFileName)
{
    std::wstring wstrFileName = QZ_Utf8ToWide(strFileName.c_str());
    if (wstrFileName.empty())
        return;
    ::SetFileAttributesW(wstrFileName.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(wstrFileName.c_str());
}

// The program's own path and folder, the folder's lock and the work files' paths.
// Sets *pnSkip when another launcher is updating the folder.
int LocateFiles(QZ_SelfUpdateRun* pRun, int* pnSkip)
{
    int nResult = 0;
    int nRetCode = 0;
    int nLockHeld = 0;
    char(&szApplicationName)[QZ_UTF8_PATH_SIZE] = pRun->szApplicationName;

    nRetCode = QZ_GetProgramPath(szApplicationName, _countof(szApplicationName));
    QZ_CHECK(nRetCode > 0);
    QZ_CHECK(nRetCode < _countof(szApplicationName));

    // A module path always has a folder; without one there is nothing to update.
    nRetCode = QZ_GetPathFolder(szApplicationName, &pRun->strApplicationPath);
    QZ_PROCESS_ERROR(nRetCode);

    // One self-update at a time per folder: the work files have fixed names. A second
    // launcher leaves them to the first and goes on without updating.
    nRetCode = QZ_TakeSelfUpdateLock(pRun->strApplicationPath.c_str(), (void**)&pRun->hFolderLock, &nLockHeld);
    if (!nRetCode && nLockHeld)
    {
        QZ_WriteLog(LOG_LEVEL_DEBUG, "Another launcher is updating the launcher in %s; this one skips its self-update.",
                    pRun->strApplicationPath.c_str());
        *pnSkip = 1;
        goto Exit0;
    }
    QZ_CHECK(nRetCode && "QZ_TakeSelfUpdateLock()");

    pRun->strNewFileName = pRun->strApplicationPath + QZ_UPDATE_WORK_FILE_NAME QZ_UPDATE_NEW_FILE_SUFFIX;
    pRun->strOldFileName = pRun->strApplicationPath + QZ_UPDATE_WORK_FILE_NAME QZ_UPDATE_OLD_FILE_SUFFIX;
    pRun->strIndexFileName = pRun->strApplicationPath + QZ_UPDATE_INDEX_NAME;

    nResult = 1;
Exit0:
    return nResult;
}

// Fetches the index and compares its version with the program's own; *pnUpToDate is set
// when the program's is not the lower (equal or newer: never a downgrade).
int CompareVersions(QZ_SelfUpdateRun* pRun, int* pnUpToDate)
{
    int nResult = 0;
    int nRetCode = 0;
    char(&szBuffer)[MAX_PATH] = pRun->szBuffer;
    QZ_DownloadLimits IndexLimits = { g_uUpdateIndexMaxBytes, g_uUpdateIndexSeconds * 1000,
                                      g_uUpdateIdleSeconds * 1000 };
    std::string strSelfVersion;
    QZ_VersionNumber SelfVersion;

    nRetCode = QZ_HttpSyncDownloadFile((std::string(g_cszUpdateBaseURL) + QZ_UPDATE_INDEX_NAME).c_str(),
                                       pRun->strIndexFileName.c_str(), &IndexLimits);
    QZ_CHECK(nRetCode && "QZ_HttpSyncDownloadFile()");

    // No default: a missing section, key or value reads as length 0.
    nRetCode = QZ_ReadUpdateIndexValue(QZ_UPDATE_KEY_VERSION, szBuffer, _countof(szBuffer),
                                       pRun->strIndexFileName.c_str());
    QZ_CHECK(nRetCode > 0 && "Failed to get [SelfUpdate]LastestVersionNumber.");
    QZ_CHECK(nRetCode < _countof(szBuffer));

    pRun->strLastestVersion = szBuffer;
    nRetCode = pRun->LastestVersion.ParseString(szBuffer);
    QZ_CHECK(nRetCode && "LastestVersion.ParseString()");

    nRetCode = QZ_GetApplicationFileVersionNumber(pRun->szApplicationName, &strSelfVersion);
    QZ_CHECK(nRetCode && "QZ_GetApplicationFileVersionNumber()");

    nRetCode = SelfVersion.ParseString(strSelfVersion.c_str());
    QZ_CHECK(nRetCode && "SelfVersion.ParseString()");

    *pnUpToDate = !(SelfVersion < pRun->LastestVersion);

    nResult = 1;
Exit0:
    return nResult;
}

// Reads the new file's name and digest and, in a build with update keys, checks the
// index's signature over what decides what is installed, before anything else is
// downloaded.
int ReadPublication(QZ_SelfUpdateRun* pRun)
{
    int nResult = 0;
    int nRetCode = 0;
    char(&szBuffer)[MAX_PATH] = pRun->szBuffer;
    char(&szMD5)[64] = pRun->szMD5;

    nRetCode = QZ_ReadUpdateIndexValue(QZ_UPDATE_KEY_FILE_NAME, szBuffer, _countof(szBuffer),
                                       pRun->strIndexFileName.c_str());
    QZ_CHECK(nRetCode > 0 && "Failed to get [SelfUpdate]FileName.");
    QZ_CHECK(nRetCode < _countof(szBuffer));

    // The name is appended as it stands, without escaping.
    pRun->strNewFileURL = std::string(g_cszUpdateBaseURL) + szBuffer;

    nRetCode = QZ_ReadUpdateIndexValue(QZ_UPDATE_KEY_FILE_MD5, szMD5, _countof(szMD5), pRun->strIndexFileName.c_str());
    QZ_CHECK(nRetCode > 0 && "Failed to get [SelfUpdate]FileMD5.");
    QZ_CHECK(nRetCode < _countof(szMD5));

    nRetCode = pRun->Trust.CheckIndex(pRun->strIndexFileName.c_str(), pRun->strLastestVersion.c_str(), szBuffer,
                                      szMD5);
    QZ_PROCESS_ERROR(nRetCode);

    nResult = 1;
Exit0:
    return nResult;
}

// Downloads the new file and takes hold of it: from here to the rename nobody may
// write, rename or delete it, and every check reads it through the held handle.
int DownloadNewFile(QZ_SelfUpdateRun* pRun)
{
    int nResult = 0;
    int nRetCode = 0;
    HANDLE hVerifiedFile = INVALID_HANDLE_VALUE;
    QZ_DownloadLimits FileLimits = { g_uUpdateFileMaxBytes, g_uUpdateFileSeconds * 1000,
                                     g_uUpdateIdleSeconds * 1000 };

    FileLimits.uMaxBytes = pRun->Trust.FileSizeCap(FileLimits.uMaxBytes);
    pRun->dwFileDeadline = ::GetTickCount() + FileLimits.uMaxMilliseconds;
    nRetCode = QZ_HttpSyncDownloadFile(pRun->strNewFileURL.c_str(), pRun->strNewFileName.c_str(), &FileLimits);
    QZ_CHECK(nRetCode && "QZ_HttpSyncDownloadFile()");

    hVerifiedFile = QZ_OpenVerifiedFile(pRun->strNewFileName.c_str());
    pRun->hVerifiedFile = hVerifiedFile;
    QZ_CHECK(hVerifiedFile != INVALID_HANDLE_VALUE && "QZ_OpenVerifiedFile()");

    nResult = 1;
Exit0:
    return nResult;
}

// The trust checks (the MD5 the index names first), and a trial start of the new file
// within what is left of the file's time limit (10 s at most).
int VerifyNewFile(QZ_SelfUpdateRun* pRun)
{
    int nResult = 0;
    int nRetCode = 0;
    DWORD dwLeft = 0;

    nRetCode = pRun->Trust.CheckMD5(pRun->hVerifiedFile, pRun->szMD5);
    QZ_PROCESS_ERROR(nRetCode);

    nRetCode = pRun->Trust.CheckFile(pRun->hVerifiedFile, pRun->strNewFileName.c_str(), pRun->LastestVersion,
                                     &pRun->nRemoveNewFile);
    QZ_PROCESS_ERROR(nRetCode);

    // A file that does not start here would never fetch its own fix: it is not kept.
    dwLeft = pRun->dwFileDeadline - ::GetTickCount();
    if ((long)dwLeft < 0)
        dwLeft = 0;
    pRun->nRemoveNewFile = 1;
    nRetCode = QZ_TrialStart(pRun->strNewFileName.c_str(), pRun->strApplicationPath.c_str(),
                             dwLeft < QZ_TRIAL_START_MAX_WAIT ? dwLeft : QZ_TRIAL_START_MAX_WAIT);
    QZ_CHECK(nRetCode && "QZ_TrialStart()");
    pRun->nRemoveNewFile = 0;

    nResult = 1;
Exit0:
    return nResult;
}

// Releases what the run holds and removes its work files; the old launcher file is
// kept when it is the only launcher left, and the new file when a later start may
// still use it.
void CleanUp(QZ_SelfUpdateRun* pRun)
{
    if (pRun->hVerifiedFile != INVALID_HANDLE_VALUE)
    {
        ::CloseHandle(pRun->hVerifiedFile);
        pRun->hVerifiedFile = INVALID_HANDLE_VALUE;
    }
    if (pRun->nRemoveNewFile)
        RemoveWorkFile(pRun->strNewFileName);
    RemoveWorkFile(pRun->strIndexFileName);
    if (!pRun->nKeepOldFile)
        RemoveWorkFile(pRun->strOldFileName);
    if (pRun->hFolderLock)
    {
        ::CloseHandle(pRun->hFolderLock);
        pRun->hFolderLock = NULL;
    }
}

}  // namespace

int QZ_RunSelfUpdate()
{
    int nResult = 0;
    int nRetCode = 0;
    int nSkip = 0;
    int nUpToDate = 0;
    QZ_SelfUpdateRun Run;

    nRetCode = LocateFiles(&Run, &nSkip);
    nResult = nSkip;
    QZ_PROCESS_ERROR(nRetCode);

    nRetCode = CompareVersions(&Run, &nUpToDate);
    QZ_PROCESS_ERROR(nRetCode);
    nResult = nUpToDate;
    QZ_PROCESS_ERROR(!nUpToDate);

    nRetCode = ReadPublication(&Run);
    QZ_PROCESS_ERROR(nRetCode);

    nRetCode = DownloadNewFile(&Run);
    QZ_PROCESS_ERROR(nRetCode);

    nRetCode = VerifyNewFile(&Run);
    QZ_PROCESS_ERROR(nRetCode);

    nResult = QZ_SwapInVerifiedFile(Run.hVerifiedFile, Run.strNewFileName.c_str(), Run.szApplicationName,
                                    Run.strOldFileName.c_str(), &Run.nKeepOldFile);
Exit0:
    CleanUp(&Run);
    return nResult;
}
