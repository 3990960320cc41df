// Times the cut of the launcher window's shape from its picture (QZ_CreateShapeRegion,
// which _InitDialogRegion calls), for 2 and for 8 server choices, and beside it one
// GetDIBits read of the same picture (the cost of simply reading every pixel once).
// Also shows the whole _InitDialogRegion step, whose window moves and shape change cost
// what the window manager makes them cost. Prints one line per choice count.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/ui/launcher_dialog_access.h"
#include "ui/window_shape.h"
#include "ui/window_skin.h"

namespace
{

double Now()
{
    static LARGE_INTEGER s_Frequency = {};
    if (!s_Frequency.QuadPart)
        QueryPerformanceFrequency(&s_Frequency);
    LARGE_INTEGER Counter;
    QueryPerformanceCounter(&Counter);
    return (double)Counter.QuadPart / (double)s_Frequency.QuadPart;
}

void PumpMessages()
{
    MSG Message;
    while (PeekMessageA(&Message, NULL, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&Message);
        DispatchMessageA(&Message);
    }
}

double Median(std::vector<double> Values)
{
    std::sort(Values.begin(), Values.end());
    return Values[Values.size() / 2];
}

// One read of the whole picture as 32-bit pixels.
bool ReadAllPixels(HBITMAP hBitmap, int nWidth, int nHeight, std::vector<unsigned int>& Buffer)
{
    BITMAPINFO Info = {};
    Info.bmiHeader.biSize = sizeof(Info.bmiHeader);
    Info.bmiHeader.biWidth = nWidth;
    Info.bmiHeader.biHeight = -nHeight;
    Info.bmiHeader.biPlanes = 1;
    Info.bmiHeader.biBitCount = 32;
    Info.bmiHeader.biCompression = BI_RGB;
    HDC hDC = GetDC(NULL);
    int nRows = GetDIBits(hDC, hBitmap, 0, (UINT)nHeight, Buffer.data(), &Info, DIB_RGB_COLORS);
    ReleaseDC(NULL, hDC);
    return nRows == nHeight;
}

int RegionRectCount(HWND hWnd)
{
    HRGN hRegion = CreateRectRgn(0, 0, 0, 0);
    int nCount = -1;
    if (GetWindowRgn(hWnd, hRegion) != ERROR)
    {
        DWORD dwSize = GetRegionData(hRegion, 0, NULL);
        std::vector<char> Data(dwSize);
        if (dwSize && GetRegionData(hRegion, dwSize, (RGNDATA*)Data.data()))
            nCount = (int)((RGNDATA*)Data.data())->rdh.nCount;
    }
    DeleteObject(hRegion);
    return nCount;
}

}  // namespace

int main(int argc, char** argv)
{
    int nRounds = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    const int nReadsPerRound = 200;

    WNDCLASSA Class = {};
    Class.lpfnWndProc = DefWindowProcA;
    Class.hInstance = GetModuleHandleA(NULL);
    Class.lpszClassName = "QZSkinBench";
    RegisterClassA(&Class);

    printf("shape of the launcher window vs one GetDIBits read of its picture (median of %d rounds)\n",
           nRounds);
    int nExitCode = 0;
    for (int nChoices : { 2, 8 })
    {
        QZ_ArdunLauncherDlg Dialog;
        HWND hWnd = CreateWindowExA(0, "QZSkinBench", "", WS_POPUP, 0, 0, 100, 100, NULL, NULL,
                                    GetModuleHandleA(NULL), NULL);
        if (!hWnd || !Dialog.SubclassWindow(hWnd))
        {
            fprintf(stderr, "cannot create the bench window\n");
            return 1;
        }
        ShowWindow(hWnd, SW_SHOWNOACTIVATE);
        QZ_ArdunLauncherDlgTest::SetChoiceCount(Dialog, nChoices);
        if (!QZ_ArdunLauncherDlgTest::InitBackgroundBitmap(Dialog))
        {
            fprintf(stderr, "composing the picture for %d choices failed\n", nChoices);
            return 1;
        }
        HBITMAP hPicture = QZ_ArdunLauncherDlgTest::Background(Dialog);
        BITMAP Info = {};
        GetObjectA(hPicture, sizeof(Info), &Info);
        std::vector<unsigned int> Buffer((size_t)Info.bmWidth * (size_t)Info.bmHeight);

        std::vector<double> StepTimes;
        std::vector<double> ShapeTimes;
        std::vector<double> ReadTimes;
        for (int nRound = 0; nRound < nRounds; ++nRound)
        {
            PumpMessages();
            double dStart = Now();
            int nRetCode = QZ_ArdunLauncherDlgTest::InitDialogRegion(Dialog);
            StepTimes.push_back(Now() - dStart);
            if (!nRetCode)
            {
                fprintf(stderr, "the shape step for %d choices failed\n", nChoices);
                nExitCode = 1;
            }
            PumpMessages();

            dStart = Now();
            for (int i = 0; i < nReadsPerRound; ++i)
            {
                HRGN hShape = QZ_CreateShapeRegion(hPicture, SHAPE_KEY_COLOR);
                if (!hShape)
                {
                    fprintf(stderr, "cutting the shape for %d choices failed\n", nChoices);
                    nExitCode = 1;
                }
                DeleteObject(hShape);
            }
            ShapeTimes.push_back((Now() - dStart) / nReadsPerRound);

            dStart = Now();
            for (int i = 0; i < nReadsPerRound; ++i)
            {
                if (!ReadAllPixels(hPicture, Info.bmWidth, Info.bmHeight, Buffer))
                {
                    fprintf(stderr, "GetDIBits failed\n");
                    nExitCode = 1;
                }
            }
            ReadTimes.push_back((Now() - dStart) / nReadsPerRound);
        }
        double dShape = Median(ShapeTimes);
        double dRead = Median(ReadTimes);
        printf("choices=%d picture=%dx%d pixels=%d region_rects=%d shape_ms=%.4f getdibits_ms=%.4f ratio=%.2f "
               "(whole _InitDialogRegion step with the window moves: %.3f ms)\n",
               nChoices, (int)Info.bmWidth, (int)Info.bmHeight, (int)(Info.bmWidth * Info.bmHeight),
               RegionRectCount(hWnd), dShape * 1000.0, dRead * 1000.0, dShape / dRead, Median(StepTimes) * 1000.0);
        Dialog.DestroyWindow();
        PumpMessages();
    }
    return nExitCode;
}
