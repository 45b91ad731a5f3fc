// The dialog's own message map and data exchange, on message-only windows standing in for a
// dialog and its controls (the dialog manager itself is the window layer's, tested with it):
// OK, Cancel, the close box and the help key reach the right handlers; DDX_Control binds each
// control once, and a missing control ends the exchange.
#include "window_support.h"

#include "framework/CButton.h"
#include "framework/CDataExchange.h"
#include "framework/CDialog.h"
#include "framework/CStatic.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vlm::test {
namespace {

constexpr int kStart = 1007;
constexpr int kStop = 1004;
constexpr int kLink = 1014;

class CLinkStatic : public CStatic {
public:
    int m_clicks = 0;

protected:
    afx_msg void OnClicked() { ++m_clicks; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CLinkStatic, CStatic)
    ON_CONTROL_REFLECT(STN_CLICKED, OnClicked)
END_MESSAGE_MAP()

class CTestDialog : public CDialog {
public:
    CTestDialog() : CDialog(102) {}

    std::vector<std::string> m_log;
    CButton m_btnStart;
    CButton m_btnStop;
    CLinkStatic m_link;
    bool m_bindMissing = false;
    int m_exchanges = 0;

    using CDialog::UpdateData;

protected:
    void DoDataExchange(CDataExchange* dx) override
    {
        ++m_exchanges;
        DDX_Control(dx, kLink, m_link);
        if (m_bindMissing)
            DDX_Control(dx, 4242, m_missing);
        DDX_Control(dx, kStop, m_btnStop);
        DDX_Control(dx, kStart, m_btnStart);
    }
    BOOL OnInitDialog() override
    {
        m_log.push_back("init");
        CDialog::OnInitDialog();
        return FALSE;
    }
    void OnOK() override { m_log.push_back("ok"); }
    void OnCancel() override { m_log.push_back("cancel"); }
    afx_msg void OnAbout() { m_log.push_back("about"); }
    afx_msg void OnStart() { m_log.push_back("start"); }

    CButton m_missing;

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTestDialog, CDialog)
    ON_COMMAND(ID_HELP, OnAbout)
    ON_BN_CLICKED(kStart, OnStart)
END_MESSAGE_MAP()

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(CreateMessageOnly(m_dialog)); }

    // The dialog's controls: child windows with their ids. Wine makes no child windows without
    // a display, so there the tests that need them are skipped.
    void MakeControls()
    {
        for (int id : {kStart, kStop, kLink}) {
            const HWND control = CreateWindowExA(0, RecordingClass(), "", WS_CHILD, 0, 0, 0, 0, m_dialog.m_hWnd,
                                                 reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                                 GetModuleHandleA(nullptr), &m_controls);
            if (!control)
                GTEST_SKIP() << "no child windows here (error " << GetLastError() << ")";
            m_handles.push_back(control);
        }
    }

    // Runs what was posted to this thread's windows.
    static void Pump()
    {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }

    CTestDialog m_dialog;
    CallLog m_controls;
    std::vector<HWND> m_handles; // start, stop, link
};

TEST_F(DialogTest, TheDefaultCommandsReachTheOverrides)
{
    EXPECT_EQ(m_dialog.SendMessage(WM_INITDIALOG), FALSE) << "OnInitDialog's answer";
    m_dialog.SendMessage(WM_COMMAND, IDOK);
    CallLog own;
    const HWND cancelButton = CreateRecordingWindow(own);
    WindowGuard guard{cancelButton};
    m_dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancelButton));
    // The close box: IDCANCEL, posted as its button would send it.
    m_dialog.SendMessage(WM_CLOSE);
    EXPECT_EQ(m_dialog.m_log, (std::vector<std::string>{"init", "ok", "cancel"}));
    Pump();
    EXPECT_TRUE(IsWindow(m_dialog.m_hWnd)) << "not destroyed as a plain window would be";
    // The help key: the command ID_HELP.
    HELPINFO help{};
    help.cbSize = sizeof help;
    EXPECT_EQ(m_dialog.SendMessage(WM_HELP, 0, reinterpret_cast<LPARAM>(&help)), TRUE);
    EXPECT_EQ(m_dialog.m_log, (std::vector<std::string>{"init", "ok", "cancel", "cancel", "about"}));
}

TEST_F(DialogTest, InitialisingBindsEachControlOnce)
{
    MakeControls();
    if (IsSkipped())
        return;
    m_dialog.SendMessage(WM_INITDIALOG);
    EXPECT_EQ(m_dialog.m_btnStart.m_hWnd, m_handles[0]);
    EXPECT_EQ(m_dialog.m_btnStop.m_hWnd, m_handles[1]);
    EXPECT_EQ(m_dialog.m_link.m_hWnd, m_handles[2]);
    EXPECT_EQ(CWnd::FromHandlePermanent(m_handles[2]), &m_dialog.m_link);
    // Subclassed: the control's own procedure still answers what the object does not handle.
    EXPECT_EQ(m_dialog.m_btnStart.SendMessage(WM_USER + 7), static_cast<LRESULT>(1000 + WM_USER + 7));

    EXPECT_TRUE(m_dialog.UpdateData(TRUE));
    EXPECT_EQ(m_dialog.m_exchanges, 2);
    EXPECT_EQ(m_dialog.m_btnStart.m_hWnd, m_handles[0]) << "bound once, then left alone";

    // A bound control's notification goes to the control object first, then to the dialog.
    m_dialog.SendMessage(WM_COMMAND, MAKEWPARAM(kLink, STN_CLICKED), reinterpret_cast<LPARAM>(m_handles[2]));
    m_dialog.SendMessage(WM_COMMAND, MAKEWPARAM(kStart, BN_CLICKED), reinterpret_cast<LPARAM>(m_handles[0]));
    EXPECT_EQ(m_dialog.m_link.m_clicks, 1);
    EXPECT_EQ(m_dialog.m_log, (std::vector<std::string>{"init", "start"}));
}

TEST_F(DialogTest, AMissingControlEndsTheExchange)
{
    MakeControls();
    if (IsSkipped())
        return;
    m_dialog.m_bindMissing = true;
    EXPECT_FALSE(m_dialog.UpdateData(FALSE));
    EXPECT_EQ(m_dialog.m_link.m_hWnd, m_handles[2]) << "bound before the failure";
    EXPECT_EQ(m_dialog.m_btnStop.m_hWnd, nullptr) << "not reached";
    m_dialog.m_bindMissing = false;
    EXPECT_TRUE(m_dialog.UpdateData(FALSE));
    EXPECT_EQ(m_dialog.m_btnStop.m_hWnd, m_handles[1]);
}

TEST_F(DialogTest, ControlsGoneWithTheDialogLetGoOfTheirObjects)
{
    MakeControls();
    if (IsSkipped())
        return;
    m_dialog.SendMessage(WM_INITDIALOG);
    ASSERT_TRUE(m_dialog.DestroyWindow());
    EXPECT_EQ(m_dialog.m_hWnd, nullptr);
    EXPECT_EQ(m_dialog.m_btnStart.m_hWnd, nullptr);
    EXPECT_EQ(m_dialog.m_link.m_hWnd, nullptr);
    for (HWND control : m_handles)
        EXPECT_EQ(CWnd::FromHandlePermanent(control), nullptr);
}

} // namespace
} // namespace vlm::test
