// The framework layer: the small application and window classes the launcher is
// written against.
#ifndef QZ_FRAMEWORK_FRAMEWORK_H
#define QZ_FRAMEWORK_FRAMEWORK_H

#include <windows.h>
#include <commctrl.h>

#include "framework/fx_app.h"
#include "framework/fx_dialog.h"
#include "framework/fx_gdi.h"
#include "framework/fx_wnd.h"

#endif  // QZ_FRAMEWORK_FRAMEWORK_H
