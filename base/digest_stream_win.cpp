#include "base/digest_stream.h"

#include <windows.h>

int QZ_FileHandleSource::Read(void* pvBuffer, size_t uSize, size_t* puRead)
{
    OVERLAPPED Position;
    DWORD dwRead = 0;
    DWORD dwWanted = uSize > 0x40000000u ? 0x40000000u : (DWORD)uSize;

    *puRead = 0;
    memset(&Position, 0, sizeof(Position));
    Position.Offset = (DWORD)m_ullOffset;
    Position.OffsetHigh = (DWORD)(m_ullOffset >> 32);
    if (!::ReadFile((HANDLE)m_hFile, pvBuffer, dwWanted, &dwRead, &Position))
        return ::GetLastError() == ERROR_HANDLE_EOF;
    m_ullOffset += dwRead;
    *puRead = dwRead;
    return 1;
}
