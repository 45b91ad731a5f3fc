#include "errno_codes.h"

#include <cerrno>

namespace vlm::posix {

DWORD Win32ErrorFromErrno(int error)
{
    switch (error) {
    case 0:
        return ERROR_SUCCESS;
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
        return ERROR_ACCESS_DENIED;
    case EBADF:
        return ERROR_INVALID_HANDLE;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case EMFILE:
    case ENFILE:
        return ERROR_TOO_MANY_OPEN_FILES;
    case EBUSY:
    case ETXTBSY:
        return ERROR_SHARING_VIOLATION;
    case ENAMETOOLONG:
        return ERROR_FILENAME_EXCED_RANGE;
    case ELOOP:
        return ERROR_CANT_RESOLVE_FILENAME;
    case EINVAL:
    case EILSEQ:
        return ERROR_INVALID_NAME;
    case EXDEV:
        return ERROR_NOT_SAME_DEVICE;
    case ENODEV:
    case ENXIO:
    case ENOMEDIUM:
    case ENOTCONN:
    case ESTALE:
    case EHOSTDOWN:
    case EHOSTUNREACH:
    case ETIMEDOUT:
        return ERROR_NOT_READY;
    case ENOTSUP:
    case ENOSYS:
        return ERROR_NOT_SUPPORTED;
    case EIO:
    default:
        return ERROR_GEN_FAILURE;
    }
}

NTSTATUS NtStatusFromErrno(int error)
{
    switch (error) {
    case 0:
        return STATUS_SUCCESS;
    case EACCES:
    case EPERM:
        return STATUS_ACCESS_DENIED;
    case EILSEQ:
    case EINVAL:
        return STATUS_OBJECT_NAME_INVALID;
    case ENOENT:
    case ESTALE:
        return STATUS_OBJECT_NAME_NOT_FOUND;
    case ENOMEM:
        return STATUS_NO_MEMORY;
    case EBADF:
        return STATUS_INVALID_HANDLE;
    case ENOTSUP:
    case ENOSYS:
        return STATUS_NOT_SUPPORTED;
    case EIO:
        return STATUS_FILE_CORRUPT_ERROR;
    default:
        return STATUS_UNSUCCESSFUL;
    }
}

BOOL FailWithErrno(int error)
{
    SetLastError(Win32ErrorFromErrno(error));
    return FALSE;
}

} // namespace vlm::posix
