// Helpers for the message tests: a window class whose procedure is a per-window lambda, a thread
// that owns such a window, and bounded waits so a broken build fails instead of hanging.
#pragma once

#include "winapi.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <mutex>
#include <optional>
#include <thread>

namespace vlm::test {

using namespace std::chrono_literals;

// Long enough never to fire on a working build; only there to turn a hang into a failure.
inline constexpr std::chrono::milliseconds kPatience = 20s;

// Answers a message, or nothing to leave it to DefWindowProcA.
using Handler = std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)>;

inline LRESULT CALLBACK HandlerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* handler = reinterpret_cast<Handler*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (handler != nullptr && *handler) {
        if (auto result = (*handler)(window, message, wParam, lParam))
            return *result;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

inline const char* HandlerClass()
{
    static const char* const name = [] {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = HandlerProc;
        windowClass.lpszClassName = "VlmTestHandlerWindow";
        RegisterClassA(&windowClass);
        return windowClass.lpszClassName;
    }();
    return name;
}

// `handler` must outlive the window.
inline HWND CreateHandlerWindow(Handler* handler, HWND parent = HWND_MESSAGE, UINT_PTR id = 0)
{
    return CreateWindowExA(0, HandlerClass(), "test", 0, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(id), nullptr, handler);
}

// Empties the calling thread's queue (and its quit flag), so tests do not see each other's mail.
inline void DrainQueue()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

inline void PumpUntilQuit(HWND)
{
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
}

// Polls `done` until it holds or patience runs out.
inline bool Eventually(const std::function<bool()>& done)
{
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// A one-shot latch with a bounded wait.
class Gate {
public:
    void Open()
    {
        {
            std::lock_guard lock(mutex_);
            open_ = true;
        }
        opened_.notify_all();
    }
    bool Wait()
    {
        std::unique_lock lock(mutex_);
        return opened_.wait_for(lock, kPatience, [this] { return open_; });
    }
    bool IsOpen()
    {
        std::lock_guard lock(mutex_);
        return open_;
    }

private:
    std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
};

// A std::thread that owns one handler window and then runs `body` (by default a message loop
// until WM_QUIT). Joined on destruction, after a WM_QUIT to end the default loop.
class WindowThread {
public:
    using Body = std::function<void(HWND)>;

    explicit WindowThread(Handler handler, Body body = PumpUntilQuit) : handler_(std::move(handler))
    {
        std::promise<std::pair<HWND, DWORD>> created;
        auto ready = created.get_future();
        thread_ = std::thread([this, created = std::move(created), body = std::move(body)]() mutable {
            HWND window = CreateHandlerWindow(&handler_);
            created.set_value({window, GetCurrentThreadId()});
            if (window != nullptr)
                body(window);
        });
        if (ready.wait_for(kPatience) == std::future_status::ready)
            std::tie(window_, threadId_) = ready.get();
        else
            ADD_FAILURE() << "the window thread did not start";
        EXPECT_NE(window_, nullptr);
    }

    ~WindowThread() { Join(); }

    HWND Window() const { return window_; }
    DWORD ThreadId() const { return threadId_; }

    void Join()
    {
        if (!thread_.joinable())
            return;
        PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
        thread_.join();
    }

private:
    Handler handler_;
    HWND window_ = nullptr;
    DWORD threadId_ = 0;
    std::thread thread_;
};

// Each message test starts and ends with an empty queue on the test's own thread.
class MessageTest : public ::testing::Test {
protected:
    void SetUp() override { DrainQueue(); }
    void TearDown() override { DrainQueue(); }
};

} // namespace vlm::test
