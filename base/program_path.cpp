#include "base/program_path.h"

#include <cstring>

int QZ_GetPathFolder(const char* cszPath, std::string* pstrFolder)
{
    const char* pchLastSlash = cszPath ? strrchr(cszPath, '\\') : NULL;
    if (!pchLastSlash)
        return 0;
    pstrFolder->assign(cszPath, pchLastSlash + 1);
    return 1;
}
