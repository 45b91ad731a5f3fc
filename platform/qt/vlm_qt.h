// Linux-only controls of the Qt window layer beyond the Win32 API: seams that stand in for the
// person at the save dialog, for the shell's "open" and for the speaker, so that no test waits on
// a person or opens a browser; and, for tests that look at what a window shows, its widgets.
// Message boxes are answered through vlm::SetMessageBoxResponder (vlm_platform.h).
#pragma once

#include "winapi.h"

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QWidget;

namespace vlm::qt {

// Makes the application object (the process's main thread only). Every window call does this on
// first use; a program may call it first to fail early. False off the main thread.
bool Initialize();
// Runs the Qt events (and so the thread's Win32 messages) that are waiting, once.
void ProcessEvents();

// What GetSaveFileNameA / GetOpenFileNameA ask the person.
struct FileDialogRequest {
    HWND owner = nullptr;
    bool save = true;
    std::string title;            // lpstrTitle, or the dialog's own ("Save As" / "Open")
    std::string initialDirectory; // lpstrInitialDir, or the directory part of lpstrFile
    std::string initialName;      // the name part of lpstrFile
    // lpstrFilter as the dialog splits it: description and pattern, spaces kept.
    std::vector<std::pair<std::string, std::string>> filters;
    DWORD filterIndex = 0;        // 1-based, as in OPENFILENAMEA
    std::string defaultExtension; // lpstrDefExt, without the dot
    DWORD flags = 0;
};

// Answers what the person would type and confirm: a file name (relative ones are taken in the
// initial directory), or nullopt for Cancel. The dialog then applies its own rules to the answer
// (default extension, OFN_PATHMUSTEXIST, OFN_OVERWRITEPROMPT's question as a message box) and,
// when it refuses a name, asks again, as the dialog would stay open.
using FileDialogResponder = std::function<std::optional<std::string>(const FileDialogRequest&)>;
// Installs a process-wide responder, returning the previous; empty shows the real dialog.
FileDialogResponder SetFileDialogResponder(FileDialogResponder responder);

// Opens a URL (http://..., file:///...) the way the desktop does; true when something took it.
using UrlOpener = std::function<bool(const std::string& url)>;
// Stands in for the desktop's opener behind ShellExecuteA; empty restores the desktop's.
UrlOpener SetUrlOpener(UrlOpener opener);

// Hears MessageBeep instead of the speaker; empty restores the real beep.
using BeepListener = std::function<void(UINT type)>;
BeepListener SetBeepListener(BeepListener listener);

// The widgets that show a window of the layer: the outermost (a top-level window's frame) and
// the client area; nullptr for a window without one.
QWidget* WindowWidget(HWND window);
QWidget* ClientWidget(HWND window);

} // namespace vlm::qt
