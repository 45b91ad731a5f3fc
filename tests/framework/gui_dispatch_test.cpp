// Dispatch of the messages whose handlers take the framework's GDI and menu objects: the
// reflected and the parent's control colours, a popup menu about to open, the minimised
// window's drag icon. Message-only windows; the DCs, brushes and menus are only passed through.
#include "window_support.h"

#include "framework/CButton.h"
#include "framework/CComboBoxEx.h"
#include "framework/CDialog.h"
#include "framework/CRichEditCtrl.h"
#include "framework/CStatic.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vlm::test {
namespace {

const HDC kDc = reinterpret_cast<HDC>(0x4d4d0);
const HBRUSH kControlBrush = reinterpret_cast<HBRUSH>(0x10b0);
const HBRUSH kParentBrush = reinterpret_cast<HBRUSH>(0x20b0);

// Paints itself when m_paints says so, else leaves its colours to its parent.
class CColouredStatic : public CStatic {
    DECLARE_DYNAMIC(CColouredStatic)

public:
    bool m_paints = true;
    HDC m_dc = nullptr;
    UINT m_ctlColor = 99;

protected:
    afx_msg HBRUSH CtlColor(CDC* dc, UINT ctlColor)
    {
        m_dc = dc->m_hDC;
        m_ctlColor = ctlColor;
        return m_paints ? kControlBrush : nullptr;
    }

    DECLARE_MESSAGE_MAP()
};

IMPLEMENT_DYNAMIC(CColouredStatic, CStatic)

BEGIN_MESSAGE_MAP(CColouredStatic, CStatic)
    ON_WM_CTLCOLOR_REFLECT()
END_MESSAGE_MAP()

class CPaintingParent : public CWnd {
public:
    std::vector<std::string> m_log;
    CWnd* m_colouredFor = nullptr;
    UINT m_ctlColor = 99;
    HMENU m_popup = nullptr;
    CMenu* m_popupObject = nullptr;
    CMenu* m_popupAgain = nullptr;
    UINT m_position = 99;
    BOOL m_systemMenu = TRUE;

protected:
    afx_msg HBRUSH OnCtlColor(CDC* dc, CWnd* control, UINT ctlColor)
    {
        m_log.push_back(dc->m_hDC == kDc ? "parent colours" : "parent colours, wrong DC");
        m_colouredFor = control;
        m_ctlColor = ctlColor;
        return kParentBrush;
    }
    afx_msg void OnInitMenuPopup(CMenu* popup, UINT position, BOOL systemMenu)
    {
        m_popup = popup->m_hMenu;
        m_popupObject = popup;
        m_popupAgain = CMenu::FromHandle(popup->m_hMenu);
        m_position = position;
        m_systemMenu = systemMenu;
    }
    afx_msg HCURSOR OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(0x1c0); }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CPaintingParent, CWnd)
    ON_WM_CTLCOLOR()
    ON_WM_INITMENUPOPUP()
    ON_WM_QUERYDRAGICON()
END_MESSAGE_MAP()

class GuiDispatchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CreateMessageOnly(m_parent));
        ASSERT_TRUE(CreateMessageOnly(m_static));
    }

    LRESULT SendColour(UINT message, HWND control)
    {
        return m_parent.SendMessage(message, reinterpret_cast<WPARAM>(kDc), reinterpret_cast<LPARAM>(control));
    }

    CPaintingParent m_parent;
    CColouredStatic m_static;
};

TEST_F(GuiDispatchTest, TheControlChoosesItsOwnColoursFirst)
{
    EXPECT_EQ(SendColour(WM_CTLCOLORSTATIC, m_static.m_hWnd), reinterpret_cast<LRESULT>(kControlBrush));
    EXPECT_EQ(m_static.m_dc, kDc);
    EXPECT_EQ(m_static.m_ctlColor, UINT{CTLCOLOR_STATIC});
    EXPECT_TRUE(m_parent.m_log.empty());

    // Each colour message names its kind of control.
    struct Case {
        UINT message;
        UINT ctlColor;
    };
    for (const Case c : {Case{WM_CTLCOLORBTN, CTLCOLOR_BTN}, Case{WM_CTLCOLOREDIT, CTLCOLOR_EDIT},
                         Case{WM_CTLCOLORDLG, CTLCOLOR_DLG}, Case{WM_CTLCOLORMSGBOX, CTLCOLOR_MSGBOX}}) {
        SendColour(c.message, m_static.m_hWnd);
        EXPECT_EQ(m_static.m_ctlColor, c.ctlColor) << c.message;
    }
}

TEST_F(GuiDispatchTest, NoBrushFromTheControlLeavesTheColoursToTheParent)
{
    m_static.m_paints = false;
    EXPECT_EQ(SendColour(WM_CTLCOLORSTATIC, m_static.m_hWnd), reinterpret_cast<LRESULT>(kParentBrush));
    EXPECT_EQ(m_static.m_ctlColor, UINT{CTLCOLOR_STATIC}) << "asked first";
    EXPECT_EQ(m_parent.m_log, (std::vector<std::string>{"parent colours"}));
    EXPECT_EQ(m_parent.m_colouredFor, &m_static);
    EXPECT_EQ(m_parent.m_ctlColor, UINT{CTLCOLOR_STATIC});

    // A control without a reflected entry: the parent alone, given a wrapper for the control.
    CallLog own;
    const HWND bare = CreateRecordingWindow(own);
    WindowGuard guard{bare};
    m_parent.m_log.clear();
    EXPECT_EQ(SendColour(WM_CTLCOLORBTN, bare), reinterpret_cast<LRESULT>(kParentBrush));
    EXPECT_EQ(m_parent.m_log, (std::vector<std::string>{"parent colours"}));
    ASSERT_NE(m_parent.m_colouredFor, nullptr);
    EXPECT_EQ(m_parent.m_ctlColor, UINT{CTLCOLOR_BTN});
}

TEST_F(GuiDispatchTest, APopupArrivesAsAMenuObjectWithItsPositionAndKind)
{
    const HMENU popup = reinterpret_cast<HMENU>(0x3e0);
    m_parent.SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), MAKELPARAM(1, FALSE));
    EXPECT_EQ(m_parent.m_popup, popup);
    EXPECT_EQ(m_parent.m_popupAgain, m_parent.m_popupObject) << "one wrapper per handle during the message";
    EXPECT_EQ(m_parent.m_position, 1u);
    EXPECT_FALSE(m_parent.m_systemMenu);
    m_parent.SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), MAKELPARAM(0, TRUE));
    EXPECT_EQ(m_parent.m_position, 0u);
    EXPECT_TRUE(m_parent.m_systemMenu);

    EXPECT_EQ(m_parent.SendMessage(WM_QUERYDRAGICON), 0x1c0);
}

TEST(RuntimeClass, NamesAndBasesOfTheWindowClasses)
{
    struct Case {
        const CRuntimeClass* runtimeClass;
        const char* name;
        const CRuntimeClass* base;
    };
    const Case cases[] = {
        {RUNTIME_CLASS(CWnd), "CWnd", nullptr},
        {RUNTIME_CLASS(CDialog), "CDialog", RUNTIME_CLASS(CWnd)},
        {RUNTIME_CLASS(CStatic), "CStatic", RUNTIME_CLASS(CWnd)},
        {RUNTIME_CLASS(CButton), "CButton", RUNTIME_CLASS(CWnd)},
        {RUNTIME_CLASS(CComboBox), "CComboBox", RUNTIME_CLASS(CWnd)},
        {RUNTIME_CLASS(CComboBoxEx), "CComboBoxEx", RUNTIME_CLASS(CComboBox)},
        {RUNTIME_CLASS(CRichEditCtrl), "CRichEditCtrl", RUNTIME_CLASS(CWnd)},
        {RUNTIME_CLASS(CColouredStatic), "CColouredStatic", RUNTIME_CLASS(CStatic)},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(c.runtimeClass->m_lpszClassName, c.name);
        EXPECT_EQ(c.runtimeClass->m_pBaseClass, c.base) << c.name;
    }
    CColouredStatic link;
    EXPECT_EQ(link.GetRuntimeClass(), RUNTIME_CLASS(CColouredStatic));
    const CWnd& asWnd = link;
    EXPECT_STREQ(asWnd.GetRuntimeClass()->m_lpszClassName, "CColouredStatic");
    EXPECT_TRUE(link.IsKindOf(RUNTIME_CLASS(CStatic)));
    EXPECT_TRUE(link.IsKindOf(RUNTIME_CLASS(CWnd)));
    EXPECT_FALSE(link.IsKindOf(RUNTIME_CLASS(CButton)));
    EXPECT_FALSE(CStatic().IsKindOf(RUNTIME_CLASS(CColouredStatic)));
}

} // namespace
} // namespace vlm::test
