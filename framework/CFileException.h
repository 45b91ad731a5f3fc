// CFileException: what CFile throws when the file system refuses. Thrown by value:
//
//     try { file.Write(data, size); } catch (const CFileException& e) { ... e.m_cause ... }
#pragma once

#include "framework/CException.h"
#include "framework/CString.h"

class CFileException : public CException {
public:
    // Why, in the framework's terms; m_lOsError keeps the system's own code.
    enum {
        none,
        genericException,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile,
    };

    explicit CFileException(int cause = none, LONG osError = -1, LPCSTR fileName = nullptr);

    // A system error code (GetLastError) -> the cause above.
    static int OsErrorToException(LONG osError);
    // Throws a CFileException for the system error `osError`.
    [[noreturn]] static void ThrowOsError(LONG osError, LPCSTR fileName = nullptr);

    BOOL GetErrorMessage(LPSTR error, UINT maxError, UINT* helpContext = nullptr) const override;

    int m_cause;
    LONG m_lOsError;
    CString m_strFileName;
};

[[noreturn]] void AfxThrowFileException(int cause, LONG osError = -1, LPCSTR fileName = nullptr);
