// The launcher window's self-update members: the procedure and its file move live in
// selfupdate/self_update.h; the window runs them on its worker thread.
#include "app/launcher_dialog.h"

#include "selfupdate/self_update.h"

int QZ_ArdunLauncherDlg::_SelfUpdateFunction(void* pvParam)
{
    return QZ_RunSelfUpdate();
}

int QZ_ArdunLauncherDlg::_MoveFile(const char* cszSource, const char* cszDestination)
{
    return QZ_MoveFileWithRetries(cszSource, cszDestination);
}
