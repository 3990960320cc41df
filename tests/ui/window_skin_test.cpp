// The launcher's own skin: the picture composed from its background pieces for 0 to 4
// choices, and the window cut to it. Also a look at the whole launcher window.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/launcher_texts.h"
#include "tests/support/qz_captured_log.h"
#include "tests/ui/launcher_skin_access.h"
#include "tests/ui/skin_test_helpers.h"
#include "tests/ui/ui_test_host.h"
#include "ui/window_shape.h"
#include "ui/skin_picture.h"
#include "ui/window_skin.h"

namespace
{

using Access = QZ_ArdunLauncherDlgTest;

const int kTopHeight = 144;
const int kBottomHeight = 190;
const int kCornerCut[4] = { 4, 2, 1, 1 };

QZ_Pixels LoadPiece(UINT nId)
{
    CBitmap Piece;
    if (!Piece.Attach(QZ_LoadSkinPicture(nId, QZ_DESIGN_DPI)))
        return QZ_Pixels();
    return QZ_ReadPixels(Piece);
}

class WindowSkinTest : public QZ_LauncherPopupTest
{
};

TEST_F(WindowSkinTest, PictureIs262WideAndGrowsWithTheChoices)
{
    const int Expected[] = { 338, 338, 338, 393, 452 };
    for (int n = 0; n < 5; ++n)
    {
        Access::SetChoiceCount(m_Dialog, n);
        ASSERT_EQ(1, Access::InitBackgroundBitmap(m_Dialog)) << n << " choices";
        BITMAP Info = {};
        ASSERT_TRUE(Access::Background(m_Dialog).GetBitmap(&Info));
        EXPECT_EQ(262, Info.bmWidth) << n << " choices";
        EXPECT_EQ(Expected[n], Info.bmHeight) << n << " choices";
    }
}

// Top at its own height, the band between, the bottom against the bottom edge.
TEST_F(WindowSkinTest, PiecesAreCopiedIntoPlaceAndTheBandFillsTheGap)
{
    QZ_Pixels Top = LoadPiece(IDB_BACKGROUND_TOP);
    QZ_Pixels Middle = LoadPiece(IDB_BACKGROUND_MIDDLE);
    QZ_Pixels Bottom = LoadPiece(IDB_BACKGROUND_BOTTOM);
    ASSERT_EQ(kTopHeight, Top.nHeight);
    ASSERT_EQ(4, Middle.nHeight);
    ASSERT_EQ(kBottomHeight, Bottom.nHeight);

    for (int n : { 2, 3 })
    {
        Access::SetChoiceCount(m_Dialog, n);
        ASSERT_EQ(1, Access::InitBackgroundBitmap(m_Dialog));
        QZ_Pixels Picture = QZ_ReadPixels(Access::Background(m_Dialog));
        int nBand = Picture.nHeight - kTopHeight - kBottomHeight;
        EXPECT_EQ(n == 2 ? 4 : 59, nBand);
        for (int y = 0; y < kTopHeight; ++y)
            ASSERT_EQ(Top.Row(y), Picture.Row(y)) << "top row " << y << ", " << n << " choices";
        for (int y = 0; y < nBand; ++y)
            ASSERT_EQ(Middle.Row(y * 4 / nBand), Picture.Row(kTopHeight + y)) << "band row " << y;
        for (int y = 0; y < kBottomHeight; ++y)
            ASSERT_EQ(Bottom.Row(y), Picture.Row(kTopHeight + nBand + y)) << "bottom row " << y;
    }
}

TEST_F(WindowSkinTest, WindowTakesThePicturesSizeAndLosesOnlyItsCorners)
{
    Access::SetChoiceCount(m_Dialog, 2);
    ASSERT_EQ(1, Access::InitBackgroundBitmap(m_Dialog));
    ASSERT_EQ(1, Access::InitDialogRegion(m_Dialog));

    RECT rcWindow;
    ::GetWindowRect(m_Dialog.m_hWnd, &rcWindow);
    EXPECT_EQ(262, rcWindow.right - rcWindow.left);
    EXPECT_EQ(338, rcWindow.bottom - rcWindow.top);
    // Centred on the screen's work area.
    RECT rcWork;
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &rcWork, 0);
    EXPECT_NEAR((rcWork.left + rcWork.right) / 2, (rcWindow.left + rcWindow.right) / 2, 1);
    EXPECT_NEAR((rcWork.top + rcWork.bottom) / 2, (rcWindow.top + rcWindow.bottom) / 2, 1);

    std::vector<RECT> Rects = QZ_WindowRegionRects(m_Dialog.m_hWnd);
    ASSERT_FALSE(Rects.empty());
    for (const RECT& Rect : Rects)
    {
        EXPECT_GE(Rect.left, 0);
        EXPECT_GE(Rect.top, 0);
        EXPECT_LE(Rect.right, 262);
        EXPECT_LE(Rect.bottom, 338);
    }
    std::vector<std::vector<bool>> Mask = QZ_RegionMask(Rects, 262, 338);
    for (int y = 0; y < 338; ++y)
    {
        int nRowFromEdge = std::min(y, 337 - y);
        int nCut = nRowFromEdge < 4 ? kCornerCut[nRowFromEdge] : 0;
        for (int x = 0; x < 262; ++x)
        {
            bool bInside = x >= nCut && x < 262 - nCut;
            ASSERT_EQ(bInside, (bool)Mask[y][x]) << "pixel " << x << "," << y;
        }
    }
    // The screen agrees: the cut corner belongs to no window of ours.
    EXPECT_NE(m_Dialog.m_hWnd, ::WindowFromPoint(POINT{ rcWindow.left, rcWindow.top }));
}

// Gives the window object a fresh nWidth x nHeight picture in the display's format,
// painted by PaintPicture(hDC).
template <typename Paint>
bool ReplacePicture(QZ_ArdunLauncherDlg& Dialog, int nWidth, int nHeight, Paint&& PaintPicture)
{
    CDC ScreenDC;
    ScreenDC.Attach(::GetDC(NULL));
    CBitmap& Background = Access::Background(Dialog);
    Background.DeleteObject();
    bool bCreated = Background.CreateCompatibleBitmap(&ScreenDC, nWidth, nHeight) != FALSE;
    ::ReleaseDC(NULL, ScreenDC.Detach());
    CDC MemoryDC;
    if (!bCreated || !MemoryDC.CreateCompatibleDC(NULL))
        return false;
    HGDIOBJ hOld = MemoryDC.SelectObject(&Background);
    PaintPicture(MemoryDC.GetSafeHdc());
    MemoryDC.SelectObject(hOld);
    return true;
}

// The shape as a pixel-by-pixel scan makes it: every pixel read with GetPixel, one
// rectangle region per run of non-key pixels, united one by one.
HRGN ShapeByPixelScan(HBITMAP hPicture)
{
    BITMAP Info = {};
    ::GetObjectA(hPicture, sizeof(Info), &Info);
    HDC hMemory = ::CreateCompatibleDC(NULL);
    HGDIOBJ hOld = ::SelectObject(hMemory, hPicture);
    HRGN hShape = ::CreateRectRgn(0, 0, 0, 0);
    for (int y = 0; y < Info.bmHeight; ++y)
    {
        for (int x = 0; x < Info.bmWidth;)
        {
            if (::GetPixel(hMemory, x, y) == SHAPE_KEY_COLOR)
            {
                ++x;
                continue;
            }
            int nLeft = x;
            while (x < Info.bmWidth && ::GetPixel(hMemory, x, y) != SHAPE_KEY_COLOR)
                ++x;
            HRGN hRun = ::CreateRectRgn(nLeft, y, x, y + 1);
            ::CombineRgn(hShape, hShape, hRun, RGN_OR);
            ::DeleteObject(hRun);
        }
    }
    ::SelectObject(hMemory, hOld);
    ::DeleteDC(hMemory);
    return hShape;
}

bool ShapeIsThePixelScans(QZ_ArdunLauncherDlg& Dialog, size_t* puRects)
{
    HRGN hExpected = ShapeByPixelScan(Access::Background(Dialog));
    HRGN hShape = ::CreateRectRgn(0, 0, 0, 0);
    bool bEqual = ::GetWindowRgn(Dialog.m_hWnd, hShape) != ERROR && ::EqualRgn(hShape, hExpected);
    *puRects = QZ_WindowRegionRects(Dialog.m_hWnd).size();
    ::DeleteObject(hShape);
    ::DeleteObject(hExpected);
    return bEqual;
}

// The shape is cut from one read of the whole picture: it must be the very region the
// pixel-by-pixel scan gives, for the launcher's own pieces and for a picture of many
// short runs (key pixels and colours one unit off the key in every channel).
TEST_F(WindowSkinTest, ShapeIsTheRegionOfAPixelByPixelScan)
{
    size_t uRects = 0;
    for (int n : { 2, 3 })
    {
        Access::SetChoiceCount(m_Dialog, n);
        ASSERT_EQ(1, Access::InitBackgroundBitmap(m_Dialog));
        ASSERT_EQ(1, Access::InitDialogRegion(m_Dialog));
        EXPECT_TRUE(ShapeIsThePixelScans(m_Dialog, &uRects)) << n << " choices";
    }

    const COLORREF Colours[] = { SHAPE_KEY_COLOR, RGB(254, 87, 226), RGB(255, 88, 226), RGB(255, 87, 225),
                                 RGB(0, 0, 0), RGB(255, 255, 255) };
    ASSERT_TRUE(ReplacePicture(m_Dialog, 301, 97, [&Colours](HDC hDC) {
        for (int y = 0; y < 97; ++y)
            for (int x = 0; x < 301; ++x)
                ::SetPixel(hDC, x, y, Colours[(x * 7 + y * 13 + (x * y) % 5) % 6]);
    }));
    ASSERT_EQ(1, Access::InitDialogRegion(m_Dialog));
    EXPECT_TRUE(ShapeIsThePixelScans(m_Dialog, &uRects)) << "the synthetic picture";
    EXPECT_GT(uRects, 97u * 20u) << "the synthetic picture should give many runs";
}

TEST_F(WindowSkinTest, PictureWithoutKeyPixelsGivesOneRectangle)
{
    ASSERT_TRUE(ReplacePicture(m_Dialog, 200, 150, [](HDC hDC) {
        RECT rcAll = { 0, 0, 200, 150 };
        HBRUSH hBrush = ::CreateSolidBrush(RGB(255, 87, 225));  // one unit off the key
        ::FillRect(hDC, &rcAll, hBrush);
        ::DeleteObject(hBrush);
    }));
    ASSERT_EQ(1, Access::InitDialogRegion(m_Dialog));
    std::vector<RECT> Rects = QZ_WindowRegionRects(m_Dialog.m_hWnd);
    ASSERT_EQ(1u, Rects.size());
    EXPECT_EQ(0, Rects[0].left);
    EXPECT_EQ(0, Rects[0].top);
    EXPECT_EQ(200, Rects[0].right);
    EXPECT_EQ(150, Rects[0].bottom);
}

TEST_F(WindowSkinTest, ShapeWithoutAPictureFailsAndSaysWhere)
{
    QZ_CapturedLog Log;
    Access::Background(m_Dialog).DeleteObject();
    EXPECT_EQ(0, Access::InitDialogRegion(m_Dialog));
    std::vector<QZ_CapturedLogLine> Lines = Log.Lines();
    ASSERT_EQ(1u, Lines.size());
    EXPECT_EQ("DEBUG", Lines[0].strLevel);
    EXPECT_EQ(0u, Lines[0].strMessage.find("QZLOG_PROCESS_ERROR(nRetCode) at line "));
    EXPECT_NE(std::string::npos, Lines[0].strMessage.find(" in QZ_ArdunLauncherDlg::_InitDialogRegion"));
    // Nothing was cut.
    EXPECT_TRUE(QZ_WindowRegionRects(m_Dialog.m_hWnd).empty());
}

// A picture that cannot be read cuts nothing: the log names the failed call and gives
// the platform's error code.
TEST(WindowShapeTest, UnreadablePictureFailsAndSaysWhy)
{
    HBITMAP hGone = ::CreateBitmap(4, 4, 1, 32, NULL);
    ASSERT_TRUE(hGone);
    ::DeleteObject(hGone);
    QZ_CapturedLog Log;
    EXPECT_EQ(NULL, QZ_CreateShapeRegion(hGone, SHAPE_KEY_COLOR));
    std::vector<QZ_CapturedLogLine> Lines = Log.Lines();
    ASSERT_EQ(2u, Lines.size());
    EXPECT_TRUE(QZ_IsCheckLine(Lines[0].strMessage, "nRetCode && \"GetObject()\"", "QZ_CreateShapeRegion"))
        << Lines[0].strMessage;
    EXPECT_EQ(0u, Lines[1].strMessage.find("Failed to cut the window shape from the picture, Error code: "))
        << Lines[1].strMessage;
}

// What the window's erase paints into a fresh picture of its size, pre-filled with
// kUnpainted.
const COLORREF kUnpainted = RGB(1, 2, 3);

QZ_Pixels Erase(HWND hWnd)
{
    HDC hScreen = ::GetDC(NULL);
    HDC hTarget = ::CreateCompatibleDC(hScreen);
    HBITMAP hPicture = ::CreateCompatibleBitmap(hScreen, 262, 338);
    ::ReleaseDC(NULL, hScreen);
    HGDIOBJ hOld = ::SelectObject(hTarget, hPicture);
    RECT rcAll = { 0, 0, 262, 338 };
    HBRUSH hBrush = ::CreateSolidBrush(kUnpainted);
    ::FillRect(hTarget, &rcAll, hBrush);
    ::DeleteObject(hBrush);
    ::SendMessageA(hWnd, WM_ERASEBKGND, (WPARAM)hTarget, 0);
    ::SelectObject(hTarget, hOld);
    ::DeleteDC(hTarget);
    QZ_Pixels Painted = QZ_ReadPixels(hPicture);
    ::DeleteObject(hPicture);
    return Painted;
}

// Erases the window whenever it changes while it has a shape, as a system that erases
// synchronously inside SetWindowRgn does.
HWND s_hErasedWindow = NULL;
std::vector<uint32_t> s_ErasedCentres;

LRESULT CALLBACK EraseOnShapeChange(int nCode, WPARAM wParam, LPARAM lParam)
{
    const CWPRETSTRUCT* pMessage = (const CWPRETSTRUCT*)lParam;
    if (nCode == HC_ACTION && pMessage->hwnd == s_hErasedWindow && pMessage->message == WM_WINDOWPOSCHANGED)
    {
        HRGN hShape = ::CreateRectRgn(0, 0, 0, 0);
        if (::GetWindowRgn(s_hErasedWindow, hShape) != ERROR)
            s_ErasedCentres.push_back(Erase(s_hErasedWindow).At(131, 169));
        ::DeleteObject(hShape);
    }
    return ::CallNextHookEx(NULL, nCode, wParam, lParam);
}

// The picture is free while the shape is set, so an erase from inside SetWindowRgn
// paints it; an erase while another context holds the picture paints nothing at all.
TEST_F(WindowSkinTest, EraseDuringTheShapeChangePaintsThePictureAndABusyPicturePaintsNothing)
{
    Access::SetChoiceCount(m_Dialog, 2);
    ASSERT_EQ(1, Access::InitBackgroundBitmap(m_Dialog));
    uint32_t uPictureCentre = QZ_ReadPixels(Access::Background(m_Dialog)).At(131, 169);
    uint32_t uUnpainted = QZ_Rgb24(GetRValue(kUnpainted), GetGValue(kUnpainted), GetBValue(kUnpainted));
    ASSERT_NE(uUnpainted, uPictureCentre);

    s_hErasedWindow = m_Dialog.m_hWnd;
    s_ErasedCentres.clear();
    HHOOK hHook = ::SetWindowsHookExA(WH_CALLWNDPROCRET, EraseOnShapeChange, NULL, ::GetCurrentThreadId());
    ASSERT_TRUE(hHook != NULL);
    int nResult = Access::InitDialogRegion(m_Dialog);
    ::UnhookWindowsHookEx(hHook);
    ASSERT_EQ(1, nResult);
    ASSERT_FALSE(s_ErasedCentres.empty()) << "setting the shape changed no window position";
    for (uint32_t uCentre : s_ErasedCentres)
        EXPECT_EQ(uPictureCentre, uCentre);

    CDC HoldingDC;
    ASSERT_TRUE(HoldingDC.CreateCompatibleDC(NULL));
    HGDIOBJ hOld = HoldingDC.SelectObject(&Access::Background(m_Dialog));
    ASSERT_TRUE(hOld != NULL);
    QZ_Pixels Painted = Erase(m_Dialog.m_hWnd);
    EXPECT_EQ(std::count(Painted.Data.begin(), Painted.Data.end(), uUnpainted), (ptrdiff_t)Painted.Data.size())
        << "pixels were painted from something else than the picture";
    HoldingDC.SelectObject(hOld);
    EXPECT_EQ(uPictureCentre, Erase(m_Dialog.m_hWnd).At(131, 169));
}

// The whole launcher window from its own template, with two and with three choices,
// the mouse over the second choice; saved for a look.
TEST(WindowSkinLookTest, LauncherWindowScreenshots)
{
    for (int n : { 2, 3 })
    {
        QZ_ArdunLauncherDlg Dialog;
        ASSERT_TRUE(Access::CreateFromTemplate(Dialog));
        std::vector<std::pair<std::string, std::string>> Choices = {
            { QZ_TEXT_OFFICIAL_NAME, QZ_TEXT_OFFICIAL_DESCRIPTION },
            { QZ_TEXT_EXPERIENCE_NAME, QZ_TEXT_EXPERIENCE_DESCRIPTION },
            { "Third choice", "A third kind of server, to see the band stretched." },
        };
        Choices.resize((size_t)n);
        Access::SetChoices(Dialog, Choices);
        ::ShowWindow(Dialog.m_hWnd, SW_SHOW);
        ASSERT_EQ(1, Access::InitBackgroundBitmap(Dialog));
        ASSERT_EQ(1, Access::InitDialogRegion(Dialog));
        ASSERT_EQ(1, Access::InitLaunchButtons(Dialog));
        ASSERT_EQ(1, Access::InitQuitButton(Dialog));
        ASSERT_EQ(1, Access::InitClueRegion(Dialog));
        Dialog.RedrawWindow(NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        QZ_PumpFor(150);
        RECT rcClient;
        ::GetClientRect(Dialog.m_hWnd, &rcClient);
        EXPECT_EQ(262, rcClient.right);
        EXPECT_EQ(n == 2 ? 338 : 393, rcClient.bottom);
        std::string strName = "launcher_window_" + std::to_string(n) + "_choices";
        EXPECT_TRUE(QZ_SaveWindowScreenshot(Dialog.m_hWnd, strName.c_str()));

        // The mouse over the second choice shows its name and description.
        POINT ptOrigin = { 0, 0 };
        ::ClientToScreen(Dialog.m_hWnd, &ptOrigin);
        std::string strDefault = Access::ClueText(Dialog).GetText().GetString();
        QZ_MouseMoveTo(ptOrigin.x + 130, ptOrigin.y + 111 + 16);
        EXPECT_TRUE(QZ_PumpUntil([&]() { return Access::ClueText(Dialog).GetText() != strDefault.c_str(); }));
        QZ_PumpFor(150);
        EXPECT_TRUE(QZ_SaveWindowScreenshot(Dialog.m_hWnd, (strName + "_hover").c_str()));
        QZ_MouseMoveTo(20, 20);
        QZ_PumpFor(100);
        Dialog.DestroyWindow();
        QZ_PumpMessages();
    }
}

}  // namespace
