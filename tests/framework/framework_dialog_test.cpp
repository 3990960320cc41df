// Drives real dialogs of the framework: modal runs, quit handling, data exchange,
// message-map dispatch and owner-draw routing.
#include <gtest/gtest.h>

#include <vector>

#include "framework/framework.h"
#include "framework_test_ids.h"

namespace
{

const UINT WM_TEST_ACTION = WM_USER + 50;

class CountingStatic : public CStatic
{
public:
    int m_nPaints = 0;
    LPARAM m_lLastUserParam = 0;

protected:
    void OnPaint()
    {
        ++m_nPaints;
        Default();
    }
    LRESULT OnTestAction(WPARAM wParam, LPARAM lParam)
    {
        m_lLastUserParam = lParam;
        return 77;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CountingStatic, CStatic)
    ON_WM_PAINT()
    ON_MESSAGE(WM_TEST_ACTION, &CountingStatic::OnTestAction)
END_MESSAGE_MAP()

class DrawingButton : public CButton
{
public:
    int m_nDraws = 0;
    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override
    {
        ++m_nDraws;
        ::FillRect(lpDrawItemStruct->hDC, &lpDrawItemStruct->rcItem, (HBRUSH)::GetStockObject(BLACK_BRUSH));
    }
};

// What the test dialog does from OnInitDialog.
enum class InitAction
{
    PostEnd,       // post a message that ends the dialog with a chosen value
    PostQuit,      // PostQuitMessage, as the launcher does when it starts a choice at once
    EndAtOnce,     // EndDialog inside OnInitDialog
    Nothing,
};

class TestDialog : public CDialog
{
public:
    explicit TestDialog(InitAction Action) : CDialog(IDD_TEST_DIALOG), m_Action(Action) {}

    CountingStatic m_Label;
    DrawingButton m_OwnerDraw;
    InitAction m_Action;
    int m_nEndValue = 42;
    bool m_bDestroyed = false;
    bool m_bVisibleAtDestroy = false;
    bool m_bEverShown = false;
    std::vector<int> m_Clicks;
    LPARAM m_lUserParam = 0;
    int m_nOK = 0;

    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        switch (m_Action)
        {
        case InitAction::PostEnd:
            ::PostMessageA(m_hWnd, WM_TEST_ACTION, 0, 0);
            break;
        case InitAction::PostQuit:
            ::PostQuitMessage(0);
            break;
        case InitAction::EndAtOnce:
            EndDialog(m_nEndValue);
            break;
        case InitAction::Nothing:
            break;
        }
        return TRUE;
    }

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Control(pDX, IDC_TEST_LABEL, m_Label);
        DDX_Control(pDX, IDC_TEST_OWNERDRAW, m_OwnerDraw);
    }
    void OnOK() override { ++m_nOK; }
    void OnDestroy()
    {
        m_bDestroyed = true;
        m_bVisibleAtDestroy = ::IsWindowVisible(m_hWnd) != FALSE;
        CDialog::OnDestroy();
    }
    LRESULT OnTestAction(WPARAM wParam, LPARAM lParam)
    {
        m_lUserParam = lParam;
        if (lParam == 0)
            EndDialog(m_nEndValue);
        return 0;
    }
    LRESULT OnShowWindow(WPARAM wParam, LPARAM lParam)
    {
        if (wParam)
            m_bEverShown = true;
        return Default();
    }
    void OnOwnerDrawClicked() { m_Clicks.push_back(IDC_TEST_OWNERDRAW); }
    void OnPlainClicked() { m_Clicks.push_back(IDC_TEST_PLAIN); }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(TestDialog, CDialog)
    ON_WM_DESTROY()
    ON_MESSAGE(WM_TEST_ACTION, &TestDialog::OnTestAction)
    ON_MESSAGE(WM_SHOWWINDOW, &TestDialog::OnShowWindow)
    ON_BN_CLICKED(IDC_TEST_OWNERDRAW, &TestDialog::OnOwnerDrawClicked)
    ON_BN_CLICKED(IDC_TEST_PLAIN, &TestDialog::OnPlainClicked)
END_MESSAGE_MAP()

bool TakeQuitMessage()
{
    MSG Message;
    while (::PeekMessageA(&Message, NULL, 0, 0, PM_REMOVE))
    {
        if (Message.message == WM_QUIT)
            return true;
    }
    return false;
}

// Runs a dialog that does the given checks once it is up, from a posted message.
class ScriptedDialog : public TestDialog
{
public:
    explicit ScriptedDialog(void (*pfnScript)(ScriptedDialog*)) : TestDialog(InitAction::Nothing), m_pfnScript(pfnScript) {}

    BOOL OnInitDialog() override
    {
        TestDialog::OnInitDialog();
        ::PostMessageA(m_hWnd, WM_TEST_ACTION, 0, 1);
        return TRUE;
    }
    void (*m_pfnScript)(ScriptedDialog*);

protected:
    LRESULT OnScript(WPARAM wParam, LPARAM lParam)
    {
        if (lParam == 1)
            m_pfnScript(this);
        else
            EndDialog(m_nEndValue);
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ScriptedDialog, TestDialog)
    ON_MESSAGE(WM_TEST_ACTION, &ScriptedDialog::OnScript)
END_MESSAGE_MAP()

}  // namespace

TEST(Dialog, DoModalReturnsTheEndDialogValueAndDestroysTheWindow)
{
    TestDialog Dialog(InitAction::PostEnd);
    Dialog.m_nEndValue = 42;
    EXPECT_EQ(42, Dialog.DoModal());
    EXPECT_TRUE(Dialog.m_bDestroyed);
    EXPECT_EQ(NULL, Dialog.m_hWnd);
    EXPECT_FALSE(Dialog.m_bVisibleAtDestroy) << "hidden before it is destroyed";
    EXPECT_FALSE(TakeQuitMessage());
}

TEST(Dialog, EndDialogDuringInitialisationEndsTheRunAtOnce)
{
    TestDialog Dialog(InitAction::EndAtOnce);
    Dialog.m_nEndValue = 7;
    EXPECT_EQ(7, Dialog.DoModal());
    EXPECT_TRUE(Dialog.m_bDestroyed);
    EXPECT_FALSE(Dialog.m_bEverShown);
}

TEST(Dialog, QuitPostedDuringInitialisationEndsTheRunAndIsPostedAgain)
{
    TestDialog Dialog(InitAction::PostQuit);
    EXPECT_EQ(-1, Dialog.DoModal());
    EXPECT_TRUE(Dialog.m_bDestroyed) << "WM_DESTROY handled before DoModal returned";
    EXPECT_FALSE(Dialog.m_bEverShown) << "a dialog asked to quit is never shown";
    EXPECT_TRUE(TakeQuitMessage()) << "the quit message is posted again for the caller";
}

static void CALLBACK PostEndOnce(HWND hWnd, UINT, UINT_PTR, DWORD)
{
    ::KillTimer(hWnd, 1);
    ::PostMessageA(hWnd, WM_TEST_ACTION, 0, 0);
}

TEST(Dialog, HiddenDialogIsShownWhenTheQueueRunsEmpty)
{
    ScriptedDialog Dialog([](ScriptedDialog* pDialog) {
        // The script runs from a posted message; by the time the queue is empty the
        // dialog shows. Post the end after letting the idle show happen.
        ::SetTimer(pDialog->m_hWnd, 1, 50, PostEndOnce);
    });
    Dialog.m_nEndValue = 5;
    EXPECT_EQ(5, Dialog.DoModal());
    EXPECT_TRUE(Dialog.m_bEverShown);
}

TEST(Dialog, DataExchangeAttachesTemplateControls)
{
    static bool s_bAttached = false;
    static LRESULT s_lUserResult = 0;
    static LPARAM s_lUserParam = 0;
    static int s_nPaintsBefore = 0;
    ScriptedDialog Dialog([](ScriptedDialog* pDialog) {
        s_bAttached = pDialog->m_Label.m_hWnd == ::GetDlgItem(pDialog->m_hWnd, IDC_TEST_LABEL) &&
                      CWnd::FromHandle(pDialog->m_Label.m_hWnd) == &pDialog->m_Label;
        s_lUserResult = pDialog->m_Label.SendMessage(WM_TEST_ACTION, 0, 0x1234);
        s_lUserParam = pDialog->m_Label.m_lLastUserParam;
        s_nPaintsBefore = pDialog->m_Label.m_nPaints;
        pDialog->ShowWindow(SW_SHOW);
        ::InvalidateRect(pDialog->m_Label.m_hWnd, NULL, TRUE);
        ::UpdateWindow(pDialog->m_Label.m_hWnd);
        pDialog->EndDialog(1);
    });
    EXPECT_EQ(1, Dialog.DoModal());
    EXPECT_TRUE(s_bAttached);
    EXPECT_EQ(77, s_lUserResult) << "the control's own message map answered";
    EXPECT_EQ(0x1234, s_lUserParam);
    EXPECT_GT(Dialog.m_Label.m_nPaints, s_nPaintsBefore) << "WM_PAINT reached the C++ object";
    EXPECT_EQ(NULL, Dialog.m_Label.m_hWnd) << "the binding is cleared with the window";
}

// A control the template lacks fails the exchange and the base initialisation, so the
// owner can fail its own instead of running on with a control bound to no window.
TEST(Dialog, DataExchangeOfAControlTheTemplateLacksFailsTheInitialisation)
{
    class MissingControlDialog : public TestDialog
    {
    public:
        MissingControlDialog() : TestDialog(InitAction::Nothing) {}
        CStatic m_Missing;
        BOOL m_bMissingAttached = TRUE;
        BOOL m_bBaseInitResult = TRUE;

        BOOL OnInitDialog() override
        {
            m_bBaseInitResult = CDialog::OnInitDialog();
            EndDialog(1);
            return TRUE;
        }

    protected:
        void DoDataExchange(CDataExchange* pDX) override
        {
            TestDialog::DoDataExchange(pDX);
            m_bMissingAttached = DDX_Control(pDX, 2999, m_Missing);
        }
    };

    MissingControlDialog Dialog;
    EXPECT_EQ(1, Dialog.DoModal());
    EXPECT_FALSE(Dialog.m_bMissingAttached);
    EXPECT_FALSE(Dialog.m_bBaseInitResult);
    EXPECT_EQ(NULL, Dialog.m_Missing.m_hWnd);
}

TEST(Dialog, CommandsAreDispatchedByControlIdAndDrawItemReachesTheButton)
{
    ScriptedDialog Dialog([](ScriptedDialog* pDialog) {
        HWND hWnd = pDialog->m_hWnd;
        ::SendMessageA(hWnd, WM_COMMAND, MAKEWPARAM(IDC_TEST_PLAIN, BN_CLICKED),
                       (LPARAM)::GetDlgItem(hWnd, IDC_TEST_PLAIN));
        ::SendMessageA(hWnd, WM_COMMAND, MAKEWPARAM(IDC_TEST_OWNERDRAW, BN_CLICKED),
                       (LPARAM)::GetDlgItem(hWnd, IDC_TEST_OWNERDRAW));
        // Another notification code of the same control is not a click.
        ::SendMessageA(hWnd, WM_COMMAND, MAKEWPARAM(IDC_TEST_PLAIN, BN_SETFOCUS),
                       (LPARAM)::GetDlgItem(hWnd, IDC_TEST_PLAIN));
        ::SendMessageA(hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        pDialog->ShowWindow(SW_SHOW);
        ::InvalidateRect(pDialog->m_OwnerDraw.m_hWnd, NULL, TRUE);
        ::UpdateWindow(pDialog->m_OwnerDraw.m_hWnd);
        pDialog->EndDialog(3);
    });
    EXPECT_EQ(3, Dialog.DoModal());
    EXPECT_EQ((std::vector<int>{IDC_TEST_PLAIN, IDC_TEST_OWNERDRAW}), Dialog.m_Clicks);
    EXPECT_EQ(1, Dialog.m_nOK) << "IDOK goes to the virtual OnOK";
    EXPECT_GT(Dialog.m_OwnerDraw.m_nDraws, 0) << "WM_DRAWITEM was routed to the button";
}

TEST(Dialog, EscapeEndsTheDialogWithCancel)
{
    ScriptedDialog Dialog([](ScriptedDialog* pDialog) {
        ::SetFocus(pDialog->m_hWnd);
        ::PostMessageA(pDialog->m_hWnd, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    });
    EXPECT_EQ(IDCANCEL, Dialog.DoModal());
}
