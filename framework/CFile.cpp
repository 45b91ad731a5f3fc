#include "framework/CFile.h"

const HANDLE CFile::hFileNull = INVALID_HANDLE_VALUE;

namespace {

DWORD ShareModeOf(UINT openFlags)
{
    switch (openFlags & 0x70) {
    case CFile::shareExclusive:
        return 0;
    case CFile::shareDenyWrite:
        return FILE_SHARE_READ;
    case CFile::shareDenyRead:
        return FILE_SHARE_WRITE;
    default: // shareCompat, shareDenyNone
        return FILE_SHARE_READ | FILE_SHARE_WRITE;
    }
}

DWORD AccessOf(UINT openFlags)
{
    switch (openFlags & 3) {
    case CFile::modeWrite:
        return GENERIC_WRITE;
    case CFile::modeReadWrite:
        return GENERIC_READ | GENERIC_WRITE;
    default:
        return GENERIC_READ;
    }
}

DWORD DispositionOf(UINT openFlags)
{
    if (!(openFlags & CFile::modeCreate))
        return OPEN_EXISTING;
    return (openFlags & CFile::modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
}

} // namespace

CFile::CFile() : m_hFile(hFileNull), m_bCloseOnDelete(FALSE) {}

CFile::CFile(HANDLE file) : m_hFile(file), m_bCloseOnDelete(FALSE) {}

CFile::CFile(LPCSTR fileName, UINT openFlags) : m_hFile(hFileNull), m_bCloseOnDelete(FALSE)
{
    CFileException error;
    if (!Open(fileName, openFlags, &error))
        throw error;
}

CFile::~CFile()
{
    if (m_bCloseOnDelete)
        Abort();
}

BOOL CFile::Open(LPCSTR fileName, UINT openFlags, CFileException* error)
{
    if (m_hFile != hFileNull)
        Abort();
    m_strFileName = fileName;
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, (openFlags & modeNoInherit) ? FALSE : TRUE};
    const HANDLE file = CreateFileA(fileName, AccessOf(openFlags), ShareModeOf(openFlags), &inherit,
                                    DispositionOf(openFlags), FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const LONG osError = static_cast<LONG>(GetLastError());
        if (error) {
            error->m_cause = CFileException::OsErrorToException(osError);
            error->m_lOsError = osError;
            error->m_strFileName = fileName;
        }
        return FALSE;
    }
    m_hFile = file;
    m_bCloseOnDelete = TRUE;
    return TRUE;
}

UINT CFile::Read(void* buffer, UINT count)
{
    if (count == 0)
        return 0;
    DWORD read = 0;
    if (!ReadFile(m_hFile, buffer, count, &read, nullptr))
        CFileException::ThrowOsError(static_cast<LONG>(GetLastError()), m_strFileName);
    return read;
}

void CFile::Write(const void* buffer, UINT count)
{
    if (count == 0)
        return;
    DWORD written = 0;
    if (!WriteFile(m_hFile, buffer, count, &written, nullptr))
        CFileException::ThrowOsError(static_cast<LONG>(GetLastError()), m_strFileName);
    if (written < count)
        AfxThrowFileException(CFileException::diskFull, -1, m_strFileName);
}

void CFile::Flush()
{
    if (m_hFile == hFileNull)
        return;
    if (!FlushFileBuffers(m_hFile))
        CFileException::ThrowOsError(static_cast<LONG>(GetLastError()), m_strFileName);
}

void CFile::Close()
{
    if (m_hFile == hFileNull)
        return;
    const HANDLE file = m_hFile;
    m_hFile = hFileNull;
    if (!CloseHandle(file))
        CFileException::ThrowOsError(static_cast<LONG>(GetLastError()), m_strFileName);
}

void CFile::Abort()
{
    if (m_hFile == hFileNull)
        return;
    CloseHandle(m_hFile);
    m_hFile = hFileNull;
}

CString CFile::GetFileName() const
{
    int start = 0;
    for (int i = 0; i < m_strFileName.GetLength(); ++i) {
        if (m_strFileName[i] == '\\' || m_strFileName[i] == '/' || m_strFileName[i] == ':')
            start = i + 1;
    }
    return m_strFileName.Mid(start);
}
