// What the window hands a scan worker, and the notices the worker sends back.
#pragma once

#include "framework/CString.h"
#include "winapi.h"

// Posted once when the worker has ended; filesScanned and adsFiles are final then.
#define WM_SCAN_COMPLETE (WM_USER + 256)
// Sent: wParam points to a directory path (valid during the call only).
#define WM_SCAN_DIRECTORY (WM_USER + 257)
// Sent: wParam points to one report line ending in "\r\n"; lParam 1 = a found stream.
#define WM_SCAN_OUTPUT (WM_USER + 258)

struct ScanJob {
    int filesScanned = 0;      // set by the worker at its end
    int adsFiles = 0;          // set by the worker at its end
    HWND hwndNotify = nullptr; // receives the notices
    HANDLE hRunEvent = nullptr; // the run flag: a manual-reset event, set while a scan may go on
    CString roots;             // "C:\D:\": three characters a root, consumed from the front
    int rootCount = 0;         // roots.GetLength() / 3
};
