// The one log-capture helper of the tests.
//
// QZ_CapturedLog gives the lines the code under test writes while a test looks: on
// Windows the real log, opened once per test program into a temporary folder and read
// back from its files; on the host build (which has no log of its own) the stand-in log
// of qz_captured_log_host.cpp.
//
// QZ_LogCapture (Windows) is for the tests of the log itself: it reopens the log with
// chosen settings in a fresh folder of its own, and QZ_StdStreamCapture catches what
// the log copies to a standard stream.
#ifndef QZ_TESTS_SUPPORT_QZ_CAPTURED_LOG_H
#define QZ_TESTS_SUPPORT_QZ_CAPTURED_LOG_H

#include <cstddef>
#include <string>
#include <vector>

#include "tests/support/qz_test_files.h"

struct QZ_CapturedLogLine
{
    std::string strLevel;    // the five-character level text, e.g. "DEBUG"
    std::string strMessage;  // the text after the header, without the line feed
};

class QZ_CapturedLog
{
public:
    // Fails the running test when the log cannot be captured.
    QZ_CapturedLog();
    ~QZ_CapturedLog();
    QZ_CapturedLog(const QZ_CapturedLog&) = delete;
    QZ_CapturedLog& operator=(const QZ_CapturedLog&) = delete;

    // Every line written since this object was made, in order.
    std::vector<QZ_CapturedLogLine> Lines() const;
    // Forgets the lines written so far: Lines() then gives only the later ones.
    void Clear();

private:
    size_t m_uFirstLine;
};

// Splits whole log lines "YYYYMMDD-hhmmss<LEVEL:TTTTTTTT>: message", with or without
// their line feed, into level and message; a line without a well-formed header gives
// the level "?" and the whole line.
std::vector<QZ_CapturedLogLine> QZ_ParseCapturedLogLines(const std::vector<std::string>& Lines);

// A line's message: what follows its header, or the whole line when it has none.
std::string QZ_LogLineMessage(const std::string& strLine);

// True for the message of a failed check, "QZLOG_PROCESS_ERROR(<strCondition>) at line
// <digits> in <strRoutine>".
bool QZ_IsCheckLine(const std::string& strMessage, const std::string& strCondition, const std::string& strRoutine);

// The lines of a text, each without its line feed; a last line without one is kept.
std::vector<std::string> QZ_SplitLines(const std::string& strText);

// The whole log lines written so far by this process (implemented per platform).
std::vector<std::string> QZ_AllCapturedLogLines();
// Starts capturing (the first call opens the log); false when the log cannot be captured.
bool QZ_BeginLogCapture();
void QZ_EndLogCapture();

// Windows only (qz_captured_log_win.cpp) from here on.

// The log files below strFolder in the order the log wrote them: by the date and time
// in their names, then by the "_1", "_2", ... that tells files of one second apart.
// Paths are relative to strFolder, with "/" separators.
std::vector<std::string> QZ_ListLogFilesInOrder(const std::string& strFolder);

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
    // The folder holding "Logs", ending in "/".
    const std::string& Folder() const { return m_Folder.Path(); }
    std::vector<std::string> Files() const { return QZ_ListLogFilesInOrder(Folder()); }
    // All lines of all log files, in the order written, without their line feeds.
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

#endif  // QZ_TESTS_SUPPORT_QZ_CAPTURED_LOG_H
