#include "base/text_compare.h"

int QZ_CompareNoCaseASCII(const char* cszLeft, const char* cszRight)
{
    const unsigned char* pchLeft = (const unsigned char*)(cszLeft ? cszLeft : "");
    const unsigned char* pchRight = (const unsigned char*)(cszRight ? cszRight : "");
    for (;; ++pchLeft, ++pchRight)
    {
        int nLeft = (*pchLeft >= 'A' && *pchLeft <= 'Z') ? *pchLeft + ('a' - 'A') : *pchLeft;
        int nRight = (*pchRight >= 'A' && *pchRight <= 'Z') ? *pchRight + ('a' - 'A') : *pchRight;
        if (nLeft != nRight)
            return nLeft < nRight ? -1 : 1;
        if (nLeft == 0)
            return 0;
    }
}
