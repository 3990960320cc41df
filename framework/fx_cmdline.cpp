#include "framework/fx_cmdline.h"

const char* QZ_GetArgumentText(const char* cszCommandLine)
{
    const unsigned char* pch = (const unsigned char*)(cszCommandLine ? cszCommandLine : "");
    if (*pch == '"')
    {
        ++pch;
        while (*pch && *pch != '"')
            ++pch;
        if (*pch == '"')
            ++pch;
    }
    else
    {
        while (*pch > ' ')
            ++pch;
    }
    while (*pch && *pch <= ' ')
        ++pch;
    return (const char*)pch;
}
