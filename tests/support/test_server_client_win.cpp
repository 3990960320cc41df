#include "tests/support/test_server_client.h"

#include <windows.h>
#include <wininet.h>

#include <cstdlib>
#include <cstring>

int QZ_TestServerPort()
{
    const char* cszPort = getenv("QZ_TEST_SERVER_PORT");
    return cszPort ? atoi(cszPort) : 0;
}

std::string QZ_TestServerURL(const char* cszPath)
{
    return "http://127.0.0.1:" + std::to_string(QZ_TestServerPort()) + cszPath;
}

std::string QZ_TestServerDir()
{
    const char* cszDir = getenv("QZ_TEST_SERVER_DIR");
    if (!cszDir || !cszDir[0])
        return std::string();
    std::string strDir = cszDir;
    // The script exports a host path; Wine shows the host's root as drive Z:.
    if (strDir[0] == '/')
        strDir = "Z:" + strDir;
    for (char& ch : strDir)
    {
        if (ch == '/')
            ch = '\\';
    }
    if (strDir.back() != '\\')
        strDir += '\\';
    return strDir;
}

bool QZ_TestServerGet(const char* cszPath, std::string* pstrBody)
{
    bool bResult = false;
    std::string strURL = QZ_TestServerURL(cszPath);
    HINTERNET hSession = InternetOpenA("QZ test client", INTERNET_OPEN_TYPE_DIRECT, NULL, NULL, 0);
    HINTERNET hFile = NULL;
    DWORD dwStatus = 0;
    DWORD dwSize = sizeof(dwStatus);
    char szBuffer[16384];
    DWORD dwRead = 0;

    pstrBody->clear();
    if (!hSession)
        goto Exit0;
    hFile = InternetOpenUrlA(hSession, strURL.c_str(), NULL, 0,
                             INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
    if (!hFile)
        goto Exit0;
    if (!HttpQueryInfoA(hFile, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &dwStatus, &dwSize, NULL) ||
        dwStatus != 200)
        goto Exit0;
    while (InternetReadFile(hFile, szBuffer, sizeof(szBuffer), &dwRead))
    {
        if (dwRead == 0)
        {
            bResult = true;
            break;
        }
        pstrBody->append(szBuffer, dwRead);
    }
Exit0:
    if (hFile)
        InternetCloseHandle(hFile);
    if (hSession)
        InternetCloseHandle(hSession);
    return bResult;
}

std::string QZ_TestServerRequests()
{
    std::string strLog;
    QZ_TestServerGet("/__requests", &strLog);
    return strLog;
}

void QZ_TestServerClearRequests()
{
    std::string strIgnored;
    QZ_TestServerGet("/__clear", &strIgnored);
}

bool QZ_TestServerFindRequest(const char* cszRequestPart, std::string* pstrRequest)
{
    std::string strLog = QZ_TestServerRequests();
    bool bFound = false;
    size_t uBegin = 0;
    while (uBegin < strLog.size())
    {
        size_t uEnd = strLog.find("\n\n", uBegin);
        if (uEnd == std::string::npos)
            uEnd = strLog.size();
        std::string strBlock = strLog.substr(uBegin, uEnd - uBegin);
        std::string strRequestLine = strBlock.substr(0, strBlock.find('\n'));
        if (strRequestLine.find(cszRequestPart) != std::string::npos)
        {
            *pstrRequest = strBlock;
            bFound = true;
        }
        uBegin = uEnd + 2;
    }
    return bFound;
}

bool QZ_TestServerRequestHeader(const std::string& strRequest, const char* cszName, std::string* pstrValue)
{
    size_t uNameLength = strlen(cszName);
    size_t uBegin = strRequest.find('\n');
    while (uBegin != std::string::npos)
    {
        ++uBegin;
        size_t uEnd = strRequest.find('\n', uBegin);
        std::string strLine = strRequest.substr(uBegin, uEnd == std::string::npos ? std::string::npos : uEnd - uBegin);
        if (strLine.size() > uNameLength && strLine[uNameLength] == ':' &&
            _strnicmp(strLine.c_str(), cszName, uNameLength) == 0)
        {
            size_t uValue = strLine.find_first_not_of(' ', uNameLength + 1);
            *pstrValue = uValue == std::string::npos ? std::string() : strLine.substr(uValue);
            return true;
        }
        uBegin = uEnd;
    }
    return false;
}

std::string QZ_TestServerPattern(size_t uSize)
{
    std::string strPattern(uSize, '\0');
    for (size_t i = 0; i < uSize; ++i)
        strPattern[i] = (char)(i % 251);
    return strPattern;
}
