#include "ui/static_text.h"

BEGIN_MESSAGE_MAP(QZ_StaticText, CStatic)
    ON_WM_PAINT()
END_MESSAGE_MAP()

QZ_StaticText::QZ_StaticText() : m_TextColor(::GetSysColor(COLOR_BTNTEXT))
{
}

QZ_StaticText::~QZ_StaticText()
{
}

// The control paints no background, so the parent repaints the area beneath it first
// (synchronously), and the control's own repaint then draws the new text over that.
void QZ_StaticText::SetText(const char* cszText)
{
    if (!cszText || m_strText == cszText)
        return;

    m_strText = cszText;
    InvalidateRect(NULL, TRUE);

    HWND hParent = ::GetParent(m_hWnd);
    if (!hParent)
        return;
    RECT rcControl;
    ::GetWindowRect(m_hWnd, &rcControl);
    ::MapWindowPoints(NULL, hParent, (LPPOINT)&rcControl, 2);
    ::RedrawWindow(hParent, &rcControl, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

// Text only, from the top-left corner, broken to the control's width and cut at its
// bottom edge.
void QZ_StaticText::OnPaint()
{
    CPaintDC PaintDC(this);
    CRect rcClient;
    GetClientRect(rcClient);

    HGDIOBJ hFont = ::GetStockObject(DEFAULT_GUI_FONT);
    if (hFont)
        PaintDC.SelectObject(hFont);
    PaintDC.SetBkMode(TRANSPARENT);
    PaintDC.SetTextColor(m_TextColor);
    PaintDC.DrawText(m_strText, m_strText.GetLength(), rcClient,
                     DT_WORDBREAK | DT_VCENTER | DT_END_ELLIPSIS);
}
