// QZ_BitmapButton in a real window, driven by the real mouse: the notifications it
// posts, the picture it shows in each state, stretching, and picture loading.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/ui/ui_test_host.h"
#include "tests/ui/ui_test_ids.h"
#include "ui/bitmap_button.h"
#include "ui/skin_picture.h"

namespace
{

// The test pictures (make_test_bitmaps.py): the normal one in four quarters.
const COLORREF kNormalTopLeft = RGB(200, 30, 30);
const COLORREF kNormalTopRight = RGB(30, 200, 30);
const COLORREF kNormalBottomLeft = RGB(30, 30, 200);
const COLORREF kNormalBottomRight = RGB(200, 200, 30);
const COLORREF kPressed = RGB(10, 140, 60);
const COLORREF kHover = RGB(60, 10, 140);

const int kHostX = 200;
const int kHostY = 150;
const UINT kButtonId = 1001;

class BitmapButtonTest : public QZ_UiHostTest
{
protected:
    BitmapButtonTest() : QZ_UiHostTest(kHostX, kHostY, 320, 220) {}

    void TearDown() override
    {
        QZ_MouseButton(false);
        QZ_MouseMoveTo(20, 20);
        for (QZ_BitmapButton* pButton : m_Buttons)
            delete pButton;
        QZ_UiHostTest::TearDown();
    }

    // A button at x, y (host client) with the test pictures, or the given ones.
    QZ_BitmapButton* MakeButton(int x, int y, int nWidth, int nHeight, const char* cszCaption = "",
                                UINT nNormal = IDB_TEST_BUTTON_NORMAL,
                                UINT nPressed = IDB_TEST_BUTTON_PRESSED,
                                UINT nHover = IDB_TEST_BUTTON_HOVER)
    {
        QZ_BitmapButton* pButton = new QZ_BitmapButton;
        m_Buttons.push_back(pButton);
        CRect rcButton(x, y, x + nWidth, y + nHeight);
        EXPECT_TRUE(pButton->Create(cszCaption, WS_VISIBLE | BS_OWNERDRAW, rcButton, &m_Host, kButtonId));
        if (nNormal)
            pButton->LoadBitmaps(nNormal, nPressed, nHover);
        pButton->Invalidate();
        QZ_PumpMessages();
        return pButton;
    }

    // Moves the real pointer to a point of the host's client area.
    void MoveTo(int x, int y) { QZ_MouseMoveTo(kHostX + x, kHostY + y); }

    bool WaitForCount(UINT nMessage, int nCount)
    {
        return QZ_PumpUntil([&]() { return m_Host.CountMessages(nMessage) >= nCount; });
    }

    // The notifications received, as 'E' (enter) and 'L' (leave) in order.
    std::string Notifications(const QZ_BitmapButton* pButton)
    {
        std::string strSeen;
        for (const QZ_UiTestMessage& Message : m_Host.Messages())
        {
            if (Message.nMessage != WM_BITMAPBUTTON_ENTER && Message.nMessage != WM_BITMAPBUTTON_LEAVE)
                continue;
            EXPECT_EQ(0u, Message.wParam);
            EXPECT_EQ((LPARAM)pButton, Message.lParam);
            strSeen += Message.nMessage == WM_BITMAPBUTTON_ENTER ? 'E' : 'L';
        }
        return strSeen;
    }

    COLORREF Pixel(int x, int y) { return QZ_Rgb(m_Host.PixelAt(x, y)); }

    std::vector<QZ_BitmapButton*> m_Buttons;
};

TEST_F(BitmapButtonTest, MovingOnOffAndOnPostsEnterLeaveEnterOnePerTransition)
{
    QZ_BitmapButton* pButton = MakeButton(40, 40, 60, 30);
    EXPECT_EQ(kNormalTopLeft, Pixel(45, 45));

    MoveTo(60, 50);
    ASSERT_TRUE(WaitForCount(WM_BITMAPBUTTON_ENTER, 1));
    EXPECT_TRUE(QZ_PumpUntil([&]() { return Pixel(45, 45) == kHover; }));
    // More moves inside post nothing more.
    MoveTo(70, 55);
    MoveTo(80, 60);
    QZ_PumpFor(200);
    EXPECT_EQ("E", Notifications(pButton));

    MoveTo(200, 150);
    ASSERT_TRUE(WaitForCount(WM_BITMAPBUTTON_LEAVE, 1));
    EXPECT_TRUE(QZ_PumpUntil([&]() { return Pixel(45, 45) == kNormalTopLeft; }));

    MoveTo(50, 45);
    ASSERT_TRUE(WaitForCount(WM_BITMAPBUTTON_ENTER, 2));
    QZ_PumpFor(200);
    EXPECT_EQ("ELE", Notifications(pButton));
}

TEST_F(BitmapButtonTest, PressDragOffAndBackShowsPressedNormalPressedAndReleaseOutsidePostsNothing)
{
    QZ_BitmapButton* pButton = MakeButton(40, 40, 60, 30);
    MoveTo(60, 50);
    ASSERT_TRUE(WaitForCount(WM_BITMAPBUTTON_ENTER, 1));

    QZ_MouseButton(true);
    EXPECT_TRUE(QZ_PumpUntil([&]() { return Pixel(45, 45) == kPressed; }));
    EXPECT_EQ(pButton->m_hWnd, ::GetCapture());

    MoveTo(200, 150);
    EXPECT_TRUE(QZ_PumpUntil([&]() { return Pixel(45, 45) == kNormalTopLeft; }));
    MoveTo(60, 50);
    EXPECT_TRUE(QZ_PumpUntil([&]() { return Pixel(45, 45) == kPressed; }));
    MoveTo(220, 160);
    EXPECT_TRUE(QZ_PumpUntil([&]() { return Pixel(45, 45) == kNormalTopLeft; }));

    QZ_MouseButton(false);
    QZ_PumpFor(300);
    // The press ended the hover without a leave; releasing outside clicks nothing.
    EXPECT_EQ("E", Notifications(pButton));
    EXPECT_EQ(0, m_Host.CountMessages(WM_COMMAND));
    EXPECT_EQ(kNormalTopLeft, Pixel(45, 45));

    // Coming back is a new entry.
    MoveTo(60, 50);
    ASSERT_TRUE(WaitForCount(WM_BITMAPBUTTON_ENTER, 2));
    EXPECT_EQ("EE", Notifications(pButton));
}

TEST_F(BitmapButtonTest, ClickOverTheButtonNotifiesTheParentAndTheNextMoveEntersAgain)
{
    QZ_BitmapButton* pButton = MakeButton(40, 40, 60, 30);
    MoveTo(60, 50);
    ASSERT_TRUE(WaitForCount(WM_BITMAPBUTTON_ENTER, 1));
    QZ_MouseButton(true);
    QZ_MouseButton(false);
    ASSERT_TRUE(WaitForCount(WM_COMMAND, 1));
    bool bClicked = false;
    for (const QZ_UiTestMessage& Message : m_Host.Messages())
        bClicked |= Message.nMessage == WM_COMMAND && LOWORD(Message.wParam) == kButtonId &&
                    HIWORD(Message.wParam) == BN_CLICKED && (HWND)Message.lParam == pButton->m_hWnd;
    EXPECT_TRUE(bClicked);

    MoveTo(65, 52);
    ASSERT_TRUE(WaitForCount(WM_BITMAPBUTTON_ENTER, 2));
    QZ_PumpFor(150);
    EXPECT_EQ("EE", Notifications(pButton));
}

TEST_F(BitmapButtonTest, PicturesAreStretchedOrShrunkToTheButton)
{
    MakeButton(10, 10, 120, 60);  // twice the pictures' size
    MakeButton(150, 10, 30, 15);  // half
    struct
    {
        int x, y;
        COLORREF Expected;
    } Cases[] = {
        { 10 + 2, 10 + 2, kNormalTopLeft },        { 10 + 59, 10 + 29, kNormalTopLeft },
        { 10 + 60, 10 + 2, kNormalTopRight },      { 10 + 117, 10 + 29, kNormalTopRight },
        { 10 + 2, 10 + 30, kNormalBottomLeft },    { 10 + 59, 10 + 57, kNormalBottomLeft },
        { 10 + 60, 10 + 30, kNormalBottomRight },  { 10 + 119, 10 + 59, kNormalBottomRight },
        { 150 + 1, 10 + 1, kNormalTopLeft },       { 150 + 28, 10 + 1, kNormalTopRight },
        { 150 + 1, 10 + 13, kNormalBottomLeft },   { 150 + 28, 10 + 13, kNormalBottomRight },
    };
    for (const auto& Case : Cases)
        EXPECT_EQ(Case.Expected, Pixel(Case.x, Case.y)) << "at " << Case.x << "," << Case.y;
}

TEST_F(BitmapButtonTest, DisabledButtonDrawsTheNormalPictureAndItsCaptionColour)
{
    QZ_BitmapButton* pButton = MakeButton(40, 40, 60, 30, "WWW", IDB_TEST_BUTTON_PRESSED,
                                          IDB_TEST_BUTTON_NORMAL, IDB_TEST_BUTTON_HOVER);
    pButton->m_TextColor = RGB(255, 255, 255);
    pButton->EnableWindow(FALSE);
    pButton->Invalidate();
    MoveTo(50, 45);
    QZ_PumpFor(200);

    EXPECT_EQ(kPressed, Pixel(41, 41));  // this button's normal picture
    int nCaptionPixels = 0;
    for (int y = 40; y < 70; ++y)
        for (int x = 40; x < 100; ++x)
            nCaptionPixels += Pixel(x, y) == RGB(255, 255, 255) ? 1 : 0;
    EXPECT_GT(nCaptionPixels, 5);
    EXPECT_EQ("", Notifications(pButton));
}

TEST_F(BitmapButtonTest, CaptionIsCentredOnOneLine)
{
    QZ_BitmapButton* pButton = MakeButton(40, 40, 120, 60, "AB\nCD", IDB_TEST_BUTTON_PRESSED,
                                          IDB_TEST_BUTTON_PRESSED, IDB_TEST_BUTTON_PRESSED);
    pButton->m_TextColor = RGB(255, 255, 255);
    pButton->Invalidate();
    QZ_PumpMessages();

    int nLeft = 1000, nTop = 1000, nRight = -1, nBottom = -1;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 120; ++x)
            if (Pixel(40 + x, 40 + y) != kPressed)
            {
                nLeft = std::min(nLeft, x), nRight = std::max(nRight, x);
                nTop = std::min(nTop, y), nBottom = std::max(nBottom, y);
            }
    ASSERT_GE(nRight, 0) << "no caption drawn";
    TEXTMETRICA Metrics = {};
    HDC hDC = ::GetDC(pButton->m_hWnd);
    ::GetTextMetricsA(hDC, &Metrics);
    ::ReleaseDC(pButton->m_hWnd, hDC);
    EXPECT_LE(nBottom - nTop + 1, Metrics.tmHeight) << "more than one line";
    EXPECT_NEAR(60, (nLeft + nRight + 1) / 2.0, 3.0);
    EXPECT_NEAR(30, (nTop + nBottom + 1) / 2.0, Metrics.tmHeight / 2.0);
}

TEST_F(BitmapButtonTest, LoadBitmapsReportsAMissingPictureAndEmptyPicturesFallBackToNormal)
{
    QZ_BitmapButton Unbound;
    EXPECT_EQ(0, Unbound.LoadBitmaps(IDB_TEST_MISSING, IDB_TEST_BUTTON_PRESSED, IDB_TEST_BUTTON_HOVER));
    EXPECT_EQ(1, Unbound.LoadBitmaps(IDB_TEST_BUTTON_NORMAL, IDB_TEST_BUTTON_PRESSED, IDB_TEST_BUTTON_HOVER));

    // Only the normal picture loads: every state looks the same.
    QZ_BitmapButton* pButton = MakeButton(40, 40, 60, 30, "", 0);
    EXPECT_EQ(0, pButton->LoadBitmaps(IDB_TEST_BUTTON_NORMAL, IDB_TEST_MISSING, IDB_TEST_BUTTON_HOVER));
    pButton->Invalidate();
    EXPECT_EQ(kNormalTopLeft, Pixel(45, 45));
    MoveTo(60, 50);
    ASSERT_TRUE(WaitForCount(WM_BITMAPBUTTON_ENTER, 1));
    QZ_PumpFor(100);
    EXPECT_EQ(kNormalTopLeft, Pixel(45, 45));
    QZ_MouseButton(true);
    QZ_PumpFor(100);
    EXPECT_EQ(kNormalTopLeft, Pixel(45, 45));
    QZ_MouseButton(false);
}

TEST_F(BitmapButtonTest, ButtonWithoutPicturesDrawsItsCaptionOnly)
{
    QZ_BitmapButton* pButton = MakeButton(40, 40, 60, 30, "WWW", 0);
    pButton->m_TextColor = RGB(255, 255, 255);
    pButton->Invalidate();
    QZ_PumpMessages();
    int nCaptionPixels = 0;
    for (int y = 40; y < 70; ++y)
        for (int x = 40; x < 100; ++x)
            nCaptionPixels += Pixel(x, y) == RGB(255, 255, 255) ? 1 : 0;
    EXPECT_GT(nCaptionPixels, 5);
}

TEST_F(BitmapButtonTest, LoadingAgainReplacesThePicturesWithoutLeakingGdiObjects)
{
    QZ_BitmapButton* pButton = MakeButton(40, 40, 60, 30);
    pButton->LoadBitmaps(IDB_TEST_BUTTON_NORMAL, IDB_TEST_BUTTON_PRESSED, IDB_TEST_BUTTON_HOVER);
    int nBefore = QZ_CountGdiObjects();
    ASSERT_GT(nBefore, 0);
    {
        // The count sees a bitmap come and go.
        CBitmap Extra;
        ASSERT_TRUE(Extra.Attach(QZ_LoadSkinPicture(IDB_TEST_BUTTON_NORMAL, QZ_DESIGN_DPI)));
        ASSERT_EQ(nBefore + 1, QZ_CountGdiObjects());
    }
    ASSERT_EQ(nBefore, QZ_CountGdiObjects());
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(1, pButton->LoadBitmaps(IDB_TEST_BUTTON_NORMAL, IDB_TEST_BUTTON_PRESSED, IDB_TEST_BUTTON_HOVER));
    EXPECT_EQ(nBefore, QZ_CountGdiObjects());

    ASSERT_EQ(1, pButton->LoadBitmaps(IDB_TEST_BUTTON_HOVER, IDB_TEST_BUTTON_PRESSED, IDB_TEST_BUTTON_NORMAL));
    pButton->Invalidate();
    EXPECT_EQ(kHover, Pixel(45, 45));
    EXPECT_EQ(nBefore, QZ_CountGdiObjects());
}

// The launcher's own button pictures, with the launcher's caption colour and font, in
// each state, saved for a look: each state shows its own picture, and the caption is
// drawn in white across the middle row.
TEST_F(BitmapButtonTest, LauncherButtonsScreenshots)
{
    auto MiddleRow = [this]() {
        std::vector<COLORREF> Row;
        for (int x = 39; x < 39 + 183; ++x)
            Row.push_back(Pixel(x, 36));
        return Row;
    };
    CFont Font;
    ASSERT_TRUE(Font.CreateFont(15, 0, 0, 0, 0, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, NULL));
    m_Host.Close();
    ASSERT_TRUE(m_Host.Open(kHostX, kHostY, 262, 120, [](int x, int y) { return RGB(27, 33, 50); }));
    QZ_BitmapButton* pChoice = MakeButton(39, 20, 183, 33, "Official servers", IDB_LAUNCH_NORMAL,
                                          IDB_LAUNCH_PRESSED, IDB_LAUNCH_HOVER);
    pChoice->m_TextColor = RGB(255, 255, 255);
    pChoice->SendMessage(WM_SETFONT, (WPARAM)(HFONT)Font, TRUE);
    QZ_BitmapButton* pClose = MakeButton(234, 4, 13, 14, "", IDB_QUIT_NORMAL, IDB_QUIT_PRESSED,
                                         IDB_QUIT_HOVER);
    QZ_PumpFor(100);
    EXPECT_TRUE(m_Host.SaveScreenshot("launch_button_normal"));
    std::vector<COLORREF> Normal = MiddleRow();
    EXPECT_NE(Normal.end(), std::find(Normal.begin(), Normal.end(), RGB(255, 255, 255))) << "no white caption";

    MoveTo(120, 36);
    ASSERT_TRUE(WaitForCount(WM_BITMAPBUTTON_ENTER, 1));
    QZ_PumpFor(100);
    EXPECT_TRUE(m_Host.SaveScreenshot("launch_button_hover"));
    std::vector<COLORREF> Hover = MiddleRow();
    EXPECT_NE(Normal, Hover) << "the hovered button shows the normal picture";
    QZ_MouseButton(true);
    QZ_PumpFor(100);
    EXPECT_TRUE(m_Host.SaveScreenshot("launch_button_pressed"));
    EXPECT_NE(Hover, MiddleRow()) << "the pressed button shows the hover picture";
    MoveTo(200, 100);
    QZ_MouseButton(false);

    MoveTo(240, 10);
    ASSERT_TRUE(WaitForCount(WM_BITMAPBUTTON_ENTER, 2));
    QZ_PumpFor(100);
    EXPECT_TRUE(m_Host.SaveScreenshot("close_button_hover"));
    (void)pClose;
}

}  // namespace
