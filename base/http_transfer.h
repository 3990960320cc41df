// One HTTP request run on a thread of its own, so that the thread that waits for it can
// give up at any moment. WinINet's own time-outs cannot be relied on (Wine ignores the
// receive time-out, and a server that trickles bytes never trips it), and a blocked
// WinINet call cannot be interrupted everywhere (closing its handles does not end it
// under Wine); the waiting side therefore only takes the received bytes from here, and
// abandons the request when it gives up: the request's thread then never touches
// anything of the caller's again, and ends when its blocked call returns (at the
// latest with the process).
#ifndef QZ_BASE_HTTP_TRANSFER_H
#define QZ_BASE_HTTP_TRANSFER_H

#include <windows.h>
#include <wininet.h>

#include <vector>

enum QZ_HttpTransferStage
{
    QZ_HTTP_TRANSFER_CONNECTING,  // waiting for the answer's headers
    QZ_HTTP_TRANSFER_ANSWERED,    // status (and length, if declared) known; body arriving
    QZ_HTTP_TRANSFER_COMPLETE,    // the whole body has been received
    QZ_HTTP_TRANSFER_FAILED,      // a WinINet call failed: see eFailedCall and dwLastError
};

enum QZ_HttpTransferCall
{
    QZ_HTTP_CALL_NONE,
    QZ_HTTP_CALL_OPEN_URL,      // InternetOpenUrlA
    QZ_HTTP_CALL_QUERY_STATUS,  // HttpQueryInfoA for the status code
    QZ_HTTP_CALL_READ,          // InternetQueryDataAvailable or InternetReadFile
    QZ_HTTP_CALL_QUERY_URL,     // InternetQueryOptionA for the URL an https:// request ended at
    QZ_HTTP_CALL_TO_HTTP,       // not a failed call: an https:// request was redirected to http://
    QZ_HTTP_CALL_MEMORY,        // not a call: no memory for the bytes received
};

// What the waiting side learns from one look at the request.
struct QZ_HttpTransferState
{
    QZ_HttpTransferStage eStage;
    QZ_HttpTransferCall eFailedCall;
    DWORD dwLastError;
    HINTERNET hRequest;  // what InternetOpenUrlA returned; for reports only, owned by the request's thread
    DWORD dwStatusCode;
    int nLengthDeclared;
    DWORD dwDeclaredLength;
    std::vector<BYTE> Received;  // bytes received since the previous look; keep it between looks to reuse its room
};

struct QZ_HttpTransfer;

// Starts the request for cszURL on hSession on a new thread, which from then on owns
// the session and closes it. With uMaxBytes (0: none) the thread stops reading once
// it has received one byte more than that, which the waiting side then refuses.
// Returns NULL when the thread could not be started; the session is then still the
// caller's.
QZ_HttpTransfer* QZ_StartHttpTransfer(HINTERNET hSession, const char* cszURL, const char* cszHeaders,
                                      DWORD dwFlags, unsigned int uMaxBytes);

// Waits up to dwMilliseconds (INFINITE allowed) for news from the request, then moves
// its state and the bytes received so far into *pState. The request's thread signals
// news in batches; this also returns after a short tick at most, with what has come
// in by then, so that bytes from a slow server are seen within that tick.
void QZ_TakeHttpTransferState(QZ_HttpTransfer* pTransfer, DWORD dwMilliseconds, QZ_HttpTransferState* pState);

// Ends the waiting side's part: the request's thread, if still running, drops
// everything once its current call returns.
void QZ_ReleaseHttpTransfer(QZ_HttpTransfer* pTransfer);

#endif  // QZ_BASE_HTTP_TRANSFER_H
