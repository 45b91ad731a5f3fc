// CDataExchange: one pass of DoDataExchange, either from the controls to the members
// (m_bSaveAndValidate TRUE) or back; and the DDX_ routines a DoDataExchange calls.
#pragma once

#include "winapi.h"

class CWnd;

class CDataExchange {
public:
    CDataExchange(CWnd* dlgWnd, BOOL saveAndValidate) : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dlgWnd) {}

    // The control `id` of the dialog; Fail()s when there is none.
    HWND PrepareCtrl(int id);
    // Ends the exchange: UpdateData returns FALSE.
    [[noreturn]] void Fail();

    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
    int m_idLastControl = 0;
};

// Binds `control` to the dialog's control `id` (subclassing it) the first time; afterwards does
// nothing.
void DDX_Control(CDataExchange* dx, int id, CWnd& control);
