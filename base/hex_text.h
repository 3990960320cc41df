// Bytes written as hexadecimal digits, and read back: the form digests, keys and
// signatures take in texts and file names.
#ifndef QZ_BASE_HEX_TEXT_H
#define QZ_BASE_HEX_TEXT_H

#include <cstddef>

// Writes uSize bytes as 2 * uSize lower-case hexadecimal digits and a NUL into szOutput,
// which holds at least 2 * uSize + 1 characters.
void QZ_WriteHexBytes(const unsigned char* pbyInput, size_t uSize, char* szOutput);

// Reads exactly uSize bytes written as 2 * uSize hexadecimal digits (either case) and
// nothing else. Returns 1 on success, 0 for any other text.
int QZ_ParseHexBytes(const char* cszHex, unsigned char* pbyOutput, size_t uSize);

#endif  // QZ_BASE_HEX_TEXT_H
