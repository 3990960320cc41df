// Opens the real log in a temporary folder and reads back the messages written to it,
// so tests can check the lines a routine logs.
#ifndef QZ_TESTS_SUPPORT_TEST_LOG_CAPTURE_H
#define QZ_TESTS_SUPPORT_TEST_LOG_CAPTURE_H

#include <string>
#include <vector>

struct QZ_TestLogMessage
{
    std::string strLevel;    // the five-character level text, e.g. "DEBUG"
    std::string strMessage;  // the text after the line's header, without the line feed
};

// A fresh folder under the temporary folder, as a path ending in "\".
std::string QZ_MakeTestTempFolder(const char* cszPrefix);
// Deletes a folder and everything in it.
void QZ_RemoveTestFolder(const std::string& strFolder);

class QZ_TestLogCapture
{
public:
    // Opens the process's log (file only) under <temp folder>\Logs with cszName.
    bool Open(const char* cszName);
    // Closes the log and removes the temporary folder.
    void Close();

    // The amount of log text written so far; messages after it are read with Since.
    size_t Mark() const;
    std::vector<QZ_TestLogMessage> Since(size_t uMark) const;

private:
    std::string _ReadAll() const;

    std::string m_strFolder;
    std::string m_strLogFolder;
};

#endif  // QZ_TESTS_SUPPORT_TEST_LOG_CAPTURE_H
