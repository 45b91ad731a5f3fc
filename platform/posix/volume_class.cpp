#include "volume_class.h"

#include "unique_fd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <string_view>

namespace vlm::posix {
namespace {

// GetVolumeInformation's file-system flags, as the Win32 API numbers them.
constexpr DWORD kCaseSensitiveSearch = 0x00000001;
constexpr DWORD kCasePreservedNames = 0x00000002;
constexpr DWORD kUnicodeOnDisk = 0x00000004;
constexpr DWORD kPersistentAcls = 0x00000008;
constexpr DWORD kNamedStreams = 0x00040000;
constexpr DWORD kReadOnlyVolume = 0x00080000;

constexpr std::array<std::string_view, 8> kNetworkTypes = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs", "afs", "ncpfs"};
constexpr std::array<std::string_view, 3> kFatTypes = {"vfat", "msdos", "fat"};
constexpr std::array<std::string_view, 2> kKernelNtfsTypes = {"ntfs3", "ntfs"};
constexpr std::array<std::string_view, 2> kOpticalTypes = {"iso9660", "udf"};

template <std::size_t N>
bool OneOf(std::string_view value, const std::array<std::string_view, N>& set)
{
    return std::find(set.begin(), set.end(), value) != set.end();
}

bool IsFuse(std::string_view fsType)
{
    return fsType == "fuse" || fsType == "fuseblk";
}

// "fuse.ntfs-3g", "fuseblk.lowntfs-3g": the mount names its driver.
bool IsNamedNtfsFuse(std::string_view fsType)
{
    return (fsType.starts_with("fuse.") || fsType.starts_with("fuseblk.")) && fsType.find("ntfs") != std::string_view::npos;
}

std::string UpperCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

bool HasOption(std::string_view options, std::string_view wanted)
{
    while (!options.empty()) {
        const std::size_t comma = options.find(',');
        if (options.substr(0, comma) == wanted)
            return true;
        if (comma == std::string_view::npos)
            break;
        options.remove_prefix(comma + 1);
    }
    return false;
}

DWORD LittleEndian32(const unsigned char* bytes)
{
    return DWORD(bytes[0]) | DWORD(bytes[1]) << 8 | DWORD(bytes[2]) << 16 | DWORD(bytes[3]) << 24;
}

enum class BootSector { Read, NotReadable, Refused };

// Only regular files and block devices are read, without blocking: a source that names a fifo
// or a character device is never opened.
BootSector ReadBootSector(const std::string& source, unsigned char (&sector)[512])
{
    if (source.empty() || source[0] != '/')
        return BootSector::Refused;
    struct stat before {};
    if (::stat(source.c_str(), &before) != 0)
        return BootSector::NotReadable;
    if (!S_ISREG(before.st_mode) && !S_ISBLK(before.st_mode))
        return BootSector::Refused;
    UniqueFd fd(::open(source.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    struct stat after {};
    if (!fd || ::fstat(fd.Get(), &after) != 0)
        return BootSector::NotReadable;
    if (after.st_mode != before.st_mode || after.st_rdev != before.st_rdev)
        return BootSector::Refused;
    if (::pread(fd.Get(), sector, sizeof sector, 0) != static_cast<ssize_t>(sizeof sector))
        return BootSector::NotReadable;
    return BootSector::Read;
}

bool IsNtfsBootSector(const unsigned char (&sector)[512])
{
    return std::memcmp(sector + 3, "NTFS    ", 8) == 0;
}

// The serial number Windows shows for the volume, where the boot sector has one.
DWORD BootSectorSerial(VolumeKind kind, const unsigned char (&sector)[512])
{
    switch (kind) {
    case VolumeKind::Ntfs:
        return IsNtfsBootSector(sector) ? LittleEndian32(sector + 0x48) : 0;
    case VolumeKind::Fat:
        return std::memcmp(sector + 0x52, "FAT32", 5) == 0 ? LittleEndian32(sector + 0x43) : LittleEndian32(sector + 0x27);
    case VolumeKind::ExFat:
        return std::memcmp(sector + 3, "EXFAT   ", 8) == 0 ? LittleEndian32(sector + 0x64) : 0;
    default:
        return 0;
    }
}

// Stable across reads of the table, for volumes whose boot sector is out of reach.
DWORD DerivedSerial(const MountEntry& mount)
{
    DWORD hash = 2166136261u;
    for (const std::string* part : {&mount.source, &mount.fsType, &mount.mountPoint}) {
        for (unsigned char c : *part)
            hash = (hash ^ c) * 16777619u;
        hash = (hash ^ 0xFF) * 16777619u;
    }
    return hash;
}

bool ReadsOne(const std::string& path)
{
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    char value = 0;
    return fd && ::read(fd.Get(), &value, 1) == 1 && value == '1';
}

// The block device behind a local mount: the mount's own device number when it has one, else a
// block device named as its source (FUSE mounts have anonymous device numbers).
bool BlockDeviceOf(const MountEntry& mount, unsigned& major, unsigned& minor)
{
    if (mount.major != 0) {
        major = mount.major;
        minor = mount.minor;
        return true;
    }
    struct stat st {};
    if (mount.source.empty() || mount.source[0] != '/' || ::stat(mount.source.c_str(), &st) != 0 || !S_ISBLK(st.st_mode))
        return false;
    major = ::major(st.st_rdev);
    minor = ::minor(st.st_rdev);
    return true;
}

// sysfs marks the disk removable; a partition has no flag of its own, so its parent disk's counts.
bool IsRemovable(const MountEntry& mount, const std::string& sysfsRoot)
{
    unsigned major = 0;
    unsigned minor = 0;
    if (!BlockDeviceOf(mount, major, minor))
        return false;
    const std::string device = sysfsRoot + "/dev/block/" + std::to_string(major) + ":" + std::to_string(minor);
    if (::access((device + "/removable").c_str(), F_OK) == 0)
        return ReadsOne(device + "/removable");
    return ReadsOne(device + "/../removable");
}

} // namespace

bool MayGetLetter(const std::string& fsType)
{
    return OneOf(fsType, kKernelNtfsTypes) || IsFuse(fsType) || IsNamedNtfsFuse(fsType) || OneOf(fsType, kFatTypes) ||
           fsType == "exfat" || OneOf(fsType, kOpticalTypes) || OneOf(fsType, kNetworkTypes);
}

VolumeClass ClassifyVolume(const MountEntry& mount, const std::string& sysfsRoot)
{
    VolumeClass result;
    const std::string& type = mount.fsType;
    if (OneOf(type, kNetworkTypes)) {
        result.kind = VolumeKind::Network;
        result.driveType = DRIVE_REMOTE;
        result.fileSystemName = UpperCase(type);
        result.fileSystemFlags = kCaseSensitiveSearch | kCasePreservedNames | kUnicodeOnDisk;
        result.serialNumber = DerivedSerial(mount);
        return result;
    }

    unsigned char sector[512] = {};
    BootSector boot = BootSector::Refused;
    if (OneOf(type, kKernelNtfsTypes) || IsNamedNtfsFuse(type)) {
        result.kind = VolumeKind::Ntfs;
    } else if (IsFuse(type)) {
        boot = ReadBootSector(mount.source, sector);
        if (boot == BootSector::Read) {
            if (!IsNtfsBootSector(sector))
                return result;
        } else {
            // Only a mount whose source names a local file or device is asked for ntfs-3g's
            // attribute: a network FUSE file system names a host, and asking it could block.
            char attributes[4];
            if (mount.source.empty() || mount.source[0] != '/' ||
                ::getxattr(mount.mountPoint.c_str(), "system.ntfs_attrib_be", attributes, sizeof attributes) < 0)
                return result;
        }
        result.kind = VolumeKind::Ntfs;
    } else if (OneOf(type, kFatTypes)) {
        result.kind = VolumeKind::Fat;
    } else if (type == "exfat") {
        result.kind = VolumeKind::ExFat;
    } else if (OneOf(type, kOpticalTypes)) {
        result.kind = VolumeKind::Optical;
    } else {
        return result;
    }

    if (boot == BootSector::Refused && result.kind != VolumeKind::Optical)
        boot = ReadBootSector(mount.source, sector);
    if (boot == BootSector::Read)
        result.serialNumber = BootSectorSerial(result.kind, sector);
    if (result.serialNumber == 0)
        result.serialNumber = DerivedSerial(mount);

    switch (result.kind) {
    case VolumeKind::Ntfs:
        result.fileSystemName = "NTFS";
        result.fileSystemFlags = kCaseSensitiveSearch | kCasePreservedNames | kUnicodeOnDisk | kPersistentAcls | kNamedStreams;
        break;
    case VolumeKind::Optical:
        result.fileSystemName = UpperCase(type);
        result.fileSystemFlags = kCaseSensitiveSearch | kUnicodeOnDisk | kReadOnlyVolume;
        break;
    default:
        result.fileSystemName = UpperCase(type);
        result.fileSystemFlags = kCasePreservedNames | kUnicodeOnDisk;
        break;
    }
    if (HasOption(mount.mountOptions, "ro"))
        result.fileSystemFlags |= kReadOnlyVolume;

    if (result.kind == VolumeKind::Optical)
        result.driveType = DRIVE_CDROM;
    else
        result.driveType = IsRemovable(mount, sysfsRoot) ? DRIVE_REMOVABLE : DRIVE_FIXED;
    return result;
}

} // namespace vlm::posix
