// The launcher window: its initialisation, message handlers and life cycle.
#include "app/launcher_dialog.h"

#include <io.h>

#include <new>

#include "app/launcher_texts.h"
#include "base/log.h"
#include "base/wide_text.h"
#include "ui/text_font.h"
#include "ui/window_dpi.h"
#include "ui/window_skin.h"

BEGIN_MESSAGE_MAP(QZ_ArdunLauncherDlg, CDialog)
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_WM_NCHITTEST()
    ON_WM_ERASEBKGND()
    ON_WM_DESTROY()
    ON_BN_CLICKED(IDC_LAUNCH_BUTTON, &QZ_ArdunLauncherDlg::OnLaunchButtonClicked)
    ON_BN_CLICKED(IDC_QUIT_BUTTON, &QZ_ArdunLauncherDlg::OnCancel)
    ON_MESSAGE(WM_BITMAPBUTTON_ENTER, &QZ_ArdunLauncherDlg::OnBitmapButtonEnter)
    ON_MESSAGE(WM_BITMAPBUTTON_LEAVE, &QZ_ArdunLauncherDlg::OnBitmapButtonLeave)
    ON_MESSAGE(WM_DPICHANGED, &QZ_ArdunLauncherDlg::OnDpiChanged)
END_MESSAGE_MAP()

QZ_ArdunLauncherDlg::QZ_ArdunLauncherDlg(CWnd* pParent)
    : CDialog(IDD, pParent), m_hIcon(NULL), m_pClueButton(NULL), m_nDpi(QZ_DESIGN_DPI)
{
    m_hIcon = ::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME));
}

QZ_ArdunLauncherDlg::~QZ_ArdunLauncherDlg()
{
}

// Attaches the close button and the clue text; a template without either fails the
// exchange, and with it the window's initialisation.
void QZ_ArdunLauncherDlg::DoDataExchange(CDataExchange* pDX)
{
    int nRetCode = 0;

    CDialog::DoDataExchange(pDX);

    nRetCode = DDX_Control(pDX, IDC_QUIT_BUTTON, m_QuitButton);
    QZLOG_PROCESS_ERROR(nRetCode && "DDX_Control(IDC_QUIT_BUTTON)");

    nRetCode = DDX_Control(pDX, IDC_CLUE_TEXT, m_ClueText);
    QZLOG_PROCESS_ERROR(nRetCode && "DDX_Control(IDC_CLUE_TEXT)");

Exit0:
    return;
}

// The window's picture, shape, buttons and clue text at m_nDpi, placed at prcPlace's
// corner or centred; a failed step is logged by the step and again as cszCaller's.
int QZ_ArdunLauncherDlg::_LayOut(const RECT* prcPlace, const char* cszCaller)
{
    int nResult = 0;
    int nRetCode = 0;

    nRetCode = _InitBackgroundBitmap();
    QZLOG_PROCESS_ERROR_AS(nRetCode, "nRetCode && \"_InitBackgroundBitmap()\"", cszCaller);

    nRetCode = _InitDialogRegion(prcPlace);
    QZLOG_PROCESS_ERROR_AS(nRetCode, "nRetCode && \"_InitDialogRegion()\"", cszCaller);

    nRetCode = _InitLaunchButtons();
    QZLOG_PROCESS_ERROR_AS(nRetCode, "nRetCode && \"_InitLaunchButtons()\"", cszCaller);

    nRetCode = _InitQuitButton();
    QZLOG_PROCESS_ERROR_AS(nRetCode, "nRetCode && \"_InitQuitButton()\"", cszCaller);

    nRetCode = _InitClueRegion();
    QZLOG_PROCESS_ERROR_AS(nRetCode, "nRetCode && \"_InitClueRegion()\"", cszCaller);

    nResult = 1;
Exit0:
    return nResult;
}

BOOL QZ_ArdunLauncherDlg::OnInitDialog()
{
    int nRetCode = 0;
    int nExperience = 0;

    nRetCode = CDialog::OnInitDialog();
    QZLOG_PROCESS_ERROR(nRetCode && "CDialog::OnInitDialog()");

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);
    SetWindowText(QZ_TEXT_CAPTION);

    nRetCode = ModifyStyle(WS_CAPTION, WS_MINIMIZEBOX, SWP_FRAMECHANGED);
    QZLOG_PROCESS_ERROR(nRetCode);

    m_nDpi = QZ_GetWindowDpi(m_hWnd);
    QZ_KeepDialogLayoutAtDpiChange(m_hWnd);

    nExperience = _InitServerItems();
    if (nExperience)
        ShowWindow(SW_SHOW);

    nRetCode = _LayOut(NULL, "QZ_ArdunLauncherDlg::OnInitDialog");
    QZ_PROCESS_ERROR(nRetCode);

    // Only the official servers installed: start their updater now, never show.
    if (!nExperience)
    {
        nRetCode = _LoadItemExe(QZ_OFFICIAL_PATH);
        QZLOG_PROCESS_ERROR(nRetCode && "_LoadItemExe()");
        ::PostQuitMessage(0);
    }

    nRetCode = m_SelfUpdateThread.Create(&QZ_ArdunLauncherDlg::_SelfUpdateFunction, this);
    QZLOG_PROCESS_ERROR(nRetCode && "m_SelfUpdateThread.Create()");

    return TRUE;

Exit0:
    MessageBox(QZ_TEXT_START_FAILED, QZ_TEXT_ERROR_CAPTION, 0);
    ::PostQuitMessage(0);
    return TRUE;
}

int QZ_ArdunLauncherDlg::_InitLaunchButtons()
{
    int nResult = 0;
    int nRetCode = 0;
    int nIndex = 0;

    m_LaunchButtonFont.DeleteObject();
    nRetCode = m_LaunchButtonFont.CreateFont(_Scale(15), 0, 0, 0, 0, 0, 0, 0, QZ_TEXT_FONT_CHARSET, 0, 0, 0, 0,
                                             QZ_TEXT_FONT_FACE);
    QZLOG_PROCESS_ERROR(nRetCode);

    for (std::list<ServerItem>::iterator it = m_ServerItemList.begin(); it != m_ServerItemList.end();
         ++it, ++nIndex)
    {
        const QZ_SkinBox& Box = QZ_SKIN_CHOICE_BUTTON;
        CRect rcButton = _ScaleRect(Box.nLeft, Box.nTop + QZ_SKIN_CHOICE_PITCH * nIndex, Box.nWidth, Box.nHeight);
        if (it->pButton)
        {
            it->pButton->MoveWindow(rcButton.left, rcButton.top, rcButton.Width(), rcButton.Height(), TRUE);
        }
        else
        {
            it->pButton = new (std::nothrow) QZ_BitmapButton;
            QZLOG_PROCESS_ERROR(it->pButton);

            nRetCode = it->pButton->Create(it->strName, WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, rcButton, this,
                                           IDC_LAUNCH_BUTTON);
            QZLOG_PROCESS_ERROR(nRetCode);
        }

        nRetCode = it->pButton->LoadBitmaps(IDB_LAUNCH_NORMAL, IDB_LAUNCH_PRESSED, IDB_LAUNCH_HOVER, m_nDpi);
        QZLOG_PROCESS_ERROR(nRetCode);

        it->pButton->m_TextColor = RGB(255, 255, 255);
        it->pButton->SendMessage(WM_SETFONT, (WPARAM)(HFONT)m_LaunchButtonFont, TRUE);
        it->pButton->SetWindowText(it->strName);
    }

    nResult = 1;
Exit0:
    return nResult;
}

int QZ_ArdunLauncherDlg::_InitQuitButton()
{
    int nResult = 0;
    int nRetCode = 0;
    const QZ_SkinBox& Box = QZ_SKIN_CLOSE_BUTTON;
    CRect rcButton = _ScaleRect(Box.nLeft, Box.nTop, Box.nWidth, Box.nHeight);

    m_QuitButton.MoveWindow(rcButton.left, rcButton.top, rcButton.Width(), rcButton.Height(), TRUE);

    nRetCode = m_QuitButton.LoadBitmaps(IDB_QUIT_NORMAL, IDB_QUIT_PRESSED, IDB_QUIT_HOVER, m_nDpi);
    QZLOG_PROCESS_ERROR(nRetCode);

    nResult = 1;
Exit0:
    return nResult;
}

int QZ_ArdunLauncherDlg::_InitClueRegion()
{
    CRect rcClient;

    GetClientRect(rcClient);
    m_ClueText.MoveWindow(_Scale(QZ_SKIN_CLUE_TEXT.nLeft), rcClient.bottom - _Scale(QZ_SKIN_CLUE_TEXT.nTop),
                          _Scale(QZ_SKIN_CLUE_TEXT.nWidth), _Scale(QZ_SKIN_CLUE_TEXT.nHeight), TRUE);
    m_ClueText.SetDpi(m_nDpi);
    m_ClueText.SetText(QZ_TEXT_DEFAULT_CLUE);
    return 1;
}

LRESULT QZ_ArdunLauncherDlg::OnBitmapButtonEnter(WPARAM wParam, LPARAM lParam)
{
    for (std::list<ServerItem>::iterator it = m_ServerItemList.begin(); it != m_ServerItemList.end(); ++it)
    {
        if ((LPARAM)it->pButton == lParam)
        {
            m_ClueText.SetText(it->strName + "\n\n" + it->strDescription);
            m_pClueButton = it->pButton;
            break;
        }
    }
    return 0;
}

// The leave of one button may arrive after the enter of the next one (Wine posts them
// in that order when the mouse goes straight from button to button), so a leave keeps
// the text while the mouse is over the choice that shows it. Any other leave restores
// the default text: the choice's own leave may never come (a press ends its hover
// quietly), and the next leave of any button, the close button's too, must not find
// its text still there.
LRESULT QZ_ArdunLauncherDlg::OnBitmapButtonLeave(WPARAM wParam, LPARAM lParam)
{
    POINT Cursor = {};

    if (m_pClueButton && ::GetCursorPos(&Cursor) && ::WindowFromPoint(Cursor) == m_pClueButton->m_hWnd)
        return 0;
    m_ClueText.SetText(QZ_TEXT_DEFAULT_CLUE);
    m_pClueButton = NULL;
    return 0;
}

// The window moved to a monitor of another DPI (or that monitor's scale changed): the
// picture, the shape and the controls are made again at the new DPI, and the window
// takes the place the system suggests. A failed step is logged; the window stays as
// far as it got.
LRESULT QZ_ArdunLauncherDlg::OnDpiChanged(WPARAM wParam, LPARAM lParam)
{
    int nRetCode = 0;
    int nDpi = (int)HIWORD(wParam);

    QZLOG_PROCESS_ERROR(nDpi > 0);
    m_nDpi = nDpi;

    nRetCode = _LayOut((const RECT*)lParam, "QZ_ArdunLauncherDlg::OnDpiChanged");
    QZ_PROCESS_ERROR(nRetCode);

Exit0:
    Invalidate(TRUE);
    return 0;
}

BOOL QZ_ArdunLauncherDlg::OnEraseBkgnd(CDC* pDC)
{
    CRect rcClient;
    CDC MemoryDC;
    HGDIOBJ hOldBitmap = NULL;

    if (!m_BackgroundBitmap.GetSafeHandle())
        return CDialog::OnEraseBkgnd(pDC);

    GetClientRect(rcClient);
    if (MemoryDC.CreateCompatibleDC(pDC))
    {
        // A bitmap lives in one device context at a time: when another one holds the
        // picture the selection fails, and copying would paint the context's default
        // 1 x 1 bitmap instead.
        hOldBitmap = MemoryDC.SelectObject(&m_BackgroundBitmap);
        if (hOldBitmap)
        {
            pDC->BitBlt(0, 0, rcClient.Width(), rcClient.Height(), &MemoryDC, 0, 0, SRCCOPY);
            MemoryDC.SelectObject(hOldBitmap);
        }
        MemoryDC.DeleteDC();
    }
    return TRUE;
}

void QZ_ArdunLauncherDlg::OnPaint()
{
    if (IsIconic())
    {
        CPaintDC dc(this);
        CRect rcClient;

        SendMessage(WM_ICONERASEBKGND, (WPARAM)dc.GetSafeHdc(), 0);
        GetClientRect(rcClient);
        int x = (rcClient.Width() - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
        int y = (rcClient.Height() - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
        dc.DrawIcon(x, y, m_hIcon);
    }
    else
    {
        CDialog::OnPaint();
    }
}

LRESULT QZ_ArdunLauncherDlg::OnNcHitTest(CPoint point)
{
    // The whole surface acts as a caption: dragging anywhere moves the window.
    return HTCAPTION;
}

HCURSOR QZ_ArdunLauncherDlg::OnQueryDragIcon()
{
    return (HCURSOR)m_hIcon;
}

void QZ_ArdunLauncherDlg::OnDestroy()
{
    // The process must not end before the self-update has finished.
    m_SelfUpdateThread.WaitAndClose();

    for (std::list<ServerItem>::iterator it = m_ServerItemList.begin(); it != m_ServerItemList.end(); ++it)
    {
        if (it->pButton)
        {
            delete it->pButton;
            it->pButton = NULL;
        }
    }
    m_pClueButton = NULL;
    CDialog::OnDestroy();
}
