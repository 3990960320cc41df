#include "framework/fx_wnd.h"

#include <new>

namespace
{

const char s_cszBindingProperty[] = "QZ.CWnd";

// The message being handled on this thread, for Default(). Kept per thread and
// outside the objects, so nothing is touched after a handler that deleted its object.
thread_local const MSG* t_pCurrentMessage = nullptr;

}  // namespace

CWnd::CWnd() : m_hWnd(NULL), m_pfnSuper(NULL)
{
}

CWnd::~CWnd()
{
    if (m_hWnd && FromHandle(m_hWnd) == this)
        ::DestroyWindow(m_hWnd);
}

CWnd* CWnd::FromHandle(HWND hWnd)
{
    if (!hWnd)
        return NULL;
    return (CWnd*)::GetPropA(hWnd, s_cszBindingProperty);
}

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    if (!hWnd || m_hWnd || FromHandle(hWnd))
        return FALSE;
    if (!::SetPropA(hWnd, s_cszBindingProperty, (HANDLE)this))
        return FALSE;
    m_hWnd = hWnd;
    m_pfnSuper = (WNDPROC)::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, (LONG_PTR)&CWnd::StaticWndProc);
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent)
{
    if (!pParent)
        return FALSE;
    return SubclassWindow(::GetDlgItem(pParent->m_hWnd, (int)nID));
}

HWND CWnd::UnsubclassWindow()
{
    HWND hWnd = m_hWnd;
    if (!hWnd)
        return NULL;
    if (m_pfnSuper && (WNDPROC)::GetWindowLongPtrA(hWnd, GWLP_WNDPROC) == &CWnd::StaticWndProc)
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, (LONG_PTR)m_pfnSuper);
    ::RemovePropA(hWnd, s_cszBindingProperty);
    m_pfnSuper = NULL;
    m_hWnd = NULL;
    return hWnd;
}

BOOL CWnd::DestroyWindow()
{
    if (!m_hWnd)
        return FALSE;
    return ::DestroyWindow(m_hWnd);
}

LRESULT CALLBACK CWnd::StaticWndProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam)
{
    CWnd* pWnd = FromHandle(hWnd);
    if (!pWnd)
        return ::DefWindowProcA(hWnd, nMessage, wParam, lParam);

    MSG Message = {};
    Message.hwnd = hWnd;
    Message.message = nMessage;
    Message.wParam = wParam;
    Message.lParam = lParam;
    const MSG* pPreviousMessage = t_pCurrentMessage;
    t_pCurrentMessage = &Message;

    LRESULT lResult = pWnd->WindowProc(nMessage, wParam, lParam);

    t_pCurrentMessage = pPreviousMessage;

    // The window is gone: clear the binding. The object itself outlives its window.
    if (nMessage == WM_NCDESTROY && FromHandle(hWnd) == pWnd)
    {
        pWnd->UnsubclassWindow();
        pWnd->PostNcDestroy();
    }
    return lResult;
}

LRESULT CWnd::WindowProc(UINT nMessage, WPARAM wParam, LPARAM lParam)
{
    LRESULT lResult = 0;
    if (OnWndMsg(nMessage, wParam, lParam, &lResult))
        return lResult;
    return DefWindowProc(nMessage, wParam, lParam);
}

BOOL CWnd::OnWndMsg(UINT nMessage, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (nMessage == WM_DRAWITEM && lParam)
    {
        CWnd* pChild = FromHandle(((LPDRAWITEMSTRUCT)lParam)->hwndItem);
        if (pChild && pChild != this && pChild->OnChildNotify(nMessage, wParam, lParam, pResult))
            return TRUE;
    }

    const AFX_MSGMAP_ENTRY* pEntry = FindMessageEntry(nMessage, wParam);
    if (!pEntry)
        return FALSE;
    *pResult = 0;
    return pEntry->pfnHandler(this, wParam, lParam, pResult);
}

LRESULT CWnd::DefWindowProc(UINT nMessage, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper)
        return ::CallWindowProcA(m_pfnSuper, m_hWnd, nMessage, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, nMessage, wParam, lParam);
}

BOOL CWnd::OnChildNotify(UINT nMessage, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    return FALSE;
}

LRESULT CWnd::Default()
{
    const MSG* pMessage = t_pCurrentMessage;
    if (!pMessage || pMessage->hwnd != m_hWnd)
        return 0;
    return DefWindowProc(pMessage->message, pMessage->wParam, pMessage->lParam);
}

DWORD CWnd::GetStyle() const
{
    return (DWORD)::GetWindowLongPtrA(m_hWnd, GWL_STYLE);
}

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    DWORD dwStyle = GetStyle();
    DWORD dwNewStyle = (dwStyle & ~dwRemove) | dwAdd;
    if (dwStyle == dwNewStyle)
        return FALSE;
    ::SetWindowLongPtrA(m_hWnd, GWL_STYLE, (LONG_PTR)dwNewStyle);
    if (nFlags != 0)
        ::SetWindowPos(m_hWnd, NULL, 0, 0, 0, 0,
                       SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | nFlags);
    return TRUE;
}

BOOL CWnd::ShowWindow(int nCmdShow)
{
    return ::ShowWindow(m_hWnd, nCmdShow);
}

BOOL CWnd::UpdateWindow()
{
    return ::UpdateWindow(m_hWnd);
}

BOOL CWnd::IsWindowVisible() const
{
    return ::IsWindowVisible(m_hWnd);
}

BOOL CWnd::IsIconic() const
{
    return ::IsIconic(m_hWnd);
}

BOOL CWnd::EnableWindow(BOOL bEnable)
{
    return ::EnableWindow(m_hWnd, bEnable);
}

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint)
{
    ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
}

void CWnd::MoveWindow(LPCRECT lpRect, BOOL bRepaint)
{
    MoveWindow(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top,
               bRepaint);
}

void CWnd::CenterWindow(CWnd* pAlternateOwner)
{
    RECT rcWindow;
    RECT rcArea;
    HWND hOwner = pAlternateOwner ? pAlternateOwner->m_hWnd : ::GetWindow(m_hWnd, GW_OWNER);
    if (GetStyle() & WS_CHILD)
        hOwner = ::GetParent(m_hWnd);

    ::GetWindowRect(m_hWnd, &rcWindow);
    if (hOwner && ::IsWindowVisible(hOwner) && !::IsIconic(hOwner))
    {
        ::GetWindowRect(hOwner, &rcArea);
    }
    else
    {
        HMONITOR hMonitor = ::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTOPRIMARY);
        MONITORINFO Info = {};
        Info.cbSize = sizeof(Info);
        ::GetMonitorInfoA(hMonitor, &Info);
        rcArea = Info.rcWork;
    }
    if (GetStyle() & WS_CHILD)
        ::GetClientRect(hOwner, &rcArea);

    int nWidth = rcWindow.right - rcWindow.left;
    int nHeight = rcWindow.bottom - rcWindow.top;
    int x = (rcArea.left + rcArea.right) / 2 - nWidth / 2;
    int y = (rcArea.top + rcArea.bottom) / 2 - nHeight / 2;
    ::SetWindowPos(m_hWnd, NULL, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWnd::SetWindowText(LPCSTR lpszString)
{
    ::SetWindowTextA(m_hWnd, lpszString);
}

int CWnd::GetWindowText(LPSTR lpszStringBuf, int nMaxCount) const
{
    return ::GetWindowTextA(m_hWnd, lpszStringBuf, nMaxCount);
}

void CWnd::GetWindowText(CString& rString) const
{
    int nLength = ::GetWindowTextLengthA(m_hWnd);
    std::string strText((size_t)nLength + 1, '\0');
    nLength = ::GetWindowTextA(m_hWnd, &strText[0], nLength + 1);
    strText.resize(nLength > 0 ? (size_t)nLength : 0);
    rString = CString(strText);
}

void CWnd::GetClientRect(LPRECT lpRect) const
{
    ::GetClientRect(m_hWnd, lpRect);
}

void CWnd::GetWindowRect(LPRECT lpRect) const
{
    ::GetWindowRect(m_hWnd, lpRect);
}

void CWnd::ScreenToClient(LPRECT lpRect) const
{
    ::ScreenToClient(m_hWnd, (LPPOINT)lpRect);
    ::ScreenToClient(m_hWnd, ((LPPOINT)lpRect) + 1);
}

void CWnd::ScreenToClient(LPPOINT lpPoint) const
{
    ::ScreenToClient(m_hWnd, lpPoint);
}

void CWnd::Invalidate(BOOL bErase)
{
    ::InvalidateRect(m_hWnd, NULL, bErase);
}

void CWnd::InvalidateRect(LPCRECT lpRect, BOOL bErase)
{
    ::InvalidateRect(m_hWnd, lpRect, bErase);
}

BOOL CWnd::RedrawWindow(LPCRECT lpRectUpdate, HRGN hrgnUpdate, UINT nFlags)
{
    return ::RedrawWindow(m_hWnd, lpRectUpdate, hrgnUpdate, nFlags);
}

CWnd* CWnd::GetParent() const
{
    return FromHandle(::GetParent(m_hWnd));
}

CWnd* CWnd::GetDlgItem(int nID) const
{
    return FromHandle(::GetDlgItem(m_hWnd, nID));
}

CWnd* CWnd::GetFocus()
{
    return FromHandle(::GetFocus());
}

CWnd* CWnd::SetFocus()
{
    return FromHandle(::SetFocus(m_hWnd));
}

LRESULT CWnd::SendMessage(UINT nMessage, WPARAM wParam, LPARAM lParam)
{
    return ::SendMessageA(m_hWnd, nMessage, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT nMessage, WPARAM wParam, LPARAM lParam)
{
    return ::PostMessageA(m_hWnd, nMessage, wParam, lParam);
}

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon)
{
    return (HICON)::SendMessageA(m_hWnd, WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, (LPARAM)hIcon);
}

void CWnd::SetFont(CFont* pFont, BOOL bRedraw)
{
    ::SendMessageA(m_hWnd, WM_SETFONT, (WPARAM)(pFont ? pFont->m_hObject : NULL), MAKELPARAM(bRedraw, 0));
}

CDC* CWnd::GetDC()
{
    HDC hDC = ::GetDC(m_hWnd);
    if (!hDC)
        return NULL;
    CDC* pDC = new (std::nothrow) CDC;
    if (!pDC)
    {
        ::ReleaseDC(m_hWnd, hDC);
        return NULL;
    }
    pDC->Attach(hDC);
    return pDC;
}

int CWnd::ReleaseDC(CDC* pDC)
{
    if (!pDC)
        return 0;
    int nRetCode = ::ReleaseDC(m_hWnd, pDC->Detach());
    delete pDC;
    return nRetCode;
}

int CWnd::SetWindowRgn(HRGN hRgn, BOOL bRedraw)
{
    return ::SetWindowRgn(m_hWnd, hRgn, bRedraw);
}

BOOL CWnd::SetForegroundWindow()
{
    return ::SetForegroundWindow(m_hWnd);
}

int CWnd::MessageBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType)
{
    return ::MessageBoxA(m_hWnd, lpszText, lpszCaption, nType);
}
