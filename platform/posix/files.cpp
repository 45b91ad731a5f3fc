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

// Any right that would change the entry; this layer opens read-only.
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
    if ((desiredAccess & kWriteAccess) || creationDisposition != OPEN_EXISTING)
        return FailHandle(ERROR_NOT_SUPPORTED);

    Target target;
    if (!Resolve(fileName, target))
        return INVALID_HANDLE_VALUE;
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
