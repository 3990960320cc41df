// The server choices: the list built from the client folders present, and starting the
// program of a client folder.
#include "app/launcher_dialog.h"

#include <io.h>

#include <string>

#include "app/launcher_texts.h"
#include "base/log.h"
#include "base/wide_text.h"

int QZ_ArdunLauncherDlg::_InitServerItems()
{
    int nExperience = _waccess(QZ_Utf8ToWide(QZ_EXPERIENCE_PATH).c_str(), 0) == 0;
    ServerItem Item;

    m_ServerItemList.clear();
    Item.strPath = QZ_OFFICIAL_PATH;
    Item.strName = QZ_TEXT_OFFICIAL_NAME;
    Item.strDescription = QZ_TEXT_OFFICIAL_DESCRIPTION;
    Item.pButton = NULL;
    m_ServerItemList.push_back(Item);

    if (nExperience)
    {
        Item.strPath = QZ_EXPERIENCE_PATH;
        Item.strName = QZ_TEXT_EXPERIENCE_NAME;
        Item.strDescription = QZ_TEXT_EXPERIENCE_DESCRIPTION;
        Item.pButton = NULL;
        m_ServerItemList.push_back(Item);
    }
    return nExperience;
}

int QZ_ArdunLauncherDlg::_LoadItemExe(const char* cszItemPath)
{
    int nResult = 0;
    int nRetCode = 0;
    STARTUPINFOW StartupInfo = {};
    PROCESS_INFORMATION ProcessInfo = {};
    std::string strCommandLine;
    std::wstring wstrCommandLine;
    const char* cszArgumentText = NULL;

    StartupInfo.cb = sizeof(StartupInfo);

    strCommandLine = cszItemPath ? cszItemPath : "";
    nRetCode = (int)strCommandLine.size();
    QZLOG_PROCESS_ERROR(nRetCode > 0);

    if (strCommandLine[strCommandLine.size() - 1] != '\\' && strCommandLine[strCommandLine.size() - 1] != '/')
        strCommandLine += '\\';

    // The argument text is read anew at every start.
    cszArgumentText = AfxGetApp() ? AfxGetApp()->m_lpCmdLine : NULL;
    if (cszArgumentText && CString(cszArgumentText).CompareNoCase("-c") == 0)
        strCommandLine += QZ_SETUP_PROGRAM;
    else
        strCommandLine += QZ_UPDATER_PROGRAM;

    // The folder text is UTF-8, as every path of the program; the wide call takes any
    // folder name. No current directory: the program starts in the launcher's own folder.
    wstrCommandLine = QZ_Utf8ToWide(strCommandLine.c_str());
    nRetCode = ::CreateProcessW(NULL, &wstrCommandLine[0], NULL, NULL, FALSE, 0, NULL, NULL,
                                &StartupInfo, &ProcessInfo);
    QZLOG_PROCESS_ERROR(nRetCode);

    nResult = 1;
Exit0:
    if (ProcessInfo.hThread)
    {
        ::CloseHandle(ProcessInfo.hThread);
        ProcessInfo.hThread = NULL;
    }
    if (ProcessInfo.hProcess)
    {
        ::CloseHandle(ProcessInfo.hProcess);
        ProcessInfo.hProcess = NULL;
    }
    return nResult;
}

void QZ_ArdunLauncherDlg::OnLaunchButtonClicked()
{
    // Every choice button has the id 104: the focused one is the one clicked.
    CWnd* pFocus = CWnd::GetFocus();
    for (std::list<ServerItem>::iterator it = m_ServerItemList.begin(); it != m_ServerItemList.end(); ++it)
    {
        if (pFocus && it->pButton == pFocus)
        {
            _LoadItemExe(it->strPath);
            EndDialog(IDOK);
        }
    }
}
