// SendMessage across threads: the sender waits for the owner's window procedure, still serves
// what is sent to its own windows meanwhile, and is let go when the window or its thread goes.
#include "msg_support.h"

#include "vlm_posix.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace vlm::test {
namespace {

using CrossThreadSend = MessageTest;

std::optional<LRESULT> Unhandled()
{
    return std::nullopt;
}

TEST_F(CrossThreadSend, WaitsUntilTheOwnerRanTheProcedureAndReturnsItsResult)
{
    std::atomic<bool> sendReturned{false};
    std::atomic<bool> handledWhileSenderWaited{false};
    std::atomic<DWORD> handledOn{0};
    Gate pump;
    WindowThread receiver(
        [&](HWND, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
            if (message != WM_USER)
                return Unhandled();
            handledOn = GetCurrentThreadId();
            handledWhileSenderWaited = !sendReturned;
            return static_cast<LRESULT>(wParam * 2);
        },
        [&](HWND window) {
            EXPECT_TRUE(pump.Wait());
            PumpUntilQuit(window);
        });

    auto sender = std::async(std::launch::async, [&] {
        const LRESULT result = SendMessageA(receiver.Window(), WM_USER, 21, 0);
        sendReturned = true;
        return result;
    });
    // The owner does not retrieve messages yet, so the sender cannot have its answer.
    EXPECT_EQ(sender.wait_for(100ms), std::future_status::timeout);
    pump.Open();
    ASSERT_EQ(sender.wait_for(kPatience), std::future_status::ready);
    EXPECT_EQ(sender.get(), 42);
    EXPECT_TRUE(handledWhileSenderWaited);
    EXPECT_EQ(handledOn, receiver.ThreadId());
}

TEST_F(CrossThreadSend, TheOwnerReadsAndFillsTheWaitingSendersBuffers)
{
    std::string seen;
    WindowThread receiver([&](HWND, UINT message, WPARAM wParam, LPARAM lParam) -> std::optional<LRESULT> {
        if (message != WM_USER)
            return Unhandled();
        seen = reinterpret_cast<const char*>(wParam);
        std::snprintf(reinterpret_cast<char*>(lParam), 16, "echo %s", seen.c_str());
        return static_cast<LRESULT>(seen.size());
    });
    char text[] = "hello";
    char reply[16] = {};
    const LRESULT result = SendMessageA(receiver.Window(), WM_USER, reinterpret_cast<WPARAM>(text),
                                        reinterpret_cast<LPARAM>(reply));
    std::strcpy(text, "gone!"); // the owner must be done with the string by now
    EXPECT_EQ(result, 5);
    EXPECT_EQ(seen, "hello");
    EXPECT_STREQ(reply, "echo hello");
}

// How a window stops existing under a would-be sender.
enum class Gone { DestroyedByOwner, OwnerThreadEnded };

class SendToGoneWindow : public MessageTest, public ::testing::WithParamInterface<Gone> {};

TEST_P(SendToGoneWindow, FailsAtOnceWithoutReachingTheProcedure)
{
    std::atomic<int> calls{0};
    Gate destroyed;
    WindowThread owner(
        [&](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
            if (message == WM_USER)
                ++calls;
            return Unhandled();
        },
        [&](HWND window) {
            if (GetParam() == Gone::OwnerThreadEnded)
                return;
            EXPECT_TRUE(DestroyWindow(window));
            destroyed.Open();
            PumpUntilQuit(window);
        });
    if (GetParam() == Gone::OwnerThreadEnded)
        owner.Join();
    else
        ASSERT_TRUE(destroyed.Wait());

    const HWND window = owner.Window();
    EXPECT_FALSE(IsWindow(window));
    SetLastError(0);
    EXPECT_EQ(SendMessageA(window, WM_USER, 0, 0), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    SetLastError(0);
    EXPECT_FALSE(PostMessageA(window, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    owner.Join();
    EXPECT_EQ(calls, 0);
}

INSTANTIATE_TEST_SUITE_P(Ways, SendToGoneWindow,
                         ::testing::Values(Gone::DestroyedByOwner, Gone::OwnerThreadEnded),
                         [](const auto& info) {
                             return info.param == Gone::DestroyedByOwner ? "DestroyedByOwner"
                                                                         : "OwnerThreadEnded";
                         });

// The owner learns through its wake hook that a message waits, then makes the window go without
// ever retrieving messages.
class ReleaseWaitingSender : public MessageTest, public ::testing::WithParamInterface<Gone> {};

TEST_P(ReleaseWaitingSender, ReturnsZeroWhenTheWindowGoesFirst)
{
    std::atomic<int> calls{0};
    Gate hookReady;
    Gate arrived;
    WindowThread owner(
        [&](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
            if (message == WM_USER)
                ++calls;
            return message == WM_USER ? std::optional<LRESULT>(7) : Unhandled();
        },
        [&](HWND window) {
            vlm::posix::SetMessageWakeHook([&] { arrived.Open(); });
            hookReady.Open();
            EXPECT_TRUE(arrived.Wait());
            if (GetParam() == Gone::DestroyedByOwner) {
                EXPECT_TRUE(DestroyWindow(window));
                PumpUntilQuit(window);
            }
        });
    ASSERT_TRUE(hookReady.Wait());
    auto sender = std::async(std::launch::async, [&] { return SendMessageA(owner.Window(), WM_USER, 0, 0); });
    ASSERT_EQ(sender.wait_for(kPatience), std::future_status::ready);
    EXPECT_EQ(sender.get(), 0);
    EXPECT_EQ(calls, 0);
}

INSTANTIATE_TEST_SUITE_P(Ways, ReleaseWaitingSender,
                         ::testing::Values(Gone::DestroyedByOwner, Gone::OwnerThreadEnded),
                         [](const auto& info) {
                             return info.param == Gone::DestroyedByOwner ? "DestroyedByOwner"
                                                                         : "OwnerThreadEnded";
                         });

// The same for a thread made by CreateThread: its windows are gone, and its waiting senders
// released, by the time its handle is signalled.
struct OwnerContext {
    Handler handler;
    HWND window = nullptr;
    Gate created;
    Gate arrived;
};

DWORD WINAPI OwnUntilMessageArrives(LPVOID parameter)
{
    auto* context = static_cast<OwnerContext*>(parameter);
    context->window = CreateHandlerWindow(&context->handler);
    vlm::posix::SetMessageWakeHook([context] { context->arrived.Open(); });
    context->created.Open();
    context->arrived.Wait();
    return 0;
}

TEST_F(CrossThreadSend, ACreateThreadOwnersEndReleasesItsSendersBeforeItsHandleIsSignalled)
{
    OwnerContext context;
    HANDLE thread = CreateThread(nullptr, 0, OwnUntilMessageArrives, &context, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    ASSERT_TRUE(context.created.Wait());
    ASSERT_NE(context.window, nullptr);
    auto sender = std::async(std::launch::async, [&] { return SendMessageA(context.window, WM_USER, 0, 0); });
    ASSERT_EQ(WaitForSingleObject(thread, static_cast<DWORD>(kPatience.count())), WAIT_OBJECT_0);
    EXPECT_FALSE(IsWindow(context.window));
    ASSERT_EQ(sender.wait_for(kPatience), std::future_status::ready);
    EXPECT_EQ(sender.get(), 0);
    CloseHandle(thread);
}

TEST_F(CrossThreadSend, TwoThreadsSendingToEachOtherBothGetTheirAnswers)
{
    Gate go;
    std::atomic<HWND> windowOfA{nullptr};
    std::atomic<HWND> windowOfB{nullptr};
    std::atomic<LRESULT> answerToA{0};
    std::atomic<LRESULT> answerToB{0};
    std::atomic<int> wrongThread{0};
    auto answer = [&](LRESULT value, std::atomic<HWND>& own) {
        return [&, value](HWND window, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
            if (message != WM_USER)
                return Unhandled();
            if (GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId() || window != own)
                ++wrongThread;
            return value;
        };
    };
    auto sendThenPump = [&](std::atomic<HWND>& peer, std::atomic<LRESULT>& answerTo) {
        return [&](HWND window) {
            EXPECT_TRUE(go.Wait());
            answerTo = SendMessageA(peer, WM_USER, 0, 0);
            PumpUntilQuit(window);
        };
    };
    WindowThread a(answer('A', windowOfA), sendThenPump(windowOfB, answerToA));
    WindowThread b(answer('B', windowOfB), sendThenPump(windowOfA, answerToB));
    windowOfA = a.Window();
    windowOfB = b.Window();
    go.Open();
    EXPECT_TRUE(Eventually([&] { return answerToA != 0 && answerToB != 0; }));
    EXPECT_EQ(answerToA, 'B');
    EXPECT_EQ(answerToB, 'A');
    EXPECT_EQ(wrongThread, 0);
}

TEST_F(CrossThreadSend, TheOwnerMaySendBackToTheWaitingSendersWindow)
{
    std::atomic<DWORD> answeredOn{0};
    Handler mine = [&](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message != WM_USER + 1)
            return Unhandled();
        answeredOn = GetCurrentThreadId();
        return 10;
    };
    const HWND own = CreateHandlerWindow(&mine);
    ASSERT_NE(own, nullptr);
    WindowThread peer([&](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message != WM_USER)
            return Unhandled();
        return SendMessageA(own, WM_USER + 1, 0, 0) + 1;
    });
    EXPECT_EQ(SendMessageA(peer.Window(), WM_USER, 0, 0), 11);
    EXPECT_EQ(answeredOn, GetCurrentThreadId());
    DestroyWindow(own);
}

TEST_F(CrossThreadSend, AWaitingSenderServesSentMessagesButLeavesPostedOnesQueued)
{
    int postedSeen = 0;
    int sentSeen = 0;
    Handler mine = [&](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        postedSeen += message == WM_USER + 2;
        sentSeen += message == WM_USER + 3;
        return Unhandled();
    };
    const HWND own = CreateHandlerWindow(&mine);
    ASSERT_NE(own, nullptr);
    WindowThread peer([&](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message != WM_USER)
            return Unhandled();
        PostMessageA(own, WM_USER + 2, 0, 0);
        SendMessageA(own, WM_USER + 3, 0, 0);
        return 1;
    });
    EXPECT_EQ(SendMessageA(peer.Window(), WM_USER, 0, 0), 1);
    EXPECT_EQ(sentSeen, 1);
    EXPECT_EQ(postedSeen, 0);

    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, own, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 2));
    DispatchMessageA(&msg);
    EXPECT_EQ(postedSeen, 1);
    DestroyWindow(own);
}

TEST_F(CrossThreadSend, ToTheSendersOwnWindowCallsTheProcedureDirectly)
{
    Handler mine = [](HWND, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
        return message == WM_USER ? std::optional<LRESULT>(wParam + 1) : std::nullopt;
    };
    const HWND own = CreateHandlerWindow(&mine);
    ASSERT_NE(own, nullptr);
    // No message is retrieved here: the call itself runs the procedure.
    EXPECT_EQ(SendMessageA(own, WM_USER, 41, 0), 42);
    DestroyWindow(own);
}

} // namespace
} // namespace vlm::test
