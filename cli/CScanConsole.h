// The console's receiver of the scan notices: a message-only window on the main thread with a
// message loop of its own. Report lines go to standard output, the directory being checked to
// the terminal's status line, the two counts to standard output at the end.
#pragma once

#include "cli/ConsoleStatusLine.h"
#include "scan/ScanJob.h"
#include "winapi.h"

#include <atomic>

class CScanConsole {
public:
    enum ExitStatus { NoStreams = 0, StreamsFound = 1, Failed = 2, Interrupted = 130 };

    // Scans `roots` ("C:\D:\") on a worker thread and returns the exit status.
    ExitStatus Run(const CString& roots);

private:
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    static BOOL WINAPI OnConsoleCtrl(DWORD ctrlType);

    LRESULT OnScanComplete(WPARAM wParam, LPARAM lParam);
    LRESULT OnScanDirectory(WPARAM wParam, LPARAM lParam);
    LRESULT OnScanOutput(WPARAM wParam, LPARAM lParam);
    int OnMessageBox(LPCSTR text, LPCSTR caption);

    bool CreateNotifyWindow();

    struct MessageMapEntry {
        UINT message;
        LRESULT (CScanConsole::*handler)(WPARAM, LPARAM);
    };
    static const MessageMapEntry s_messageMap[];

    ScanJob m_job;
    HWND m_hWnd = nullptr;
    HANDLE m_runEvent = nullptr;
    CConsoleStatusLine m_status;
    std::atomic<bool> m_errorShown{false};
};
