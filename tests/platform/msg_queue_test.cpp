// Posted messages, thread messages, the quit flag, filters and the wake hook.
#include "msg_support.h"

#include "vlm_posix.h"

#include <vector>

namespace vlm::test {
namespace {

using MessageQueue = MessageTest;

struct Seen {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    bool operator==(const Seen&) const = default;
};

TEST_F(MessageQueue, PostedMessagesArriveInOrderAndQuitComesWhenNothingElseWaits)
{
    Handler none;
    const HWND window = CreateHandlerWindow(&none);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(PostMessageA(window, WM_USER, 1, 0));
    ASSERT_TRUE(PostMessageA(nullptr, WM_USER, 2, 0)); // a thread message
    PostQuitMessage(7);
    ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), WM_USER, 3, 0));
    ASSERT_TRUE(PostMessageA(window, WM_USER + 1, 4, 0));

    std::vector<Seen> seen;
    MSG msg{};
    BOOL got;
    while ((got = GetMessageA(&msg, nullptr, 0, 0)) > 0)
        seen.push_back({msg.hwnd, msg.message, msg.wParam});
    EXPECT_EQ(got, 0);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 7u);
    const std::vector<Seen> expected{{window, WM_USER, 1},
                                     {nullptr, WM_USER, 2},
                                     {nullptr, WM_USER, 3},
                                     {window, WM_USER + 1, 4}};
    EXPECT_EQ(seen, expected);
    // Delivered once: the flag is gone.
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    DestroyWindow(window);
}

TEST_F(MessageQueue, APostedQuitMessageEndsGetMessageToo)
{
    ASSERT_TRUE(PostMessageA(nullptr, WM_QUIT, 3, 0));
    MSG msg{};
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), 0);
    EXPECT_EQ(msg.wParam, 3u);
}

TEST_F(MessageQueue, FiltersPickByWindowAndRangeAndLeaveTheRestQueued)
{
    Handler none;
    const HWND first = CreateHandlerWindow(&none);
    const HWND second = CreateHandlerWindow(&none);
    ASSERT_TRUE(first && second);
    const HWND threadOnly = reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1));

    struct Case {
        const char* name;
        HWND window;
        UINT min, max;
        Seen expected;
    };
    const Case cases[] = {
        {"by window", second, 0, 0, {second, WM_USER, 2}},
        {"thread messages only", threadOnly, 0, 0, {nullptr, WM_USER + 5, 3}},
        {"by range", nullptr, WM_USER + 1, WM_USER + 9, {nullptr, WM_USER + 5, 3}},
        {"window and range", first, WM_USER + 1, WM_USER + 1, {first, WM_USER + 1, 4}},
        {"no filter", nullptr, 0, 0, {first, WM_USER, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DrainQueue();
        PostMessageA(first, WM_USER, 1, 0);
        PostMessageA(second, WM_USER, 2, 0);
        PostMessageA(nullptr, WM_USER + 5, 3, 0);
        PostMessageA(first, WM_USER + 1, 4, 0);
        MSG msg{};
        ASSERT_TRUE(PeekMessageA(&msg, c.window, c.min, c.max, PM_REMOVE));
        EXPECT_EQ((Seen{msg.hwnd, msg.message, msg.wParam}), c.expected);
        int left = 0;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            ++left;
        EXPECT_EQ(left, 3);
    }
    DestroyWindow(first);
    DestroyWindow(second);
}

TEST_F(MessageQueue, PeekWithoutRemovingLeavesTheMessageAndTheQuitFlag)
{
    PostMessageA(nullptr, WM_USER, 9, 0);
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 9u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));

    PostQuitMessage(1);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), 0);
}

TEST_F(MessageQueue, ABadWindowFilterIsAnError)
{
    Handler none;
    const HWND window = CreateHandlerWindow(&none);
    DestroyWindow(window);
    PostMessageA(nullptr, WM_USER, 0, 0); // would otherwise be there to take
    MSG msg{};
    SetLastError(0);
    EXPECT_EQ(GetMessageA(&msg, window, 0, 0), -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_FALSE(PeekMessageA(&msg, window, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueue, DestroyingAWindowDropsItsPostedMessagesOnly)
{
    Handler none;
    const HWND doomed = CreateHandlerWindow(&none);
    const HWND kept = CreateHandlerWindow(&none);
    PostMessageA(doomed, WM_USER, 1, 0);
    PostMessageA(kept, WM_USER, 2, 0);
    PostMessageA(nullptr, WM_USER, 3, 0);
    ASSERT_TRUE(DestroyWindow(doomed));
    std::vector<WPARAM> left;
    MSG msg{};
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        left.push_back(msg.wParam);
    EXPECT_EQ(left, (std::vector<WPARAM>{2, 3}));
    DestroyWindow(kept);
}

DWORD WINAPI ReturnFirstThreadMessage(LPVOID)
{
    MSG msg{};
    if (GetMessageA(&msg, nullptr, 0, 0) <= 0 || msg.hwnd != nullptr)
        return 0;
    return static_cast<DWORD>(msg.wParam);
}

TEST_F(MessageQueue, AThreadMessageCanBePostedAsSoonAsCreateThreadReturns)
{
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, ReturnFirstThreadMessage, nullptr, CREATE_SUSPENDED, &threadId);
    ASSERT_NE(thread, nullptr);
    EXPECT_TRUE(PostThreadMessageA(threadId, WM_USER, 77, 0));
    ResumeThread(thread);
    ASSERT_EQ(WaitForSingleObject(thread, static_cast<DWORD>(kPatience.count())), WAIT_OBJECT_0);
    DWORD exitCode = 0;
    ASSERT_TRUE(GetExitCodeThread(thread, &exitCode));
    EXPECT_EQ(exitCode, 77u);
    // Its queue went with it.
    SetLastError(0);
    EXPECT_FALSE(PostThreadMessageA(threadId, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_THREAD_ID));
    CloseHandle(thread);
}

TEST_F(MessageQueue, DispatchCallsTheWindowsCurrentProcedure)
{
    Handler none;
    const HWND window = CreateHandlerWindow(&none);
    auto replacement = [](HWND, UINT message, WPARAM wParam, LPARAM) -> LRESULT {
        return message == WM_USER ? static_cast<LRESULT>(wParam) * 10 : 0;
    };
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(+replacement));
    PostMessageA(window, WM_USER, 4, 0);
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(TranslateMessage(&msg));
    EXPECT_EQ(DispatchMessageA(&msg), 40);
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HandlerProc));
    DestroyWindow(window);
}

// The hook runs on the queuing thread, outside the layer's locks: it may itself use the layer.
TEST_F(MessageQueue, TheWakeHookFiresOnTheQueuingThreadForEveryPostedOrSentMessage)
{
    std::mutex mutex;
    std::vector<DWORD> wakers;
    Gate hookReady;
    Gate stop;
    std::atomic<bool> hookCouldUseTheLayer{true};
    std::atomic<HWND> own{nullptr};
    WindowThread owner(
        [](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
            return message == WM_USER ? std::optional<LRESULT>(5) : std::nullopt;
        },
        [&](HWND window) {
            own = window;
            vlm::posix::SetMessageWakeHook([&] {
                if (!IsWindow(own) || GetWindowThreadProcessId(own, nullptr) == 0)
                    hookCouldUseTheLayer = false;
                std::lock_guard lock(mutex);
                wakers.push_back(GetCurrentThreadId());
            });
            hookReady.Open();
            EXPECT_TRUE(stop.Wait());
            PumpUntilQuit(window);
        });
    ASSERT_TRUE(hookReady.Wait());
    auto wakes = [&] {
        std::lock_guard lock(mutex);
        return wakers.size();
    };

    ASSERT_TRUE(PostMessageA(owner.Window(), WM_USER, 0, 0));
    ASSERT_TRUE(PostThreadMessageA(owner.ThreadId(), WM_USER, 0, 0));
    EXPECT_EQ(wakes(), 2u);

    auto sender = std::async(std::launch::async, [&] {
        const DWORD id = GetCurrentThreadId();
        return std::pair(SendMessageA(owner.Window(), WM_USER, 0, 0), id);
    });
    EXPECT_TRUE(Eventually([&] { return wakes() == 3; }));
    stop.Open();
    ASSERT_EQ(sender.wait_for(kPatience), std::future_status::ready);
    const auto [answer, senderId] = sender.get();
    EXPECT_EQ(answer, 5);
    std::lock_guard lock(mutex);
    EXPECT_EQ(wakers, (std::vector<DWORD>{GetCurrentThreadId(), GetCurrentThreadId(), senderId}));
    EXPECT_TRUE(hookCouldUseTheLayer);
}

} // namespace
} // namespace vlm::test
