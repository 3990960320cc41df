// Text comparison shared by the launcher's parts.
#ifndef QZ_BASE_TEXT_COMPARE_H
#define QZ_BASE_TEXT_COMPARE_H

// Compares two NUL-terminated texts byte by byte, ignoring the case of ASCII letters
// only: independent of the C run-time's locale, and bytes of double-byte characters
// are compared as they are. A null text reads as empty. Returns <0, 0 or >0 as strcmp.
int QZ_CompareNoCaseASCII(const char* cszLeft, const char* cszRight);

// 1 when cszText begins with cszPrefix, compared as above.
int QZ_StartsWithNoCaseASCII(const char* cszText, const char* cszPrefix);

#endif  // QZ_BASE_TEXT_COMPARE_H
