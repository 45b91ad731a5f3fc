// Which object a handle leads to, and for how long: attaching, temporary wrappers, subclassing
// a window of another class, and the end of a window or of its object, whichever comes first.
#include "window_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace vlm::test {
namespace {

constexpr UINT kAsk = WM_USER + 10;

// Answers kAsk with a fixed value and records its last message.
class CAnsweringWnd : public CWnd {
public:
    explicit CAnsweringWnd(bool* postNcDestroyed = nullptr) : m_postNcDestroyed(postNcDestroyed) {}

    // Inside a message: what FromHandle gives for this window and for another one.
    CWnd* m_seenSelf = nullptr;
    CWnd* m_seenOtherFirst = nullptr;
    CWnd* m_seenOtherAgain = nullptr;
    HWND m_other = nullptr;

protected:
    afx_msg LRESULT OnAsk(WPARAM, LPARAM)
    {
        m_seenSelf = FromHandle(m_hWnd);
        m_seenOtherFirst = FromHandle(m_other);
        m_seenOtherAgain = FromHandle(m_other);
        return 42;
    }
    void PostNcDestroy() override
    {
        if (m_postNcDestroyed)
            *m_postNcDestroyed = true;
    }

    bool* m_postNcDestroyed;

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CAnsweringWnd, CWnd)
    ON_MESSAGE(kAsk, OnAsk)
END_MESSAGE_MAP()

// Deletes itself once its window is gone, as a window object owned by nobody does.
class CSelfDeletingWnd : public CAnsweringWnd {
public:
    explicit CSelfDeletingWnd(bool* deleted) : m_deleted(deleted) {}
    ~CSelfDeletingWnd() override { *m_deleted = true; }

protected:
    void PostNcDestroy() override { delete this; }

    bool* m_deleted;
};

TEST(WindowLifetime, AnAttachedObjectIsFoundAndATemporaryStandsInForTheRest)
{
    CAnsweringWnd wnd;
    ASSERT_TRUE(CreateMessageOnly(wnd));
    EXPECT_EQ(CWnd::FromHandlePermanent(wnd.m_hWnd), &wnd);
    EXPECT_EQ(CWnd::FromHandle(wnd.m_hWnd), &wnd);
    EXPECT_EQ(CWnd::FromHandle(nullptr), nullptr);

    CallLog own;
    const HWND other = CreateRecordingWindow(own);
    WindowGuard guard{other};
    EXPECT_EQ(CWnd::FromHandlePermanent(other), nullptr);
    wnd.m_other = other;
    EXPECT_EQ(wnd.SendMessage(kAsk), 42);
    EXPECT_EQ(wnd.m_seenSelf, &wnd);
    ASSERT_NE(wnd.m_seenOtherFirst, nullptr);
    EXPECT_EQ(wnd.m_seenOtherFirst, wnd.m_seenOtherAgain) << "one wrapper per handle while it lives";
    EXPECT_EQ(CWnd::FromHandlePermanent(other), nullptr) << "a temporary is never attached";
    // Outside any message the wrapper lives until the thread ends; it only names the window.
    CWnd* outside = CWnd::FromHandle(other);
    ASSERT_NE(outside, nullptr);
    EXPECT_EQ(outside->m_hWnd, other);
    EXPECT_EQ(SendMessageA(other, kAsk, 0, 0), static_cast<LRESULT>(1000 + kAsk)) << "messages go where they went";
}

TEST(WindowLifetime, AHandleTakesOneObjectAndOnlyOnTheThreadThatAttachedIt)
{
    CallLog own;
    const HWND window = CreateRecordingWindow(own);
    WindowGuard guard{window};
    CWnd first, second;
    ASSERT_TRUE(first.Attach(window));
    EXPECT_FALSE(second.Attach(window));
    EXPECT_FALSE(first.Attach(window)) << "already holds a window";
    EXPECT_EQ(second.m_hWnd, nullptr);
    CWnd* elsewhere = &first;
    std::thread([&] { elsewhere = CWnd::FromHandlePermanent(window); }).join();
    EXPECT_EQ(elsewhere, nullptr);
    EXPECT_EQ(first.Detach(), window);
    EXPECT_EQ(CWnd::FromHandlePermanent(window), nullptr);
    EXPECT_TRUE(second.Attach(window));
    second.Detach();
}

TEST(WindowLifetime, AWindowThatGoesFirstLetsGoOfItsObjectThenTellsIt)
{
    bool told = false;
    CAnsweringWnd wnd(&told);
    ASSERT_TRUE(CreateMessageOnly(wnd));
    const HWND window = wnd.m_hWnd;
    EXPECT_TRUE(wnd.DestroyWindow());
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(window), nullptr);
    EXPECT_TRUE(told);

    // An object may delete itself then.
    bool deleted = false;
    auto* owned = new CSelfDeletingWnd(&deleted);
    ASSERT_TRUE(CreateMessageOnly(*owned));
    DestroyWindow(owned->m_hWnd);
    EXPECT_TRUE(deleted);
}

TEST(WindowLifetime, AnObjectThatGoesFirstTakesItsOwnWindowButLeavesOthersWorking)
{
    HWND made = nullptr;
    {
        CAnsweringWnd wnd;
        ASSERT_TRUE(CreateMessageOnly(wnd));
        made = wnd.m_hWnd;
    }
    EXPECT_FALSE(IsWindow(made)) << "a window made for the object goes with it";
    EXPECT_EQ(CWnd::FromHandlePermanent(made), nullptr);

    CallLog own;
    const HWND control = CreateRecordingWindow(own);
    WindowGuard guard{control};
    {
        CAnsweringWnd wnd;
        ASSERT_TRUE(wnd.SubclassWindow(control));
        EXPECT_EQ(SendMessageA(control, kAsk, 0, 0), 42);
    }
    ASSERT_TRUE(IsWindow(control));
    EXPECT_EQ(CWnd::FromHandlePermanent(control), nullptr);
    EXPECT_EQ(SendMessageA(control, kAsk, 0, 0), static_cast<LRESULT>(1000 + kAsk))
        << "its own procedure answers again";
}

TEST(WindowLifetime, CreatingWithAnotherClassSubclassesTheNewWindow)
{
    CallLog own;
    CAnsweringWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, RecordingClass(), "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, &own));
    EXPECT_EQ(CWnd::FromHandlePermanent(wnd.m_hWnd), &wnd);
    EXPECT_EQ(wnd.SendMessage(kAsk), 42);
    EXPECT_EQ(wnd.SendMessage(WM_USER + 50, 1, 2), static_cast<LRESULT>(1000 + WM_USER + 50));
    EXPECT_EQ(own.Take().size(), 1u) << "only the unmapped message reached the class's procedure";
}

TEST(WindowLifetime, ClassesOfTheFrameworkAreRegisteredOncePerKind)
{
    const LPCSTR plain = AfxRegisterWndClass(0);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(AfxRegisterWndClass(0), plain);
    const LPCSTR other = AfxRegisterWndClass(0x0008 /*CS_DBLCLKS*/);
    ASSERT_NE(other, nullptr);
    EXPECT_STRNE(other, plain);
    CAnsweringWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, other, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr));
    EXPECT_EQ(wnd.SendMessage(kAsk), 42);
}

} // namespace
} // namespace vlm::test
