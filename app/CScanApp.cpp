#include "app/CScanApp.h"

#include "app/CScanDlg.h"
#include "framework/CRichEditCtrl.h"

BOOL CScanApp::InitInstance()
{
    AfxEnableControlContainer();
    AfxInitRichEdit();
    Enable3dControls();

    CScanDlg dialog;
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    // A dialog program: nothing to pump once the dialog has gone.
    return FALSE;
}
