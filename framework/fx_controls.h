// The platform's push button and static control as framework windows.
#ifndef QZ_FRAMEWORK_FX_CONTROLS_H
#define QZ_FRAMEWORK_FX_CONTROLS_H

#include "framework/fx_wnd.h"

class CButton : public CWnd
{
public:
    // Creates a child push button (WS_CHILD is added to dwStyle) and binds it.
    BOOL Create(LPCSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    // Draws an owner-drawn button; the parent routes its WM_DRAWITEM here.
    virtual void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) {}

protected:
    BOOL OnChildNotify(UINT nMessage, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
};

class CStatic : public CWnd
{
public:
    BOOL Create(LPCSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID = 0xFFFF);
};

#endif  // QZ_FRAMEWORK_FX_CONTROLS_H
