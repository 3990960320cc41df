#include "base/text_compare.h"

#include <cstddef>

namespace
{

// Compares at most uCount bytes (all of them for (size_t)-1), as QZ_CompareNoCaseASCII.
int CompareNoCaseASCII(const char* cszLeft, const char* cszRight, size_t uCount)
{
    const unsigned char* pchLeft = (const unsigned char*)(cszLeft ? cszLeft : "");
    const unsigned char* pchRight = (const unsigned char*)(cszRight ? cszRight : "");
    for (; uCount > 0; ++pchLeft, ++pchRight, --uCount)
    {
        int nLeft = (*pchLeft >= 'A' && *pchLeft <= 'Z') ? *pchLeft + ('a' - 'A') : *pchLeft;
        int nRight = (*pchRight >= 'A' && *pchRight <= 'Z') ? *pchRight + ('a' - 'A') : *pchRight;
        if (nLeft != nRight)
            return nLeft < nRight ? -1 : 1;
        if (nLeft == 0)
            return 0;
    }
    return 0;
}

}  // namespace

int QZ_CompareNoCaseASCII(const char* cszLeft, const char* cszRight)
{
    return CompareNoCaseASCII(cszLeft, cszRight, (size_t)-1);
}

int QZ_StartsWithNoCaseASCII(const char* cszText, const char* cszPrefix)
{
    size_t uLength = 0;
    while (cszPrefix && cszPrefix[uLength])
        ++uLength;
    return CompareNoCaseASCII(cszText, cszPrefix, uLength) == 0;
}
