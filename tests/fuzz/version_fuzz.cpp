// Fuzzes QZ_VersionNumber::ParseString and the order of two parsed values against a
// plain reference reading of the same texts. Input: one or two texts split at the
// first line feed.
#include <array>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/version_number.h"

namespace
{

typedef std::array<uint32_t, 4> Parts;

// strtol in base 10 with a 32-bit long, written out: blanks, one sign, digits; the
// value saturates at the signed 32-bit limits.
uint32_t ReferenceNumber(const std::string& strPiece)
{
    size_t i = 0;
    while (i < strPiece.size() && isspace((unsigned char)strPiece[i]))
        ++i;
    bool bNegative = false;
    if (i < strPiece.size() && (strPiece[i] == '+' || strPiece[i] == '-'))
        bNegative = strPiece[i++] == '-';
    int64_t llValue = 0;
    for (; i < strPiece.size() && isdigit((unsigned char)strPiece[i]); ++i)
    {
        llValue = llValue * 10 + (strPiece[i] - '0');
        if (llValue > 2147483648LL)
            llValue = 2147483648LL;
    }
    if (bNegative)
        llValue = -llValue;
    if (llValue > 2147483647LL)
        llValue = 2147483647LL;
    return (uint32_t)(int32_t)llValue;
}

bool ReferenceParse(const std::string& strText, Parts* pParts)
{
    *pParts = Parts{0, 0, 0, 0};
    if (strText.empty() || strText.size() > 255)
        return false;
    size_t uSeparator = std::string::npos;
    char chSeparator = 0;
    for (char ch : {'.', '-', ','})
    {
        if (strText.find(ch) != std::string::npos)
        {
            chSeparator = ch;
            break;
        }
    }
    if (!chSeparator)
        return false;
    Parts Result = {0, 0, 0, 0};
    size_t uStart = 0;
    for (int i = 0; i < 3; ++i)
    {
        uSeparator = strText.find(chSeparator, uStart);
        if (uSeparator == std::string::npos)
            return false;
        Result[i] = ReferenceNumber(strText.substr(uStart, uSeparator - uStart));
        uStart = uSeparator + 1;
    }
    Result[3] = ReferenceNumber(strText.substr(uStart));
    *pParts = Result;
    return true;
}

Parts PartsOf(const QZ_VersionNumber& Version)
{
    return Parts{Version.m_dwPart[0], Version.m_dwPart[1], Version.m_dwPart[2], Version.m_dwPart[3]};
}

void CheckOne(const std::string& strText, QZ_VersionNumber* pVersion)
{
    // The parser sees the text up to its first NUL, as a C string.
    const std::string strCText = strText.c_str();
    const std::string strCopy = strCText;
    Parts Expected;
    bool bExpected = ReferenceParse(strCText, &Expected);

    int nResult = pVersion->ParseString(strCText.c_str());
    if (nResult != (bExpected ? 1 : 0) || PartsOf(*pVersion) != Expected || strCText != strCopy)
        abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pbyData, size_t uSize)
{
    std::string strInput(reinterpret_cast<const char*>(pbyData), uSize);
    size_t uLineFeed = strInput.find('\n');
    std::string strLeft = strInput.substr(0, uLineFeed);
    std::string strRight = (uLineFeed == std::string::npos) ? std::string() : strInput.substr(uLineFeed + 1);

    QZ_VersionNumber Left;
    QZ_VersionNumber Right;
    CheckOne(strLeft, &Left);
    CheckOne(strRight, &Right);

    // The order is that of the four parts taken as unsigned numbers, most significant first.
    if ((Left < Right) != (PartsOf(Left) < PartsOf(Right)) || (Left < Left))
        abort();
    return 0;
}
