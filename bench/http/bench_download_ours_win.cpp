// Downloads one URL into one file with QZ_HttpSyncDownloadFile and reports the time
// and the process's peak working set: qz_bench_http_ours <url> <file>.
#include <cstdio>

#include "base/http_download.h"
#include "base/log.h"
#include "bench/http/bench_report.h"

int main(int argc, char** argv)
{
    if (argc != 3)
    {
        fprintf(stderr, "usage: qz_bench_http_ours <url> <file>\n");
        return 2;
    }
    // Failure lines go to standard error, so a failed run says why.
    QZ_LogSettings Settings = {};
    snprintf(Settings.szRootPath, sizeof(Settings.szRootPath), "Logs");
    snprintf(Settings.szName, sizeof(Settings.szName), "bench");
    Settings.nOptions = LOG_OPTION_STDERR;
    QZ_OpenLog(&Settings);

    double dStart = QZ_BenchSeconds();
    int nResult = QZ_HttpSyncDownloadFile(argv[1], argv[2]);
    double dSeconds = QZ_BenchSeconds() - dStart;

    QZ_BenchReport(nResult, argv[2], dSeconds);
    return nResult ? 0 : 1;
}
