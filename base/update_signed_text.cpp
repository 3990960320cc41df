#include "base/update_signature.h"

std::string QZ_BuildUpdateSignedText(const char* cszVersion, const char* cszFileName,
                                     const char* cszFileMD5, const char* cszFileSHA256)
{
    std::string strText;
    strText += "LastestVersionNumber=";
    strText += cszVersion ? cszVersion : "";
    strText += "\nFileName=";
    strText += cszFileName ? cszFileName : "";
    strText += "\nFileMD5=";
    strText += cszFileMD5 ? cszFileMD5 : "";
    strText += "\nFileSHA256=";
    strText += cszFileSHA256 ? cszFileSHA256 : "";
    strText += "\n";
    return strText;
}

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
