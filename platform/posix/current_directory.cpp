// GetCurrentDirectoryA / SetCurrentDirectoryA over the layer's cursor.
#include "current_directory.h"

#include "drive_letters.h"
#include "errno_codes.h"
#include "utf8_utf16.h"
#include "winapi.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <string_view>
#include <vector>

namespace vlm::posix {
namespace {

// The directory's Windows path plus a trailing backslash must fit MAX_PATH - 1 UTF-16 units.
constexpr std::size_t kLongestDirectoryPath = MAX_PATH - 2;

struct Level {
    std::shared_ptr<const UniqueFd> fd;
    std::size_t pathLength; // of the Windows path at this level
};

// One position of the cursor. The ancestors' descriptors are kept, so ".." returns exactly to
// where the walk came from without asking the file system.
struct State {
    std::vector<Level> levels;
    std::string path;
    char letter = 0;
    dev_t device = 0;

    bool Valid() const { return !levels.empty(); }
    bool AtRoot() const { return path.size() == 3; }
    int Fd() const { return levels.back().fd->Get(); }
};

struct Cursor {
    std::mutex mutex;
    State state;
};

Cursor& TheCursor()
{
    static Cursor cursor;
    return cursor;
}

BOOL Fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

// The device of an opened directory, from the inode the kernel already holds: no round trip
// to a FUSE daemon or a network server.
bool DeviceOf(int fd, dev_t& device)
{
    struct statx info {};
    if (::statx(fd, "", AT_EMPTY_PATH | AT_STATX_DONT_SYNC, 0, &info) != 0)
        return false;
    device = makedev(info.stx_dev_major, info.stx_dev_minor);
    return true;
}

std::shared_ptr<const UniqueFd> OpenDirectory(int dirFd, const char* path, int extraFlags)
{
    const int fd = ::openat(dirFd, path, O_PATH | O_DIRECTORY | O_CLOEXEC | extraFlags);
    if (fd < 0)
        return nullptr;
    return std::make_shared<const UniqueFd>(fd);
}

DWORD OpenDirectoryError(int error)
{
    // ENOTDIR here means the entry is a file or a link, not that a path component is missing.
    return error == ENOTDIR ? ERROR_DIRECTORY : Win32ErrorFromErrno(error);
}

bool FitsDirectoryLimit(const std::string& path)
{
    return Utf16LengthOf(path) <= kLongestDirectoryPath;
}

bool EnterRoot(State& state, char letter)
{
    const std::optional<Drive> drive = LookupDrive(letter);
    if (!drive)
        return Fail(ERROR_PATH_NOT_FOUND);
    if (!drive->present)
        return Fail(ERROR_NOT_READY);
    auto fd = OpenDirectory(AT_FDCWD, drive->mount.mountPoint.c_str(), 0);
    if (!fd)
        return Fail(errno == ENOENT ? ERROR_NOT_READY : OpenDirectoryError(errno));
    // An unmounted volume leaves its empty mount-point folder behind: only the mounted file
    // system itself is the drive.
    dev_t device = 0;
    if (!DeviceOf(fd->Get(), device))
        return FailWithErrno(errno);
    if (device != makedev(drive->mount.major, drive->mount.minor))
        return Fail(ERROR_NOT_READY);
    state.path = std::string{drive->letter, ':', '\\'};
    state.levels.assign(1, Level{std::move(fd), state.path.size()});
    state.letter = drive->letter;
    state.device = device;
    return true;
}

bool EnterChild(State& state, std::string_view name)
{
    if (!state.Valid())
        return Fail(ERROR_PATH_NOT_FOUND);
    if (name.find('/') != std::string_view::npos || name.find('\0') != std::string_view::npos)
        return Fail(ERROR_INVALID_NAME);
    std::string path = JoinWindowsPath(state.path, std::string(name));
    if (!FitsDirectoryLimit(path))
        return Fail(ERROR_FILENAME_EXCED_RANGE);
    // Links are entries, never entered: the walk cannot leave the volume or loop.
    auto fd = OpenDirectory(state.Fd(), std::string(name).c_str(), O_NOFOLLOW);
    if (!fd)
        return Fail(OpenDirectoryError(errno));
    dev_t device = 0;
    if (!DeviceOf(fd->Get(), device))
        return FailWithErrno(errno);
    if (device != state.device)
        return Fail(ERROR_NOT_SAME_DEVICE);
    state.path = std::move(path);
    state.levels.push_back(Level{std::move(fd), state.path.size()});
    return true;
}

bool EnterParent(State& state)
{
    if (!state.Valid())
        return Fail(ERROR_PATH_NOT_FOUND);
    if (state.AtRoot())
        return true; // ".." at a root stays at the root, as on Windows
    if (state.levels.size() > 1) {
        state.levels.pop_back();
        state.path.resize(state.levels.back().pathLength);
        return true;
    }
    // The cursor began below the root (in the process's working directory): ask for the parent.
    auto fd = OpenDirectory(state.Fd(), "..", 0);
    if (!fd)
        return FailWithErrno(errno);
    dev_t device = 0;
    if (!DeviceOf(fd->Get(), device))
        return FailWithErrno(errno);
    if (device != state.device)
        return Fail(ERROR_NOT_SAME_DEVICE);
    std::size_t cut = state.path.find_last_of('\\');
    state.path.resize(cut <= 2 ? 3 : cut);
    state.levels.assign(1, Level{std::move(fd), state.path.size()});
    return true;
}

// Until a directory is made current, the cursor is the process's working directory if that
// lies inside a lettered mount.
void AdoptWorkingDirectory(State& state)
{
    if (state.Valid())
        return;
    char buffer[4096];
    if (!::getcwd(buffer, sizeof buffer))
        return;
    const std::string cwd = buffer;
    const std::optional<Drive> drive = DriveForPosixPath(cwd);
    if (!drive)
        return;
    const std::string& mountPoint = drive->mount.mountPoint;
    std::string relative = cwd.substr(mountPoint == "/" ? 1 : mountPoint.size());
    if (!relative.empty() && relative[0] == '/')
        relative.erase(0, 1);
    std::string path{drive->letter, ':', '\\'};
    for (char c : relative)
        path += c == '/' ? '\\' : c;
    if (!FitsDirectoryLimit(path))
        return;
    auto fd = OpenDirectory(AT_FDCWD, ".", 0);
    dev_t device = 0;
    if (!fd || !DeviceOf(fd->Get(), device) || device != makedev(drive->mount.major, drive->mount.minor))
        return;
    state.path = std::move(path);
    state.levels.assign(1, Level{std::move(fd), state.path.size()});
    state.letter = drive->letter;
    state.device = device;
}

// "X:\a\b": the root, then each component, as one change.
bool EnterAbsolute(State& state, const char* text)
{
    if (!EnterRoot(state, static_cast<char>(text[0])))
        return false;
    std::string_view rest(text + 3);
    while (!rest.empty()) {
        const std::size_t end = rest.find_first_of("\\/");
        const std::string_view component = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (component.empty() || component == ".")
            continue;
        if (!(component == ".." ? EnterParent(state) : EnterChild(state, component)))
            return false;
    }
    return true;
}

bool IsAbsoluteWindowsPath(const char* text)
{
    return std::isalpha(static_cast<unsigned char>(text[0])) && text[1] == ':' && (text[2] == '\\' || text[2] == '/');
}

// The lock guards the state only, never a call into the file system: a directory on a server
// that stops answering must not hold up every other thread's look at the current directory.
State Copy()
{
    Cursor& cursor = TheCursor();
    std::lock_guard lock(cursor.mutex);
    return cursor.state;
}

void Commit(State state)
{
    Cursor& cursor = TheCursor();
    std::lock_guard lock(cursor.mutex);
    cursor.state = std::move(state);
}

// The current state, adopting the working directory first if there is none yet.
State Current()
{
    State state = Copy();
    if (state.Valid())
        return state;
    AdoptWorkingDirectory(state);
    if (state.Valid()) {
        Cursor& cursor = TheCursor();
        std::lock_guard lock(cursor.mutex);
        if (!cursor.state.Valid())
            cursor.state = state;
        return cursor.state;
    }
    return state;
}

} // namespace

std::string JoinWindowsPath(const std::string& directory, const std::string& name)
{
    if (!directory.empty() && directory.back() == '\\')
        return directory + name;
    return directory + '\\' + name;
}

void ForgetCurrentDirectory()
{
    Commit(State{});
}

std::optional<CurrentDirectorySnapshot> CurrentDirectory()
{
    // Called for every entry a scan opens: only the innermost level is taken, not the chain.
    {
        Cursor& cursor = TheCursor();
        std::lock_guard lock(cursor.mutex);
        const State& state = cursor.state;
        if (state.Valid())
            return CurrentDirectorySnapshot{state.levels.back().fd, state.path, state.letter, state.device};
    }
    const State state = Current();
    if (!state.Valid())
        return std::nullopt;
    return CurrentDirectorySnapshot{state.levels.back().fd, state.path, state.letter, state.device};
}

} // namespace vlm::posix

using namespace vlm::posix;

DWORD GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer)
{
    const State state = Current();
    if (!state.Valid()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return 0;
    }
    const std::string& path = state.path;
    if (!buffer || bufferLength < path.size() + 1)
        return static_cast<DWORD>(path.size() + 1);
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
}

BOOL SetCurrentDirectoryA(LPCSTR pathName)
{
    if (!pathName)
        return Fail(ERROR_INVALID_PARAMETER);
    if (!*pathName)
        return Fail(ERROR_INVALID_NAME);

    // Changes from two threads at once: the later one to finish wins, whole.
    State next;
    bool entered;
    if (const char letter = ParseDriveRoot(pathName, true)) {
        entered = EnterRoot(next, letter);
    } else if (IsAbsoluteWindowsPath(pathName)) {
        entered = EnterAbsolute(next, pathName);
    } else {
        next = Current();
        const std::string_view name(pathName);
        if (name == ".")
            entered = next.Valid() || Fail(ERROR_PATH_NOT_FOUND);
        else if (name == "..")
            entered = EnterParent(next);
        else
            // A plain name is taken as it is: on Linux a backslash can be part of a name.
            entered = EnterChild(next, name);
    }
    if (!entered)
        return FALSE;
    Commit(std::move(next));
    return TRUE;
}
