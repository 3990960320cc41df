#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "base/version_number.h"
#include "tests/support/qz_captured_log.h"
#include "tests/support/qz_test_files.h"

namespace
{

const char* const s_cszRoutine = "QZ_GetApplicationFileVersionNumber";

std::string SummaryPrefix(const std::string& strFileName)
{
    return "Failed to get version number for file `" + strFileName + "`, Error code: ";
}

TEST(FileVersion, ReadsTheFileVersionOfTheLaunchersTranslation)
{
    QZ_CapturedLog Log;
    std::string strVersion = "unchanged";
    EXPECT_EQ(1, QZ_GetApplicationFileVersionNumber(QZ_ThisProgramPath().c_str(), &strVersion));
    EXPECT_EQ("1.0.0.2", strVersion);
    EXPECT_TRUE(Log.Lines().empty());

    QZ_VersionNumber Version;
    EXPECT_EQ(1, Version.ParseString(strVersion.c_str()));
    EXPECT_EQ(2u, Version.m_dwPart[3]);
}

TEST(FileVersion, OnlyTheFirstTranslationIsConsulted)
{
    std::string strVersion;
    EXPECT_EQ(1, QZ_GetApplicationFileVersionNumber((QZ_ThisProgramFolder() + "version_two_translations.dll").c_str(),
                                                    &strVersion));
    EXPECT_EQ("3.1.4.1", strVersion);
}

struct FailCase
{
    const char* cszName;
    std::string strFileName;
    bool bNullFileName;
    bool bNullOutput;
    const char* cszCheck;
};

TEST(FileVersion, FailuresLogTheCheckAndTheFileAndLeaveTheOutput)
{
    const std::string strFolder = QZ_ThisProgramFolder();
    const FailCase Cases[] = {
        {"no version resource", strFolder + "version_no_version.dll", false, false, "dwVersionInfoSize"},
        {"missing file", strFolder + "missing.dll", false, false, "dwVersionInfoSize"},
        {"no translation table", strFolder + "version_no_translation.dll", false, false,
         "nRetCode && \"VerQueryValue(Translation)\""},
        {"FileVersion only in the second translation", strFolder + "version_later_translation.dll", false, false,
         "nRetCode && \"VerQueryValue(FileInfo)\""},
        {"empty file name", "", false, false, "cszFileName[0]"},
        {"no output string", QZ_ThisProgramPath(), false, true, "pstrRetVersionNumber"},
    };
    for (const FailCase& Case : Cases)
    {
        SCOPED_TRACE(Case.cszName);
        QZ_CapturedLog Log;
        std::string strVersion = "unchanged";

        EXPECT_EQ(0, QZ_GetApplicationFileVersionNumber(Case.strFileName.c_str(),
                                                        Case.bNullOutput ? nullptr : &strVersion));
        EXPECT_EQ("unchanged", strVersion);

        std::vector<QZ_CapturedLogLine> Lines = Log.Lines();
        ASSERT_EQ(2u, Lines.size());
        EXPECT_EQ("DEBUG", Lines[0].strLevel);
        EXPECT_TRUE(QZ_IsCheckLine(Lines[0].strMessage, Case.cszCheck, s_cszRoutine)) << Lines[0].strMessage;

        // The summary names the file and ends with a decimal error code and a full stop.
        EXPECT_EQ("DEBUG", Lines[1].strLevel);
        const std::string strPrefix = SummaryPrefix(Case.strFileName);
        const std::string& strSummary = Lines[1].strMessage;
        ASSERT_EQ(0u, strSummary.compare(0, strPrefix.size(), strPrefix)) << strSummary;
        ASSERT_EQ('.', strSummary.back()) << strSummary;
        std::string strCode = strSummary.substr(strPrefix.size(), strSummary.size() - strPrefix.size() - 1);
        ASSERT_FALSE(strCode.empty());
        EXPECT_EQ(std::string::npos, strCode.find_first_not_of("-0123456789")) << strSummary;

        if (std::string(Case.cszCheck) == "dwVersionInfoSize")
        {
            // The code is the platform's reason for the size of 0.
            SetLastError(0);
            EXPECT_EQ(0u, GetFileVersionInfoSizeA(Case.strFileName.c_str(), NULL));
            DWORD dwError = GetLastError();
            EXPECT_NE(0u, dwError);
            EXPECT_EQ(std::to_string((int)dwError), strCode);
        }
    }
}

TEST(FileVersion, MissingFileNameWritesTheCheckLineOnly)
{
    QZ_CapturedLog Log;
    std::string strVersion = "unchanged";
    EXPECT_EQ(0, QZ_GetApplicationFileVersionNumber(nullptr, &strVersion));
    EXPECT_EQ("unchanged", strVersion);

    std::vector<QZ_CapturedLogLine> Lines = Log.Lines();
    ASSERT_EQ(1u, Lines.size());
    EXPECT_EQ("DEBUG", Lines[0].strLevel);
    EXPECT_TRUE(QZ_IsCheckLine(Lines[0].strMessage, "cszFileName", s_cszRoutine)) << Lines[0].strMessage;
}

}  // namespace
