// The process-wide log: dated files under a fixed folder tree, one lock for writers,
// and the check-and-bail convention every routine of the launcher reports through.
#ifndef QZ_BASE_LOG_H
#define QZ_BASE_LOG_H

#define LOG_OPTION_FILE   1
#define LOG_OPTION_STDOUT 2
#define LOG_OPTION_STDERR 4

enum QZ_LOG_LEVEL
{
    LOG_LEVEL_RESR0 = 0,
    LOG_LEVEL_RESR1 = 1,
    LOG_LEVEL_RESR2 = 2,
    LOG_LEVEL_ERROR = 3,
    LOG_LEVEL_WARN  = 4,
    LOG_LEVEL_RESR3 = 5,
    LOG_LEVEL_INFO  = 6,
    LOG_LEVEL_DEBUG = 7,
};

struct QZ_LogSettings
{
    char szRootPath[1024];
    char szName[1024];
    int  nOptions;
    int  nMaxLinesPerFile;
};

int  QZ_OpenLog(const QZ_LogSettings* pSettings);
int  QZ_WriteLog(int nLevel, const char* cszFormat, ...)
#if defined(__GNUC__) && !defined(__clang__)
    __attribute__((format(gnu_printf, 2, 3)))
#elif defined(__clang__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;
void QZ_CloseLog();

// Reduces a compiler signature such as "static int A::B(void*)" to "A::B".
const char* QZ_LogFunctionName(const char* cszPrettyFunction, char* szBuffer, int nBufferSize);
void QZ_LogProcessError(const char* cszCondition, int nLine, const char* cszPrettyFunction);

#ifdef __GNUC__
#define QZ_PRETTY_FUNCTION __PRETTY_FUNCTION__
#else
#define QZ_PRETTY_FUNCTION __FUNCSIG__
#endif

// Check-and-bail: when Condition is false, log it with its source text, the line and
// the routine's name, then jump to the routine's single exit label Exit0.
#define QZLOG_PROCESS_ERROR(Condition)                                        \
    do                                                                        \
    {                                                                         \
        if (!(Condition))                                                     \
        {                                                                     \
            QZ_LogProcessError(#Condition, __LINE__, QZ_PRETTY_FUNCTION);     \
            goto Exit0;                                                       \
        }                                                                     \
    } while (0)

// The same, with the condition's text and the routine's name given: for the named
// steps of a routine whose check lines keep that routine's name. Wrap it in a macro
// that passes #Condition, so the text is the condition as written.
#define QZLOG_PROCESS_ERROR_AS(Condition, cszConditionText, cszRoutine)     \
    do                                                                        \
    {                                                                         \
        if (!(Condition))                                                     \
        {                                                                     \
            QZ_LogProcessError(cszConditionText, __LINE__, cszRoutine);       \
            goto Exit0;                                                       \
        }                                                                     \
    } while (0)

// The same structure without a log line, for routines that log nothing.
#define QZ_PROCESS_ERROR(Condition)                                           \
    do                                                                        \
    {                                                                         \
        if (!(Condition))                                                     \
            goto Exit0;                                                       \
    } while (0)

#endif  // QZ_BASE_LOG_H
