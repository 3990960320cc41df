// The launcher picture's height for a number of choices, and the runs of non-key
// pixels in one row.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/window_skin.h"

namespace
{

const int kLauncherPiecesHeight = 144 + 4 + 190;

TEST(WindowSkinLayoutTest, PictureHeightGrowsWithTheChoicesAboveThePiecesHeight)
{
    struct
    {
        int nChoices;
        int nPiecesHeight;
        int nExpected;
    } Cases[] = {
        // The launcher's pieces: raised to 338 until the buttons need more.
        { 0, kLauncherPiecesHeight, 338 }, { 1, kLauncherPiecesHeight, 338 },
        { 2, kLauncherPiecesHeight, 338 }, { 3, kLauncherPiecesHeight, 393 },
        { 4, kLauncherPiecesHeight, 452 }, { 8, kLauncherPiecesHeight, 688 },
        // Small pieces leave the height the buttons need: 242 without any, then 59 each.
        { 0, 24, 242 }, { 1, 24, 275 }, { 2, 24, 334 }, { 3, 24, 393 },
        // The pieces' height wins exactly when it is larger.
        { 2, 334, 334 }, { 2, 335, 335 }, { 3, 392, 393 },
    };
    for (const auto& Case : Cases)
        EXPECT_EQ(Case.nExpected, QZ_SkinPictureHeight(Case.nChoices, Case.nPiecesHeight))
            << Case.nChoices << " choices, pieces " << Case.nPiecesHeight;
}

// The runs of a row written as text: 'k' for a key pixel, anything else not.
std::string Runs(const char* cszRow)
{
    const uint32_t uKey = 0xE257FF;
    std::vector<uint32_t> Row;
    for (const char* pch = cszRow; *pch; ++pch)
        Row.push_back(*pch == 'k' ? uKey : *pch == '-' ? uKey - 1 : 0x123456);
    std::string strRuns;
    QZ_PixelRun Run = {};
    int x = 0;
    while (QZ_NextPixelRun(Row.data(), (int)Row.size(), x, uKey, &Run))
    {
        EXPECT_LT(Run.nLeft, Run.nRight);
        strRuns += "[" + std::to_string(Run.nLeft) + "," + std::to_string(Run.nRight) + ")";
        x = Run.nRight;
    }
    return strRuns;
}

TEST(WindowSkinLayoutTest, RowsSplitIntoRunsOfNonKeyPixels)
{
    struct
    {
        const char* cszRow;
        const char* cszRuns;
    } Cases[] = {
        { "kkkk......kkkk", "[4,10)" },  // the outermost row of the launcher's corners
        { "k............k", "[1,13)" },
        { "..............", "[0,14)" },  // no key pixel: one run over the whole row
        { "kkkkkk", "" },                // only key pixels: nothing
        { "", "" },
        { "...k...", "[0,3)[4,7)" },     // a hole
        { ".kk.k.", "[0,1)[3,4)[5,6)" },
        { "..-..", "[0,5)" },            // one unit off the key is inside
        { "k", "" },
        { ".", "[0,1)" },
    };
    for (const auto& Case : Cases)
        EXPECT_EQ(Case.cszRuns, Runs(Case.cszRow)) << "row " << Case.cszRow;
}

TEST(WindowSkinLayoutTest, ScanningResumesFromTheGivenPixel)
{
    const uint32_t uKey = 7;
    const uint32_t Row[] = { 1, 1, 7, 1, 1, 1, 7, 7 };
    QZ_PixelRun Run = {};
    ASSERT_TRUE(QZ_NextPixelRun(Row, 8, 1, uKey, &Run));
    EXPECT_EQ(1, Run.nLeft);
    EXPECT_EQ(2, Run.nRight);
    ASSERT_TRUE(QZ_NextPixelRun(Row, 8, 2, uKey, &Run));
    EXPECT_EQ(3, Run.nLeft);
    EXPECT_EQ(6, Run.nRight);
    EXPECT_FALSE(QZ_NextPixelRun(Row, 8, 6, uKey, &Run));
    EXPECT_FALSE(QZ_NextPixelRun(Row, 8, 8, uKey, &Run));
}

}  // namespace
