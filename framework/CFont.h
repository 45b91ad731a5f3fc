// CFont: a font object, made from a LOGFONT or taken from a window (CWnd::GetFont).
#pragma once

#include "framework/CGdiObject.h"

class CFont : public CGdiObject {
public:
    // The font wrapped for the moment (see HandleMap.h): not to be kept.
    static CFont* FromHandle(HFONT font);

    BOOL CreateFontIndirect(const LOGFONT* logFont) { return Attach(::CreateFontIndirect(logFont)); }
    BOOL GetLogFont(LOGFONT* logFont) const
    {
        return GetObject(static_cast<int>(sizeof(LOGFONT)), logFont) == static_cast<int>(sizeof(LOGFONT));
    }
    operator HFONT() const { return static_cast<HFONT>(m_hObject); }
};
