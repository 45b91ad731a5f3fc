#include "framework/CPaintDC.h"

#include "framework/CWnd.h"

CPaintDC::CPaintDC(CWnd* wnd) : m_hWnd(wnd->m_hWnd)
{
    Attach(::BeginPaint(m_hWnd, &m_ps));
}

CPaintDC::~CPaintDC()
{
    // The DC is the system's: given back, not deleted.
    Detach();
    ::EndPaint(m_hWnd, &m_ps);
}
