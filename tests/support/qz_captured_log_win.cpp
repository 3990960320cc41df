// The log reopened in folders of the tests' own, and read back from the files it writes.
#include "tests/support/qz_captured_log.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/log.h"
#include "base/log_clock.h"

namespace
{

// The numbers of a log file's name: year, month, day, hour, minute, second and the
// "_N" that follows them (0 when absent).
std::vector<long> LogFileOrderKey(const std::string& strPath)
{
    std::string strName = strPath.substr(strPath.rfind('/') + 1);
    std::vector<long> Numbers;
    size_t uPos = strName.size();
    if (strName.size() > 4 && strName.compare(strName.size() - 4, 4, ".log") == 0)
        uPos -= 4;
    // Read the "_<digits>" groups from the end of the name backwards: the log's own name
    // may hold digits and underscores of its own.
    std::vector<long> Reversed;
    while (Reversed.size() < 7)
    {
        size_t uDigitsEnd = uPos;
        while (uPos > 0 && isdigit((unsigned char)strName[uPos - 1]))
            --uPos;
        if (uPos == uDigitsEnd || uPos == 0 || strName[uPos - 1] != '_')
            break;
        Reversed.push_back(strtol(strName.substr(uPos, uDigitsEnd - uPos).c_str(), nullptr, 10));
        --uPos;
    }
    Numbers.assign(Reversed.rbegin(), Reversed.rend());
    // The year is the only four-digit group, so a name without suffix has six numbers
    // and its first is the year.
    if (Numbers.size() == 7 && Numbers[0] < 1000)
        Numbers.erase(Numbers.begin());
    if (Numbers.size() == 6)
        Numbers.push_back(0);
    return Numbers;
}

// The capture behind QZ_CapturedLog: one log for the whole test program, named
// "CapturedLog", with room for every line a test program writes in one file.
QZ_LogCapture* g_pProgramLog = nullptr;

void CloseProgramLog()
{
    delete g_pProgramLog;
    g_pProgramLog = nullptr;
}

}  // namespace

std::vector<std::string> QZ_ListLogFilesInOrder(const std::string& strFolder)
{
    std::vector<std::string> Files;
    for (const std::string& strFile : QZ_ListFilesBelow(strFolder))
    {
        if (strFile.size() > 4 && strFile.compare(strFile.size() - 4, 4, ".log") == 0)
            Files.push_back(strFile);
    }
    std::stable_sort(Files.begin(), Files.end(), [](const std::string& strA, const std::string& strB) {
        return LogFileOrderKey(strA) < LogFileOrderKey(strB);
    });
    return Files;
}

QZ_LogCapture::QZ_LogCapture(int nOptions, int nMaxLinesPerFile, const char* cszName) : m_bOpen(false)
{
    QZ_LogSettings Settings;
    memset(&Settings, 0, sizeof(Settings));
    snprintf(Settings.szRootPath, sizeof(Settings.szRootPath), "%sLogs", m_Folder.Path().c_str());
    snprintf(Settings.szName, sizeof(Settings.szName), "%s", cszName);
    Settings.nOptions = nOptions;
    Settings.nMaxLinesPerFile = nMaxLinesPerFile;

    QZ_ResetLog();
    m_bOpen = !m_Folder.Path().empty() && QZ_OpenLog(&Settings) != 0;
    if (!m_bOpen)
        fprintf(stderr, "QZ_LogCapture: the log cannot be opened in the folder \"%s\" (QZ_OpenLog of %s)\n",
                m_Folder.Path().c_str(), Settings.szRootPath);
}

QZ_LogCapture::~QZ_LogCapture()
{
    QZ_CloseLog();
    QZ_ResetLog();
}

std::vector<std::string> QZ_LogCapture::Lines() const
{
    std::vector<std::string> Lines;
    for (const std::string& strFile : Files())
    {
        for (std::string& strLine : QZ_SplitLines(QZ_ReadWholeFile(Folder() + strFile)))
            Lines.push_back(std::move(strLine));
    }
    return Lines;
}

std::vector<std::string> QZ_LogCapture::Messages() const
{
    std::vector<std::string> Messages;
    for (const QZ_CapturedLogLine& Line : QZ_ParseCapturedLogLines(Lines()))
        Messages.push_back(Line.strMessage);
    return Messages;
}

QZ_StdStreamCapture::QZ_StdStreamCapture(int nStream) : m_nStream(nStream), m_nSavedFile(-1)
{
    FILE* fpStream = nStream == 1 ? stdout : stderr;
    fflush(fpStream);
    int nFile = _open((m_Folder.Path() + "stream.txt").c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY,
                      _S_IREAD | _S_IWRITE);
    if (nFile == -1)
        return;
    m_nSavedFile = _dup(nStream);
    _dup2(nFile, nStream);
    _close(nFile);
}

QZ_StdStreamCapture::~QZ_StdStreamCapture()
{
    Finish();
}

std::string QZ_StdStreamCapture::Finish()
{
    if (m_nSavedFile != -1)
    {
        fflush(m_nStream == 1 ? stdout : stderr);
        _dup2(m_nSavedFile, m_nStream);
        _close(m_nSavedFile);
        m_nSavedFile = -1;
        m_strText = QZ_ReadWholeFile(m_Folder.Path() + "stream.txt");
    }
    return m_strText;
}

bool QZ_BeginLogCapture()
{
    if (!g_pProgramLog)
    {
        g_pProgramLog = new QZ_LogCapture(LOG_OPTION_FILE, 1000000, "CapturedLog");
        atexit(CloseProgramLog);
    }
    return g_pProgramLog->IsOpen();
}

void QZ_EndLogCapture()
{
}

std::vector<std::string> QZ_AllCapturedLogLines()
{
    return g_pProgramLog ? g_pProgramLog->Lines() : std::vector<std::string>();
}
