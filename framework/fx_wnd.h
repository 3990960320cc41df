// Windows: message maps, CWnd (a C++ object bound to one platform window by
// subclassing), its paint context, and the platform's push button and static control.
#ifndef QZ_FRAMEWORK_FX_WND_H
#define QZ_FRAMEWORK_FX_WND_H

#include <windows.h>

#include "framework/fx_gdi.h"

class CString;
class CWnd;

// Message maps: a static table per class, chained to its base class's table. Each
// entry holds a small typed thunk that calls the member handler and gives the
// message's result, so no member pointer is ever cast to an unrelated type.
struct AFX_MSGMAP_ENTRY
{
    UINT nMessage;
    UINT nCode;  // WM_COMMAND only: the notification code
    UINT nID;    // WM_COMMAND only: the control id
    LRESULT (*pfnHandler)(CWnd* pWnd, WPARAM wParam, LPARAM lParam);
};

struct AFX_MSGMAP
{
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;  // ends with an entry without a handler
};

#define DECLARE_MESSAGE_MAP()                                  \
protected:                                                     \
    static const AFX_MSGMAP* GetThisMessageMap();              \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                   \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP* theClass::GetThisMessageMap()                              \
    {                                                                            \
        using ThisClass [[maybe_unused]] = theClass;                             \
        using TheBaseClass = baseClass;                                          \
        static const AFX_MSGMAP_ENTRY s_MessageEntries[] = {

#define END_MESSAGE_MAP()                                                        \
            { 0, 0, 0, nullptr }                                                 \
        };                                                                       \
        static const AFX_MSGMAP s_MessageMap = { &TheBaseClass::GetThisMessageMap, \
                                                 &s_MessageEntries[0] };        \
        return &s_MessageMap;                                                    \
    }

// The body runs with pThis (the handling object), wParam and lParam in scope and
// returns the message's result.
#define QZ_MSG_THUNK(...)                                                        \
    [](CWnd* pWnd_, WPARAM wParam, LPARAM lParam) -> LRESULT {                   \
        ThisClass* pThis = static_cast<ThisClass*>(pWnd_);                       \
        __VA_ARGS__;                                                             \
    }
// The signed mouse position of lParam.
#define QZ_LPARAM_POINT CPoint((short)LOWORD(lParam), (short)HIWORD(lParam))

#define ON_WM_PAINT() \
    { WM_PAINT, 0, 0, QZ_MSG_THUNK(pThis->OnPaint(); return 0) },
#define ON_WM_ERASEBKGND() \
    { WM_ERASEBKGND, 0, 0, QZ_MSG_THUNK(CDC dc; dc.Attach((HDC)wParam); return pThis->OnEraseBkgnd(&dc)) },
#define ON_WM_NCHITTEST() \
    { WM_NCHITTEST, 0, 0, QZ_MSG_THUNK(return pThis->OnNcHitTest(QZ_LPARAM_POINT)) },
#define ON_WM_QUERYDRAGICON() \
    { WM_QUERYDRAGICON, 0, 0, QZ_MSG_THUNK(return (LRESULT)pThis->OnQueryDragIcon()) },
#define ON_WM_DESTROY() \
    { WM_DESTROY, 0, 0, QZ_MSG_THUNK(pThis->OnDestroy(); return 0) },
#define ON_WM_MOUSEMOVE() \
    { WM_MOUSEMOVE, 0, 0, QZ_MSG_THUNK(pThis->OnMouseMove((UINT)wParam, QZ_LPARAM_POINT); return 0) },
#define ON_WM_LBUTTONDOWN() \
    { WM_LBUTTONDOWN, 0, 0, QZ_MSG_THUNK(pThis->OnLButtonDown((UINT)wParam, QZ_LPARAM_POINT); return 0) },
// A message with both parameters, handled by LRESULT memberFxn(WPARAM, LPARAM).
#define ON_MESSAGE(message, memberFxn) \
    { (UINT)(message), 0, 0, QZ_MSG_THUNK(return (pThis->*(memberFxn))(wParam, lParam)) },
// WM_COMMAND with a notification code and control id, handled by void memberFxn().
#define ON_CONTROL(wNotifyCode, id, memberFxn) \
    { WM_COMMAND, (UINT)(wNotifyCode), (UINT)(id), QZ_MSG_THUNK((pThis->*(memberFxn))(); return 0) },
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_COMMAND(id, memberFxn) ON_CONTROL(0, id, memberFxn)

// The root of every message map chain; it has no map of its own.
class CCmdTarget
{
public:
    CCmdTarget() {}
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;
    virtual ~CCmdTarget() {}

protected:
    static const AFX_MSGMAP* GetThisMessageMap() { return nullptr; }
    virtual const AFX_MSGMAP* GetMessageMap() const { return nullptr; }
};

// A C++ object bound to one platform window. The binding is made in SubclassWindow and
// cleared in one place, the static window procedure, when the window is gone. Messages
// go through the object's message map and otherwise to the window's previous procedure.
// The windows are Unicode windows (created, subclassed and served with the wide
// functions), so their texts never pass through the system's ANSI code page.
class CWnd : public CCmdTarget
{
public:
    CWnd() : m_hWnd(NULL), m_pfnSuper(NULL) {}
    // Destroys the window if the object is still bound to one.
    ~CWnd() override;

    // The object bound to hWnd, or NULL when the window has none.
    static CWnd* FromHandle(HWND hWnd);

    // Binds this object to an existing window and routes its messages through it.
    BOOL SubclassWindow(HWND hWnd);
    BOOL DestroyWindow() { return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE; }

    DWORD GetStyle() const { return (DWORD)::GetWindowLongPtrA(m_hWnd, GWL_STYLE); }
    // Changes the style; with nFlags, also SetWindowPos with them (SWP_FRAMECHANGED).
    // FALSE when the style stays as it was.
    BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
    BOOL ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    BOOL EnableWindow(BOOL bEnable = TRUE) { return ::EnableWindow(m_hWnd, bEnable); }
    void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE)
    {
        ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
    }
    // Centres the window over its owner, or without a visible owner over the work area
    // of its monitor.
    void CenterWindow();
    // Window texts are interface texts in code page 936 (base/wide_text.h), set and read
    // through the wide functions, so no system code page comes between.
    void SetWindowText(LPCSTR lpszString);
    void GetWindowText(CString& rString) const;
    void GetClientRect(LPRECT lpRect) const { ::GetClientRect(m_hWnd, lpRect); }
    void Invalidate(BOOL bErase = TRUE) { ::InvalidateRect(m_hWnd, NULL, bErase); }
    void InvalidateRect(LPCRECT lpRect, BOOL bErase = TRUE) { ::InvalidateRect(m_hWnd, lpRect, bErase); }
    BOOL RedrawWindow(LPCRECT lpRectUpdate, HRGN hrgnUpdate, UINT nFlags)
    {
        return ::RedrawWindow(m_hWnd, lpRectUpdate, hrgnUpdate, nFlags);
    }
    static CWnd* GetFocus() { return FromHandle(::GetFocus()); }
    LRESULT SendMessage(UINT nMessage, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        return ::SendMessageW(m_hWnd, nMessage, wParam, lParam);
    }
    HICON SetIcon(HICON hIcon, BOOL bBigIcon)
    {
        return (HICON)SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, (LPARAM)hIcon);
    }
    int SetWindowRgn(HRGN hRgn, BOOL bRedraw) { return ::SetWindowRgn(m_hWnd, hRgn, bRedraw); }
    BOOL SetForegroundWindow() { return ::SetForegroundWindow(m_hWnd); }
    // The text and caption are interface texts in code page 936.
    int MessageBox(LPCSTR lpszText, LPCSTR lpszCaption = NULL, UINT nType = MB_OK);

    HWND m_hWnd;

protected:
    // The dispatch of one message: WM_DRAWITEM back to the control it concerns, then the
    // message map, then the previous window procedure.
    virtual LRESULT WindowProc(UINT nMessage, WPARAM wParam, LPARAM lParam);
    // A control's part of its parent's WM_DRAWITEM; TRUE when handled.
    virtual BOOL OnChildNotify(UINT nMessage, WPARAM wParam, LPARAM lParam, LRESULT* pResult) { return FALSE; }

    // Default processing of the message being handled.
    LRESULT Default();

    // Handlers that only do the default processing; classes hide them with their own.
    void OnPaint() { Default(); }
    BOOL OnEraseBkgnd(CDC* pDC) { return (BOOL)Default(); }
    void OnDestroy() { Default(); }

    // Creates a child control of the platform class lpszClass (WS_CHILD is added to
    // dwStyle), with the interface text lpszText, and binds it.
    BOOL CreateControl(LPCSTR lpszClass, LPCSTR lpszText, DWORD dwStyle, const RECT& rect,
                       CWnd* pParentWnd, UINT nID);

private:
    static LRESULT CALLBACK StaticWndProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam);
    // The window's previous procedure (or the system default).
    LRESULT DefWindowProc(UINT nMessage, WPARAM wParam, LPARAM lParam);

    WNDPROC m_pfnSuper;
};

// BeginPaint in the constructor, EndPaint in the destructor.
class CPaintDC : public CDC
{
public:
    explicit CPaintDC(CWnd* pWnd) : m_hWnd(pWnd->m_hWnd) { Attach(::BeginPaint(m_hWnd, &m_ps)); }
    ~CPaintDC()
    {
        ::EndPaint(m_hWnd, &m_ps);
        Detach();
    }

private:
    HWND m_hWnd;
    PAINTSTRUCT m_ps;
};

// The platform's push button; an owner-drawn one draws itself in DrawItem.
class CButton : public CWnd
{
public:
    BOOL Create(LPCSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
    {
        return CreateControl("BUTTON", lpszCaption, dwStyle, rect, pParentWnd, nID);
    }
    // Draws an owner-drawn button; the parent routes its WM_DRAWITEM here.
    virtual void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) {}

protected:
    BOOL OnChildNotify(UINT nMessage, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override
    {
        if (nMessage != WM_DRAWITEM)
            return FALSE;
        DrawItem((LPDRAWITEMSTRUCT)lParam);
        *pResult = TRUE;
        return TRUE;
    }
};

// The platform's static control.
class CStatic : public CWnd
{
public:
    BOOL Create(LPCSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID = 0xFFFF)
    {
        return CreateControl("STATIC", lpszText, dwStyle, rect, pParentWnd, nID);
    }
};

#endif  // QZ_FRAMEWORK_FX_WND_H
