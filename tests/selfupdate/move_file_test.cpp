// QZ_ArdunLauncherDlg::_MoveFile on real files: replacement of the destination, its
// attributes, the three tries with their pauses, and the two lines of a failed move;
// the swap of a verified file held open, which nobody can replace under its name.
#include <gtest/gtest.h>

#include <windows.h>

#include <regex>
#include <string>
#include <vector>

#include "app/launcher_dialog.h"
#include "base/wide_text.h"
#include "selfupdate/file_swap.h"
#include "tests/support/iat_hook.h"
#include "tests/support/qz_captured_log.h"
#include "tests/support/qz_test_clock.h"
#include "tests/support/qz_test_files.h"

namespace
{

// What the hooks saw of the platform calls _MoveFile makes.
struct MoveCalls
{
    std::vector<std::string> Sources;
    std::vector<std::string> Destinations;
    std::vector<DWORD> Flags;
    std::vector<DWORD> Sleeps;
    std::vector<DWORD> Failures;  // the last errors of the first tries, in order; then real moves
    bool bRealSleep = true;
};
MoveCalls g_Calls;
decltype(&MoveFileExW) g_pfnMoveFileExW = nullptr;
decltype(&Sleep) g_pfnSleep = nullptr;

BOOL WINAPI RecordMoveFileExW(LPCWSTR cwszSource, LPCWSTR cwszDestination, DWORD dwFlags)
{
    size_t uTry = g_Calls.Sources.size();
    g_Calls.Sources.push_back(QZ_WideToUtf8(cwszSource));
    g_Calls.Destinations.push_back(QZ_WideToUtf8(cwszDestination));
    g_Calls.Flags.push_back(dwFlags);
    if (uTry < g_Calls.Failures.size())
    {
        SetLastError(g_Calls.Failures[uTry]);
        return FALSE;
    }
    return g_pfnMoveFileExW(cwszSource, cwszDestination, dwFlags);
}

void WINAPI RecordSleep(DWORD dwMilliseconds)
{
    g_Calls.Sleeps.push_back(dwMilliseconds);
    if (g_Calls.bRealSleep)
        g_pfnSleep(dwMilliseconds);
    // Whatever the pause does to the thread's last error must not reach the log line.
    SetLastError(ERROR_INVALID_FUNCTION);
}

class MoveFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_strFolder = QZ_MakeTestTempFolder("qz_move");
        ASSERT_FALSE(m_strFolder.empty());
        m_strSource = m_strFolder + "ArdunLauncher.exe.new";
        m_strDestination = m_strFolder + "ArdunLauncher.exe";
        g_Calls = MoveCalls();
        m_Log.Clear();
    }

    void TearDown() override
    {
        Unhook();
        QZ_RemoveTestFolder(m_strFolder);
    }

    void Hook()
    {
        g_pfnMoveFileExW =
            (decltype(&MoveFileExW))QZ_HookImport("kernel32.dll", "MoveFileExW", (void*)RecordMoveFileExW);
        g_pfnSleep = (decltype(&Sleep))QZ_HookImport("kernel32.dll", "Sleep", (void*)RecordSleep);
        ASSERT_TRUE(g_pfnMoveFileExW && g_pfnSleep) << "the test program does not import MoveFileExW and Sleep";
    }

    void Unhook()
    {
        if (g_pfnMoveFileExW)
            QZ_HookImport("kernel32.dll", "MoveFileExW", (void*)g_pfnMoveFileExW);
        if (g_pfnSleep)
            QZ_HookImport("kernel32.dll", "Sleep", (void*)g_pfnSleep);
        g_pfnMoveFileExW = nullptr;
        g_pfnSleep = nullptr;
    }

    std::vector<std::string> Messages() const
    {
        std::vector<std::string> Messages;
        for (const QZ_CapturedLogLine& Message : m_Log.Lines())
            Messages.push_back(Message.strLevel + " " + Message.strMessage);
        return Messages;
    }

    // The two lines of a move that failed three times, with the last try's error.
    void ExpectFailureLines(DWORD dwError)
    {
        std::vector<std::string> Lines = Messages();
        ASSERT_EQ(2u, Lines.size()) << Joined(Lines);
        EXPECT_TRUE(std::regex_match(
            Lines[0], std::regex(R"(DEBUG QZLOG_PROCESS_ERROR\(false\) at line \d+ in QZ_ArdunLauncherDlg::_MoveFile)")))
            << Lines[0];
        EXPECT_EQ("DEBUG Failed to move file `" + m_strSource + "` to `" + m_strDestination +
                      "`, Error code : " + std::to_string(dwError) + ".",
                  Lines[1]);
    }

    static std::string Joined(const std::vector<std::string>& Lines)
    {
        std::string strText;
        for (const std::string& strLine : Lines)
            strText += "  " + strLine + "\n";
        return strText;
    }

    QZ_CapturedLog m_Log;
    std::string m_strFolder;
    std::string m_strSource;
    std::string m_strDestination;
};

TEST_F(MoveFileTest, MovesAtOnceAndReplacesAnyDestination)
{
    const struct
    {
        const char* cszName;
        bool bDestination;
        DWORD dwAttributes;
    } Cases[] = {
        {"no destination", false, 0},
        {"plain destination", true, 0},
        {"read-only hidden system destination", true,
         FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM},
    };
    for (const auto& Case : Cases)
    {
        SCOPED_TRACE(Case.cszName);
        m_Log.Clear();
        QZ_WriteWholeFile(m_strSource, "the new launcher");
        if (Case.bDestination)
            QZ_WriteWholeFile(m_strDestination, "the old launcher, somewhat longer", Case.dwAttributes);

        double dStart = QZ_Seconds();
        EXPECT_EQ(1, QZ_ArdunLauncherDlg::_MoveFile(m_strSource.c_str(), m_strDestination.c_str()));
        double dSeconds = QZ_Seconds() - dStart;

        EXPECT_LT(dSeconds, 0.4) << "a move that works must not pause";
        EXPECT_FALSE(QZ_FileExists(m_strSource));
        EXPECT_EQ("the new launcher", QZ_ReadWholeFile(m_strDestination));
        DWORD dwAttributes = GetFileAttributesA(m_strDestination.c_str());
        EXPECT_EQ(0u, dwAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
        EXPECT_TRUE(Messages().empty()) << Joined(Messages());
        SetFileAttributesA(m_strDestination.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(m_strDestination.c_str());
    }
}

// Real failures, real pauses: a missing source, and a source another handle holds
// without delete sharing (as a virus scanner may hold a fresh download).
TEST_F(MoveFileTest, GivesUpAfterThreeTriesAndThreePauses)
{
    const struct
    {
        const char* cszName;
        bool bLockSource;
        DWORD dwError;
    } Cases[] = {
        {"missing source", false, ERROR_FILE_NOT_FOUND},
        {"source held open", true, ERROR_SHARING_VIOLATION},
    };
    for (const auto& Case : Cases)
    {
        SCOPED_TRACE(Case.cszName);
        m_Log.Clear();
        g_Calls = MoveCalls();
        HANDLE hLock = INVALID_HANDLE_VALUE;
        if (Case.bLockSource)
        {
            QZ_WriteWholeFile(m_strSource, "held");
            hLock = CreateFileA(m_strSource.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
            ASSERT_NE(INVALID_HANDLE_VALUE, hLock);
        }
        // The destination's attributes are cleared before the first try, even though
        // the move then fails.
        QZ_WriteWholeFile(m_strDestination, "the old launcher", FILE_ATTRIBUTE_READONLY);
        Hook();

        double dStart = QZ_Seconds();
        int nResult = QZ_ArdunLauncherDlg::_MoveFile(m_strSource.c_str(), m_strDestination.c_str());
        double dSeconds = QZ_Seconds() - dStart;
        Unhook();
        if (hLock != INVALID_HANDLE_VALUE)
            CloseHandle(hLock);

        EXPECT_EQ(0, nResult);
        EXPECT_EQ(3u, g_Calls.Sources.size());
        for (size_t uTry = 0; uTry < g_Calls.Sources.size(); ++uTry)
        {
            EXPECT_EQ(m_strSource, g_Calls.Sources[uTry]);
            EXPECT_EQ(m_strDestination, g_Calls.Destinations[uTry]);
            EXPECT_EQ((DWORD)(MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH), g_Calls.Flags[uTry]);
        }
        EXPECT_EQ(std::vector<DWORD>({500, 500, 500}), g_Calls.Sleeps);
        EXPECT_GE(dSeconds, 1.45);
        EXPECT_LT(dSeconds, 3.0);
        EXPECT_EQ("the old launcher", QZ_ReadWholeFile(m_strDestination));
        EXPECT_EQ(0u, GetFileAttributesA(m_strDestination.c_str()) & FILE_ATTRIBUTE_READONLY);
        ExpectFailureLines(Case.dwError);
        DeleteFileA(m_strSource.c_str());
    }
}

TEST_F(MoveFileTest, ReportsTheErrorOfTheLastTry)
{
    QZ_WriteWholeFile(m_strSource, "the new launcher");
    Hook();
    g_Calls.bRealSleep = false;
    g_Calls.Failures = {ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION, ERROR_LOCK_VIOLATION, ERROR_SUCCESS};

    EXPECT_EQ(0, QZ_ArdunLauncherDlg::_MoveFile(m_strSource.c_str(), m_strDestination.c_str()));
    Unhook();

    EXPECT_EQ(3u, g_Calls.Sources.size()) << "no fourth try";
    EXPECT_EQ(3u, g_Calls.Sleeps.size());
    ExpectFailureLines(ERROR_LOCK_VIOLATION);
    EXPECT_EQ("the new launcher", QZ_ReadWholeFile(m_strSource));
}

TEST_F(MoveFileTest, ALaterTrySucceedsWithoutALogLine)
{
    const struct
    {
        const char* cszName;
        std::vector<DWORD> Failures;
    } Cases[] = {
        {"second try", {ERROR_SHARING_VIOLATION}},
        {"third try", {ERROR_SHARING_VIOLATION, ERROR_ACCESS_DENIED}},
    };
    for (const auto& Case : Cases)
    {
        SCOPED_TRACE(Case.cszName);
        m_Log.Clear();
        g_Calls = MoveCalls();
        QZ_WriteWholeFile(m_strSource, "the new launcher");
        QZ_WriteWholeFile(m_strDestination, "the old launcher");
        Hook();
        g_Calls.bRealSleep = false;
        g_Calls.Failures = Case.Failures;

        EXPECT_EQ(1, QZ_ArdunLauncherDlg::_MoveFile(m_strSource.c_str(), m_strDestination.c_str()));
        Unhook();

        EXPECT_EQ(Case.Failures.size() + 1, g_Calls.Sources.size());
        EXPECT_EQ(Case.Failures.size(), g_Calls.Sleeps.size()) << "a pause after each failed try only";
        EXPECT_EQ("the new launcher", QZ_ReadWholeFile(m_strDestination));
        EXPECT_FALSE(QZ_FileExists(m_strSource));
        EXPECT_TRUE(Messages().empty()) << Joined(Messages());
    }
}

// The verified file is held from its checks to its rename: another program can neither
// put another file under its name nor take it away, and the swap moves in what was
// verified, with the old launcher aside under the work name.
TEST_F(MoveFileTest, TheSwapMovesInTheHeldFileAndNothingElse)
{
    const std::string strOldFile = m_strFolder + "ArdunLauncher.exe.tmp";
    const std::string strIntruder = m_strFolder + "intruder.exe";
    int nKeepOldFile = -1;
    QZ_WriteWholeFile(m_strSource, "the verified launcher");
    QZ_WriteWholeFile(m_strDestination, "the old launcher");
    QZ_WriteWholeFile(strIntruder, "another program");

    void* hVerified = QZ_OpenVerifiedFile(m_strSource.c_str());
    ASSERT_NE(INVALID_HANDLE_VALUE, hVerified);
    EXPECT_FALSE(MoveFileExA(strIntruder.c_str(), m_strSource.c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_FALSE(MoveFileExA(m_strSource.c_str(), (strIntruder + ".aside").c_str(), 0));
    HANDLE hWriter = CreateFileA(m_strSource.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE |
                                 FILE_SHARE_DELETE, NULL, OPEN_EXISTING, 0, NULL);
    EXPECT_EQ(INVALID_HANDLE_VALUE, hWriter);
    if (hWriter != INVALID_HANDLE_VALUE)
        CloseHandle(hWriter);

    EXPECT_EQ(1, QZ_SwapInVerifiedFile(hVerified, m_strSource.c_str(), m_strDestination.c_str(),
                                       strOldFile.c_str(), &nKeepOldFile));
    CloseHandle(hVerified);

    EXPECT_EQ(0, nKeepOldFile);
    EXPECT_EQ("the verified launcher", QZ_ReadWholeFile(m_strDestination));
    EXPECT_EQ("the old launcher", QZ_ReadWholeFile(strOldFile));
    EXPECT_FALSE(QZ_FileExists(m_strSource));
    EXPECT_TRUE(Messages().empty()) << Joined(Messages());
}

}  // namespace
