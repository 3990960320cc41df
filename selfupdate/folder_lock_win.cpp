#include "selfupdate/folder_lock.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "base/md5.h"

namespace
{

// Names the lock that lets one self-update at a time work in a launcher folder.
const char QZ_UPDATE_LOCK_PREFIX[] = "Local\\ArdunLauncherSelfUpdate-";

}  // namespace

int QZ_TakeSelfUpdateLock(const char* cszFolder, void** phLock)
{
    char szFullPath[MAX_PATH];
    unsigned char byDigest[QZ_MD5_DIGEST_SIZE];
    char szDigit[3];
    QZ_MD5Context Context;
    DWORD dwLength = ::GetFullPathNameA(cszFolder, _countof(szFullPath), szFullPath, NULL);
    DWORD dwWait = 0;
    std::string strName;

    *phLock = NULL;
    if (dwLength == 0 || dwLength >= _countof(szFullPath))
        return 0;
    ::CharLowerBuffA(szFullPath, dwLength);
    QZ_MD5Init(&Context);
    QZ_MD5Update(&Context, szFullPath, dwLength);
    QZ_MD5Final(byDigest, &Context);
    strName = QZ_UPDATE_LOCK_PREFIX;
    for (unsigned char byValue : byDigest)
    {
        snprintf(szDigit, sizeof(szDigit), "%02x", byValue);
        strName += szDigit;
    }

    *phLock = ::CreateMutexA(NULL, FALSE, strName.c_str());
    if (!*phLock)
        return 0;
    // An abandoned lock (a launcher that died while updating) is ours now.
    dwWait = ::WaitForSingleObject(*phLock, 0);
    return dwWait == WAIT_OBJECT_0 || dwWait == WAIT_ABANDONED;
}
