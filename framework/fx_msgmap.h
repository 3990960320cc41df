// Message maps: a static table per class, chained to its base class's table. Each
// entry holds a small typed thunk that calls the member handler, so no member
// pointer is ever cast to an unrelated type.
#ifndef QZ_FRAMEWORK_FX_MSGMAP_H
#define QZ_FRAMEWORK_FX_MSGMAP_H

#include <windows.h>

// Signed mouse coordinates from lParam (windowsx.h is avoided: its macros clash
// with member names such as SubclassWindow).
#define QZ_GET_X_LPARAM(lp) ((int)(short)LOWORD(lp))
#define QZ_GET_Y_LPARAM(lp) ((int)(short)HIWORD(lp))

class CWnd;

struct AFX_MSGMAP_ENTRY
{
    UINT nMessage;
    UINT nCode;  // WM_COMMAND only: the notification code
    UINT nID;    // WM_COMMAND only: the control id
    BOOL (*pfnHandler)(CWnd* pWnd, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
};

struct AFX_MSGMAP
{
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
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

// The body runs with pThis (the handling object), wParam, lParam and pResult in scope.
#define QZ_MSG_THUNK(...)                                                        \
    [](CWnd* pWnd_, WPARAM wParam, LPARAM lParam, LRESULT* pResult) -> BOOL {    \
        ThisClass* pThis = static_cast<ThisClass*>(pWnd_);                       \
        (void)pThis; (void)wParam; (void)lParam;                                 \
        __VA_ARGS__;                                                             \
        return TRUE;                                                             \
    }

#define ON_WM_PAINT() \
    { WM_PAINT, 0, 0, QZ_MSG_THUNK(pThis->OnPaint(); *pResult = 0) },
#define ON_WM_ERASEBKGND() \
    { WM_ERASEBKGND, 0, 0, QZ_MSG_THUNK(CDC dc; dc.Attach((HDC)wParam); *pResult = pThis->OnEraseBkgnd(&dc); dc.Detach()) },
#define ON_WM_NCHITTEST() \
    { WM_NCHITTEST, 0, 0, QZ_MSG_THUNK(*pResult = pThis->OnNcHitTest(CPoint(QZ_GET_X_LPARAM(lParam), QZ_GET_Y_LPARAM(lParam)))) },
#define ON_WM_QUERYDRAGICON() \
    { WM_QUERYDRAGICON, 0, 0, QZ_MSG_THUNK(*pResult = (LRESULT)pThis->OnQueryDragIcon()) },
#define ON_WM_DESTROY() \
    { WM_DESTROY, 0, 0, QZ_MSG_THUNK(pThis->OnDestroy(); *pResult = 0) },
#define ON_WM_MOUSEMOVE() \
    { WM_MOUSEMOVE, 0, 0, QZ_MSG_THUNK(pThis->OnMouseMove((UINT)wParam, CPoint(QZ_GET_X_LPARAM(lParam), QZ_GET_Y_LPARAM(lParam))); *pResult = 0) },
#define ON_WM_LBUTTONDOWN() \
    { WM_LBUTTONDOWN, 0, 0, QZ_MSG_THUNK(pThis->OnLButtonDown((UINT)wParam, CPoint(QZ_GET_X_LPARAM(lParam), QZ_GET_Y_LPARAM(lParam))); *pResult = 0) },
// A message with both parameters, handled by LRESULT memberFxn(WPARAM, LPARAM).
#define ON_MESSAGE(message, memberFxn) \
    { (UINT)(message), 0, 0, QZ_MSG_THUNK(*pResult = (pThis->*(memberFxn))(wParam, lParam)) },
// WM_COMMAND with a notification code and control id, handled by void memberFxn().
#define ON_CONTROL(wNotifyCode, id, memberFxn) \
    { WM_COMMAND, (UINT)(wNotifyCode), (UINT)(id), QZ_MSG_THUNK((pThis->*(memberFxn))(); *pResult = 0) },
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_COMMAND(id, memberFxn) ON_CONTROL(0, id, memberFxn)

// The root of every message map chain.
class CCmdTarget
{
public:
    CCmdTarget() {}
    virtual ~CCmdTarget() {}

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;

    // Finds the first entry for the message, from this class's map down to the root.
    const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT nMessage, WPARAM wParam) const;

private:
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;
};

#endif  // QZ_FRAMEWORK_FX_MSGMAP_H
