#include "framework/CFileDialog.h"

#include "framework/CWinApp.h"
#include "framework/CWnd.h"

#include <cstring>

CFileDialog::CFileDialog(BOOL openFileDialog, LPCSTR defExt, LPCSTR fileName, DWORD flags, LPCSTR filter,
                         CWnd* parent)
    : m_bOpenFileDialog(openFileDialog), m_pParentWnd(parent)
{
    m_ofn.lStructSize = sizeof(OPENFILENAME);
    m_ofn.hInstance = AfxGetInstanceHandle();
    m_ofn.Flags = flags;
    if (defExt) {
        m_defExt = defExt;
        m_ofn.lpstrDefExt = m_defExt.c_str();
    }
    if (fileName) {
        std::strncpy(m_fileName, fileName, sizeof m_fileName - 1);
        m_fileName[sizeof m_fileName - 1] = '\0';
    }
    m_ofn.lpstrFile = m_fileName;
    m_ofn.nMaxFile = sizeof m_fileName;
    if (filter) {
        m_filter = filter;
        for (char& c : m_filter) {
            if (c == '|')
                c = '\0';
        }
        // A filter not ended by "||" still ends with the empty string the list needs; the string's
        // own terminator is the other NUL.
        m_filter += '\0';
        m_ofn.lpstrFilter = m_filter.c_str();
        m_ofn.nFilterIndex = 1;
    }
}

HWND CFileDialog::OwnerWindow() const
{
    if (m_pParentWnd)
        return m_pParentWnd->m_hWnd;
    CWnd* main = AfxGetMainWnd();
    return main ? main->m_hWnd : nullptr;
}

namespace {

int LastComponentStart(const CString& path)
{
    int start = 0;
    for (int i = 0; i < path.GetLength(); ++i) {
        if (path[i] == '\\' || path[i] == '/' || path[i] == ':')
            start = i + 1;
    }
    return start;
}

int ExtensionDot(const CString& name)
{
    int dot = -1;
    for (int i = 0; i < name.GetLength(); ++i) {
        if (name[i] == '.')
            dot = i;
    }
    return dot;
}

} // namespace

CString CFileDialog::GetFileName() const
{
    const CString path = GetPathName();
    return path.Mid(LastComponentStart(path));
}

CString CFileDialog::GetFileExt() const
{
    const CString name = GetFileName();
    const int dot = ExtensionDot(name);
    return dot < 0 ? CString() : name.Mid(dot + 1);
}

CString CFileDialog::GetFileTitle() const
{
    const CString name = GetFileName();
    const int dot = ExtensionDot(name);
    return dot < 0 ? name : name.Left(dot);
}
