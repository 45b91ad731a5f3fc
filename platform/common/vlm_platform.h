// Seams of the platform layer that are not part of the Win32 API, present on both targets:
// how message boxes are answered and which native exports GetProcAddress hands out. The console
// front end and the tests use them; the dialog program leaves them alone. One header, two
// implementations (platform/posix, platform/win32).
#pragma once

#include "winapi.h"

#include <functional>

namespace vlm {

// Answers a message box instead of showing one; returns the button id (IDOK, ...).
using MessageBoxResponder = std::function<int(HWND owner, LPCSTR text, LPCSTR caption, UINT type)>;

// Installs a process-wide responder and returns the previous one; an empty responder restores the
// platform's own message boxes (on Windows, the real MessageBoxA).
MessageBoxResponder SetMessageBoxResponder(MessageBoxResponder responder);

// From now on GetProcAddress(module, name) answers `replacement`; nullptr makes the export
// missing. Module names compare without regard to case.
void OverrideExport(LPCSTR module, LPCSTR name, FARPROC replacement);
// Back to the modules' own exports.
void ClearExportOverrides();

} // namespace vlm
