// The platform's own limit for our download: the same WinINet session and request,
// then nothing but InternetReadFile into a 64 KiB buffer and WriteFile, without any
// checks. qz_bench_http_bare <url> <file>.
#include <windows.h>
#include <wininet.h>

#include <cstdio>

#include "bench/http/bench_report.h"

int main(int argc, char** argv)
{
    static BYTE s_byBuffer[65536];
    if (argc != 3)
    {
        fprintf(stderr, "usage: qz_bench_http_bare <url> <file>\n");
        return 2;
    }

    double dStart = QZ_BenchSeconds();
    int nResult = 0;
    HINTERNET hSession = InternetOpenA("Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)",
                                       INTERNET_OPEN_TYPE_PRECONFIG, NULL, NULL, 0);
    HINTERNET hFile = hSession ? InternetOpenUrlA(hSession, argv[1], "Accept: */*\r\n\r\n", (DWORD)-1,
                                                  INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                                      INTERNET_FLAG_PRAGMA_NOCACHE,
                                                  0)
                               : NULL;
    HANDLE hOut = CreateFileA(argv[2], GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (hFile && hOut != INVALID_HANDLE_VALUE)
    {
        DWORD dwRead = 0;
        DWORD dwWritten = 0;
        while (InternetReadFile(hFile, s_byBuffer, sizeof(s_byBuffer), &dwRead) && dwRead > 0)
            WriteFile(hOut, s_byBuffer, dwRead, &dwWritten, NULL);
        nResult = 1;
    }
    if (hOut != INVALID_HANDLE_VALUE)
        CloseHandle(hOut);
    if (hFile)
        InternetCloseHandle(hFile);
    if (hSession)
        InternetCloseHandle(hSession);
    double dSeconds = QZ_BenchSeconds() - dStart;

    QZ_BenchReport(nResult, argv[2], dSeconds);
    return nResult ? 0 : 1;
}
