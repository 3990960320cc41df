// The running program's own file and its folder, as UTF-8 paths (base/wide_text.h), so
// a folder name that the system's code page cannot spell still works.
#ifndef QZ_BASE_PROGRAM_PATH_H
#define QZ_BASE_PROGRAM_PATH_H

#include <string>

// Room for any path of up to 260 UTF-16 characters in UTF-8.
#define QZ_UTF8_PATH_SIZE (3 * 260 + 1)

// Writes the full path of the process's program file into szPath (uSize bytes) and
// returns its length in bytes, as GetModuleFileName does: 0 when it cannot be had,
// uSize or more when it does not fit or is longer than 260 characters.
int QZ_GetProgramPath(char* szPath, unsigned int uSize);

// The folder of cszPath, up to and including its last backslash, into *pstrFolder.
// Returns 0 when the path has no backslash.
int QZ_GetPathFolder(const char* cszPath, std::string* pstrFolder);

#endif  // QZ_BASE_PROGRAM_PATH_H
