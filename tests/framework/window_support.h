// Helpers for the framework's window tests: message-only windows made through the framework,
// a plain window class whose own procedure records what reaches it (to see what the framework
// passes on), and a log both write to.
#pragma once

#include "framework/CWnd.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace vlm::test {

// What each handler and window procedure saw, in order.
struct CallLog {
    std::vector<std::string> entries;
    void Add(const std::string& entry) { entries.push_back(entry); }
    // Hands over what was logged and starts afresh.
    std::vector<std::string> Take() { return std::exchange(entries, {}); }
};

// The window procedure of RecordingClass(): logs "own <message in hex>" to the CallLog given as
// the creation parameter and answers 1000 + the message.
inline LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    if (auto* log = reinterpret_cast<CallLog*>(GetWindowLongPtrA(window, GWLP_USERDATA))) {
        if (message >= WM_USER) {
            char entry[64];
            std::snprintf(entry, sizeof entry, "own %#x %d %d", message, static_cast<int>(wParam), static_cast<int>(lParam));
            log->Add(entry);
            return 1000 + static_cast<LRESULT>(message);
        }
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

inline LPCSTR RecordingClass()
{
    static const LPCSTR name = [] {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = RecordingProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "VlmFrameworkTestRecording";
        RegisterClassA(&windowClass);
        return windowClass.lpszClassName;
    }();
    return name;
}

// A message-only window of RecordingClass(), not attached to any object.
inline HWND CreateRecordingWindow(CallLog& log)
{
    return CreateWindowExA(0, RecordingClass(), "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleA(nullptr),
                           &log);
}

// A message-only window of the framework's own class for `wnd`.
inline bool CreateMessageOnly(CWnd& wnd)
{
    return wnd.CreateEx(0, nullptr, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr) != FALSE;
}

// Destroys a window the test made, whatever the test's end.
struct WindowGuard {
    HWND window;
    ~WindowGuard()
    {
        if (window && IsWindow(window))
            DestroyWindow(window);
    }
};

} // namespace vlm::test
