#include "ui/bitmap_button.h"

#include <commctrl.h>

#include "base/log.h"
#include "base/system_library.h"
#include "ui/skin_picture.h"

BEGIN_MESSAGE_MAP(QZ_BitmapButton, CButton)
    ON_WM_MOUSEMOVE()
    ON_WM_LBUTTONDOWN()
    ON_MESSAGE(WM_MOUSELEAVE, &QZ_BitmapButton::OnMouseLeave)
END_MESSAGE_MAP()

namespace
{

// _TrackMouseEvent of the common controls library. The library is loaded at the first
// mouse move over a button, not with the program: the window's start has no use for
// it, and its initialisation is a good part of a start under Wine. FALSE when the
// library cannot be had (logged once), as when the tracking itself fails.
struct QZ_CommonControls
{
    BOOL(WINAPI* pfnTrackMouseEvent)(LPTRACKMOUSEEVENT pTrack);
};

BOOL QZ_TrackMouseEvent(LPTRACKMOUSEEVENT pTrack)
{
    static const char* const s_apszNames[] = { "_TrackMouseEvent" };
    static int s_nReported = 0;
    QZ_CommonControls* pControls = QZ_GetSystemFunctions<QZ_CommonControls>("comctl32.dll", s_apszNames);

    if (!pControls && !s_nReported)
    {
        s_nReported = 1;
        QZ_LogProcessError("pControls && \"LoadLibrary(comctl32.dll)\"", __LINE__, QZ_PRETTY_FUNCTION);
    }
    return pControls ? pControls->pfnTrackMouseEvent(pTrack) : FALSE;
}

}  // namespace

QZ_BitmapButton::QZ_BitmapButton()
    : m_TextColor(::GetSysColor(COLOR_BTNTEXT)), m_bHover(FALSE), m_bPressed(FALSE)
{
}

QZ_BitmapButton::~QZ_BitmapButton()
{
}

int QZ_BitmapButton::LoadBitmaps(UINT nNormalID, UINT nPressedID, UINT nHoverID, int nDpi)
{
    m_NormalBitmap.DeleteObject();
    m_PressedBitmap.DeleteObject();
    m_HoverBitmap.DeleteObject();

    if (!m_NormalBitmap.Attach(QZ_LoadSkinPicture(nNormalID, nDpi)))
        return 0;
    if (!m_PressedBitmap.Attach(QZ_LoadSkinPicture(nPressedID, nDpi)))
        return 0;
    if (!m_HoverBitmap.Attach(QZ_LoadSkinPicture(nHoverID, nDpi)))
        return 0;
    return 1;
}

// Every call draws the whole button; only the selected bit of the state matters.
// A button whose pictures were never loaded gets its caption only.
void QZ_BitmapButton::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    CDC TargetDC;
    CDC MemoryDC;
    CBitmap* pBitmap = &m_NormalBitmap;
    HGDIOBJ hOldBitmap = NULL;
    CRect rcClient;
    CString strCaption;

    if (!lpDrawItemStruct || !TargetDC.Attach(lpDrawItemStruct->hDC))
        return;

    TargetDC.SetBkMode(TRANSPARENT);

    if ((lpDrawItemStruct->itemState & ODS_SELECTED) && m_PressedBitmap.GetSafeHandle())
        pBitmap = &m_PressedBitmap;
    else if (m_bHover && m_HoverBitmap.GetSafeHandle())
        pBitmap = &m_HoverBitmap;

    GetClientRect(rcClient);

    if (pBitmap->GetSafeHandle() && MemoryDC.CreateCompatibleDC(&TargetDC))
    {
        hOldBitmap = MemoryDC.SelectObject(pBitmap);
        BITMAP BitmapInfo = {};
        if (hOldBitmap && pBitmap->GetBitmap(&BitmapInfo))
        {
            TargetDC.StretchBlt(0, 0, rcClient.Width(), rcClient.Height(), &MemoryDC, 0, 0,
                                BitmapInfo.bmWidth, BitmapInfo.bmHeight, SRCCOPY);
        }
        if (hOldBitmap)
            MemoryDC.SelectObject(hOldBitmap);
        MemoryDC.DeleteDC();
    }

    GetWindowText(strCaption);
    TargetDC.SetTextColor(m_TextColor);
    TargetDC.DrawText(strCaption, strCaption.GetLength(), rcClient,
                      DT_CENTER | DT_VCENTER | DT_SINGLELINE);

    TargetDC.Detach();
}

void QZ_BitmapButton::_NotifyParent(UINT nMessage)
{
    HWND hParent = ::GetParent(m_hWnd);
    if (hParent)
        ::PostMessageA(hParent, nMessage, 0, (LPARAM)this);
}

// The first move over the button starts the leave tracking and reports the entry;
// while the button holds the capture after a press, moves start nothing.
void QZ_BitmapButton::OnMouseMove(UINT nFlags, CPoint point)
{
    if (!(m_bPressed && ::GetCapture() == m_hWnd) && !m_bHover)
    {
        TRACKMOUSEEVENT Track = {};
        Track.cbSize = sizeof(Track);
        Track.dwFlags = TME_LEAVE;
        Track.hwndTrack = m_hWnd;
        Track.dwHoverTime = 0;
        if (QZ_TrackMouseEvent(&Track))
        {
            _NotifyParent(WM_BITMAPBUTTON_ENTER);
            m_bHover = TRUE;
            InvalidateRect(NULL, TRUE);
        }
    }
    Default();
}

LRESULT QZ_BitmapButton::OnMouseLeave(WPARAM wParam, LPARAM lParam)
{
    _NotifyParent(WM_BITMAPBUTTON_LEAVE);
    m_bHover = FALSE;
    InvalidateRect(NULL, TRUE);
    return 0;
}

// A press ends the hover quietly: the leave tracking is cancelled and no leave is
// reported. The platform button then captures the mouse and shows its pushed state.
void QZ_BitmapButton::OnLButtonDown(UINT nFlags, CPoint point)
{
    if (m_bHover)
    {
        TRACKMOUSEEVENT Track = {};
        Track.cbSize = sizeof(Track);
        Track.dwFlags = TME_CANCEL | TME_LEAVE;
        Track.hwndTrack = m_hWnd;
        Track.dwHoverTime = 0;
        if (QZ_TrackMouseEvent(&Track))
            m_bHover = FALSE;
    }
    m_bPressed = TRUE;
    Default();
}
