// The request runs on a thread of its own, which also writes the body to the file that the
// calling thread opens; the calling thread keeps the clock. A blocked WinINet call cannot
// be relied on to end: Wine applies no receive time-out, and there closing the handles
// from another thread ends neither a blocked InternetOpenUrlA nor a blocked
// InternetReadFile. So the caller may give the request up at any moment and return. The
// request's thread writes only under a lock while the request is wanted, and ends when
// its call returns; it alone uses its WinINet handles and closes them, so no later request
// can be given a handle value that it still uses.
#include "base/http_download.h"

#include <windows.h>
#include <wininet.h>

#include <io.h>
#include <process.h>
#include <string.h>

#include <cstdio>
#include <new>
#include <string>

#include "base/log.h"
#include "base/text_compare.h"
#include "base/wide_text.h"
#include "base/wininet_library.h"

namespace
{

const char  QZ_HTTP_USER_AGENT[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)";
const char  QZ_HTTP_HEADERS[] = "Accept: */*\r\n\r\n";
const DWORD QZ_HTTP_RECEIVE_TIMEOUT = 10000;  // milliseconds
static_assert(INTERNET_OPTION_RECEIVE_TIMEOUT == 6, "receive time-out option");

// No cached answer, nothing written to the cache, proxies asked not to answer from
// theirs. A redirect from http:// to https:// is followed (WinINet stops at one unless
// told), so that an update server can move to https:// under the launchers installed.
const DWORD QZ_HTTP_REQUEST_FLAGS = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                    INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS;
static_assert(QZ_HTTP_REQUEST_FLAGS == 0x84004100, "request flags");

const DWORD QZ_HTTP_READ_SIZE = 65536;

// A read returns only once its buffer is full or the body has ended. So a read asks for
// what has arrived (InternetQueryDataAvailable), and no byte waits for later ones; but
// once this much is found at once the body streams, and reads ask for whole buffers (the
// reads InternetQueryDataAvailable allows, 8 KiB under Wine, cost a system call each)
// until one comes back short or takes longer than QZ_HTTP_STREAMING_READ_LIMIT.
const DWORD QZ_HTTP_STREAMING_BYTES = 4096;
const DWORD QZ_HTTP_STREAMING_READ_LIMIT = 100;  // milliseconds

// Check-and-bail in the steps of the download: their lines name the download.
#define QZ_DOWNLOAD_CHECK(Condition) QZLOG_PROCESS_ERROR_AS(Condition, #Condition, "QZ_HttpSyncDownloadFile")

// What the calling thread learns of the request.
struct QZ_HttpRequestState
{
    DWORD dwStatusCode;  // the answer's head
    int nLengthDeclared;
    DWORD dwDeclaredLength;
    DWORD dwLastByte;            // GetTickCount() when the last byte came in (the head's included)
    DWORD dwTotalReadSize;       // bytes of the body written
    const char* cszFailedCheck;  // the request failed: the check that names the cause,
    DWORD dwLastError;           // with the failed call's error
};

// Shared by the calling thread and the request's thread; each holds one reference.
struct QZ_HttpRequest
{
    LONG lReferences;
    CRITICAL_SECTION Lock;  // over State, and nAbandoned once the body is being written
    HANDLE hReached[2];     // manual-reset events: the head is known; the body has ended (or failed)
    HANDLE hGoOn;           // manual-reset event: the caller lets the body be written, or gives up
    volatile int nAbandoned;
    FILE* fpFile;
    QZ_HttpRequestState State;
    QZ_WinInetFunctions* pWinInet;
    HINTERNET hSession;
    std::string strURL;
    unsigned int uMaxBytes;
    BYTE byBuffer[QZ_HTTP_READ_SIZE];
};

void Release(QZ_HttpRequest* pRequest)
{
    if (InterlockedDecrement(&pRequest->lReferences) != 0)
        return;
    for (HANDLE hEvent : {pRequest->hReached[0], pRequest->hReached[1], pRequest->hGoOn})
        if (hEvent)
            CloseHandle(hEvent);
    DeleteCriticalSection(&pRequest->Lock);
    delete pRequest;
}

// The answer's head into *pHead; else the check that failed, the error left as the last
// one. An https:// request must not end at an http:// URL, which WinINet follows silently.
const char* ReadHead(QZ_HttpRequest* pRequest, HINTERNET hRequest, QZ_HttpRequestState* pHead)
{
    QZ_WinInetFunctions* pWinInet = pRequest->pWinInet;
    char* szURL = (char*)pRequest->byBuffer;
    DWORD dwSize = sizeof(pHead->dwStatusCode);

    if (!pWinInet->pfnHttpQueryInfoA(hRequest, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &pHead->dwStatusCode,
                                     &dwSize, NULL))
        return "nRetCode && \"HttpQueryInfo()\"";
    dwSize = QZ_HTTP_READ_SIZE;
    if (QZ_StartsWithNoCaseASCII(pRequest->strURL.c_str(), "https://"))
    {
        if (!pWinInet->pfnInternetQueryOptionA(hRequest, INTERNET_OPTION_URL, szURL, &dwSize))
            return "nRetCode && \"InternetQueryOption(INTERNET_OPTION_URL)\"";
        SetLastError(ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR);
        if (!QZ_StartsWithNoCaseASCII(szURL, "https://"))
            return "nRetCode && \"Redirect from https:// to http://.\"";
    }
    // Without a declared length (a chunked body) the end of the body is the end.
    dwSize = sizeof(pHead->dwDeclaredLength);
    pHead->nLengthDeclared = pWinInet->pfnHttpQueryInfoA(hRequest, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER,
                                                         &pHead->dwDeclaredLength, &dwSize, NULL);
    return NULL;
}

// Reads what has arrived, or while the body streams (*pnStreaming) a whole dwRoom bytes.
BOOL ReadSome(QZ_WinInetFunctions* pWinInet, HINTERNET hRequest, BYTE* pbyBuffer, DWORD dwRoom, int* pnStreaming,
              DWORD* pdwReadSize)
{
    DWORD dwAvailable = 0;
    DWORD dwStart = GetTickCount();
    BOOL bRead = FALSE;

    if (!*pnStreaming && !pWinInet->pfnInternetQueryDataAvailable(hRequest, &dwAvailable, 0, 0))
        return FALSE;
    if (dwAvailable && dwAvailable < dwRoom)
        dwRoom = dwAvailable;
    bRead = pWinInet->pfnInternetReadFile(hRequest, pbyBuffer, dwRoom, pdwReadSize);
    *pnStreaming = *pnStreaming ? bRead && *pdwReadSize == dwRoom &&
                                      GetTickCount() - dwStart <= QZ_HTTP_STREAMING_READ_LIMIT
                                : dwAvailable >= QZ_HTTP_STREAMING_BYTES;
    return bRead;
}

// Writes what a read brought to the caller's file, under the lock and only while the
// request is wanted. Returns 0 when the body is to end here.
int WriteBody(QZ_HttpRequest* pRequest, BOOL bRead, DWORD dwReadSize)
{
    QZ_HttpRequestState& rState = pRequest->State;
    int nGoOn = 0;

    EnterCriticalSection(&pRequest->Lock);
    if (!pRequest->nAbandoned && !bRead)
        rState.cszFailedCheck = "nRetCode && \"InternetReadFile()\"";
    else if (!pRequest->nAbandoned && fwrite(pRequest->byBuffer, 1, dwReadSize, pRequest->fpFile) != dwReadSize)
        rState.cszFailedCheck = "nRetCode == (int)dwReadSize";
    else if (!pRequest->nAbandoned && dwReadSize)
    {
        rState.dwTotalReadSize += dwReadSize;
        rState.dwLastByte = GetTickCount();
        nGoOn = 1;
    }
    rState.dwLastError = GetLastError();
    LeaveCriticalSection(&pRequest->Lock);
    return nGoOn;
}

// The request's thread: the request and its head; then, once the caller lets it, the
// body, until it ends, a call fails, one byte past the cap has come in or the request is
// given up. Then it closes its handles.
unsigned int __stdcall RunRequest(void* pvRequest)
{
    QZ_HttpRequest* pRequest = (QZ_HttpRequest*)pvRequest;
    QZ_WinInetFunctions* pWinInet = pRequest->pWinInet;
    HINTERNET hRequest = pWinInet->pfnInternetOpenUrlA(pRequest->hSession, pRequest->strURL.c_str(), QZ_HTTP_HEADERS,
                                                       (DWORD)-1, QZ_HTTP_REQUEST_FLAGS, 0);
    QZ_HttpRequestState Head = {};
    unsigned long long ullLeft = pRequest->uMaxBytes ? pRequest->uMaxBytes + 1ULL : ~0ULL;
    int nStreaming = 0;
    DWORD dwReadSize = 0;
    BOOL bRead = FALSE;

    Head.cszFailedCheck = hRequest ? ReadHead(pRequest, hRequest, &Head) : "hInternetFile";
    Head.dwLastError = GetLastError();
    Head.dwLastByte = GetTickCount();
    EnterCriticalSection(&pRequest->Lock);
    pRequest->State = Head;
    LeaveCriticalSection(&pRequest->Lock);
    SetEvent(pRequest->hReached[0]);

    WaitForSingleObject(pRequest->hGoOn, INFINITE);
    while (!Head.cszFailedCheck && !pRequest->nAbandoned && ullLeft > 0)
    {
        bRead = ReadSome(pWinInet, hRequest, pRequest->byBuffer,
                         ullLeft < QZ_HTTP_READ_SIZE ? (DWORD)ullLeft : QZ_HTTP_READ_SIZE, &nStreaming, &dwReadSize);
        if (!WriteBody(pRequest, bRead, dwReadSize))
            break;
        ullLeft -= dwReadSize;
    }
    SetEvent(pRequest->hReached[1]);
    if (hRequest)
        pWinInet->pfnInternetCloseHandle(hRequest);
    pWinInet->pfnInternetCloseHandle(pRequest->hSession);
    Release(pRequest);
    return 0;
}

// Starts the request for cszURL on a new thread, which then owns hSession; with uMaxBytes
// (0: none) it stops one byte past that. NULL when it could not start.
QZ_HttpRequest* StartRequest(HINTERNET hSession, const char* cszURL, unsigned int uMaxBytes)
{
    QZ_HttpRequest* pRequest = new (std::nothrow) QZ_HttpRequest();
    HANDLE hThread = NULL;

    if (!pRequest)
        return NULL;
    InitializeCriticalSection(&pRequest->Lock);
    pRequest->lReferences = 2;
    pRequest->hReached[0] = CreateEventA(NULL, TRUE, FALSE, NULL);
    pRequest->hReached[1] = CreateEventA(NULL, TRUE, FALSE, NULL);
    pRequest->hGoOn = CreateEventA(NULL, TRUE, FALSE, NULL);
    pRequest->pWinInet = QZ_GetWinInet();
    pRequest->hSession = hSession;
    pRequest->strURL = cszURL;
    pRequest->uMaxBytes = uMaxBytes;
    if (pRequest->hReached[0] && pRequest->hReached[1] && pRequest->hGoOn && pRequest->pWinInet)
        hThread = (HANDLE)_beginthreadex(NULL, 0, RunRequest, pRequest, 0, NULL);
    if (!hThread)
    {
        pRequest->lReferences = 1;
        Release(pRequest);
        return NULL;
    }
    CloseHandle(hThread);
    return pRequest;
}

// Gives the request up if it still runs: from here on its thread writes nothing and reads
// no further.
void ReleaseRequest(QZ_HttpRequest* pRequest)
{
    if (!pRequest)
        return;
    EnterCriticalSection(&pRequest->Lock);
    pRequest->nAbandoned = 1;
    LeaveCriticalSection(&pRequest->Lock);
    SetEvent(pRequest->hGoOn);
    Release(pRequest);
}

// Milliseconds from dwNow until dwSince + uLimit (0 once passed); INFINITE without a limit.
DWORD TimeLeft(DWORD dwSince, unsigned int uLimit, DWORD dwNow)
{
    if (!uLimit)
        return INFINITE;
    return dwNow - dwSince >= uLimit ? 0 : uLimit - (dwNow - dwSince);
}

// Waits for the answer's head (fpBody NULL), or lets the request write the body to fpBody
// and waits for its end, within the time limits counted from dwStart and from the last
// byte. A limit passed ends the download, and so does a failed request, with the check
// that names the cause and the failed call's error.
int WaitWithinLimits(QZ_HttpRequest* pRequest, const QZ_DownloadLimits& rLimits, DWORD dwStart, FILE* fpBody,
                     QZ_HttpRequestState* pState)
{
    int nResult = 0;
    DWORD dwIdleLeft = 0;
    DWORD dwTimeLeft = 0;

    pRequest->fpFile = fpBody;  // read by the request's thread only after hGoOn
    if (fpBody)
        SetEvent(pRequest->hGoOn);
    do
    {
        dwIdleLeft = TimeLeft(pState->dwLastByte, rLimits.uIdleMilliseconds, GetTickCount());
        dwTimeLeft = TimeLeft(dwStart, rLimits.uMaxMilliseconds, GetTickCount());
        nResult = WaitForSingleObject(pRequest->hReached[fpBody ? 1 : 0],
                                      dwIdleLeft < dwTimeLeft ? dwIdleLeft : dwTimeLeft) == WAIT_OBJECT_0;
        EnterCriticalSection(&pRequest->Lock);
        *pState = pRequest->State;
        LeaveCriticalSection(&pRequest->Lock);
    } while (!nResult && dwIdleLeft && dwTimeLeft);

    if (nResult && pState->cszFailedCheck)
    {
        QZ_LogProcessError(pState->cszFailedCheck, __LINE__, "QZ_HttpSyncDownloadFile");
        SetLastError(pState->dwLastError);
        nResult = 0;
        goto Exit0;
    }
    if (!nResult && !dwIdleLeft)
    {
        QZ_WriteLog(LOG_LEVEL_DEBUG, "Download idle time limit: no byte received for %u s.",
                    rLimits.uIdleMilliseconds / 1000);
        QZ_DOWNLOAD_CHECK(false && "Idle time limit.");
    }
    if (!nResult && !dwTimeLeft)
    {
        QZ_WriteLog(LOG_LEVEL_DEBUG, "Download time limit: not complete within %u s.", rLimits.uMaxMilliseconds / 1000);
        QZ_DOWNLOAD_CHECK(false && "Time limit.");
    }
Exit0:
    return nResult;
}

// The whole body, as long as declared, on the disk before the file is closed: a power
// loss right after the launcher swaps this file in cannot leave a truncated program. A
// failure to close would leave a short file behind a reported success.
int FinishFile(FILE** pfpLocalFile, const QZ_HttpRequestState& rState)
{
    int nResult = 0;
    int nRetCode = 0;
    DWORD dwTotalFileSize = rState.dwDeclaredLength;
    DWORD dwTotalReadSize = rState.dwTotalReadSize;

    // Without a declared length (a chunked body) the end of the body is the end.
    if (rState.nLengthDeclared)
        QZ_DOWNLOAD_CHECK((dwTotalFileSize == dwTotalReadSize) && "Incomplete file.");
    nRetCode = fflush(*pfpLocalFile);
    QZ_DOWNLOAD_CHECK((nRetCode == 0) && "fflush()");
    nRetCode = _commit(_fileno(*pfpLocalFile));
    QZ_DOWNLOAD_CHECK((nRetCode == 0) && "_commit()");
    nRetCode = fclose(*pfpLocalFile);
    *pfpLocalFile = NULL;
    QZ_DOWNLOAD_CHECK((nRetCode == 0) && "fclose()");
    nResult = 1;
Exit0:
    return nResult;
}

}  // namespace

// The UTF-8 path reaches the file functions as UTF-16.
int QZ_HttpSyncDownloadFile(const char* cszFileURL, const char* cszFileName, const QZ_DownloadLimits* pLimits)
{
    int nResult = 0;
    int nRetCode = 0;
    QZ_WinInetFunctions* pWinInet = NULL;
    HINTERNET hSession = NULL;
    DWORD dwTimeOut = QZ_HTTP_RECEIVE_TIMEOUT;
    const QZ_DownloadLimits Limits = pLimits ? *pLimits : QZ_DownloadLimits();
    QZ_HttpRequest* pRequest = NULL;
    QZ_HttpRequestState State = {};
    DWORD dwStart = 0;
    std::wstring wstrFileName = QZ_Utf8ToWide(cszFileName);  // empty for NULL
    FILE* fpLocalFile = NULL;

    QZLOG_PROCESS_ERROR(cszFileURL);
    QZLOG_PROCESS_ERROR(cszFileURL[0]);
    QZLOG_PROCESS_ERROR(cszFileName);
    QZLOG_PROCESS_ERROR(cszFileName[0]);

    pWinInet = QZ_GetWinInet();
    QZLOG_PROCESS_ERROR(pWinInet && "LoadLibrary(wininet.dll)");
    hSession = pWinInet->pfnInternetOpenA(QZ_HTTP_USER_AGENT, INTERNET_OPEN_TYPE_PRECONFIG, NULL, NULL, 0);
    QZLOG_PROCESS_ERROR(hSession);
    nRetCode = pWinInet->pfnInternetSetOptionA(hSession, INTERNET_OPTION_RECEIVE_TIMEOUT, &dwTimeOut, sizeof(dwTimeOut));
    QZLOG_PROCESS_ERROR(nRetCode && "InternetSetOption()");

    dwStart = GetTickCount();
    State.dwLastByte = dwStart;
    pRequest = StartRequest(hSession, cszFileURL, Limits.uMaxBytes);
    QZLOG_PROCESS_ERROR(pRequest && "StartRequest()");
    hSession = NULL;  // the request's thread's from here on

    // Anything but 200, or a declared length over the cap, is refused before a byte is stored.
    QZ_PROCESS_ERROR(WaitWithinLimits(pRequest, Limits, dwStart, NULL, &State));
    if (State.dwStatusCode != HTTP_STATUS_OK)
    {
        QZ_WriteLog(LOG_LEVEL_DEBUG, "Response status code : %d\n", (int)State.dwStatusCode);
        QZLOG_PROCESS_ERROR(false);
    }
    if (Limits.uMaxBytes && State.nLengthDeclared && State.dwDeclaredLength > Limits.uMaxBytes)
    {
        QZ_WriteLog(LOG_LEVEL_DEBUG, "Download size limit: %lu bytes declared, at most %u allowed.",
                    (unsigned long)State.dwDeclaredLength, Limits.uMaxBytes);
        QZLOG_PROCESS_ERROR(false && "Size limit.");
    }
    // A read-only file of that name would make the open fail.
    SetFileAttributesW(wstrFileName.c_str(), FILE_ATTRIBUTE_NORMAL);
    fpLocalFile = _wfopen(wstrFileName.c_str(), L"wb");
    QZLOG_PROCESS_ERROR(fpLocalFile);

    QZ_PROCESS_ERROR(WaitWithinLimits(pRequest, Limits, dwStart, fpLocalFile, &State));
    if (Limits.uMaxBytes && State.dwTotalReadSize > Limits.uMaxBytes)
    {
        QZ_WriteLog(LOG_LEVEL_DEBUG, "Download size limit: more than %u bytes received.", Limits.uMaxBytes);
        QZLOG_PROCESS_ERROR(false && "Size limit.");
    }
    QZ_PROCESS_ERROR(FinishFile(&fpLocalFile, State));

    nResult = 1;
Exit0:
    if (!nResult && cszFileURL && cszFileName)
    {
        QZ_WriteLog(LOG_LEVEL_DEBUG, "Failed to download `%s`, save as `%s`, Error Code %d.", cszFileURL,
                    cszFileName, (int)GetLastError());
    }
    // Given up first, so that the request's thread writes no more to the file.
    ReleaseRequest(pRequest);
    if (fpLocalFile)
        fclose(fpLocalFile);
    if (!nResult && cszFileName && cszFileName[0])
    {
        SetFileAttributesW(wstrFileName.c_str(), FILE_ATTRIBUTE_NORMAL);
        _wremove(wstrFileName.c_str());
    }
    if (hSession)
        pWinInet->pfnInternetCloseHandle(hSession);
    return nResult;
}
