// What a benchmark program measured, printed as one line that bench/http/run.sh reads.
#ifndef QZ_BENCH_HTTP_BENCH_REPORT_H
#define QZ_BENCH_HTTP_BENCH_REPORT_H

// A monotonic clock in seconds.
double QZ_BenchSeconds();

// Prints "result=R bytes=N seconds=S cpu_seconds=C peak_working_set=P" for the file just
// written; C is the whole process's processor time, start-up included.
void QZ_BenchReport(int nResult, const char* cszFileName, double dSeconds);

#endif  // QZ_BENCH_HTTP_BENCH_REPORT_H
