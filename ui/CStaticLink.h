// A static text drawn as a web link: underlined, blue until followed, purple after; a click asks
// the shell to open it.
#pragma once

#include "framework/CFont.h"
#include "framework/CStatic.h"
#include "framework/CString.h"
#include "framework/MessageMap.h"

class CStaticLink : public CStatic {
    DECLARE_DYNAMIC(CStaticLink)
public:
    CStaticLink() = default;

    COLORREF m_colorUnvisited = RGB(0, 0, 255);
    COLORREF m_colorVisited = RGB(128, 0, 128);
    BOOL m_bVisited = FALSE;
    CString m_link; // opened on a click; the window text when left empty
    CFont m_font;   // the control's font, underlined; made when first painted

protected:
    HBRUSH CtlColor(CDC* dc, UINT ctlColor);
    void OnClicked();
    DECLARE_MESSAGE_MAP()
};
