#include "selfupdate/update_index.h"

std::string QZ_BuildUpdateSignedText(const char* cszVersion, const char* cszFileName, const char* cszFileSize,
                                     const char* cszFileMD5, const char* cszFileSHA256)
{
    const struct
    {
        const char* cszKey;
        const char* cszValue;
    } Lines[] = {
        {"Product", QZ_UPDATE_PRODUCT},
        {QZ_UPDATE_KEY_VERSION, cszVersion},
        {QZ_UPDATE_KEY_FILE_NAME, cszFileName},
        {QZ_UPDATE_KEY_FILE_SIZE, cszFileSize},
        {QZ_UPDATE_KEY_FILE_MD5, cszFileMD5},
        {QZ_UPDATE_KEY_FILE_SHA256, cszFileSHA256},
    };
    std::string strText;
    for (const auto& Line : Lines)
    {
        strText += Line.cszKey;
        strText += "=";
        strText += Line.cszValue ? Line.cszValue : "";
        strText += "\n";
    }
    return strText;
}
