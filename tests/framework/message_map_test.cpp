// Message maps on message-only windows: the derived class's entries first, then its bases', then
// the window's own procedure; commands by id, code and range; notifications a control takes
// itself (reflection) before its parent sees them.
#include "window_support.h"

#include "framework/CFileException.h"
#include "framework/CStatic.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vlm::test {
namespace {

constexpr UINT kBaseOnly = WM_USER + 1;
constexpr UINT kShared = WM_USER + 2;
constexpr UINT kDefaulting = WM_USER + 3;
constexpr UINT kThrowing = WM_USER + 4;
constexpr UINT kUnmapped = WM_USER + 99;
constexpr UINT kBaseCommand = 100;
constexpr UINT kRangeFirst = 200;
constexpr UINT kRangeLast = 210;
constexpr UINT kButton = 300;
constexpr UINT kEdit = 301;

class CBaseTestWnd : public CWnd {
public:
    explicit CBaseTestWnd(CallLog& log) : m_log(log) {}

protected:
    afx_msg LRESULT OnBaseOnly(WPARAM wParam, LPARAM)
    {
        m_log.Add("base only " + std::to_string(wParam));
        return 11;
    }
    afx_msg LRESULT OnShared(WPARAM, LPARAM)
    {
        m_log.Add("base shared");
        return 12;
    }
    afx_msg void OnBaseCommand() { m_log.Add("base command"); }

    CallLog& m_log;

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseTestWnd, CWnd)
    ON_MESSAGE(kBaseOnly, OnBaseOnly)
    ON_MESSAGE(kShared, OnShared)
    ON_COMMAND(kBaseCommand, OnBaseCommand)
END_MESSAGE_MAP()

class CDerivedTestWnd : public CBaseTestWnd {
public:
    using CBaseTestWnd::CBaseTestWnd;

    LRESULT m_defaultAnswer = 0;

protected:
    afx_msg LRESULT OnSharedHere(WPARAM, LPARAM)
    {
        m_log.Add("derived shared");
        return 22;
    }
    afx_msg LRESULT OnDefaulting(WPARAM, LPARAM)
    {
        m_log.Add("derived defaulting");
        m_defaultAnswer = Default();
        return 33;
    }
    afx_msg LRESULT OnThrowing(WPARAM, LPARAM)
    {
        m_log.Add("derived throwing");
        throw CFileException(CFileException::diskFull);
    }
    afx_msg void OnRange(UINT id) { m_log.Add("range " + std::to_string(id)); }
    afx_msg void OnButton() { m_log.Add("button clicked"); }
    afx_msg void OnEditChange() { m_log.Add("edit changed"); }
    afx_msg void OnClose() { m_log.Add("close"); }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedTestWnd, CBaseTestWnd)
    ON_MESSAGE(kShared, OnSharedHere)
    ON_MESSAGE(kDefaulting, OnDefaulting)
    ON_MESSAGE(kThrowing, OnThrowing)
    ON_COMMAND_RANGE(kRangeFirst, kRangeLast, OnRange)
    ON_BN_CLICKED(kButton, OnButton)
    ON_CONTROL(EN_CHANGE, kEdit, OnEditChange)
    ON_WM_CLOSE()
END_MESSAGE_MAP()

class MessageMapTest : public ::testing::Test {
protected:
    CallLog m_log;
};

TEST_F(MessageMapTest, TheDerivedClassAnswersFirstAndItsBaseAnswersTheRest)
{
    CDerivedTestWnd wnd(m_log);
    ASSERT_TRUE(CreateMessageOnly(wnd));
    EXPECT_EQ(wnd.SendMessage(kShared), 22);
    EXPECT_EQ(wnd.SendMessage(kBaseOnly, 7), 11);
    EXPECT_EQ(m_log.Take(), (std::vector<std::string>{"derived shared", "base only 7"}));

    // The base class on its own knows only its own entries.
    CBaseTestWnd base(m_log);
    ASSERT_TRUE(CreateMessageOnly(base));
    EXPECT_EQ(base.SendMessage(kShared), 12);
    EXPECT_EQ(base.SendMessage(kDefaulting), 0);
    EXPECT_EQ(m_log.Take(), (std::vector<std::string>{"base shared"}));
}

TEST_F(MessageMapTest, WhatNoEntryTakesGoesToTheWindowsOwnProcedure)
{
    CallLog own;
    const HWND window = CreateRecordingWindow(own);
    ASSERT_NE(window, nullptr);
    WindowGuard guard{window};
    CDerivedTestWnd wnd(m_log);
    ASSERT_TRUE(wnd.SubclassWindow(window));

    EXPECT_EQ(SendMessageA(window, kShared, 1, 2), 22);
    EXPECT_EQ(SendMessageA(window, kUnmapped, 3, 4), static_cast<LRESULT>(1000 + kUnmapped));
    // Default() hands the very message on and gives back the answer.
    EXPECT_EQ(SendMessageA(window, kDefaulting, 5, 6), 33);
    EXPECT_EQ(wnd.m_defaultAnswer, static_cast<LRESULT>(1000 + kDefaulting));
    EXPECT_EQ(m_log.Take(), (std::vector<std::string>{"derived shared", "derived defaulting"}));
    char unmapped[64], defaulting[64];
    std::snprintf(unmapped, sizeof unmapped, "own %#x 3 4", kUnmapped);
    std::snprintf(defaulting, sizeof defaulting, "own %#x 5 6", kDefaulting);
    EXPECT_EQ(own.Take(), (std::vector<std::string>{unmapped, defaulting}));

    // Unsubclassed, the window has its own procedure alone again.
    EXPECT_EQ(wnd.UnsubclassWindow(), window);
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    EXPECT_EQ(SendMessageA(window, kShared, 0, 0), static_cast<LRESULT>(1000 + kShared));
    EXPECT_TRUE(m_log.Take().empty());
}

TEST_F(MessageMapTest, CommandsGoByIdCodeAndRange)
{
    CDerivedTestWnd wnd(m_log);
    ASSERT_TRUE(CreateMessageOnly(wnd));
    CallLog own;
    const HWND control = CreateRecordingWindow(own); // a control nobody attached
    ASSERT_NE(control, nullptr);
    WindowGuard guard{control};
    const LPARAM fromControl = reinterpret_cast<LPARAM>(control);
    struct Case {
        const char* label;
        WPARAM wParam;
        LPARAM lParam;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"menu command", MAKEWPARAM(kBaseCommand, 0), 0, {"base command"}},
        {"accelerator", MAKEWPARAM(kBaseCommand, 1), 0, {"base command"}},
        {"command in range", MAKEWPARAM(205, 0), 0, {"range 205"}},
        {"first of range", MAKEWPARAM(kRangeFirst, 0), 0, {"range 200"}},
        {"last of range", MAKEWPARAM(kRangeLast, 0), 0, {"range 210"}},
        {"past the range", MAKEWPARAM(kRangeLast + 1, 0), 0, {}},
        {"button click", MAKEWPARAM(kButton, BN_CLICKED), fromControl, {"button clicked"}},
        {"edit change", MAKEWPARAM(kEdit, EN_CHANGE), fromControl, {"edit changed"}},
        {"change from the button's id", MAKEWPARAM(kButton, EN_CHANGE), fromControl, {}},
        // A control's notification other than a click is no command of that id.
        {"other code with a command's id", MAKEWPARAM(kBaseCommand, EN_CHANGE), fromControl, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        wnd.SendMessage(WM_COMMAND, c.wParam, c.lParam);
        EXPECT_EQ(m_log.Take(), c.expected);
    }
    EXPECT_TRUE(own.Take().empty()) << "the control itself is not told";
}

TEST_F(MessageMapTest, AHandledCloseKeepsTheWindowAnUnhandledOneDestroysIt)
{
    CDerivedTestWnd keeps(m_log);
    ASSERT_TRUE(CreateMessageOnly(keeps));
    const HWND kept = keeps.m_hWnd;
    keeps.SendMessage(WM_CLOSE);
    EXPECT_EQ(m_log.Take(), (std::vector<std::string>{"close"}));
    EXPECT_TRUE(IsWindow(kept));

    CBaseTestWnd closes(m_log);
    ASSERT_TRUE(CreateMessageOnly(closes));
    const HWND closed = closes.m_hWnd;
    closes.SendMessage(WM_CLOSE);
    EXPECT_FALSE(IsWindow(closed));
    EXPECT_EQ(closes.m_hWnd, nullptr) << "let go of with the window's last message";
    EXPECT_EQ(CWnd::FromHandlePermanent(closed), nullptr);
}

TEST_F(MessageMapTest, AFrameworkExceptionStopsAtTheWindowProcedure)
{
    CDerivedTestWnd wnd(m_log);
    ASSERT_TRUE(CreateMessageOnly(wnd));
    EXPECT_EQ(wnd.SendMessage(kThrowing), 0);
    EXPECT_EQ(wnd.SendMessage(kShared), 22) << "and the window goes on working";
    EXPECT_EQ(m_log.Take(), (std::vector<std::string>{"derived throwing", "derived shared"}));
}

// --- Reflection -------------------------------------------------------------------------------

constexpr UINT kLink = 1014;

class CParentTestWnd : public CWnd {
public:
    explicit CParentTestWnd(CallLog& log) : m_log(log) {}

protected:
    afx_msg void OnLinkClicked() { m_log.Add("parent: clicked"); }
    afx_msg void OnLinkDoubleClicked() { m_log.Add("parent: double-clicked"); }

    CallLog& m_log;

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CParentTestWnd, CWnd)
    ON_STN_CLICKED(kLink, OnLinkClicked)
    ON_CONTROL(STN_DBLCLK, kLink, OnLinkDoubleClicked)
END_MESSAGE_MAP()

// Takes its own clicks; lets its parent see double clicks too when `m_share` says so.
class CReflectingStatic : public CStatic {
public:
    explicit CReflectingStatic(CallLog& log) : m_log(log) {}
    BOOL m_share = FALSE;

protected:
    afx_msg void OnClicked() { m_log.Add("control: clicked"); }
    afx_msg BOOL OnDoubleClicked()
    {
        m_log.Add("control: double-clicked");
        return !m_share;
    }

    CallLog& m_log;

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CReflectingStatic, CStatic)
    ON_CONTROL_REFLECT(STN_CLICKED, OnClicked)
    ON_CONTROL_REFLECT_EX(STN_DBLCLK, OnDoubleClicked)
END_MESSAGE_MAP()

class ReflectionTest : public MessageMapTest {
protected:
    void SetUp() override { ASSERT_TRUE(CreateMessageOnly(m_parent)); }

    LRESULT Notify(HWND control, UINT code)
    {
        return m_parent.SendMessage(WM_COMMAND, MAKEWPARAM(kLink, code), reinterpret_cast<LPARAM>(control));
    }

    CParentTestWnd m_parent{m_log};
};

TEST_F(ReflectionTest, AControlWithAReflectedEntryTakesItsOwnNotification)
{
    CReflectingStatic link(m_log);
    ASSERT_TRUE(CreateMessageOnly(link));
    Notify(link.m_hWnd, STN_CLICKED);
    EXPECT_EQ(m_log.Take(), (std::vector<std::string>{"control: clicked"}));

    // _EX: the control's answer decides whether the parent hears of it too.
    Notify(link.m_hWnd, STN_DBLCLK);
    EXPECT_EQ(m_log.Take(), (std::vector<std::string>{"control: double-clicked"}));
    link.m_share = TRUE;
    Notify(link.m_hWnd, STN_DBLCLK);
    EXPECT_EQ(m_log.Take(), (std::vector<std::string>{"control: double-clicked", "parent: double-clicked"}));
}

TEST_F(ReflectionTest, OtherwiseTheParentHandlesIt)
{
    // A control object without reflected entries, and a control no object is attached to.
    CStatic plain;
    ASSERT_TRUE(CreateMessageOnly(plain));
    Notify(plain.m_hWnd, STN_CLICKED);
    CallLog own;
    const HWND bare = CreateRecordingWindow(own);
    WindowGuard guard{bare};
    Notify(bare, STN_CLICKED);
    EXPECT_EQ(m_log.Take(), (std::vector<std::string>{"parent: clicked", "parent: clicked"}));

    // Detached, the reflecting control is an unknown window again.
    CReflectingStatic link(m_log);
    ASSERT_TRUE(CreateMessageOnly(link));
    const HWND window = link.m_hWnd;
    WindowGuard linkGuard{window};
    link.Detach();
    Notify(window, STN_CLICKED);
    EXPECT_EQ(m_log.Take(), (std::vector<std::string>{"parent: clicked"}));
}

TEST_F(ReflectionTest, AMenuCommandWithTheControlsIdIsNoNotification)
{
    CReflectingStatic link(m_log);
    ASSERT_TRUE(CreateMessageOnly(link));
    // From a menu: lParam 0, so nothing is reflected, and STN_CLICKED's code 0 is the command code.
    m_parent.SendMessage(WM_COMMAND, MAKEWPARAM(kLink, 0), 0);
    EXPECT_EQ(m_log.Take(), (std::vector<std::string>{"parent: clicked"}));
}

} // namespace
} // namespace vlm::test
