// CClientDC: a window's client-area DC (GetDC), given back (ReleaseDC) by the destructor.
#pragma once

#include "framework/CDC.h"

class CWnd;

class CClientDC : public CDC {
public:
    // NULL: the whole screen.
    explicit CClientDC(CWnd* wnd);
    ~CClientDC() override;

protected:
    HWND m_hWnd;
};
