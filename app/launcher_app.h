// QZ_ArdunLauncherApp: the application object. Its start-up makes the launcher's
// folder the working directory, opens the log and runs the launcher window.
#ifndef QZ_APP_LAUNCHER_APP_H
#define QZ_APP_LAUNCHER_APP_H

#include "framework/framework.h"

class QZ_ArdunLauncherApp : public CWinApp
{
public:
    QZ_ArdunLauncherApp();
    ~QZ_ArdunLauncherApp() override;

    BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};

#endif  // QZ_APP_LAUNCHER_APP_H
