#include "base/update_signature.h"

namespace
{

int HexDigitValue(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    return -1;
}

}  // namespace

int QZ_ParseHexBytes(const char* cszHex, unsigned char* pbyOutput, size_t uSize)
{
    if (!cszHex || !pbyOutput)
        return 0;
    for (size_t i = 0; i < uSize; ++i)
    {
        int nHigh = HexDigitValue(cszHex[2 * i]);
        if (nHigh < 0)
            return 0;
        int nLow = HexDigitValue(cszHex[2 * i + 1]);
        if (nLow < 0)
            return 0;
        pbyOutput[i] = (unsigned char)(nHigh * 16 + nLow);
    }
    return cszHex[2 * uSize] == '\0';
}
