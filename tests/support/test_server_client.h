// Access to the local HTTP test server (tests/support/http_test_server.py) that
// tests/support/run_with_server.sh starts beside a SERVER test.
#ifndef QZ_TESTS_SUPPORT_TEST_SERVER_CLIENT_H
#define QZ_TESTS_SUPPORT_TEST_SERVER_CLIENT_H

#include <string>

// The server's port from QZ_TEST_SERVER_PORT, 0 when the test runs without a server.
int QZ_TestServerPort();

// "http://127.0.0.1:<port>" followed by cszPath (which begins with "/").
std::string QZ_TestServerURL(const char* cszPath);

// The folder the server serves files from, as a Windows path ending in "\", or an
// empty text without a server.
std::string QZ_TestServerDir();

// Fetches cszPath with plain WinINet (not the code under test). Returns false when no
// 200 answer came.
bool QZ_TestServerGet(const char* cszPath, std::string* pstrBody);

// The server's request log (request line and headers of every request so far, one
// block per request ending in an empty line), and a way to empty it.
std::string QZ_TestServerRequests();
void QZ_TestServerClearRequests();

// The header lines of the last logged request whose request line contains
// cszRequestPart; false when there is none.
bool QZ_TestServerFindRequest(const char* cszRequestPart, std::string* pstrRequest);

// The value of header cszName (compared without regard to case) in a request block
// from QZ_TestServerFindRequest; false when the header is missing.
bool QZ_TestServerRequestHeader(const std::string& strRequest, const char* cszName, std::string* pstrValue);

// The body the server generates for /body/N and /chunked/N: byte i is i % 251.
std::string QZ_TestServerPattern(size_t uSize);

#endif  // QZ_TESTS_SUPPORT_TEST_SERVER_CLIENT_H
