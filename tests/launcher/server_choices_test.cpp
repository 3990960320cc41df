// Starting a client program of a server choice: the command line made from the folder
// text and the argument text, the working directory the program gets, and the log
// lines of the failures. The client programs are the recording stand-in.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/launcher_dialog.h"
#include "tests/support/qz_captured_log.h"
#include "tests/support/qz_test_files.h"

namespace
{

// "key=" value of the stand-in's first record, up to the line end.
std::string RecordField(const std::string& strRecord, const std::string& strKey)
{
    size_t uStart = strRecord.find(strKey + "=");
    if (uStart == std::string::npos)
        return "<missing " + strKey + ">";
    uStart += strKey.size() + 1;
    return strRecord.substr(uStart, strRecord.find("\r\n", uStart) - uStart);
}

bool IsCheckLine(const QZ_CapturedLogLine& Line, const std::string& strCondition)
{
    return Line.strLevel == "DEBUG" &&
           QZ_IsCheckLine(Line.strMessage, strCondition, "QZ_ArdunLauncherDlg::_LoadItemExe");
}

// A client root folder made the working directory, as start-up does, with the folder
// bin\zhcn holding the stand-in under both program names. An application object carries the
// argument text the starts read.
class ServerChoicesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char szDirectory[MAX_PATH];
        ::GetCurrentDirectoryA(MAX_PATH, szDirectory);
        m_strPreviousDirectory = szDirectory;

        m_strRoot = QZ_MakeTestTempFolder("qz_choices");
        ASSERT_FALSE(m_strRoot.empty());
        ASSERT_TRUE(::CreateDirectoryA((m_strRoot + "bin").c_str(), NULL));
        ASSERT_TRUE(::CreateDirectoryA((m_strRoot + "bin\\zhcn").c_str(), NULL));
        const std::string strStandin = QZ_ThisProgramFolder() + QZ_STANDIN_FROM_TEST;
        for (const char* cszProgram : {"clientpatch.exe", "ClientSetup.exe"})
        {
            ASSERT_TRUE(::CopyFileA(strStandin.c_str(), (m_strRoot + "bin\\zhcn\\" + cszProgram).c_str(), FALSE))
                << strStandin << " error " << ::GetLastError();
        }
        ASSERT_TRUE(::SetCurrentDirectoryA(m_strRoot.c_str()));
        m_App.m_lpCmdLine = (LPSTR)"";
    }

    void TearDown() override
    {
        ::SetCurrentDirectoryA(m_strPreviousDirectory.c_str());
        QZ_RemoveTestFolder(m_strRoot);
    }

    // The stand-in's record of its start as cszProgram, once it is written.
    std::string WaitForRecord(const char* cszProgram)
    {
        const std::string strPath = m_strRoot + "bin\\zhcn\\" + cszProgram + ".record.txt";
        for (int i = 0; i < 200; ++i)
        {
            std::string strRecord = QZ_ReadWholeFile(strPath);
            if (strRecord.find("\r\n\r\n") != std::string::npos)
                return strRecord;
            ::Sleep(50);
        }
        return std::string();
    }

    void ForgetRecords()
    {
        for (const char* cszProgram : {"clientpatch.exe", "ClientSetup.exe"})
        {
            std::string strPath = m_strRoot + "bin\\zhcn\\" + cszProgram + ".record.txt";
            // The stand-in may still hold its record open for a moment.
            for (int i = 0; i < 100 && ::GetFileAttributesA(strPath.c_str()) != INVALID_FILE_ATTRIBUTES; ++i)
            {
                if (::DeleteFileA(strPath.c_str()))
                    break;
                ::Sleep(50);
            }
        }
    }

    CWinApp m_App;
    std::string m_strRoot;  // ends in "\"
    std::string m_strPreviousDirectory;
};

TEST_F(ServerChoicesTest, StartsTheProgramOfTheFolderInTheLaunchersFolder)
{
    struct Case
    {
        const char* cszFolder;
        const char* cszArgumentText;
        const char* cszProgram;
        const char* cszCommandLine;
    };
    const Case Cases[] = {
        {".\\bin\\zhcn\\", "", "clientpatch.exe", ".\\bin\\zhcn\\clientpatch.exe"},
        // A folder text without a separator gets a backslash; a slash is kept.
        {".\\bin\\zhcn", "", "clientpatch.exe", ".\\bin\\zhcn\\clientpatch.exe"},
        {".\\bin\\zhcn/", "", "clientpatch.exe", ".\\bin\\zhcn/clientpatch.exe"},
        // The configuration program for exactly "-c", in any case.
        {".\\bin\\zhcn\\", "-c", "ClientSetup.exe", ".\\bin\\zhcn\\ClientSetup.exe"},
        {".\\bin\\zhcn\\", "-C", "ClientSetup.exe", ".\\bin\\zhcn\\ClientSetup.exe"},
        {".\\bin\\zhcn\\", "-c ", "clientpatch.exe", ".\\bin\\zhcn\\clientpatch.exe"},
        {".\\bin\\zhcn\\", "/c", "clientpatch.exe", ".\\bin\\zhcn\\clientpatch.exe"},
        {".\\bin\\zhcn\\", "-c x", "clientpatch.exe", ".\\bin\\zhcn\\clientpatch.exe"},
    };
    std::string strRootNoSeparator = m_strRoot.substr(0, m_strRoot.size() - 1);
    for (const Case& c : Cases)
    {
        SCOPED_TRACE(std::string("folder \"") + c.cszFolder + "\", argument text \"" + c.cszArgumentText + "\"");
        QZ_CapturedLog Log;
        m_App.m_lpCmdLine = (LPSTR)c.cszArgumentText;
        EXPECT_EQ(1, QZ_ArdunLauncherDlg::_LoadItemExe(c.cszFolder));
        std::string strRecord = WaitForRecord(c.cszProgram);
        ASSERT_FALSE(strRecord.empty()) << c.cszProgram << " was not started";
        EXPECT_EQ(c.cszCommandLine, RecordField(strRecord, "command_line"));
        EXPECT_EQ(0, _stricmp(strRootNoSeparator.c_str(), RecordField(strRecord, "working_directory").c_str()))
            << RecordField(strRecord, "working_directory");
        EXPECT_TRUE(Log.Lines().empty());
        ForgetRecords();
    }
}

TEST_F(ServerChoicesTest, FailuresLogTheirCheckAndStartNothing)
{
    struct Case
    {
        const char* cszFolder;  // NULL: no folder text at all
        const char* cszCondition;
    };
    const Case Cases[] = {
        {"", "nRetCode > 0"},
        {NULL, "nRetCode > 0"},
        {".\\bin\\zhcn_exp\\", "nRetCode"},  // no such folder
    };
    for (const Case& c : Cases)
    {
        SCOPED_TRACE(c.cszFolder ? std::string("folder \"") + c.cszFolder + "\"" : std::string("no folder text"));
        QZ_CapturedLog Log;
        EXPECT_EQ(0, QZ_ArdunLauncherDlg::_LoadItemExe(c.cszFolder));
        std::vector<QZ_CapturedLogLine> Lines = Log.Lines();
        ASSERT_EQ(1u, Lines.size());
        EXPECT_TRUE(IsCheckLine(Lines[0], c.cszCondition)) << Lines[0].strMessage;
    }
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA((m_strRoot + "bin\\zhcn\\clientpatch.exe.record.txt").c_str()));
}

}  // namespace
