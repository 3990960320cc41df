// QZ_StaticText: a label that draws only its text, with a transparent background, so
// the parent's picture shows around the letters. A new text makes the parent repaint
// the area beneath the control at once, wiping the old text.
#ifndef QZ_UI_STATIC_TEXT_H
#define QZ_UI_STATIC_TEXT_H

#include "framework/framework.h"

class QZ_StaticText : public CStatic
{
public:
    QZ_StaticText();
    ~QZ_StaticText() override;

    // Shows cszText; the same text as shown already changes nothing. A NULL text is
    // refused (ignored).
    void SetText(const char* cszText);
    const CString& GetText() const { return m_strText; }

protected:
    void OnPaint();

    DECLARE_MESSAGE_MAP()

private:
    CString m_strText;

public:
    // Text colour, the system's button-text colour unless the owner changes it.
    COLORREF m_TextColor;
};

#endif  // QZ_UI_STATIC_TEXT_H
