// The launcher's self-update: fetch the update index, compare the newest version named
// there with our own FileVersion and, when ours is older, download the new launcher,
// verify it (its MD5 digest here; signature, size, SHA-256 and FileVersion through
// selfupdate/update_trust.h) and swap it in place of our own file. The running process
// goes on from the old file, moved aside; the new one takes effect at the next start.
#include "app/launcher_dialog.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "base/digest_stream.h"
#include "base/http_download.h"
#include "base/log.h"
#include "base/md5_file.h"
#include "base/text_compare.h"
#include "base/version_number.h"
#include "selfupdate/folder_lock.h"
#include "selfupdate/update_index.h"
#include "selfupdate/update_server.h"
#include "selfupdate/update_trust.h"

// The length checks compare an int with _countof(); the int is known positive there.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wsign-compare"

namespace
{

// The work files keep this name whatever the running launcher file is called.
const char  QZ_UPDATE_WORK_FILE_NAME[] = "ArdunLauncher.exe";
const char  QZ_UPDATE_NEW_FILE_SUFFIX[] = ".new";
const char  QZ_UPDATE_OLD_FILE_SUFFIX[] = ".tmp";

const int   QZ_MOVE_FILE_TRIES = 3;
const DWORD QZ_MOVE_FILE_PAUSE = 500;  // milliseconds, after every failed try

// Clears the attributes of a work file and deletes it; failures do not matter here
// (the old launcher file cannot be deleted while this process runs from it).
void RemoveWorkFile(const std::string& strFileName)
{
    if (strFileName.empty())
        return;
    ::SetFileAttributesA(strFileName.c_str(), FILE_ATTRIBUTE_NORMAL);
    remove(strFileName.c_str());
}

}  // namespace

int QZ_ArdunLauncherDlg::_SelfUpdateFunction(void* pvParam)
{
    int         nResult = 0;
    int         nRetCode = 0;
    int         nKeepOldFile = 0;
    int         nRemoveNewFile = 0;
    HANDLE      hFolderLock = NULL;
    HANDLE      hVerifiedFile = INVALID_HANDLE_VALUE;
    QZ_UpdateTrust Trust(&g_UpdateKeys);
    QZ_DownloadLimits IndexLimits = { g_uUpdateIndexMaxBytes, g_uUpdateIndexSeconds * 1000,
                                      g_uUpdateIdleSeconds * 1000 };
    QZ_DownloadLimits FileLimits = { g_uUpdateFileMaxBytes, g_uUpdateFileSeconds * 1000,
                                     g_uUpdateIdleSeconds * 1000 };
    char*       pchLastSlash = NULL;
    char        szApplicationName[MAX_PATH];
    char        szBuffer[MAX_PATH];
    char        szMD5[64];
    char        szFileMD5[QZ_MD5_TEXT_BUFFER_SIZE];
    std::string strLastestVersion;
    std::string strApplicationPath;
    std::string strNewFileName;
    std::string strOldFileName;
    std::string strIndexFileName;
    std::string strNewFileURL;
    std::string strSelfVersion;
    QZ_VersionNumber LastestVersion;
    QZ_VersionNumber SelfVersion;

    static_assert(sizeof(szFileMD5) == sizeof(szMD5), "both digest buffers hold 64 characters");

    nRetCode = (int)::GetModuleFileNameA(NULL, szApplicationName, _countof(szApplicationName));
    QZLOG_PROCESS_ERROR(nRetCode > 0);
    QZLOG_PROCESS_ERROR(nRetCode < _countof(szApplicationName));

    // A module path always has a folder; without one there is nothing to update.
    pchLastSlash = strrchr(szApplicationName, '\\');
    QZ_PROCESS_ERROR(pchLastSlash);
    strApplicationPath.assign(szApplicationName, pchLastSlash + 1);

    // One self-update at a time per folder: the work files have fixed names. A second
    // launcher leaves them to the first and goes on without updating.
    nRetCode = QZ_TakeSelfUpdateLock(strApplicationPath.c_str(), &hFolderLock);
    QZLOG_PROCESS_ERROR(hFolderLock && "QZ_TakeSelfUpdateLock()");
    if (!nRetCode)
    {
        QZ_WriteLog(LOG_LEVEL_INFO, "Another launcher is updating the launcher in %s; this one skips its self-update.",
                    strApplicationPath.c_str());
        ::CloseHandle(hFolderLock);
        hFolderLock = NULL;
        nResult = 1;
        goto Exit0;
    }

    strNewFileName = strApplicationPath + QZ_UPDATE_WORK_FILE_NAME + QZ_UPDATE_NEW_FILE_SUFFIX;
    strOldFileName = strApplicationPath + QZ_UPDATE_WORK_FILE_NAME + QZ_UPDATE_OLD_FILE_SUFFIX;
    strIndexFileName = strApplicationPath + QZ_UPDATE_INDEX_NAME;

    nRetCode = QZ_HttpSyncDownloadFile((std::string(g_cszUpdateBaseURL) + QZ_UPDATE_INDEX_NAME).c_str(),
                                       strIndexFileName.c_str(), &IndexLimits);
    QZLOG_PROCESS_ERROR(nRetCode && "QZ_HttpSyncDownloadFile()");

    // No default: a missing section, key or value reads as length 0.
    nRetCode = QZ_ReadUpdateIndexValue(QZ_UPDATE_KEY_VERSION, szBuffer, _countof(szBuffer), strIndexFileName.c_str());
    QZLOG_PROCESS_ERROR(nRetCode > 0 && "Failed to get [SelfUpdate]LastestVersionNumber.");
    QZLOG_PROCESS_ERROR(nRetCode < _countof(szBuffer));

    strLastestVersion = szBuffer;
    nRetCode = LastestVersion.ParseString(szBuffer);
    QZLOG_PROCESS_ERROR(nRetCode && "LastestVersion.ParseString()");

    nRetCode = QZ_GetApplicationFileVersionNumber(szApplicationName, &strSelfVersion);
    QZLOG_PROCESS_ERROR(nRetCode && "QZ_GetApplicationFileVersionNumber()");

    nRetCode = SelfVersion.ParseString(strSelfVersion.c_str());
    QZLOG_PROCESS_ERROR(nRetCode && "SelfVersion.ParseString()");

    // Equal or newer than the index: up to date, never a downgrade.
    if (!(SelfVersion < LastestVersion))
    {
        nResult = 1;
        goto Exit0;
    }

    nRetCode = QZ_ReadUpdateIndexValue(QZ_UPDATE_KEY_FILE_NAME, szBuffer, _countof(szBuffer), strIndexFileName.c_str());
    QZLOG_PROCESS_ERROR(nRetCode > 0 && "Failed to get [SelfUpdate]FileName.");
    QZLOG_PROCESS_ERROR(nRetCode < _countof(szBuffer));

    // The name is appended as it stands, without escaping.
    strNewFileURL = std::string(g_cszUpdateBaseURL) + szBuffer;

    nRetCode = QZ_ReadUpdateIndexValue(QZ_UPDATE_KEY_FILE_MD5, szMD5, _countof(szMD5), strIndexFileName.c_str());
    QZLOG_PROCESS_ERROR(nRetCode > 0 && "Failed to get [SelfUpdate]FileMD5.");
    QZLOG_PROCESS_ERROR(nRetCode < _countof(szMD5));

    // A build with update keys takes only an index signed with one of them, over what
    // decides what is installed; checked before anything but the index is downloaded.
    nRetCode = Trust.CheckIndex(strIndexFileName.c_str(), strLastestVersion.c_str(), szBuffer, szMD5);
    QZ_PROCESS_ERROR(nRetCode);

    FileLimits.uMaxBytes = Trust.FileSizeCap(FileLimits.uMaxBytes);
    nRetCode = QZ_HttpSyncDownloadFile(strNewFileURL.c_str(), strNewFileName.c_str(), &FileLimits);
    QZLOG_PROCESS_ERROR(nRetCode && "QZ_HttpSyncDownloadFile()");

    // From the digests to the rename nobody may write to the new file, and the digests
    // read it through this handle: the bytes that are verified are the bytes moved in.
    hVerifiedFile = ::CreateFileA(strNewFileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, NULL,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    QZLOG_PROCESS_ERROR(hVerifiedFile != INVALID_HANDLE_VALUE && "CreateFile()");

    {
        QZ_FileHandleSource VerifiedFile(hVerifiedFile);
        nRetCode = MakeFileMD5(szFileMD5, &VerifiedFile);
    }
    QZLOG_PROCESS_ERROR(nRetCode && "MakeFileMD5()");

    nRetCode = QZ_CompareNoCaseASCII(szMD5, szFileMD5);
    QZLOG_PROCESS_ERROR(nRetCode == 0);

    nRetCode = Trust.CheckFile(hVerifiedFile, strNewFileName.c_str(), LastestVersion, &nRemoveNewFile);
    QZ_PROCESS_ERROR(nRetCode);

    // The running program's file may be renamed, not replaced: move it aside first.
    nRetCode = _MoveFile(szApplicationName, strOldFileName.c_str());
    QZLOG_PROCESS_ERROR(nRetCode && "_MoveFile()");

    nRetCode = _MoveVerifiedFileIn(hVerifiedFile, strNewFileName.c_str(), szApplicationName);
    if (nRetCode)
    {
        nResult = 1;
        goto Exit0;
    }

    // Put the old launcher back under its own name. Should that fail too, the file
    // moved aside is the only launcher left, so the clean-up must not delete it.
    nRetCode = _MoveFile(strOldFileName.c_str(), szApplicationName);
    nKeepOldFile = !nRetCode;
    QZLOG_PROCESS_ERROR(false && "_MoveFile()");

Exit0:
    if (hVerifiedFile != INVALID_HANDLE_VALUE)
    {
        ::CloseHandle(hVerifiedFile);
        hVerifiedFile = INVALID_HANDLE_VALUE;
    }
    if (nRemoveNewFile)
        RemoveWorkFile(strNewFileName);
    RemoveWorkFile(strIndexFileName);
    if (!nKeepOldFile)
        RemoveWorkFile(strOldFileName);
    if (hFolderLock)
    {
        ::ReleaseMutex(hFolderLock);
        ::CloseHandle(hFolderLock);
        hFolderLock = NULL;
    }
    return nResult;
}

int QZ_ArdunLauncherDlg::_MoveVerifiedFileIn(void* hVerifiedFile, const char* cszSource, const char* cszDestination)
{
    int nResult = 0;
    int nRetCode = 0;
    QZ_FileIdentity VerifiedFile;
    QZ_FileIdentity MovedInFile;

    // Taken before the move: a handle's volume is not always known once its file is renamed.
    nRetCode = QZ_GetFileIdentity(hVerifiedFile, &VerifiedFile);
    QZLOG_PROCESS_ERROR(nRetCode && "QZ_GetFileIdentity()");

    nRetCode = _MoveFile(cszSource, cszDestination);
    QZ_PROCESS_ERROR(nRetCode);

    // Whoever can rename files in the folder could have put another file under the
    // source's name since it was verified.
    nRetCode = QZ_GetNamedFileIdentity(cszDestination, &MovedInFile);
    QZLOG_PROCESS_ERROR(nRetCode && "QZ_GetNamedFileIdentity()");
    nRetCode = QZ_IsSameFile(VerifiedFile, MovedInFile);
    QZLOG_PROCESS_ERROR(nRetCode && "The file moved in is not the verified file.");

    nResult = 1;
Exit0:
    return nResult;
}

int QZ_ArdunLauncherDlg::_MoveFile(const char* cszSource, const char* cszDestination)
{
    int   nResult = 0;
    int   nRetCode = 0;
    DWORD dwLastError = 0;

    // A read-only or hidden destination would refuse to be replaced. It need not exist.
    ::SetFileAttributesA(cszDestination, FILE_ATTRIBUTE_NORMAL);

    for (int nTry = 0; nTry < QZ_MOVE_FILE_TRIES; ++nTry)
    {
        // Written through: the swap is on disk before the procedure says it is done.
        nRetCode = ::MoveFileExA(cszSource, cszDestination, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        if (nRetCode)
        {
            nResult = 1;
            goto Exit0;
        }
        // Kept at once: the pause and the log may change the thread's last error.
        dwLastError = ::GetLastError();
        ::Sleep(QZ_MOVE_FILE_PAUSE);
    }
    QZLOG_PROCESS_ERROR(false);

Exit0:
    if (!nResult)
    {
        QZ_WriteLog(LOG_LEVEL_DEBUG, "Failed to move file `%s` to `%s`, Error code : %d.", cszSource, cszDestination,
                    (int)dwLastError);
    }
    return nResult;
}

#pragma GCC diagnostic pop
