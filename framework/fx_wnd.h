// CWnd: a C++ object bound to one platform window by subclassing. The binding is made
// and cleared in one place, the static window procedure; messages go through the
// object's message map and otherwise to the window's previous procedure.
#ifndef QZ_FRAMEWORK_FX_WND_H
#define QZ_FRAMEWORK_FX_WND_H

#include <windows.h>

#include "framework/fx_gdi.h"
#include "framework/fx_msgmap.h"
#include "framework/fx_string.h"

class CWnd : public CCmdTarget
{
public:
    CWnd();
    // Destroys the window if the object is still bound to one.
    ~CWnd() override;

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    // The object bound to hWnd, or NULL when the window has none.
    static CWnd* FromHandle(HWND hWnd);

    // Binds this object to an existing window and routes its messages through it.
    BOOL SubclassWindow(HWND hWnd);
    BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
    HWND UnsubclassWindow();
    BOOL DestroyWindow();

    DWORD GetStyle() const;
    BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
    BOOL ShowWindow(int nCmdShow);
    BOOL UpdateWindow();
    BOOL IsWindowVisible() const;
    BOOL IsIconic() const;
    BOOL EnableWindow(BOOL bEnable = TRUE);
    void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE);
    void MoveWindow(LPCRECT lpRect, BOOL bRepaint = TRUE);
    // Centres over the owner (or pAlternateOwner), or over the screen's work area.
    void CenterWindow(CWnd* pAlternateOwner = NULL);
    void SetWindowText(LPCSTR lpszString);
    int GetWindowText(LPSTR lpszStringBuf, int nMaxCount) const;
    void GetWindowText(CString& rString) const;
    void GetClientRect(LPRECT lpRect) const;
    void GetWindowRect(LPRECT lpRect) const;
    void ScreenToClient(LPRECT lpRect) const;
    void ScreenToClient(LPPOINT lpPoint) const;
    void Invalidate(BOOL bErase = TRUE);
    void InvalidateRect(LPCRECT lpRect, BOOL bErase = TRUE);
    BOOL RedrawWindow(LPCRECT lpRectUpdate = NULL, HRGN hrgnUpdate = NULL,
                      UINT nFlags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    CWnd* GetParent() const;
    CWnd* GetDlgItem(int nID) const;
    static CWnd* GetFocus();
    CWnd* SetFocus();
    LRESULT SendMessage(UINT nMessage, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL PostMessage(UINT nMessage, WPARAM wParam = 0, LPARAM lParam = 0);
    HICON SetIcon(HICON hIcon, BOOL bBigIcon);
    void SetFont(CFont* pFont, BOOL bRedraw = TRUE);
    CDC* GetDC();
    int ReleaseDC(CDC* pDC);
    int SetWindowRgn(HRGN hRgn, BOOL bRedraw);
    BOOL SetForegroundWindow();
    int MessageBox(LPCSTR lpszText, LPCSTR lpszCaption = NULL, UINT nType = MB_OK);

    HWND m_hWnd;

protected:
    // The dispatch of one message: the message map, then DefWindowProc.
    virtual LRESULT WindowProc(UINT nMessage, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnWndMsg(UINT nMessage, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // The window's previous procedure (or the system default).
    virtual LRESULT DefWindowProc(UINT nMessage, WPARAM wParam, LPARAM lParam);
    // A parent passes WM_DRAWITEM back to the control it concerns; TRUE when handled.
    virtual BOOL OnChildNotify(UINT nMessage, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // Called after the window is gone and the binding cleared.
    virtual void PostNcDestroy() {}

    // Default processing of the message being handled.
    LRESULT Default();

    // Handlers that only do the default processing; classes hide them with their own.
    void OnPaint() { Default(); }
    BOOL OnEraseBkgnd(CDC* pDC) { return (BOOL)Default(); }
    LRESULT OnNcHitTest(CPoint point) { return Default(); }
    HCURSOR OnQueryDragIcon() { return (HCURSOR)Default(); }
    void OnDestroy() { Default(); }
    void OnMouseMove(UINT nFlags, CPoint point) { Default(); }
    void OnLButtonDown(UINT nFlags, CPoint point) { Default(); }

    static LRESULT CALLBACK StaticWndProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam);

private:
    WNDPROC m_pfnSuper;
};

#endif  // QZ_FRAMEWORK_FX_WND_H
