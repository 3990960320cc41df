// The log lines written while a test looks: on Windows the real log, opened once per
// test program into a temporary folder and read back from its files; on the host build
// (which has no log of its own) the stand-in log of qz_captured_log_host.cpp.
#ifndef QZ_TESTS_SUPPORT_QZ_CAPTURED_LOG_H
#define QZ_TESTS_SUPPORT_QZ_CAPTURED_LOG_H

#include <cstddef>
#include <string>
#include <vector>

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

// Splits whole log lines "YYYYMMDD-hhmmss<LEVEL:TTTTTTTT>: message\n" into level and
// message; a line without a well-formed header gives the level "?" and the whole line.
std::vector<QZ_CapturedLogLine> QZ_ParseCapturedLogLines(const std::vector<std::string>& Lines);

// True for the message of a failed check, "QZLOG_PROCESS_ERROR(<strCondition>) at line
// <digits> in <strRoutine>".
bool QZ_IsCheckLine(const std::string& strMessage, const std::string& strCondition, const std::string& strRoutine);

// The whole log lines written so far by this process (implemented per platform).
std::vector<std::string> QZ_AllCapturedLogLines();
// Starts capturing (the first call opens the log); false when the log cannot be captured.
bool QZ_BeginLogCapture();
void QZ_EndLogCapture();

#endif  // QZ_TESTS_SUPPORT_QZ_CAPTURED_LOG_H
