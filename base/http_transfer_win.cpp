#include "base/http_transfer.h"

#include <process.h>

#include <new>
#include <string>

#include "base/wininet_library.h"

namespace
{

const DWORD QZ_HTTP_READ_BUFFER_SIZE = 65536;

}  // namespace

// Shared by the waiting side and the request's thread; each holds one reference.
struct QZ_HttpTransfer
{
    CRITICAL_SECTION Lock;
    HANDLE hChanged;  // auto-reset: set by the request's thread on every news
    LONG lReferences;
    int nCancelled;
    QZ_WinInetFunctions* pWinInet;
    HINTERNET hSession;
    std::string strURL;
    std::string strHeaders;
    DWORD dwFlags;
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
    delete pTransfer;
}

// Records a failed call with the thread's last error; called under the lock.
void Fail(QZ_HttpTransfer* pTransfer, QZ_HttpTransferCall eCall, DWORD dwLastError)
{
    pTransfer->State.eStage = QZ_HTTP_TRANSFER_FAILED;
    pTransfer->State.eFailedCall = eCall;
    pTransfer->State.dwLastError = dwLastError;
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
        dwLastError = GetLastError();
        EnterCriticalSection(&pTransfer->Lock);
        if (!pTransfer->nCancelled)
        {
            Fail(pTransfer, QZ_HTTP_CALL_QUERY_STATUS, dwLastError);
            SetEvent(pTransfer->hChanged);
        }
        LeaveCriticalSection(&pTransfer->Lock);
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

    while (true)
    {
        // A read returns only once its whole buffer is filled or the body has ended:
        // ask for no more than has arrived, so that every byte is handed over as soon
        // as it is there (a slow server is not taken for a silent one).
        DWORD dwReadSize = 0;
        DWORD dwAvailable = 0;
        BOOL bRead = pWinInet->pfnInternetQueryDataAvailable(hRequest, &dwAvailable, 0, 0);
        if (bRead)
        {
            if (dwAvailable == 0 || dwAvailable > QZ_HTTP_READ_BUFFER_SIZE)
                dwAvailable = QZ_HTTP_READ_BUFFER_SIZE;
            bRead = pWinInet->pfnInternetReadFile(hRequest, pbyBuffer, dwAvailable, &dwReadSize);
        }
        dwLastError = GetLastError();

        EnterCriticalSection(&pTransfer->Lock);
        if (pTransfer->nCancelled)
        {
            LeaveCriticalSection(&pTransfer->Lock);
            break;
        }
        if (!bRead)
            Fail(pTransfer, QZ_HTTP_CALL_READ, dwLastError);
        else if (dwReadSize == 0)
            pTransfer->State.eStage = QZ_HTTP_TRANSFER_COMPLETE;
        else
            pTransfer->State.Received.insert(pTransfer->State.Received.end(), pbyBuffer, pbyBuffer + dwReadSize);
        SetEvent(pTransfer->hChanged);
        LeaveCriticalSection(&pTransfer->Lock);
        if (!bRead || dwReadSize == 0)
            break;
    }

Exit0:
    delete[] pbyBuffer;
    if (hRequest)
        pWinInet->pfnInternetCloseHandle(hRequest);
    pWinInet->pfnInternetCloseHandle(pTransfer->hSession);
    Release(pTransfer);
    return 0;
}

}  // namespace

QZ_HttpTransfer* QZ_StartHttpTransfer(HINTERNET hSession, const char* cszURL, const char* cszHeaders, DWORD dwFlags)
{
    QZ_HttpTransfer* pTransfer = new (std::nothrow) QZ_HttpTransfer();
    HANDLE hThread = NULL;

    if (!pTransfer)
        return NULL;
    pTransfer->pWinInet = QZ_GetWinInet();
    if (!pTransfer->pWinInet)
    {
        delete pTransfer;
        return NULL;
    }
    pTransfer->hChanged = CreateEventA(NULL, FALSE, FALSE, NULL);
    if (!pTransfer->hChanged)
    {
        delete pTransfer;
        return NULL;
    }
    InitializeCriticalSection(&pTransfer->Lock);
    pTransfer->lReferences = 2;
    pTransfer->hSession = hSession;
    pTransfer->strURL = cszURL;
    pTransfer->strHeaders = cszHeaders;
    pTransfer->dwFlags = dwFlags;
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
    WaitForSingleObject(pTransfer->hChanged, dwMilliseconds);

    EnterCriticalSection(&pTransfer->Lock);
    pState->eStage = pTransfer->State.eStage;
    pState->eFailedCall = pTransfer->State.eFailedCall;
    pState->dwLastError = pTransfer->State.dwLastError;
    pState->hRequest = pTransfer->State.hRequest;
    pState->dwStatusCode = pTransfer->State.dwStatusCode;
    pState->nLengthDeclared = pTransfer->State.nLengthDeclared;
    pState->dwDeclaredLength = pTransfer->State.dwDeclaredLength;
    pState->Received.swap(pTransfer->State.Received);
    pTransfer->State.Received.clear();
    LeaveCriticalSection(&pTransfer->Lock);
}

void QZ_ReleaseHttpTransfer(QZ_HttpTransfer* pTransfer)
{
    if (!pTransfer)
        return;
    EnterCriticalSection(&pTransfer->Lock);
    pTransfer->nCancelled = 1;
    LeaveCriticalSection(&pTransfer->Lock);
    Release(pTransfer);
}
