#include "cli/CScanConsole.h"

#include "scan/ScanEngine.h"
#include "vlm_platform.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr char kWindowClass[] = "VelmoraScanConsole";

// The console control handler has no context of its own; the run flag of the one scan a
// process runs is kept here for it.
std::atomic<HANDLE> s_runEvent{nullptr};
std::atomic<int> s_interrupts{0};

// Report lines end in CR LF; a console line ends in a newline (the C runtime makes that CR LF on
// Windows).
void WriteReportLine(LPCSTR line)
{
    size_t length = std::strlen(line);
    if (length >= 2 && line[length - 2] == '\r' && line[length - 1] == '\n') {
        std::fwrite(line, 1, length - 2, stdout);
        std::fputc('\n', stdout);
    } else {
        std::fwrite(line, 1, length, stdout);
    }
}

} // namespace

const CScanConsole::MessageMapEntry CScanConsole::s_messageMap[] = {
    {WM_SCAN_COMPLETE, &CScanConsole::OnScanComplete},
    {WM_SCAN_DIRECTORY, &CScanConsole::OnScanDirectory},
    {WM_SCAN_OUTPUT, &CScanConsole::OnScanOutput},
};

LRESULT CALLBACK CScanConsole::WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<CScanConsole*>(GetWindowLongPtrA(hWnd, GWLP_USERDATA));
    if (self) {
        for (const MessageMapEntry& entry : s_messageMap) {
            if (entry.message == message)
                return (self->*entry.handler)(wParam, lParam);
        }
    }
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

BOOL WINAPI CScanConsole::OnConsoleCtrl(DWORD ctrlType)
{
    if (ctrlType != CTRL_C_EVENT && ctrlType != CTRL_BREAK_EVENT)
        return FALSE;
    // A second Ctrl-C ends the process the usual way, for a walk stuck in the file system.
    if (s_interrupts.fetch_add(1) > 0)
        return FALSE;
    if (HANDLE runEvent = s_runEvent.load())
        ResetEvent(runEvent);
    return TRUE;
}

bool CScanConsole::CreateNotifyWindow()
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &CScanConsole::WindowProc;
    windowClass.lpszClassName = kWindowClass;
    RegisterClassA(&windowClass); // already registered is fine
    m_hWnd = CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    if (!m_hWnd)
        return false;
    SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return true;
}

int CScanConsole::OnMessageBox(LPCSTR text, LPCSTR caption)
{
    // Message boxes come from the worker while the main thread may be drawing the status line;
    // they are rare, so a plain write is enough.
    std::fflush(stdout);
    std::fprintf(stderr, "%s%s: %s\n", m_status.IsActive() ? "\n" : "", caption ? caption : "Error", text ? text : "");
    std::fflush(stderr);
    m_errorShown = true;
    return IDOK;
}

CScanConsole::ExitStatus CScanConsole::Run(const CString& roots)
{
    if (!CreateNotifyWindow()) {
        std::fprintf(stderr, "velmora-scan: cannot create the notification window (error %lu)\n",
                     static_cast<unsigned long>(GetLastError()));
        return Failed;
    }
    m_runEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!m_runEvent) {
        std::fprintf(stderr, "velmora-scan: Error Initializing Synchronization Event\n");
        DestroyWindow(m_hWnd);
        return Failed;
    }

    vlm::MessageBoxResponder previous = vlm::SetMessageBoxResponder(
        [this](HWND, LPCSTR text, LPCSTR caption, UINT) { return OnMessageBox(text, caption); });
    s_runEvent = m_runEvent;
    SetConsoleCtrlHandler(&CScanConsole::OnConsoleCtrl, TRUE);

    m_job.roots = roots;
    m_job.rootCount = roots.GetLength() / 3;
    m_job.hwndNotify = m_hWnd;
    m_job.hRunEvent = m_runEvent;
    SetEvent(m_runEvent);

    ExitStatus status = Failed;
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, &ScanThreadProc, &m_job, CREATE_SUSPENDED, &threadId);
    if (!thread) {
        std::fprintf(stderr, "velmora-scan: cannot start the scan (error %lu)\n", static_cast<unsigned long>(GetLastError()));
    } else {
        ResumeThread(thread);
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0)
            DispatchMessageA(&msg);
        // The worker has posted its completion and returns right after; wait for it so that
        // nothing outlives the job it was given.
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);

        if (m_errorShown)
            status = Failed;
        else if (s_interrupts.load() > 0)
            status = Interrupted;
        else
            status = m_job.adsFiles > 0 ? StreamsFound : NoStreams;
    }

    SetConsoleCtrlHandler(&CScanConsole::OnConsoleCtrl, FALSE);
    s_runEvent = nullptr;
    vlm::SetMessageBoxResponder(std::move(previous));
    CloseHandle(m_runEvent);
    m_runEvent = nullptr;
    DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
    return status;
}

LRESULT CScanConsole::OnScanComplete(WPARAM, LPARAM)
{
    m_status.Clear();
    std::printf("%d files scanned\n%d file(s) contained Alternate Data Streams\n", m_job.filesScanned, m_job.adsFiles);
    std::fflush(stdout);
    ResetEvent(m_runEvent);
    PostQuitMessage(0);
    return 0;
}

LRESULT CScanConsole::OnScanDirectory(WPARAM wParam, LPARAM)
{
    m_status.Show(reinterpret_cast<LPCSTR>(wParam));
    return 0;
}

LRESULT CScanConsole::OnScanOutput(WPARAM wParam, LPARAM)
{
    m_status.Clear();
    WriteReportLine(reinterpret_cast<LPCSTR>(wParam));
    if (m_status.IsActive()) {
        // Keep the terminal in order: the line first, then the status line below it.
        std::fflush(stdout);
        m_status.Restore();
    }
    return 0;
}
