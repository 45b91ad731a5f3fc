#include "framework/CRichEditCtrl.h"

IMPLEMENT_DYNAMIC(CRichEditCtrl, CWnd)

BOOL AfxInitRichEdit()
{
    // Where the window system has the class built in (Linux), there is no library to load.
    WNDCLASSA registered{};
    if (::GetClassInfo(nullptr, RICHEDIT_CLASS10A, &registered))
        return TRUE;
    // Loaded once and kept: the class lives as long as its module.
    static const HMODULE module = ::LoadLibraryA("RICHED32.DLL");
    return module ? TRUE : FALSE;
}
