// CBrush: a brush object; CreateStockObject (CGdiObject) gives the system's own, such as the
// hollow brush.
#pragma once

#include "framework/CGdiObject.h"

class CBrush : public CGdiObject {
public:
    CBrush() = default;
    // A solid brush of `color`, made at once.
    explicit CBrush(COLORREF color) { CreateSolidBrush(color); }

    // The brush wrapped for the moment (see HandleMap.h): not to be kept.
    static CBrush* FromHandle(HBRUSH brush);

    BOOL CreateSolidBrush(COLORREF color) { return Attach(::CreateSolidBrush(color)); }
    BOOL CreateSysColorBrush(int index) { return Attach(::GetSysColorBrush(index)); }
    operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
};

// The system's stock brush `index` (HOLLOW_BRUSH, WHITE_BRUSH, ...), never to be deleted.
inline HBRUSH AfxGetStockBrush(int index)
{
    return static_cast<HBRUSH>(::GetStockObject(index));
}
