// A program without the bottom background piece (skin_missing_piece.rc): composing the
// picture fails, says where, and releases what it had taken.
#include <gtest/gtest.h>

#include "tests/support/qz_captured_log.h"
#include "tests/ui/launcher_skin_access.h"
#include "tests/ui/ui_test_host.h"

namespace
{

using Access = QZ_ArdunLauncherDlgTest;

TEST(WindowSkinMissingPieceTest, CompositionFailsAtTheBottomPieceAndReleasesEverything)
{
    QZ_ArdunLauncherDlg Dialog;
    ASSERT_TRUE(Access::CreatePopup(Dialog));
    Access::SetChoiceCount(Dialog, 2);
    // A first attempt settles whatever the system creates once per process.
    EXPECT_EQ(0, Access::InitBackgroundBitmap(Dialog));
    int nBefore = QZ_CountGdiObjects();

    QZ_CapturedLog Log;
    EXPECT_EQ(0, Access::InitBackgroundBitmap(Dialog));
    std::vector<QZ_CapturedLogLine> Lines = Log.Lines();
    // The loader says which picture it could not find, then the composition fails.
    ASSERT_EQ(3u, Lines.size());
    EXPECT_NE(std::string::npos, Lines[0].strMessage.find("FindResource(SKIN100)"));
    EXPECT_NE(std::string::npos, Lines[1].strMessage.find("Failed to load skin picture 153 at 96 DPI"));
    EXPECT_EQ("DEBUG", Lines[2].strLevel);
    EXPECT_EQ(0u, Lines[2].strMessage.find("QZLOG_PROCESS_ERROR(nRetCode) at line "));
    EXPECT_NE(std::string::npos, Lines[2].strMessage.find(" in QZ_ArdunLauncherDlg::_InitBackgroundBitmap"));

    EXPECT_EQ(nBefore, QZ_CountGdiObjects());
    EXPECT_EQ(NULL, Access::Background(Dialog).GetSafeHandle()) << "no picture without its pieces";
    Dialog.DestroyWindow();
}

}  // namespace
