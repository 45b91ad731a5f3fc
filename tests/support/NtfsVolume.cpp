#include "support/NtfsVolume.h"

#include "current_directory.h"
#include "winapi.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

extern char** environ;

namespace vlm::test {
namespace {

using namespace std::chrono_literals;

std::string FindTool(const std::string& name)
{
    std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    path += ":/usr/sbin:/sbin:/usr/bin:/bin";
    std::stringstream dirs(path);
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        if (dir.empty())
            continue;
        const std::string candidate = dir + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

struct RunResult {
    int status = -1; // exit code, or -1 when it could not run or was killed
    std::string output;
};

// Runs a tool with its output in a log file. The child gets none of the test's descriptors:
// ntfs-3g stays behind as a daemon, and an inherited descriptor of another mount would keep
// that mount busy.
RunResult Run(const std::vector<std::string>& argv, const std::string& logPath)
{
    RunResult result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);

    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        result.output = std::string("cannot run ") + argv[0] + ": " + std::strerror(spawned);
        return result;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream log(logPath);
    std::stringstream text;
    text << log.rdbuf();
    result.output = text.str();
    return result;
}

std::string Unescape(const std::string& field)
{
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            out += static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) | (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

// Read straight from the kernel's table: the helper must not depend on the layer under test.
bool IsMountPoint(const std::string& mountPoint)
{
    std::ifstream table("/proc/self/mountinfo");
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string id, parent, device, root, point;
        fields >> id >> parent >> device >> root >> point;
        if (Unescape(point) == mountPoint)
            return true;
    }
    return false;
}

bool WaitForMount(const std::string& mountPoint, bool mounted)
{
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (IsMountPoint(mountPoint) != mounted) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

bool UnmountPath(const std::string& mountPoint, const std::string& logPath)
{
    const std::string fusermount = FindTool("fusermount");
    // A mount still busy (a descriptor not yet closed) is retried for a while before it is
    // detached lazily, which always succeeds.
    for (int attempt = 0; attempt < 50 && IsMountPoint(mountPoint); ++attempt) {
        if (::umount2(mountPoint.c_str(), 0) == 0)
            break;
        if (errno == EPERM && !fusermount.empty() && Run({fusermount, "-u", mountPoint}, logPath).status == 0)
            break;
        if (errno != EBUSY && errno != EPERM)
            break;
        std::this_thread::sleep_for(100ms);
    }
    if (IsMountPoint(mountPoint)) {
        std::fprintf(stderr, "NtfsVolume: %s stays busy; detaching it lazily\n", mountPoint.c_str());
        if (::umount2(mountPoint.c_str(), MNT_DETACH) != 0 && !fusermount.empty())
            Run({fusermount, "-uz", mountPoint}, logPath);
    }
    return WaitForMount(mountPoint, false);
}

// Mount points still mounted, so that a test process dying of a signal (a crash, an abort)
// detaches them on its way out instead of leaving mounts and ntfs-3g daemons behind. Fixed
// storage: the signal handler may only touch memory that is always there.
constexpr std::size_t kMaxLiveMounts = 64;
struct LiveMount {
    std::atomic<bool> claimed{false}; // the slot is taken
    std::atomic<bool> live{false};    // and its path is complete
    char path[512] = {};
};
std::array<LiveMount, kMaxLiveMounts> g_liveMounts;
constexpr std::array<int, 7> kFatalSignals = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGTERM, SIGINT};
std::array<struct sigaction, kFatalSignals.size()> g_previousActions;

void DetachLiveMountsAndDie(int signal)
{
    for (LiveMount& mount : g_liveMounts) {
        if (mount.live.load())
            ::umount2(mount.path, MNT_DETACH);
    }
    for (std::size_t i = 0; i < kFatalSignals.size(); ++i) {
        if (kFatalSignals[i] == signal)
            ::sigaction(signal, &g_previousActions[i], nullptr);
    }
    // A fault comes back when the instruction runs again, now to the previous handler; the
    // others are raised anew.
    if (signal != SIGSEGV && signal != SIGBUS && signal != SIGILL && signal != SIGFPE)
        ::raise(signal);
}

void InstallCrashCleanup()
{
    static const bool installed = [] {
        struct sigaction action {};
        action.sa_handler = DetachLiveMountsAndDie;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < kFatalSignals.size(); ++i)
            ::sigaction(kFatalSignals[i], &action, &g_previousActions[i]);
        return true;
    }();
    (void)installed;
}

void RememberLiveMount(const std::string& path)
{
    if (path.size() >= sizeof LiveMount::path)
        return;
    InstallCrashCleanup();
    for (LiveMount& mount : g_liveMounts) {
        bool expected = false;
        if (mount.claimed.compare_exchange_strong(expected, true)) {
            std::memcpy(mount.path, path.c_str(), path.size() + 1);
            mount.live.store(true);
            return;
        }
    }
}

void ForgetLiveMount(const std::string& path)
{
    for (LiveMount& mount : g_liveMounts) {
        if (mount.live.load() && path == mount.path) {
            mount.live.store(false);
            mount.claimed.store(false);
        }
    }
}

[[noreturn]] void Throw(const std::string& what, const std::string& path)
{
    throw std::runtime_error("NtfsVolume: " + what + " " + path + ": " + std::strerror(errno));
}

} // namespace

std::unique_ptr<NtfsVolume> NtfsVolume::Create(int sizeMiB, const std::string& extraMountOptions)
{
    const std::string mkntfs = FindTool("mkntfs");
    const std::string ntfs3g = FindTool("ntfs-3g");
    if (mkntfs.empty() || ntfs3g.empty()) {
        std::fprintf(stderr, "NtfsVolume: %s not installed\n", mkntfs.empty() ? "mkntfs" : "ntfs-3g");
        return nullptr;
    }
    if (::access("/dev/fuse", R_OK | W_OK) != 0) {
        std::fprintf(stderr, "NtfsVolume: /dev/fuse not usable: %s\n", std::strerror(errno));
        return nullptr;
    }

    char folderTemplate[] = "/tmp/vlm-ntfs-XXXXXX";
    if (!::mkdtemp(folderTemplate)) {
        std::fprintf(stderr, "NtfsVolume: mkdtemp: %s\n", std::strerror(errno));
        return nullptr;
    }
    std::unique_ptr<NtfsVolume> volume(new NtfsVolume);
    std::error_code error;
    volume->m_folder = std::filesystem::canonical(folderTemplate, error).string();
    if (error)
        volume->m_folder = folderTemplate;
    volume->m_image = volume->m_folder + "/volume.img";
    volume->m_mountPoint = volume->m_folder + "/mnt";
    const std::string log = volume->m_folder + "/tool.log";

    const int image = ::open(volume->m_image.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    const bool sized = image >= 0 && ::ftruncate(image, off_t{sizeMiB} * 1024 * 1024) == 0;
    if (image >= 0)
        ::close(image);
    if (!sized || ::mkdir(volume->m_mountPoint.c_str(), 0755) != 0) {
        std::fprintf(stderr, "NtfsVolume: cannot prepare %s: %s\n", volume->m_folder.c_str(), std::strerror(errno));
        return nullptr; // the destructor removes the folder
    }

    // -f: quick format (no zeroing), -F: an image file, not a device.
    const RunResult made = Run({mkntfs, "-F", "-q", "-f", volume->m_image}, log);
    if (made.status != 0) {
        std::fprintf(stderr, "NtfsVolume: mkntfs failed:\n%s\n", made.output.c_str());
        return nullptr;
    }
    std::vector<std::string> mount = {ntfs3g, volume->m_image, volume->m_mountPoint};
    if (!extraMountOptions.empty()) {
        mount.push_back("-o");
        mount.push_back(extraMountOptions);
    }
    const RunResult mounted = Run(mount, log);
    if (mounted.status != 0 || !WaitForMount(volume->m_mountPoint, true)) {
        std::fprintf(stderr, "NtfsVolume: ntfs-3g could not mount %s (status %d):\n%s\n", volume->m_image.c_str(),
                     mounted.status, mounted.output.c_str());
        volume->m_mounted = IsMountPoint(volume->m_mountPoint);
        return nullptr;
    }
    volume->m_mounted = true;
    RememberLiveMount(volume->m_mountPoint);
    return volume;
}

NtfsVolume::~NtfsVolume()
{
    if (m_folder.empty())
        return;
    if (m_mounted && !Unmount()) {
        // Never remove a folder with a live mount inside: that would reach into the volume.
        std::fprintf(stderr, "NtfsVolume: %s is still mounted; leaving %s\n", m_mountPoint.c_str(), m_folder.c_str());
        return;
    }
    std::error_code error;
    std::filesystem::remove_all(m_folder, error);
    if (error)
        std::fprintf(stderr, "NtfsVolume: cannot remove %s: %s\n", m_folder.c_str(), error.message().c_str());
}

bool NtfsVolume::Unmount()
{
    if (!m_mounted)
        return true;
    // The layer's current directory holds a descriptor, which would keep the volume busy (as a
    // current directory keeps a Windows volume from being ejected). The volume is going: let go.
    struct stat st {};
    if (const auto cwd = vlm::posix::CurrentDirectory(); cwd && ::stat(m_mountPoint.c_str(), &st) == 0 && cwd->device == st.st_dev)
        vlm::posix::ForgetCurrentDirectory();
    m_mounted = !UnmountPath(m_mountPoint, m_folder + "/tool.log");
    if (!m_mounted)
        ForgetLiveMount(m_mountPoint);
    return !m_mounted;
}

std::string NtfsVolume::Path(const std::string& relative) const
{
    return relative.empty() ? m_mountPoint : m_mountPoint + "/" + relative;
}

void NtfsVolume::MakeDir(const std::string& relative)
{
    const std::string path = Path(relative);
    if (::mkdir(path.c_str(), 0755) != 0)
        Throw("mkdir", path);
}

void NtfsVolume::WriteFile(const std::string& relative, const std::string& contents)
{
    const std::string path = Path(relative);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        Throw("create", path);
    std::size_t written = 0;
    while (written < contents.size()) {
        const ssize_t n = ::write(fd, contents.data() + written, contents.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ::close(fd);
            Throw("write", path);
        }
        written += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0)
        Throw("close", path);
}

void NtfsVolume::AddStream(const std::string& relative, const std::string& streamName, const std::string& value)
{
    const std::string path = Path(relative);
    if (::lsetxattr(path.c_str(), ("user." + streamName).c_str(), value.data(), value.size(), 0) != 0)
        Throw("add stream " + streamName + " to", path);
}

void NtfsVolume::Symlink(const std::string& target, const std::string& relative)
{
    const std::string path = Path(relative);
    if (::symlink(target.c_str(), path.c_str()) != 0)
        Throw("symlink", path);
}

void NtfsVolume::MakeJunction(const std::string& relative, const std::string& targetRelative)
{
    MakeDir(relative);
    // A mount-point reparse buffer: tag, data length, reserved, then the substitute and print
    // names (UTF-16LE, each terminated) with their offsets and lengths.
    std::u16string substitute = u"\\??\\C:\\";
    std::u16string print = u"C:\\";
    for (char c : targetRelative) {
        substitute += c == '/' ? u'\\' : char16_t(static_cast<unsigned char>(c));
        print += c == '/' ? u'\\' : char16_t(static_cast<unsigned char>(c));
    }
    std::vector<unsigned char> data;
    const auto put16 = [&](unsigned value) {
        data.push_back(static_cast<unsigned char>(value & 0xFF));
        data.push_back(static_cast<unsigned char>(value >> 8));
    };
    const auto putName = [&](const std::u16string& name) {
        for (char16_t unit : name)
            put16(unit);
        put16(0);
    };
    const unsigned substituteBytes = static_cast<unsigned>(substitute.size() * 2);
    const unsigned printBytes = static_cast<unsigned>(print.size() * 2);
    put16(0x0003);
    put16(0xA000); // IO_REPARSE_TAG_MOUNT_POINT, little-endian
    put16(8 + substituteBytes + 2 + printBytes + 2);
    put16(0);
    put16(0);
    put16(substituteBytes);
    put16(substituteBytes + 2);
    put16(printBytes);
    putName(substitute);
    putName(print);
    const std::string path = Path(relative);
    if (::setxattr(path.c_str(), "system.ntfs_reparse_data", data.data(), data.size(), 0) != 0)
        Throw("make junction", path);
    // The kernel still holds the entry as the directory it was; wait until a fresh look-up
    // shows the link.
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    struct stat st {};
    while (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
        if (std::chrono::steady_clock::now() > deadline)
            Throw("junction never showed as a link:", path);
        std::this_thread::sleep_for(50ms);
    }
}

char NtfsVolume::Letter() const
{
    const DWORD drives = GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if (!(drives & (DWORD{1} << i)))
            continue;
        const char device[] = {static_cast<char>('A' + i), ':', '\0'};
        char target[4096];
        if (QueryDosDeviceA(device, target, sizeof target) && m_mountPoint == target)
            return device[0];
    }
    return '\0';
}

std::string NtfsVolume::Root() const
{
    return {Letter(), ':', '\\'};
}

} // namespace vlm::test
