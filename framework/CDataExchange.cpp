#include "framework/CDataExchange.h"

#include "framework/CUserException.h"
#include "framework/CWnd.h"

HWND CDataExchange::PrepareCtrl(int id)
{
    m_idLastControl = id;
    const HWND control = ::GetDlgItem(m_pDlgWnd->m_hWnd, id);
    if (!control)
        Fail();
    return control;
}

void CDataExchange::Fail()
{
    throw CUserException();
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control)
{
    if (control.m_hWnd)
        return;
    if (!control.SubclassWindow(dx->PrepareCtrl(id)))
        dx->Fail();
}
