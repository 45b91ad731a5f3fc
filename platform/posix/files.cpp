// CreateFileA and GetFinalPathNameByHandleA.
#include "files.h"

#include "current_directory.h"
#include "drive_letters.h"
#include "errno_codes.h"
#include "winapi.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>

namespace vlm::posix {

FileObject::FileObject(UniqueFd fd, mode_t mode, off_t size, blkcnt_t blocks, std::string windowsPath)
    : m_fd(std::move(fd)), m_mode(mode), m_size(size), m_blocks(blocks), m_windowsPath(std::move(windowsPath)),
      m_procPath("/proc/self/fd/" + std::to_string(m_fd.Get()))
{
}

} // namespace vlm::posix

using namespace vlm::posix;

namespace {

// Any right that would change the entry. Of these, only GENERIC_WRITE is granted, and only with a
// disposition that may create or truncate: what saving a file needs.
constexpr DWORD kWriteAccess = GENERIC_WRITE | 0x10000000 /*GENERIC_ALL*/ | 0x00000002 /*FILE_WRITE_DATA*/ |
                               0x00000004 /*FILE_APPEND_DATA*/ | 0x00000010 /*FILE_WRITE_EA*/ |
                               0x00000100 /*FILE_WRITE_ATTRIBUTES*/ | 0x00010000 /*DELETE*/ |
                               0x00040000 /*WRITE_DAC*/ | 0x00080000 /*WRITE_OWNER*/;

constexpr DWORD kVolumeNameNone = 0x4;
constexpr DWORD kFileNameOpened = 0x8;

HANDLE FailHandle(DWORD error)
{
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

struct Target {
    int dirFd = AT_FDCWD;
    std::string path;        // relative to dirFd
    std::string windowsPath; // empty when not known
    std::shared_ptr<const UniqueFd> keepAlive;
};

// Relative names are taken as they are, against the current directory; "X:\..." goes through
// the drive's mount point; a POSIX absolute path is opened as it is.
bool Resolve(const char* name, Target& target)
{
    if (name[0] == '/') {
        target.path = name;
        return true;
    }
    if (std::isalpha(static_cast<unsigned char>(name[0])) && name[1] == ':' &&
        (name[2] == '\\' || name[2] == '/' || name[2] == '\0')) {
        const std::optional<Drive> drive = LookupDrive(name[0]);
        if (!drive) {
            SetLastError(ERROR_PATH_NOT_FOUND);
            return false;
        }
        if (!drive->present) {
            SetLastError(ERROR_NOT_READY);
            return false;
        }
        target.path = drive->mount.mountPoint;
        target.windowsPath = {drive->letter, ':', '\\'};
        for (const char* p = name[2] ? name + 3 : name + 2; *p; ++p) {
            target.path += *p == '\\' ? '/' : *p;
            target.windowsPath += *p == '/' ? '\\' : *p;
        }
        if (target.path.size() > drive->mount.mountPoint.size() && drive->mount.mountPoint != "/")
            target.path.insert(drive->mount.mountPoint.size(), "/");
        return true;
    }
    if (std::optional<CurrentDirectorySnapshot> cwd = CurrentDirectory()) {
        target.dirFd = cwd->fd->Get();
        target.keepAlive = cwd->fd;
        target.windowsPath = JoinWindowsPath(cwd->path, name);
    }
    target.path = name;
    return true;
}

// Windows tells a missing folder (ERROR_PATH_NOT_FOUND) from a missing file; POSIX says ENOENT
// for both. A disposition that creates the file can only miss a folder.
DWORD OpenForWritingError(const Target& target, DWORD creationDisposition, int error)
{
    if (error == EISDIR)
        return ERROR_ACCESS_DENIED;
    if (error != ENOENT)
        return Win32ErrorFromErrno(error);
    if (creationDisposition != TRUNCATE_EXISTING)
        return ERROR_PATH_NOT_FOUND;
    const std::size_t slash = target.path.find_last_of('/');
    if (slash == std::string::npos)
        return ERROR_FILE_NOT_FOUND; // directly in dirFd, which exists
    const std::string folder = slash == 0 ? "/" : target.path.substr(0, slash);
    struct stat info {};
    const bool folderThere = ::fstatat(target.dirFd, folder.c_str(), &info, 0) == 0 && S_ISDIR(info.st_mode);
    return folderThere ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

// Opens (or creates) `target` for writing. CREATE_ALWAYS and OPEN_ALWAYS say, as on Windows,
// whether the file was there before: ERROR_ALREADY_EXISTS when it was, 0 when it was made. A
// final symbolic link is followed.
HANDLE OpenForWriting(const Target& target, DWORD desiredAccess, DWORD creationDisposition)
{
    // Non-blocking while opening, so a fifo without a reader fails instead of hanging.
    const int access = (desiredAccess & GENERIC_READ) ? O_RDWR : O_WRONLY;
    const int base = access | O_CLOEXEC | O_NONBLOCK;
    UniqueFd fd;
    bool existed = false;
    if (creationDisposition == TRUNCATE_EXISTING) {
        fd.Reset(::openat(target.dirFd, target.path.c_str(), base | O_TRUNC));
        existed = true;
    } else {
        // Made here, or there already: two tries tell them apart, and a file removed between
        // them is made by the next round.
        for (int round = 0; round < 3 && !fd; ++round) {
            fd.Reset(::openat(target.dirFd, target.path.c_str(), base | O_CREAT | O_EXCL, 0666));
            existed = false;
            if (fd || errno != EEXIST)
                break;
            const int truncate = creationDisposition == CREATE_ALWAYS ? O_TRUNC : 0;
            fd.Reset(::openat(target.dirFd, target.path.c_str(), base | truncate));
            existed = true;
            if (!fd && errno != ENOENT)
                break;
        }
    }
    if (!fd)
        return FailHandle(OpenForWritingError(target, creationDisposition, errno));
    const int flags = ::fcntl(fd.Get(), F_GETFL);
    if (flags == -1 || ::fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK) == -1)
        return FailHandle(Win32ErrorFromErrno(errno));
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0)
        return FailHandle(Win32ErrorFromErrno(errno));

    auto object = std::make_shared<FileObject>(std::move(fd), info.st_mode, info.st_size, info.st_blocks,
                                               target.windowsPath);
    const HANDLE handle = RegisterHandle(std::move(object));
    SetLastError(existed && creationDisposition != TRUNCATE_EXISTING ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

} // namespace

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD /*shareMode*/,
                   LPSECURITY_ATTRIBUTES /*securityAttributes*/, DWORD creationDisposition,
                   DWORD flagsAndAttributes, HANDLE /*templateFile*/)
{
    if (!fileName)
        return FailHandle(ERROR_INVALID_PARAMETER);
    if (!*fileName)
        return FailHandle(ERROR_PATH_NOT_FOUND);
    if (creationDisposition < CREATE_NEW || creationDisposition > TRUNCATE_EXISTING)
        return FailHandle(ERROR_INVALID_PARAMETER);
    const bool writing = (desiredAccess & kWriteAccess) != 0;
    if (writing) {
        const bool createsOrTruncates = creationDisposition == CREATE_ALWAYS || creationDisposition == OPEN_ALWAYS ||
                                        creationDisposition == TRUNCATE_EXISTING;
        if ((desiredAccess & kWriteAccess) != GENERIC_WRITE || (desiredAccess & ~(GENERIC_READ | GENERIC_WRITE)) ||
            !createsOrTruncates)
            return FailHandle(ERROR_NOT_SUPPORTED);
    } else if (creationDisposition != OPEN_EXISTING) {
        return FailHandle(ERROR_NOT_SUPPORTED);
    }

    Target target;
    if (!Resolve(fileName, target))
        return INVALID_HANDLE_VALUE;
    if (writing)
        return OpenForWriting(target, desiredAccess, creationDisposition);
    // The link itself, never its target; the descriptor reads nothing, so it needs no read
    // permission of its own and does not open a fifo or device.
    UniqueFd fd(::openat(target.dirFd, target.path.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    if (!fd)
        return FailHandle(Win32ErrorFromErrno(errno));
    // The attributes the look-up just brought in, from the kernel's cache: going back to the file
    // system for them would cost a FUSE round trip per entry. Sizes are kept up to date by the
    // kernel; only the block count may lag behind a write, and the query allows for that.
    struct statx info {};
    if (::statx(fd.Get(), "", AT_EMPTY_PATH | AT_STATX_DONT_SYNC, STATX_TYPE | STATX_SIZE | STATX_BLOCKS, &info) != 0)
        return FailHandle(Win32ErrorFromErrno(errno));
    // Windows opens a directory only with backup semantics.
    if (S_ISDIR(info.stx_mode) && !(flagsAndAttributes & FILE_FLAG_BACKUP_SEMANTICS))
        return FailHandle(ERROR_ACCESS_DENIED);

    auto object = std::make_shared<FileObject>(std::move(fd), info.stx_mode, static_cast<off_t>(info.stx_size),
                                               static_cast<blkcnt_t>(info.stx_blocks), std::move(target.windowsPath));
    return RegisterHandle(std::move(object));
}

DWORD GetFinalPathNameByHandleA(HANDLE file, LPSTR filePath, DWORD bufferLength, DWORD flags)
{
    const auto object = LookupHandleAs<FileObject>(file);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (flags & ~(kVolumeNameNone | kFileNameOpened)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string windowsPath = object->WindowsPath();
    if (windowsPath.empty()) {
        char target[4096];
        const ssize_t length = ::readlink(object->ProcPath(), target, sizeof target - 1);
        std::optional<std::string> mapped;
        if (length > 0)
            mapped = WindowsPathForPosixPath(std::string(target, static_cast<std::size_t>(length)));
        if (!mapped) {
            SetLastError(ERROR_PATH_NOT_FOUND);
            return 0;
        }
        windowsPath = std::move(*mapped);
    }
    const std::string result = (flags & kVolumeNameNone) ? windowsPath.substr(2) : "\\\\?\\" + windowsPath;
    if (!filePath || bufferLength < result.size() + 1)
        return static_cast<DWORD>(result.size() + 1);
    std::memcpy(filePath, result.c_str(), result.size() + 1);
    return static_cast<DWORD>(result.size());
}
