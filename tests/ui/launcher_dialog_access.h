// Reaches the launcher window's private steps from the skin tests and the shape
// benchmark: the window class names QZ_ArdunLauncherDlgTest as its friend. The window is
// made here as a plain borderless popup (or from the launcher's own dialog template)
// and bound to the object, without running the window's initialisation.
#ifndef QZ_TESTS_UI_LAUNCHER_DIALOG_ACCESS_H
#define QZ_TESTS_UI_LAUNCHER_DIALOG_ACCESS_H

#include <string>
#include <utility>
#include <vector>

#include "app/launcher_dialog.h"

class QZ_ArdunLauncherDlgTest
{
public:
    // A hidden borderless popup bound to Dialog.
    static bool CreatePopup(QZ_ArdunLauncherDlg& Dialog)
    {
        static bool s_bRegistered = false;
        if (!s_bRegistered)
        {
            WNDCLASSA Class = {};
            Class.lpfnWndProc = ::DefWindowProcA;
            Class.hInstance = ::GetModuleHandleA(NULL);
            Class.hCursor = ::LoadCursor(NULL, IDC_ARROW);
            Class.lpszClassName = "QZSkinTestWindow";
            s_bRegistered = ::RegisterClassA(&Class) != 0;
        }
        HWND hWnd = ::CreateWindowExA(0, "QZSkinTestWindow", "", WS_POPUP, 0, 0, 100, 100, NULL,
                                      NULL, ::GetModuleHandleA(NULL), NULL);
        return hWnd && Dialog.SubclassWindow(hWnd);
    }

    // The launcher's dialog template 102, bound to Dialog with its close button and
    // clue text attached and its frame changed, as the window's initialisation has them
    // when it comes to the skin.
    static bool CreateFromTemplate(QZ_ArdunLauncherDlg& Dialog)
    {
        HWND hWnd = ::CreateDialogParamA(::GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_ARDUNLAUNCHER_DIALOG),
                                         NULL, &IgnoreAll, 0);
        if (!hWnd || !Dialog.SubclassWindow(hWnd))
            return false;
        Dialog.UpdateData(FALSE);
        // The frame change the window's initialisation makes before it draws its skin.
        Dialog.ModifyStyle(WS_CAPTION, WS_MINIMIZEBOX, SWP_FRAMECHANGED);
        return true;
    }

    // n server choices without buttons, named "Choice 1", "Choice 2", ...
    static void SetChoices(QZ_ArdunLauncherDlg& Dialog, const std::vector<std::pair<std::string, std::string>>& Choices)
    {
        Dialog.m_ServerItemList.clear();
        for (const auto& Choice : Choices)
        {
            QZ_ArdunLauncherDlg::ServerItem Item;
            Item.strPath = ".\\bin\\test\\";
            Item.strName = Choice.first.c_str();
            Item.strDescription = Choice.second.c_str();
            Item.pButton = NULL;
            Dialog.m_ServerItemList.push_back(Item);
        }
    }
    static void SetChoiceCount(QZ_ArdunLauncherDlg& Dialog, int nCount)
    {
        std::vector<std::pair<std::string, std::string>> Choices;
        for (int i = 0; i < nCount; ++i)
            Choices.push_back({ "Choice " + std::to_string(i + 1), "Description" });
        SetChoices(Dialog, Choices);
    }

    static int InitBackgroundBitmap(QZ_ArdunLauncherDlg& Dialog) { return Dialog._InitBackgroundBitmap(); }
    static int InitDialogRegion(QZ_ArdunLauncherDlg& Dialog) { return Dialog._InitDialogRegion(); }
    static int InitLaunchButtons(QZ_ArdunLauncherDlg& Dialog) { return Dialog._InitLaunchButtons(); }
    static int InitQuitButton(QZ_ArdunLauncherDlg& Dialog) { return Dialog._InitQuitButton(); }
    static int InitClueRegion(QZ_ArdunLauncherDlg& Dialog) { return Dialog._InitClueRegion(); }
    static CBitmap& Background(QZ_ArdunLauncherDlg& Dialog) { return Dialog.m_BackgroundBitmap; }
    static QZ_StaticText& ClueText(QZ_ArdunLauncherDlg& Dialog) { return Dialog.m_ClueText; }

private:
    static INT_PTR CALLBACK IgnoreAll(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
};

#endif  // QZ_TESTS_UI_LAUNCHER_DIALOG_ACCESS_H
