#include "framework/CDialog.h"

#include "framework/CWinApp.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_MESSAGE(WM_INITDIALOG, HandleInitDialog)
    ON_COMMAND(IDOK, OnOK)
    ON_COMMAND(IDCANCEL, OnCancel)
    ON_WM_CLOSE()
    ON_WM_HELPINFO()
END_MESSAGE_MAP()

CDialog::CDialog(UINT idTemplate, CWnd* parent)
    : m_lpszTemplateName(MAKEINTRESOURCE(idTemplate)), m_nIDHelp(idTemplate), m_pParentWnd(parent)
{
}

CDialog::CDialog(LPCSTR templateName, CWnd* parent) : m_lpszTemplateName(templateName), m_pParentWnd(parent) {}

HWND CDialog::OwnerWindow() const
{
    if (m_pParentWnd)
        return m_pParentWnd->m_hWnd;
    CWnd* main = AfxGetMainWnd();
    return main && main != this ? main->m_hWnd : nullptr;
}

INT_PTR CDialog::DoModal()
{
    if (m_hWnd || !m_lpszTemplateName)
        return -1;
    const INT_PTR result = ::DialogBoxParam(AfxGetResourceHandle(), m_lpszTemplateName, OwnerWindow(),
                                            &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    // Normally let go of with the window's last message; not when the dialog never got that far.
    if (m_hWnd && !::IsWindow(m_hWnd))
        Detach();
    return result;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_INITDIALOG || FromHandlePermanent(dialog))
        return FALSE;
    auto* self = reinterpret_cast<CDialog*>(lParam);
    if (!self || !self->SubclassWindow(dialog))
        return FALSE;
    return AfxCallWndProc(self, dialog, message, wParam, lParam);
}

LRESULT CDialog::HandleInitDialog(WPARAM, LPARAM)
{
    return OnInitDialog();
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::EndDialog(int result)
{
    ::EndDialog(m_hWnd, result);
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::OnClose()
{
    const HWND cancel = ::GetDlgItem(m_hWnd, IDCANCEL);
    if (cancel && !::IsWindowEnabled(cancel)) {
        ::MessageBeep(0);
        return;
    }
    PostMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
}

BOOL CDialog::OnHelpInfo(HELPINFO*)
{
    SendMessage(WM_COMMAND, ID_HELP, 0);
    return TRUE;
}
