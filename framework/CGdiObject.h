// CGdiObject: owns one GDI object (font, brush, bitmap) and deletes it with itself; the base of
// CFont, CBrush and CBitmap.
#pragma once

#include "winapi.h"

class CGdiObject {
public:
    CGdiObject() = default;
    virtual ~CGdiObject() { DeleteObject(); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    // Takes ownership; FALSE when the object already holds one, or for NULL.
    BOOL Attach(HGDIOBJ object)
    {
        if (m_hObject || !object)
            return FALSE;
        m_hObject = object;
        return TRUE;
    }
    // Gives ownership back to the caller.
    HGDIOBJ Detach()
    {
        const HGDIOBJ object = m_hObject;
        m_hObject = nullptr;
        m_stock = false;
        return object;
    }
    // Deletes the object held (a stock object is only let go of).
    BOOL DeleteObject()
    {
        if (!m_hObject)
            return FALSE;
        const bool stock = m_stock;
        const HGDIOBJ object = Detach();
        return stock ? TRUE : ::DeleteObject(object);
    }
    // One of the system's own objects (HOLLOW_BRUSH, DEFAULT_GUI_FONT, ...), which is never deleted.
    BOOL CreateStockObject(int index)
    {
        if (!Attach(::GetStockObject(index)))
            return FALSE;
        m_stock = true;
        return TRUE;
    }

    HGDIOBJ GetSafeHandle() const { return m_hObject; }
    operator HGDIOBJ() const { return m_hObject; }
    // The object's description (LOGFONT, LOGBRUSH, BITMAP): bytes stored, 0 on failure.
    int GetObject(int count, LPVOID buffer) const { return ::GetObject(m_hObject, count, buffer); }

    HGDIOBJ m_hObject = nullptr;

private:
    bool m_stock = false;
};
