// QZ_StaticText: a label that draws only its text, with a transparent background, so
// the parent's picture shows around the letters. A new text makes the parent repaint
// the area beneath the control at once, wiping the old text. The text's pixel size is
// its size at 96 DPI scaled to the window's DPI, like the pictures around it.
#ifndef QZ_UI_STATIC_TEXT_H
#define QZ_UI_STATIC_TEXT_H

#include "framework/framework.h"
#include "ui/skin_scale.h"

class QZ_StaticText : public CStatic
{
public:
    QZ_StaticText();
    ~QZ_StaticText() override;

    // Shows cszText; the same text as shown already changes nothing. A NULL text is
    // refused (ignored).
    void SetText(const char* cszText);
    const CString& GetText() const { return m_strText; }
    // The DPI the text is drawn for (96 until set): its font's height is scaled to it.
    void SetDpi(int nDpi);

protected:
    void OnPaint();

    DECLARE_MESSAGE_MAP()

private:
    int _CreateFont();

    CString m_strText;
    // The window's text font (ui/text_font.h) at the clue text's pixel height scaled to
    // m_nDpi; made at the first paint (one try: without it the stock font serves).
    CFont m_Font;
    BOOL m_bFontTried;
    int m_nDpi;

public:
    // Text colour, the system's button-text colour unless the owner changes it.
    COLORREF m_TextColor;
};

#endif  // QZ_UI_STATIC_TEXT_H
