#include "base/version_number.h"

#include <cstdlib>
#include <cstring>

#include "base/log.h"

namespace
{

// The leading base-10 number of a piece, read like strtol on a 32-bit long: blanks
// skipped, one optional sign, digits up to the first other character, 0 when there
// are none, and values beyond the signed 32-bit range clamped to it. The signed value
// is kept as its 32 bits, so "-1" becomes 4294967295. The clamping is done here
// because long is 64 bits wide on some hosts.
uint32_t LeadingNumber(const char* cszPiece)
{
    long long llValue = strtoll(cszPiece, NULL, 10);
    if (llValue > INT32_MAX)
        llValue = INT32_MAX;
    else if (llValue < INT32_MIN)
        llValue = INT32_MIN;
    return (uint32_t)(int32_t)llValue;
}

}  // namespace

QZ_VersionNumber::QZ_VersionNumber()
{
    memset(m_dwPart, 0, sizeof(m_dwPart));
}

int QZ_VersionNumber::_GetPartitionChar(const char* cszVersionNumber, char* pchRetPartition)
{
    // Order of preference, not position in the text, decides.
    static const char s_cszPartitions[] = {'.', '-', ','};

    for (char chPartition : s_cszPartitions)
    {
        if (strchr(cszVersionNumber, chPartition))
        {
            *pchRetPartition = chPartition;
            return 1;
        }
    }
    return 0;
}

int QZ_VersionNumber::ParseString(const char* cszVersionNumber)
{
    int nResult = 0;
    int nRetCode = 0;
    char szVersionNumber[256];
    char chPartition = '\0';
    char* pchPiece = NULL;
    char* pchPartition = NULL;

    QZLOG_PROCESS_ERROR(cszVersionNumber);
    QZLOG_PROCESS_ERROR(cszVersionNumber[0]);

    // strncpy fills the rest with NULs; a last byte that is not NUL means the text
    // has 256 characters or more.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wstringop-truncation"
#endif
    strncpy(szVersionNumber, cszVersionNumber, _countof(szVersionNumber));
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
    QZLOG_PROCESS_ERROR(szVersionNumber[_countof(szVersionNumber) - 1] == _T('\0'));

    nRetCode = _GetPartitionChar(szVersionNumber, &chPartition);
    QZLOG_PROCESS_ERROR(nRetCode && "_GetPartitionChar()");

    pchPiece = szVersionNumber;
    for (int i = 0; i < 3; ++i)
    {
        pchPartition = strchr(pchPiece, chPartition);
        QZLOG_PROCESS_ERROR(pchPartition);

        *pchPartition = '\0';
        m_dwPart[i] = LeadingNumber(pchPiece);
        pchPiece = pchPartition + 1;
    }
    // Whatever follows the last number (more parts, letters) is ignored.
    m_dwPart[3] = LeadingNumber(pchPiece);

    nResult = 1;
Exit0:
    if (!nResult)
    {
        memset(m_dwPart, 0, sizeof(m_dwPart));
        // A null text is shown as empty rather than handed to %s.
        QZ_WriteLog(LOG_LEVEL_DEBUG, "Failed to parse the version number: %s",
                    cszVersionNumber ? cszVersionNumber : "");
    }
    return nResult;
}

bool operator<(const QZ_VersionNumber& Left, const QZ_VersionNumber& Right)
{
    for (int i = 0; i < 4; ++i)
    {
        if (Left.m_dwPart[i] != Right.m_dwPart[i])
            return Left.m_dwPart[i] < Right.m_dwPart[i];
    }
    return false;
}
