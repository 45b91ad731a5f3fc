#include "support/ScanRunner.h"

#include "scan/ScanEngine.h"
#include "vlm_platform.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>

namespace vlm::test {

std::vector<std::string> ScanRecord::Texts(UINT message) const
{
    std::vector<std::string> texts;
    for (const Notice& notice : notices) {
        if (notice.message == message)
            texts.push_back(notice.text);
    }
    return texts;
}

std::vector<std::string> ScanRecord::Lines(LPARAM highlight) const
{
    std::vector<std::string> lines;
    for (const Notice& notice : notices) {
        if (notice.message == WM_SCAN_OUTPUT && notice.lParam == highlight)
            lines.push_back(notice.text);
    }
    return lines;
}

int ScanRecord::CountOf(UINT message) const
{
    int count = 0;
    for (const Notice& notice : notices)
        count += notice.message == message ? 1 : 0;
    return count;
}

namespace {

constexpr char kReceiverClass[] = "VelmoraTestReceiver";

struct Receiver {
    ScanRunner* runner;
    ScanRecord* record;
    ScanJob* job;
};

LRESULT CALLBACK ReceiverProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* receiver = reinterpret_cast<Receiver*>(GetWindowLongPtrA(hWnd, GWLP_USERDATA));
    if (!receiver || message < WM_SCAN_COMPLETE || message > WM_SCAN_OUTPUT)
        return DefWindowProcA(hWnd, message, wParam, lParam);

    Notice notice{message, message == WM_SCAN_COMPLETE ? std::string() : std::string(reinterpret_cast<LPCSTR>(wParam)), lParam};
    receiver->record->notices.push_back(notice);
    if (message == WM_SCAN_COMPLETE) {
        receiver->record->completed = true;
        receiver->record->filesScanned = receiver->job->filesScanned;
        receiver->record->adsFiles = receiver->job->adsFiles;
        receiver->record->runFlagWasSet = WaitForSingleObject(receiver->job->hRunEvent, 0) == WAIT_OBJECT_0;
    } else if (receiver->runner->onNotice) {
        receiver->runner->onNotice(notice, receiver->job->hRunEvent);
    }
    return 0;
}

} // namespace

ScanRecord ScanRunner::Run(const std::string& roots, int rootCount)
{
    ScanRecord record;
    ScanJob job;
    Receiver receiver{this, &record, &job};

    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &ReceiverProc;
    windowClass.lpszClassName = kReceiverClass;
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, kReceiverClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    if (!window) {
        ADD_FAILURE() << "cannot create the receiver window";
        return record;
    }
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&receiver));

    std::mutex boxesMutex;
    MessageBoxResponder previous = SetMessageBoxResponder([&](HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
        std::lock_guard lock(boxesMutex);
        record.boxes.push_back({text ? text : "", caption ? caption : "", type, owner != nullptr});
        return IDOK;
    });

    HANDLE runEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    currentRunEvent = runEvent;
    job.roots = roots.c_str();
    job.rootCount = rootCount >= 0 ? rootCount : static_cast<int>(roots.size() / 3);
    job.hwndNotify = window;
    job.hRunEvent = runEvent;
    SetEvent(runEvent);

    HANDLE thread = CreateThread(nullptr, 0, &ScanThreadProc, &job, CREATE_SUSPENDED, nullptr);
    if (!thread) {
        ADD_FAILURE() << "cannot create the worker thread";
    } else {
        ResumeThread(thread);
        // Pump until the completion notice; a generous bound only keeps a broken engine from
        // hanging the test run.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        MSG msg;
        while (!record.completed && std::chrono::steady_clock::now() < deadline) {
            if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
            else
                Sleep(1);
        }
        EXPECT_TRUE(record.completed) << "no WM_SCAN_COMPLETE";
        EXPECT_EQ(WaitForSingleObject(thread, 60000), WAIT_OBJECT_0);
        GetExitCodeThread(thread, &record.exitCode);
        CloseHandle(thread);
    }

    SetMessageBoxResponder(std::move(previous));
    currentRunEvent = nullptr;
    CloseHandle(runEvent);
    DestroyWindow(window);
    return record;
}

} // namespace vlm::test
