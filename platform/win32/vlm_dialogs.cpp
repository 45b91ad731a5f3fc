// Dialogs on Windows: the program's templates name "ComboBoxEx32", a class comctl32 registers
// only when a program asks for it (InitCommonControlsEx); on Linux the window layer has it
// built in. Asked for once, before the first dialog is made, so the framework and the program
// need no call of their own on either target.
#include "winapi.h"

#include <commctrl.h>

// From here on the names mean the system's own functions again.
#undef DialogBoxParamA
#undef CreateDialogParamA

namespace {

void RegisterCommonControlClasses()
{
    // A failure shows up as the dialog that cannot make its control.
    static const BOOL registered = [] {
        INITCOMMONCONTROLSEX classes{};
        classes.dwSize = sizeof classes;
        classes.dwICC = ICC_WIN95_CLASSES | ICC_USEREX_CLASSES;
        return InitCommonControlsEx(&classes);
    }();
    (void)registered;
}

} // namespace

INT_PTR WINAPI vlmDialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC procedure,
                                  LPARAM initParam)
{
    RegisterCommonControlClasses();
    return DialogBoxParamA(instance, templateName, owner, procedure, initParam);
}

HWND WINAPI vlmCreateDialogParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC procedure,
                                  LPARAM initParam)
{
    RegisterCommonControlClasses();
    return CreateDialogParamA(instance, templateName, owner, procedure, initParam);
}
