// The GUI thread's messages while Qt runs: a worker's sent and posted messages reach the window
// procedure on the GUI thread during a modal dialog; WM_QUIT ends the dialog and stays queued.
#include "qt_support.h"

#include <atomic>
#include <thread>

namespace vlm::test {
namespace {

constexpr UINT kScanDirectory = WM_USER + 257;
constexpr UINT kScanComplete = WM_USER + 256;

TEST(Messages, AWorkersSendsReachTheDialogWhileItRunsModally)
{
    vlm::qt::Initialize();
    const DWORD gui = GetCurrentThreadId();
    std::vector<std::string> shown;
    std::atomic<bool> wrongThread{false};
    std::atomic<LRESULT> answer{0};
    std::thread worker;
    DialogHandler handler = [&](HWND dialog, UINT message, WPARAM wParam, LPARAM) -> std::optional<INT_PTR> {
        if (message == WM_INITDIALOG) {
            worker = std::thread([dialog, &answer] {
                // As the scan worker reports directories: each send waits for the window.
                LRESULT sum = 0;
                for (const char* directory : {"C:\\", "C:\\Docs", "C:\\Docs\\Sub"})
                    sum += SendMessageA(dialog, kScanDirectory, reinterpret_cast<WPARAM>(directory), 0);
                answer = sum;
                PostMessageA(dialog, kScanComplete, 0, 0);
            });
            return TRUE;
        }
        if (message == kScanDirectory) {
            if (GetCurrentThreadId() != gui)
                wrongThread = true;
            shown.emplace_back(reinterpret_cast<const char*>(wParam));
            SetWindowLongPtrA(dialog, DWLP_MSGRESULT, 10);
            return TRUE;
        }
        if (message == kScanComplete) {
            EndDialog(dialog, 7);
            return TRUE;
        }
        return std::nullopt;
    };
    const INT_PTR result = DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_SCAN_DIALOG), nullptr, HandlerDialogProc,
                                           reinterpret_cast<LPARAM>(&handler));
    worker.join();
    EXPECT_EQ(result, 7);
    EXPECT_EQ(shown, (std::vector<std::string>{"C:\\", "C:\\Docs", "C:\\Docs\\Sub"}));
    EXPECT_FALSE(wrongThread);
    EXPECT_EQ(answer, 30) << "each send returns the dialog's result";
}

TEST(Messages, AWorkerSendingOutsideAnyDialogIsServedByTheEventLoop)
{
    vlm::qt::Initialize();
    TestDialog dialog(IDD_ABOUTBOX, [](HWND, UINT message, WPARAM wParam, LPARAM) -> std::optional<INT_PTR> {
        if (message == WM_USER + 1)
            return static_cast<INT_PTR>(wParam * 2);
        return std::nullopt;
    });
    std::atomic<LRESULT> got{0};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        // A dialog procedure's result for an ordinary message is its DWLP_MSGRESULT, not its
        // return value; WM_GETTEXT has a result of its own.
        char caption[32] = {};
        got = SendMessageA(dialog.Window(), WM_GETTEXT, sizeof caption, reinterpret_cast<LPARAM>(caption));
        done = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return done.load(); }));
    worker.join();
    EXPECT_EQ(got, 13) << "About Velmora";
}

TEST(Messages, QuitEndsTheModalDialogAndStaysForTheOuterLoop)
{
    vlm::qt::Initialize();
    DialogHandler handler = [](HWND, UINT message, WPARAM, LPARAM) -> std::optional<INT_PTR> {
        if (message == WM_INITDIALOG) {
            PostQuitMessage(3);
            return TRUE;
        }
        return std::nullopt;
    };
    DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_ABOUTBOX), nullptr, HandlerDialogProc,
                    reinterpret_cast<LPARAM>(&handler));
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 3u);
}

TEST(Messages, TheOwnerIsDisabledWhileItsModalDialogRuns)
{
    TestDialog owner(IDD_SCAN_DIALOG);
    ShowWindow(owner.Window(), SW_SHOW);
    BOOL ownerEnabledInside = TRUE;
    HWND parentInside = nullptr;
    DialogHandler handler = [&](HWND dialog, UINT message, WPARAM, LPARAM) -> std::optional<INT_PTR> {
        if (message == WM_INITDIALOG) {
            PostMessageA(dialog, WM_USER + 5, 0, 0);
            return TRUE;
        }
        if (message == WM_USER + 5) {
            ownerEnabledInside = IsWindowEnabled(owner.Window());
            parentInside = GetParent(dialog);
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        return std::nullopt;
    };
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_ABOUTBOX), owner.Item(IDC_START), HandlerDialogProc,
                              reinterpret_cast<LPARAM>(&handler)),
              IDOK);
    EXPECT_FALSE(ownerEnabledInside);
    EXPECT_EQ(parentInside, owner.Window()) << "owned by the control's top-level window";
    EXPECT_TRUE(IsWindowEnabled(owner.Window()));
    EXPECT_TRUE(vlm::qt::WindowWidget(owner.Item(IDC_START))->isEnabled()) << "the owner is never drawn greyed";
}

TEST(Messages, ATimerPostsToItsWindow)
{
    int ticks = 0;
    TestDialog dialog(IDD_ABOUTBOX, [&](HWND window, UINT message, WPARAM wParam, LPARAM) -> std::optional<INT_PTR> {
        if (message == WM_TIMER && wParam == 9 && ++ticks == 2)
            KillTimer(window, 9);
        return std::nullopt;
    });
    ASSERT_EQ(SetTimer(dialog.Window(), 9, 10, nullptr), 9u);
    ASSERT_TRUE(PumpUntil([&] { return ticks >= 2; }));
    EXPECT_FALSE(KillTimer(dialog.Window(), 9)) << "already gone";
}

} // namespace
} // namespace vlm::test
