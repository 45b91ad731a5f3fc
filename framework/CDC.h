// CDC: a device context. One made here (CreateCompatibleDC) is deleted with the object; one
// taken from the system (FromHandle, CPaintDC, CClientDC) is given back the way it came.
#pragma once

#include "winapi.h"

class CBitmap;
class CBrush;
class CFont;
class CGdiObject;

class CDC {
public:
    CDC() = default;
    virtual ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    // The DC wrapped for the moment (see HandleMap.h): not to be kept.
    static CDC* FromHandle(HDC dc);

    BOOL Attach(HDC dc);
    HDC Detach();
    BOOL DeleteDC();
    // A memory DC like `dc` (or like the screen, for NULL).
    BOOL CreateCompatibleDC(CDC* dc);

    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }

    // Each returns what was selected before, wrapped for the moment.
    CFont* SelectObject(CFont* font);
    CBrush* SelectObject(CBrush* brush);
    CBitmap* SelectObject(CBitmap* bitmap);
    HGDIOBJ SelectObject(HGDIOBJ object) { return ::SelectObject(m_hDC, object); }
    // A stock object (SelectStockObject(NULL_BRUSH)); returns the handle it replaced.
    HGDIOBJ SelectStockObject(int index) { return ::SelectObject(m_hDC, ::GetStockObject(index)); }

    COLORREF SetTextColor(COLORREF color) { return ::SetTextColor(m_hDC, color); }
    COLORREF GetTextColor() const { return ::GetTextColor(m_hDC); }
    COLORREF SetBkColor(COLORREF color) { return ::SetBkColor(m_hDC, color); }
    COLORREF GetBkColor() const { return ::GetBkColor(m_hDC); }
    int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
    int GetBkMode() const { return ::GetBkMode(m_hDC); }
    int GetDeviceCaps(int index) const { return ::GetDeviceCaps(m_hDC, index); }

    BOOL DrawIcon(int x, int y, HICON icon) { return ::DrawIcon(m_hDC, x, y, icon); }
    BOOL DrawIcon(POINT point, HICON icon) { return ::DrawIcon(m_hDC, point.x, point.y, icon); }
    BOOL BitBlt(int x, int y, int width, int height, CDC* source, int xSource, int ySource, DWORD rop)
    {
        return ::BitBlt(m_hDC, x, y, width, height, source ? source->m_hDC : nullptr, xSource, ySource, rop);
    }
    void FillRect(LPCRECT rect, CBrush* brush);
    void FillSolidRect(LPCRECT rect, COLORREF color);
    BOOL TextOut(int x, int y, LPCSTR text, int length) { return ::TextOut(m_hDC, x, y, text, length); }
    int DrawText(LPCSTR text, int length, LPRECT rect, UINT format)
    {
        return ::DrawText(m_hDC, text, length, rect, format);
    }

    HDC m_hDC = nullptr;
    HDC m_hAttribDC = nullptr; // the same DC: this framework draws and measures on one
};
