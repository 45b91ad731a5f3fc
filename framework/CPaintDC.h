// CPaintDC: BeginPaint in the constructor, EndPaint in the destructor, for a WM_PAINT handler.
#pragma once

#include "framework/CDC.h"

class CWnd;

class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* wnd);
    ~CPaintDC() override;

    PAINTSTRUCT m_ps{};

protected:
    HWND m_hWnd;
};
