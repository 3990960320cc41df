// A small real top-level window for the control tests: it hosts controls, paints a
// known background, records the notifications its children post and send, and offers
// the real mouse, message pumping, pixel reads and screenshots.
#ifndef QZ_TESTS_UI_UI_TEST_HOST_H
#define QZ_TESTS_UI_UI_TEST_HOST_H

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/framework.h"

struct QZ_UiTestMessage
{
    UINT nMessage;
    WPARAM wParam;
    LPARAM lParam;
};

class QZ_UiTestHost : public CWnd
{
public:
    // The background: the colour of each client pixel. The default is a pattern of
    // coloured stripes, so a wrong repaint shows.
    using BackgroundFn = std::function<COLORREF(int x, int y)>;

    QZ_UiTestHost();
    ~QZ_UiTestHost() override;

    // A visible, topmost popup window at screen position x, y.
    bool Open(int x, int y, int nWidth, int nHeight, BackgroundFn Background = nullptr);
    void Close();

    COLORREF BackgroundAt(int x, int y) const { return m_Background(x, y); }

    // Messages received so far (posted bitmap-button notifications, WM_COMMAND).
    const std::vector<QZ_UiTestMessage>& Messages() const { return m_Messages; }
    void ClearMessages() { m_Messages.clear(); }
    int CountMessages(UINT nMessage) const;
    int EraseCount() const { return m_nEraseCount; }

    // Client pixels as the window shows them now (painting is finished first).
    COLORREF PixelAt(int x, int y);
    // Saves the client area as screenshots/<name>.bmp in the build folder.
    bool SaveScreenshot(const char* cszName);

protected:
    LRESULT WindowProc(UINT nMessage, WPARAM wParam, LPARAM lParam) override;

private:
    BackgroundFn m_Background;
    std::vector<QZ_UiTestMessage> m_Messages;
    int m_nEraseCount;
};

// Handles every pending message and repaint of this thread.
void QZ_PumpMessages();
// Pumps for nMilliseconds.
void QZ_PumpFor(int nMilliseconds);
// Pumps until Done() is true or nTimeoutMs passed; returns Done().
bool QZ_PumpUntil(const std::function<bool()>& Done, int nTimeoutMs = 3000);

// The real mouse, through the system's input queue.
void QZ_MouseMoveTo(int nScreenX, int nScreenY);
void QZ_MouseButton(bool bDown);

// GDI objects of this process (the system's count, or where the system does not keep
// one, a count of the live bitmaps, fonts, brushes, pens, regions and contexts).
int QZ_CountGdiObjects();

// Saves a window's client area as a 24-bit BMP under <build folder>/screenshots/.
bool QZ_SaveWindowScreenshot(HWND hWnd, const char* cszName);

// The part of a colour that a test compares: red, green and blue.
inline COLORREF QZ_Rgb(COLORREF Color) { return Color & 0x00FFFFFF; }

// A test with a host window at a fixed screen place, opened with the mouse parked away
// from it and closed afterwards.
class QZ_UiHostTest : public ::testing::Test
{
protected:
    QZ_UiHostTest(int x, int y, int nWidth, int nHeight) : m_rcHost(x, y, x + nWidth, y + nHeight) {}

    void SetUp() override
    {
        QZ_MouseMoveTo(20, 20);
        ASSERT_TRUE(m_Host.Open(m_rcHost.left, m_rcHost.top, m_rcHost.Width(), m_rcHost.Height()));
    }
    void TearDown() override { m_Host.Close(); }

    QZ_UiTestHost m_Host;

private:
    CRect m_rcHost;
};

#endif  // QZ_TESTS_UI_UI_TEST_HOST_H
