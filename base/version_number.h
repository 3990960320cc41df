// Four-part version numbers ("1.0.0.2"), parsed from text and ordered part by part,
// and the FileVersion text of a program file's version resource.
#ifndef QZ_BASE_VERSION_NUMBER_H
#define QZ_BASE_VERSION_NUMBER_H

#include <cstdint>
#include <string>

class QZ_VersionNumber
{
public:
    QZ_VersionNumber();

    // Parses four numbers split by one separator: ".", else "-", else "," (the first of
    // these that occurs anywhere in the text, whatever its position). Text after the
    // fourth number is ignored. Returns 1 with all parts set, or 0 with all parts 0
    // after logging why.
    int ParseString(const char* cszVersionNumber);

    // Part 0 is the most significant.
    uint32_t m_dwPart[4];

private:
    static int _GetPartitionChar(const char* cszVersionNumber, char* pchRetPartition);
};

// Numeric order, part 0 first; each part compared as an unsigned 32-bit number.
bool operator<(const QZ_VersionNumber& Left, const QZ_VersionNumber& Right);

// Reads the FileVersion text of cszFileName from the string block of the first language
// and code page of its translation table. Returns 1 with the text stored, or 0 after
// logging why, with *pstrRetVersionNumber unchanged. Windows only (version_number_win.cpp).
int QZ_GetApplicationFileVersionNumber(const char* cszFileName, std::string* pstrRetVersionNumber);

#endif  // QZ_BASE_VERSION_NUMBER_H
