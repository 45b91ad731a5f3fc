// CFileDialog: the system's open or save dialog (GetOpenFileNameA / GetSaveFileNameA).
//
// The filter is the framework's one-string form: descriptions and patterns separated by "|",
// ended by "||". It is split at every "|" and nothing else, spaces kept:
// "All Files (*.*) | *.*||" is one filter, "All Files (*.*) " showing " *.*".
#pragma once

#include "framework/CString.h"
#include "winapi.h"

#include <string>

class CWnd;

class CFileDialog {
public:
    // TRUE: an open dialog; FALSE: a save dialog. `defExt` is added to a name typed without
    // one; `fileName` is the name offered at first.
    explicit CFileDialog(BOOL openFileDialog, LPCSTR defExt = nullptr, LPCSTR fileName = nullptr,
                         DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCSTR filter = nullptr,
                         CWnd* parent = nullptr);
    virtual ~CFileDialog() = default;
    CFileDialog(const CFileDialog&) = delete;
    CFileDialog& operator=(const CFileDialog&) = delete;

    // IDOK when a file was chosen, IDCANCEL when the dialog was cancelled or failed.
    INT_PTR DoModal()
    {
        m_ofn.hwndOwner = OwnerWindow();
        const BOOL chosen = m_bOpenFileDialog ? ::GetOpenFileName(&m_ofn) : ::GetSaveFileName(&m_ofn);
        return chosen ? IDOK : IDCANCEL;
    }

    // The full path chosen.
    CString GetPathName() const { return CString(m_ofn.lpstrFile); }
    // Its last component, that component's extension (without the dot), and the name without it.
    CString GetFileName() const;
    CString GetFileExt() const;
    CString GetFileTitle() const;

    OPENFILENAME m_ofn{};
    BOOL m_bOpenFileDialog;

private:
    HWND OwnerWindow() const;

    CWnd* m_pParentWnd;
    std::string m_filter; // the pairs, each part ended by NUL, then one more NUL
    std::string m_defExt;
    char m_fileName[MAX_PATH * 4] = {};
};
