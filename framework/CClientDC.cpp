#include "framework/CClientDC.h"

#include "framework/CWnd.h"

CClientDC::CClientDC(CWnd* wnd) : m_hWnd(wnd ? wnd->m_hWnd : nullptr)
{
    Attach(::GetDC(m_hWnd));
}

CClientDC::~CClientDC()
{
    const HDC dc = Detach();
    if (dc)
        ::ReleaseDC(m_hWnd, dc);
}
