#include "ui/CResultsRichEdit.h"

#include "framework/CFile.h"
#include "framework/CFileException.h"

#include <algorithm>
#include <cstring>

BOOL CResultsRichEdit::AppendText(LPCSTR text, LONG length)
{
    m_next = text;
    m_remaining = length;
    EDITSTREAM stream{};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(this);
    stream.pfnCallback = ReadCallback;
    StreamIn(SF_TEXT | SFF_SELECTION, stream);
    return TRUE;
}

DWORD CALLBACK CResultsRichEdit::ReadCallback(DWORD_PTR cookie, LPBYTE buffer, LONG capacity, LONG* delivered)
{
    auto* self = reinterpret_cast<CResultsRichEdit*>(cookie);
    const LONG count = std::max<LONG>(0, std::min(self->m_remaining, capacity));
    if (count > 0)
        std::memcpy(buffer, self->m_next, static_cast<size_t>(count));
    self->m_next += count;
    self->m_remaining -= count;
    *delivered = count;
    return 0;
}

DWORD CALLBACK CResultsRichEdit::WriteCallback(DWORD_PTR cookie, LPBYTE buffer, LONG count, LONG* written)
{
    auto* file = reinterpret_cast<CFile*>(cookie);
    // A write error is thrown by value; it cannot cross the control, so it stops the stream
    // here and is raised again once the control returns.
    try {
        file->Write(buffer, static_cast<UINT>(count));
    } catch (...) {
        *written = 0;
        return 1;
    }
    *written = count;
    return 0;
}

BOOL CResultsRichEdit::SaveToFile(LPCSTR path)
{
    try {
        CFile file(path, CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive);
        EDITSTREAM stream{};
        stream.dwCookie = reinterpret_cast<DWORD_PTR>(&file);
        stream.pfnCallback = WriteCallback;
        StreamOut(SF_TEXT, stream);
        if (stream.dwError != 0)
            return FALSE;
        file.Close();
        return TRUE;
    } catch (const CException&) {
        return FALSE;
    }
}
