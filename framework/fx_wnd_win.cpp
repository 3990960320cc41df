#include "framework/fx_wnd.h"

#include <string>

#include "base/wide_text.h"
#include "framework/fx_app.h"

namespace
{

const char s_cszBindingProperty[] = "QZ.CWnd";

// The message being handled on this thread, for Default(). Kept per thread and
// outside the objects, so nothing is touched after a handler that deleted its object.
thread_local const MSG* t_pCurrentMessage = nullptr;

}  // namespace

CWnd::~CWnd()
{
    if (m_hWnd && FromHandle(m_hWnd) == this)
        ::DestroyWindow(m_hWnd);
}

CWnd* CWnd::FromHandle(HWND hWnd)
{
    return hWnd ? (CWnd*)::GetPropA(hWnd, s_cszBindingProperty) : NULL;
}

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    if (!hWnd || m_hWnd || FromHandle(hWnd))
        return FALSE;
    if (!::SetPropA(hWnd, s_cszBindingProperty, (HANDLE)this))
        return FALSE;
    m_hWnd = hWnd;
    m_pfnSuper = (WNDPROC)::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, (LONG_PTR)&CWnd::StaticWndProc);
    return TRUE;
}

LRESULT CALLBACK CWnd::StaticWndProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam)
{
    CWnd* pWnd = FromHandle(hWnd);
    if (!pWnd)
        return ::DefWindowProcW(hWnd, nMessage, wParam, lParam);

    MSG Message = {};
    Message.hwnd = hWnd;
    Message.message = nMessage;
    Message.wParam = wParam;
    Message.lParam = lParam;
    const MSG* pPreviousMessage = t_pCurrentMessage;
    t_pCurrentMessage = &Message;

    LRESULT lResult = pWnd->WindowProc(nMessage, wParam, lParam);

    t_pCurrentMessage = pPreviousMessage;

    // The window is gone: clear the binding and give the window its previous procedure
    // back. The object itself outlives its window.
    if (nMessage == WM_NCDESTROY && FromHandle(hWnd) == pWnd)
    {
        if (pWnd->m_pfnSuper && (WNDPROC)::GetWindowLongPtrW(hWnd, GWLP_WNDPROC) == &CWnd::StaticWndProc)
            ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, (LONG_PTR)pWnd->m_pfnSuper);
        ::RemovePropA(hWnd, s_cszBindingProperty);
        pWnd->m_pfnSuper = NULL;
        pWnd->m_hWnd = NULL;
    }
    return lResult;
}

LRESULT CWnd::WindowProc(UINT nMessage, WPARAM wParam, LPARAM lParam)
{
    LRESULT lResult = 0;
    if (nMessage == WM_DRAWITEM && lParam)
    {
        CWnd* pChild = FromHandle(((LPDRAWITEMSTRUCT)lParam)->hwndItem);
        if (pChild && pChild != this && pChild->OnChildNotify(nMessage, wParam, lParam, &lResult))
            return lResult;
    }

    // The first entry for the message, from this class's map down to the root.
    for (const AFX_MSGMAP* pMap = GetMessageMap(); pMap; pMap = pMap->pfnGetBaseMap())
    {
        for (const AFX_MSGMAP_ENTRY* pEntry = pMap->lpEntries; pEntry->pfnHandler; ++pEntry)
        {
            if (pEntry->nMessage != nMessage)
                continue;
            if (nMessage == WM_COMMAND && (pEntry->nCode != HIWORD(wParam) || pEntry->nID != LOWORD(wParam)))
                continue;
            return pEntry->pfnHandler(this, wParam, lParam);
        }
    }
    return DefWindowProc(nMessage, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(UINT nMessage, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper)
        return ::CallWindowProcW(m_pfnSuper, m_hWnd, nMessage, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, nMessage, wParam, lParam);
}

LRESULT CWnd::Default()
{
    const MSG* pMessage = t_pCurrentMessage;
    if (!pMessage || pMessage->hwnd != m_hWnd)
        return 0;
    return DefWindowProc(pMessage->message, pMessage->wParam, pMessage->lParam);
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

void CWnd::CenterWindow()
{
    RECT rcWindow;
    RECT rcArea;
    HWND hOwner = ::GetWindow(m_hWnd, GW_OWNER);

    ::GetWindowRect(m_hWnd, &rcWindow);
    if (hOwner && ::IsWindowVisible(hOwner) && !::IsIconic(hOwner))
    {
        ::GetWindowRect(hOwner, &rcArea);
    }
    else
    {
        MONITORINFO Info = {};
        Info.cbSize = sizeof(Info);
        ::GetMonitorInfoA(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTOPRIMARY), &Info);
        rcArea = Info.rcWork;
    }

    int x = (rcArea.left + rcArea.right) / 2 - (rcWindow.right - rcWindow.left) / 2;
    int y = (rcArea.top + rcArea.bottom) / 2 - (rcWindow.bottom - rcWindow.top) / 2;
    ::SetWindowPos(m_hWnd, NULL, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWnd::SetWindowText(LPCSTR lpszString)
{
    ::SetWindowTextW(m_hWnd, QZ_InterfaceTextToWide(lpszString).c_str());
}

// The text back in code page 936; a character that page cannot hold reads as "?".
void CWnd::GetWindowText(CString& rString) const
{
    std::wstring wstrText((size_t)::GetWindowTextLengthW(m_hWnd) + 1, L'\0');
    int nLength = ::GetWindowTextW(m_hWnd, &wstrText[0], (int)wstrText.size());
    std::string strText;
    if (nLength > 0)
    {
        int nBytes = ::WideCharToMultiByte(QZ_INTERFACE_CODE_PAGE, 0, wstrText.c_str(), nLength, NULL, 0, NULL, NULL);
        strText.resize(nBytes > 0 ? (size_t)nBytes : 0);
        if (nBytes > 0)
            ::WideCharToMultiByte(QZ_INTERFACE_CODE_PAGE, 0, wstrText.c_str(), nLength, &strText[0], nBytes, NULL,
                                  NULL);
    }
    rString = strText.c_str();
}

int CWnd::MessageBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType)
{
    std::wstring wstrText = QZ_InterfaceTextToWide(lpszText);
    std::wstring wstrCaption = QZ_InterfaceTextToWide(lpszCaption);
    return ::MessageBoxW(m_hWnd, wstrText.c_str(), lpszCaption ? wstrCaption.c_str() : NULL, nType);
}

BOOL CWnd::CreateControl(LPCSTR lpszClass, LPCSTR lpszText, DWORD dwStyle, const RECT& rect,
                         CWnd* pParentWnd, UINT nID)
{
    HWND hWnd = ::CreateWindowExW(0, QZ_InterfaceTextToWide(lpszClass).c_str(),
                                  QZ_InterfaceTextToWide(lpszText).c_str(), dwStyle | WS_CHILD, rect.left,
                                  rect.top, rect.right - rect.left, rect.bottom - rect.top,
                                  pParentWnd ? pParentWnd->m_hWnd : NULL, (HMENU)(UINT_PTR)nID,
                                  AfxGetResourceHandle(), NULL);
    if (!hWnd)
        return FALSE;
    if (!SubclassWindow(hWnd))
    {
        ::DestroyWindow(hWnd);
        return FALSE;
    }
    return TRUE;
}
