// Which mounts a Windows system would give a drive letter, and what kind of drive each is.
#pragma once

#include "mount_table.h"
#include "winapi.h"

#include <string>

namespace vlm::posix {

enum class VolumeKind { None, Ntfs, Fat, ExFat, Optical, Network };

struct VolumeClass {
    VolumeKind kind = VolumeKind::None;
    UINT driveType = DRIVE_UNKNOWN;
    std::string fileSystemName; // "NTFS", "VFAT", "NFS4", ...
    DWORD serialNumber = 0;
    DWORD fileSystemFlags = 0;
};

// From the type name alone, without I/O: false for Linux's own file systems, which never get a
// letter, so the common mounts cost nothing.
bool MayGetLetter(const std::string& fsType);

// The full answer. A FUSE mount is NTFS when its source is an image file or block device with an
// NTFS boot sector or, when the source cannot be read, when its root carries ntfs-3g's attribute.
// Network mounts are told by their type alone and never touched: a server that does not answer
// must not hold up the drive list. `sysfsRoot` is normally "/sys".
VolumeClass ClassifyVolume(const MountEntry& mount, const std::string& sysfsRoot);

} // namespace vlm::posix
