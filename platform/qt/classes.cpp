// The window layer's classes, registered as the program starts (as the system's own classes are
// there before a program runs), and the common controls' start-up calls.
#include "qt_internal.h"

#include "vlm_posix.h"

#include <mutex>

namespace vlm::qt {

int PresentMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

void RegisterWindowClasses()
{
    static std::once_flag once;
    std::call_once(once, [] {
        auto add = [](const char* name, WNDPROC procedure, int extraBytes) {
            WNDCLASSA windowClass{};
            windowClass.lpfnWndProc = procedure;
            windowClass.cbWndExtra = extraBytes;
            windowClass.lpszClassName = name;
            RegisterClassA(&windowClass);
        };
        add("#32770", DialogClassProc, DLGWINDOWEXTRA);
        add("Button", ButtonProc, 0);
        add("Static", StaticProc, 0);
        add(RICHEDIT_CLASS10A, RichEditProc, 0);
        add(WC_COMBOBOXEXA, ComboBoxExProc, 0);
        posix::SetDefaultMessageBoxPresenter(PresentMessageBox);
    });
}

namespace {

// Runs when the program starts; nothing of Qt is touched until a window is made.
const struct StartUp {
    StartUp() { RegisterWindowClasses(); }
} g_startUp;

} // namespace
} // namespace vlm::qt

void InitCommonControls()
{
    vlm::qt::RegisterWindowClasses();
}

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* icc)
{
    if (!icc || icc->dwSize != sizeof(INITCOMMONCONTROLSEX))
        return FALSE;
    vlm::qt::RegisterWindowClasses();
    return TRUE;
}
