#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/version_number.h"
#include "tests/support/qz_captured_log.h"

namespace
{

struct Parts
{
    uint32_t dwPart[4];
};

::testing::AssertionResult HasParts(const QZ_VersionNumber& Version, const Parts& Expected)
{
    if (memcmp(Version.m_dwPart, Expected.dwPart, sizeof(Expected.dwPart)) == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "parts " << Version.m_dwPart[0] << "." << Version.m_dwPart[1] << "."
                                         << Version.m_dwPart[2] << "." << Version.m_dwPart[3];
}

QZ_VersionNumber Parsed(const char* cszText)
{
    QZ_VersionNumber Version;
    EXPECT_EQ(1, Version.ParseString(cszText)) << cszText;
    return Version;
}

struct ParseCase
{
    const char* cszText;
    Parts Expected;
};

const ParseCase s_GoodTexts[] = {
    {"1.0.0.2", {{1, 0, 0, 2}}},
    {"1-0-0-2", {{1, 0, 0, 2}}},
    {"1, 0, 0, 2", {{1, 0, 0, 2}}},
    // "." is preferred wherever it stands, then "-", then ",".
    {"1-2-3-4.5.6.7", {{1, 5, 6, 7}}},
    {"1,2,3,4-5-6-7", {{1, 5, 6, 7}}},
    // Whatever follows the fourth number is ignored.
    {"1.2.3.4.5", {{1, 2, 3, 4}}},
    {"1.2.3.4 beta", {{1, 2, 3, 4}}},
    {"1.2.3.", {{1, 2, 3, 0}}},
    {"1..2.3", {{1, 0, 2, 3}}},
    // Pieces read like strtol: letters give 0, blanks and one sign are taken.
    {"a.b.c.d", {{0, 0, 0, 0}}},
    {"x1.2.3.4", {{0, 2, 3, 4}}},
    {"1x.2y.3z.4w", {{1, 2, 3, 4}}},
    {" 7.\t8.+9.010", {{7, 8, 9, 10}}},
    {"1.-1.0.0", {{1, 4294967295u, 0, 0}}},
    // Signed 32-bit limits, and clamping beyond them, the same on every host.
    {"2147483647.-2147483648.0.0", {{2147483647u, 2147483648u, 0, 0}}},
    {"99999999999.2147483648.-2147483649.-99999999999999999999999", {{2147483647u, 2147483647u, 2147483648u, 2147483648u}}},
    {"4294967295.4294967296.0.0", {{2147483647u, 2147483647u, 0, 0}}},
};

TEST(VersionNumber, NewValueIsZero)
{
    QZ_VersionNumber Version;
    EXPECT_TRUE(HasParts(Version, {{0, 0, 0, 0}}));
}

TEST(VersionNumber, ParsesGoodTexts)
{
    for (const ParseCase& Case : s_GoodTexts)
    {
        QZ_VersionNumber Version;
        Version.m_dwPart[3] = 77;  // every part is set, not only the ones found non-zero
        char szText[256];
        snprintf(szText, sizeof(szText), "%s", Case.cszText);
        EXPECT_EQ(1, Version.ParseString(szText)) << Case.cszText;
        EXPECT_TRUE(HasParts(Version, Case.Expected)) << Case.cszText;
        EXPECT_STREQ(Case.cszText, szText) << "the caller's text was changed";
    }
}

TEST(VersionNumber, SuccessWritesNoLogLine)
{
    QZ_CapturedLog Log;
    Parsed("1.0.0.2");
    EXPECT_TRUE(Log.Lines().empty());
}

TEST(VersionNumber, TextsUpTo255CharactersFit)
{
    std::string strPadded = "1.2.3.4" + std::string(248, ' ');
    ASSERT_EQ(255u, strPadded.size());
    EXPECT_TRUE(HasParts(Parsed(strPadded.c_str()), {{1, 2, 3, 4}}));

    std::string strZeros = std::string(248, '0') + "1.2.3.4";
    ASSERT_EQ(255u, strZeros.size());
    EXPECT_TRUE(HasParts(Parsed(strZeros.c_str()), {{1, 2, 3, 4}}));
}

struct FailCase
{
    const char* cszName;
    std::string strText;
    bool bNull;
    const char* cszCheck;
};

TEST(VersionNumber, FailuresLogTheCheckAndTheTextAndClearTheParts)
{
    const FailCase Cases[] = {
        {"null text", "", true, "cszVersionNumber"},
        {"empty text", "", false, "cszVersionNumber[0]"},
        {"256 characters", "1.2.3.4" + std::string(249, ' '), false,
         "szVersionNumber[_countof(szVersionNumber) - 1] == _T('\\0')"},
        {"300 characters", "1.2.3.4" + std::string(293, '5'), false,
         "szVersionNumber[_countof(szVersionNumber) - 1] == _T('\\0')"},
        {"no separator", "1002", false, "nRetCode && \"_GetPartitionChar()\""},
        {"only blanks", "   ", false, "nRetCode && \"_GetPartitionChar()\""},
        {"three parts", "1.2.3", false, "pchPartition"},
        {"two parts", "1.2", false, "pchPartition"},
        {"one separator", "1.", false, "pchPartition"},
        // "." is chosen although it occurs once; the commas are then ordinary text.
        {"mixed separators", "1.0,0,2", false, "pchPartition"},
    };
    for (const FailCase& Case : Cases)
    {
        SCOPED_TRACE(Case.cszName);
        QZ_VersionNumber Version = Parsed("5.6.7.8");
        QZ_CapturedLog Log;

        EXPECT_EQ(0, Version.ParseString(Case.bNull ? nullptr : Case.strText.c_str()));
        // Parts parsed before the failure (or by an earlier call) do not survive.
        EXPECT_TRUE(HasParts(Version, {{0, 0, 0, 0}}));

        std::vector<QZ_CapturedLogLine> Lines = Log.Lines();
        ASSERT_EQ(2u, Lines.size());
        EXPECT_EQ("DEBUG", Lines[0].strLevel);
        EXPECT_TRUE(QZ_IsCheckLine(Lines[0].strMessage, Case.cszCheck, "QZ_VersionNumber::ParseString"))
            << Lines[0].strMessage;
        EXPECT_EQ("DEBUG", Lines[1].strLevel);
        EXPECT_EQ("Failed to parse the version number: " + Case.strText, Lines[1].strMessage);
    }
}

struct OrderCase
{
    const char* cszLesser;
    const char* cszGreater;
};

TEST(VersionNumber, OrdersNumericallyPartByPart)
{
    const OrderCase Cases[] = {
        {"1.0.0.9", "1.0.0.10"},  // not textual order
        {"1.0.0.2", "1.0.0.3"},
        {"1.9.9.9", "2.0.0.0"},
        {"1.2.3.99", "1.2.4.0"},  // an earlier part outweighs every later one
        {"0.0.0.0", "0.0.0.1"},
        {"1.5.0.0", "1.-1.0.0"},  // -1 is the largest part, 4294967295
        {"1.2.3.2147483646", "1.2.3.2147483647"},
        {"1.2.3.2147483647", "1.2.3.-2147483648"},  // compared unsigned
    };
    for (const OrderCase& Case : Cases)
    {
        QZ_VersionNumber Lesser = Parsed(Case.cszLesser);
        QZ_VersionNumber Greater = Parsed(Case.cszGreater);
        EXPECT_TRUE(Lesser < Greater) << Case.cszLesser << " < " << Case.cszGreater;
        EXPECT_FALSE(Greater < Lesser) << Case.cszGreater << " < " << Case.cszLesser;
    }
}

TEST(VersionNumber, EqualValuesAreNotLess)
{
    const OrderCase Cases[] = {
        {"1.0.0.2", "1.0.0.2"},
        {"1.0.0.2", "1-0-0-2"},
        {"1, 0, 0, 2", "1.0.0.2 beta"},
        {"0.0.0.0", "a.b.c.d"},
    };
    for (const OrderCase& Case : Cases)
    {
        QZ_VersionNumber Left = Parsed(Case.cszLesser);
        QZ_VersionNumber Right = Parsed(Case.cszGreater);
        EXPECT_FALSE(Left < Right) << Case.cszLesser << " vs " << Case.cszGreater;
        EXPECT_FALSE(Right < Left) << Case.cszGreater << " vs " << Case.cszLesser;
    }
    EXPECT_FALSE(QZ_VersionNumber() < Parsed("0.0.0.0"));
}

}  // namespace
