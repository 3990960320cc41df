// The skin tests' fixture: a launcher window object bound to a fresh hidden popup.
#ifndef QZ_TESTS_UI_LAUNCHER_SKIN_ACCESS_H
#define QZ_TESTS_UI_LAUNCHER_SKIN_ACCESS_H

#include <gtest/gtest.h>

#include "tests/ui/launcher_dialog_access.h"
#include "tests/ui/ui_test_host.h"

// A test on a launcher window object bound to a fresh hidden popup, destroyed afterwards.
class QZ_LauncherPopupTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(QZ_ArdunLauncherDlgTest::CreatePopup(m_Dialog)); }
    void TearDown() override
    {
        m_Dialog.DestroyWindow();
        QZ_PumpMessages();
    }

    QZ_ArdunLauncherDlg m_Dialog;
};

#endif  // QZ_TESTS_UI_LAUNCHER_SKIN_ACCESS_H
