#include "tests/log/log_test_files.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "base/log.h"
#include "base/log_clock.h"

namespace fs = std::filesystem;

QZ_TempFolder::QZ_TempFolder()
{
    m_strPath = QZ_MakeTestTempFolder("qztest");
    std::replace(m_strPath.begin(), m_strPath.end(), '\\', '/');
}

QZ_TempFolder::~QZ_TempFolder()
{
    std::error_code Error;
    fs::remove_all(m_strPath, Error);
}

std::vector<std::string> QZ_ListFilesBelow(const std::string& strFolder)
{
    std::vector<std::string> Files;
    std::error_code Error;
    for (fs::recursive_directory_iterator It(strFolder, Error), End; !Error && It != End; It.increment(Error))
    {
        if (!It->is_regular_file())
            continue;
        std::string strPath = fs::relative(It->path(), strFolder, Error).generic_string();
        Files.push_back(strPath);
    }
    std::sort(Files.begin(), Files.end());
    return Files;
}

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

std::string QZ_LogLineMessage(const std::string& strLine)
{
    size_t uEnd = strLine.find(">: ");
    if (uEnd == std::string::npos || strLine.find('<') == std::string::npos)
        return strLine;
    return strLine.substr(uEnd + 3);
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
    m_bOpen = QZ_OpenLog(&Settings) != 0;
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
    for (const std::string& strLine : Lines())
        Messages.push_back(QZ_LogLineMessage(strLine));
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
