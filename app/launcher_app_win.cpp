#include "app/launcher_app.h"

#include <imm.h>

#include <cstring>
#include <cwchar>
#include <string>

#include "app/launcher_dialog.h"
#include "app/launcher_self_test.h"
#include "app/launcher_texts.h"
#include "base/log.h"
#include "base/system_library.h"
#include "base/program_path.h"
#include "base/wide_text.h"
#include "selfupdate/trial_start.h"

BEGIN_MESSAGE_MAP(QZ_ArdunLauncherApp, CWinApp)
END_MESSAGE_MAP()

namespace
{

// The launcher takes no typed text, so its window thread goes without an input method:
// no IME composition or status window over the skin, and the window's first
// activation skips the input method's start-up (under Wine that also starts COM, some
// 10 ms before the client's updater can start). Called before the thread's first
// window. A failure only leaves the input method on, so the start goes on.
void QZ_DisableInputMethod()
{
    int nRetCode = 0;

    nRetCode = ::ImmDisableIME(0);
    QZLOG_PROCESS_ERROR(nRetCode && "ImmDisableIME()");

Exit0:
    return;
}

// A start that fails before the log is open can report nothing else: it tells the
// player in a message box of its own, with the window's failure texts.
void QZ_ShowStartFailure()
{
    std::wstring wstrText = QZ_InterfaceTextToWide(QZ_TEXT_START_FAILED);
    std::wstring wstrCaption = QZ_InterfaceTextToWide(QZ_TEXT_ERROR_CAPTION);

    ::MessageBoxW(NULL, wstrText.c_str(), wstrCaption.c_str(), MB_OK);
}

}  // namespace

QZ_ArdunLauncherApp::QZ_ArdunLauncherApp()
{
}

QZ_ArdunLauncherApp::~QZ_ArdunLauncherApp()
{
}

BOOL QZ_ArdunLauncherApp::InitInstance()
{
    // First of all, before any library is loaded by name (the window's construction
    // below included).
    int nSearchRestricted = QZ_RestrictLibrarySearch();
    BOOL bResult = FALSE;
    int nRetCode = 0;
    QZ_LogSettings LogSettings;
    char szApplicationName[QZ_UTF8_PATH_SIZE];
    std::string strApplicationPath;

    memset(&LogSettings, 0, sizeof(LogSettings));
    strcpy(LogSettings.szRootPath, "Logs");
    strcpy(LogSettings.szName, "ArdunLauncher");
    LogSettings.nOptions = LOG_OPTION_FILE;
    LogSettings.nMaxLinesPerFile = 100000;

    // Started by an updater to see that this program can start here: nothing else.
    if (QZ_IsSelfTestArgument(m_lpCmdLine))
        ::ExitProcess((UINT)QZ_RunLauncherSelfTest());

    QZ_ArdunLauncherDlg LauncherDlg(NULL);

    // Before the log is open nothing can be logged: these checks end with a message
    // box alone. The path is UTF-8, so any folder name works.
    nRetCode = QZ_GetProgramPath(szApplicationName, _countof(szApplicationName));
    QZ_PROCESS_ERROR(nRetCode > 0 && nRetCode < (int)_countof(szApplicationName));

    nRetCode = QZ_GetPathFolder(szApplicationName, &strApplicationPath);
    QZ_PROCESS_ERROR(nRetCode);

    nRetCode = ::SetCurrentDirectoryW(QZ_Utf8ToWide(strApplicationPath.c_str()).c_str());
    QZ_PROCESS_ERROR(nRetCode);

    nRetCode = QZ_OpenLog(&LogSettings);
    QZ_PROCESS_ERROR(nRetCode);

    QZ_WriteLog(LOG_LEVEL_INFO, "The program is built at " __DATE__ " " __TIME__ "\n");

    // A failure before the log was open is tried again, now with its check line; the
    // start goes on either way.
    if (!nSearchRestricted)
        QZ_RestrictLibrarySearch();

    QZ_DisableInputMethod();

    CWinApp::InitInstance();

    // Returns only after the window is gone and the self-update has finished.
    LauncherDlg.DoModal();

    bResult = TRUE;
    QZ_CloseLog();
Exit0:
    if (!bResult)
        QZ_ShowStartFailure();
    return bResult;
}
