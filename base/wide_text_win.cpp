// Conversions between the program's narrow texts and the wide Windows functions.
#include "base/wide_text.h"

#include <windows.h>

std::wstring QZ_ToWide(const char* cszText, unsigned int uCodePage)
{
    std::wstring wstrText;
    int nLength = 0;

    if (!cszText || !cszText[0])
        return wstrText;
    // Invalid bytes fail the conversion instead of turning into U+FFFD: a path that
    // cannot be read back must not name another file.
    nLength = ::MultiByteToWideChar(uCodePage, MB_ERR_INVALID_CHARS, cszText, -1, NULL, 0);
    if (nLength <= 1)
        return wstrText;
    wstrText.resize((size_t)nLength);
    nLength = ::MultiByteToWideChar(uCodePage, MB_ERR_INVALID_CHARS, cszText, -1, &wstrText[0], nLength);
    wstrText.resize(nLength > 0 ? (size_t)nLength - 1 : 0);
    return wstrText;
}

std::wstring QZ_Utf8ToWide(const char* cszText)
{
    return QZ_ToWide(cszText, CP_UTF8);
}

std::wstring QZ_InterfaceTextToWide(const char* cszText)
{
    return QZ_ToWide(cszText, QZ_INTERFACE_CODE_PAGE);
}

std::string QZ_WideToUtf8(const wchar_t* cwszText)
{
    std::string strText;
    int nLength = 0;

    if (!cwszText || !cwszText[0])
        return strText;
    nLength = ::WideCharToMultiByte(CP_UTF8, 0, cwszText, -1, NULL, 0, NULL, NULL);
    if (nLength <= 1)
        return strText;
    strText.resize((size_t)nLength);
    nLength = ::WideCharToMultiByte(CP_UTF8, 0, cwszText, -1, &strText[0], nLength, NULL, NULL);
    strText.resize(nLength > 0 ? (size_t)nLength - 1 : 0);
    return strText;
}
