#include "base/hex_text.h"

namespace
{

const char QZ_HEX_DIGITS[] = "0123456789abcdef";

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

void QZ_WriteHexBytes(const unsigned char* pbyInput, size_t uSize, char* szOutput)
{
    for (size_t i = 0; i < uSize; ++i)
    {
        szOutput[2 * i] = QZ_HEX_DIGITS[pbyInput[i] >> 4];
        szOutput[2 * i + 1] = QZ_HEX_DIGITS[pbyInput[i] & 0x0f];
    }
    szOutput[2 * uSize] = '\0';
}

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
