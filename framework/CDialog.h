// CDialog: a modal dialog from a dialog template in the program's resources.
//
// DoModal runs the template through DialogBoxParamA. When the dialog manager sends
// WM_INITDIALOG, the object is attached to the dialog window, whose procedure becomes the
// framework's (the dialog manager's own handles whatever the map does not), and OnInitDialog
// runs; its base version binds the controls (UpdateData(FALSE) -> DoDataExchange).
//
// Default handling: IDOK -> OnOK (UpdateData(TRUE), then EndDialog(IDOK)); IDCANCEL ->
// OnCancel (EndDialog(IDCANCEL)); the close box (WM_CLOSE) -> IDCANCEL, as its button would,
// unless an IDCANCEL control is there and disabled; the help key (WM_HELP) -> the command
// ID_HELP to the dialog itself.
#pragma once

#include "framework/CWnd.h"

class CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)

public:
    CDialog() = default;
    explicit CDialog(UINT idTemplate, CWnd* parent = nullptr);
    explicit CDialog(LPCSTR templateName, CWnd* parent = nullptr);

    // The result EndDialog gave, or -1 when the dialog could not be made.
    virtual INT_PTR DoModal();
    virtual BOOL OnInitDialog();
    void EndDialog(int result);

    LPCSTR m_lpszTemplateName = nullptr;
    UINT m_nIDHelp = 0;
    CWnd* m_pParentWnd = nullptr;

protected:
    virtual void OnOK();
    virtual void OnCancel();

    afx_msg void OnClose();
    afx_msg BOOL OnHelpInfo(HELPINFO* helpInfo);
    afx_msg LRESULT HandleInitDialog(WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()

private:
    // Attaches the dialog on WM_INITDIALOG; the framework's window procedure does the rest.
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    // Whose window the dialog is owned by: the parent given, else the main window.
    HWND OwnerWindow() const;
};
