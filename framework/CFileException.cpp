#include "framework/CFileException.h"

#include <cstdio>

CFileException::CFileException(int cause, LONG osError, LPCSTR fileName)
    : m_cause(cause), m_lOsError(osError), m_strFileName(fileName)
{
}

int CFileException::OsErrorToException(LONG osError)
{
    switch (osError) {
    case ERROR_SUCCESS:
        return none;
    case ERROR_FILE_NOT_FOUND:
        return fileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
        return badPath;
    case ERROR_TOO_MANY_OPEN_FILES:
        return tooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return accessDenied;
    case ERROR_INVALID_HANDLE:
        return invalidFile;
    case ERROR_SHARING_VIOLATION:
        return sharingViolation;
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL:
        return diskFull;
    case ERROR_HANDLE_EOF:
        return endOfFile;
    case ERROR_NOT_READY:
    case ERROR_GEN_FAILURE:
        return hardIO;
    default:
        return genericException;
    }
}

void CFileException::ThrowOsError(LONG osError, LPCSTR fileName)
{
    throw CFileException(OsErrorToException(osError), osError, fileName);
}

BOOL CFileException::GetErrorMessage(LPSTR error, UINT maxError, UINT* helpContext) const
{
    static constexpr LPCSTR reasons[] = {
        "no error",
        "an unspecified error occurred",
        "it was not found",
        "all or part of the path is invalid",
        "too many files are open",
        "access was denied",
        "the file handle is invalid",
        "the current folder cannot be removed",
        "the folder is full",
        "the file position is invalid",
        "a hardware error occurred",
        "a sharing violation occurred",
        "a locked region was accessed",
        "the disk is full",
        "the end of the file was reached",
    };
    if (helpContext)
        *helpContext = 0;
    if (!error || maxError == 0)
        return FALSE;
    const LPCSTR reason = m_cause >= 0 && m_cause <= endOfFile ? reasons[m_cause] : reasons[genericException];
    const LPCSTR name = m_strFileName.IsEmpty() ? "an unnamed file" : static_cast<LPCSTR>(m_strFileName);
    std::snprintf(error, maxError, "%s: %s.", name, reason);
    return TRUE;
}

void AfxThrowFileException(int cause, LONG osError, LPCSTR fileName)
{
    throw CFileException(cause, osError, fileName);
}
