#include "selfupdate/folder_lock.h"

#include <windows.h>

#include <cstdio>

#include "base/log.h"

namespace
{

// Names the lock that lets one self-update at a time work in a launcher folder.
const char QZ_UPDATE_LOCK_PREFIX[] = "Local\\ArdunLauncherSelfUpdate-";

}  // namespace

int QZ_TakeSelfUpdateLock(const char* cszFolder, void** phLock)
{
    int nResult = 0;
    int nRetCode = 0;
    HANDLE hFolder = INVALID_HANDLE_VALUE;
    HANDLE hLock = NULL;
    BY_HANDLE_FILE_INFORMATION Information;
    char szName[sizeof(QZ_UPDATE_LOCK_PREFIX) + 3 * 8 + 2];
    DWORD dwWait = 0;

    QZLOG_PROCESS_ERROR(phLock);
    *phLock = NULL;
    QZLOG_PROCESS_ERROR(cszFolder);

    // The folder's identity, whatever the spelling of its path (short names, links,
    // substituted drives): the volume's serial number and the folder's file index. A
    // folder opens only with backup semantics; no access right is needed.
    hFolder = ::CreateFileA(cszFolder, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL);
    QZLOG_PROCESS_ERROR(hFolder != INVALID_HANDLE_VALUE && "CreateFileA(folder)");
    nRetCode = ::GetFileInformationByHandle(hFolder, &Information);
    QZLOG_PROCESS_ERROR(nRetCode && "GetFileInformationByHandle()");

    nRetCode = snprintf(szName, sizeof(szName), "%s%08lx-%08lx%08lx", QZ_UPDATE_LOCK_PREFIX,
                        (unsigned long)Information.dwVolumeSerialNumber, (unsigned long)Information.nFileIndexHigh,
                        (unsigned long)Information.nFileIndexLow);
    QZLOG_PROCESS_ERROR(nRetCode > 0 && nRetCode < (int)sizeof(szName));

    hLock = ::CreateMutexA(NULL, FALSE, szName);
    if (!hLock && ::GetLastError() == ERROR_ACCESS_DENIED)
    {
        // The lock exists but may not be opened: a launcher of another user or an
        // elevated one holds it. That counts as held. The caller gets the folder's
        // handle to close instead of the lock's.
        *phLock = hFolder;
        hFolder = INVALID_HANDLE_VALUE;
        goto Exit0;
    }
    QZLOG_PROCESS_ERROR(hLock && "CreateMutexA()");
    *phLock = hLock;

    // An abandoned lock (a launcher that died while updating) is ours now.
    dwWait = ::WaitForSingleObject(hLock, 0);
    QZLOG_PROCESS_ERROR(dwWait != WAIT_FAILED && "WaitForSingleObject()");
    nResult = dwWait == WAIT_OBJECT_0 || dwWait == WAIT_ABANDONED;
Exit0:
    if (phLock && !*phLock && cszFolder)
    {
        QZ_WriteLog(LOG_LEVEL_DEBUG, "Failed to take the self-update lock of `%s`, Error Code %d.", cszFolder,
                    (int)GetLastError());
    }
    if (hFolder != INVALID_HANDLE_VALUE)
    {
        ::CloseHandle(hFolder);
        hFolder = INVALID_HANDLE_VALUE;
    }
    return nResult;
}
