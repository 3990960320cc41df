#include "framework/fx_dialog.h"

#include "framework/fx_app.h"

BOOL DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (rControl.m_hWnd || rControl.SubclassWindow(::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, nIDC)))
        return TRUE;
    pDX->Fail();
    return FALSE;
}

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, &CDialog::OnOK)
    ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

// Binds the object when the dialog manager sends WM_INITDIALOG; from then on every
// message reaches the object through its subclassed window procedure, and this
// procedure leaves everything else to the dialog manager's defaults.
INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam)
{
    if (nMessage != WM_INITDIALOG)
        return FALSE;
    CDialog* pDialog = (CDialog*)lParam;
    if (!pDialog->SubclassWindow(hWnd))
        return FALSE;
    return pDialog->OnInitDialog();
}

void CDialog::EndDialog(int nResult)
{
    m_nModalResult = nResult;
    m_bContinueModal = FALSE;
    if (m_hWnd)
        ::PostMessageW(m_hWnd, WM_NULL, 0, 0);  // wakes the modal loop
}

INT_PTR CDialog::DoModal()
{
    HWND hParent = m_pParentWnd ? m_pParentWnd->m_hWnd : NULL;
    BOOL bEnableParent = hParent && ::IsWindowEnabled(hParent);
    if (bEnableParent)
        ::EnableWindow(hParent, FALSE);

    m_nModalResult = -1;
    m_bContinueModal = TRUE;
    HWND hWnd = ::CreateDialogParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(m_nIDTemplate), hParent,
                                     &CDialog::DialogProc, (LPARAM)this);
    if (hWnd && m_hWnd == hWnd)
        RunModalLoop();
    else
        m_nModalResult = -1;

    if (bEnableParent)
        ::EnableWindow(hParent, TRUE);
    if (hParent && ::GetActiveWindow() == hWnd)
        ::SetActiveWindow(hParent);

    // Hide first, then destroy: the window disappears at once even when its destroy
    // handler still has work to finish.
    if (hWnd && ::IsWindow(hWnd))
    {
        ::SetWindowPos(hWnd, NULL, 0, 0, 0, 0,
                       SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
        ::DestroyWindow(hWnd);
    }
    return m_nModalResult;
}

// Pumps messages until EndDialog. A dialog created hidden is shown when the queue
// first runs empty, unless it was asked to quit before that. A quit message ends the
// run and is posted again, so the caller's own loop sees it too.
void CDialog::RunModalLoop()
{
    BOOL bShowIdle = !(GetStyle() & WS_VISIBLE);
    MSG Message;

    while (m_bContinueModal)
    {
        if (bShowIdle && !::PeekMessageW(&Message, NULL, 0, 0, PM_NOREMOVE))
        {
            ::ShowWindow(m_hWnd, SW_SHOWNORMAL);
            ::UpdateWindow(m_hWnd);
            bShowIdle = FALSE;
            continue;
        }

        BOOL bRetCode = ::GetMessageW(&Message, NULL, 0, 0);
        if (bRetCode == 0 || bRetCode == -1)
        {
            ::PostQuitMessage(bRetCode == 0 ? (int)Message.wParam : 0);
            m_nModalResult = -1;
            break;
        }
        if (!::IsDialogMessageW(m_hWnd, &Message))
        {
            ::TranslateMessage(&Message);
            ::DispatchMessageW(&Message);
        }
    }
}
