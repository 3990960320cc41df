// The process-wide log on Windows: its folders and files, rotation, the standard
// streams, failures, the check-and-bail macros and two writing threads.
#include <gtest/gtest.h>

#include <windows.h>
#include <direct.h>
#include <errno.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "base/log.h"
#include "base/log_clock.h"
#include "tests/support/qz_captured_log.h"

namespace fs = std::filesystem;

namespace
{

QZ_LogTime g_ClockTime;

void TestClock(QZ_LogTime* pTime)
{
    *pTime = g_ClockTime;
}

// Makes every following message carry this local time.
void SetClock(int nYear, int nMonth, int nDay, int nHour, int nMinute, int nSecond)
{
    g_ClockTime = QZ_LogTime{nYear, nMonth, nDay, nHour, nMinute, nSecond};
    QZ_SetLogClock(TestClock);
}

std::string ThreadIdText(DWORD dwThreadID)
{
    char szText[16];
    snprintf(szText, sizeof(szText), "%08lX", (unsigned long)dwThreadID);
    return szText;
}

// The header every message written on this thread at the test clock's time gets.
std::string ClockHeader(const char* cszLevel)
{
    char szHeader[64];
    snprintf(szHeader, sizeof(szHeader), "%d%2.2d%2.2d-%2.2d%2.2d%2.2d<%s:%s>: ", g_ClockTime.nYear,
             g_ClockTime.nMonth, g_ClockTime.nDay, g_ClockTime.nHour, g_ClockTime.nMinute,
             g_ClockTime.nSecond, cszLevel, ThreadIdText(GetCurrentThreadId()).c_str());
    return szHeader;
}

QZ_LogSettings MakeSettings(const std::string& strRoot, const std::string& strName, int nOptions,
                            int nMaxLinesPerFile)
{
    QZ_LogSettings Settings;
    memset(&Settings, 0, sizeof(Settings));
    snprintf(Settings.szRootPath, sizeof(Settings.szRootPath), "%s", strRoot.c_str());
    snprintf(Settings.szName, sizeof(Settings.szName), "%s", strName.c_str());
    Settings.nOptions = nOptions;
    Settings.nMaxLinesPerFile = nMaxLinesPerFile;
    return Settings;
}

// Runs a test inside its own folder, as the launcher runs inside its own, and leaves
// the log as a new process would find it.
class LogInFolder : public testing::Test
{
protected:
    void SetUp() override
    {
        QZ_ResetLog();
        char szCurrent[MAX_PATH] = "";
        m_strSavedFolder = _getcwd(szCurrent, sizeof(szCurrent)) ? szCurrent : "";
        ASSERT_EQ(0, _chdir(m_Folder.Path().c_str()));
    }
    void TearDown() override
    {
        QZ_CloseLog();
        QZ_ResetLog();
        _chdir(m_strSavedFolder.c_str());
    }
    const std::string& Folder() const { return m_Folder.Path(); }
    std::string Read(const std::string& strRelative) const { return QZ_ReadWholeFile(Folder() + strRelative); }

    QZ_TempFolder m_Folder;
    std::string m_strSavedFolder;
};

std::string Stamp(const SYSTEMTIME& Time)
{
    char szStamp[32];
    snprintf(szStamp, sizeof(szStamp), "%04d%02d%02d%02d%02d%02d", Time.wYear, Time.wMonth, Time.wDay, Time.wHour,
             Time.wMinute, Time.wSecond);
    return szStamp;
}

const char s_cszDayFile[] = "Logs/ArdunLauncher/2026_03_07/ArdunLauncher_2026_03_07_09_05_02";

}  // namespace

TEST_F(LogInFolder, StartupSettingsLayOutTheTreeOnTheFirstMessage)
{
    QZ_LogSettings Settings = MakeSettings("Logs", "ArdunLauncher", 1, 100000);
    ASSERT_EQ(1, QZ_OpenLog(&Settings));
    EXPECT_FALSE(fs::exists(Folder() + "Logs")) << "opening the log makes no folder";

    SYSTEMTIME Before, After;
    GetLocalTime(&Before);
    EXPECT_EQ(1, QZ_WriteLog(LOG_LEVEL_INFO, "build %s (%d)", "1.0.0.2", 7));
    GetLocalTime(&After);

    std::vector<std::string> Files = QZ_ListFilesBelow(Folder());
    ASSERT_EQ(1u, Files.size());
    std::smatch Match;
    ASSERT_TRUE(std::regex_match(Files[0], Match,
        std::regex(R"(Logs/ArdunLauncher/(\d{4})_(\d\d)_(\d\d)/ArdunLauncher_\1_\2_\3_(\d\d)_(\d\d)_(\d\d)\.log)")))
        << Files[0];
    std::string strDate = Match.str(1) + Match.str(2) + Match.str(3);
    std::string strTime = Match.str(4) + Match.str(5) + Match.str(6);
    // The local time, not the UTC time, names the file.
    EXPECT_LE(Stamp(Before), strDate + strTime);
    EXPECT_GE(Stamp(After), strDate + strTime);

    EXPECT_EQ(strDate + "-" + strTime + "<INFO :" + ThreadIdText(GetCurrentThreadId()) + ">: build 1.0.0.2 (7)\n",
              Read(Files[0]));
}

TEST_F(LogInFolder, RootAndNameAreNormalised)
{
    std::string strAbsolute = Folder();
    std::replace(strAbsolute.begin(), strAbsolute.end(), '/', '\\');
    static const struct
    {
        bool bAbsolute;
        const char* cszRoot;
        const char* cszName;
    } s_Cases[] = {
        {false, "Logs", "ArdunLauncher"},  {false, "Logs/", "ArdunLauncher"},
        {false, "Logs\\", "ArdunLauncher"}, {false, "Logs", "ArdunLauncher/"},
        {false, "Logs", "ArdunLauncher\\"}, {true, "Logs\\", "ArdunLauncher\\"},
    };
    for (const auto& Case : s_Cases)
    {
        std::string strRoot = std::string(Case.bAbsolute ? strAbsolute : "") + Case.cszRoot;
        SCOPED_TRACE(strRoot + " " + Case.cszName);
        QZ_ResetLog();
        SetClock(2026, 3, 7, 9, 5, 2);
        QZ_LogSettings Settings = MakeSettings(strRoot, Case.cszName, 1, 100000);
        ASSERT_EQ(1, QZ_OpenLog(&Settings));
        EXPECT_EQ(1, QZ_WriteLog(LOG_LEVEL_INFO, "normalised"));
        QZ_CloseLog();
        EXPECT_EQ(std::vector<std::string>{std::string(s_cszDayFile) + ".log"}, QZ_ListFilesBelow(Folder()));
        fs::remove_all(Folder() + "Logs");
    }
}

TEST_F(LogInFolder, OpenRefusesEmptyOrOverlongPathsAndKeepsTheLogItHad)
{
    SetClock(2026, 3, 7, 9, 5, 2);
    QZ_LogSettings Settings = MakeSettings("Logs", "ArdunLauncher", 1, 100000);
    ASSERT_EQ(1, QZ_OpenLog(&Settings));
    QZ_WriteLog(LOG_LEVEL_INFO, "before");

    static const struct
    {
        std::string strRoot;
        std::string strName;
    } s_Refused[] = {
        {"", "Other"},
        {"Other", ""},
        {"", ""},
        // "root/" + "name/" is 1023 characters, one more than a log folder may have.
        {std::string(1000, 'r'), std::string(21, 'n')},
    };
    for (const auto& Case : s_Refused)
    {
        SCOPED_TRACE(Case.strRoot.size());
        QZ_LogSettings Refused = MakeSettings(Case.strRoot, Case.strName, 1, 100000);
        EXPECT_EQ(0, QZ_OpenLog(&Refused));
    }
    EXPECT_EQ(0, QZ_OpenLog(nullptr));

    // Everything still goes to the first file, at its limit of 100000 lines.
    QZ_WriteLog(LOG_LEVEL_INFO, "after");
    QZ_CloseLog();
    EXPECT_EQ(std::vector<std::string>{std::string(s_cszDayFile) + ".log"}, QZ_ListFilesBelow(Folder()));
    EXPECT_EQ(ClockHeader("INFO ") + "before\n" + ClockHeader("INFO ") + "after\n",
              Read(std::string(s_cszDayFile) + ".log"));

    // One character shorter fits.
    QZ_LogSettings Longest = MakeSettings(std::string(1000, 'r'), std::string(20, 'n'), 1, 100000);
    EXPECT_EQ(1, QZ_OpenLog(&Longest));
}

// nOptions: 0 means the file; 2 and 4 copy lines to the standard streams only; bits
// beyond the three are ignored.
TEST(LogOptions, EachBitSelectsOneDestination)
{
    static const struct
    {
        int nOptions;
        bool bFile;
        bool bStdout;
        bool bStderr;
    } s_Cases[] = {
        {0, true, false, false},  {1, true, false, false}, {2, false, true, false},
        {4, false, false, true},  {6, false, true, true},  {7, true, true, true},
        {8, false, false, false}, {9, true, false, false},
    };
    for (const auto& Case : s_Cases)
    {
        SCOPED_TRACE(Case.nOptions);
        QZ_LogCapture Log(Case.nOptions);
        ASSERT_TRUE(Log.IsOpen());
        SetClock(2026, 3, 7, 9, 5, 2);

        QZ_StdStreamCapture Stdout(1);
        QZ_StdStreamCapture Stderr(2);
        EXPECT_EQ(1, QZ_WriteLog(LOG_LEVEL_WARN, "options %d", Case.nOptions));
        std::string strStderr = Stderr.Finish();
        std::string strStdout = Stdout.Finish();
        QZ_CloseLog();

        std::string strLine = ClockHeader("WARN ") + "options " + std::to_string(Case.nOptions) + "\n";
        EXPECT_EQ(Case.bStdout ? strLine : "", strStdout);
        EXPECT_EQ(Case.bStderr ? strLine : "", strStderr);
        if (Case.bFile)
        {
            ASSERT_EQ(1u, Log.Files().size());
            EXPECT_EQ(strLine, QZ_ReadWholeFile(Log.Folder() + Log.Files()[0]));
        }
        else
        {
            // Not even the root folder is made.
            EXPECT_EQ(std::vector<std::string>{}, QZ_ListFilesBelow(Log.Folder()));
            EXPECT_FALSE(fs::exists(Log.Folder() + "Logs"));
        }
    }
}

// A limit of 0 or less stands for 32768 messages a file. Files begun within one
// second are told apart by "_1", "_2", ...
TEST(LogRotation, NonPositiveLimitMeans32768MessagesAFile)
{
    for (int nLimit : {0, -5})
    {
        SCOPED_TRACE(nLimit);
        QZ_LogCapture Log(1, nLimit);
        SetClock(2026, 3, 7, 9, 5, 2);
        for (int n = 0; n < 32768; ++n)
            QZ_WriteLog(LOG_LEVEL_INFO, "%d", n);
        ASSERT_EQ(std::vector<std::string>{std::string(s_cszDayFile) + ".log"}, Log.Files());

        QZ_WriteLog(LOG_LEVEL_INFO, "32768");
        std::vector<std::string> Files = Log.Files();
        ASSERT_EQ(2u, Files.size());
        EXPECT_EQ(std::string(s_cszDayFile) + "_1.log", Files[1]);
        EXPECT_EQ(32768u, QZ_SplitLines(QZ_ReadWholeFile(Log.Folder() + Files[0])).size());
        EXPECT_EQ(ClockHeader("INFO ") + "32768\n", QZ_ReadWholeFile(Log.Folder() + Files[1]));
    }
}

TEST(LogRotation, TheMessageAfterTheLimitBeginsANewFile)
{
    QZ_LogCapture Log(1, 3);
    SetClock(2026, 3, 7, 9, 5, 2);
    for (int n = 1; n <= 7; ++n)
        EXPECT_EQ(1, QZ_WriteLog(LOG_LEVEL_INFO, "message %d", n));

    std::string strBase = s_cszDayFile;
    ASSERT_EQ((std::vector<std::string>{strBase + ".log", strBase + "_1.log", strBase + "_2.log"}), Log.Files());
    std::string strHeader = ClockHeader("INFO ");
    EXPECT_EQ(strHeader + "message 1\n" + strHeader + "message 2\n" + strHeader + "message 3\n",
              QZ_ReadWholeFile(Log.Folder() + strBase + ".log"));
    EXPECT_EQ(strHeader + "message 4\n" + strHeader + "message 5\n" + strHeader + "message 6\n",
              QZ_ReadWholeFile(Log.Folder() + strBase + "_1.log"));
    EXPECT_EQ(strHeader + "message 7\n", QZ_ReadWholeFile(Log.Folder() + strBase + "_2.log"));
}

// Another launcher started in the same second owns the plain name already.
TEST(LogRotation, AnExistingFileOfTheSameNameIsLeftAlone)
{
    QZ_LogCapture Log(1, 100000);
    SetClock(2026, 3, 7, 9, 5, 2);
    std::string strBase = Log.Folder() + s_cszDayFile;
    fs::create_directories(fs::path(strBase).parent_path());
    FILE* fpEarlier = fopen((strBase + ".log").c_str(), "wb");
    ASSERT_NE(nullptr, fpEarlier);
    fputs("earlier launcher\n", fpEarlier);
    fclose(fpEarlier);

    EXPECT_EQ(1, QZ_WriteLog(LOG_LEVEL_INFO, "this launcher"));
    QZ_CloseLog();
    EXPECT_EQ("earlier launcher\n", QZ_ReadWholeFile(strBase + ".log"));
    EXPECT_EQ(ClockHeader("INFO ") + "this launcher\n", QZ_ReadWholeFile(strBase + "_1.log"));
}

TEST(LogRotation, ADateChangeBeginsAFileInTheNewDayFolder)
{
    static const struct
    {
        QZ_LogTime First;
        QZ_LogTime Second;
        std::vector<std::string> Files;
    } s_Cases[] = {
        {{2025, 12, 31, 23, 59, 59}, {2026, 1, 1, 0, 0, 0},
         {"Logs/ArdunLauncher/2025_12_31/ArdunLauncher_2025_12_31_23_59_59.log",
          "Logs/ArdunLauncher/2026_01_01/ArdunLauncher_2026_01_01_00_00_00.log"}},
        // Only the month differs.
        {{2026, 1, 5, 10, 0, 0}, {2026, 2, 5, 10, 0, 0},
         {"Logs/ArdunLauncher/2026_01_05/ArdunLauncher_2026_01_05_10_00_00.log",
          "Logs/ArdunLauncher/2026_02_05/ArdunLauncher_2026_02_05_10_00_00.log"}},
        // Only the year differs.
        {{2025, 3, 4, 8, 0, 0}, {2026, 3, 4, 8, 0, 0},
         {"Logs/ArdunLauncher/2025_03_04/ArdunLauncher_2025_03_04_08_00_00.log",
          "Logs/ArdunLauncher/2026_03_04/ArdunLauncher_2026_03_04_08_00_00.log"}},
        // The same day from its first to its last second keeps one file.
        {{2026, 3, 4, 0, 0, 0}, {2026, 3, 4, 23, 59, 59},
         {"Logs/ArdunLauncher/2026_03_04/ArdunLauncher_2026_03_04_00_00_00.log"}},
    };
    for (const auto& Case : s_Cases)
    {
        SCOPED_TRACE(Case.Files.back());
        QZ_LogCapture Log(1, 100000);
        SetClock(Case.First.nYear, Case.First.nMonth, Case.First.nDay, Case.First.nHour, Case.First.nMinute,
                 Case.First.nSecond);
        std::string strFirst = ClockHeader("INFO ") + "first\n";
        QZ_WriteLog(LOG_LEVEL_INFO, "first");
        SetClock(Case.Second.nYear, Case.Second.nMonth, Case.Second.nDay, Case.Second.nHour, Case.Second.nMinute,
                 Case.Second.nSecond);
        std::string strSecond = ClockHeader("INFO ") + "second\n";
        QZ_WriteLog(LOG_LEVEL_INFO, "second");
        QZ_CloseLog();

        ASSERT_EQ(Case.Files, Log.Files());
        if (Case.Files.size() == 2)
        {
            EXPECT_EQ(strFirst, QZ_ReadWholeFile(Log.Folder() + Case.Files[0]));
            EXPECT_EQ(strSecond, QZ_ReadWholeFile(Log.Folder() + Case.Files[1]));
        }
        else
        {
            EXPECT_EQ(strFirst + strSecond, QZ_ReadWholeFile(Log.Folder() + Case.Files[0]));
        }
    }
}

TEST(LogLines, FileHoldsEachLineAsFormattedWithOneWrite)
{
    QZ_LogCapture Log(1, 100000);
    SetClock(2026, 3, 7, 9, 5, 2);
    std::string strLong(5000, 'x');
    QZ_WriteLog(LOG_LEVEL_ERROR, "ends in lf\n");
    QZ_WriteLog(LOG_LEVEL_ERROR, "ends in cr\r");
    QZ_WriteLog(LOG_LEVEL_ERROR, "plain");
    QZ_WriteLog(LOG_LEVEL_ERROR, "%s", strLong.c_str());
    for (int nLevel : {0, 1, 2, 3, 4, 5, 6, 7, 8, 15})
        QZ_WriteLog(nLevel, "level %d", nLevel);
    QZ_CloseLog();

    std::string strHeader = ClockHeader("ERROR");
    std::string strExpected = strHeader + "ends in lf\n" + strHeader + "ends in cr\r" + strHeader + "plain\n";
    std::string strLongLine = strHeader + std::string(1022 - strHeader.size(), 'x') + "\n";
    ASSERT_EQ(1023u, strLongLine.size());
    strExpected += strLongLine;
    static const char* const s_cszLevels[] = {"RESR0", "RESR1", "RESR2", "ERROR", "WARN ",
                                               "RESR3", "INFO ", "DEBUG", "RESR0", "DEBUG"};
    static const int s_nLevels[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 15};
    for (int n = 0; n < 10; ++n)
        strExpected += ClockHeader(s_cszLevels[n]) + "level " + std::to_string(s_nLevels[n]) + "\n";

    ASSERT_EQ(1u, Log.Files().size());
    EXPECT_EQ(strExpected, QZ_ReadWholeFile(Log.Folder() + Log.Files()[0]));
}

// Before QZ_OpenLog nothing is written anywhere; after QZ_CloseLog messages of the same
// day are counted but written to no file until the limit or the date asks for a file.
TEST_F(LogInFolder, NothingIsWrittenBeforeOpenOrAfterCloseUntilANewFileIsDue)
{
    SetClock(2026, 3, 7, 9, 5, 2);
    QZ_StdStreamCapture Stdout(1);
    QZ_StdStreamCapture Stderr(2);
    EXPECT_EQ(1, QZ_WriteLog(LOG_LEVEL_INFO, "before open"));
    EXPECT_EQ("", Stderr.Finish());
    EXPECT_EQ("", Stdout.Finish());
    EXPECT_EQ(std::vector<std::string>{}, QZ_ListFilesBelow(Folder()));

    QZ_LogSettings Settings = MakeSettings("Logs", "ArdunLauncher", 1, 3);
    ASSERT_EQ(1, QZ_OpenLog(&Settings));
    std::string strHeader = ClockHeader("INFO ");
    QZ_WriteLog(LOG_LEVEL_INFO, "open");
    QZ_CloseLog();
    EXPECT_EQ(1, QZ_WriteLog(LOG_LEVEL_INFO, "closed 2"));
    EXPECT_EQ(1, QZ_WriteLog(LOG_LEVEL_INFO, "closed 3"));
    std::string strBase = s_cszDayFile;
    EXPECT_EQ(std::vector<std::string>{strBase + ".log"}, QZ_ListFilesBelow(Folder()));
    EXPECT_EQ(strHeader + "open\n", Read(strBase + ".log"));

    // The fourth message since the file was opened reaches the limit of 3.
    QZ_WriteLog(LOG_LEVEL_INFO, "limit");
    QZ_CloseLog();
    SetClock(2026, 3, 8, 0, 0, 1);
    QZ_WriteLog(LOG_LEVEL_INFO, "next day");
    QZ_CloseLog();
    EXPECT_EQ((std::vector<std::string>{strBase + ".log", strBase + "_1.log",
                                        "Logs/ArdunLauncher/2026_03_08/ArdunLauncher_2026_03_08_00_00_01.log"}),
              QZ_ListFilesBelow(Folder()));
    EXPECT_EQ(strHeader + "limit\n", Read(strBase + "_1.log"));
    EXPECT_EQ(ClockHeader("INFO ") + "next day\n",
              Read("Logs/ArdunLauncher/2026_03_08/ArdunLauncher_2026_03_08_00_00_01.log"));
}

TEST_F(LogInFolder, AFolderThatCannotBeMadeIsReportedAndTheCallerGoesOn)
{
    // The root's parent does not exist, and only one folder level is made at a time.
    std::string strRoot = Folder() + "missing\\Logs\\";
    QZ_LogSettings Settings = MakeSettings(strRoot, "ArdunLauncher", 1, 100000);
    ASSERT_EQ(1, QZ_OpenLog(&Settings));

    QZ_StdStreamCapture Stderr(2);
    SetLastError(ERROR_INVALID_DATA);
    errno = EDOM;
    EXPECT_EQ(0, QZ_WriteLog(LOG_LEVEL_DEBUG, "lost"));
    EXPECT_EQ((DWORD)ERROR_INVALID_DATA, GetLastError());
    EXPECT_EQ(EDOM, errno);
    // The failed attempt used up the due condition: later messages are dropped quietly.
    EXPECT_EQ(1, QZ_WriteLog(LOG_LEVEL_DEBUG, "also lost"));
    std::string strStderr = Stderr.Finish();

    EXPECT_EQ("QZLog: QZ_mkdir(\"" + Folder() + "missing\\Logs/\") failed = " + strerror(ENOENT) + "\n", strStderr);
    EXPECT_EQ(std::vector<std::string>{}, QZ_ListFilesBelow(Folder()));
}

TEST_F(LogInFolder, AFileThatCannotBeOpenedIsReported)
{
    // A plain file stands where the day folder belongs.
    SetClock(2026, 3, 7, 9, 5, 2);
    fs::create_directories(Folder() + "Logs/ArdunLauncher");
    FILE* fpBlocker = fopen((Folder() + "Logs/ArdunLauncher/2026_03_07").c_str(), "wb");
    ASSERT_NE(nullptr, fpBlocker);
    fclose(fpBlocker);

    QZ_LogSettings Settings = MakeSettings("Logs", "ArdunLauncher", 1, 100000);
    ASSERT_EQ(1, QZ_OpenLog(&Settings));
    QZ_StdStreamCapture Stderr(2);
    EXPECT_EQ(0, QZ_WriteLog(LOG_LEVEL_INFO, "lost"));
    std::string strStderr = Stderr.Finish();

    std::string strPrefix = std::string("QZLog: open(\"") + s_cszDayFile + ".log\") failed = ";
    EXPECT_EQ(strPrefix, strStderr.substr(0, strPrefix.size())) << strStderr;
    EXPECT_GT(strStderr.size(), strPrefix.size() + 1) << "the reason is missing";
    EXPECT_EQ('\n', strStderr.back());
    EXPECT_EQ(1u, QZ_SplitLines(strStderr).size()) << strStderr;
}

// Routines in the launcher's check-and-bail style, each recording the line of its check.
namespace
{

int g_nCheckLine = 0;

int QZ_TestCopyStep(int nRetCode)
{
    int nResult = 0;
    g_nCheckLine = __LINE__; QZLOG_PROCESS_ERROR(nRetCode && "QZ_CopyStep()");
    nResult = 1;
Exit0:
    return nResult;
}

const char* QZ_TestFindName(const char* cszName)
{
    const char* pchResult = nullptr;
    g_nCheckLine = __LINE__; QZLOG_PROCESS_ERROR(cszName);
    pchResult = cszName;
Exit0:
    return pchResult;
}

int QZ_TestCountedCheck(int* pnCalls)
{
    int nResult = 0;
    g_nCheckLine = __LINE__; QZLOG_PROCESS_ERROR(++*pnCalls > 5);
    nResult = 1;
Exit0:
    return nResult;
}

int QZ_TestBranchCheck(bool bFirst, int nValue)
{
    int nResult = 0;
    if (bFirst)
        QZLOG_PROCESS_ERROR(nValue > 0);
    else
        QZLOG_PROCESS_ERROR(nValue < 0);
    nResult = 1;
Exit0:
    return nResult;
}

int QZ_TestQuietCheck(int nValue)
{
    int nResult = 0;
    QZ_PROCESS_ERROR(nValue > 0);
    nResult = 1;
Exit0:
    return nResult;
}

class QZ_TestProbe
{
public:
    int Check(int nValue)
    {
        int nResult = 0;
        g_nCheckLine = __LINE__; QZLOG_PROCESS_ERROR(nValue != 0);
        nResult = 1;
    Exit0:
        return nResult;
    }
};

// Reports the platform error of a failed call after its check line, as the launcher's
// routines do.
int QZ_TestOpenFile(const char* cszPath, DWORD* pdwLastError)
{
    int nResult = 0;
    HANDLE hFile = CreateFileA(cszPath, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    QZLOG_PROCESS_ERROR(hFile != INVALID_HANDLE_VALUE);
    nResult = 1;
Exit0:
    *pdwLastError = GetLastError();
    if (hFile != INVALID_HANDLE_VALUE)
        CloseHandle(hFile);
    return nResult;
}

}  // namespace

class QZ_TestInstaller
{
public:
    int Install(const char* cszFileName);
    static int Prepare(int nValue);
    int Verify() const;
};

int QZ_TestInstaller::Install(const char* cszFileName)
{
    int nResult = 0;
    g_nCheckLine = __LINE__; QZLOG_PROCESS_ERROR(cszFileName);
    nResult = 1;
Exit0:
    return nResult;
}

int QZ_TestInstaller::Prepare(int nValue)
{
    int nResult = 0;
    g_nCheckLine = __LINE__; QZLOG_PROCESS_ERROR(nValue > 0);
    nResult = 1;
Exit0:
    return nResult;
}

int QZ_TestInstaller::Verify() const
{
    int nResult = 0;
    g_nCheckLine = __LINE__; QZLOG_PROCESS_ERROR(false);
    nResult = 1;
Exit0:
    return nResult;
}

TEST(LogCheckAndBail, AFailedCheckLogsItsConditionLineAndRoutine)
{
    QZ_TestInstaller Installer;
    static const struct
    {
        const char* cszRoutine;
        const char* cszCondition;
    } s_Expected[] = {
        {"QZ_TestCopyStep", "nRetCode && \"QZ_CopyStep()\""},
        {"QZ_TestFindName", "cszName"},
        {"QZ_TestInstaller::Install", "cszFileName"},
        {"QZ_TestInstaller::Prepare", "nValue > 0"},
        {"QZ_TestInstaller::Verify", "false"},
        {"QZ_TestProbe::Check", "nValue != 0"},
    };
    QZ_TestProbe Probe;
    QZ_LogCapture Log;
    int nLines[6] = {};
    int nResults[6] = {};
    nResults[0] = QZ_TestCopyStep(0);
    nLines[0] = g_nCheckLine;
    nResults[1] = QZ_TestFindName(nullptr) != nullptr;
    nLines[1] = g_nCheckLine;
    nResults[2] = Installer.Install(nullptr);
    nLines[2] = g_nCheckLine;
    nResults[3] = QZ_TestInstaller::Prepare(0);
    nLines[3] = g_nCheckLine;
    nResults[4] = Installer.Verify();
    nLines[4] = g_nCheckLine;
    nResults[5] = Probe.Check(0);
    nLines[5] = g_nCheckLine;
    // Passing checks write nothing.
    EXPECT_EQ(1, QZ_TestCopyStep(3));
    EXPECT_STREQ("name", QZ_TestFindName("name"));
    EXPECT_EQ(1, Installer.Install("ArdunLauncher.exe"));
    EXPECT_EQ(1, QZ_TestInstaller::Prepare(1));

    std::vector<std::string> Lines = Log.Lines();
    ASSERT_EQ(6u, Lines.size());
    for (int n = 0; n < 6; ++n)
    {
        SCOPED_TRACE(s_Expected[n].cszRoutine);
        EXPECT_EQ(0, nResults[n]);
        EXPECT_NE(std::string::npos, Lines[n].find("<DEBUG:" + ThreadIdText(GetCurrentThreadId()) + ">: "));
        EXPECT_EQ(std::string("QZLOG_PROCESS_ERROR(") + s_Expected[n].cszCondition + ") at line " +
                      std::to_string(nLines[n]) + " in " + s_Expected[n].cszRoutine,
                  QZ_LogLineMessage(Lines[n]));
    }
}

TEST(LogCheckAndBail, TheConditionIsEvaluatedOnce)
{
    QZ_LogCapture Log;
    int nCalls = 0;
    EXPECT_EQ(0, QZ_TestCountedCheck(&nCalls));
    EXPECT_EQ(1, nCalls);
    nCalls = 10;
    EXPECT_EQ(1, QZ_TestCountedCheck(&nCalls));
    EXPECT_EQ(11, nCalls);
    EXPECT_EQ(std::vector<std::string>{"QZLOG_PROCESS_ERROR(++*pnCalls > 5) at line " + std::to_string(g_nCheckLine) +
                                       " in QZ_TestCountedCheck"},
              Log.Messages());
}

TEST(LogCheckAndBail, BehavesAsOneStatementInsideIfAndElse)
{
    static const struct
    {
        bool bFirst;
        int nValue;
        int nResult;
        const char* cszCondition;  // logged condition, or nullptr
    } s_Cases[] = {
        {true, 1, 1, nullptr},
        {true, -1, 0, "nValue > 0"},
        {false, -1, 1, nullptr},
        {false, 1, 0, "nValue < 0"},
    };
    for (const auto& Case : s_Cases)
    {
        SCOPED_TRACE(testing::Message() << Case.bFirst << " " << Case.nValue);
        QZ_LogCapture Log;
        EXPECT_EQ(Case.nResult, QZ_TestBranchCheck(Case.bFirst, Case.nValue));
        std::vector<std::string> Messages = Log.Messages();
        if (!Case.cszCondition)
        {
            EXPECT_EQ(std::vector<std::string>{}, Messages);
            continue;
        }
        ASSERT_EQ(1u, Messages.size());
        EXPECT_EQ(0u, Messages[0].find(std::string("QZLOG_PROCESS_ERROR(") + Case.cszCondition + ") at line "))
            << Messages[0];
    }
}

TEST(LogCheckAndBail, TheQuietFormBailsWithoutALine)
{
    QZ_LogCapture Log;
    EXPECT_EQ(0, QZ_TestQuietCheck(0));
    EXPECT_EQ(1, QZ_TestQuietCheck(1));
    QZ_WriteLog(LOG_LEVEL_INFO, "only line");
    EXPECT_EQ(std::vector<std::string>{"only line"}, Log.Messages());
}

// The log's own folder and file calls must not replace the error code a routine reports
// after its check line; a limit of 1 makes every message open a file in existing folders.
TEST(LogCheckAndBail, TheLastErrorSurvivesTheLogLine)
{
    QZ_LogCapture Log(1, 1);
    std::string strMissing = Log.Folder() + "no such file.ini";
    for (int n = 0; n < 3; ++n)
    {
        DWORD dwLastError = 0;
        EXPECT_EQ(0, QZ_TestOpenFile(strMissing.c_str(), &dwLastError));
        EXPECT_EQ((DWORD)ERROR_FILE_NOT_FOUND, dwLastError);
    }
    SetLastError(ERROR_HANDLE_EOF);
    errno = ERANGE;
    EXPECT_EQ(1, QZ_WriteLog(LOG_LEVEL_INFO, "plain message"));
    EXPECT_EQ((DWORD)ERROR_HANDLE_EOF, GetLastError());
    EXPECT_EQ(ERANGE, errno);
    EXPECT_EQ(4u, Log.Files().size());
}

// Two threads at full speed with a small limit: every line whole and in its writer's
// order, none lost, each file exactly at its limit.
TEST(LogThreads, TwoWritersNeitherLoseNorInterleaveLines)
{
    const int nLinesPerThread = 20000;
    const int nLimit = 1000;
    QZ_LogCapture Log(1, nLimit);
    SetClock(2026, 3, 7, 9, 5, 2);

    DWORD dwThreadIDs[2] = {};
    volatile LONG lReady = 0;
    auto Writer = [&](int nWriter) {
        dwThreadIDs[nWriter] = GetCurrentThreadId();
        InterlockedIncrement(&lReady);
        while (lReady < 2)
            SwitchToThread();
        for (int n = 0; n < nLinesPerThread; ++n)
            QZ_WriteLog(LOG_LEVEL_INFO, "writer %d line %d of %d", nWriter, n, nLinesPerThread);
    };
    std::thread First(Writer, 0);
    std::thread Second(Writer, 1);
    First.join();
    Second.join();
    QZ_CloseLog();

    std::vector<std::string> Files = Log.Files();
    ASSERT_EQ((size_t)(2 * nLinesPerThread / nLimit), Files.size());
    const std::regex LinePattern(R"(20260307-090502<INFO :([0-9A-F]{8})>: writer ([01]) line (\d+) of 20000)");
    int nNext[2] = {0, 0};
    int nBadLines = 0;
    for (const std::string& strFile : Files)
    {
        std::string strText = QZ_ReadWholeFile(Log.Folder() + strFile);
        EXPECT_EQ('\n', strText.back()) << strFile;
        std::vector<std::string> Lines = QZ_SplitLines(strText);
        EXPECT_EQ((size_t)nLimit, Lines.size()) << strFile;
        for (const std::string& strLine : Lines)
        {
            std::smatch Match;
            if (!std::regex_match(strLine, Match, LinePattern))
            {
                if (++nBadLines <= 5)
                    ADD_FAILURE() << "broken line in " << strFile << ": " << strLine;
                continue;
            }
            int nWriter = std::stoi(Match.str(2));
            EXPECT_EQ(ThreadIdText(dwThreadIDs[nWriter]), Match.str(1));
            int nLine = std::stoi(Match.str(3));
            if (nLine != nNext[nWriter] && ++nBadLines <= 5)
                ADD_FAILURE() << "writer " << nWriter << " line " << nLine << " where " << nNext[nWriter]
                              << " was due, in " << strFile;
            nNext[nWriter] = nLine + 1;
        }
    }
    EXPECT_EQ(0, nBadLines);
    EXPECT_EQ(nLinesPerThread, nNext[0]);
    EXPECT_EQ(nLinesPerThread, nNext[1]);
}
