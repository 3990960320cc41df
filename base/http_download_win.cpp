#include "base/http_download.h"

#include <windows.h>
#include <wininet.h>

#include <io.h>

#include <algorithm>
#include <cstdio>

#include "base/http_transfer.h"
#include "base/log.h"
#include "base/wininet_library.h"

namespace
{

const char  QZ_HTTP_USER_AGENT[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)";
const char  QZ_HTTP_HEADERS[] = "Accept: */*\r\n\r\n";
const DWORD QZ_HTTP_RECEIVE_TIMEOUT = 10000;  // milliseconds

// Always from the origin server: no cached answer, nothing written to the cache, and
// proxies asked not to answer from theirs.
const DWORD QZ_HTTP_REQUEST_FLAGS =
    INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE;
static_assert(QZ_HTTP_REQUEST_FLAGS == 0x84000100, "request flags");
static_assert(INTERNET_OPTION_RECEIVE_TIMEOUT == 6, "receive time-out option");

// Milliseconds from dwNow until dwStart + dwLimit (0 once passed); INFINITE without a
// limit.
DWORD TimeLeft(DWORD dwStart, unsigned int uLimit, DWORD dwNow)
{
    if (!uLimit)
        return INFINITE;
    DWORD dwPassed = dwNow - dwStart;
    return dwPassed >= uLimit ? 0 : uLimit - dwPassed;
}

}  // namespace

int QZ_HttpOpenDownloadSession(void** phSession)
{
    DWORD dwTimeOut = QZ_HTTP_RECEIVE_TIMEOUT;
    QZ_WinInetFunctions* pWinInet = QZ_GetWinInet();
    HINTERNET hSession = NULL;

    *phSession = NULL;
    if (!pWinInet)
        return 0;
    hSession = pWinInet->pfnInternetOpenA(QZ_HTTP_USER_AGENT, INTERNET_OPEN_TYPE_PRECONFIG, NULL, NULL, 0);
    *phSession = hSession;
    if (!hSession)
        return 0;
    return pWinInet->pfnInternetSetOptionA(hSession, INTERNET_OPTION_RECEIVE_TIMEOUT, &dwTimeOut, sizeof(dwTimeOut))
               ? 1
               : 0;
}

int QZ_HttpSyncDownloadFile(const char* cszFileURL, const char* cszFileName, const QZ_DownloadLimits* pLimits)
{
    int       nResult = 0;
    int       nRetCode = 0;
    QZ_WinInetFunctions* pWinInet = NULL;
    HINTERNET hSession = NULL;
    HINTERNET hInternetFile = NULL;
    QZ_HttpTransfer* pTransfer = NULL;
    QZ_HttpTransferState State;
    QZ_DownloadLimits Limits = {};
    FILE*     fpLocalFile = NULL;
    DWORD     dwStatusCode = 0;
    DWORD     dwReadSize = 0;
    DWORD     dwTotalReadSize = 0;
    DWORD     dwTotalFileSize = 0;
    DWORD     dwStart = 0;
    DWORD     dwLastByte = 0;
    DWORD     dwNow = 0;
    DWORD     dwWait = 0;

    QZLOG_PROCESS_ERROR(cszFileURL);
    QZLOG_PROCESS_ERROR(cszFileURL[0]);
    QZLOG_PROCESS_ERROR(cszFileName);
    QZLOG_PROCESS_ERROR(cszFileName[0]);
    if (pLimits)
        Limits = *pLimits;

    pWinInet = QZ_GetWinInet();
    QZLOG_PROCESS_ERROR(pWinInet && "LoadLibrary(wininet.dll)");

    nRetCode = QZ_HttpOpenDownloadSession(&hSession);
    QZLOG_PROCESS_ERROR(hSession);
    QZLOG_PROCESS_ERROR(nRetCode && "InternetSetOption()");

    // The request runs on its own thread, which owns the session from here on; this
    // thread keeps the clock and the file.
    dwStart = GetTickCount();
    dwLastByte = dwStart;
    pTransfer = QZ_StartHttpTransfer(hSession, cszFileURL, QZ_HTTP_HEADERS, QZ_HTTP_REQUEST_FLAGS, Limits.uMaxBytes);
    QZLOG_PROCESS_ERROR(pTransfer && "QZ_StartHttpTransfer()");
    hSession = NULL;

    while (true)
    {
        dwNow = GetTickCount();
        dwWait = TimeLeft(dwLastByte, Limits.uIdleMilliseconds, dwNow);
        dwWait = std::min(dwWait, TimeLeft(dwStart, Limits.uMaxMilliseconds, dwNow));
        QZ_TakeHttpTransferState(pTransfer, dwWait, &State);
        dwNow = GetTickCount();

        if (State.eStage == QZ_HTTP_TRANSFER_FAILED)
        {
            // The failed call's own result and error, as if it had been made here.
            SetLastError(State.dwLastError);
            nRetCode = 0;
            hInternetFile = State.hRequest;
            if (State.eFailedCall == QZ_HTTP_CALL_OPEN_URL)
                QZLOG_PROCESS_ERROR(hInternetFile);
            if (State.eFailedCall == QZ_HTTP_CALL_QUERY_STATUS)
                QZLOG_PROCESS_ERROR(nRetCode && "HttpQueryInfo()");
            if (State.eFailedCall == QZ_HTTP_CALL_QUERY_URL)
                QZLOG_PROCESS_ERROR(nRetCode && "InternetQueryOption(INTERNET_OPTION_URL)");
            QZLOG_PROCESS_ERROR(State.eFailedCall != QZ_HTTP_CALL_TO_HTTP && "Redirect from https:// to http://.");
            QZLOG_PROCESS_ERROR(State.eFailedCall != QZ_HTTP_CALL_MEMORY && "Out of memory.");
            QZLOG_PROCESS_ERROR(nRetCode && "InternetReadFile()");
        }

        // The answer's head: refuse anything but 200, and a declared length over the
        // limit, before a byte is stored.
        if (State.eStage != QZ_HTTP_TRANSFER_CONNECTING && !fpLocalFile)
        {
            dwStatusCode = State.dwStatusCode;
            if (dwStatusCode != HTTP_STATUS_OK)
            {
                QZ_WriteLog(LOG_LEVEL_DEBUG, "Response status code : %d\n", (int)dwStatusCode);
                QZLOG_PROCESS_ERROR(false);
            }
            if (Limits.uMaxBytes && State.nLengthDeclared && State.dwDeclaredLength > Limits.uMaxBytes)
            {
                QZ_WriteLog(LOG_LEVEL_DEBUG, "Download size limit: %lu bytes declared, at most %u allowed.",
                            (unsigned long)State.dwDeclaredLength, Limits.uMaxBytes);
                QZLOG_PROCESS_ERROR(false && "Size limit.");
            }

            // A read-only file of that name would make the open fail; the download replaces it.
            SetFileAttributesA(cszFileName, FILE_ATTRIBUTE_NORMAL);
            fpLocalFile = fopen(cszFileName, "wb");
            QZLOG_PROCESS_ERROR(fpLocalFile);
        }

        dwReadSize = (DWORD)State.Received.size();
        if (dwReadSize)
        {
            dwLastByte = dwNow;
            if (Limits.uMaxBytes && dwReadSize > Limits.uMaxBytes - dwTotalReadSize)
            {
                QZ_WriteLog(LOG_LEVEL_DEBUG, "Download size limit: more than %u bytes received.", Limits.uMaxBytes);
                QZLOG_PROCESS_ERROR(false && "Size limit.");
            }
            nRetCode = (int)fwrite(State.Received.data(), 1, dwReadSize, fpLocalFile);
            QZLOG_PROCESS_ERROR(nRetCode == (int)dwReadSize);
            dwTotalReadSize += dwReadSize;
        }

        if (State.eStage == QZ_HTTP_TRANSFER_COMPLETE)
            break;

        if (Limits.uIdleMilliseconds && dwNow - dwLastByte >= Limits.uIdleMilliseconds)
        {
            QZ_WriteLog(LOG_LEVEL_DEBUG, "Download idle time limit: no byte received for %u s.",
                        Limits.uIdleMilliseconds / 1000);
            QZLOG_PROCESS_ERROR(false && "Idle time limit.");
        }
        if (Limits.uMaxMilliseconds && dwNow - dwStart >= Limits.uMaxMilliseconds)
        {
            QZ_WriteLog(LOG_LEVEL_DEBUG, "Download time limit: not complete within %u s.",
                        Limits.uMaxMilliseconds / 1000);
            QZLOG_PROCESS_ERROR(false && "Time limit.");
        }
    }

    // Without a declared length (a chunked body) the end of the body is the end.
    if (State.nLengthDeclared)
    {
        dwTotalFileSize = State.dwDeclaredLength;
        QZLOG_PROCESS_ERROR((dwTotalFileSize == dwTotalReadSize) && "Incomplete file.");
    }

    // The whole body is on the disk before the file is closed, so a power loss right
    // after the launcher swaps this file in cannot leave a truncated program behind.
    nRetCode = fflush(fpLocalFile);
    QZLOG_PROCESS_ERROR((nRetCode == 0) && "fflush()");
    nRetCode = _commit(_fileno(fpLocalFile));
    QZLOG_PROCESS_ERROR((nRetCode == 0) && "_commit()");

    // A failure to close would leave a short file behind a reported success.
    nRetCode = fclose(fpLocalFile);
    fpLocalFile = NULL;
    QZLOG_PROCESS_ERROR((nRetCode == 0) && "fclose()");

    nResult = 1;
Exit0:
    if (!nResult && cszFileURL && cszFileName)
    {
        QZ_WriteLog(LOG_LEVEL_DEBUG, "Failed to download `%s`, save as `%s`, Error Code %d.", cszFileURL,
                    cszFileName, (int)GetLastError());
    }
    if (fpLocalFile)
    {
        fclose(fpLocalFile);
        fpLocalFile = NULL;
    }
    if (!nResult && cszFileName && cszFileName[0])
    {
        SetFileAttributesA(cszFileName, FILE_ATTRIBUTE_NORMAL);
        remove(cszFileName);
    }
    if (pTransfer)
    {
        QZ_ReleaseHttpTransfer(pTransfer);
        pTransfer = NULL;
    }
    if (hSession)
    {
        pWinInet->pfnInternetCloseHandle(hSession);
        hSession = NULL;
    }
    return nResult;
}
