#include "base/http_transfer.h"

#include <process.h>

#include <cstring>
#include <new>
#include <string>

#include "base/wininet_library.h"

namespace
{

const DWORD QZ_HTTP_READ_BUFFER_SIZE = 65536;

// The request's thread signals the waiting side once this many bytes are waiting (and
// on every change of stage); the waiting side looks at least every tick anyway. Each
// signal and each wake-up is a round trip through the system (under Wine, through the
// wineserver), too dear to pay for every read.
const size_t QZ_HTTP_SIGNAL_BYTES = 512 * 1024;
const DWORD QZ_HTTP_TAKE_TICK = 50;  // milliseconds

// The request's thread pauses while this many bytes wait for the waiting side, so the
// memory held does not grow with the body when the disk is slower than the network.
// The two vectors that take turns holding them get room for one read more, once.
const size_t QZ_HTTP_WAITING_LIMIT = 4 * QZ_HTTP_SIGNAL_BYTES;
const size_t QZ_HTTP_WAITING_ROOM = QZ_HTTP_WAITING_LIMIT + QZ_HTTP_READ_BUFFER_SIZE;

// A read returns only once its buffer is filled or the body has ended. While the body
// trickles in, each read asks for what has arrived (InternetQueryDataAvailable), so
// that no byte waits for later ones. Once at least this many bytes are found waiting
// at once, the body arrives faster than it is read, and reads ask for a whole buffer:
// the small reads that InternetQueryDataAvailable allows (8 KiB under Wine) cost a
// system call each. A whole-buffer read that takes longer than QZ_HTTP_BULK_READ_LIMIT
// returns to reads of what has arrived.
const DWORD QZ_HTTP_BULK_AVAILABLE = 4096;
const DWORD QZ_HTTP_BULK_READ_LIMIT = 100;  // milliseconds

}  // namespace

// Shared by the waiting side and the request's thread; each holds one reference.
struct QZ_HttpTransfer
{
    CRITICAL_SECTION Lock;
    HANDLE hChanged;  // auto-reset: set by the request's thread on news
    HANDLE hDrained;  // auto-reset: set when the waiting side takes bytes the thread waits to add to
    LONG lReferences;
    int nCancelled;
    int nWaitingForRoom;  // the request's thread waits on hDrained
    QZ_WinInetFunctions* pWinInet;
    HINTERNET hSession;
    std::string strURL;
    std::string strHeaders;
    DWORD dwFlags;
    unsigned int uMaxBytes;
    QZ_HttpTransferState State;
};

namespace
{

void Release(QZ_HttpTransfer* pTransfer)
{
    if (InterlockedDecrement(&pTransfer->lReferences) != 0)
        return;
    DeleteCriticalSection(&pTransfer->Lock);
    CloseHandle(pTransfer->hChanged);
    CloseHandle(pTransfer->hDrained);
    delete pTransfer;
}

// Records a failed call with the thread's last error; called under the lock.
void Fail(QZ_HttpTransfer* pTransfer, QZ_HttpTransferCall eCall, DWORD dwLastError)
{
    pTransfer->State.eStage = QZ_HTTP_TRANSFER_FAILED;
    pTransfer->State.eFailedCall = eCall;
    pTransfer->State.dwLastError = dwLastError;
}

// Records a failure unless the request was abandoned, and signals it.
void FailUnlessCancelled(QZ_HttpTransfer* pTransfer, QZ_HttpTransferCall eCall, DWORD dwLastError)
{
    EnterCriticalSection(&pTransfer->Lock);
    if (!pTransfer->nCancelled)
    {
        Fail(pTransfer, eCall, dwLastError);
        SetEvent(pTransfer->hChanged);
    }
    LeaveCriticalSection(&pTransfer->Lock);
}

bool StartsWith(const char* cszText, const char* cszPrefix)
{
    return _strnicmp(cszText, cszPrefix, strlen(cszPrefix)) == 0;
}

// An https:// request must not end at an http:// URL: WinINet follows such a redirect
// silently. Returns QZ_HTTP_CALL_NONE when the request may go on, else what failed
// (*pdwLastError set).
QZ_HttpTransferCall CheckRedirect(QZ_HttpTransfer* pTransfer, HINTERNET hRequest, DWORD* pdwLastError)
{
    QZ_HttpTransferCall eResult = QZ_HTTP_CALL_NONE;
    QZ_WinInetFunctions* pWinInet = pTransfer->pWinInet;
    char szURL[2048];
    char* pszURL = szURL;
    DWORD dwSize = sizeof(szURL);

    if (!StartsWith(pTransfer->strURL.c_str(), "https://"))
        return QZ_HTTP_CALL_NONE;
    if (!pWinInet->pfnInternetQueryOptionA(hRequest, INTERNET_OPTION_URL, pszURL, &dwSize))
    {
        // A longer URL: dwSize now holds the size it needs.
        *pdwLastError = GetLastError();
        if (*pdwLastError != ERROR_INSUFFICIENT_BUFFER)
            return QZ_HTTP_CALL_QUERY_URL;
        pszURL = new (std::nothrow) char[dwSize + 1];
        if (!pszURL)
        {
            *pdwLastError = ERROR_NOT_ENOUGH_MEMORY;
            return QZ_HTTP_CALL_MEMORY;
        }
        if (!pWinInet->pfnInternetQueryOptionA(hRequest, INTERNET_OPTION_URL, pszURL, &dwSize))
        {
            *pdwLastError = GetLastError();
            eResult = QZ_HTTP_CALL_QUERY_URL;
        }
    }
    if (eResult == QZ_HTTP_CALL_NONE && !StartsWith(pszURL, "https://"))
    {
        *pdwLastError = ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR;
        eResult = QZ_HTTP_CALL_TO_HTTP;
    }
    if (pszURL != szURL)
        delete[] pszURL;
    return eResult;
}

// Reads the next piece of the body into pbyBuffer, at most dwRoom bytes, choosing
// between a read of what has arrived and a whole-buffer read (see
// QZ_HTTP_BULK_AVAILABLE); *pnBulk carries the choice from read to read.
BOOL ReadBody(QZ_WinInetFunctions* pWinInet, HINTERNET hRequest, BYTE* pbyBuffer, DWORD dwRoom, int* pnBulk,
              DWORD* pdwReadSize)
{
    DWORD dwAvailable = 0;
    DWORD dwStart = 0;
    BOOL bRead = FALSE;

    *pdwReadSize = 0;
    if (*pnBulk)
    {
        dwStart = GetTickCount();
        bRead = pWinInet->pfnInternetReadFile(hRequest, pbyBuffer, dwRoom, pdwReadSize);
        if (!bRead || *pdwReadSize < dwRoom || GetTickCount() - dwStart > QZ_HTTP_BULK_READ_LIMIT)
            *pnBulk = 0;
        return bRead;
    }
    if (!pWinInet->pfnInternetQueryDataAvailable(hRequest, &dwAvailable, 0, 0))
        return FALSE;
    if (dwAvailable >= QZ_HTTP_BULK_AVAILABLE)
        *pnBulk = 1;
    if (dwAvailable == 0 || dwAvailable > dwRoom)
        dwAvailable = dwRoom;
    return pWinInet->pfnInternetReadFile(hRequest, pbyBuffer, dwAvailable, pdwReadSize);
}

// Adds dwSize received bytes to those waiting for the waiting side, then signals it
// when enough are waiting, and waits while too many are. Returns 0 when the request
// was abandoned or the bytes could not be kept (then recorded as a failure).
int HandOver(QZ_HttpTransfer* pTransfer, const BYTE* pbyData, DWORD dwSize)
{
    std::vector<BYTE>& rReceived = pTransfer->State.Received;
    int nResult = 1;

    EnterCriticalSection(&pTransfer->Lock);
    while (!pTransfer->nCancelled && rReceived.size() >= QZ_HTTP_WAITING_LIMIT)
    {
        pTransfer->nWaitingForRoom = 1;
        SetEvent(pTransfer->hChanged);
        LeaveCriticalSection(&pTransfer->Lock);
        WaitForSingleObject(pTransfer->hDrained, INFINITE);
        EnterCriticalSection(&pTransfer->Lock);
    }
    if (pTransfer->nCancelled)
    {
        nResult = 0;
    }
    else
    {
        try
        {
            if (rReceived.capacity() < QZ_HTTP_WAITING_ROOM)
                rReceived.reserve(QZ_HTTP_WAITING_ROOM);
            rReceived.insert(rReceived.end(), pbyData, pbyData + dwSize);
            if (rReceived.size() >= QZ_HTTP_SIGNAL_BYTES)
                SetEvent(pTransfer->hChanged);
        }
        catch (const std::bad_alloc&)
        {
            Fail(pTransfer, QZ_HTTP_CALL_MEMORY, ERROR_NOT_ENOUGH_MEMORY);
            SetEvent(pTransfer->hChanged);
            nResult = 0;
        }
    }
    LeaveCriticalSection(&pTransfer->Lock);
    return nResult;
}

// The request's thread: opens the URL, reads the answer's head, then the body, and
// hands everything over under the lock. Once cancelled it stops as soon as its current
// call returns, touching nothing but the shared record. It owns the session and the
// request handle and closes both itself: closing them from the waiting side could let
// a later download get the same handle values while this thread still uses them.
unsigned int __stdcall RunTransfer(void* pvTransfer)
{
    QZ_HttpTransfer* pTransfer = (QZ_HttpTransfer*)pvTransfer;
    QZ_WinInetFunctions* pWinInet = pTransfer->pWinInet;
    BYTE* pbyBuffer = new (std::nothrow) BYTE[QZ_HTTP_READ_BUFFER_SIZE];
    HINTERNET hRequest = pWinInet->pfnInternetOpenUrlA(pTransfer->hSession, pTransfer->strURL.c_str(),
                                                       pTransfer->strHeaders.c_str(), (DWORD)-1, pTransfer->dwFlags, 0);
    DWORD dwLastError = GetLastError();
    DWORD dwValue = 0;
    DWORD dwSize = 0;
    int nLengthDeclared = 0;
    DWORD dwDeclaredLength = 0;
    QZ_HttpTransferCall eRedirectCheck = QZ_HTTP_CALL_NONE;
    // One byte over the cap shows the waiting side that the body is too long.
    unsigned long long ullToRead = pTransfer->uMaxBytes ? (unsigned long long)pTransfer->uMaxBytes + 1 : ~0ULL;
    int nBulk = 0;

    EnterCriticalSection(&pTransfer->Lock);
    if (pTransfer->nCancelled)
    {
        LeaveCriticalSection(&pTransfer->Lock);
        goto Exit0;
    }
    pTransfer->State.hRequest = hRequest;
    if (!hRequest || !pbyBuffer)
    {
        Fail(pTransfer, QZ_HTTP_CALL_OPEN_URL, hRequest ? (DWORD)ERROR_NOT_ENOUGH_MEMORY : dwLastError);
        SetEvent(pTransfer->hChanged);
        LeaveCriticalSection(&pTransfer->Lock);
        goto Exit0;
    }
    LeaveCriticalSection(&pTransfer->Lock);

    dwSize = sizeof(dwValue);
    if (!pWinInet->pfnHttpQueryInfoA(hRequest, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &dwValue, &dwSize,
                                     NULL))
    {
        FailUnlessCancelled(pTransfer, QZ_HTTP_CALL_QUERY_STATUS, GetLastError());
        goto Exit0;
    }
    eRedirectCheck = CheckRedirect(pTransfer, hRequest, &dwLastError);
    if (eRedirectCheck != QZ_HTTP_CALL_NONE)
    {
        FailUnlessCancelled(pTransfer, eRedirectCheck, dwLastError);
        goto Exit0;
    }
    // Without a declared length (a chunked body) the end of the body is the end.
    dwSize = sizeof(dwDeclaredLength);
    nLengthDeclared = pWinInet->pfnHttpQueryInfoA(hRequest, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER,
                                                  &dwDeclaredLength, &dwSize, NULL)
                          ? 1
                          : 0;

    EnterCriticalSection(&pTransfer->Lock);
    if (!pTransfer->nCancelled)
    {
        pTransfer->State.eStage = QZ_HTTP_TRANSFER_ANSWERED;
        pTransfer->State.dwStatusCode = dwValue;
        pTransfer->State.nLengthDeclared = nLengthDeclared;
        pTransfer->State.dwDeclaredLength = dwDeclaredLength;
        SetEvent(pTransfer->hChanged);
    }
    LeaveCriticalSection(&pTransfer->Lock);

    // Past the cap the thread just ends: the bytes handed over already exceed it.
    while (ullToRead > 0)
    {
        DWORD dwRoom = ullToRead < QZ_HTTP_READ_BUFFER_SIZE ? (DWORD)ullToRead : QZ_HTTP_READ_BUFFER_SIZE;
        DWORD dwReadSize = 0;
        BOOL bRead = ReadBody(pWinInet, hRequest, pbyBuffer, dwRoom, &nBulk, &dwReadSize);

        if (!bRead)
        {
            FailUnlessCancelled(pTransfer, QZ_HTTP_CALL_READ, GetLastError());
            break;
        }
        if (dwReadSize == 0)
        {
            EnterCriticalSection(&pTransfer->Lock);
            if (!pTransfer->nCancelled)
            {
                pTransfer->State.eStage = QZ_HTTP_TRANSFER_COMPLETE;
                SetEvent(pTransfer->hChanged);
            }
            LeaveCriticalSection(&pTransfer->Lock);
            break;
        }
        if (!HandOver(pTransfer, pbyBuffer, dwReadSize))
            break;
        ullToRead -= dwReadSize;
    }
    if (ullToRead == 0)
        SetEvent(pTransfer->hChanged);

Exit0:
    delete[] pbyBuffer;
    if (hRequest)
        pWinInet->pfnInternetCloseHandle(hRequest);
    pWinInet->pfnInternetCloseHandle(pTransfer->hSession);
    Release(pTransfer);
    return 0;
}

}  // namespace

QZ_HttpTransfer* QZ_StartHttpTransfer(HINTERNET hSession, const char* cszURL, const char* cszHeaders, DWORD dwFlags,
                                      unsigned int uMaxBytes)
{
    QZ_HttpTransfer* pTransfer = new (std::nothrow) QZ_HttpTransfer();
    HANDLE hThread = NULL;

    if (!pTransfer)
        return NULL;
    pTransfer->pWinInet = QZ_GetWinInet();
    pTransfer->hChanged = CreateEventA(NULL, FALSE, FALSE, NULL);
    pTransfer->hDrained = CreateEventA(NULL, FALSE, FALSE, NULL);
    if (!pTransfer->pWinInet || !pTransfer->hChanged || !pTransfer->hDrained)
    {
        if (pTransfer->hChanged)
            CloseHandle(pTransfer->hChanged);
        if (pTransfer->hDrained)
            CloseHandle(pTransfer->hDrained);
        delete pTransfer;
        return NULL;
    }
    InitializeCriticalSection(&pTransfer->Lock);
    pTransfer->lReferences = 2;
    pTransfer->hSession = hSession;
    pTransfer->strURL = cszURL;
    pTransfer->strHeaders = cszHeaders;
    pTransfer->dwFlags = dwFlags;
    pTransfer->uMaxBytes = uMaxBytes;
    pTransfer->State.eStage = QZ_HTTP_TRANSFER_CONNECTING;
    pTransfer->State.eFailedCall = QZ_HTTP_CALL_NONE;

    hThread = (HANDLE)_beginthreadex(NULL, 0, RunTransfer, pTransfer, 0, NULL);
    if (!hThread)
    {
        pTransfer->lReferences = 1;
        Release(pTransfer);
        return NULL;
    }
    CloseHandle(hThread);
    return pTransfer;
}

void QZ_TakeHttpTransferState(QZ_HttpTransfer* pTransfer, DWORD dwMilliseconds, QZ_HttpTransferState* pState)
{
    WaitForSingleObject(pTransfer->hChanged, dwMilliseconds < QZ_HTTP_TAKE_TICK ? dwMilliseconds : QZ_HTTP_TAKE_TICK);

    EnterCriticalSection(&pTransfer->Lock);
    pState->eStage = pTransfer->State.eStage;
    pState->eFailedCall = pTransfer->State.eFailedCall;
    pState->dwLastError = pTransfer->State.dwLastError;
    pState->hRequest = pTransfer->State.hRequest;
    pState->dwStatusCode = pTransfer->State.dwStatusCode;
    pState->nLengthDeclared = pTransfer->State.nLengthDeclared;
    pState->dwDeclaredLength = pTransfer->State.dwDeclaredLength;
    // The swap hands the caller's emptied vector, with its room, back to the thread.
    pState->Received.swap(pTransfer->State.Received);
    pTransfer->State.Received.clear();
    if (pTransfer->nWaitingForRoom)
    {
        pTransfer->nWaitingForRoom = 0;
        SetEvent(pTransfer->hDrained);
    }
    LeaveCriticalSection(&pTransfer->Lock);
}

void QZ_ReleaseHttpTransfer(QZ_HttpTransfer* pTransfer)
{
    if (!pTransfer)
        return;
    EnterCriticalSection(&pTransfer->Lock);
    pTransfer->nCancelled = 1;
    // A thread waiting for room would otherwise wait for ever.
    SetEvent(pTransfer->hDrained);
    LeaveCriticalSection(&pTransfer->Lock);
    Release(pTransfer);
}
