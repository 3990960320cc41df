// Text at the boundary of the wide (UTF-16) Windows functions. Inside the program,
// paths are UTF-8 narrow strings, so any folder name can be held and written to the
// log; the interface texts are the program's constants in code page 936. Both are
// converted here, right before a wide call, so nothing depends on the system's code
// page.
#ifndef QZ_BASE_WIDE_TEXT_H
#define QZ_BASE_WIDE_TEXT_H

#include <string>

// The code page the interface texts are written in (Simplified Chinese, GBK).
#define QZ_INTERFACE_CODE_PAGE 936

// cszText in code page uCodePage (CP_UTF8 for a path) as UTF-16. An empty string when
// cszText is NULL or not valid in that code page.
std::wstring QZ_ToWide(const char* cszText, unsigned int uCodePage);

// UTF-8 paths and the interface texts, as UTF-16.
std::wstring QZ_Utf8ToWide(const char* cszText);
std::wstring QZ_InterfaceTextToWide(const char* cszText);

// UTF-16 as UTF-8; an empty string for NULL.
std::string QZ_WideToUtf8(const wchar_t* cwszText);

#endif  // QZ_BASE_WIDE_TEXT_H
