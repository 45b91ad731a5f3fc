// What the rest of the platform (the Qt window layer) may know of a window beyond the Win32 API:
// its creation facts, its children, and one object of the layer's own hung on it (its widget).
#pragma once

#include "winapi.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vlm::posix {

class WindowExtension {
public:
    virtual ~WindowExtension() = default;
};

// Hangs `extension` on the window, replacing (and destroying) any earlier one; false when there is
// no such window. The extension lives as long as the window: it is destroyed after WM_NCDESTROY,
// on the thread that destroyed the window (or, for a window whose thread ended, on that thread as
// it ended), outside every lock of this layer. Windows of the main thread still open when the
// process ends are never torn down, so their extensions are not destroyed during exit.
bool SetWindowExtension(HWND window, std::shared_ptr<WindowExtension> extension);
std::shared_ptr<WindowExtension> GetWindowExtension(HWND window);

template <class T>
std::shared_ptr<T> GetWindowExtensionAs(HWND window)
{
    return std::dynamic_pointer_cast<T>(GetWindowExtension(window));
}

struct WindowDescription {
    std::string className; // as registered
    std::string title;     // the window name given to CreateWindowExA
    HWND parent = nullptr; // NULL for top-level and message-only windows
    bool messageOnly = false;
    UINT_PTR id = 0;       // GWLP_ID: a child's id, or a top-level window's menu
    DWORD style = 0;       // current GWL_STYLE / GWL_EXSTYLE
    DWORD exStyle = 0;
    int x = 0, y = 0, width = 0, height = 0; // as given to CreateWindowExA
    DWORD threadId = 0;    // the owner thread
};

// Nothing when there is no such window.
std::optional<WindowDescription> DescribeWindow(HWND window);

// The child (and owned) windows of `window`, oldest first.
std::vector<HWND> ChildWindows(HWND window);

} // namespace vlm::posix
