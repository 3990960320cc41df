#include "framework/fx_string.h"

int CString::CompareNoCase(const char* cszText) const
{
    const unsigned char* pchLeft = (const unsigned char*)m_str.c_str();
    const unsigned char* pchRight = (const unsigned char*)(cszText ? cszText : "");
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
