#include "selfupdate/folder_lock.h"

#include <windows.h>

#include <string>

#include "base/log.h"
#include "base/wide_text.h"

int QZ_TakeSelfUpdateLock(const char* cszFolder, void** phLock, int* pnHeld)
{
    int nResult = 0;
    DWORD dwLastError = 0;
    HANDLE hLock = INVALID_HANDLE_VALUE;
    std::string strLockFileName;

    QZLOG_PROCESS_ERROR(phLock && pnHeld && cszFolder);
    *phLock = NULL;
    *pnHeld = 0;

    // Hidden, so a player does not take it for part of the game; no other opener is
    // let in, not even to read it.
    strLockFileName = std::string(cszFolder) + QZ_SELF_UPDATE_LOCK_FILE_NAME;
    hLock = ::CreateFileW(QZ_Utf8ToWide(strLockFileName.c_str()).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0,
                          NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, NULL);
    dwLastError = ::GetLastError();
    if (hLock == INVALID_HANDLE_VALUE && dwLastError == ERROR_SHARING_VIOLATION)
    {
        *pnHeld = 1;
        goto Exit0;
    }
    if (hLock == INVALID_HANDLE_VALUE)
    {
        QZ_WriteLog(LOG_LEVEL_DEBUG, "Failed to open the self-update lock `%s`, Error Code %d.",
                    strLockFileName.c_str(), (int)dwLastError);
    }
    QZLOG_PROCESS_ERROR(hLock != INVALID_HANDLE_VALUE && "CreateFileW(lock file)");

    *phLock = hLock;
    nResult = 1;
Exit0:
    return nResult;
}
