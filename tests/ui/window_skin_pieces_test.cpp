// The skin with small stand-in pieces (skin_pieces.rc, make_test_bitmaps.py): a top of
// 262 x 10 with a key-coloured hole and near-key pixels, a middle band of 131 x 2 and a
// bottom of 262 x 12. Small pieces let the choices decide the height, the narrow band
// shows the stretch, and the hole shows the cut.
#include <gtest/gtest.h>

#include "tests/ui/launcher_skin_access.h"
#include "tests/ui/skin_test_helpers.h"
#include "tests/ui/ui_test_host.h"
#include "ui/window_skin.h"

namespace
{

using Access = QZ_ArdunLauncherDlgTest;

const int kTopHeight = 10;
const int kBottomHeight = 12;

class WindowSkinPiecesTest : public QZ_LauncherPopupTest
{
};

TEST_F(WindowSkinPiecesTest, HeightIsWhatTheChoicesNeedWhenThePiecesAreSmaller)
{
    const int Expected[] = { 242, 275, 334, 393 };
    for (int n = 0; n < 4; ++n)
    {
        Access::SetChoiceCount(m_Dialog, n);
        ASSERT_EQ(1, Access::InitBackgroundBitmap(m_Dialog));
        BITMAP Info = {};
        ASSERT_TRUE(Access::Background(m_Dialog).GetBitmap(&Info));
        EXPECT_EQ(262, Info.bmWidth);
        EXPECT_EQ(Expected[n], Info.bmHeight) << n << " choices";
    }
}

TEST_F(WindowSkinPiecesTest, BandIsStretchedToTheFullWidthAndTheGapsHeight)
{
    Access::SetChoiceCount(m_Dialog, 2);
    ASSERT_EQ(1, Access::InitBackgroundBitmap(m_Dialog));
    QZ_Pixels Picture = QZ_ReadPixels(Access::Background(m_Dialog));
    ASSERT_EQ(334, Picture.nHeight);
    int nBandTop = kTopHeight;
    int nBandBottom = Picture.nHeight - kBottomHeight;

    for (int y = 0; y < kTopHeight; ++y)
        EXPECT_EQ(QZ_Rgb24(10 + y, 100, 50), Picture.At(7, y)) << "top row " << y;
    for (int y = 0; y < kBottomHeight; ++y)
        EXPECT_EQ(QZ_Rgb24(30, 10 + y, 150), Picture.At(7, nBandBottom + y)) << "bottom row " << y;

    // The band's first row comes from the piece's first row, its last from the second;
    // each piece row covers about half of the band, and each piece column two columns.
    int nFirstRowCount = 0;
    for (int y = nBandTop; y < nBandBottom; ++y)
    {
        int nPieceRow = Picture.At(0, y) == QZ_Rgb24(200, 0, 0) ? 0 : 1;
        ASSERT_EQ(QZ_Rgb24(200 + 10 * nPieceRow, 0, 0), Picture.At(0, y)) << "band row " << y;
        nFirstRowCount += nPieceRow == 0 ? 1 : 0;
        for (int x = 0; x < 262; ++x)
            ASSERT_EQ(QZ_Rgb24(200 + 10 * nPieceRow, x / 2, 0), Picture.At(x, y)) << x << "," << y;
    }
    EXPECT_EQ(QZ_Rgb24(200, 0, 0), Picture.At(0, nBandTop));
    EXPECT_EQ(QZ_Rgb24(210, 0, 0), Picture.At(0, nBandBottom - 1));
    EXPECT_NEAR((nBandBottom - nBandTop) / 2, nFirstRowCount, 1);
}

TEST_F(WindowSkinPiecesTest, KeyPixelMakesAHoleAndNearKeyColoursStayInside)
{
    Access::SetChoiceCount(m_Dialog, 1);
    ASSERT_EQ(1, Access::InitBackgroundBitmap(m_Dialog));
    QZ_Pixels Picture = QZ_ReadPixels(Access::Background(m_Dialog));
    ASSERT_EQ(QZ_Rgb24(255, 87, 226), Picture.At(100, 5)) << "the key colour must survive composition";
    ASSERT_EQ(1, Access::InitDialogRegion(m_Dialog));

    std::vector<RECT> Rects = QZ_WindowRegionRects(m_Dialog.m_hWnd);
    std::vector<std::vector<bool>> Mask = QZ_RegionMask(Rects, 262, 275);
    for (int y = 0; y < 275; ++y)
        for (int x = 0; x < 262; ++x)
            ASSERT_EQ(!(x == 100 && y == 5), (bool)Mask[y][x]) << "pixel " << x << "," << y;

    // Rows above and below the hole merge into one rectangle each; the hole's row
    // splits in two around it.
    ASSERT_EQ(4u, Rects.size());
    EXPECT_EQ(0, Rects[0].top);
    EXPECT_EQ(5, Rects[0].bottom);
    EXPECT_EQ(0, Rects[1].left);
    EXPECT_EQ(100, Rects[1].right);
    EXPECT_EQ(101, Rects[2].left);
    EXPECT_EQ(262, Rects[2].right);
    EXPECT_EQ(6, Rects[3].top);
    EXPECT_EQ(275, Rects[3].bottom);
}

// Every context, piece, run region and replaced shape is released: composing and
// cutting again and again leaves the number of GDI objects where it was.
TEST_F(WindowSkinPiecesTest, ComposingAndCuttingAgainReleasesEverything)
{
    Access::SetChoiceCount(m_Dialog, 2);
    for (int i = 0; i < 2; ++i)
    {
        ASSERT_EQ(1, Access::InitBackgroundBitmap(m_Dialog));
        ASSERT_EQ(1, Access::InitDialogRegion(m_Dialog));
    }
    QZ_PumpMessages();
    int nBefore = QZ_CountGdiObjects();
    for (int i = 0; i < 10; ++i)
    {
        ASSERT_EQ(1, Access::InitBackgroundBitmap(m_Dialog));
        ASSERT_EQ(1, Access::InitDialogRegion(m_Dialog));
    }
    QZ_PumpMessages();
    // The system may drop cached objects meanwhile; it must not gain any.
    EXPECT_LE(QZ_CountGdiObjects(), nBefore);
}

}  // namespace
