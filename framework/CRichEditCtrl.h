// CRichEditCtrl: the rich edit control (version 1.0, class "RICHEDIT"). Selections are character
// ranges, -1 standing for the end of the text.
#pragma once

#include "framework/CWnd.h"
#include "framework/CommonControls.h"

class CRichEditCtrl : public CWnd {
    DECLARE_DYNAMIC(CRichEditCtrl)

public:
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
    {
        return CWnd::Create(RICHEDIT_CLASS10A, nullptr, style, rect, parent, id);
    }

    // EM_STREAMIN / EM_STREAMOUT with format SF_TEXT or SF_RTF, optionally | SFF_SELECTION
    // (in: in place of the selection; out: only the selection). The bytes moved.
    long StreamIn(int format, EDITSTREAM& stream)
    {
        return static_cast<long>(SendMessage(EM_STREAMIN, static_cast<WPARAM>(format), reinterpret_cast<LPARAM>(&stream)));
    }
    long StreamOut(int format, EDITSTREAM& stream)
    {
        return static_cast<long>(SendMessage(EM_STREAMOUT, static_cast<WPARAM>(format), reinterpret_cast<LPARAM>(&stream)));
    }

    // EM_EXSETSEL / EM_EXGETSEL.
    void SetSel(long start, long end)
    {
        CHARRANGE range{static_cast<LONG>(start), static_cast<LONG>(end)};
        SetSel(range);
    }
    void SetSel(CHARRANGE& range) { SendMessage(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range)); }
    void GetSel(long& start, long& end) const
    {
        CHARRANGE range{0, 0};
        GetSel(range);
        start = range.cpMin;
        end = range.cpMax;
    }
    void GetSel(CHARRANGE& range) const { SendMessage(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range)); }
    // The selected text into `text` (room for the whole selection): its length.
    long GetSelText(LPSTR text) const
    {
        return static_cast<long>(SendMessage(EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(text)));
    }
    void ReplaceSel(LPCSTR text, BOOL canUndo = FALSE)
    {
        SendMessage(EM_REPLACESEL, static_cast<WPARAM>(canUndo), reinterpret_cast<LPARAM>(text));
    }
    // Hides or shows the selection; `permanent` also changes the ES_NOHIDESEL style.
    void HideSelection(BOOL hide, BOOL permanent)
    {
        SendMessage(EM_HIDESELECTION, static_cast<WPARAM>(hide), static_cast<LPARAM>(permanent));
    }

    // WM_CLEAR, WM_COPY, WM_CUT, WM_PASTE on the selection.
    void Clear() { SendMessage(WM_CLEAR); }
    void Copy() { SendMessage(WM_COPY); }
    void Cut() { SendMessage(WM_CUT); }
    void Paste() { SendMessage(WM_PASTE); }

    // Fills in cbSize itself.
    BOOL SetSelectionCharFormat(CHARFORMAT& format) { return SetCharFormat(SCF_SELECTION, format); }
    BOOL SetDefaultCharFormat(CHARFORMAT& format) { return SetCharFormat(SCF_DEFAULT, format); }
    // The mask of the attributes the whole selection shares.
    DWORD GetSelectionCharFormat(CHARFORMAT& format) const
    {
        format.cbSize = sizeof(CHARFORMAT);
        return static_cast<DWORD>(SendMessage(EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format)));
    }

    long GetTextLength() const { return static_cast<long>(SendMessage(WM_GETTEXTLENGTH)); }
    void LimitText(long chars = 0) { SendMessage(EM_EXLIMITTEXT, 0, static_cast<LPARAM>(chars)); }
    BOOL SetReadOnly(BOOL readOnly = TRUE) { return static_cast<BOOL>(SendMessage(EM_SETREADONLY, static_cast<WPARAM>(readOnly))); }
    DWORD SetEventMask(DWORD mask) { return static_cast<DWORD>(SendMessage(EM_SETEVENTMASK, 0, static_cast<LPARAM>(mask))); }
    COLORREF SetBackgroundColor(BOOL systemColor, COLORREF color)
    {
        return static_cast<COLORREF>(
            SendMessage(EM_SETBKGNDCOLOR, static_cast<WPARAM>(systemColor), static_cast<LPARAM>(color)));
    }

private:
    BOOL SetCharFormat(WPARAM target, CHARFORMAT& format)
    {
        format.cbSize = sizeof(CHARFORMAT);
        return static_cast<BOOL>(SendMessage(EM_SETCHARFORMAT, target, reinterpret_cast<LPARAM>(&format)));
    }
};

// Makes the rich edit control's window class available (Rich Edit 1.0); FALSE when it cannot be.
BOOL AfxInitRichEdit();
