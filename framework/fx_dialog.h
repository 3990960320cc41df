// CDialog: a dialog made from a template resource and run modally, and the data
// exchange that attaches the template's controls to C++ objects.
#ifndef QZ_FRAMEWORK_FX_DIALOG_H
#define QZ_FRAMEWORK_FX_DIALOG_H

#include "framework/fx_wnd.h"

// One run of a dialog's DoDataExchange: the dialog, and whether a step failed.
class CDataExchange
{
public:
    explicit CDataExchange(CWnd* pDlgWnd) : m_pDlgWnd(pDlgWnd), m_bFailed(FALSE) {}

    // Marks the exchange as failed: UpdateData then returns FALSE.
    void Fail() { m_bFailed = TRUE; }

    CWnd* m_pDlgWnd;
    BOOL m_bFailed;
};

// Attaches the dialog's control nIDC to rControl, unless rControl is attached already.
// A control the dialog does not have, or one that cannot be bound, fails the exchange
// and returns FALSE.
BOOL DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);

class CDialog : public CWnd
{
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = NULL)
        : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd), m_nModalResult(-1), m_bContinueModal(FALSE) {}

    // Creates the dialog, a Unicode window (its template's texts reach it without the
    // system's code page), and runs it until EndDialog or a quit message. The window is
    // hidden and destroyed before this returns. A quit message ends the run, is posted
    // again for the caller's loop, and gives -1; a template that cannot be loaded or a
    // window that cannot be created also gives -1.
    INT_PTR DoModal();
    void EndDialog(int nResult);
    // Attaches the controls (DoDataExchange); FALSE when that failed.
    virtual BOOL OnInitDialog() { return UpdateData(FALSE); }

protected:
    virtual void DoDataExchange(CDataExchange* pDX) {}
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // Runs DoDataExchange; FALSE when an exchange step failed.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE)
    {
        CDataExchange DX(this);
        DoDataExchange(&DX);
        return !DX.m_bFailed;
    }

    DECLARE_MESSAGE_MAP()

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam);
    void RunModalLoop();

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
    INT_PTR m_nModalResult;
    BOOL m_bContinueModal;
};

#endif  // QZ_FRAMEWORK_FX_DIALOG_H
