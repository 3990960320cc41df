// QZ_ArdunLauncherDlg: the launcher's only window. A borderless dialog drawn from
// bitmaps with one button per installed kind of server, a clue text and a close
// button, laid out at its monitor's DPI; it also owns the self-update worker thread.
#ifndef QZ_APP_LAUNCHER_DIALOG_H
#define QZ_APP_LAUNCHER_DIALOG_H

#include <list>

#include "framework/framework.h"
#include "res/resource.h"
#include "selfupdate/worker_thread.h"
#include "ui/bitmap_button.h"
#include "ui/skin_scale.h"
#include "ui/static_text.h"

class QZ_ArdunLauncherDlg : public CDialog
{
public:
    enum { IDD = IDD_ARDUNLAUNCHER_DIALOG };

    // One server choice: the client folder, the button caption, the description shown
    // in the clue text, and the button (owned by the window, not by the record).
    struct ServerItem
    {
        CString strPath;
        CString strName;
        CString strDescription;
        QZ_BitmapButton* pButton;
    };

    explicit QZ_ArdunLauncherDlg(CWnd* pParent = NULL);
    ~QZ_ArdunLauncherDlg() override;

    // Builds m_ServerItemList: the official servers always, the experience servers when
    // their folder exists. Returns 1 when the experience servers are there.
    int _InitServerItems();
    // Starts the program of the client folder cszItemPath: its configuration program
    // when the launcher's argument text is "-c", else its updater.
    static int _LoadItemExe(const char* cszItemPath);

    // The self-update, run once per start on the worker thread.
    static int _SelfUpdateFunction(void* pvParam);
    // Moves a file (UTF-8 paths), replacing the destination, in up to three tries.
    static int _MoveFile(const char* cszSource, const char* cszDestination);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    // Enter does nothing.
    void OnOK() override {}

    void OnPaint();
    HCURSOR OnQueryDragIcon();
    LRESULT OnNcHitTest(CPoint point);
    BOOL OnEraseBkgnd(CDC* pDC);
    void OnDestroy();
    void OnLaunchButtonClicked();
    LRESULT OnBitmapButtonEnter(WPARAM wParam, LPARAM lParam);
    LRESULT OnBitmapButtonLeave(WPARAM wParam, LPARAM lParam);
    LRESULT OnDpiChanged(WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()

private:
    int _InitBackgroundBitmap();
    // Sizes the window to its picture and cuts its shape; centred, or at the top-left
    // corner of prcPlace when given (the place the system suggests at a DPI change).
    int _InitDialogRegion(const RECT* prcPlace = NULL);
    // The steps below also lay out again the controls made already, at m_nDpi.
    int _InitLaunchButtons();
    int _InitQuitButton();
    int _InitClueRegion();
    // The five steps above at m_nDpi; check lines of a failed step name cszCaller.
    int _LayOut(const RECT* prcPlace, const char* cszCaller);

    // A length of the 96-DPI layout at the window's DPI (ui/skin_scale.h), and a
    // rectangle of it, its corner and its size each scaled.
    int _Scale(int nLength) const { return QZ_ScaleLength(nLength, m_nDpi); }
    CRect _ScaleRect(int nLeft, int nTop, int nWidth, int nHeight) const
    {
        return CRect(_Scale(nLeft), _Scale(nTop), _Scale(nLeft) + _Scale(nWidth), _Scale(nTop) + _Scale(nHeight));
    }

    HICON m_hIcon;
    CBitmap m_BackgroundBitmap;
    CFont m_LaunchButtonFont;
    QZ_BitmapButton m_QuitButton;
    QZ_StaticText m_ClueText;
    std::list<ServerItem> m_ServerItemList;
    QZ_WorkerThread m_SelfUpdateThread;
    // The choice button whose name and description the clue text shows, if any.
    QZ_BitmapButton* m_pClueButton;
    // The DPI the window is laid out at: its monitor's.
    int m_nDpi;

    // Lets tests drive the private steps on a real window.
    friend class QZ_ArdunLauncherDlgTest;
};

#endif  // QZ_APP_LAUNCHER_DIALOG_H
