// QZ_HttpSyncDownloadFile against the local test server, which misbehaves on purpose:
// the stored bytes, the file left (or not) afterwards, the log lines and what
// arrives on the wire.
#include <gtest/gtest.h>

#include <io.h>

#include <windows.h>
#include <wininet.h>

#include <cstdio>
#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "base/http_download.h"
#include "base/wide_text.h"
#include "base/wininet_library.h"
#include "tests/support/iat_hook.h"
#include "tests/support/qz_captured_log.h"
#include "tests/support/qz_test_files.h"
#include "tests/support/test_server_client.h"

namespace
{

const char QZ_USER_AGENT[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)";
const char QZ_OLD_CONTENT[] = "an older file of the same name";

std::string RegexEscape(const std::string& strText)
{
    static const std::string s_strSpecial = "\\^$.|?*+()[]{}";
    std::string strEscaped;
    for (char ch : strText)
    {
        if (s_strSpecial.find(ch) != std::string::npos)
            strEscaped += '\\';
        strEscaped += ch;
    }
    return strEscaped;
}

// Patterns of the log lines a failure writes.
std::string CheckLine(const char* cszCondition)
{
    return "QZLOG_PROCESS_ERROR\\(" + RegexEscape(cszCondition) + "\\) at line [0-9]+ in QZ_HttpSyncDownloadFile";
}

std::string SummaryLine(const std::string& strURL, const std::string& strPath, const char* cszErrorCode = "-?[0-9]+")
{
    return "Failed to download `" + RegexEscape(strURL) + "`, save as `" + RegexEscape(strPath) + "`, Error Code " +
           cszErrorCode + "\\.";
}

const char* CallText(const char* csz)
{
    return csz ? csz : "(null)";
}

class HttpDownloadTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(0, QZ_TestServerPort()) << "run this test through tests/support/run_with_server.sh";
        m_strFolder = QZ_MakeTestTempFolder("qz_http");
        ASSERT_FALSE(m_strFolder.empty());
    }
    void TearDown() override { QZ_RemoveTestFolder(m_strFolder); }

    // Downloads and returns the result; the messages logged by the call land in m_Messages.
    int Download(const char* cszURL, const char* cszPath)
    {
        m_Log.Clear();
        int nResult = QZ_HttpSyncDownloadFile(cszURL, cszPath);
        m_Messages = m_Log.Lines();
        return nResult;
    }

    // True when the messages logged by the last call are DEBUG lines matching the
    // patterns one for one.
    bool MessagesMatch(const std::vector<std::string>& Patterns) const
    {
        if (Patterns.size() != m_Messages.size())
            return false;
        for (size_t i = 0; i < Patterns.size(); ++i)
        {
            if (m_Messages[i].strLevel != "DEBUG" || !std::regex_match(m_Messages[i].strMessage, std::regex(Patterns[i])))
                return false;
        }
        return true;
    }

    std::string Logged() const
    {
        std::string strLogged = "logged:\n";
        for (const QZ_CapturedLogLine& Message : m_Messages)
            strLogged += "  <" + Message.strLevel + "> " + Message.strMessage + "\n";
        return strLogged;
    }

    static std::string Expected(const std::vector<std::string>& Patterns)
    {
        std::string strExpected = "expected:\n";
        for (const std::string& strPattern : Patterns)
            strExpected += "  " + strPattern + "\n";
        return strExpected;
    }

    void ExpectMessages(const std::vector<std::string>& Patterns)
    {
        EXPECT_TRUE(MessagesMatch(Patterns)) << Logged() << Expected(Patterns);
    }

    QZ_CapturedLog m_Log;
    std::string m_strFolder;
    std::vector<QZ_CapturedLogLine> m_Messages;
};

struct SuccessCase
{
    const char* cszName;
    std::string strServerPath;
    std::string strBody;
};

TEST_F(HttpDownloadTest, StoresTheBodyByteForByte)
{
    const SuccessCase Cases[] = {
        {"declared length", "/body/100000", QZ_TestServerPattern(100000)},
        {"several reads", "/body/1000003", QZ_TestServerPattern(1000003)},
        {"chunked without length", "/chunked/700001", QZ_TestServerPattern(700001)},
        {"empty body", "/empty", ""},
        {"held answer", "/hold/1/body/1000", QZ_TestServerPattern(1000)},
    };
    for (const SuccessCase& Case : Cases)
    {
        SCOPED_TRACE(Case.cszName);
        std::string strPath = m_strFolder + "download.bin";
        std::string strURL = QZ_TestServerURL(Case.strServerPath.c_str());

        EXPECT_EQ(1, Download(strURL.c_str(), strPath.c_str())) << Logged();
        ASSERT_TRUE(QZ_FileExists(strPath));
        std::string strStored = QZ_ReadWholeFile(strPath);
        EXPECT_EQ(Case.strBody.size(), strStored.size());
        EXPECT_TRUE(Case.strBody == strStored) << "content differs";
        ExpectMessages({});
        DeleteFileA(strPath.c_str());
    }
}

TEST_F(HttpDownloadTest, StoresAServedFileLargerThanTheReadBuffer)
{
    std::string strData;
    for (unsigned i = 0; strData.size() < 24u * 1024 * 1024 + 17; ++i)
        strData += std::to_string(i * 2654435761u) + ",";
    std::string strServerFolder = QZ_TestServerDir() + "ardunlauncher";
    CreateDirectoryA(strServerFolder.c_str(), NULL);
    QZ_WriteWholeFile(strServerFolder + "\\big.bin", strData);
    std::string strPath = m_strFolder + "big.bin";

    EXPECT_EQ(1, Download(QZ_TestServerURL("/ardunlauncher/big.bin").c_str(), strPath.c_str()));
    std::string strStored = QZ_ReadWholeFile(strPath);
    EXPECT_EQ(strData.size(), strStored.size());
    EXPECT_TRUE(strData == strStored) << "content differs";
}

TEST_F(HttpDownloadTest, ReplacesAnExistingReadOnlyFile)
{
    std::string strPath = m_strFolder + "readonly.bin";
    QZ_WriteWholeFile(strPath, std::string(200000, 'x'));
    ASSERT_TRUE(SetFileAttributesA(strPath.c_str(), FILE_ATTRIBUTE_READONLY));

    EXPECT_EQ(1, Download(QZ_TestServerURL("/body/1000").c_str(), strPath.c_str()));
    EXPECT_TRUE(QZ_ReadWholeFile(strPath) == QZ_TestServerPattern(1000));
    // The new file is an ordinary one that a later download can replace again. (Under
    // Wine as root a read-only file opens for writing anyway; its attribute still shows.)
    EXPECT_EQ(0u, GetFileAttributesA(strPath.c_str()) & FILE_ATTRIBUTE_READONLY);
    ExpectMessages({});
}

TEST_F(HttpDownloadTest, SavesRelativeToTheWorkingDirectory)
{
    char szOldDirectory[MAX_PATH];
    ASSERT_NE(0u, GetCurrentDirectoryA(sizeof(szOldDirectory), szOldDirectory));
    ASSERT_TRUE(SetCurrentDirectoryA(m_strFolder.c_str()));

    int nResult = Download(QZ_TestServerURL("/body/5000").c_str(), "index.txt");
    SetCurrentDirectoryA(szOldDirectory);

    EXPECT_EQ(1, nResult);
    EXPECT_TRUE(QZ_ReadWholeFile(m_strFolder + "index.txt") == QZ_TestServerPattern(5000));
}

// The whole content of a file named in UTF-16; "(none)" when it cannot be opened.
std::string ReadWideFile(const std::wstring& wstrPath)
{
    std::string strData;
    char szBuffer[4096];
    FILE* fpFile = _wfopen(wstrPath.c_str(), L"rb");
    if (!fpFile)
        return "(none)";
    for (size_t uRead; (uRead = fread(szBuffer, 1, sizeof(szBuffer), fpFile)) > 0;)
        strData.append(szBuffer, uRead);
    fclose(fpFile);
    return strData;
}

// A UTF-8 path that the ANSI code page cannot spell (Korean under code page 936, in a
// Chinese folder name with a space) is written, replaced, and removed after a failure,
// under that very name.
TEST_F(HttpDownloadTest, AUtf8PathIsStoredUnderItsOwnName)
{
    const std::wstring wstrFolder = QZ_Utf8ToWide(m_strFolder.c_str()) + L"\u6E38\u620F \u5BA2\u6237\u7AEF\\";
    const std::wstring wstrPath = wstrFolder + L"\uAC8C\uC784.bin";
    const std::string strPath = QZ_WideToUtf8(wstrPath.c_str());
    const struct
    {
        const char* cszServerPath;
        const char* cszStored;
    } Cases[] = {{"/body/5000", "5000"}, {"/body/3000", "3000"}, {"/status/404", nullptr}};
    ASSERT_TRUE(CreateDirectoryW(wstrFolder.c_str(), NULL));
    for (const auto& Case : Cases)
    {
        SCOPED_TRACE(Case.cszServerPath);
        EXPECT_EQ(Case.cszStored ? 1 : 0, Download(QZ_TestServerURL(Case.cszServerPath).c_str(), strPath.c_str()))
            << Logged();
        EXPECT_TRUE(ReadWideFile(wstrPath) ==
                    (Case.cszStored ? QZ_TestServerPattern(strtoul(Case.cszStored, NULL, 10)) : "(none)"));
    }
    EXPECT_TRUE(RemoveDirectoryW(wstrFolder.c_str())) << "files left in the folder";
}

struct FailureCase
{
    const char* cszName;
    std::string strURL;
    // The lines before the summary; a second list where platforms report the same
    // failure at another step.
    std::vector<std::vector<std::string>> LinesBeforeSummary;
    const char* cszErrorCode;  // pattern of the summary's error code
};

// Every failure logs its reason and a summary, and leaves no file of that name, also
// when one existed before the call.
TEST_F(HttpDownloadTest, FailuresLeaveNoFileAndLogWhy)
{
    const std::string strIncomplete = CheckLine("(dwTotalFileSize == dwTotalReadSize) && \"Incomplete file.\"");
    const FailureCase Cases[] = {
        {"status 404", QZ_TestServerURL("/status/404"), {{"Response status code : 404", CheckLine("false")}}, "-?[0-9]+"},
        {"status 500", QZ_TestServerURL("/status/500"), {{"Response status code : 500", CheckLine("false")}}, "-?[0-9]+"},
        {"status 206 is not 200",
         QZ_TestServerURL("/status/206"),
         {{"Response status code : 206", CheckLine("false")}},
         "-?[0-9]+"},
        {"body ends before its length", QZ_TestServerURL("/short/300000/120000"), {{strIncomplete}}, "-?[0-9]+"},
        {"body ends before its first byte", QZ_TestServerURL("/short/1000/0"), {{strIncomplete}}, "-?[0-9]+"},
        // The reset is the failed read's own error: 12030 from Windows, 10054 from Wine.
        {"connection reset in the body",
         QZ_TestServerURL("/reset/2000000/300000"),
         {{CheckLine("nRetCode && \"InternetReadFile()\"")}},
         "[1-9][0-9]*"},
        {"nothing listens", "http://127.0.0.1:1/index.txt", {{CheckLine("hInternetFile")}}, "12029"},
        // A connection closed without an answer: Windows fails the request, Wine opens it
        // with status 0.
        {"server silent, then closes",
         QZ_TestServerURL("/silent/3"),
         {{CheckLine("hInternetFile")}, {"Response status code : 0", CheckLine("false")}},
         "-?[0-9]+"},
    };
    for (const FailureCase& Case : Cases)
    {
        SCOPED_TRACE(Case.cszName);
        std::string strPath = m_strFolder + "failed.bin";
        QZ_WriteWholeFile(strPath, QZ_OLD_CONTENT);

        EXPECT_EQ(0, Download(Case.strURL.c_str(), strPath.c_str()));
        EXPECT_FALSE(QZ_FileExists(strPath));
        bool bMatched = false;
        std::string strExpected;
        for (std::vector<std::string> Patterns : Case.LinesBeforeSummary)
        {
            Patterns.push_back(SummaryLine(Case.strURL, strPath, Case.cszErrorCode));
            bMatched = bMatched || MessagesMatch(Patterns);
            strExpected += Expected(Patterns);
        }
        EXPECT_TRUE(bMatched) << Logged() << strExpected;
    }
}

TEST_F(HttpDownloadTest, ALocalFileThatCannotBeOpenedFailsAfterTheRequest)
{
    std::string strPath = m_strFolder + "no such folder\\file.bin";
    std::string strURL = QZ_TestServerURL("/body/10");

    EXPECT_EQ(0, Download(strURL.c_str(), strPath.c_str()));
    EXPECT_FALSE(QZ_FileExists(strPath));
    ExpectMessages({CheckLine("fpLocalFile"), SummaryLine(strURL, strPath)});
}

// A disk that fails under the download: a write that stores only part of a block, a
// close whose last flush fails.
decltype(&fwrite) g_pfnFwrite = nullptr;
decltype(&fclose) g_pfnFclose = nullptr;

size_t __cdecl ShortFwrite(const void* pBuffer, size_t uSize, size_t uCount, FILE* fpFile)
{
    return g_pfnFwrite(pBuffer, uSize, uCount / 2, fpFile);
}

int __cdecl FailingFclose(FILE* fpFile)
{
    g_pfnFclose(fpFile);
    return EOF;
}

decltype(&_commit) g_pfnCommit = nullptr;

int __cdecl FailingCommit(int nFile)
{
    return -1;
}

TEST_F(HttpDownloadTest, DiskFailuresLeaveNoFile)
{
    const struct
    {
        const char* cszName;
        const char* cszFunction;
        void* pfnFailing;
        void** ppfnReal;
        const char* cszCondition;
    } Cases[] = {
        {"short write", "fwrite", (void*)ShortFwrite, (void**)&g_pfnFwrite, "nRetCode == (int)dwReadSize"},
        {"failed close", "fclose", (void*)FailingFclose, (void**)&g_pfnFclose, "(nRetCode == 0) && \"fclose()\""},
        {"failed commit to disk", "_commit", (void*)FailingCommit, (void**)&g_pfnCommit, "(nRetCode == 0) && \"_commit()\""},
    };
    std::string strURL = QZ_TestServerURL("/body/200000");
    std::string strPath = m_strFolder + "disk.bin";
    for (const auto& Case : Cases)
    {
        SCOPED_TRACE(Case.cszName);
        *Case.ppfnReal = QZ_HookImport("msvcrt.dll", Case.cszFunction, Case.pfnFailing);
        ASSERT_TRUE(*Case.ppfnReal != nullptr) << "the test program does not import " << Case.cszFunction;
        int nResult = Download(strURL.c_str(), strPath.c_str());
        QZ_HookImport("msvcrt.dll", Case.cszFunction, *Case.ppfnReal);

        EXPECT_EQ(0, nResult);
        EXPECT_FALSE(QZ_FileExists(strPath));
        ExpectMessages({CheckLine(Case.cszCondition), SummaryLine(strURL, strPath)});
    }
}

// The body is committed to the disk, whole, before the file is closed.
std::vector<std::string> g_DiskCalls;
long g_lCommittedLength = -1;

int __cdecl RecordingCommit(int nFile)
{
    if (_filelength(nFile) == 200000)
        g_DiskCalls.push_back("_commit");
    g_lCommittedLength = _filelength(nFile);
    return g_pfnCommit(nFile);
}

// Other streams (the test's own files) close meanwhile: only the body's counts.
int __cdecl RecordingFclose(FILE* fpFile)
{
    if (_filelength(_fileno(fpFile)) == 200000)
        g_DiskCalls.push_back("fclose");
    return g_pfnFclose(fpFile);
}

TEST_F(HttpDownloadTest, TheWholeBodyIsOnTheDiskBeforeTheFileIsClosed)
{
    std::string strURL = QZ_TestServerURL("/body/200000");
    std::string strPath = m_strFolder + "committed.bin";
    g_DiskCalls.clear();
    g_pfnCommit = (decltype(g_pfnCommit))QZ_HookImport("msvcrt.dll", "_commit", (void*)RecordingCommit);
    g_pfnFclose = (decltype(g_pfnFclose))QZ_HookImport("msvcrt.dll", "fclose", (void*)RecordingFclose);
    ASSERT_TRUE(g_pfnCommit != nullptr && g_pfnFclose != nullptr);
    int nResult = Download(strURL.c_str(), strPath.c_str());
    QZ_HookImport("msvcrt.dll", "_commit", (void*)g_pfnCommit);
    QZ_HookImport("msvcrt.dll", "fclose", (void*)g_pfnFclose);

    EXPECT_EQ(1, nResult);
    EXPECT_EQ((std::vector<std::string>{"_commit", "fclose"}), g_DiskCalls);
    EXPECT_EQ(200000, g_lCommittedLength);
}

struct ArgumentCase
{
    const char* cszName;
    const char* cszURL;
    bool bPath;       // pass the local path (else cszPath)
    const char* cszPath;
    const char* cszCondition;
    bool bSummary;
};

TEST_F(HttpDownloadTest, MissingOrEmptyArgumentsFailBeforeAnyRequest)
{
    std::string strURL = QZ_TestServerURL("/body/10?arguments");
    std::string strPath = m_strFolder + "arguments.bin";
    const ArgumentCase Cases[] = {
        {"null URL", NULL, true, NULL, "cszFileURL", false},
        {"empty URL", "", true, NULL, "cszFileURL[0]", true},
        {"null path", strURL.c_str(), false, NULL, "cszFileName", false},
        {"empty path", strURL.c_str(), false, "", "cszFileName[0]", true},
        {"empty URL, null path", "", false, NULL, "cszFileURL[0]", false},
    };
    QZ_TestServerClearRequests();
    for (const ArgumentCase& Case : Cases)
    {
        SCOPED_TRACE(Case.cszName);
        QZ_WriteWholeFile(strPath, QZ_OLD_CONTENT);
        const char* cszPath = Case.bPath ? strPath.c_str() : Case.cszPath;

        EXPECT_EQ(0, Download(Case.cszURL, cszPath));
        std::vector<std::string> Patterns = {CheckLine(Case.cszCondition)};
        if (Case.bSummary)
            Patterns.push_back(SummaryLine(CallText(Case.cszURL), CallText(cszPath)));
        ExpectMessages(Patterns);
        // Only the named file goes; with no path given the older file stays.
        EXPECT_EQ(!Case.bPath, QZ_FileExists(strPath));
    }
    std::string strRequest;
    EXPECT_FALSE(QZ_TestServerFindRequest("?arguments", &strRequest)) << strRequest;
}

// The request as it arrives: our user agent, the Accept header, no cached or
// conditional answer asked for.
TEST_F(HttpDownloadTest, RequestCarriesTheAgentAndNoCacheHeaders)
{
    std::string strPath = m_strFolder + "wire.bin";
    QZ_TestServerClearRequests();

    ASSERT_EQ(1, Download(QZ_TestServerURL("/body/10?wire").c_str(), strPath.c_str()));

    std::string strLog = QZ_TestServerRequests();
    std::string strRequest;
    ASSERT_TRUE(QZ_TestServerFindRequest("GET /body/10?wire HTTP/1.1", &strRequest)) << strLog;
    EXPECT_EQ(strLog.find("?wire"), strLog.rfind("?wire")) << "more than one request:\n" << strLog;

    std::string strValue;
    EXPECT_TRUE(QZ_TestServerRequestHeader(strRequest, "User-Agent", &strValue)) << strRequest;
    EXPECT_EQ(QZ_USER_AGENT, strValue);
    EXPECT_TRUE(QZ_TestServerRequestHeader(strRequest, "Pragma", &strValue)) << strRequest;
    EXPECT_EQ("no-cache", strValue);
    // Wine's WinINet sends no Cache-Control with a no-cache request; when one is sent it must agree.
    if (QZ_TestServerRequestHeader(strRequest, "Cache-Control", &strValue))
    {
        EXPECT_EQ("no-cache", strValue);
    }
    for (const char* cszConditional : {"If-Modified-Since", "If-None-Match"})
        EXPECT_FALSE(QZ_TestServerRequestHeader(strRequest, cszConditional, &strValue)) << strRequest;

    // Wine sends the Accept line twice (its default and ours); every one must be ours.
    int nAccept = 0;
    size_t uLine = 0;
    while ((uLine = strRequest.find("\nAccept:", uLine)) != std::string::npos)
    {
        ++uLine;
        size_t uEnd = strRequest.find('\n', uLine);
        EXPECT_EQ("Accept: */*", strRequest.substr(uLine, uEnd == std::string::npos ? uEnd : uEnd - uLine));
        ++nAccept;
    }
    EXPECT_GE(nAccept, 1) << strRequest;
}

// What the download hands to WinINet, recorded through the test program's imports.
struct QZ_RecordedCalls
{
    int nOpen = 0;
    std::string strAgent;
    DWORD dwAccessType = 0xFFFFFFFF;
    bool bNoProxy = false;
    DWORD dwOpenFlags = 0xFFFFFFFF;
    HINTERNET hSession = NULL;

    int nSetOption = 0;
    HINTERNET hOptionHandle = NULL;
    DWORD dwOption = 0;
    DWORD dwOptionValue = 0;
    DWORD dwOptionLength = 0;

    int nOpenUrl = 0;
    HINTERNET hUrlSession = NULL;
    std::string strHeaders;
    DWORD dwHeadersLength = 0;
    DWORD dwUrlFlags = 0;
    DWORD_PTR dwContext = 1;
};

QZ_RecordedCalls g_Calls;
decltype(&InternetOpenA) g_pfnInternetOpenA = nullptr;
decltype(&InternetSetOptionA) g_pfnInternetSetOptionA = nullptr;
decltype(&InternetOpenUrlA) g_pfnInternetOpenUrlA = nullptr;

HINTERNET WINAPI RecordInternetOpenA(LPCSTR cszAgent, DWORD dwAccessType, LPCSTR cszProxy, LPCSTR cszBypass,
                                     DWORD dwFlags)
{
    ++g_Calls.nOpen;
    g_Calls.strAgent = cszAgent ? cszAgent : "(null)";
    g_Calls.dwAccessType = dwAccessType;
    g_Calls.bNoProxy = cszProxy == NULL && cszBypass == NULL;
    g_Calls.dwOpenFlags = dwFlags;
    g_Calls.hSession = g_pfnInternetOpenA(cszAgent, dwAccessType, cszProxy, cszBypass, dwFlags);
    return g_Calls.hSession;
}

BOOL WINAPI RecordInternetSetOptionA(HINTERNET hInternet, DWORD dwOption, LPVOID pBuffer, DWORD dwLength)
{
    ++g_Calls.nSetOption;
    g_Calls.hOptionHandle = hInternet;
    g_Calls.dwOption = dwOption;
    g_Calls.dwOptionLength = dwLength;
    if (pBuffer && dwLength == sizeof(DWORD))
        g_Calls.dwOptionValue = *(DWORD*)pBuffer;
    return g_pfnInternetSetOptionA(hInternet, dwOption, pBuffer, dwLength);
}

HINTERNET WINAPI RecordInternetOpenUrlA(HINTERNET hSession, LPCSTR cszURL, LPCSTR cszHeaders, DWORD dwHeadersLength,
                                        DWORD dwFlags, DWORD_PTR dwContext)
{
    ++g_Calls.nOpenUrl;
    g_Calls.hUrlSession = hSession;
    g_Calls.strHeaders = cszHeaders ? cszHeaders : "(null)";
    g_Calls.dwHeadersLength = dwHeadersLength;
    g_Calls.dwUrlFlags = dwFlags;
    g_Calls.dwContext = dwContext;
    return g_pfnInternetOpenUrlA(hSession, cszURL, cszHeaders, dwHeadersLength, dwFlags, dwContext);
}

// The session, the receive time-out and the request as the download sets them up.
// Wine accepts the receive time-out but neither applies nor reports it, so the call
// itself is what can be checked there.
TEST_F(HttpDownloadTest, SetsUpSessionTimeOutAndRequestFlags)
{
    g_Calls = QZ_RecordedCalls();
    QZ_WinInetFunctions* pWinInet = QZ_GetWinInet();
    ASSERT_TRUE(pWinInet != NULL) << "wininet.dll did not load";
    QZ_WinInetFunctions Real = *pWinInet;
    g_pfnInternetOpenA = Real.pfnInternetOpenA;
    g_pfnInternetSetOptionA = Real.pfnInternetSetOptionA;
    g_pfnInternetOpenUrlA = Real.pfnInternetOpenUrlA;
    pWinInet->pfnInternetOpenA = RecordInternetOpenA;
    pWinInet->pfnInternetSetOptionA = RecordInternetSetOptionA;
    pWinInet->pfnInternetOpenUrlA = RecordInternetOpenUrlA;

    int nResult = Download(QZ_TestServerURL("/body/10").c_str(), (m_strFolder + "calls.bin").c_str());

    *pWinInet = Real;

    EXPECT_EQ(1, nResult);
    EXPECT_EQ(1, g_Calls.nOpen);
    EXPECT_EQ(QZ_USER_AGENT, g_Calls.strAgent);
    EXPECT_EQ((DWORD)INTERNET_OPEN_TYPE_PRECONFIG, g_Calls.dwAccessType);
    EXPECT_TRUE(g_Calls.bNoProxy);
    EXPECT_EQ(0u, g_Calls.dwOpenFlags);

    // One option only: the other time-outs keep the platform's values.
    EXPECT_EQ(1, g_Calls.nSetOption);
    EXPECT_TRUE(g_Calls.hSession != NULL && g_Calls.hOptionHandle == g_Calls.hSession);
    EXPECT_EQ(6u, g_Calls.dwOption);  // INTERNET_OPTION_RECEIVE_TIMEOUT
    EXPECT_EQ(4u, g_Calls.dwOptionLength);
    EXPECT_EQ(10000u, g_Calls.dwOptionValue);

    EXPECT_EQ(1, g_Calls.nOpenUrl);
    EXPECT_TRUE(g_Calls.hUrlSession == g_Calls.hSession);
    EXPECT_EQ("Accept: */*\r\n\r\n", g_Calls.strHeaders);
    EXPECT_EQ((DWORD)-1, g_Calls.dwHeadersLength);
    EXPECT_EQ(0x84004100u, g_Calls.dwUrlFlags);  // reload, no cache write, pragma no-cache, on to https://
    EXPECT_EQ(0u, g_Calls.dwContext);
}

// Serves an https:// request over http://, as WinINet does after a redirect from the
// one to the other.
HINTERNET WINAPI OpenOverPlainHttp(HINTERNET hSession, LPCSTR cszURL, LPCSTR cszHeaders, DWORD dwHeadersLength,
                                   DWORD dwFlags, DWORD_PTR dwContext)
{
    std::string strURL = cszURL;
    if (strURL.compare(0, 8, "https://") == 0)
        strURL = "http://" + strURL.substr(8);
    return g_pfnInternetOpenUrlA(hSession, strURL.c_str(), cszHeaders, dwHeadersLength, dwFlags, dwContext);
}

// An https:// download that ends at an http:// URL is refused before a byte is stored;
// a download asked for over http:// is not affected.
TEST_F(HttpDownloadTest, AnHttpsRequestRedirectedToHttpIsRefused)
{
    QZ_WinInetFunctions* pWinInet = QZ_GetWinInet();
    ASSERT_TRUE(pWinInet != NULL) << "wininet.dll did not load";
    QZ_WinInetFunctions Real = *pWinInet;
    g_pfnInternetOpenUrlA = Real.pfnInternetOpenUrlA;
    pWinInet->pfnInternetOpenUrlA = OpenOverPlainHttp;
    std::string strHttpURL = QZ_TestServerURL("/body/1000");
    std::string strHttpsURL = "https://" + strHttpURL.substr(strlen("http://"));
    std::string strPath = m_strFolder + "downgraded.bin";
    QZ_WriteWholeFile(strPath, QZ_OLD_CONTENT);

    EXPECT_EQ(0, Download(strHttpsURL.c_str(), strPath.c_str()));
    EXPECT_FALSE(QZ_FileExists(strPath));
    ExpectMessages({CheckLine("nRetCode && \"Redirect from https:// to http://.\""),
                    SummaryLine(strHttpsURL, strPath, "12040")});

    EXPECT_EQ(1, Download(strHttpURL.c_str(), strPath.c_str())) << Logged();
    *pWinInet = Real;
}

decltype(&InternetReadFile) g_pfnInternetReadFile = nullptr;
LONG g_lBytesRead = 0;

BOOL WINAPI CountInternetReadFile(HINTERNET hFile, LPVOID pvBuffer, DWORD dwToRead, LPDWORD pdwRead)
{
    BOOL bResult = g_pfnInternetReadFile(hFile, pvBuffer, dwToRead, pdwRead);
    if (bResult)
        InterlockedExchangeAdd(&g_lBytesRead, (LONG)*pdwRead);
    return bResult;
}

// An endless body stops being read one byte past the size cap: the request's thread
// keeps no more than that, whatever the waiting side is doing.
TEST_F(HttpDownloadTest, AnEndlessBodyIsReadOnlyOneBytePastTheCap)
{
    QZ_WinInetFunctions* pWinInet = QZ_GetWinInet();
    ASSERT_TRUE(pWinInet != NULL) << "wininet.dll did not load";
    QZ_WinInetFunctions Real = *pWinInet;
    g_pfnInternetReadFile = Real.pfnInternetReadFile;
    g_lBytesRead = 0;
    pWinInet->pfnInternetReadFile = CountInternetReadFile;
    QZ_DownloadLimits Limits = {100000, 20000, 10000};
    std::string strPath = m_strFolder + "endless.bin";

    EXPECT_EQ(0, QZ_HttpSyncDownloadFile(QZ_TestServerURL("/endless").c_str(), strPath.c_str(), &Limits));
    // The request's thread ends on its own after its last read.
    Sleep(1000);
    *pWinInet = Real;
    EXPECT_EQ(100001, g_lBytesRead);
    EXPECT_FALSE(QZ_FileExists(strPath));
}

}  // namespace
