// What a new launcher does when its updater starts it with "--self-test": it proves
// that it can start on this system by loading what a start needs, and says so with its
// exit code only (no log is open, so its check lines go nowhere).
#include "app/launcher_self_test.h"

#include <windows.h>

#include <string>

#include "base/digest_stream.h"
#include "base/program_path.h"
#include "base/system_library.h"
#include "base/update_signature.h"
#include "base/version_number.h"
#include "base/wininet_library.h"
#include "res/resource.h"
#include "selfupdate/trial_start.h"
#include "selfupdate/update_server.h"
#include "ui/skin_picture.h"
#include "ui/skin_scale.h"

namespace
{

// The exit codes: the first piece that is missing.
enum QZ_SELF_TEST_RESULT
{
    QZ_SELF_TEST_PASSED = 0,
    QZ_SELF_TEST_NO_DIALOG = 20,
    QZ_SELF_TEST_NO_BITMAP,
    QZ_SELF_TEST_NO_ICON,
    QZ_SELF_TEST_NO_VERSION,
    QZ_SELF_TEST_BAD_KEY_TABLE,
    QZ_SELF_TEST_NO_COMMON_CONTROLS,
    QZ_SELF_TEST_NO_WININET,
    QZ_SELF_TEST_NO_CRYPTOGRAPHY,
};

int HasResource(int nId, LPCWSTR pcwszType)
{
    HRSRC hResource = ::FindResourceW(NULL, MAKEINTRESOURCEW(nId), pcwszType);
    HGLOBAL hData = hResource ? ::LoadResource(NULL, hResource) : NULL;
    return hData && ::LockResource(hData) && ::SizeofResource(NULL, hResource) > 0;
}

// Every picture of the skin, unpacked from the 100% and the 200% sets.
int LoadsEveryPicture()
{
    static const UINT s_auPictures[] = { IDB_LAUNCH_PRESSED, IDB_LAUNCH_NORMAL,  IDB_LAUNCH_HOVER,
                                         IDB_QUIT_HOVER,     IDB_QUIT_PRESSED,   IDB_QUIT_NORMAL,
                                         IDB_BACKGROUND_TOP, IDB_BACKGROUND_BOTTOM, IDB_BACKGROUND_MIDDLE };
    for (int nDpi : { QZ_DESIGN_DPI, 2 * QZ_DESIGN_DPI })
    {
        for (UINT uId : s_auPictures)
        {
            HBITMAP hPicture = QZ_LoadSkinPicture(uId, nDpi);
            if (!hPicture)
                return 0;
            ::DeleteObject(hPicture);
        }
    }
    return 1;
}

int LoadsIcon()
{
    HANDLE hIcon = ::LoadImageW(::GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, 0, 0,
                                LR_DEFAULTSIZE);
    if (!hIcon)
        return 0;
    ::DestroyIcon((HICON)hIcon);
    return 1;
}

int ReadsOwnVersion()
{
    char szProgram[QZ_UTF8_PATH_SIZE];
    int nLength = QZ_GetProgramPath(szProgram, sizeof(szProgram));
    std::string strVersion;
    QZ_VersionNumber Version;

    return nLength > 0 && nLength < (int)sizeof(szProgram) &&
           QZ_GetApplicationFileVersionNumber(szProgram, &strVersion) && Version.ParseString(strVersion.c_str());
}

int HasKeyTable()
{
    unsigned long ulCount = 0;
    for (int i = 3; i >= 0; --i)
        ulCount = (ulCount << 8) | g_UpdateKeys.abyCount[i];
    return ulCount <= QZ_UPDATE_KEY_SLOTS;
}

int LoadsCommonControls()
{
    HMODULE hCommonControls = QZ_LoadSystemLibrary("comctl32.dll");
    return hCommonControls && ::GetProcAddress(hCommonControls, "_TrackMouseEvent") != NULL;
}

int HasCryptography()
{
    unsigned char abyDigest[QZ_SHA256_SIZE];
    QZ_MemorySource Source("abc", 3);
    return QZ_MakeSHA256Digest(&Source, abyDigest);
}

}  // namespace

int QZ_RunLauncherSelfTest()
{
    if (!HasResource(IDD_ARDUNLAUNCHER_DIALOG, (LPCWSTR)RT_DIALOG))
        return QZ_SELF_TEST_NO_DIALOG;
    if (!LoadsEveryPicture())
        return QZ_SELF_TEST_NO_BITMAP;
    if (!LoadsIcon())
        return QZ_SELF_TEST_NO_ICON;
    if (!ReadsOwnVersion())
        return QZ_SELF_TEST_NO_VERSION;
    if (!HasKeyTable())
        return QZ_SELF_TEST_BAD_KEY_TABLE;
    if (!LoadsCommonControls())
        return QZ_SELF_TEST_NO_COMMON_CONTROLS;
    if (!QZ_GetWinInet())
        return QZ_SELF_TEST_NO_WININET;
    if (!HasCryptography())
        return QZ_SELF_TEST_NO_CRYPTOGRAPHY;
    return QZ_SELF_TEST_PASSED;
}
