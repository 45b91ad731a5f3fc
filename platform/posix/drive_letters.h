// The process's drive letters: which mount each letter stands for. A letter is given once, to a
// mount known by (mount point, source, type), and kept for the life of the process; a mount that
// goes away keeps its letter, reported as absent, and gets it back if it returns.
#pragma once

#include "mount_table.h"
#include "volume_class.h"

#include <optional>
#include <string>

namespace vlm::posix {

struct Drive {
    char letter = 0;  // 'C'..'Z'
    bool present = false;
    MountEntry mount; // as last seen in the table
    VolumeClass volume;
};

// Re-reads the mount table and gives letters to new mounts. False (errno set) when the table
// cannot be read; the letters known so far stay.
bool RefreshDrives();
// Bit n for every present drive 'A'+n, as of the last refresh.
DWORD PresentDriveMask();
// The drive a letter stands for (any case), refreshing first; nullopt for a letter never given.
std::optional<Drive> LookupDrive(char letter);
// The same as of the last refresh, without reading the mount table again.
std::optional<Drive> KnownDrive(char letter);
// The drive holding an absolute, normalised POSIX path: the mount with the longest mount-point
// prefix, if that mount has a letter and is present. Refreshes first.
std::optional<Drive> DriveForPosixPath(const std::string& path);
// "/mnt/win/Docs/a.txt" -> "E:\Docs\a.txt" for a path inside a present lettered mount.
std::optional<std::string> WindowsPathForPosixPath(const std::string& path);

// "C:\", "c:/" and, when `allowBare`, "C:" -> 'C'; anything else -> 0.
char ParseDriveRoot(const char* text, bool allowBare);

// Where block-device facts are read from (normally "/sys"), so tests can give a removable disk.
void SetSysfsRoot(const std::string& path);

} // namespace vlm::posix
