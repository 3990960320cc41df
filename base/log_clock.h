// The clock the log stamps lines and names files with. Tests replace it to step over
// a day change for real; the launcher always uses the local time.
#ifndef QZ_BASE_LOG_CLOCK_H
#define QZ_BASE_LOG_CLOCK_H

#include "base/log_format.h"

typedef void (*QZ_LOG_CLOCK_FUNCTION)(QZ_LogTime* pTime);

// Passing nullptr restores the local time.
void QZ_SetLogClock(QZ_LOG_CLOCK_FUNCTION pfnClock);

// Returns the log to its state at process start: no settings, no open file, a new file
// wanted, the local-time clock. Lets tests open the log afresh within one process.
void QZ_ResetLog();

#endif  // QZ_BASE_LOG_CLOCK_H
