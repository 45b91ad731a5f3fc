// CreateThread, ResumeThread, exit codes and thread ids; events and waits.
#include "msg_support.h"

#include <csignal>
#include <cstdlib>

namespace vlm::test {
namespace {

const DWORD kPatienceMs = static_cast<DWORD>(kPatience.count());

struct Started {
    std::atomic<bool> ran{false};
    std::atomic<DWORD> idInside{0};
    HANDLE release = nullptr; // the routine waits for it when set
};

DWORD WINAPI RecordAndReturn(LPVOID parameter)
{
    auto* started = static_cast<Started*>(parameter);
    // Nothing of `started` is touched once `ran` is set: the test may be gone by then.
    const HANDLE release = started->release;
    started->idInside = GetCurrentThreadId();
    started->ran = true;
    if (release)
        WaitForSingleObject(release, INFINITE);
    return 42;
}

TEST(Threads, ASuspendedThreadRunsNothingUntilResumed)
{
    Started started;
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, RecordAndReturn, &started, CREATE_SUSPENDED, &threadId);
    ASSERT_NE(thread, nullptr);
    Sleep(50); // room for a wrongly started routine to show itself
    EXPECT_FALSE(started.ran);
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_TIMEOUT);
    DWORD exitCode = 0;
    ASSERT_TRUE(GetExitCodeThread(thread, &exitCode));
    EXPECT_EQ(exitCode, static_cast<DWORD>(STILL_ACTIVE));

    EXPECT_EQ(ResumeThread(thread), 1u);
    ASSERT_EQ(WaitForSingleObject(thread, kPatienceMs), WAIT_OBJECT_0);
    EXPECT_TRUE(started.ran);
    EXPECT_EQ(started.idInside, threadId);
    ASSERT_TRUE(GetExitCodeThread(thread, &exitCode));
    EXPECT_EQ(exitCode, 42u);
    EXPECT_EQ(ResumeThread(thread), 0u); // not suspended any more
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0); // stays signalled
    EXPECT_TRUE(CloseHandle(thread));
}

TEST(Threads, ARunningThreadIsStillActiveAndNotSignalled)
{
    Started started;
    started.release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, RecordAndReturn, &started, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    ASSERT_TRUE(Eventually([&] { return started.ran.load(); }));
    DWORD exitCode = 0;
    ASSERT_TRUE(GetExitCodeThread(thread, &exitCode));
    EXPECT_EQ(exitCode, static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_EQ(WaitForSingleObject(thread, 10), WAIT_TIMEOUT);
    EXPECT_EQ(ResumeThread(thread), 0u);
    SetEvent(started.release);
    EXPECT_EQ(WaitForSingleObject(thread, kPatienceMs), WAIT_OBJECT_0);
    CloseHandle(thread);
    CloseHandle(started.release);
}

TEST(Threads, ClosingTheHandleNeitherStopsNorWaitsForTheThread)
{
    Started started;
    started.release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, RecordAndReturn, &started, CREATE_SUSPENDED, nullptr);
    ASSERT_NE(thread, nullptr);
    ResumeThread(thread);
    ASSERT_TRUE(CloseHandle(thread));
    ASSERT_TRUE(Eventually([&] { return started.ran.load(); }));
    SetEvent(started.release); // it runs on, and ends on its own
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_FAILED);
    CloseHandle(started.release);
}

TEST(Threads, EveryThreadHasItsOwnStableId)
{
    const DWORD main = GetCurrentThreadId();
    EXPECT_NE(main, 0u);
    EXPECT_EQ(GetCurrentThreadId(), main);
    DWORD other = 0;
    std::thread([&] { other = GetCurrentThreadId(); }).join();
    EXPECT_NE(other, 0u);
    EXPECT_NE(other, main);
}

TEST(Threads, HandlesThatAreNotThreadsAreRefused)
{
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE closed = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    CloseHandle(closed);
    struct Case {
        const char* name;
        HANDLE handle;
    };
    for (const Case& c : {Case{"null", nullptr}, Case{"invalid", INVALID_HANDLE_VALUE}, Case{"closed", closed},
                          Case{"an event", event}}) {
        SCOPED_TRACE(c.name);
        SetLastError(0);
        EXPECT_EQ(ResumeThread(c.handle), 0xFFFFFFFFu);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        DWORD exitCode = 0;
        SetLastError(0);
        EXPECT_FALSE(GetExitCodeThread(c.handle, &exitCode));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    }
    CloseHandle(event);
}

TEST(Waits, BadHandlesFailTheWait)
{
    HANDLE closed = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    CloseHandle(closed);
    for (HANDLE handle : {static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE, closed}) {
        for (DWORD timeout : {DWORD{0}, DWORD{10}, DWORD{INFINITE}}) {
            SetLastError(0);
            EXPECT_EQ(WaitForSingleObject(handle, timeout), WAIT_FAILED);
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        }
    }
    EXPECT_FALSE(SetEvent(closed));
    EXPECT_FALSE(ResetEvent(closed));
    EXPECT_FALSE(CloseHandle(closed));
}

// What successive zero-timeout tests answer on a fresh event, and after SetEvent / ResetEvent.
TEST(Events, ZeroTimeoutTestsFollowTheResetKind)
{
    struct Case {
        const char* name;
        BOOL manualReset;
        BOOL initialState;
        std::vector<DWORD> fresh;     // two tests right after creation
        std::vector<DWORD> afterSet;  // two tests after SetEvent
        std::vector<DWORD> afterReset;
    };
    const DWORD set = WAIT_OBJECT_0, unset = WAIT_TIMEOUT;
    const Case cases[] = {
        {"manual, initially clear", TRUE, FALSE, {unset, unset}, {set, set}, {unset, unset}},
        {"manual, initially set", TRUE, TRUE, {set, set}, {set, set}, {unset, unset}},
        {"auto, initially clear", FALSE, FALSE, {unset, unset}, {set, unset}, {unset, unset}},
        {"auto, initially set", FALSE, TRUE, {set, unset}, {set, unset}, {unset, unset}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HANDLE event = CreateEventA(nullptr, c.manualReset, c.initialState, nullptr);
        ASSERT_NE(event, nullptr);
        auto twoTests = [&] {
            const DWORD first = WaitForSingleObject(event, 0);
            return std::vector<DWORD>{first, WaitForSingleObject(event, 0)};
        };
        EXPECT_EQ(twoTests(), c.fresh);
        ASSERT_TRUE(SetEvent(event));
        EXPECT_EQ(twoTests(), c.afterSet);
        ASSERT_TRUE(SetEvent(event));
        ASSERT_TRUE(ResetEvent(event));
        EXPECT_EQ(twoTests(), c.afterReset);
        EXPECT_EQ(WaitForSingleObject(event, 5), WAIT_TIMEOUT);
        CloseHandle(event);
    }
}

// Waiters on threads of their own; counts the ones released.
struct Waiters {
    explicit Waiters(HANDLE event, int count)
    {
        for (int i = 0; i < count; ++i) {
            threads.emplace_back([this, event] {
                ++waiting;
                if (WaitForSingleObject(event, kPatienceMs) == WAIT_OBJECT_0)
                    ++released;
            });
        }
    }
    ~Waiters()
    {
        for (auto& thread : threads)
            thread.join();
    }
    std::atomic<int> waiting{0};
    std::atomic<int> released{0};
    std::vector<std::thread> threads;
};

TEST(Events, SettingAManualEventReleasesEveryWaiter)
{
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    {
        Waiters waiters(event, 3);
        ASSERT_TRUE(Eventually([&] { return waiters.waiting == 3; }));
        Sleep(20); // let them reach the wait itself
        EXPECT_EQ(waiters.released, 0);
        SetEvent(event);
        EXPECT_TRUE(Eventually([&] { return waiters.released == 3; }));
    }
    CloseHandle(event);
}

TEST(Events, SettingAnAutoEventReleasesOneWaiterAtATime)
{
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    {
        Waiters waiters(event, 2);
        ASSERT_TRUE(Eventually([&] { return waiters.waiting == 2; }));
        Sleep(20);
        SetEvent(event);
        ASSERT_TRUE(Eventually([&] { return waiters.released == 1; }));
        Sleep(50); // room for a wrongly released second waiter to show itself
        EXPECT_EQ(waiters.released, 1);
        EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT); // the one signal was taken
        SetEvent(event);
        EXPECT_TRUE(Eventually([&] { return waiters.released == 2; }));
    }
    CloseHandle(event);
}

TEST(Waits, SleepReturns)
{
    Sleep(0);
    Sleep(1);
}

// The process may end, through exit() and static destruction, while a thread made here still
// tests events, posts and sends, and while another waits to send to a window of the main thread.
DWORD WINAPI BusyUntilTheEnd(LPVOID parameter)
{
    auto window = static_cast<HWND>(parameter);
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    for (;;) {
        WaitForSingleObject(event, 0);
        PostMessageA(window, WM_USER, 0, 0);
        IsWindow(window);
    }
}

DWORD WINAPI SendForEver(LPVOID parameter)
{
    SendMessageA(static_cast<HWND>(parameter), WM_USER, 0, 0);
    return 0;
}

TEST(ThreadsDeathTest, TheProcessEndsWhileItsThreadsStillRun)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            static Handler none;
            HWND window = CreateHandlerWindow(&none);
            CreateThread(nullptr, 0, BusyUntilTheEnd, window, 0, nullptr);
            CreateThread(nullptr, 0, SendForEver, window, 0, nullptr);
            Sleep(20);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
} // namespace vlm::test
