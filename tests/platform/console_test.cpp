// Standard handles, terminal queries and Ctrl-C handlers.
#include "msg_support.h"

#include <csignal>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace vlm::test {
namespace {

TEST(Console, StandardHandlesAreDistinctAndStable)
{
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    for (HANDLE handle : {input, output, error}) {
        EXPECT_NE(handle, nullptr);
        EXPECT_NE(handle, INVALID_HANDLE_VALUE);
    }
    EXPECT_NE(input, output);
    EXPECT_NE(output, error);
    EXPECT_EQ(GetStdHandle(STD_OUTPUT_HANDLE), output);
    std::thread([&] { EXPECT_EQ(GetStdHandle(STD_ERROR_HANDLE), error); }).join();
    EXPECT_EQ(GetStdHandle(static_cast<DWORD>(-13)), INVALID_HANDLE_VALUE);
}

// Puts another descriptor on fd 0 for the test's span; stdin is the one standard stream the
// test runner does not use.
class StdinReplaced {
public:
    explicit StdinReplaced(int fd) : saved_(dup(STDIN_FILENO)) { dup2(fd, STDIN_FILENO); }
    ~StdinReplaced()
    {
        dup2(saved_, STDIN_FILENO);
        close(saved_);
    }

private:
    int saved_;
};

TEST(Console, QueriesAnswerForATerminalOnly)
{
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    {
        StdinReplaced replaced(fds[0]);
        DWORD mode = 0;
        CONSOLE_SCREEN_BUFFER_INFO info{};
        SetLastError(0);
        EXPECT_FALSE(GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        EXPECT_FALSE(GetConsoleScreenBufferInfo(GetStdHandle(STD_INPUT_HANDLE), &info));
    }
    close(fds[0]);
    close(fds[1]);

    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const int terminal = open(ptsname(master), O_RDWR | O_NOCTTY);
    ASSERT_GE(terminal, 0);
    winsize size{};
    size.ws_col = 132;
    size.ws_row = 43;
    ASSERT_EQ(ioctl(terminal, TIOCSWINSZ, &size), 0);
    {
        StdinReplaced replaced(terminal);
        DWORD mode = 0;
        EXPECT_TRUE(GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode));
        CONSOLE_SCREEN_BUFFER_INFO info{};
        ASSERT_TRUE(GetConsoleScreenBufferInfo(GetStdHandle(STD_INPUT_HANDLE), &info));
        EXPECT_EQ(info.dwSize.X, 132);
        EXPECT_EQ(info.srWindow.Left, 0);
        EXPECT_EQ(info.srWindow.Right, 131);
        EXPECT_EQ(info.srWindow.Bottom, 42);
    }
    close(terminal);
    close(master);

    EXPECT_FALSE(GetConsoleMode(nullptr, nullptr));
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    EXPECT_FALSE(GetConsoleMode(event, nullptr));
    CloseHandle(event);
}

// The handlers are plain functions, so what they see goes through globals.
std::mutex g_mutex;
std::vector<std::pair<char, DWORD>> g_calls; // which handler, on which thread
Gate* g_handled = nullptr;

BOOL WINAPI Declines(DWORD ctrlType)
{
    std::lock_guard lock(g_mutex);
    g_calls.emplace_back(ctrlType == CTRL_C_EVENT ? 'd' : '?', GetCurrentThreadId());
    return FALSE;
}

BOOL WINAPI Handles(DWORD ctrlType)
{
    {
        std::lock_guard lock(g_mutex);
        g_calls.emplace_back(ctrlType == CTRL_C_EVENT ? 'h' : '?', GetCurrentThreadId());
    }
    g_handled->Open();
    return TRUE;
}

void (*CurrentSigintAction())(int)
{
    struct sigaction action {};
    sigaction(SIGINT, nullptr, &action);
    return action.sa_handler;
}

TEST(Console, CtrlCRunsTheHandlersLastAddedFirstOnAThreadOfTheirOwn)
{
    Gate handled;
    g_handled = &handled;
    g_calls.clear();
    ASSERT_TRUE(SetConsoleCtrlHandler(Handles, TRUE));
    ASSERT_TRUE(SetConsoleCtrlHandler(Declines, TRUE));
    ASSERT_EQ(std::raise(SIGINT), 0);
    ASSERT_TRUE(handled.Wait());
    {
        std::lock_guard lock(g_mutex);
        ASSERT_EQ(g_calls.size(), 2u);
        EXPECT_EQ(g_calls[0].first, 'd');
        EXPECT_EQ(g_calls[1].first, 'h');
        EXPECT_EQ(g_calls[0].second, g_calls[1].second);
        EXPECT_NE(g_calls[0].second, GetCurrentThreadId());
    }
    EXPECT_TRUE(SetConsoleCtrlHandler(Declines, FALSE));
    EXPECT_NE(CurrentSigintAction(), SIG_DFL);
    EXPECT_TRUE(SetConsoleCtrlHandler(Handles, FALSE));
    // The last one gone, SIGINT is back to its default.
    EXPECT_EQ(CurrentSigintAction(), SIG_DFL);
    SetLastError(0);
    EXPECT_FALSE(SetConsoleCtrlHandler(Handles, FALSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    g_handled = nullptr;
}

TEST(Console, IgnoringCtrlCOutranksTheHandlers)
{
    ASSERT_TRUE(SetConsoleCtrlHandler(Declines, TRUE));
    ASSERT_TRUE(SetConsoleCtrlHandler(nullptr, TRUE));
    EXPECT_EQ(CurrentSigintAction(), SIG_IGN);
    std::raise(SIGINT); // would end the process through Declines otherwise
    ASSERT_TRUE(SetConsoleCtrlHandler(nullptr, FALSE));
    EXPECT_NE(CurrentSigintAction(), SIG_IGN);
    ASSERT_TRUE(SetConsoleCtrlHandler(Declines, FALSE));
    EXPECT_EQ(CurrentSigintAction(), SIG_DFL);
}

TEST(ConsoleDeathTest, AnUnhandledCtrlCEndsTheProcessAsInterrupted)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            SetConsoleCtrlHandler(Declines, TRUE);
            std::raise(SIGINT);
            Sleep(kPatience.count());
            std::exit(0);
        },
        ::testing::KilledBySignal(SIGINT), "");
}

} // namespace
} // namespace vlm::test
