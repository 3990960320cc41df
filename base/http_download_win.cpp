#include "base/http_download.h"

#include <windows.h>
#include <wininet.h>

#include <io.h>

#include <cstdio>

#include "base/log.h"

namespace
{

const char  QZ_HTTP_USER_AGENT[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)";
const char  QZ_HTTP_HEADERS[] = "Accept: */*\r\n\r\n";
const DWORD QZ_HTTP_RECEIVE_TIMEOUT = 10000;  // milliseconds
const DWORD QZ_HTTP_READ_BUFFER_SIZE = 65536;

// Always from the origin server: no cached answer, nothing written to the cache, and
// proxies asked not to answer from theirs.
const DWORD QZ_HTTP_REQUEST_FLAGS =
    INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE;
static_assert(QZ_HTTP_REQUEST_FLAGS == 0x84000100, "request flags");
static_assert(INTERNET_OPTION_RECEIVE_TIMEOUT == 6, "receive time-out option");

}  // namespace

int QZ_HttpOpenDownloadSession(void** phSession)
{
    DWORD dwTimeOut = QZ_HTTP_RECEIVE_TIMEOUT;
    HINTERNET hSession = InternetOpenA(QZ_HTTP_USER_AGENT, INTERNET_OPEN_TYPE_PRECONFIG, NULL, NULL, 0);

    *phSession = hSession;
    if (!hSession)
        return 0;
    return InternetSetOptionA(hSession, INTERNET_OPTION_RECEIVE_TIMEOUT, &dwTimeOut, sizeof(dwTimeOut)) ? 1 : 0;
}

int QZ_HttpSyncDownloadFile(const char* cszFileURL, const char* cszFileName)
{
    int       nResult = 0;
    int       nRetCode = 0;
    HINTERNET hSession = NULL;
    HINTERNET hInternetFile = NULL;
    FILE*     fpLocalFile = NULL;
    DWORD     dwStatusCode = 0;
    DWORD     dwQuerySize = 0;
    DWORD     dwReadSize = 0;
    DWORD     dwTotalReadSize = 0;
    DWORD     dwTotalFileSize = 0;
    BYTE      byBuffer[QZ_HTTP_READ_BUFFER_SIZE];

    QZLOG_PROCESS_ERROR(cszFileURL);
    QZLOG_PROCESS_ERROR(cszFileURL[0]);
    QZLOG_PROCESS_ERROR(cszFileName);
    QZLOG_PROCESS_ERROR(cszFileName[0]);

    nRetCode = QZ_HttpOpenDownloadSession(&hSession);
    QZLOG_PROCESS_ERROR(hSession);
    QZLOG_PROCESS_ERROR(nRetCode && "InternetSetOption()");

    hInternetFile = InternetOpenUrlA(hSession, cszFileURL, QZ_HTTP_HEADERS, (DWORD)-1, QZ_HTTP_REQUEST_FLAGS, 0);
    QZLOG_PROCESS_ERROR(hInternetFile);

    dwQuerySize = sizeof(dwStatusCode);
    nRetCode = HttpQueryInfoA(hInternetFile, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &dwStatusCode,
                              &dwQuerySize, NULL);
    QZLOG_PROCESS_ERROR(nRetCode && "HttpQueryInfo()");
    if (dwStatusCode != HTTP_STATUS_OK)
    {
        QZ_WriteLog(LOG_LEVEL_DEBUG, "Response status code : %d\n", (int)dwStatusCode);
        QZLOG_PROCESS_ERROR(false);
    }

    // A read-only file of that name would make the open fail; the download replaces it.
    SetFileAttributesA(cszFileName, FILE_ATTRIBUTE_NORMAL);
    fpLocalFile = fopen(cszFileName, "wb");
    QZLOG_PROCESS_ERROR(fpLocalFile);

    while (true)
    {
        dwReadSize = 0;
        nRetCode = InternetReadFile(hInternetFile, byBuffer, sizeof(byBuffer), &dwReadSize);
        QZLOG_PROCESS_ERROR(nRetCode && "InternetReadFile()");
        if (dwReadSize == 0)
            break;

        nRetCode = (int)fwrite(byBuffer, 1, dwReadSize, fpLocalFile);
        QZLOG_PROCESS_ERROR(nRetCode == (int)dwReadSize);
        dwTotalReadSize += dwReadSize;
    }

    // Without a declared length (a chunked body) the end of the body is the end.
    dwQuerySize = sizeof(dwTotalFileSize);
    nRetCode = HttpQueryInfoA(hInternetFile, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &dwTotalFileSize,
                              &dwQuerySize, NULL);
    if (nRetCode)
        QZLOG_PROCESS_ERROR((dwTotalFileSize == dwTotalReadSize) && "Incomplete file.");

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
    if (hInternetFile)
    {
        InternetCloseHandle(hInternetFile);
        hInternetFile = NULL;
    }
    if (hSession)
    {
        InternetCloseHandle(hSession);
        hSession = NULL;
    }
    return nResult;
}
