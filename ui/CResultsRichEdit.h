// The results view: read-only text the scan's lines are appended to, and saved as plain text.
#pragma once

#include "framework/CRichEditCtrl.h"

class CResultsRichEdit : public CRichEditCtrl {
public:
    // Puts `length` bytes of `text` in place of the current selection, as plain text.
    BOOL AppendText(LPCSTR text, LONG length);
    // The whole text into the file `path` (created or truncated); FALSE on a file error.
    BOOL SaveToFile(LPCSTR path);

private:
    static DWORD CALLBACK ReadCallback(DWORD_PTR cookie, LPBYTE buffer, LONG capacity, LONG* delivered);
    static DWORD CALLBACK WriteCallback(DWORD_PTR cookie, LPBYTE buffer, LONG count, LONG* written);

    // The append cursor while text is streamed in.
    LPCSTR m_next = nullptr;
    LONG m_remaining = 0;
};
