#include "ui/window_dpi.h"

#include "base/log.h"
#include "base/system_library.h"
#include "ui/skin_scale.h"

namespace
{

typedef UINT(WINAPI* QZ_PFN_GET_DPI_FOR_WINDOW)(HWND hWnd);
typedef LONG(WINAPI* QZ_PFN_GET_DPI_FOR_MONITOR)(HMONITOR hMonitor, int nType, UINT* puDpiX, UINT* puDpiY);
typedef BOOL(WINAPI* QZ_PFN_SET_DIALOG_DPI_CHANGE_BEHAVIOR)(HWND hDialog, int nMask, int nValues);

const int QZ_MDT_EFFECTIVE_DPI = 0;
const int QZ_DDC_DISABLE_ALL = 0x0001;

// The DPI of hWnd's monitor from shcore.dll, or 0 where it cannot tell.
struct QZ_ShcoreFunctions
{
    QZ_PFN_GET_DPI_FOR_MONITOR pfnGetDpiForMonitor;
};

int QZ_GetMonitorDpi(HWND hWnd)
{
    static const char* const s_apszNames[] = { "GetDpiForMonitor" };
    QZ_ShcoreFunctions* pShcore = QZ_GetSystemFunctions<QZ_ShcoreFunctions>("shcore.dll", s_apszNames);
    UINT uDpiX = 0;
    UINT uDpiY = 0;

    if (!pShcore)
        return 0;
    if (pShcore->pfnGetDpiForMonitor(::MonitorFromWindow(hWnd, MONITOR_DEFAULTTONEAREST), QZ_MDT_EFFECTIVE_DPI,
                                     &uDpiX, &uDpiY) != 0)
        return 0;
    return (int)uDpiX;
}

}  // namespace

int QZ_GetWindowDpi(HWND hWnd)
{
    int nResult = 0;
    int nDpi = 0;
    QZ_PFN_GET_DPI_FOR_WINDOW pfnGetDpiForWindow = NULL;
    HMODULE hUser32 = ::GetModuleHandleA("user32.dll");
    HDC hScreenDC = NULL;

    if (hUser32 && QZ_ResolveFunction(hUser32, "GetDpiForWindow", pfnGetDpiForWindow))
        nDpi = (int)pfnGetDpiForWindow(hWnd);
    else
        nDpi = QZ_GetMonitorDpi(hWnd);
    if (nDpi <= 0)
    {
        hScreenDC = ::GetDC(NULL);
        QZLOG_PROCESS_ERROR(hScreenDC && "GetDC()");
        nDpi = ::GetDeviceCaps(hScreenDC, LOGPIXELSX);
        QZLOG_PROCESS_ERROR(nDpi > 0 && "GetDeviceCaps(LOGPIXELSX)");
    }

    nResult = 1;
Exit0:
    if (!nResult)
    {
        QZ_WriteLog(LOG_LEVEL_DEBUG, "No DPI for the window, 96 taken, Error code: %d.", (int)GetLastError());
        nDpi = QZ_DESIGN_DPI;
    }
    if (hScreenDC)
        ::ReleaseDC(NULL, hScreenDC);
    return nDpi;
}

int QZ_KeepDialogLayoutAtDpiChange(HWND hDialog)
{
    int nResult = 0;
    int nRetCode = 0;
    QZ_PFN_SET_DIALOG_DPI_CHANGE_BEHAVIOR pfnSetBehavior = NULL;
    HMODULE hUser32 = ::GetModuleHandleA("user32.dll");

    if (!hUser32 || !QZ_ResolveFunction(hUser32, "SetDialogDpiChangeBehavior", pfnSetBehavior))
        return 1;
    nRetCode = pfnSetBehavior(hDialog, QZ_DDC_DISABLE_ALL, QZ_DDC_DISABLE_ALL);
    QZLOG_PROCESS_ERROR(nRetCode && "SetDialogDpiChangeBehavior()");

    nResult = 1;
Exit0:
    if (!nResult)
        QZ_WriteLog(LOG_LEVEL_DEBUG, "The dialog's DPI change behaviour was not set, Error code: %d.",
                    (int)GetLastError());
    return nResult;
}
