// The process-wide table of windows and window classes, inside platform/posix.
#pragma once

#include "window_table.h"

#include <mutex>
#include <unordered_map>

namespace vlm::posix {

class ThreadQueue;

struct WindowClass {
    std::string name;
    ATOM atom = 0;
    WNDPROC procedure = nullptr;
    int windowExtraBytes = 0;
    HINSTANCE instance = nullptr;
};

struct WindowRecord {
    // Fixed at creation.
    HWND handle = nullptr;
    std::shared_ptr<const WindowClass> windowClass;
    DWORD threadId = 0;
    std::shared_ptr<ThreadQueue> queue; // the owner thread's
    HWND parent = nullptr;
    bool messageOnly = false;
    std::string title;
    int x = 0, y = 0, width = 0, height = 0;

    // Guarded by WindowTable::mutex.
    WNDPROC procedure = nullptr;
    LONG_PTR userData = 0;
    UINT_PTR id = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    HINSTANCE instance = nullptr;
    std::vector<unsigned char> extraBytes;
    std::vector<HWND> children;
    std::shared_ptr<WindowExtension> extension;
    bool destroying = false;
};

struct WindowTable {
    std::mutex mutex;
    std::unordered_map<HWND, std::shared_ptr<WindowRecord>> windows;
    std::vector<std::shared_ptr<const WindowClass>> classes;
    ATOM nextAtom = 0xC000; // where Windows' own class atoms start
    UINT_PTR nextHandle = 0;
};

// Never destroyed: threads may still use it while the process ends.
WindowTable& Windows();

// Classes. Names compare without regard to case; a name may also be an atom (MAKEINTATOM).
std::shared_ptr<const WindowClass> FindWindowClass(LPCSTR name);

// Windows.
HWND NewWindowHandle();
std::shared_ptr<WindowRecord> FindWindowRecord(HWND window);
// The window's current procedure; nullptr when there is no such window.
WNDPROC CurrentWindowProcedure(HWND window);
// Adds the record and links it to its parent; false when the parent is gone.
bool InsertWindowRecord(const std::shared_ptr<WindowRecord>& record);
// Removes a window (or every window of a thread) from the table and from its parent. Extensions
// are destroyed on the calling thread, outside the table's lock.
void RemoveWindowRecord(HWND window);
void RemoveThreadWindows(DWORD threadId);

} // namespace vlm::posix
