// Runs the real scan worker against a receiver window on the test's thread and records every
// notice and message box, in order.
#pragma once

#include "scan/ScanJob.h"
#include "winapi.h"

#include <functional>
#include <string>
#include <vector>

namespace vlm::test {

struct Notice {
    UINT message;     // WM_SCAN_DIRECTORY, WM_SCAN_OUTPUT or WM_SCAN_COMPLETE
    std::string text; // the string wParam pointed to (empty for completion)
    LPARAM lParam;
};

struct MessageBoxCall {
    std::string text;
    std::string caption;
    UINT type;
    bool hadOwner;
};

struct ScanRecord {
    std::vector<Notice> notices; // completion included, last
    std::vector<MessageBoxCall> boxes;
    int filesScanned = -1;
    int adsFiles = -1;
    DWORD exitCode = 0;
    bool completed = false; // WM_SCAN_COMPLETE arrived
    bool runFlagWasSet = false; // at completion

    // The texts of one kind of notice, in order.
    std::vector<std::string> Texts(UINT message) const;
    // The report lines (WM_SCAN_OUTPUT) with lParam `highlight`.
    std::vector<std::string> Lines(LPARAM highlight) const;
    int CountOf(UINT message) const;
};

class ScanRunner {
public:
    // Called on the receiver's thread for every sent notice, after it was recorded. It may clear
    // the run flag (Stop) through the handle it is given.
    std::function<void(const Notice&, HANDLE runEvent)> onNotice;
    // The run flag of the scan under way (null outside Run), for stopping from anywhere.
    HANDLE currentRunEvent = nullptr;

    // Scans `roots` ("X:\Y:\"); rootCount defaults to roots.size() / 3.
    ScanRecord Run(const std::string& roots, int rootCount = -1);
};

} // namespace vlm::test
