// QZ_StaticText over a patterned parent: what it repaints, what it leaves, where the
// text goes.
#include <gtest/gtest.h>

#include <vector>

#include "tests/ui/ui_test_host.h"
#include "ui/static_text.h"
#include "ui/text_font.h"

namespace
{

const int kHostX = 240;
const int kHostY = 180;

class StaticTextTest : public QZ_UiHostTest
{
protected:
    StaticTextTest() : QZ_UiHostTest(kHostX, kHostY, 300, 240) {}

    void TearDown() override
    {
        m_Text.DestroyWindow();
        QZ_UiHostTest::TearDown();
    }

    void MakeText(int x, int y, int nWidth, int nHeight)
    {
        m_rcText = CRect(x, y, x + nWidth, y + nHeight);
        ASSERT_TRUE(m_Text.Create("Clue", WS_VISIBLE | SS_LEFT, m_rcText, &m_Host, 1005));
        QZ_PumpFor(50);
    }

    // Host pixels of a rectangle that differ from the host's background.
    int CountInk(const RECT& rc)
    {
        QZ_PumpMessages();
        int nInk = 0;
        HDC hDC = ::GetDC(m_Host.m_hWnd);
        for (int y = rc.top; y < rc.bottom; ++y)
            for (int x = rc.left; x < rc.right; ++x)
                nInk += QZ_Rgb(::GetPixel(hDC, x, y)) != m_Host.BackgroundAt(x, y) ? 1 : 0;
        ::ReleaseDC(m_Host.m_hWnd, hDC);
        return nInk;
    }

    // For each row of the text's rectangle, whether it holds any ink.
    std::vector<bool> InkRows()
    {
        std::vector<bool> Rows;
        for (int y = m_rcText.top; y < m_rcText.bottom; ++y)
            Rows.push_back(CountInk(CRect(m_rcText.left, y, m_rcText.right, y + 1)) > 0);
        return Rows;
    }

    // Runs of inked rows: [first, last] pairs, relative to the text's top.
    std::vector<std::pair<int, int>> InkBands()
    {
        std::vector<bool> Rows = InkRows();
        std::vector<std::pair<int, int>> Bands;
        for (int y = 0; y < (int)Rows.size(); ++y)
        {
            if (!Rows[y])
                continue;
            if (!Bands.empty() && Bands.back().second == y - 1)
                Bands.back().second = y;
            else
                Bands.push_back({ y, y });
        }
        return Bands;
    }

    int LineHeight()
    {
        CFont Font;
        Font.CreateFont(QZ_CLUE_FONT_HEIGHT, 0, 0, 0, FW_NORMAL, 0, 0, 0, QZ_TEXT_FONT_CHARSET, 0, 0, 0, 0,
                        QZ_TEXT_FONT_FACE);
        HDC hDC = ::GetDC(m_Text.m_hWnd);
        HGDIOBJ hOld = ::SelectObject(hDC, Font.GetSafeHandle());
        TEXTMETRICA Metrics = {};
        ::GetTextMetricsA(hDC, &Metrics);
        ::SelectObject(hDC, hOld);
        ::ReleaseDC(m_Text.m_hWnd, hDC);
        return Metrics.tmHeight;
    }

    QZ_StaticText m_Text;
    CRect m_rcText;
};

TEST_F(StaticTextTest, ShowsNothingBeforeItsFirstTextAndOnlyItsOwnText)
{
    MakeText(20, 20, 200, 60);
    EXPECT_EQ(0, CountInk(m_rcText)) << "the window text must not be drawn";
    m_Text.SetText("Server");
    EXPECT_GT(CountInk(m_rcText), 0);
    EXPECT_STREQ("Server", m_Text.GetText());
}

TEST_F(StaticTextTest, NewTextRepaintsTheParentAtOnceAndTheSameTextRepaintsNothing)
{
    MakeText(20, 20, 200, 60);
    m_Text.SetText("First text");
    QZ_PumpMessages();

    int nErased = m_Host.EraseCount();
    m_Text.SetText("Second text");
    // The parent's repaint happens inside the call.
    EXPECT_GT(m_Host.EraseCount(), nErased);
    QZ_PumpMessages();

    nErased = m_Host.EraseCount();
    m_Text.SetText("Second text");
    RECT rcUpdate;
    EXPECT_FALSE(::GetUpdateRect(m_Text.m_hWnd, &rcUpdate, FALSE));
    EXPECT_FALSE(::GetUpdateRect(m_Host.m_hWnd, &rcUpdate, FALSE));
    QZ_PumpMessages();
    EXPECT_EQ(nErased, m_Host.EraseCount());
}

TEST_F(StaticTextTest, ShorterOrEmptyTextLeavesNoTraceOfTheLongerOne)
{
    MakeText(20, 20, 220, 60);
    m_Text.SetText("A long line of text WWWWWWWWWWWW\nand a second line MMMMMMMM");
    int nLongInk = CountInk(m_rcText);
    ASSERT_GT(nLongInk, 100);

    m_Text.SetText("i");
    QZ_PumpFor(50);
    // Everything right of the first few pixels, and every row below the first line,
    // shows the parent's picture again.
    EXPECT_EQ(0, CountInk(CRect(m_rcText.left + 12, m_rcText.top, m_rcText.right, m_rcText.bottom)));
    EXPECT_EQ(0, CountInk(CRect(m_rcText.left, m_rcText.top + LineHeight(), m_rcText.right, m_rcText.bottom)));
    EXPECT_GT(CountInk(m_rcText), 0);
    m_Host.SaveScreenshot("static_text_short_after_long");

    m_Text.SetText("");
    QZ_PumpFor(50);
    EXPECT_EQ(0, CountInk(m_rcText));
}

TEST_F(StaticTextTest, NameEmptyLineAndDescriptionWrapFromTheTopLeft)
{
    MakeText(20, 20, 150, 120);
    m_Text.SetText("Experience\n\nNew content arrives here first, before the official servers get it.");
    int nLine = LineHeight();
    std::vector<std::pair<int, int>> Bands = InkBands();
    m_Host.SaveScreenshot("static_text_wrapped");

    ASSERT_GE(Bands.size(), 3u);
    // The name starts on the first line, not centred in the rectangle.
    EXPECT_LT(Bands[0].first, nLine);
    // One empty line between the name and the description.
    EXPECT_GE(Bands[1].first - Bands[0].second, nLine);
    EXPECT_LT(Bands[1].first - Bands[0].first, 3 * nLine);
    // The description, one line of text, is wrapped onto several lines.
    EXPECT_GE(Bands.back().second - Bands[1].first + 1, 2 * nLine - 2);
    // Text starts at the left edge.
    EXPECT_GT(CountInk(CRect(m_rcText.left, m_rcText.top, m_rcText.left + 4, m_rcText.top + nLine)), 0);
}

TEST_F(StaticTextTest, TextBelowTheRectangleIsCut)
{
    MakeText(20, 20, 150, 30);
    m_Text.SetText("one\ntwo\nthree\nfour\nfive\nsix\nseven\neight");
    QZ_PumpFor(50);
    m_Host.SaveScreenshot("static_text_clipped");
    EXPECT_GT(CountInk(m_rcText), 0);
    EXPECT_EQ(0, CountInk(CRect(m_rcText.left - 5, m_rcText.bottom, m_rcText.right + 5, m_rcText.bottom + 100)));
}

TEST_F(StaticTextTest, TextIsDrawnInItsColour)
{
    MakeText(20, 20, 200, 60);
    m_Text.m_TextColor = RGB(200, 0, 0);
    m_Text.SetText("IIII llll HHHH");
    QZ_PumpMessages();
    HDC hDC = ::GetDC(m_Host.m_hWnd);
    int nExact = 0;
    for (int y = m_rcText.top; y < m_rcText.bottom; ++y)
        for (int x = m_rcText.left; x < m_rcText.right; ++x)
            nExact += QZ_Rgb(::GetPixel(hDC, x, y)) == RGB(200, 0, 0) ? 1 : 0;
    ::ReleaseDC(m_Host.m_hWnd, hDC);
    EXPECT_GT(nExact, 10);
}

}  // namespace
