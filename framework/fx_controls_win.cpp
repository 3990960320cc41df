#include "framework/fx_controls.h"

#include "framework/fx_app.h"

namespace
{

// Creates a child control of the given class and binds it to pControl.
BOOL CreateChildControl(CWnd* pControl, LPCSTR lpszClass, LPCSTR lpszText, DWORD dwStyle,
                        const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    HWND hWnd = ::CreateWindowExA(0, lpszClass, lpszText, dwStyle | WS_CHILD, rect.left, rect.top,
                                  rect.right - rect.left, rect.bottom - rect.top,
                                  pParentWnd ? pParentWnd->m_hWnd : NULL, (HMENU)(UINT_PTR)nID,
                                  AfxGetInstanceHandle(), NULL);
    if (!hWnd)
        return FALSE;
    if (!pControl->SubclassWindow(hWnd))
    {
        ::DestroyWindow(hWnd);
        return FALSE;
    }
    return TRUE;
}

}  // namespace

BOOL CButton::Create(LPCSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    return CreateChildControl(this, "BUTTON", lpszCaption, dwStyle, rect, pParentWnd, nID);
}

BOOL CButton::OnChildNotify(UINT nMessage, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (nMessage != WM_DRAWITEM)
        return FALSE;
    DrawItem((LPDRAWITEMSTRUCT)lParam);
    *pResult = TRUE;
    return TRUE;
}

BOOL CStatic::Create(LPCSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    return CreateChildControl(this, "STATIC", lpszText, dwStyle, rect, pParentWnd, nID);
}
