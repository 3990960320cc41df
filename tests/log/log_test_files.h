// Test helpers around the process-wide log: a fresh temporary folder per test, the log
// reopened inside it, and readers for the files and the standard streams it writes.
#ifndef QZ_TESTS_LOG_LOG_TEST_FILES_H
#define QZ_TESTS_LOG_LOG_TEST_FILES_H

#include <string>
#include <vector>

#include "tests/support/qz_test_files.h"

// An empty folder of its own under the temporary folder, removed with everything in it
// when the object goes. Path() ends in "/".
class QZ_TempFolder
{
public:
    QZ_TempFolder();
    ~QZ_TempFolder();
    QZ_TempFolder(const QZ_TempFolder&) = delete;
    QZ_TempFolder& operator=(const QZ_TempFolder&) = delete;

    const std::string& Path() const { return m_strPath; }

private:
    std::string m_strPath;
};

// Every regular file below strFolder, as paths relative to it with "/" separators,
// sorted by name.
std::vector<std::string> QZ_ListFilesBelow(const std::string& strFolder);

// The log files below strFolder in the order the log wrote them: by the date and time
// in their names, then by the "_1", "_2", ... that tells files of one second apart.
std::vector<std::string> QZ_ListLogFilesInOrder(const std::string& strFolder);

// The lines of a text, each without its line feed; a last line without one is kept.
std::vector<std::string> QZ_SplitLines(const std::string& strText);

// A line's message: what follows the "YYYYMMDD-hhmmss<LEVEL:TTTTTTTT>: " header, or the
// whole line when it has no such header.
std::string QZ_LogLineMessage(const std::string& strLine);

// Points the process-wide log at "Logs" inside a fresh temporary folder, with the given
// options, line limit and name, for the life of the object; the log is returned to its
// start-up state (and the folder removed) afterwards.
class QZ_LogCapture
{
public:
    explicit QZ_LogCapture(int nOptions = 1, int nMaxLinesPerFile = 100000,
                           const char* cszName = "ArdunLauncher");
    ~QZ_LogCapture();
    QZ_LogCapture(const QZ_LogCapture&) = delete;
    QZ_LogCapture& operator=(const QZ_LogCapture&) = delete;

    bool IsOpen() const { return m_bOpen; }
    const std::string& Folder() const { return m_Folder.Path(); }
    std::vector<std::string> Files() const { return QZ_ListLogFilesInOrder(Folder()); }
    // All lines of all log files, in the order written.
    std::vector<std::string> Lines() const;
    // The same lines without their headers.
    std::vector<std::string> Messages() const;

private:
    QZ_TempFolder m_Folder;
    bool m_bOpen;
};

// Sends a standard stream (1 standard output, 2 standard error) into a file while the
// object lives; Finish() restores the stream and returns what was written to it.
class QZ_StdStreamCapture
{
public:
    explicit QZ_StdStreamCapture(int nStream);
    ~QZ_StdStreamCapture();
    QZ_StdStreamCapture(const QZ_StdStreamCapture&) = delete;
    QZ_StdStreamCapture& operator=(const QZ_StdStreamCapture&) = delete;

    std::string Finish();

private:
    QZ_TempFolder m_Folder;
    int m_nStream;
    int m_nSavedFile;
    std::string m_strText;
};

#endif  // QZ_TESTS_LOG_LOG_TEST_FILES_H
