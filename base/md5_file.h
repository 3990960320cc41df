// The MD5 digest of a whole file as 32 lower-case hexadecimal digits.
#ifndef QZ_BASE_MD5_FILE_H
#define QZ_BASE_MD5_FILE_H

class QZ_ByteSource;

// Size the caller's output buffer must have; the digest text uses 33 bytes of it.
#define QZ_MD5_TEXT_BUFFER_SIZE 64

// Streams the file named cszFileName (absolute, or relative to the working directory)
// through MD5 and writes the digest text into szOutput, which holds at least
// QZ_MD5_TEXT_BUFFER_SIZE bytes. Returns 1 on success; 0 when szOutput is null, the
// file cannot be opened or a read fails, with szOutput left empty when it was given.
// Writes no log line: callers report the failure themselves.
int MakeFileMD5(char* szOutput, const char* cszFileName);

// The same over every byte of a source, such as a file handle already held open.
int MakeFileMD5(char* szOutput, QZ_ByteSource* pSource);

#endif  // QZ_BASE_MD5_FILE_H
