#include "selfupdate/update_index.h"

std::string QZ_BuildUpdateSignedText(const char* cszVersion, const char* cszFileName,
                                     const char* cszFileMD5, const char* cszFileSHA256)
{
    std::string strText;
    strText += QZ_UPDATE_KEY_VERSION "=";
    strText += cszVersion ? cszVersion : "";
    strText += "\n" QZ_UPDATE_KEY_FILE_NAME "=";
    strText += cszFileName ? cszFileName : "";
    strText += "\n" QZ_UPDATE_KEY_FILE_MD5 "=";
    strText += cszFileMD5 ? cszFileMD5 : "";
    strText += "\n" QZ_UPDATE_KEY_FILE_SHA256 "=";
    strText += cszFileSHA256 ? cszFileSHA256 : "";
    strText += "\n";
    return strText;
}
