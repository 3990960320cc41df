#include <gtest/gtest.h>

#include "framework/fx_app.h"

TEST(ArgumentText, SkipsTheProgramNameAndTheBlanksAfterIt)
{
    struct Case
    {
        const char* cszCommandLine;
        const char* cszExpected;
    };
    const Case Cases[] = {
        {"ArdunLauncher.exe", ""},
        {"ArdunLauncher.exe -c", "-c"},
        {"ArdunLauncher.exe   \t-C", "-C"},
        {"\"C:\\Program Files\\Ardun\\ArdunLauncher.exe\" -c", "-c"},
        {"\"C:\\Program Files\\Ardun\\ArdunLauncher.exe\"-c", "-c"},
        {"ArdunLauncher.exe -c ", "-c "},          // blanks after the argument stay
        {"ArdunLauncher.exe -c x", "-c x"},
        {"\"unterminated name -c", ""},
        {"", ""},
    };
    for (const Case& c : Cases)
        EXPECT_STREQ(c.cszExpected, QZ_GetArgumentText(c.cszCommandLine)) << c.cszCommandLine;
}

TEST(CString, ComparesIgnoringAsciiCaseOnly)
{
    EXPECT_EQ(0, CString("-c").CompareNoCase("-C"));
    EXPECT_NE(0, CString("-c ").CompareNoCase("-c"));
    EXPECT_NE(0, CString("/c").CompareNoCase("-c"));
    EXPECT_LT(CString("a").CompareNoCase("B"), 0);
    // Bytes of a double-byte text are compared as they are.
    EXPECT_NE(0, CString("\xd5\xfd").CompareNoCase("\xf5\xfd"));
    CString str = CString("a") + "b" + CString("c");
    EXPECT_TRUE(str == "abc");
    EXPECT_TRUE(str != "ab");
    EXPECT_EQ(3, str.GetLength());
    EXPECT_TRUE(CString(nullptr) == "");
}
