#include "tests/support/qz_captured_log.h"

#include <gtest/gtest.h>

#include <cctype>

QZ_CapturedLog::QZ_CapturedLog()
{
    EXPECT_TRUE(QZ_BeginLogCapture()) << "the log cannot be captured";
    Clear();
}

QZ_CapturedLog::~QZ_CapturedLog()
{
    QZ_EndLogCapture();
}

void QZ_CapturedLog::Clear()
{
    m_uFirstLine = QZ_AllCapturedLogLines().size();
}

std::vector<QZ_CapturedLogLine> QZ_CapturedLog::Lines() const
{
    std::vector<std::string> AllLines = QZ_AllCapturedLogLines();
    if (AllLines.size() < m_uFirstLine)
        return {};
    return QZ_ParseCapturedLogLines(std::vector<std::string>(AllLines.begin() + (std::ptrdiff_t)m_uFirstLine,
                                                             AllLines.end()));
}

std::vector<QZ_CapturedLogLine> QZ_ParseCapturedLogLines(const std::vector<std::string>& Lines)
{
    std::vector<QZ_CapturedLogLine> Parsed;
    for (std::string strLine : Lines)
    {
        if (!strLine.empty() && strLine.back() == '\n')
            strLine.pop_back();

        QZ_CapturedLogLine Line = {"?", strLine};
        // YYYYMMDD-hhmmss<LEVEL:TTTTTTTT>: with a year of four digits.
        const size_t uLevel = 16;
        const size_t uHeaderSize = uLevel + 5 + 1 + 8 + 3;
        bool bHeader = strLine.size() >= uHeaderSize && strLine[8] == '-' && strLine[15] == '<' &&
                       strLine[uLevel + 5] == ':' && strLine.compare(uLevel + 14, 3, ">: ") == 0;
        for (size_t i = 0; bHeader && i < 15; ++i)
            bHeader = (i == 8) || isdigit((unsigned char)strLine[i]);
        for (size_t i = uLevel + 6; bHeader && i < uLevel + 14; ++i)
            bHeader = isxdigit((unsigned char)strLine[i]) && !islower((unsigned char)strLine[i]);
        if (bHeader)
        {
            Line.strLevel = strLine.substr(uLevel, 5);
            Line.strMessage = strLine.substr(uHeaderSize);
        }
        Parsed.push_back(Line);
    }
    return Parsed;
}

std::string QZ_LogLineMessage(const std::string& strLine)
{
    return QZ_ParseCapturedLogLines({strLine})[0].strMessage;
}

std::vector<std::string> QZ_SplitLines(const std::string& strText)
{
    std::vector<std::string> Lines;
    size_t uBegin = 0;
    while (uBegin < strText.size())
    {
        size_t uEnd = strText.find('\n', uBegin);
        if (uEnd == std::string::npos)
        {
            Lines.push_back(strText.substr(uBegin));
            break;
        }
        Lines.push_back(strText.substr(uBegin, uEnd - uBegin));
        uBegin = uEnd + 1;
    }
    return Lines;
}

bool QZ_IsCheckLine(const std::string& strMessage, const std::string& strCondition, const std::string& strRoutine)
{
    const std::string strHead = "QZLOG_PROCESS_ERROR(" + strCondition + ") at line ";
    const std::string strTail = " in " + strRoutine;
    if (strMessage.size() <= strHead.size() + strTail.size() || strMessage.compare(0, strHead.size(), strHead) != 0 ||
        strMessage.compare(strMessage.size() - strTail.size(), strTail.size(), strTail) != 0)
        return false;
    return strMessage.find_first_not_of("0123456789", strHead.size()) == strMessage.size() - strTail.size();
}
