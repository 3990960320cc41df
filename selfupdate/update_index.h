// The update index, "index.txt" below the update server's base URL: a profile (INI)
// file with one section. Its names, how a value is read from the local copy, and the
// text a signed index's signature covers.
#ifndef QZ_SELFUPDATE_UPDATE_INDEX_H
#define QZ_SELFUPDATE_UPDATE_INDEX_H

#include <string>

#define QZ_UPDATE_INDEX_NAME     "index.txt"
#define QZ_UPDATE_SECTION        "SelfUpdate"
#define QZ_UPDATE_KEY_VERSION    "LastestVersionNumber"
#define QZ_UPDATE_KEY_FILE_NAME  "FileName"
#define QZ_UPDATE_KEY_FILE_MD5   "FileMD5"
// Read only by builds with an update signing key.
#define QZ_UPDATE_KEY_FILE_SHA256 "FileSHA256"
#define QZ_UPDATE_KEY_FILE_SIZE   "FileSize"
#define QZ_UPDATE_KEY_SIGNATURE   "Signature"
#define QZ_UPDATE_KEY_KEY_ID      "KeyId"
// The first line of every signed text: an index signed for another program of the same
// publisher does not verify here.
#define QZ_UPDATE_PRODUCT         "ArdunLauncher"

// Reads one value of the index's section from the local file cszIndexFileName into
// szValue (uSize characters, no default) and returns its length: a missing section,
// key or value reads as length 0. A value that does not fit returns uSize or more (it
// is not cut short to a length that would pass for a whole value).
int QZ_ReadUpdateIndexValue(const char* cszKey, char* szValue, unsigned int uSize, const char* cszIndexFileName);

// The text the signature covers: one "key=value" line, ended by a line feed, for the
// product and then each of the five values, in this order, as they stand in the index.
std::string QZ_BuildUpdateSignedText(const char* cszVersion, const char* cszFileName, const char* cszFileSize,
                                     const char* cszFileMD5, const char* cszFileSHA256);

#endif  // QZ_SELFUPDATE_UPDATE_INDEX_H
