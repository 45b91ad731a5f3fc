#include "framework/CRichEditCtrl.h"

IMPLEMENT_DYNAMIC(CRichEditCtrl, CWnd)

BOOL AfxInitRichEdit()
{
    // Loaded once and kept: the class lives as long as its module.
    static const HMODULE module = ::LoadLibraryA("RICHED32.DLL");
    return module ? TRUE : FALSE;
}
