#include "selfupdate/update_trust.h"

#include <cstring>

unsigned int QZ_UpdateKeyCount(const QZ_UpdateKeyTable* pKeys)
{
    unsigned long ulCount = 0;
    if (!pKeys)
        return 0;
    for (int i = 3; i >= 0; --i)
        ulCount = (ulCount << 8) | pKeys->abyCount[i];
    return ulCount < QZ_UPDATE_KEY_SLOTS ? (unsigned int)ulCount : QZ_UPDATE_KEY_SLOTS;
}

int QZ_FindUpdateKey(unsigned int uKeyCount, const unsigned char abyKeyIds[][QZ_UPDATE_KEY_ID_SIZE],
                     const char* cszKeyId)
{
    unsigned char abyWanted[QZ_UPDATE_KEY_ID_SIZE];
    if (!abyKeyIds || !QZ_ParseHexBytes(cszKeyId, abyWanted, sizeof(abyWanted)))
        return -1;
    for (unsigned int uSlot = 0; uSlot < uKeyCount && uSlot < QZ_UPDATE_KEY_SLOTS; ++uSlot)
    {
        if (memcmp(abyKeyIds[uSlot], abyWanted, sizeof(abyWanted)) == 0)
            return (int)uSlot;
    }
    return -1;
}

int QZ_ParseUpdateFileSize(const char* cszText, unsigned int* puSize)
{
    unsigned long long ullSize = 0;
    if (!cszText || !puSize || !cszText[0])
        return 0;
    for (const char* pch = cszText; *pch; ++pch)
    {
        if (*pch < '0' || *pch > '9')
            return 0;
        ullSize = ullSize * 10 + (unsigned int)(*pch - '0');
        if (ullSize > 0xFFFFFFFFull)
            return 0;
    }
    if (ullSize == 0)
        return 0;
    *puSize = (unsigned int)ullSize;
    return 1;
}

QZ_UpdateKeyTableScan::QZ_UpdateKeyTableScan(const QZ_UpdateKeyTable* pOwnKeys)
    : m_pOwnKeys(pOwnKeys), m_nCarriesKeys(0), m_nSharesKey(0)
{
}

// The new bytes are scanned behind the last sizeof(QZ_UpdateKeyTable) - 1 bytes of the
// earlier ones, so a table split between two pieces is still seen whole, and each
// position is looked at once.
int QZ_UpdateKeyTableScan::Add(const void* pvData, size_t uSize)
{
    const size_t uTableSize = sizeof(QZ_UpdateKeyTable);
    size_t uPosition = 0;

    if (!m_pOwnKeys)
        return 0;
    m_Window.insert(m_Window.end(), (const unsigned char*)pvData, (const unsigned char*)pvData + uSize);
    for (; uPosition + uTableSize <= m_Window.size(); ++uPosition)
    {
        if (m_Window[uPosition] == (unsigned char)m_pOwnKeys->szMarker[0] &&
            memcmp(&m_Window[uPosition], m_pOwnKeys->szMarker, sizeof(m_pOwnKeys->szMarker)) == 0)
        {
            _CheckTable(&m_Window[uPosition]);
        }
    }
    m_Window.erase(m_Window.begin(), m_Window.begin() + (std::ptrdiff_t)uPosition);
    return 1;
}

void QZ_UpdateKeyTableScan::_CheckTable(const unsigned char* pbyTable)
{
    QZ_UpdateKeyTable Table;
    unsigned long ulCount = 0;
    unsigned int uOwnCount = QZ_UpdateKeyCount(m_pOwnKeys);

    memcpy(&Table, pbyTable, sizeof(Table));
    for (int i = 3; i >= 0; --i)
        ulCount = (ulCount << 8) | Table.abyCount[i];
    // The marker's bytes elsewhere in the file, followed by no table.
    if (ulCount == 0 || ulCount > QZ_UPDATE_KEY_SLOTS)
        return;
    m_nCarriesKeys = 1;
    for (unsigned long ulSlot = 0; ulSlot < ulCount; ++ulSlot)
    {
        for (unsigned int uOwnSlot = 0; uOwnSlot < uOwnCount; ++uOwnSlot)
        {
            if (memcmp(Table.abyKeys[ulSlot], m_pOwnKeys->abyKeys[uOwnSlot], sizeof(Table.abyKeys[ulSlot])) == 0)
                m_nSharesKey = 1;
        }
    }
}

QZ_UpdateTrust::QZ_UpdateTrust(const QZ_UpdateKeyTable* pKeys) : m_pKeys(pKeys), m_uFileSize(0)
{
    m_szFileSHA256[0] = '\0';
}

int QZ_UpdateTrust::CarriesKeys() const
{
    return QZ_UpdateKeyCount(m_pKeys) > 0;
}

unsigned int QZ_UpdateTrust::FileSizeCap(unsigned int uLimit) const
{
    // A signed size above the program's own limit still ends the download at that limit.
    if (CarriesKeys() && m_uFileSize && (m_uFileSize < uLimit || uLimit == 0))
        return m_uFileSize;
    return uLimit;
}
