#include "ui/static_text.h"

#include "base/log.h"
#include "ui/text_font.h"

BEGIN_MESSAGE_MAP(QZ_StaticText, CStatic)
    ON_WM_PAINT()
END_MESSAGE_MAP()

QZ_StaticText::QZ_StaticText() : m_bFontTried(FALSE), m_nDpi(QZ_DESIGN_DPI), m_TextColor(::GetSysColor(COLOR_BTNTEXT))
{
}

QZ_StaticText::~QZ_StaticText()
{
}

// A new DPI drops the font: the next paint makes it at the new height.
void QZ_StaticText::SetDpi(int nDpi)
{
    if (nDpi <= 0 || nDpi == m_nDpi)
        return;
    m_nDpi = nDpi;
    m_Font.DeleteObject();
    m_bFontTried = FALSE;
    if (m_hWnd)
        InvalidateRect(NULL, TRUE);
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

// The window's text face and character set at the clue text's pixel height at 96 DPI,
// scaled to the window's DPI with the window's rounding: the same text under every
// system code page, and at 96 DPI today's size.
int QZ_StaticText::_CreateFont()
{
    int nResult = 0;
    int nRetCode = 0;

    nRetCode = m_Font.CreateFont(-QZ_ScaleLength(-QZ_CLUE_FONT_HEIGHT, m_nDpi), 0, 0, 0, FW_NORMAL, 0, 0, 0,
                                 QZ_TEXT_FONT_CHARSET, 0, 0, 0, 0, QZ_TEXT_FONT_FACE);
    QZLOG_PROCESS_ERROR(nRetCode && "CreateFont()");

    nResult = 1;
Exit0:
    if (!nResult)
        QZ_WriteLog(LOG_LEVEL_DEBUG, "Failed to make the text font, Error code: %d.", (int)GetLastError());
    return nResult;
}

// Text only, from the top-left corner, broken to the control's width and cut at its
// bottom edge.
void QZ_StaticText::OnPaint()
{
    CPaintDC PaintDC(this);
    CRect rcClient;
    HGDIOBJ hFont = NULL;
    HGDIOBJ hOldFont = NULL;

    GetClientRect(rcClient);

    if (!m_bFontTried)
    {
        m_bFontTried = TRUE;
        _CreateFont();
    }
    hFont = m_Font.GetSafeHandle() ? m_Font.GetSafeHandle() : ::GetStockObject(DEFAULT_GUI_FONT);
    if (hFont)
        hOldFont = PaintDC.SelectObject(hFont);
    PaintDC.SetBkMode(TRANSPARENT);
    PaintDC.SetTextColor(m_TextColor);
    PaintDC.DrawText(m_strText, m_strText.GetLength(), rcClient,
                     DT_WORDBREAK | DT_VCENTER | DT_END_ELLIPSIS);
    // The font goes back before the context does: m_Font must never be deleted while a
    // context holds it.
    if (hOldFont)
        PaintDC.SelectObject(hOldFont);
}
