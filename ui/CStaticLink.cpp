#include "ui/CStaticLink.h"

#include "framework/CBrush.h"
#include "framework/CDC.h"

IMPLEMENT_DYNAMIC(CStaticLink, CStatic)

BEGIN_MESSAGE_MAP(CStaticLink, CStatic)
    ON_WM_CTLCOLOR_REFLECT()
    ON_CONTROL_REFLECT(STN_CLICKED, OnClicked)
END_MESSAGE_MAP()

HBRUSH CStaticLink::CtlColor(CDC* dc, UINT)
{
    // Clicks are reported only with SS_NOTIFY, which a dialog template may not give.
    const DWORD style = GetStyle();
    if (!(style & SS_NOTIFY))
        ::SetWindowLongPtr(m_hWnd, GWL_STYLE, static_cast<LONG_PTR>(style | SS_NOTIFY));
    // Icons, frames and rectangles are not text: they paint as usual.
    if ((style & 0xFF) > SS_RIGHT)
        return nullptr;

    if (!m_font.GetSafeHandle()) {
        LOGFONT logFont{};
        if (CFont* font = GetFont(); font && font->GetSafeHandle() && font->GetLogFont(&logFont)) {
            logFont.lfUnderline = TRUE;
            m_font.CreateFontIndirect(&logFont);
        }
    }
    if (m_font.GetSafeHandle())
        dc->SelectObject(&m_font);
    dc->SetTextColor(m_bVisited ? m_colorVisited : m_colorUnvisited);
    dc->SetBkMode(TRANSPARENT);
    return AfxGetStockBrush(HOLLOW_BRUSH);
}

void CStaticLink::OnClicked()
{
    if (m_link.IsEmpty())
        GetWindowText(m_link);
    const HINSTANCE result = ::ShellExecuteA(nullptr, "open", m_link, nullptr, nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(result) <= 32) {
        ::MessageBeep(MB_OK);
        return;
    }
    m_bVisited = TRUE;
    Invalidate(TRUE);
}
