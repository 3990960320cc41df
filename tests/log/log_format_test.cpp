// The log's line and path formatting on plain buffers; runs on the host and on Windows.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstring>
#include <string>

#include "base/log_format.h"

namespace
{

const QZ_LogTime s_Time = {2026, 3, 7, 9, 5, 2};

std::string FormatLineAt(const QZ_LogTime& Time, int nLevel, unsigned long ulThreadID, const char* cszFormat, ...)
{
    char szLine[QZ_LOG_LINE_SIZE];
    memset(szLine, '#', sizeof(szLine));
    va_list Args;
    va_start(Args, cszFormat);
    int nLength = QZ_FormatLogLine(szLine, Time, nLevel, ulThreadID, cszFormat, Args);
    va_end(Args);
    // The returned length and the terminating NUL must agree.
    EXPECT_EQ(strlen(szLine), (size_t)nLength);
    return std::string(szLine, (size_t)nLength);
}

#define FormatLine(...) FormatLineAt(s_Time, __VA_ARGS__)

const std::string s_strHeader = "20260307-090502<INFO :00001A2B>: ";

}  // namespace

TEST(LogFormat, HeaderCarriesTimeLevelAndEightDigitThreadId)
{
    EXPECT_EQ("20260307-090502<INFO :00001A2B>: build 1.0.0.2 (7)\n",
              FormatLine(6, 0x1A2B, "build %s (%d)", "1.0.0.2", 7));
    EXPECT_EQ("20260307-090502<DEBUG:DEADBEEF>: x\n", FormatLine(7, 0xDEADBEEFUL, "x"));
    EXPECT_EQ("20260307-090502<ERROR:00000000>: \n", FormatLine(3, 0, nullptr));
    // The year is written without padding, every other field in two digits.
    EXPECT_EQ("9991231-235909<WARN :00000007>: \n", FormatLineAt(QZ_LogTime{999, 12, 31, 23, 59, 9}, 4, 7, ""));
}

TEST(LogFormat, OnlyTheLowThreeBitsOfALevelCount)
{
    static const struct
    {
        int nLevel;
        const char* cszText;
    } s_Cases[] = {
        {0, "RESR0"}, {1, "RESR1"}, {2, "RESR2"}, {3, "ERROR"}, {4, "WARN "},  {5, "RESR3"},
        {6, "INFO "}, {7, "DEBUG"}, {8, "RESR0"}, {15, "DEBUG"}, {14, "INFO "}, {-1, "DEBUG"},
    };
    for (const auto& Case : s_Cases)
    {
        SCOPED_TRACE(Case.nLevel);
        EXPECT_STREQ(Case.cszText, QZ_LogLevelText(Case.nLevel));
        EXPECT_EQ(std::string("20260307-090502<") + Case.cszText + ":00000001>: m\n",
                  FormatLine(Case.nLevel, 1, "m"));
    }
}

TEST(LogFormat, ALineFeedIsAddedOnlyWhenTheMessageEndsInNeither)
{
    static const struct
    {
        const char* cszMessage;
        const char* cszWritten;
    } s_Cases[] = {
        {"plain", "plain\n"},
        {"ends in lf\n", "ends in lf\n"},
        {"ends in cr\r", "ends in cr\r"},
        {"crlf\r\n", "crlf\r\n"},
        {"two\nlines", "two\nlines\n"},
        {"", "\n"},
    };
    for (const auto& Case : s_Cases)
    {
        SCOPED_TRACE(Case.cszMessage);
        EXPECT_EQ(s_strHeader + Case.cszWritten, FormatLine(6, 0x1A2B, "%s", Case.cszMessage));
    }
}

TEST(LogFormat, LongMessagesAreCutTo1023CharactersEndingInALineFeed)
{
    const size_t uRoom = QZ_LOG_LINE_SIZE - 1 - s_strHeader.size();  // message and line feed
    static const struct
    {
        int nExtra;        // message length relative to uRoom
        const char* cszEnd;
        bool bCut;
    } s_Cases[] = {
        {-1, "", false},     // exactly fills the line with the added line feed
        {0, "", true},       // one character too many: the line feed replaces the last one
        {0, "\n", false},    // fits exactly with its own line feed
        {1, "\n", true},     // its own line feed is cut off and put back
        {4000, "", true},
        {4000, "\r", true},  // a cut message ends in a line feed whatever it ended in
    };
    for (const auto& Case : s_Cases)
    {
        std::string strMessage(uRoom + Case.nExtra - strlen(Case.cszEnd), 'x');
        strMessage += Case.cszEnd;
        SCOPED_TRACE(testing::Message() << "length " << strMessage.size());
        std::string strLine = FormatLine(6, 0x1A2B, "%s", strMessage.c_str());
        std::string strExpected = s_strHeader + strMessage;
        if (Case.bCut)
            strExpected = strExpected.substr(0, QZ_LOG_LINE_SIZE - 2) + "\n";
        else if (strExpected.back() != '\n')
            strExpected += "\n";
        EXPECT_EQ(strExpected, strLine);
        EXPECT_LE(strLine.size(), (size_t)QZ_LOG_LINE_SIZE - 1);
    }

    std::string strLong(5000, 'y');
    std::string strLine = FormatLine(7, 2, "%s", strLong.c_str());
    ASSERT_EQ(1023u, strLine.size());
    EXPECT_EQ('\n', strLine.back());
    EXPECT_EQ(std::string(1022 - s_strHeader.size(), 'y'), strLine.substr(s_strHeader.size(), strLine.size() - 1 - s_strHeader.size()));
}

TEST(LogFormat, RootGetsOneTrailingSlashAndNameLosesOne)
{
    static const struct
    {
        const char* cszIn;
        const char* cszOut;
    } s_Roots[] = {
        {"Logs", "Logs/"},
        {"Logs/", "Logs/"},
        {"Logs\\", "Logs/"},
        {"C:\\Game\\Logs", "C:\\Game\\Logs/"},  // inner separators are left alone
        {"Logs\\\\", "Logs\\/"},                // only the last character is replaced
        {"/", "/"},
    };
    for (const auto& Case : s_Roots)
    {
        char szRoot[QZ_LOG_PATH_SIZE];
        snprintf(szRoot, sizeof(szRoot), "%s", Case.cszIn);
        EXPECT_EQ(1, QZ_NormalizeLogRoot(szRoot, sizeof(szRoot)));
        EXPECT_STREQ(Case.cszOut, szRoot);
    }

    static const struct
    {
        const char* cszIn;
        const char* cszOut;
    } s_Names[] = {
        {"ArdunLauncher", "ArdunLauncher"},
        {"ArdunLauncher/", "ArdunLauncher"},
        {"ArdunLauncher\\", "ArdunLauncher"},
        {"ArdunLauncher//", "ArdunLauncher/"},  // one character only
        {"a/b", "a/b"},
    };
    for (const auto& Case : s_Names)
    {
        char szName[QZ_LOG_PATH_SIZE];
        snprintf(szName, sizeof(szName), "%s", Case.cszIn);
        QZ_NormalizeLogName(szName);
        EXPECT_STREQ(Case.cszOut, szName);
    }
}

TEST(LogFormat, RootThatLeavesNoRoomForTheSlashIsRefused)
{
    char szRoot[QZ_LOG_PATH_SIZE];
    memset(szRoot, 'r', sizeof(szRoot));
    szRoot[QZ_LOG_PATH_SIZE - 1] = '\0';
    EXPECT_EQ(0, QZ_NormalizeLogRoot(szRoot, sizeof(szRoot)));
    EXPECT_EQ((size_t)QZ_LOG_PATH_SIZE - 1, strlen(szRoot));

    szRoot[QZ_LOG_PATH_SIZE - 2] = '\0';
    EXPECT_EQ(1, QZ_NormalizeLogRoot(szRoot, sizeof(szRoot)));
    EXPECT_EQ((size_t)QZ_LOG_PATH_SIZE - 1, strlen(szRoot));
    EXPECT_EQ('/', szRoot[QZ_LOG_PATH_SIZE - 2]);
}
