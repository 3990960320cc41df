// The platform-neutral part of the log: how a check-and-bail line names its routine.
#include "base/log.h"

#include <cstring>

const char* QZ_LogFunctionName(const char* cszPrettyFunction, char* szBuffer, int nBufferSize)
{
    const char* pchBegin = cszPrettyFunction;
    const char* pchEnd = strchr(cszPrettyFunction, '(');
    if (!pchEnd)
        pchEnd = cszPrettyFunction + strlen(cszPrettyFunction);
    for (const char* pch = cszPrettyFunction; pch < pchEnd; ++pch)
    {
        if (*pch == ' ' || *pch == '*' || *pch == '&')
            pchBegin = pch + 1;
    }
    // A helper in an unnamed namespace is a free function all the same: no qualifier.
    static const char s_cszUnnamedNamespace[] = "{anonymous}::";
    while (strncmp(pchBegin, s_cszUnnamedNamespace, sizeof(s_cszUnnamedNamespace) - 1) == 0)
        pchBegin += sizeof(s_cszUnnamedNamespace) - 1;
    int nLength = (int)(pchEnd - pchBegin);
    if (nLength >= nBufferSize)
        nLength = nBufferSize - 1;
    memcpy(szBuffer, pchBegin, (size_t)nLength);
    szBuffer[nLength] = '\0';
    return szBuffer;
}

void QZ_LogProcessError(const char* cszCondition, int nLine, const char* cszPrettyFunction)
{
    char szFunction[256];
    QZ_WriteLog(LOG_LEVEL_DEBUG, "QZLOG_PROCESS_ERROR(%s) at line %d in %s\n", cszCondition, nLine,
                QZ_LogFunctionName(cszPrettyFunction, szFunction, sizeof(szFunction)));
}
