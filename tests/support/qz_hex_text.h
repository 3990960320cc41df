// Command-line arguments given as hexadecimal bytes, so that blanks, quotes and bytes of
// the ANSI code page reach a helper program unchanged.
#ifndef QZ_TESTS_SUPPORT_QZ_HEX_TEXT_H
#define QZ_TESTS_SUPPORT_QZ_HEX_TEXT_H

#include <cstdio>
#include <string>

// Decodes "414243" into "ABC"; false for an odd length or a character that is not a hex digit.
inline bool QZ_DecodeHexText(const char* cszHex, std::string& strText)
{
    strText.clear();
    for (const char* pch = cszHex; pch[0]; pch += 2)
    {
        unsigned int nByte = 0;
        if (!pch[1] || sscanf(pch, "%2x", &nByte) != 1)
            return false;
        strText += (char)nByte;
    }
    return true;
}

#endif  // QZ_TESTS_SUPPORT_QZ_HEX_TEXT_H
