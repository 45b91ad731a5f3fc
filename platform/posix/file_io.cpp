// ReadFile, WriteFile and FlushFileBuffers on the handles CreateFileA gives out.
#include "errno_codes.h"
#include "files.h"
#include "winapi.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

using namespace vlm::posix;

namespace {

BOOL Fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

// A descriptor that is not open for the direction asked for is EBADF; Windows calls that a
// handle without the access right.
DWORD TransferError(int error)
{
    switch (error) {
    case EBADF:
        return ERROR_ACCESS_DENIED;
    case ENOSPC:
    case EDQUOT:
        return ERROR_DISK_FULL;
    case EISDIR:
        return ERROR_INVALID_FUNCTION;
    default:
        return Win32ErrorFromErrno(error);
    }
}

off_t OffsetOf(const OVERLAPPED& overlapped)
{
    return static_cast<off_t>((static_cast<std::uint64_t>(overlapped.OffsetHigh) << 32) | overlapped.Offset);
}

// A read-only handle holds a descriptor for the entry's metadata only (see files.h), which costs
// the file system no open of its own. The first read turns it into a readable descriptor in
// place: the same number, now open for reading, so whatever else uses the number (the stream
// query reads through /proc/self/fd/N) is unaffected. Only regular files are read this way; a
// directory, fifo or device handle is refused rather than blocking.
bool MakeReadable(const FileObject& file)
{
    // One upgrade at a time: a second reader must not swap in a fresh descriptor (at offset 0)
    // under the first.
    static std::mutex upgrading;
    std::lock_guard lock(upgrading);
    const int flags = ::fcntl(file.Fd(), F_GETFL);
    if (flags == -1)
        return Fail(Win32ErrorFromErrno(errno));
    if (!(flags & O_PATH))
        return true;
    if (!S_ISREG(file.Mode()))
        return Fail(ERROR_INVALID_FUNCTION);
    // The /proc entry is a link to this very inode (a regular file, so no link of the file
    // system's own is followed).
    const int readable = ::open(file.ProcPath(), O_RDONLY | O_CLOEXEC);
    if (readable == -1)
        return Fail(Win32ErrorFromErrno(errno));
    const bool replaced = ::dup3(readable, file.Fd(), O_CLOEXEC) != -1;
    const int error = errno;
    ::close(readable);
    return replaced || Fail(Win32ErrorFromErrno(error));
}

} // namespace

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD numberOfBytesToWrite, LPDWORD numberOfBytesWritten,
               LPOVERLAPPED overlapped)
{
    if (numberOfBytesWritten)
        *numberOfBytesWritten = 0;
    const auto object = LookupHandleAs<FileObject>(file);
    if (!object)
        return Fail(ERROR_INVALID_HANDLE);
    if (!buffer && numberOfBytesToWrite)
        return Fail(ERROR_INVALID_PARAMETER);
    const char* next = static_cast<const char*>(buffer);
    DWORD written = 0;
    while (written < numberOfBytesToWrite) {
        const std::size_t left = numberOfBytesToWrite - written;
        const ssize_t n = overlapped ? ::pwrite(object->Fd(), next + written, left, OffsetOf(*overlapped) + written)
                                     : ::write(object->Fd(), next + written, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = n == 0 ? ENOSPC : errno;
            if (numberOfBytesWritten)
                *numberOfBytesWritten = written;
            return Fail(TransferError(error));
        }
        written += static_cast<DWORD>(n);
    }
    if (numberOfBytesWritten)
        *numberOfBytesWritten = written;
    return TRUE;
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD numberOfBytesToRead, LPDWORD numberOfBytesRead,
              LPOVERLAPPED overlapped)
{
    if (numberOfBytesRead)
        *numberOfBytesRead = 0;
    const auto object = LookupHandleAs<FileObject>(file);
    if (!object)
        return Fail(ERROR_INVALID_HANDLE);
    if (!buffer && numberOfBytesToRead)
        return Fail(ERROR_INVALID_PARAMETER);
    if (!MakeReadable(*object))
        return FALSE;
    char* next = static_cast<char*>(buffer);
    DWORD done = 0;
    while (done < numberOfBytesToRead) {
        const std::size_t left = numberOfBytesToRead - done;
        const ssize_t n = overlapped ? ::pread(object->Fd(), next + done, left, OffsetOf(*overlapped) + done)
                                     : ::read(object->Fd(), next + done, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            if (numberOfBytesRead)
                *numberOfBytesRead = done;
            return Fail(TransferError(errno));
        }
        if (n == 0)
            break; // end of file
        done += static_cast<DWORD>(n);
    }
    if (numberOfBytesRead)
        *numberOfBytesRead = done;
    return TRUE;
}

BOOL FlushFileBuffers(HANDLE file)
{
    const auto object = LookupHandleAs<FileObject>(file);
    if (!object)
        return Fail(ERROR_INVALID_HANDLE);
    // An O_PATH descriptor cannot be synced: the handle was opened without write access.
    const int flags = ::fcntl(object->Fd(), F_GETFL);
    if (flags == -1)
        return Fail(Win32ErrorFromErrno(errno));
    if ((flags & O_PATH) || (flags & O_ACCMODE) == O_RDONLY)
        return Fail(ERROR_ACCESS_DENIED);
    if (::fsync(object->Fd()) != 0)
        return Fail(errno == EINVAL ? ERROR_INVALID_FUNCTION : TransferError(errno));
    return TRUE;
}
