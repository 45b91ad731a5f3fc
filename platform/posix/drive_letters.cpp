#include "drive_letters.h"

#include "current_directory.h"
#include "vlm_posix.h"

#include <array>
#include <cctype>
#include <cerrno>
#include <map>
#include <mutex>
#include <tuple>

namespace vlm::posix {
namespace {

constexpr const char* kProcessMountTable = "/proc/self/mountinfo";

using MountKey = std::tuple<std::string, std::string, std::string>; // mount point, source, type

MountKey KeyOf(const MountEntry& mount)
{
    return {mount.mountPoint, mount.source, mount.fsType};
}

struct Registry {
    std::mutex mutex;
    std::string tablePath; // empty: the process's own table
    std::string sysfsRoot = "/sys";
    std::array<std::optional<Drive>, 26> drives;
    char nextLetter = 'C';
    // Classifications already made, so a FUSE mount's source is probed once, not per re-read.
    // The device number is part of the key: a remount is looked at afresh.
    std::map<std::tuple<std::string, std::string, std::string, unsigned, unsigned>, VolumeClass> classified;
};

Registry& TheRegistry()
{
    static Registry registry;
    return registry;
}

const VolumeClass& Classify(Registry& registry, const MountEntry& mount)
{
    const auto key = std::make_tuple(mount.mountPoint, mount.source, mount.fsType, mount.major, mount.minor);
    auto it = registry.classified.find(key);
    if (it == registry.classified.end())
        it = registry.classified.emplace(key, ClassifyVolume(mount, registry.sysfsRoot)).first;
    return it->second;
}

Drive* FindByKey(Registry& registry, const MountKey& key)
{
    for (std::optional<Drive>& drive : registry.drives) {
        if (drive && KeyOf(drive->mount) == key)
            return &*drive;
    }
    return nullptr;
}

bool RefreshLocked(Registry& registry, std::vector<MountEntry>& mounts)
{
    std::string text;
    if (!ReadWholeFile(registry.tablePath.empty() ? kProcessMountTable : registry.tablePath, text))
        return false;
    mounts = ParseMountInfo(text);

    for (std::optional<Drive>& drive : registry.drives) {
        if (drive)
            drive->present = false;
    }
    for (const MountEntry& mount : mounts) {
        if (!MayGetLetter(mount.fsType))
            continue;
        if (Drive* known = FindByKey(registry, KeyOf(mount))) {
            // A later line with the same key is a mount stacked on top: it is the one seen.
            known->mount = mount;
            known->volume = Classify(registry, mount);
            // Same place, source and type, but (a remount of a reformatted image) no longer a
            // volume that takes a letter: the letter stays reserved, the drive absent.
            known->present = known->volume.kind != VolumeKind::None;
            continue;
        }
        if (registry.nextLetter > 'Z')
            continue;
        const VolumeClass& volume = Classify(registry, mount);
        if (volume.kind == VolumeKind::None)
            continue;
        const char letter = registry.nextLetter++;
        registry.drives[letter - 'A'] = Drive{letter, true, mount, volume};
    }
    return true;
}

bool RefreshLocked(Registry& registry)
{
    std::vector<MountEntry> mounts;
    return RefreshLocked(registry, mounts);
}

bool IsPathPrefix(const std::string& prefix, const std::string& path)
{
    if (prefix == "/")
        return true;
    return path.compare(0, prefix.size(), prefix) == 0 && (path.size() == prefix.size() || path[prefix.size()] == '/');
}

} // namespace

bool RefreshDrives()
{
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    return RefreshLocked(registry);
}

DWORD PresentDriveMask()
{
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    DWORD mask = 0;
    for (const std::optional<Drive>& drive : registry.drives) {
        if (drive && drive->present)
            mask |= DWORD{1} << (drive->letter - 'A');
    }
    return mask;
}

std::optional<Drive> LookupDrive(char letter)
{
    RefreshDrives();
    return KnownDrive(letter);
}

std::optional<Drive> KnownDrive(char letter)
{
    const int upper = std::toupper(static_cast<unsigned char>(letter));
    if (upper < 'A' || upper > 'Z')
        return std::nullopt;
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    return registry.drives[upper - 'A'];
}

std::optional<Drive> DriveForPosixPath(const std::string& path)
{
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    std::vector<MountEntry> mounts;
    if (!RefreshLocked(registry, mounts))
        return std::nullopt;
    // Every mount counts for "longest prefix", lettered or not: a path on a Linux file system
    // mounted inside an NTFS volume is not on the NTFS volume.
    const MountEntry* holder = nullptr;
    for (const MountEntry& mount : mounts) {
        if (IsPathPrefix(mount.mountPoint, path) && (!holder || mount.mountPoint.size() >= holder->mountPoint.size()))
            holder = &mount;
    }
    if (!holder)
        return std::nullopt;
    Drive* drive = FindByKey(registry, KeyOf(*holder));
    if (!drive || !drive->present)
        return std::nullopt;
    return *drive;
}

std::optional<std::string> WindowsPathForPosixPath(const std::string& path)
{
    const std::optional<Drive> drive = DriveForPosixPath(path);
    if (!drive)
        return std::nullopt;
    const std::string& mountPoint = drive->mount.mountPoint;
    std::string windows{drive->letter, ':', '\\'};
    std::size_t start = mountPoint == "/" ? 1 : mountPoint.size();
    if (start < path.size() && path[start] == '/')
        ++start;
    for (std::size_t i = start; i < path.size(); ++i)
        windows += path[i] == '/' ? '\\' : path[i];
    return windows;
}

char ParseDriveRoot(const char* text, bool allowBare)
{
    if (!text || !std::isalpha(static_cast<unsigned char>(text[0])) || text[1] != ':')
        return 0;
    const bool rooted = (text[2] == '\\' || text[2] == '/') && text[3] == '\0';
    const bool bare = text[2] == '\0';
    if (!rooted && !(bare && allowBare))
        return 0;
    return static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
}

void SetSysfsRoot(const std::string& path)
{
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    registry.sysfsRoot = path.empty() ? "/sys" : path;
}

void SetMountTableSource(const std::string& path)
{
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    registry.tablePath = path;
}

void ResetDriveLetters()
{
    {
        Registry& registry = TheRegistry();
        std::lock_guard lock(registry.mutex);
        registry.drives = {};
        registry.nextLetter = 'C';
        registry.classified.clear();
    }
    // A current directory named by a letter that may now stand for another mount means nothing.
    ForgetCurrentDirectory();
}

} // namespace vlm::posix
