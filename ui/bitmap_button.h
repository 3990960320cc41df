// QZ_BitmapButton: an owner-drawn push button painted from three pictures (normal,
// pressed, hover) with its caption centred on top. It tells its parent when the
// mouse enters and leaves it by posting WM_BITMAPBUTTON_ENTER / WM_BITMAPBUTTON_LEAVE
// with the button object as lParam.
#ifndef QZ_UI_BITMAP_BUTTON_H
#define QZ_UI_BITMAP_BUTTON_H

#include "framework/framework.h"
#include "ui/skin_scale.h"

#define WM_BITMAPBUTTON_ENTER (WM_USER + 100)
#define WM_BITMAPBUTTON_LEAVE (WM_USER + 101)

class QZ_BitmapButton : public CButton
{
public:
    QZ_BitmapButton();
    ~QZ_BitmapButton() override;

    // Replaces the three pictures with skin pictures of the application at nDpi
    // (ui/skin_picture.h). 1 when all three loaded; 0 at the first that did not (the ones
    // before it stay loaded).
    int LoadBitmaps(UINT nNormalID, UINT nPressedID, UINT nHoverID, int nDpi = QZ_DESIGN_DPI);

    // Redraws the whole button: the picture for its state, stretched to the client
    // area, and the caption on one line in m_TextColor.
    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;

protected:
    void OnMouseMove(UINT nFlags, CPoint point);
    void OnLButtonDown(UINT nFlags, CPoint point);
    LRESULT OnMouseLeave(WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()

private:
    void _NotifyParent(UINT nMessage);

    CBitmap m_NormalBitmap;
    CBitmap m_PressedBitmap;
    CBitmap m_HoverBitmap;

public:
    // Caption colour; the owner assigns it directly.
    COLORREF m_TextColor;

private:
    BOOL m_bHover;    // the mouse is over the button and its leaving is tracked
    BOOL m_bPressed;  // the left button went down on the control
};

#endif  // QZ_UI_BITMAP_BUTTON_H
