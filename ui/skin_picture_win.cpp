#include "ui/skin_picture.h"

#include <cstring>
#include <vector>

#include "base/log.h"
#include "base/system_library.h"
#include "framework/fx_gdi.h"
#include "ui/skin_picture_format.h"
#include "ui/skin_scale.h"
#include "ui/window_skin.h"

namespace
{

const char* const QZ_SKIN_SET_TYPES[QZ_SKIN_SET_COUNT] = { "SKIN100", "SKIN150", "SKIN200" };

const USHORT QZ_COMPRESSION_FORMAT_LZNT1 = 2;

typedef LONG(NTAPI* QZ_PFN_RTL_DECOMPRESS_BUFFER)(USHORT uFormat, PUCHAR pbyTo, ULONG ulToSize, PUCHAR pbyFrom,
                                                   ULONG ulFromSize, PULONG pulFinalSize);

// RtlDecompressBuffer of ntdll, looked up at the first use (one try).
QZ_PFN_RTL_DECOMPRESS_BUFFER QZ_GetDecompressor()
{
    static QZ_PFN_RTL_DECOMPRESS_BUFFER s_pfnDecompress = NULL;
    static int s_nTried = 0;
    int nRetCode = 0;
    HMODULE hNtdll = NULL;

    if (s_nTried)
        return s_pfnDecompress;
    s_nTried = 1;
    hNtdll = QZ_LoadSystemLibrary("ntdll.dll");
    QZLOG_PROCESS_ERROR(hNtdll && "LoadLibrary(ntdll.dll)");
    nRetCode = QZ_ResolveFunction(hNtdll, "RtlDecompressBuffer", s_pfnDecompress);
    QZLOG_PROCESS_ERROR(nRetCode && "GetProcAddress(RtlDecompressBuffer)");
Exit0:
    return s_pfnDecompress;
}

// The stored picture nID of set nSet in the program's resources: its bytes, or NULL.
const BYTE* QZ_FindStoredPicture(UINT nID, int nSet, DWORD* pdwSize)
{
    HMODULE hModule = ::GetModuleHandleA(NULL);
    HRSRC hResource = ::FindResourceA(hModule, MAKEINTRESOURCEA(nID & 0xFFFF), QZ_SKIN_SET_TYPES[nSet]);
    HGLOBAL hData = hResource ? ::LoadResource(hModule, hResource) : NULL;
    *pdwSize = hData ? ::SizeofResource(hModule, hResource) : 0;
    return hData && *pdwSize ? (const BYTE*)::LockResource(hData) : NULL;
}

// The set whose picture nID stands for nDpi: the set for the DPI, else the next larger
// one that has it, else the next smaller one. -1 when no set has it.
int QZ_FindSet(UINT nID, int nDpi, const BYTE** ppbyData, DWORD* pdwSize)
{
    int nWanted = QZ_SkinSetForDpi(nDpi);
    for (int nStep = 0; nStep < QZ_SKIN_SET_COUNT; ++nStep)
    {
        int nSet = nWanted + nStep < QZ_SKIN_SET_COUNT ? nWanted + nStep : QZ_SKIN_SET_COUNT - 1 - nStep;
        *ppbyData = QZ_FindStoredPicture(nID, nSet, pdwSize);
        if (*ppbyData)
            return nSet;
    }
    return -1;
}

// Unpacks a stored picture into Pixels (0x00RRGGBB, rows from the top).
int QZ_UnpackPicture(const BYTE* pbyData, DWORD dwSize, QZ_SkinPictureHeader* pHeader, std::vector<uint32_t>& Pixels)
{
    int nResult = 0;
    int nRetCode = 0;
    LONG lStatus = 0;
    ULONG ulUnpacked = 0;
    std::vector<BYTE> Rows;
    QZ_PFN_RTL_DECOMPRESS_BUFFER pfnDecompress = QZ_GetDecompressor();

    nRetCode = QZ_ReadSkinPictureHeader(pbyData, dwSize, pHeader);
    QZLOG_PROCESS_ERROR(nRetCode && "QZ_ReadSkinPictureHeader()");
    QZLOG_PROCESS_ERROR(pfnDecompress);

    Rows.resize(pHeader->uRowsSize);
    lStatus = pfnDecompress(QZ_COMPRESSION_FORMAT_LZNT1, Rows.data(), (ULONG)Rows.size(),
                            (PUCHAR)pbyData + QZ_SKIN_PICTURE_HEADER_SIZE,
                            (ULONG)(dwSize - QZ_SKIN_PICTURE_HEADER_SIZE), &ulUnpacked);
    if (lStatus != 0 || ulUnpacked != pHeader->uRowsSize)
        QZ_WriteLog(LOG_LEVEL_DEBUG, "RtlDecompressBuffer() gave status 0x%08lX and %lu of %lu bytes.",
                    (unsigned long)lStatus, (unsigned long)ulUnpacked, (unsigned long)pHeader->uRowsSize);
    QZLOG_PROCESS_ERROR(lStatus == 0 && ulUnpacked == pHeader->uRowsSize && "RtlDecompressBuffer()");

    Pixels.resize((size_t)pHeader->nWidth * (size_t)pHeader->nHeight);
    QZ_UnpackSkinRows(Rows.data(), pHeader->nWidth, pHeader->nHeight, Pixels.data());

    nResult = 1;
Exit0:
    return nResult;
}

}  // namespace

HBITMAP QZ_LoadSkinPicture(UINT nID, int nDpi)
{
    int nResult = 0;
    int nRetCode = 0;
    HBITMAP hPicture = NULL;
    const BYTE* pbyData = NULL;
    DWORD dwSize = 0;
    QZ_SkinPictureHeader Design = {};
    QZ_SkinPictureHeader Stored = {};
    std::vector<uint32_t> Pixels;
    BITMAPINFO Format = {};
    void* pvBits = NULL;
    int nWidth = 0;
    int nHeight = 0;
    int nSet = 0;
    // The key colour as a pixel 0x00RRGGBB.
    const uint32_t uKeyPixel = QZ_Dib32Pixel(SHAPE_KEY_COLOR);

    // The 100% picture's size, from its header, gives the size at the DPI.
    pbyData = QZ_FindStoredPicture(nID, 0, &dwSize);
    QZLOG_PROCESS_ERROR(pbyData && "FindResource(SKIN100)");
    nRetCode = QZ_ReadSkinPictureHeader(pbyData, dwSize, &Design);
    QZLOG_PROCESS_ERROR(nRetCode && "QZ_ReadSkinPictureHeader()");
    nWidth = QZ_ScaleLength(Design.nWidth, nDpi);
    nHeight = QZ_ScaleLength(Design.nHeight, nDpi);
    QZLOG_PROCESS_ERROR(nWidth > 0 && nHeight > 0);

    nSet = QZ_FindSet(nID, nDpi, &pbyData, &dwSize);
    QZLOG_PROCESS_ERROR(nSet >= 0);
    nRetCode = QZ_UnpackPicture(pbyData, dwSize, &Stored, Pixels);
    QZLOG_PROCESS_ERROR(nRetCode && "QZ_UnpackPicture()");

    Format = QZ_Dib32Format(nWidth, -nHeight);
    hPicture = ::CreateDIBSection(NULL, &Format, DIB_RGB_COLORS, &pvBits, NULL, 0);
    QZLOG_PROCESS_ERROR(hPicture && pvBits && "CreateDIBSection()");

    if (Stored.nWidth == nWidth && Stored.nHeight == nHeight)
        memcpy(pvBits, Pixels.data(), Pixels.size() * sizeof(uint32_t));
    else
        QZ_ResizeSkinPicture(Pixels.data(), Stored.nWidth, Stored.nHeight, (uint32_t*)pvBits, nWidth, nHeight,
                             uKeyPixel);

    nResult = 1;
Exit0:
    if (!nResult)
    {
        QZ_WriteLog(LOG_LEVEL_DEBUG, "Failed to load skin picture %u at %d DPI, Error code: %d.", nID, nDpi,
                    (int)GetLastError());
        if (hPicture)
            ::DeleteObject(hPicture);
        hPicture = NULL;
    }
    return hPicture;
}
