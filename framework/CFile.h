// CFile: a file opened through CreateFileA, closed with the object. Failures of Read, Write,
// Flush and Close, and of the opening constructor, throw CFileException by value; Open itself
// reports failure as FALSE and fills the exception object it is given.
#pragma once

#include "framework/CFileException.h"
#include "framework/CString.h"
#include "winapi.h"

class CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,
        typeBinary = 0x8000,
    };

    // INVALID_HANDLE_VALUE: no file open.
    static const HANDLE hFileNull;

    CFile();
    // Wraps an open handle, which stays the caller's: the object does not close it on delete.
    explicit CFile(HANDLE file);
    // Opens at once; throws CFileException on failure.
    CFile(LPCSTR fileName, UINT openFlags);
    // Closes a file it opened and that is still open, without throwing.
    virtual ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // modeCreate creates or truncates (with modeNoTruncate: keeps an existing file's contents);
    // without it the file must exist. The share flags become CreateFileA's sharing mode.
    virtual BOOL Open(LPCSTR fileName, UINT openFlags, CFileException* error = nullptr);
    // Bytes read; 0 at the end of the file.
    virtual UINT Read(void* buffer, UINT count);
    // All of it, or CFileException (diskFull when the system stops short).
    virtual void Write(const void* buffer, UINT count);
    virtual void Flush();
    // Closes; a failure still leaves the object closed, and then throws.
    virtual void Close();
    // Closes, ignoring every failure.
    virtual void Abort();

    CString GetFilePath() const { return m_strFileName; }
    // The last component of the path.
    CString GetFileName() const;
    operator HANDLE() const { return m_hFile; }

    HANDLE m_hFile;
    BOOL m_bCloseOnDelete;

protected:
    CString m_strFileName;
};
