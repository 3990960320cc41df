#include "ui/static_text.h"

#include "base/log.h"
#include "ui/text_font.h"

BEGIN_MESSAGE_MAP(QZ_StaticText, CStatic)
    ON_WM_PAINT()
END_MESSAGE_MAP()

QZ_StaticText::QZ_StaticText() : m_bFontTried(FALSE), m_TextColor(::GetSysColor(COLOR_BTNTEXT))
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

// The window's text face and character set at a height in pixels: the same text under
// every system code page, and the size it has at 96 DPI at any DPI, like the window
// around it.
int QZ_StaticText::_CreateFont()
{
    int nResult = 0;
    int nRetCode = 0;

    nRetCode = m_Font.CreateFont(QZ_CLUE_FONT_HEIGHT, 0, 0, 0, FW_NORMAL, 0, 0, 0, QZ_TEXT_FONT_CHARSET, 0, 0, 0, 0,
                                 QZ_TEXT_FONT_FACE);
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
